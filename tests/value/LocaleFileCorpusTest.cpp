#include <value/Collation.h>
#include <value/ErrorCode.h>
#include <value/LocaleFile.h>
#include <value/LocaleTexts.h>
#include <value/MessageOverrides.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace value;

namespace {

/// Replays the locale file fuzzer's corpus (fuzz/corpus/locale-file), crashing inputs included,
/// through the fuzzer's entry point, so every build checks them and not only the fuzzing one.
TEST(LocaleFileCorpusTest, EveryInputLeavesSoundTables)
{
    const auto files = testsupport::CorpusFiles(VARN_LOCALE_CORPUS_DIR);
    ASSERT_FALSE(files.empty()) << "no corpus at " << VARN_LOCALE_CORPUS_DIR;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        ResetCharacterTables();
        ClearMessageOverrides();
        ResetLocaleTexts();
        ParseLocaleText(testsupport::ReadText(path));
        EXPECT_TRUE(Tables().CheckInvariants());
        for (int month = 1; month <= kMonthCount; ++month) {
            EXPECT_LE(MonthName(month).size(), kMonthNameLimit);
            EXPECT_LE(MonthAbbreviation(month).size(), kMonthAbbreviationLimit);
        }
        EXPECT_LE(MorningMark().size(), kTimeMarkLimit);
        EXPECT_LE(AfternoonMark().size(), kTimeMarkLimit);
        for (const auto number : MessageOverrideNumbers()) {
            const auto text = FindMessageOverride(number);
            ASSERT_TRUE(text.has_value());
            EXPECT_FALSE(text->empty()) << "an empty override would hide message " << number;
            EXPECT_LE(text->size(), kLocaleValueLimit);
        }
    }
    ResetCharacterTables();
    ClearMessageOverrides();
    ResetLocaleTexts();
    PostErrorCode(0);
}

} // namespace
