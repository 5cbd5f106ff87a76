#include <gtest/gtest.h>

#include <common/FuzzerCorpus.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

/// Replays the expected-number fuzzer's corpus (fuzz/corpus/expected-number), crashing inputs
/// included, through the fuzzer's own entry point, which aborts on a broken property.
TEST(ExpectedNumberCorpusTest, EveryTextReadsAsANumberOrSaysWhyNot)
{
    testsupport::ReplayFuzzerCorpus(VARN_EXPECTED_NUMBER_CORPUS_DIR, &LLVMFuzzerTestOneInput);
}

} // namespace
