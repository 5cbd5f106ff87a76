#include <files/ErrorState.h>
#include <files/ErrorTexts.h>
#include <platform/LastError.h>
#include <value/ErrorCode.h>
#include <value/MessageOverrides.h>

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

using namespace files;
using platform::SystemError;

namespace {

/// Two distinct FILEs for ERRORFILE; the error state only keeps and compares their addresses.
alignas(8) std::byte g_fileStorage[2][8];
const FileDeclaration* const kFileA = reinterpret_cast<const FileDeclaration*>(g_fileStorage[0]);
const FileDeclaration* const kFileB = reinterpret_cast<const FileDeclaration*>(g_fileStorage[1]);

/// Every test starts and ends with a clear state, no overrides and no last system error.
class ErrorStateTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }

    static void Reset()
    {
        ClearErrorState();
        value::ClearMessageOverrides();
        platform::SetLastSystemError(SystemError::None);
    }
};

struct PostCase {
    const char* name;
    SystemError lastSystemError;
    std::optional<std::int32_t> overrideNumber;
    std::string overrideText;
    std::int32_t posted;
    std::int32_t expectedCode;
    std::string expectedText;
};

std::ostream& operator<<(std::ostream& out, const PostCase& row)
{
    return out << row.name;
}

const std::string kSeventyNine(79, 'x');

const PostCase kPostCases[] = {
    { "ownCode", SystemError::None, {}, "", 37, 37, "File Not Open" },
    { "systemErrorFileNotFound", SystemError::FileNotFound, {}, "", 0, 302, "File Not Found" },
    { "systemErrorSharingViolation", SystemError::SharingViolation, {}, "", 0, 332,
        "Sharing Violation" },
    { "systemErrorWithoutText", SystemError::NoUnicodeTranslation, {}, "", 0, 1413,
        "Unknown Error Posted : 1413" },
    { "noSystemErrorPosts300", SystemError::None, {}, "", 0, 300, "Unknown Error Posted : 300" },
    { "lastSystemErrorIgnoredForOwnCode", SystemError::AccessDenied, {}, "", 52, 52,
        "File Already Open" },
    { "unknownCode", SystemError::None, {}, "", 999, 999, "Unknown Error Posted : 999" },
    { "negativeCode", SystemError::None, {}, "", -7, -7, "Unknown Error Posted : -7" },
    { "gapInSystemTexts", SystemError::None, {}, "", 314, 314, "Unknown Error Posted : 314" },
    { "trailingBlankKept", SystemError::None, {}, "", 78, 78, "Invalid Number Of Parameters " },
    { "overrideWins", SystemError::None, 37, "Datoteka nije otvorena", 37, 37,
        "Datoteka nije otvorena" },
    { "overrideOfOtherNumberIgnored", SystemError::None, 38, "Other", 37, 37, "File Not Open" },
    { "overrideGivesUnknownCodeAText", SystemError::None, 999, "Own text", 999, 999, "Own text" },
    { "overrideOfSystemErrorText", SystemError::FileNotFound, 302, "Nema datoteke", 0, 302,
        "Nema datoteke" },
    { "overrideOf81StartsUnknownText", SystemError::None, 81, "Nepoznata greska", 999, 999,
        "Nepoznata greska : 999" },
    { "leadingBlanksDropped", SystemError::None, 37, "   Not open ", 37, 37, "Not open " },
    { "longTextCut", SystemError::None, 37, kSeventyNine + "yz", 37, 37, kSeventyNine },
    { "blanksDroppedBeforeCut", SystemError::None, 37, "   " + kSeventyNine + "yz", 37, 37,
        kSeventyNine },
    { "unknownTextCutAfterNumber", SystemError::None, 81, std::string(75, 'u'), 123456, 123456,
        std::string(75, 'u') + " : 1" },
};

class PostErrorTest
    : public ErrorStateTest
    , public ::testing::WithParamInterface<PostCase> { };

TEST_P(PostErrorTest, PostsCodeAndText)
{
    const PostCase& row = GetParam();
    if (row.overrideNumber)
        value::SetMessageOverride(*row.overrideNumber, row.overrideText);
    platform::SetLastSystemError(row.lastSystemError);

    PostError(row.posted);

    EXPECT_EQ(ErrorCode(), row.expectedCode);
    EXPECT_EQ(value::ErrorCode(), row.expectedCode) << "the value layer holds the one number";
    EXPECT_EQ(ErrorText(), row.expectedText);
    EXPECT_EQ(ErrorTextOf(row.expectedCode), row.expectedText);
    EXPECT_EQ(ErrorFile(), nullptr);
    EXPECT_EQ(SavedSystemError(), row.lastSystemError);
}

