#include <files/ErrorState.h>
#include <platform/Display.h>
#include <platform/Path.h>
#include <platform/TestDriver.h>
#include <value/StringStack.h>
#include <value/ValueReference.h>
#include <window/DisplayWindow.h>
#include <window/Engine.h>
#include <window/FileDialog.h>
#include <window/ThreadTable.h>

#include <gtest/gtest.h>

#include <common/RuntimeBesideDisplay.h>
#include <common/TestSupport.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using namespace window;
namespace test = platform::test;

using testsupport::RunWithController;
using testsupport::TempDirectory;
using testsupport::WriteText;

namespace {

/// A file name with Croatian letters, on disk (UTF-8) and in the runtime (Windows-1250).
const std::string kCroatianUtf8 = "čćđšž.txt";
const std::string kCroatianAnsi = "\xE8\xE6\xF0\x9A\x9E.txt";
/// A name Windows-1250 cannot spell.
const std::string kForeignUtf8 = "日本.txt";

/// The directory the dialogs start in: two plain files, one with Croatian letters, one with
/// letters Windows-1250 lacks, and a directory.
struct Folder {
    TempDirectory temp;
    Folder()
    {
        for (const std::string_view name :
            { std::string_view("zapisnik.txt"), std::string_view("slika.png"),
                std::string_view(kCroatianUtf8), std::string_view(kForeignUtf8) })
            WriteText(temp / name, "x");
        std::filesystem::create_directory(temp / "mapa");
    }
    std::string operator/(std::string_view name) const { return temp / name; }
    const std::string& Path() const { return temp.Path(); }
};

/// A STRING variable of the calling procedure.
class Variable {
public:
    Variable(std::uint32_t size, std::string_view value)
        : m_storage(size, ' ')
    {
        value::AssignString(
            m_storage.data(), size, value.data(), static_cast<std::int64_t>(value.size()));
    }
    value::ValueReference Reference()
    {
        return *value::ValueReference::Make(value::TypeCode::String, m_storage.data(),
            static_cast<std::uint32_t>(m_storage.size()));
    }
    /// The value without its trailing blanks.
    std::string Value() const
    {
        const std::size_t end = m_storage.find_last_not_of(' ');
        return end == std::string::npos ? std::string() : m_storage.substr(0, end + 1);
    }

private:
    std::string m_storage;
};

/// What one FileDialog call left behind.
struct Call {
    std::int32_t result = -1;
    std::string variable;
    int stackChange = -1;
    std::int32_t error = -1;
};

/// Calls FileDialog as generated code does: filter pushed first, the title last.
Call ShowDialog(std::uint32_t flags, Variable& variable, std::string_view filter,
    std::string_view title, std::string_view start)
{
    const int depth = value::StackDepth();
    files::PostError(99); // whatever was there before the dialog
    value::PushString(filter);
    value::PushString(title);
    Call call;
    call.result = FileDialog(flags, variable.Reference(), start);
    call.stackChange = value::StackDepth() - depth;
    call.variable = variable.Value();
    call.error = files::ErrorCode();
    return call;
}

/// The dialog the controller waits for, once the display has come to rest.
platform::WindowHandle ShownDialog()
{
    EXPECT_TRUE(test::WaitUntilIdle());
    return test::ActiveDialog();
}

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

/// Puts the process's current directory back at the end of the scope.
class CurrentDirectoryKept {
public:
    CurrentDirectoryKept()
        : m_saved(std::filesystem::current_path())
    {
    }
    ~CurrentDirectoryKept() { std::filesystem::current_path(m_saved); }
    CurrentDirectoryKept(const CurrentDirectoryKept&) = delete;
    CurrentDirectoryKept& operator=(const CurrentDirectoryKept&) = delete;

private:
    std::filesystem::path m_saved;
};

constexpr std::uint32_t kKeep = filedialog::kKeepDirectory;

// The answer the variable receives, and what a cancel or a refused name leaves.
TEST(FileDialogDisplay, AnswersAreWrittenToTheVariable)
{
    Folder folder;
    const std::string d = folder.Path();
    struct Row {
        const char* name;
        std::uint32_t flags;
        std::vector<std::string> chosen; ///< in the folder; none: Cancel
        std::uint32_t size;
        std::int32_t result;
        std::string variable;
        std::int32_t error;
    };
    const std::vector<Row> rows {
        { "one file", kKeep, { "zapisnik.txt" }, 260, 1, d + "/zapisnik.txt", 0 },
        { "cancel leaves the variable", kKeep, {}, 260, 0, "staro", 0 },
        { "several allowed, one chosen: a plain path", kKeep | filedialog::kMultiple,
            { "zapisnik.txt" }, 260, 1, d + "/zapisnik.txt", 0 },
        { "several chosen: the directory, then each name", kKeep | filedialog::kMultiple,
            { "zapisnik.txt", "slika.png" }, 260, 1, d + "|zapisnik.txt|slika.png", 0 },
        { "several in new style", kKeep | filedialog::kMultiple | filedialog::kNewStyle,
            { "slika.png", "zapisnik.txt" }, 260, 1, d + "|slika.png|zapisnik.txt", 0 },
        { "a directory with a trailing separator", kKeep | filedialog::kDirectory, { "mapa" }, 260,
            1, d + "/mapa/", 0 },
        { "cut to the variable's size", kKeep, { "zapisnik.txt" },
            static_cast<std::uint32_t>(d.size() + 4), 1, d + "/zap", 0 },
        { "Croatian letters in Windows-1250", kKeep, { kCroatianUtf8 }, 260, 1,
            d + "/" + kCroatianAnsi, 0 },
        { "a name Windows-1250 cannot spell is refused", kKeep, { kForeignUtf8 }, 260, 0, "staro",
            45 },
        { "lenient open takes a new name", kKeep | filedialog::kLenient, { "novo.txt" }, 260, 1,
            d + "/novo.txt", 0 },
        { "lenient save takes a new name", kKeep | filedialog::kSave | filedialog::kLenient,
            { "novo.txt" }, 260, 1, d + "/novo.txt", 0 },
    };
    std::vector<Call> calls;
    std::int32_t modalAfter = -1;
    RunWithController(
        [&] {
            for (const Row& row : rows) {
                Variable variable(row.size, "staro");
                calls.push_back(ShowDialog(row.flags, variable, "", "", d));
            }
            modalAfter = ModalCount();
        },
        [&] {
            for (const Row& row : rows) {
                std::vector<std::string> paths;
                for (const std::string& name : row.chosen)
                    paths.push_back(folder / name);
                EXPECT_TRUE(test::AnswerFileDialog(ShownDialog(), paths)) << row.name;
            }
        });
    ASSERT_EQ(calls.size(), rows.size());
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const Row& row = rows[index];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(calls[index].result, row.result);
        EXPECT_EQ(calls[index].variable, row.variable);
        EXPECT_EQ(calls[index].error, row.error);
        EXPECT_EQ(calls[index].stackChange, 0);
    }
    EXPECT_EQ(modalAfter, 0);
}

