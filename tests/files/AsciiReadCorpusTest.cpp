#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> CorpusFiles()
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(VARN_ASCII_READ_CORPUS_DIR)) {
        if (entry.is_regular_file())
            files.push_back(entry.path());
    }
    return files;
}

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// Replays the ASCII reading fuzzer's corpus (fuzz/corpus/ascii-read), crashing inputs
/// included, through the fuzzer's own entry point, which aborts on a broken invariant.
TEST(AsciiReadCorpusTest, EveryInputReadsTheSameWithAndWithoutTheCache)
{
    const auto files = CorpusFiles();
    ASSERT_FALSE(files.empty()) << "no corpus at " << VARN_ASCII_READ_CORPUS_DIR;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const std::string bytes = ReadBytes(path);
        EXPECT_EQ(LLVMFuzzerTestOneInput(
                      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
            0);
    }
}

} // namespace
