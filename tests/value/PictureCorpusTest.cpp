#include <gtest/gtest.h>

#include <common/FuzzerCorpus.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

/// Replays the picture fuzzer's corpus (fuzz/corpus/picture), crashing inputs included, through
/// the fuzzer's entry point, so every build checks them and not only the fuzzing one. A failing
/// input aborts with the fuzzer's message.
TEST(PictureCorpusTest, EveryInputIsFormattedAndReadSafely)
{
    testsupport::ReplayFuzzerCorpus(VARN_PICTURE_CORPUS_DIR, &LLVMFuzzerTestOneInput);
}

} // namespace