// What the dialog shows for the filter, title, flags and variable it is given. Each is
// cancelled: the variable stays and both stack values are gone.
TEST(FileDialogDisplay, ShowsWhatItIsGiven)
{
    Folder folder;
    const std::string d = folder.Path();
    struct Row {
        const char* name;
        std::uint32_t flags;
        std::string filter;
        std::string title;
        std::string value;
        std::vector<std::string> filters;
        std::string fileName;
        std::string titleShown;          ///< empty: the toolkit's own, not empty
        std::vector<std::string> listed; ///< empty: not looked at
    };
    const std::string longTitle(100, 'N');
    const std::vector<Row> rows {
        { "an empty filter shows every file", 0, "", "", "zapisnik.txt", { "All Files (*.*)" },
            "zapisnik.txt", "",
            Sorted({ "mapa", "slika.png", "zapisnik.txt", kCroatianUtf8, kForeignUtf8 }) },
        { "several pairs; patterns regardless of case", 0, "Tekst (*.TXT)|*.TXT|Slike|*.png;*.bmp",
            "Odaberi zapisnik", "", { "Tekst (*.TXT)", "Slike" }, "", "Odaberi zapisnik",
            Sorted({ "mapa", "zapisnik.txt", kCroatianUtf8, kForeignUtf8 }) },
        { "the list ends at an empty part", 0, "Tekst|*.txt||Slike|*.png", "", "", { "Tekst" }, "",
            "", {} },
        { "a description without patterns is no entry", 0, "Tekst|*.txt|Slike", "", "", { "Tekst" },
            "", "", {} },
        { "a blank-padded filter and title", 0, "Tekst|*.txt   ", "Naslov   ", "", { "Tekst" }, "",
            "Naslov", {} },
        { "the title is cut to 80", 0, "", longTitle, "", { "All Files (*.*)" }, "",
            longTitle.substr(0, 80), {} },
        { "Croatian letters in the name", 0, "", "",
            "\xE8"
            "a.txt",
            { "All Files (*.*)" }, "ča.txt", "", {} },
        { "a wildcard does not parse", 0, "", "", "*.txt", { "All Files (*.*)" }, "", "", {} },
        { "a directory path does not parse", 0, "", "", d + "/", { "All Files (*.*)" }, "", "",
            {} },
        { "a control character does not parse", 0, "", "", "ime\x01.txt", { "All Files (*.*)" }, "",
            "", {} },
        { "an undefined byte does not parse", 0, "", "", "ime\x81.txt", { "All Files (*.*)" }, "",
            "", {} },
        { "a name too long does not parse", 0, "", "", std::string(256, 'a'), { "All Files (*.*)" },
            "", "", {} },
    };
    std::vector<Call> calls;
    std::vector<std::optional<test::FileDialogView>> views;
    RunWithController(
        [&] {
            for (const Row& row : rows) {
                Variable variable(300, row.value);
                calls.push_back(ShowDialog(row.flags, variable, row.filter, row.title, d));
            }
        },
        [&] {
            for (std::size_t index = 0; index < rows.size(); ++index) {
                const platform::WindowHandle dialog = ShownDialog();
                views.push_back(test::DescribeFileDialog(dialog));
                test::AnswerFileDialog(dialog, {});
            }
        });
    ASSERT_EQ(views.size(), rows.size());
    ASSERT_EQ(calls.size(), rows.size());
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const Row& row = rows[index];
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(views[index]);
        const test::FileDialogView& view = *views[index];
        EXPECT_EQ(view.filters, row.filters);
        EXPECT_EQ(view.fileName, row.fileName);
        EXPECT_EQ(view.directory, d);
        EXPECT_FALSE(view.save);
        if (row.titleShown.empty()) {
            EXPECT_FALSE(view.title.empty());
        } else {
            EXPECT_EQ(view.title, row.titleShown);
        }
        if (!row.listed.empty()) {
            EXPECT_EQ(Sorted(view.listed), row.listed);
        }
        EXPECT_EQ(calls[index].result, 0);
        EXPECT_EQ(calls[index].variable, Variable(300, row.value).Value());
        EXPECT_EQ(calls[index].stackChange, 0);
        EXPECT_EQ(calls[index].error, 0);
    }
}

