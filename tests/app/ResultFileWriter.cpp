// Writes a control number to HASHBROJ.TXT in the current directory as a hash window's press
// does, a given number of times, as fast as it can: one of the copies of the program that the
// result file test runs side by side. Exits 0 when every write put its line on the disk, 1 at
// the first that did not.
//
//   result_file_writer DIGEST COUNT

#include <app/ResultFile.h>
#include <files/FileOps.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: result_file_writer DIGEST COUNT\n", stderr);
        return 2;
    }
    const std::string_view digest = argv[1];
    const int count = std::atoi(argv[2]);
    int failed = 0;
    for (int n = 0; n < count && failed == 0; ++n) {
        if (const std::int32_t result = app::WriteResultFile(digest); result != 0) {
            std::fprintf(stderr, "write %d failed with %d\n", n, static_cast<int>(result));
            failed = 1;
        }
    }
    files::UsedFileList::CloseAll();
    return failed;
}
