#include <gtest/gtest.h>

#include <common/TestSupport.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

/// Replays the ASCII reading fuzzer's corpus (fuzz/corpus/ascii-read), crashing inputs
/// included, through the fuzzer's own entry point, which aborts on a broken invariant.
TEST(AsciiReadCorpusTest, EveryInputReadsTheSameWithAndWithoutTheCache)
{
    const auto files = testsupport::CorpusFiles(VARN_ASCII_READ_CORPUS_DIR);
    ASSERT_FALSE(files.empty()) << "no corpus at " << VARN_ASCII_READ_CORPUS_DIR;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const std::string bytes = testsupport::ReadText(path);
        EXPECT_EQ(LLVMFuzzerTestOneInput(
                      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
            0);
    }
}

} // namespace