TEST(FileDialogDisplay, SaveAndDirectoryDialogsStartWhereTheyShould)
{
    Folder folder;
    std::optional<test::FileDialogView> save;
    std::optional<test::FileDialogView> directory;
    std::optional<test::FileDialogView> directoryFromArgument;
    RunWithController(
        [&] {
            Variable name(260, "novi.txt");
            ShowDialog(filedialog::kSave, name, "", "", folder.Path());
            // A directory dialog starts in the directory the variable names.
            Variable start(260, folder / "mapa");
            ShowDialog(filedialog::kDirectory, start, "Tekst|*.txt", "", folder.Path());
            Variable empty(260, "");
            ShowDialog(filedialog::kDirectory, empty, "", "", folder / "mapa");
        },
        [&] {
            for (auto* view : { &save, &directory, &directoryFromArgument }) {
                const platform::WindowHandle dialog = ShownDialog();
                *view = test::DescribeFileDialog(dialog);
                test::AnswerFileDialog(dialog, {});
            }
        });
    ASSERT_TRUE(save && directory && directoryFromArgument);
    EXPECT_TRUE(save->save);
    EXPECT_EQ(save->fileName, "novi.txt");
    EXPECT_TRUE(directory->directoryChoice);
    EXPECT_EQ(directory->directory, folder / "mapa");
    EXPECT_TRUE(directory->listed.empty()) << "only directories, and mapa has none";
    EXPECT_EQ(directoryFromArgument->directory, folder / "mapa");
}

