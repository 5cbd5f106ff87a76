#include <gtest/gtest.h>

#include <common/FuzzerCorpus.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

/// Replays the ASCII reading fuzzer's corpus (fuzz/corpus/ascii-read), crashing inputs
/// included, through the fuzzer's own entry point, which aborts on a broken invariant.
TEST(AsciiReadCorpusTest, EveryInputReadsTheSameWithAndWithoutTheCache)
{
    testsupport::ReplayFuzzerCorpus(VARN_ASCII_READ_CORPUS_DIR, &LLVMFuzzerTestOneInput);
}

} // namespace
