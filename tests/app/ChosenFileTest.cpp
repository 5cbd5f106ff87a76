// How a chosen file's name reaches the hash window: the file dialog's answer in the runtime's
// spelling, the hash window's verdict on it or on a dropped file, and a refusal as the user
// meets it. A name is taken whole or refused: never cut, never altered.

#include "ProgramStart.h"

#include <app/SelectInputFile.h>
#include <platform/DisplayDrops.h>
#include <window/FileDialog.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using app::NameRefusal;
using platform::DropRefusal;
using namespace std::string_literals;

TEST(ChosenFileTest, TheHashWindowTakesANameWholeOrSaysWhyNot)
{
    const std::string folder = "/" + std::string(99, 'd') + "/";
    struct Case {
        const char* what;
        platform::DroppedName chosen;
        NameRefusal verdict;
    };
    const Case cases[] = {
        { "a path", { DropRefusal::None, "/home/ana/abc.txt" }, NameRefusal::None },
        { "Croatian letters (Windows-1250)",
            { DropRefusal::None,
                "/tmp/\x9A"
                "ifra \xE8.txt" },
            NameRefusal::None },
        { "126 characters, as many as the entry holds",
            { DropRefusal::None, folder + std::string(126 - folder.size(), 'f') },
            NameRefusal::None },
        { "127 characters", { DropRefusal::None, folder + std::string(127 - folder.size(), 'f') },
            NameRefusal::TooLong },
        { "a blank at the end", { DropRefusal::None, "/tmp/abc.txt " },
            NameRefusal::TrailingBlank },
        { "a blank inside", { DropRefusal::None, "/tmp/a b.txt" }, NameRefusal::None },
        { "a tab at the end (kept by the entry)", { DropRefusal::None, "/tmp/abc\t" },
            NameRefusal::None },
        { "no name", { DropRefusal::None, "" }, NameRefusal::NotLocal },
        { "refused by the drop: unspellable", { DropRefusal::Unspellable, "/tmp/?.txt" },
            NameRefusal::Unspellable },
        { "refused by the drop: no file of this machine",
            { DropRefusal::NotLocal, "https://example.com/a" }, NameRefusal::NotLocal },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(app::JudgeChosenFile(c.chosen), c.verdict);
    }
}

TEST(ChosenFileTest, ADroppedPathIsItsWindows1250FormOrRefused)
{
    const platform::DroppedName croatian
        = platform::display::DroppedLocalFile("/tmp/\xC5\xA1ifra \xC4\x8D.txt");
    EXPECT_EQ(croatian.refusal, DropRefusal::None);
    EXPECT_EQ(croatian.name,
        "/tmp/\x9A"
        "ifra \xE8.txt");
    for (const std::string& path : { "/tmp/\xE4\xB8\xAD.txt"s, "/tmp/\xC3(.txt"s }) {
        SCOPED_TRACE(path);
        const platform::DroppedName refused = platform::display::DroppedLocalFile(path);
        EXPECT_EQ(refused.refusal, DropRefusal::Unspellable);
        EXPECT_EQ(refused.name.find('?'), 5u) << "shown, with a stand-in";
    }
}

TEST(ChosenFileTest, TheDialogsAnswerIsWholeOrThereIsNone)
{
    namespace fd = window::filedialog;
    struct Case {
        const char* what;
        std::uint32_t flags;
        std::vector<std::string> paths;
        std::optional<std::string> answer;
    };
    const Case cases[] = {
        { "one file", 0, { "/home/ana/\xC5\xA1ifra.txt" },
            "/home/ana/\x9A"
            "ifra.txt" },
        { "a name Windows-1250 cannot spell", 0, { "/tmp/\xE4\xB8\xAD.txt" }, std::nullopt },
        { "a name ending in a blank", fd::kSave, { "/tmp/abc.txt " }, std::nullopt },
        { "a directory", fd::kDirectory, { "/home/ana" }, "/home/ana/" },
        { "a directory ending in a blank", fd::kDirectory, { "/tmp/mapa " }, "/tmp/mapa /" },
        { "the root", fd::kDirectory, { "/" }, "/" },
        { "several in one directory", fd::kMultiple, { "/home/a.txt", "/home/b c.txt" },
            "/home|a.txt|b c.txt" },
        { "several, one elsewhere", fd::kMultiple, { "/home/a.txt", "/srv/b.txt" },
            "/home|a.txt|/srv/b.txt" },
        { "several in the root", fd::kMultiple, { "/a", "/b" }, "/|a|b" },
        { "several, the last ending in a blank", fd::kMultiple, { "/home/a.txt", "/home/b " },
            std::nullopt },
        { "several, one unspellable", fd::kMultiple, { "/home/a.txt", "/home/\xE4\xB8\xAD" },
            std::nullopt },
        { "one of several allowed", fd::kMultiple, { "/home/a.txt" }, "/home/a.txt" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(window::FileDialogAnswer(c.flags, c.paths), c.answer);
    }
}

/// A dropped file whose name ends in a blank is refused with the reason, and the file chosen
/// before stays chosen: the entry, blank-padded, would have named another file.
TEST(ChosenFileTest, ADroppedNameEndingInABlankIsRefusedAndTheChoiceBeforeKept)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            using namespace startup;
            const testsupport::TempDirectory directory;
            testsupport::WriteText(directory / "abc.txt", "abc");
            testsupport::WriteText(directory / "abc.txt ", "not abc");
            const testsupport::ScopedEnvironment named("VARN_WIN_INI", directory / "win.ini");
            const testsupport::ScopedCurrentDirectory inside(directory.Path());
            RunProgramAndExit([&](platform::WindowHandle frame, Checks& checks) {
                const platform::WindowHandle window = OpenHashWindow(frame, checks);
                if (window == 0)
                    return;
                checks.Expect(test::DropFiles(window, { directory / "abc.txt" }), "taken");
                test::WaitUntilIdle();
                checks.ExpectEqual(AnswerMessage(), "", "the first drop is taken");
                checks.Expect(test::DropFiles(window, { directory / "abc.txt " }), "taken");
                test::WaitUntilIdle();
                checks.ExpectHas(AnswerMessage(),
                    "zavr\xC5\xA1"
                    "ava razmakom",
                    "the reason");
                checks.ExpectEqual(test::TextOf(Control(window, kFileEntry)), directory / "abc.txt",
                    "the choice before");
                Press(window, kFileButton);
                checks.ExpectEqual(
                    test::TextOf(Control(window, kNumberEntry)), kAbc, "the number of abc.txt");
            });
        },
        testing::ExitedWithCode(0), startup::ReportsOnly(""));
}

} // namespace
