#include <gtest/gtest.h>

#include <common/FuzzerCorpus.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

/// Replays the chosen-file fuzzer's corpus (fuzz/corpus/file-dialog-answer), crashing inputs
/// included, through the fuzzer's own entry point, which aborts on a broken property.
TEST(FileDialogAnswerCorpusTest, EveryAnswerIsWholeOrRefusedAndATakenNameIsThePathChosen)
{
    testsupport::ReplayFuzzerCorpus(VARN_FILE_DIALOG_ANSWER_CORPUS_DIR, &LLVMFuzzerTestOneInput);
}

} // namespace
