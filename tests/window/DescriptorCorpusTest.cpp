#include <gtest/gtest.h>

#include <common/TestSupport.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

/// Replays the descriptor fuzzer's corpus (fuzz/corpus/descriptor), crashing inputs included,
/// through the fuzzer's entry point, so every build checks them and not only the fuzzing one.
/// A failing input aborts with the fuzzer's message.
TEST(DescriptorCorpusTest, EveryInputIsReadSafely)
{
    const auto files = testsupport::CorpusFiles(VARN_DESCRIPTOR_CORPUS_DIR);
    ASSERT_FALSE(files.empty()) << "no corpus at " << VARN_DESCRIPTOR_CORPUS_DIR;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const std::string bytes = testsupport::ReadText(path);
        EXPECT_EQ(LLVMFuzzerTestOneInput(
                      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
            0);
    }
}

} // namespace
