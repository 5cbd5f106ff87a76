#include <framework/SelectFileManager.h>
#include <value/StringStack.h>
#include <value/ValueReference.h>
#include <window/FileDialog.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

using framework::KeepPath;
using framework::SelectFileManager;

namespace {

std::string Current()
{
    return std::filesystem::current_path().string();
}

struct FilterCase {
    const char* name;
    std::string mask;
    std::string text;
    std::string expected;
};

void PrintTo(const FilterCase& c, std::ostream* os)
{
    *os << c.name;
}

class AddFilterTest : public testing::TestWithParam<FilterCase> { };

TEST_P(AddFilterTest, Joins)
{
    const FilterCase& c = GetParam();
    SelectFileManager select;
    select.maskString = c.mask;
    select.AddFilter(c.text);
    EXPECT_EQ(select.maskString, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Filters, AddFilterTest,
    testing::Values(FilterCase { "first", "", "Text|*.TXT", "Text|*.TXT" },
        FilterCase { "second_joined", "Text|*.TXT", "All|*.*", "Text|*.TXT|All|*.*" },
        // Trailing blanks on either side are dropped where the two meet.
        FilterCase { "blanks_trimmed", "Text|*.TXT   ", "All|*.*  ", "Text|*.TXT|All|*.*" },
        FilterCase { "blank_mask_replaced", "    ", "All|*.*", "All|*.*" },
        FilterCase { "empty_ignored", "Text|*.TXT", "", "Text|*.TXT" },
        FilterCase { "blank_ignored", "Text|*.TXT", "   ", "Text|*.TXT" },
        FilterCase { "cut", std::string(250, 'a'), "Long|*.LONG", std::string(250, 'a') + "|Lon" },
        FilterCase { "first_cut", "", std::string(300, 'b'), std::string(254, 'b') }),
    [](const testing::TestParamInfo<FilterCase>& row) { return std::string(row.param.name); });

/// A selection whose dialog is replaced: it records what the dialog would be shown and what
/// the current directory was while it was up, and answers as the test says.
class RecordingSelect : public SelectFileManager {
public:
    std::uint32_t shownFlags = 0;
    std::string filter;
    std::string title;
    std::string initialDirectory;
    std::string initialName;
    std::string currentDuringDialog;
    std::optional<std::string> choose; // the name chosen; none: cancelled

protected:
    std::int32_t ShowDialog(std::uint32_t dialogFlags, const value::ValueReference& name,
        std::string_view shownFilter, std::string_view shownTitle,
        std::string_view directory) override
    {
        shownFlags = dialogFlags;
        filter = shownFilter;
        title = shownTitle;
        initialDirectory = directory;
        initialName.assign(static_cast<const char*>(name.Address()), name.Size());
        initialName.erase(initialName.find_last_not_of(' ') + 1);
        currentDuringDialog = Current();
        if (!choose)
            return 0;
        value::PushString(*choose);
        name.Pop();
        return 1;
    }
};

class SelectFileManagerTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_start.Path().empty());
        m_cwd.emplace(m_start.Path());
        value::ResetStringStack();
    }
    void TearDown() override
    {
        window::SetFileDialogHandler({});
        EXPECT_EQ(value::StackDepth(), 0) << "title and filter are always taken off";
        value::ResetStringStack();
        m_cwd.reset();
    }

    testsupport::TempDirectory m_start;
    testsupport::TempDirectory m_other;
    std::optional<testsupport::ScopedCurrentDirectory> m_cwd;
};

TEST_F(SelectFileManagerTest, AskShowsTheSettingsAndStartsInTheDefaultDirectory)
{
    RecordingSelect select;
    select.Setup();
    select.defaultFile = "START.TXT";
    select.flags = window::filedialog::kSave | window::filedialog::kKeepDirectory;
    select.SetDefaultDirectory(m_other.Path());
    select.choose = m_other / "CHOSEN.TXT";

    EXPECT_EQ(select.Ask(KeepPath::No), m_other / "CHOSEN.TXT");
    EXPECT_EQ(select.title, "Select A File");
    EXPECT_EQ(select.filter, "All Files|*.*") << "a blank mask offers every file";
    EXPECT_EQ(select.shownFlags, select.flags);
    EXPECT_EQ(select.initialName, "START.TXT");
    EXPECT_EQ(select.initialDirectory, m_other.Path());
    EXPECT_EQ(select.currentDuringDialog, m_start.Path())
        << "the default directory is never made the process's current one";
    EXPECT_EQ(Current(), m_start.Path());

    select.windowTitle = "Odaberi datoteku";
    select.AddFilter("Tekst|*.TXT");
    select.SetDefaultDirectory("");
    select.choose.reset();
    EXPECT_EQ(select.Ask(KeepPath::Yes), "");
    EXPECT_EQ(select.title, "Odaberi datoteku");
    EXPECT_EQ(select.filter, "Tekst|*.TXT");
    EXPECT_EQ(select.initialDirectory, "") << "blank: the dialog starts in the current one";
}

