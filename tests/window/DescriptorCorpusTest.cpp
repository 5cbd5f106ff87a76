#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(
        std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// Replays the descriptor fuzzer's corpus (fuzz/corpus/descriptor), crashing inputs included,
/// through the fuzzer's entry point, so every build checks them and not only the fuzzing one.
/// A failing input aborts with the fuzzer's message.
TEST(DescriptorCorpusTest, EveryInputIsReadSafely)
{
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VARN_DESCRIPTOR_CORPUS_DIR)) {
        if (!entry.is_regular_file())
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        const auto bytes = ReadBytes(entry.path());
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
        ++count;
    }
    EXPECT_NE(count, 0u) << "no corpus at " << VARN_DESCRIPTOR_CORPUS_DIR;
}

} // namespace
