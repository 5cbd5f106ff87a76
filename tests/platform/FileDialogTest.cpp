#include <platform/Display.h>
#include <platform/FileDialog.h>
#include <platform/TestDriver.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace platform;
using testsupport::TempDirectory;
using testsupport::WriteText;

namespace {

/// Runs `program` as a runtime thread beside the display while `controller` drives the
/// display from a thread of its own, as a user would.
void RunWithController(
    const std::function<void()>& program, const std::function<void()>& controller)
{
    test::SilenceHarmlessPlatformWarnings();
    RunDisplay([&] {
        // The program's queue counts for the idle test from before the controller starts: a
        // controller that found no queue busy would take the dialog not yet opened for none.
        CurrentThreadQueue();
        std::thread driver(controller);
        program();
        driver.join();
        QuitDisplay();
        return 0;
    });
}

/// What the dialog's end posted to the opening thread.
struct Finished {
    WindowHandle dialog = 0;
    std::int64_t answer = -1;
    WindowHandle window = 0;
};

/// Waits on the calling thread's queue for the end of `dialog`.
Finished WaitForEnd(WindowHandle dialog)
{
    const std::shared_ptr<MessageQueue> queue = CurrentThreadQueue();
    for (;;) {
        const Message message = queue->Take();
        if (message.message == Msg::kDialogFinished)
            return { message.id, message.wParam, message.window };
        if (message.message == Msg::kQuit)
            return { dialog, -1, 0 };
    }
}

/// The dialog the controller waits for, once the display has come to rest.
WindowHandle ShownDialog()
{
    EXPECT_TRUE(test::WaitUntilIdle());
    return test::ActiveDialog();
}

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

/// A directory holding text files in both cases, a picture, a name without a dot and a
/// directory.
struct Folder {
    TempDirectory temp;
    Folder()
    {
        WriteText(temp / "zapisnik.txt", "1");
        WriteText(temp / "STARO.TXT", "2");
        WriteText(temp / "slika.png", "3");
        WriteText(temp / "bez_tocke", "4");
        std::filesystem::create_directory(temp / "mapa");
    }
    std::string operator/(std::string_view name) const { return temp / name; }
    const std::string& Path() const { return temp.Path(); }
};

FileDialogOptions Options(FileDialogMode mode, const Folder& folder)
{
    FileDialogOptions options;
    options.mode = mode;
    options.initialDirectory = folder.Path();
    return options;
}

WindowOptions Owner(std::string title)
{
    WindowOptions options;
    options.title = std::move(title);
    options.rect = { 40, 40, 320, 200 };
    return options;
}

} // namespace

TEST(FileDialogTest, WithoutADisplayNothingOpens)
{
    EXPECT_EQ(OpenFileDialog(FileDialogOptions {}), 0U);
    EXPECT_TRUE(TakeFileDialogAnswer(1).empty());
}

// What the dialog lists, for each file type: patterns match without regard to case, "*.*"
// lists names without a dot too, directories are always listed.
TEST(FileDialogTest, ListsWhatTheFileTypeInForceMatches)
{
    struct Row {
        const char* name;
        std::vector<std::string> patterns;
        std::vector<std::string> listed;
    };
    const std::vector<Row> rows {
        { "upper-case pattern lists lower-case names", { "*.TXT" },
            { "STARO.TXT", "mapa", "zapisnik.txt" } },
        { "lower-case pattern lists upper-case names", { "*.txt" },
            { "STARO.TXT", "mapa", "zapisnik.txt" } },
        { "several patterns", { "*.png", "z*" }, { "mapa", "slika.png", "zapisnik.txt" } },
        { "every file", { "*.*" },
            { "STARO.TXT", "bez_tocke", "mapa", "slika.png", "zapisnik.txt" } },
        { "nothing matches", { "*.doc" }, { "mapa" } },
    };
    Folder folder;
    std::vector<std::optional<test::FileDialogView>> views;
    RunWithController(
        [&] {
            for (const Row& row : rows) {
                FileDialogOptions options = Options(FileDialogMode::Open, folder);
                options.filters = { { "Vrsta", row.patterns } };
                const WindowHandle dialog = OpenFileDialog(options);
                ASSERT_NE(dialog, 0U);
                WaitForEnd(dialog);
            }
        },
        [&] {
            for (std::size_t index = 0; index < rows.size(); ++index) {
                const WindowHandle dialog = ShownDialog();
                views.push_back(test::DescribeFileDialog(dialog));
                test::AnswerFileDialog(dialog, {});
            }
        });
    ASSERT_EQ(views.size(), rows.size());
    for (std::size_t index = 0; index < rows.size(); ++index) {
        SCOPED_TRACE(rows[index].name);
        ASSERT_TRUE(views[index]);
        EXPECT_EQ(Sorted(views[index]->listed), rows[index].listed);
        EXPECT_EQ(views[index]->filters, std::vector<std::string> { "Vrsta" });
    }
}

