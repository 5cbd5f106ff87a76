// pelnix_sha1_file FILE: prints the doSHAOnFile digest of FILE, for the file benchmark.
#include <pelnix.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    char dig[41] = {};
    doSHAOnFile(argv[1], dig);
    if (dig[0] == '\0')
        return 1;
    std::printf("%s  %s\n", dig, argv[1]);
    return 0;
}