// Through the file dialog itself, its display replaced by a handler that plays the user.
struct AskCase {
    const char* name;
    KeepPath keepPath;
    bool confirm;            // the user chooses rather than cancels
    bool dialogMovesCurrent; // the dialog makes the chosen file's directory current
    std::size_t chosenLength;
    std::size_t expectedLength; // of the answer
    bool endsInOther;           // the current directory afterwards is the other directory
};

void PrintTo(const AskCase& c, std::ostream* os)
{
    *os << c.name;
}

class SelectFileManagerAsk
    : public SelectFileManagerTest
    , public testing::WithParamInterface<AskCase> { };

TEST_P(SelectFileManagerAsk, AnswersAndKeepsThePath)
{
    const AskCase& c = GetParam();
    SelectFileManager select;
    select.Setup();
    select.defaultFile = "START.TXT";
    select.SetDefaultDirectory(m_other.Path());
    std::string chosen = m_other.Path() + "/";
    chosen.append(c.chosenLength - chosen.size(), 'n');

    std::vector<std::uint32_t> flagsSeen;
    std::string initialName;
    std::string currentDuringDialog;
    window::SetFileDialogHandler([&](std::uint32_t flags, const value::ValueReference& name) {
        flagsSeen.push_back(flags);
        initialName.assign(static_cast<const char*>(name.Address()), name.Size());
        initialName.erase(initialName.find_last_not_of(' ') + 1);
        currentDuringDialog = Current();
        if (!c.confirm)
            return 0;
        if (c.dialogMovesCurrent)
            std::filesystem::current_path(m_other.Path());
        value::PushString(chosen);
        name.Pop();
        return 1;
    });

    const std::string answer = select.Ask(c.keepPath);
    EXPECT_EQ(answer.size(), c.expectedLength);
    if (c.confirm) {
        EXPECT_EQ(answer, chosen.substr(0, c.expectedLength));
    }
    EXPECT_EQ(flagsSeen, std::vector<std::uint32_t> { 0 });
    EXPECT_EQ(initialName, "START.TXT");
    EXPECT_EQ(currentDuringDialog, m_start.Path());
    EXPECT_EQ(Current(), c.endsInOther ? m_other.Path() : m_start.Path());
}

INSTANTIATE_TEST_SUITE_P(Dialog, SelectFileManagerAsk,
    testing::Values(AskCase { "chosen", KeepPath::No, true, false, 40, 40, false },
        AskCase { "cancelled", KeepPath::No, false, false, 40, 0, false },
        AskCase { "cancelled_keep", KeepPath::Yes, false, false, 40, 0, false },
        // The dialog moved the current directory: KeepPath puts it back, else it stays moved.
        AskCase { "moved_kept", KeepPath::Yes, true, true, 40, 40, false },
        AskCase { "moved", KeepPath::No, true, true, 40, 40, true },
        // A longer choice is cut to the 260 characters of the name.
        AskCase { "cut", KeepPath::No, true, false, 300, 260, false }),
    [](const testing::TestParamInfo<AskCase>& row) { return std::string(row.param.name); });

TEST_F(SelectFileManagerTest, KeepPathRemembersTheDirectoryItPutBack)
{
    SelectFileManager select;
    select.Setup();
    window::SetFileDialogHandler([&](std::uint32_t, const value::ValueReference&) {
        std::filesystem::current_path(m_other.Path());
        return 0;
    });
    EXPECT_EQ(select.Ask(KeepPath::Yes), "");
    EXPECT_EQ(select.savePath, m_start.Path());
    EXPECT_EQ(Current(), m_start.Path());
}

} // namespace