TEST(FileDialogTest, ShowsItsTitleFiltersDirectoryAndName)
{
    Folder folder;
    std::optional<test::FileDialogView> given;
    std::optional<test::FileDialogView> plain;
    std::optional<test::FileDialogView> named;
    std::optional<test::FileDialogView> directory;
    RunWithController(
        [&] {
            FileDialogOptions options = Options(FileDialogMode::Save, folder);
            options.title = "Spremi zapisnik";
            options.filters = { { "Tekst (*.txt)", { "*.txt" } }, { "Sve datoteke", { "*.*" } } };
            options.initialName = "novi.txt";
            WaitForEnd(OpenFileDialog(options));

            // No title and no filters: the toolkit's caption, every file listed.
            WaitForEnd(OpenFileDialog(Options(FileDialogMode::Open, folder)));

            // A name with a directory part starts in that directory.
            options = Options(FileDialogMode::Open, folder);
            options.initialDirectory = "/";
            options.initialName = folder / "mapa/nova.txt";
            WaitForEnd(OpenFileDialog(options));

            options = Options(FileDialogMode::Directory, folder);
            options.filters = { { "Tekst", { "*.txt" } } };
            WaitForEnd(OpenFileDialog(options));
        },
        [&] {
            for (auto* view : { &given, &plain, &named, &directory }) {
                const WindowHandle dialog = ShownDialog();
                *view = test::DescribeFileDialog(dialog);
                test::AnswerFileDialog(dialog, {});
            }
        });
    ASSERT_TRUE(given && plain && named && directory);
    EXPECT_EQ(given->title, "Spremi zapisnik");
    EXPECT_EQ(given->filters, (std::vector<std::string> { "Tekst (*.txt)", "Sve datoteke" }));
    EXPECT_EQ(given->directory, folder.Path());
    EXPECT_EQ(given->fileName, "novi.txt");
    EXPECT_TRUE(given->save);
    EXPECT_FALSE(given->directoryChoice);
    EXPECT_EQ(
        Sorted(given->listed), (std::vector<std::string> { "STARO.TXT", "mapa", "zapisnik.txt" }));

    EXPECT_FALSE(plain->title.empty());
    EXPECT_FALSE(plain->save);
    EXPECT_EQ(Sorted(plain->listed),
        (std::vector<std::string> {
            "STARO.TXT", "bez_tocke", "mapa", "slika.png", "zapisnik.txt" }));

    EXPECT_EQ(named->directory, folder / "mapa");
    EXPECT_EQ(named->fileName, "nova.txt");

    EXPECT_TRUE(directory->directoryChoice);
    EXPECT_NE(directory->title, plain->title);
    EXPECT_EQ(directory->listed, std::vector<std::string> { "mapa" });
}

TEST(FileDialogTest, AnEndIsPostedToTheOpenerAndTheAnswerTakenOnce)
{
    Folder folder;
    const std::string croatian = folder / "čćđšž ČĆĐŠŽ.txt";
    WriteText(croatian, "x");
    struct Outcome {
        Finished finished;
        std::vector<std::string> answer;
        std::vector<std::string> again;
    };
    std::vector<Outcome> outcomes;
    std::vector<WindowHandle> dialogs;
    WindowHandle owner = 0;
    RunWithController(
        [&] {
            owner = CreateWindow(Owner("Vlasnik"));
            const auto run = [&](FileDialogOptions options) {
                options.owner = owner;
                const WindowHandle dialog = OpenFileDialog(options);
                dialogs.push_back(dialog);
                Outcome outcome;
                outcome.finished = WaitForEnd(dialog);
                outcome.answer = TakeFileDialogAnswer(dialog);
                outcome.again = TakeFileDialogAnswer(dialog);
                outcomes.push_back(outcome);
            };
            run(Options(FileDialogMode::Open, folder));
            run(Options(FileDialogMode::Open, folder));
            FileDialogOptions several = Options(FileDialogMode::Open, folder);
            several.multiple = true;
            run(several);
            run(Options(FileDialogMode::Directory, folder));
            DestroyWindow(owner);
        },
        [&] {
            test::AnswerFileDialog(ShownDialog(), { croatian });
            test::AnswerFileDialog(ShownDialog(), {});
            test::AnswerFileDialog(
                ShownDialog(), { folder / "zapisnik.txt", folder / "slika.png" });
            test::AnswerFileDialog(ShownDialog(), { folder / "mapa" });
        });
    ASSERT_EQ(outcomes.size(), 4U);
    for (std::size_t index = 0; index < outcomes.size(); ++index) {
        SCOPED_TRACE(index);
        EXPECT_EQ(outcomes[index].finished.dialog, dialogs[index]);
        EXPECT_EQ(outcomes[index].finished.window, owner);
        EXPECT_TRUE(outcomes[index].again.empty());
    }
    EXPECT_EQ(outcomes[0].finished.answer, 1);
    EXPECT_EQ(outcomes[0].answer, std::vector<std::string> { croatian });
    EXPECT_EQ(outcomes[1].finished.answer, 0);
    EXPECT_TRUE(outcomes[1].answer.empty());
    EXPECT_EQ(outcomes[2].finished.answer, 1);
    EXPECT_EQ(outcomes[2].answer,
        (std::vector<std::string> { folder / "zapisnik.txt", folder / "slika.png" }));
    EXPECT_EQ(outcomes[3].finished.answer, 1);
    EXPECT_EQ(outcomes[3].answer, std::vector<std::string> { folder / "mapa" });
}

