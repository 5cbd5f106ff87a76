// pelnix_sha1_file [--progress] FILE: prints the digest of FILE, for the file benchmark. Without
// --progress through doSHAOnFile; with it through pelnix_sha1_file and a progress callback that
// does what a caller's would (keeps the last values), so the two can be timed against each other.
#include <pelnix.h>

#include <cstdio>
#include <cstring>

namespace {

struct Progress {
    unsigned long long done = 0;
    unsigned long long total = 0;
    unsigned calls = 0;
};

int Record(unsigned long long done, unsigned long long total, void* userData)
{
    Progress& progress = *static_cast<Progress*>(userData);
    progress.done = done;
    progress.total = total;
    ++progress.calls;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const bool withProgress = argc == 3 && std::strcmp(argv[1], "--progress") == 0;
    if (argc != 2 && !withProgress) {
        std::fprintf(stderr, "usage: %s [--progress] FILE\n", argv[0]);
        return 2;
    }
    const char* file = argv[argc - 1];
    char dig[41] = {};
    if (withProgress) {
        Progress progress;
        const int status = pelnix_sha1_file(file, dig, Record, &progress);
        if (status != PELNIX_OK) {
            std::fprintf(stderr, "status %d\n", status);
            return 1;
        }
        std::fprintf(stderr, "%u progress calls, the last at %llu of %llu\n", progress.calls,
            progress.done, progress.total);
    } else {
        doSHAOnFile(file, dig);
    }
    if (dig[0] == '\0')
        return 1;
    std::printf("%s  %s\n", dig, file);
    return 0;
}