// A save asks before it replaces a file, unless lenient; No leaves the dialog up.
TEST(FileDialogDisplay, SaveAsksBeforeReplacingUnlessLenient)
{
    Folder folder;
    const std::string existing = folder / "zapisnik.txt";
    std::vector<Call> calls;
    std::string question;
    bool upAfterNo = false;
    std::optional<test::FileDialogView> afterLenient;
    RunWithController(
        [&] {
            Variable first(260, "");
            calls.push_back(ShowDialog(kKeep | filedialog::kSave, first, "", "", folder.Path()));
            Variable second(260, "");
            calls.push_back(ShowDialog(
                kKeep | filedialog::kSave | filedialog::kLenient, second, "", "", folder.Path()));
        },
        [&] {
            const platform::WindowHandle dialog = ShownDialog();
            EXPECT_TRUE(test::AnswerFileDialog(dialog, { existing }));
            EXPECT_TRUE(test::WaitUntilIdle());
            question = test::DescribeFileDialog(dialog).value_or(test::FileDialogView {}).question;
            EXPECT_TRUE(test::AnswerFileDialogQuestion(dialog, test::QuestionReply::No));
            upAfterNo = ShownDialog() == dialog;
            EXPECT_TRUE(test::AnswerFileDialog(dialog, { existing }));
            EXPECT_TRUE(test::WaitUntilIdle());
            EXPECT_TRUE(test::AnswerFileDialogQuestion(dialog, test::QuestionReply::Yes));

            const platform::WindowHandle lenient = ShownDialog();
            EXPECT_TRUE(test::AnswerFileDialog(lenient, { existing }));
        });
    EXPECT_NE(question.find("zapisnik.txt"), std::string::npos) << question;
    EXPECT_TRUE(upAfterNo);
    ASSERT_EQ(calls.size(), 2U);
    for (const Call& call : calls) {
        EXPECT_EQ(call.result, 1);
        EXPECT_EQ(call.variable, existing);
    }
}

// Without kKeepDirectory a confirmed choice makes its directory the current one.
TEST(FileDialogDisplay, TheCurrentDirectoryFollowsTheChoiceUnlessKept)
{
    Folder folder;
    WriteText(folder / "mapa/unutra.txt", "x");
    const CurrentDirectoryKept kept;
    std::filesystem::current_path(folder.Path());
    struct Row {
        const char* name;
        std::uint32_t flags;
        std::string chosen;
        std::string current;
    };
    const std::vector<Row> rows {
        { "kept", kKeep, folder / "mapa/unutra.txt", folder.Path() },
        { "a file's directory", 0, folder / "mapa/unutra.txt", folder / "mapa" },
        { "cancel changes nothing", 0, "", folder / "mapa" },
        { "a chosen directory", filedialog::kDirectory, folder.Path(), folder.Path() },
        { "a file in the root", filedialog::kLenient, "/nema-ga-ovdje.txt", "/" },
    };
    std::vector<std::string> currents;
    RunWithController(
        [&] {
            for (const Row& row : rows) {
                Variable variable(260, "");
                ShowDialog(row.flags, variable, "", "", folder.Path());
                const platform::Result<std::string> current = platform::CurrentDirectory();
                currents.push_back(current ? *current : std::string());
            }
        },
        [&] {
            for (const Row& row : rows) {
                std::vector<std::string> chosen;
                if (!row.chosen.empty())
                    chosen.push_back(row.chosen);
                test::AnswerFileDialog(ShownDialog(), chosen);
            }
        });
    ASSERT_EQ(currents.size(), rows.size());
    for (std::size_t index = 0; index < rows.size(); ++index) {
        SCOPED_TRACE(rows[index].name);
        EXPECT_EQ(currents[index], rows[index].current);
    }
}