// An open that insists on an existing file cannot be confirmed with a new name; a lenient one
// can. A save asks before it replaces a file unless told not to, and No leaves it open.
TEST(FileDialogTest, ExistenceAndOverwriteChecks)
{
    Folder folder;
    std::vector<bool> accepted;
    std::vector<std::string> questions;
    std::vector<std::int64_t> answers;
    RunWithController(
        [&] {
            FileDialogOptions strict = Options(FileDialogMode::Open, folder);
            answers.push_back(WaitForEnd(OpenFileDialog(strict)).answer);
            FileDialogOptions lenient = strict;
            lenient.mustExist = false;
            answers.push_back(WaitForEnd(OpenFileDialog(lenient)).answer);
            FileDialogOptions save = Options(FileDialogMode::Save, folder);
            answers.push_back(WaitForEnd(OpenFileDialog(save)).answer);
            save.confirmOverwrite = false;
            answers.push_back(WaitForEnd(OpenFileDialog(save)).answer);
        },
        [&] {
            const std::string missing = folder / "nema.txt";
            WindowHandle dialog = ShownDialog();
            accepted.push_back(test::AnswerFileDialog(dialog, { missing }));
            EXPECT_EQ(ShownDialog(), dialog) << "still up";
            test::AnswerFileDialog(dialog, {});

            accepted.push_back(test::AnswerFileDialog(ShownDialog(), { missing }));

            dialog = ShownDialog();
            accepted.push_back(test::AnswerFileDialog(dialog, { folder / "zapisnik.txt" }));
            EXPECT_EQ(ShownDialog(), dialog);
            questions.push_back(
                test::DescribeFileDialog(dialog).value_or(test::FileDialogView {}).question);
            EXPECT_TRUE(test::AnswerFileDialogQuestion(dialog, test::QuestionReply::No));
            EXPECT_EQ(ShownDialog(), dialog) << "No keeps the dialog up";
            EXPECT_TRUE(test::AnswerFileDialog(dialog, { folder / "zapisnik.txt" }));
            EXPECT_TRUE(test::WaitUntilIdle());
            EXPECT_TRUE(test::AnswerFileDialogQuestion(dialog, test::QuestionReply::Yes));

            // Without the question the press ends the dialog at once.
            accepted.push_back(test::AnswerFileDialog(ShownDialog(), { folder / "zapisnik.txt" }));
        });
    EXPECT_EQ(accepted, (std::vector<bool> { false, true, true, true }));
    EXPECT_EQ(answers, (std::vector<std::int64_t> { 0, 1, 1, 1 }));
    ASSERT_EQ(questions.size(), 1U);
    EXPECT_NE(questions[0].find("zapisnik.txt"), std::string::npos) << questions[0];
}

TEST(FileDialogTest, NextAnswerIsGivenAsSoonAsTheDialogOpens)
{
    Folder folder;
    Finished finished;
    std::vector<std::string> answer;
    RunWithController(
        [&] {
            test::AnswerNextFileDialog({ folder / "slika.png" });
            const WindowHandle dialog = OpenFileDialog(Options(FileDialogMode::Open, folder));
            finished = WaitForEnd(dialog);
            answer = TakeFileDialogAnswer(dialog);
        },
        [] {});
    EXPECT_EQ(finished.answer, 1);
    EXPECT_EQ(answer, std::vector<std::string> { folder / "slika.png" });
}

TEST(FileDialogTest, ADestroyedDialogPostsNoEndAndAGoneOwnerOpensNone)
{
    Folder folder;
    std::shared_ptr<MessageQueue> programQueue;
    std::promise<std::shared_ptr<MessageQueue>> queueKnown;
    WindowHandle seen = 0;
    bool gone = false;
    std::vector<std::uint32_t> taken;
    WindowHandle refused = 1;
    RunWithController(
        [&] {
            queueKnown.set_value(CurrentThreadQueue());
            const WindowHandle dialog = OpenFileDialog(Options(FileDialogMode::Open, folder));
            // The controller destroys the dialog, then wakes this thread.
            for (Message message = CurrentThreadQueue()->Take(); message.message != Msg::kNull;
                 message = CurrentThreadQueue()->Take())
                taken.push_back(message.message);
            gone = !IsWindow(dialog);

            const WindowHandle owner = CreateWindow(Owner("Prolazni"));
            DestroyWindow(owner);
            FileDialogOptions options = Options(FileDialogMode::Open, folder);
            options.owner = owner;
            refused = OpenFileDialog(options);
        },
        [&] {
            const std::shared_ptr<MessageQueue> queue = queueKnown.get_future().get();
            seen = ShownDialog();
            DestroyWindow(seen);
            EXPECT_TRUE(test::WaitUntilIdle());
            queue->Post(Message {});
        });
    EXPECT_NE(seen, 0U);
    EXPECT_TRUE(gone);
    EXPECT_TRUE(taken.empty());
    EXPECT_EQ(refused, 0U);
}
