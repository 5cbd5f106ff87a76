#include <files/ErrorState.h>
#include <framework/ErrorManager.h>
#include <window/MessageBox.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace framework;

namespace {

struct Box {
    std::string text;
    std::string title;
    std::uint32_t buttons;
    std::uint32_t defaultButton;
    std::uint32_t icon;
};

/// An error manager whose boxes are recorded and answered from a list, and whose halts are
/// recorded instead of ending the process.
class RecordingErrorManager : public ErrorManager {
public:
    std::vector<Box> boxes;
    std::vector<std::uint32_t> answers;
    std::vector<std::pair<int, std::string>> halts;

protected:
    std::uint32_t ShowBox(std::string_view text, std::string_view title, std::uint32_t buttons,
        std::uint32_t defaultButton, std::uint32_t icon) override
    {
        boxes.push_back(
            Box { std::string(text), std::string(title), buttons, defaultButton, icon });
        if (answers.empty())
            return 0;
        const std::uint32_t answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    void HaltProgram(int exitCode, std::string_view text) override
    {
        halts.emplace_back(exitCode, std::string(text));
    }
};

struct Message {
    std::uint16_t id;
    std::uint8_t fatality;
    std::string title;
    std::string text;
};

std::vector<std::uint8_t> Encode(const std::vector<Message>& messages)
{
    std::vector<std::uint8_t> bytes;
    bytes.push_back(static_cast<std::uint8_t>(messages.size() & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(messages.size() >> 8));
    auto putText = [&](const std::string& text) {
        bytes.push_back(static_cast<std::uint8_t>(text.size()));
        bytes.insert(bytes.end(), text.begin(), text.end());
    };
    for (const Message& message : messages) {
        bytes.push_back(static_cast<std::uint8_t>(message.id & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(message.id >> 8));
        bytes.push_back(message.fatality);
        putText(message.title);
        putText(message.text);
    }
    return bytes;
}

class ErrorManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        files::ClearErrorState();
        errors.Setup();
    }
    void TearDown() override
    {
        errors.Teardown();
        files::ClearErrorState();
    }

    RecordingErrorManager errors;
};

TEST_F(ErrorManagerTest, BuiltInTableInOrder)
{
    EXPECT_EQ(BuiltInMessages().size(), 3306u);
    const std::vector<ErrorEntry>& entries = errors.Entries();
    ASSERT_EQ(entries.size(), 39u);
    EXPECT_EQ(entries.front().id, 27);
    EXPECT_EQ(entries.front().fatality, kSeverityNotify);
    EXPECT_EQ(entries.front().title, "Invalid Key");
    EXPECT_EQ(entries[24].id, 23);
    EXPECT_EQ(entries[24].fatality, kSeverityFatal);
    EXPECT_EQ(entries[27].message,
        "Jeste li sigurni da \x9E"
        "elite obrisati ozna\xE8"
        "eni zapis?")
        << "Windows-1250";
    EXPECT_EQ(entries.back().id, 39);
    EXPECT_EQ(entries.back().fatality, kSeverityProgram);
}

// The placeholder cases: each row sets the state, raises a message and reads the box.
TEST_F(ErrorManagerTest, PlaceholdersFilledInOrder)
{
    struct Row {
        const char* name;
        std::vector<Message> table; // added after the built-in one
        std::int32_t error;         // posted for a file when not 0
        const char* fileErrorCode;
        const char* fileErrorText;
        const char* fileName;
        const char* field;
        const char* messageText;
        std::uint16_t id;
        std::string shown;
    };
    const std::vector<Row> rows {
        { "open failed with error 2", {}, 2, "", "", "X.DAT", "", "", 23,
            "File (X.DAT) could not be opened.  Error: File Not Found (2).  Press OK to end "
            "this application" },
        { "error 90 takes the driver's text and code", {}, 90, "E17", "Disk on fire", "A.TPS", "",
            "", 25,
            "An error (Disk on fire (E17)) was experienced when making changes to the A.TPS "
            "file." },
        { "no placeholder shown unchanged", {}, 2, "", "", "X.DAT", "", "", 22,
            "There are no records available to process." },
        { "field and message", {}, 0, "", "", "", "Cijena", "1 and 9", 16,
            "The value of Cijena must be between 1 and 9." },
        { "every placeholder, %File replaced first",
            { { 100, 5, "t",
                "%ErrorCode|%Error|%FileErrorCode|%FileError|%Field|%Message|%File" } },
            90, "C", "T", "F.DAT", "fld", "msg", 100,
            "90|" + files::ErrorTextOf(90) + "|F.DATErrorCode|F.DATError|fld|msg|F.DAT" },
        { "a value holding the placeholder is not filled again",
            { { 101, 5, "t", "%File and %File" } }, 0, "", "", "%File", "", "", 101,
            "%File and %File" },
        { "case matters", { { 102, 5, "t", "%file %FILE %File" } }, 0, "", "", "x", "", "", 102,
            "%file %FILE x" },
        { "a later table hides the earlier number; %Previous shows the old text",
            { { 9, 5, "Potvrda", "Sigurno? (%Previous)" } }, 0, "", "", "", "", "", 9,
            "Sigurno? (Jeste li sigurni da \x9E"
            "elite obrisati ozna\xE8"
            "eni zapis?)" },
        { "%Previous with no earlier text is empty", { { 103, 5, "t", "[%Previous]" } }, 0, "", "",
            "", "", "", 103, "[]" },
        { "%Previous shows the old text unfilled",
            { { 104, 5, "a", "old %File" }, { 104, 5, "b", "new %Previous" } }, 0, "", "", "N", "",
            "", 104, "new old %File" },
    };
    for (const Row& row : rows) {
        RecordingErrorManager manager;
        manager.Setup();
        const std::vector<std::uint8_t> table = Encode(row.table);
        ASSERT_TRUE(manager.AddMessages(table)) << row.name;
        files::ClearErrorState();
        if (row.error != 0)
            files::PostFileError(row.error, nullptr, row.fileErrorCode, row.fileErrorText);
        manager.SetFileName(row.fileName);
        manager.SetFieldName(row.field);
        manager.RaiseWithText(row.id, row.messageText);
        ASSERT_EQ(manager.boxes.size(), 1u) << row.name;
        EXPECT_EQ(manager.boxes[0].text, row.shown) << row.name;
    }
}

TEST_F(ErrorManagerTest, FatalShowsTheErrorThenHalts)
{
    files::PostFileError(2, nullptr);
    errors.SetFileName("X.DAT   ");
    EXPECT_EQ(errors.Raise(23), kSeverityFatal) << "the halt returned";
    ASSERT_EQ(errors.boxes.size(), 1u);
    EXPECT_EQ(errors.boxes[0].title, "File Access Error");
    EXPECT_EQ(errors.boxes[0].buttons, window::kButtonOk);
    EXPECT_EQ(errors.boxes[0].icon, window::kIconExclamation);
    ASSERT_EQ(errors.halts.size(), 1u);
    EXPECT_EQ(errors.halts[0].first, 0);
    EXPECT_EQ(errors.halts[0].second, "File Access Error");
}

TEST_F(ErrorManagerTest, ResultBySeverity)
{
    struct Row {
        const char* name;
        std::uint8_t fatality;
        std::uint32_t answer; // the button pressed
        std::uint32_t result;
        std::size_t boxes;
        std::size_t halts;
    };
    const Row rows[] {
        { "benign shows nothing", kSeverityBenign, 0, 0, 0, 0 },
        { "question, Yes", kSeverityUser, window::kButtonYes, 0, 1, 0 },
        { "question, No", kSeverityUser, window::kButtonNo, 4, 1, 0 },
        { "question, box closed otherwise", kSeverityUser, 0, 4, 1, 0 },
        { "cancel asks as a question", kSeverityCancel, window::kButtonYes, 0, 1, 0 },
        { "program error halts", kSeverityProgram, window::kButtonOk, 3, 1, 1 },
        { "fatal halts", kSeverityFatal, window::kButtonOk, 3, 1, 1 },
        { "notice", kSeverityNotify, window::kButtonOk, 5, 1, 0 },
        { "unknown severity halts", 9, window::kButtonOk, 3, 1, 1 },
    };
    for (const Row& row : rows) {
        RecordingErrorManager manager;
        ASSERT_TRUE(manager.AddMessages(Encode({ { 50, row.fatality, "T", "text" } })));
        manager.answers = { row.answer };
        EXPECT_EQ(manager.Raise(50), row.result) << row.name;
        EXPECT_EQ(manager.boxes.size(), row.boxes) << row.name;
        EXPECT_EQ(manager.halts.size(), row.halts) << row.name;
    }
}

TEST_F(ErrorManagerTest, ConfirmDeleteAnswersZeroForYesFourForNo)
{
    errors.answers = { window::kButtonYes, window::kButtonNo };
    EXPECT_EQ(errors.Raise(9), 0u);
    EXPECT_EQ(errors.Raise(9), 4u);
    ASSERT_EQ(errors.boxes.size(), 2u);
    EXPECT_EQ(errors.boxes[0].title, "Confirm Delete");
    EXPECT_EQ(errors.boxes[0].buttons, window::kButtonYes | window::kButtonNo);
    EXPECT_EQ(errors.boxes[0].defaultButton, window::kButtonYes);
    EXPECT_EQ(errors.boxes[0].icon, window::kIconQuestion);
}

TEST_F(ErrorManagerTest, UnknownNumberShowsANoticeNamingIt)
{
    EXPECT_EQ(errors.Raise(777), kSeverityNotify);
    ASSERT_EQ(errors.boxes.size(), 1u);
    EXPECT_NE(errors.boxes[0].text.find("777"), std::string::npos);
    EXPECT_EQ(errors.boxes[0].title, ErrorManager::kUnknownTitle);
    EXPECT_TRUE(errors.halts.empty());
}

TEST_F(ErrorManagerTest, AskUsesTheLastSavedStateAndTheGivenButtons)
{
    files::PostFileError(2, nullptr);
    errors.SetFileName("A.DAT");
    errors.SaveErrorState();
    files::PostFileError(5, nullptr);
    errors.answers = { window::kButtonRetry };
    EXPECT_EQ(errors.Ask(19, window::kButtonRetry | window::kButtonCancel, window::kButtonCancel),
        window::kButtonRetry);
    ASSERT_EQ(errors.boxes.size(), 1u);
    EXPECT_EQ(errors.boxes[0].text, "A.DAT File Load Error.  Error: File Not Found (2).");
    EXPECT_EQ(errors.boxes[0].buttons, window::kButtonRetry | window::kButtonCancel);
    EXPECT_EQ(errors.boxes[0].defaultButton, window::kButtonCancel);
    EXPECT_EQ(errors.boxes[0].icon, window::kIconQuestion);
    EXPECT_TRUE(errors.halts.empty()) << "asking never halts";
}

TEST_F(ErrorManagerTest, FieldsKeepTheirValuesBetweenRaises)
{
    errors.RaiseWithText(24, "Pregled");
    errors.Raise(24);
    ASSERT_EQ(errors.boxes.size(), 2u);
    EXPECT_EQ(errors.boxes[1].text, "The Procedure Pregled has not been defined.");
}

TEST_F(ErrorManagerTest, LongValuesAreCut)
{
    errors.SetFileName(std::string(300, 'f') + "   ");
    errors.SetFieldName(std::string(300, 'g'));
    ASSERT_TRUE(errors.AddMessages(Encode({ { 60, 5, "t", std::string(10, 'x') + "%File" },
        { 61, 5, "t", std::string(9, '%') + "%File%File%File%File%File%File%File%File" },
        { 62, 5, "t", "%Field" } })));
    errors.Raise(60);
    errors.Raise(61);
    errors.Raise(62);
    ASSERT_EQ(errors.boxes.size(), 3u);
    EXPECT_EQ(errors.boxes[0].text, std::string(10, 'x') + std::string(kMaxFieldLength, 'f'));
    EXPECT_EQ(errors.boxes[1].text.size(), kMaxMessageLength) << "the box gets 2,000 at most";
    EXPECT_EQ(errors.boxes[2].text, std::string(kMaxFieldLength, 'g'));
}

TEST_F(ErrorManagerTest, TableCutShortAddsTheWholeMessages)
{
    std::vector<std::uint8_t> table = Encode({ { 70, 5, "a", "first" }, { 71, 5, "b", "second" } });
    table.resize(table.size() - 3);
    const std::size_t before = errors.Entries().size();
    EXPECT_FALSE(errors.AddMessages(table));
    ASSERT_EQ(errors.Entries().size(), before + 1);
    EXPECT_EQ(errors.Entries().back().message, "first");
    EXPECT_FALSE(errors.AddMessages(std::vector<std::uint8_t> { 1 }));
    EXPECT_TRUE(errors.AddMessages(Encode({})));
}

TEST_F(ErrorManagerTest, TeardownEmptiesTheTable)
{
    errors.Teardown();
    EXPECT_TRUE(errors.Entries().empty());
    EXPECT_EQ(errors.Raise(9), kSeverityNotify) << "now unknown";
}

} // namespace