TEST(FileDialogDisplay, AnInstalledHandlerIsCalledInsteadOfTheDialog)
{
    std::vector<std::uint32_t> flagsSeen;
    const void* addressSeen = nullptr;
    Call replaced;
    Call restored;
    const char* variableAddress = nullptr;
    RunWithController(
        [&] {
            SetFileDialogHandler(
                [&](std::uint32_t flags, const value::ValueReference& variable) -> std::int32_t {
                    flagsSeen.push_back(flags);
                    addressSeen = variable.Address();
                    value::PushString("iz zamjene");
                    variable.Pop();
                    return 7;
                });
            Variable variable(40, "staro");
            variableAddress = static_cast<const char*>(variable.Reference().Address());
            replaced = ShowDialog(
                filedialog::kSave | filedialog::kMultiple, variable, "Tekst|*.txt", "Naslov", "");
            SetFileDialogHandler({});
            Variable other(40, "staro");
            restored = ShowDialog(0, other, "", "", "");
        },
        [&] { test::AnswerFileDialog(ShownDialog(), {}); });
    EXPECT_EQ(flagsSeen, std::vector<std::uint32_t> { filedialog::kSave | filedialog::kMultiple });
    EXPECT_EQ(addressSeen, variableAddress);
    EXPECT_EQ(replaced.result, 7);
    EXPECT_EQ(replaced.variable, "iz zamjene");
    EXPECT_EQ(replaced.stackChange, 0);
    EXPECT_EQ(restored.result, 0) << "the dialog is back, and was cancelled";
    EXPECT_EQ(restored.stackChange, 0);
}

platform::WindowOptions Plain(std::string title, std::int32_t x)
{
    platform::WindowOptions options;
    options.title = std::move(title);
    options.rect = { x, 40, 300, 160 };
    return options;
}

// A second thread shows the dialog over its own window; the first thread's window still takes
// input (the lock is released), and when the program ends the dialog is taken down.
TEST(FileDialogDisplay, ThreadAskedToEndTakesItsDialogDown)
{
    Folder folder;
    std::atomic<std::int32_t> answer { 99 };
    std::atomic<platform::WindowHandle> dialogAfter { 1 };
    std::atomic<bool> variableKept { false };
    platform::WindowHandle dialogSeen = 0;
    platform::WindowHandle ownerSeen = 0;
    RunWithController(
        [&] {
            const auto worker = [&](std::vector<std::string>) {
                DisplayWindow own(Plain("Radnik", 360));
                OpenWindow(own);
                Variable variable(260, "staro");
                answer = ShowDialog(0, variable, "", "", folder.Path()).result;
                variableKept = variable.Value() == "staro";
                dialogAfter = test::ActiveDialog();
            };
            ASSERT_NE(StartThread(worker, 0), 0);
            DisplayWindow first(Plain("Prvi", 40));
            ASSERT_TRUE(OpenWindow(first));
            Accept([] { return 0; });
        },
        [&] {
            dialogSeen = ShownDialog();
            ownerSeen = test::FindWindowByTitle("Radnik");
            test::RequestClose(test::FindWindowByTitle("Prvi"));
        });
    EXPECT_NE(dialogSeen, 0U);
    EXPECT_NE(ownerSeen, 0U);
    EXPECT_EQ(answer, 0);
    EXPECT_TRUE(variableKept);
    EXPECT_EQ(dialogAfter, 0U);
}

} // namespace