INSTANTIATE_TEST_SUITE_P(Rows, PostErrorTest, ::testing::ValuesIn(kPostCases),
    [](const ::testing::TestParamInfo<PostCase>& param) { return std::string(param.param.name); });

TEST_F(ErrorStateTest, ClearBlanksEverythingButTheSavedSystemError)
{
    platform::SetLastSystemError(SystemError::SharingViolation);
    PostFileError(5, kFileA, "S1000", "driver text");
    ClearErrorState();

    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(ErrorText(), "");
    EXPECT_EQ(ErrorFile(), nullptr);
    EXPECT_EQ(FileErrorCode(), "");
    EXPECT_EQ(FileErrorText(), "");
    EXPECT_EQ(SavedSystemError(), SystemError::SharingViolation);
}

TEST_F(ErrorStateTest, ErrorFileFollowsTheLastPost)
{
    PostFileError(37, kFileA);
    EXPECT_EQ(ErrorCode(), 37);
    EXPECT_EQ(ErrorText(), "File Not Open");
    EXPECT_EQ(ErrorFile(), kFileA);
    EXPECT_EQ(FileErrorCode(), "") << "the ASCII driver has no texts of its own";
    EXPECT_EQ(FileErrorText(), "");

    PostFileError(52, kFileB, "42", "Already");
    EXPECT_EQ(ErrorFile(), kFileB);
    EXPECT_EQ(FileErrorCode(), "42");
    EXPECT_EQ(FileErrorText(), "Already");

    PostError(33);
    EXPECT_EQ(ErrorFile(), nullptr) << "an error that concerns no file clears ERRORFILE";
    EXPECT_EQ(FileErrorCode(), "");
    EXPECT_EQ(FileErrorText(), "");
}

TEST_F(ErrorStateTest, PostFileErrorOfZeroPostsTheSystemError)
{
    platform::SetLastSystemError(SystemError::PathNotFound);
    PostFileError(0, kFileA);
    EXPECT_EQ(ErrorCode(), 303);
    EXPECT_EQ(ErrorText(), "Path Not Found");
    EXPECT_EQ(ErrorFile(), kFileA);
}

TEST_F(ErrorStateTest, NumberPostedByTheValueLayerIsSeenWhole)
{
    PostFileError(37, kFileA, "c", "t");

    value::PostErrorCode(2);
    EXPECT_EQ(ErrorCode(), 2);
    EXPECT_EQ(ErrorText(), "File Not Found") << "the text follows the number";
    EXPECT_EQ(ErrorFile(), nullptr) << "the file details belong to the earlier number";
    EXPECT_EQ(FileErrorCode(), "");
    EXPECT_EQ(FileErrorText(), "");

    value::PostErrorCode(37);
    EXPECT_EQ(ErrorFile(), kFileA) << "the very same number cannot be told apart";

    value::PostErrorCode(0);
    EXPECT_EQ(ErrorText(), "");
    EXPECT_EQ(ErrorFile(), nullptr);
}

TEST_F(ErrorStateTest, SavedSystemErrorIsTakenAtPostTime)
{
    platform::SetLastSystemError(SystemError::LockViolation);
    PostError(32);
    platform::SetLastSystemError(SystemError::DiskFull);
    EXPECT_EQ(SavedSystemError(), SystemError::LockViolation);
    EXPECT_EQ(ErrorCode(), 32);

    PostFileError(90, kFileA);
    EXPECT_EQ(SavedSystemError(), SystemError::DiskFull);
}

TEST_F(ErrorStateTest, RestorePutsBackWhatSaveTook)
{
    platform::SetLastSystemError(SystemError::AccessDenied);
    PostFileError(0, kFileA, "code", "text");
    const ErrorStateSnapshot saved = SaveErrorState();
    EXPECT_EQ(saved.code, 305);
    EXPECT_EQ(saved.file, kFileA);

    platform::SetLastSystemError(SystemError::None);
    PostError(37);
    RestoreErrorState(saved);

    EXPECT_EQ(ErrorCode(), 305);
    EXPECT_EQ(ErrorText(), "Access Denied");
    EXPECT_EQ(ErrorFile(), kFileA);
    EXPECT_EQ(FileErrorCode(), "code");
    EXPECT_EQ(FileErrorText(), "text");
    EXPECT_EQ(SavedSystemError(), SystemError::AccessDenied);

    ClearErrorState();
    value::PostErrorCode(8);
    const ErrorStateSnapshot fromValueLayer = SaveErrorState();
    EXPECT_EQ(fromValueLayer.code, 8);
    EXPECT_EQ(fromValueLayer.file, nullptr);
    RestoreErrorState(ErrorStateSnapshot {});
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(ErrorText(), "");
}

