#include <gtest/gtest.h>

#include <common/FuzzerCorpus.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

/// Replays the descriptor fuzzer's corpus (fuzz/corpus/descriptor), crashing inputs included,
/// through the fuzzer's entry point, so every build checks them and not only the fuzzing one.
/// A failing input aborts with the fuzzer's message.
TEST(DescriptorCorpusTest, EveryInputIsReadSafely)
{
    testsupport::ReplayFuzzerCorpus(VARN_DESCRIPTOR_CORPUS_DIR, &LLVMFuzzerTestOneInput);
}

} // namespace
