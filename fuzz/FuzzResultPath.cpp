// libFuzzer target for the result file's path as the hash window shows it, built from the
// current directory's name: any bytes a Linux directory name may hold (all but NUL), of any
// length. It must end in the separator and HASHBROJ.TXT, be text the window can show (every
// byte defined in Windows-1250), and give back a directory Windows-1250 can spell unchanged.
// Its corpus, fuzz/corpus/result-path, is replayed by result_path_corpus_tests in every
// build.

#include <app/ResultFile.h>
#include <platform/Text.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string directory(reinterpret_cast<const char*>(data), size);
    std::erase(directory, '\0'); // a path never holds one
    // A directory is an absolute path.
    if (!directory.starts_with('/'))
        directory.insert(directory.begin(), '/');

    const std::string shown = app::ResultFilePathIn(directory);
    const std::string tail = "/" + std::string(app::kResultFileName);
    Require(shown.ends_with(tail));
    const platform::Result<std::string> utf8 = platform::AnsiToUtf8(shown);
    Require(static_cast<bool>(utf8));
    if (platform::Utf8ToAnsi(directory))
        Require(*utf8 == (directory.ends_with('/') ? directory : directory + '/') + tail.substr(1));
    else
        Require(shown.find('?') != std::string::npos);

    // A directory that cannot be named shows as the working directory.
    Require(app::ResultFilePathIn(std::nullopt) == "." + tail);
    return 0;
}
