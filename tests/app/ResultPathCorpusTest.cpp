#include <gtest/gtest.h>

#include <common/FuzzerCorpus.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

/// Replays the result-path fuzzer's corpus (fuzz/corpus/result-path), crashing inputs
/// included, through the fuzzer's own entry point, which aborts on a broken property.
TEST(ResultPathCorpusTest, EveryDirectoryShowsAsTextEndingInTheResultFileName)
{
    testsupport::ReplayFuzzerCorpus(VARN_RESULT_PATH_CORPUS_DIR, &LLVMFuzzerTestOneInput);
}

} // namespace