TEST(ProgramStringTextTest, ListedTextsByteForByte)
{
    struct Row {
        std::int32_t id;
        std::string_view text;
    };
    constexpr std::array kRows {
        Row { 2, "File Not Found" },
        Row { 8, "Insufficient Memory" },
        Row { 30, "Entry Not Found" },
        Row { 47, "Invalid Record Declaration" },
        Row { 65, "Unable To ROLLBACK Transaction" },
        Row { 78, "Invalid Number Of Parameters " },
        Row { 81, "Unknown Error Posted" },
        Row { 89, "Record Changed By Another Station" },
        Row { 96, "Remote Object Not Found" },
        Row { 301, "Invalid Function" },
        Row { 313, "Invalid Data" },
        Row { 315, "Invalid Drive" },
        Row { 316, "Invalid Operation For Current Directory" },
        Row { 336, "Sharing Buffer Exceeded" },
        Row { 339, "Handle Disk Full" },
        Row { 350, "Not Supported " },
        Row { 357, "Adapter/Hardware Failure" },
        Row { 372, "Network Redirection Paused" },
        Row { 380, "File Already Exists" },
        Row { 388, "Network Write Fault" },
        Row { 390, "System Component Not Loaded" },
        Row { 391, "Unknown Error" },
        Row { 401, "Stack overflow" },
        Row { 403, "Termination caused by signal.  (User break or Floating point)" },
        Row { 408, "Long Integer Divide By Zero" },
        Row { 410, "Pure Virtual Function Called" },
        Row { 501, "Internal error 01" },
        Row { 509, "Internal error 09" },
        Row { 510, "Internal error 10" },
        Row { 515, "Internal error 15" },
        Row { 526, "Unable to open APPLICATION (APPLICATION already active)" },
        Row { 532, "Unable to open MDI window on APPLICATION's thread" },
        Row { 537, "ACCEPT loop requires a window" },
        Row { 542, "Unable to complete operation (system is MODAL)" },
    };
    for (const Row& row : kRows) {
        const auto text = ProgramStringText(row.id);
        ASSERT_TRUE(text.has_value()) << row.id;
        EXPECT_EQ(*text, row.text) << row.id;
    }
}

TEST(ProgramStringTextTest, SystemRangesAreCompleteAndGapsHaveNoText)
{
    const auto isListed = [](std::int32_t id) {
        return (id >= 301 && id <= 313) || (id >= 315 && id <= 339) || (id >= 350 && id <= 372)
            || (id >= 380 && id <= 388) || id == 390 || id == 391;
    };
    for (std::int32_t id = 300; id <= 400; ++id)
        EXPECT_EQ(ProgramStringText(id).has_value(), isListed(id)) << id;
}

TEST(ProgramStringTextTest, StopRangesAreCompleteAndGapsHaveNoText)
{
    const auto isListed = [](std::int32_t id) {
        return (id >= 401 && id <= 410) || (id >= 501 && id <= 515) || (id >= 526 && id <= 537)
            || id == 542;
    };
    for (std::int32_t id = 400; id <= 560; ++id)
        EXPECT_EQ(ProgramStringText(id).has_value(), isListed(id)) << id;
}

TEST(ProgramStringTextTest, NumbersOutsideTheTableHaveNoText)
{
    for (const std::int32_t id : { -1, 0, 1, 6, 9, 31, 34, 97, 100, 299, 1000 })
        EXPECT_FALSE(ProgramStringText(id).has_value()) << id;
}

TEST(MapOpenErrorTest, MapsTheThreeSpecialNumbersAndKeepsTheRest)
{
    struct Row {
        SystemError error;
        std::int32_t posted;
    };
    constexpr std::array kRows {
        Row { SystemError::SharingViolation, 5 },
        Row { SystemError::BadPathName, 3 },
        Row { SystemError::InvalidName, 45 },
        Row { SystemError::FileNotFound, 2 },
        Row { SystemError::PathNotFound, 3 },
        Row { SystemError::TooManyOpenFiles, 4 },
        Row { SystemError::AccessDenied, 5 },
        Row { SystemError::LockViolation, 33 },
        Row { SystemError::DiskFull, 112 },
    };
    for (const Row& row : kRows)
        EXPECT_EQ(MapOpenError(row.error), row.posted) << static_cast<std::uint32_t>(row.error);
}

} // namespace
