// The verify window as a user uses it: the program started from its module, the window opened
// from the frame's menu, the expected number typed, pasted, found on the clipboard or read from
// a HASHBROJ.TXT, a text or a file checked against it, the answer read off the window.

#include "ProgramControls.h"
#include "ProgramTest.h"

#include <platform/Display.h>
#include <platform/TestDriver.h>

#include <gtest/gtest.h>

#include <common/ReadFaults.h>
#include <common/TestSupport.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace test = platform::test;
using namespace programcontrols::verify;
using programcontrols::kAbc;
using programcontrols::kEmpty;
using programcontrols::kTestingItem;
using programcontrols::kVerifyItem;
using programcontrols::kVerifyTitle;
using namespace programtest;
using testsupport::WriteText;

constexpr std::uint32_t kEscapeKey = 0x1B;

constexpr char kMatch[] = "Kontrolni broj se podudara.";
constexpr char kMismatch[] = "Kontrolni broj se NE podudara.";
constexpr std::uint32_t kGreen = 0x00007A00;
constexpr std::uint32_t kRed = 0x000000C0;

/// The number of "abc" as a user would copy it from elsewhere: lower case, no dashes.
constexpr char kAbcPlain[] = "a9993e364706816aba3e25717850c26c9cd0d89d";

/// What the window answered, as a user sees it.
struct Answer {
    std::string verdict;      ///< the large line
    std::string expected;     ///< the expected number, grouped
    std::string formed;       ///< the formed number, grouped
    std::string marker;       ///< "^^^^^^^^^^" under the first differing group, or nothing
    std::uint32_t colour = 0; ///< the large line's colour
    bool icon = false;        ///< the icon beside it shows
};

Answer AnswerOf(platform::WindowHandle window)
{
    Answer seen;
    seen.verdict = test::TextOf(Control(window, kAnswerLine));
    seen.expected = test::TextOf(Control(window, kExpectedLine));
    seen.formed = test::TextOf(Control(window, kFormedLine));
    seen.marker = test::TextOf(Control(window, kMarkerLine));
    if (const std::optional<platform::ControlOptions> line
        = test::DescribeControl(Control(window, kAnswerLine)))
        seen.colour = line->textColour;
    seen.icon = Visible(Control(window, kAnswerIcon));
    return seen;
}

/// The window holds no answer: nothing said, nothing compared.
void ExpectNoAnswer(platform::WindowHandle window)
{
    const Answer seen = AnswerOf(window);
    EXPECT_EQ(seen.verdict, "");
    EXPECT_EQ(seen.expected, "");
    EXPECT_EQ(seen.marker, "");
    EXPECT_FALSE(seen.icon);
}

/// "ab...-...": `number` with the digit at `at` (a position in the grouped form) changed.
std::string Changed(std::string number, std::size_t at)
{
    number[at] = number[at] == '0' ? '1' : '0';
    return number;
}

class VerifyWindowTest : public ProgramTest {
protected:
    static platform::WindowHandle OpenVerifyWindow(platform::WindowHandle frame)
    {
        const platform::WindowHandle window = OpenWindow(frame, kVerifyItem);
        EXPECT_EQ(test::TextOf(window), kVerifyTitle);
        return window;
    }

    /// Replaces what the expected number's box holds with `text`, pasted as a user brings in
    /// a number copied elsewhere.
    static void PasteExpected(platform::WindowHandle window, const std::string& text)
    {
        platform::SetWindowText(Control(window, kExpectedBox), "");
        test::Paste(Control(window, kExpectedBox), text);
    }

    /// Replaces the text to check with `text` and presses "Provjeri" beside it.
    static void CheckText(platform::WindowHandle window, const std::string& text)
    {
        platform::SetWindowText(Control(window, kTextBox), "");
        if (!text.empty())
            test::TypeText(Control(window, kTextBox), text);
        Press(window, kTextButton);
    }

    std::string FileOf(const std::string& name, const std::string& contents) const
    {
        const std::string path = m_directory / name;
        WriteText(path, contents);
        return path;
    }
};

TEST_F(VerifyWindowTest, AnsweringTheMenuItemOpensTheWindowWhichWritesNothing)
{
    RunProgram([&](platform::WindowHandle frame) {
        const std::optional<platform::MenuItem> item = test::DescribeMenuItem(frame, kVerifyItem);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->text, "&Provjera ");
        const platform::WindowHandle window = OpenVerifyWindow(frame);
        ASSERT_NE(window, 0u);
        EXPECT_EQ(platform::FocusedWindow(), Control(window, kExpectedBox)) << "ready for typing";
        ExpectNoAnswer(window);
        PasteExpected(window, kAbc);
        CheckText(window, "abc");
        EXPECT_EQ(AnswerOf(window).verdict, kMatch);
        EXPECT_FALSE(std::filesystem::exists(ResultPath())) << "a check writes nothing";
        Press(window, kCloseButton);
        EXPECT_TRUE(platform::MdiChildren(frame).empty()) << "Zatvori closes it";
    });
}

TEST_F(VerifyWindowTest, ATextIsCheckedAndTheFirstDifferingGroupMarked)
{
    struct Case {
        const char* what;
        std::string expected;
        std::string text;
        const char* verdict;
        const char* marker;
    };
    const Case cases[] = {
        { "its own number", kAbc, "abc", kMatch, "" },
        { "a digit off in the first group", Changed(kAbc, 0), "abc", kMismatch, "^^^^^^^^^^" },
        { "in the second", Changed(kAbc, 15), "abc", kMismatch, "           ^^^^^^^^^^" },
        { "in the third", Changed(kAbc, 30), "abc", kMismatch, "                      ^^^^^^^^^^" },
        { "in the last digit", Changed(kAbc, 42), "abc", kMismatch,
            "                                 ^^^^^^^^^^" },
        { "the number of another text", kEmpty, "abc", kMismatch, "^^^^^^^^^^" },
        { "an empty text against its number", kEmpty, "", kMatch, "" },
    };
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenVerifyWindow(frame);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            PasteExpected(window, c.expected);
            CheckText(window, c.text);
            EXPECT_EQ(AnswerMessage(), "") << "no message";
            const Answer seen = AnswerOf(window);
            EXPECT_EQ(seen.verdict, c.verdict);
            EXPECT_EQ(seen.expected, c.expected);
            EXPECT_EQ(seen.formed, c.text.empty() ? kEmpty : kAbc);
            EXPECT_EQ(seen.marker, c.marker);
            EXPECT_EQ(seen.colour, c.verdict == kMatch ? kGreen : kRed);
            EXPECT_TRUE(seen.icon);
        }
        EXPECT_FALSE(std::filesystem::exists(ResultPath()));
    });
}

TEST_F(VerifyWindowTest, EveryLenientSpellingOfTheNumberIsAccepted)
{
    const char* const spellings[] = {
        "a9993e3647-06816aba3e-25717850c2-6c9cd0d89d", // lower case
        "A9993E364706816ABA3E25717850C26C9CD0D89D",    // no dashes
        kAbcPlain,
        "A9993e3647-06816ABA3e-25717850C2-6c9cd0d89D", // mixed
        "  A999 3E36 4706 816A BA3E 2571 7850 C26C 9CD0 D89D  ",
        "A9993E3647-06816ABA3E\n25717850C2-6C9CD0D89D", // a line break
        "A9993E3647\n06816ABA3E\n25717850C2\n6C9CD0D89D\n",
        "A-9-9-9-3E364706816ABA3E25717850C26C9CD0D89D", // dashes anywhere
        "SHA1: a9993e364706816aba3e25717850c26c9cd0d89d",
        "sha-1 = A9993E3647-06816ABA3E-25717850C2-6C9CD0D89D",
        "SHA1 (abc.txt) = a9993e364706816aba3e25717850c26c9cd0d89d",
        "SHA1 a9993e364706816aba3e25717850c26c9cd0d89d",
        "Kontrolni broj: A9993E3647-06816ABA3E-25717850C2-6C9CD0D89D",
    };
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenVerifyWindow(frame);
        test::TypeText(Control(window, kTextBox), "abc");
        for (const char* spelling : spellings) {
            SCOPED_TRACE(spelling);
            PasteExpected(window, spelling);
            Press(window, kTextButton);
            EXPECT_EQ(AnswerMessage(), "") << "no message";
            EXPECT_EQ(AnswerOf(window).verdict, kMatch);
            EXPECT_EQ(AnswerOf(window).expected, kAbc);
        }
    });
}

TEST_F(VerifyWindowTest, AnExpectedNumberThatIsNoneIsRefusedSayingWhatIsWrong)
{
    struct Case {
        const char* what;
        std::string expected;
        const char* message;
    };
    const Case cases[] = {
        { "39 digits", std::string(kAbcPlain).substr(0, 39),
            "O\u010Dekivani kontrolni broj nije ispravan: ima 39 heksadekadskih znamenki, a "
            "treba ih 40." },
        { "41 digits", std::string(kAbcPlain) + "0",
            "O\u010Dekivani kontrolni broj nije ispravan: ima 41 heksadekadsku znamenku, a "
            "treba ih 40." },
        { "a letter that is no digit", "A9993E3647-06816ABA3E-25717850C2-6C9CD0D89G",
            "O\u010Dekivani kontrolni broj nije ispravan: znak \"G\" na 43. mjestu nije "
            "heksadekadska znamenka (0-9, A-F)." },
        { "a Croatian letter",
            "A9993E3647-06816\u0161"
            "BA3E-25717850C2-6C9CD0D89D",
            "O\u010Dekivani kontrolni broj nije ispravan: znak \"\u0161\" na 17. mjestu "
            "nije heksadekadska znamenka (0-9, A-F)." },
        { "nothing", "", "O\u010Dekivani kontrolni broj nije ispravan: polje je prazno." },
    };
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenVerifyWindow(frame);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            // A right answer first: a refused number must take it away.
            PasteExpected(window, kAbc);
            CheckText(window, "abc");
            ASSERT_EQ(AnswerOf(window).verdict, kMatch);

            PasteExpected(window, c.expected);
            Press(window, kTextButton);
            EXPECT_EQ(AnswerMessage(), c.message);
            ExpectNoAnswer(window);
            EXPECT_EQ(AnswerOf(window).formed, kAbc) << "the formed number still shows";
            EXPECT_EQ(platform::FocusedWindow(), Control(window, kExpectedBox))
                << "ready for mending";
        }
    });
}

TEST_F(VerifyWindowTest, AFileChosenOrDroppedIsCheckedAndNothingWritten)
{
    const std::string path = FileOf("abc.txt", "abc");
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenVerifyWindow(frame);
        PasteExpected(window, kAbcPlain);
        ChooseFile(window, kChooseButton, { path });
        EXPECT_EQ(test::TextOf(Control(window, kFileEntry)), path);
        Press(window, kFileButton);
        EXPECT_EQ(AnswerMessage(), "");
        EXPECT_EQ(AnswerOf(window).verdict, kMatch);
        EXPECT_EQ(AnswerOf(window).formed, kAbc);

        const std::string other = FileOf("prazna.txt", "");
        EXPECT_TRUE(test::DropFiles(window, { other }));
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(test::TextOf(Control(window, kFileEntry)), other);
        Press(window, kFileButton);
        EXPECT_EQ(AnswerOf(window).verdict, kMismatch);
        EXPECT_EQ(AnswerOf(window).formed, kEmpty);
        EXPECT_FALSE(std::filesystem::exists(ResultPath()));
    });
}

TEST_F(VerifyWindowTest, AFileThatGivesNoNumberIsReportedAndNothingAnswered)
{
    const std::string missing = m_directory / "nema.txt";
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenVerifyWindow(frame);
        PasteExpected(window, kAbc);
        CheckText(window, "abc");
        StartHashing(window, kFileEntry, kFileButton, missing);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(AnswerMessage(),
            "Kontrolni broj datoteke " + missing + " nije formiran: datoteka ne postoji.");
        ExpectNoAnswer(window);
        EXPECT_EQ(AnswerOf(window).formed, "");

        platform::SetWindowText(Control(window, kFileEntry), "");
        Press(window, kFileButton);
        EXPECT_NE(AnswerMessage().find("datoteka nije odabrana"), std::string::npos);
        ExpectNoAnswer(window);
    });
}

TEST_F(VerifyWindowTest, TheExpectedNumberIsFilledFromAResultFileTheHashWindowWrote)
{
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle hashWindow = OpenWindow(frame, kTestingItem);
        test::TypeText(Control(hashWindow, programcontrols::kTextBox), "abc");
        Press(hashWindow, programcontrols::kTextButton);
        ASSERT_EQ(ResultFile(), "A9993E364706816ABA3E25717850C26C9CD0D89D\r\n");

        const platform::WindowHandle window = OpenVerifyWindow(frame);
        test::Click(Control(window, kFromFileButton));
        ASSERT_TRUE(test::WaitUntilIdle());
        const platform::WindowHandle dialog = test::ActiveDialog();
        const std::optional<test::FileDialogView> view = test::DescribeFileDialog(dialog);
        ASSERT_TRUE(view) << "a file dialog";
        EXPECT_EQ(view->title, "Datoteka s kontrolnim brojem");
        EXPECT_EQ(view->directory, m_directory.Path()) << "the current directory";
        EXPECT_EQ(view->fileName, "HASHBROJ.TXT");
        EXPECT_TRUE(test::AnswerFileDialog(dialog, { ResultPath() }));
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(AnswerMessage(), "");
        EXPECT_EQ(test::TextOf(Control(window, kExpectedBox)), kAbc);

        CheckText(window, "abc");
        EXPECT_EQ(AnswerOf(window).verdict, kMatch);
    });
}

TEST_F(VerifyWindowTest, AResultFileWithoutANumberIsReportedAndTheBoxKept)
{
    struct Case {
        const char* what;
        std::string contents;
        std::string reason;
    };
    const Case cases[] = {
        { "empty, as a new hash window leaves it", "",
            "u datoteci nema nijednog retka s tekstom." },
        { "a number cut short", std::string(kAbcPlain).substr(0, 39) + "\r\n",
            "ima 39 heksadekadskih znamenki, a treba ih 40." },
    };
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenVerifyWindow(frame);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            WriteText(ResultPath(), c.contents);
            PasteExpected(window, kEmpty);
            test::AnswerNextFileDialog({ ResultPath() });
            Press(window, kFromFileButton);
            EXPECT_EQ(AnswerMessage(),
                "O\u010Dekivani kontrolni broj nije pro\u010Ditan iz datoteke " + ResultPath()
                    + ": " + c.reason);
            EXPECT_EQ(test::TextOf(Control(window, kExpectedBox)), kEmpty) << "kept";
        }
        // Cancelled, the dialog changes nothing either.
        test::AnswerNextFileDialog({});
        Press(window, kFromFileButton);
        EXPECT_EQ(AnswerMessage(), "");
        EXPECT_EQ(test::TextOf(Control(window, kExpectedBox)), kEmpty);
    });
}

TEST_F(VerifyWindowTest, ANumberOnTheClipboardFillsTheExpectedNumberAsTheWindowOpens)
{
    struct Case {
        const char* what;
        std::string clipboard;
        const char* filled;
    };
    const Case cases[] = {
        { "copied from an e-mail", "SHA1: a9993e364706816aba3e25717850c26c9cd0d89d\n", kAbc },
        { "as the window shows it", kEmpty, kEmpty },
        { "a sentence", "Pozdrav iz Zagreba", "" },
        { "a number cut short", std::string(kAbcPlain).substr(0, 39), "" },
    };
    RunProgram([&](platform::WindowHandle frame) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            test::SetClipboardText(c.clipboard);
            const platform::WindowHandle window = OpenVerifyWindow(frame);
            EXPECT_EQ(test::TextOf(Control(window, kExpectedBox)), c.filled);
            Press(window, kCloseButton);
        }
    });
}

TEST_F(VerifyWindowTest, TheExpectedNumberStaysEditableAndTheAnswerTakesWhatItHoldsAtTheEnd)
{
    const std::string path = FileOf("abc.txt", "abc");
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenVerifyWindow(frame);
        PasteExpected(window, kEmpty); // the wrong number, mended while the file is read
        {
            // The file's first read waits, as on a stalled disk, until the number is mended.
            testsupport::ScopedReadFault stall(path, testsupport::ReadFault::ReadHeldAfter);
            StartHashing(window, kFileEntry, kFileButton, path);
            ASSERT_TRUE(WaitFor([] { return testsupport::ScopedReadFault::Struck() > 0; }));
            const platform::WindowHandle box = Control(window, kExpectedBox);
            EXPECT_TRUE(Enabled(box));
            for (const std::uint32_t button :
                { kFromFileButton, kTextButton, kChooseButton, kFileButton })
                EXPECT_FALSE(Enabled(Control(window, button))) << "button " << button;
            platform::SetWindowText(box, "");
            test::TypeText(box, kAbcPlain);
            ASSERT_TRUE(WaitFor([&] { return test::TextOf(box) == kAbcPlain; }));
            stall.Release();
        }
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(AnswerMessage(), "");
        EXPECT_EQ(AnswerOf(window).verdict, kMatch);
        EXPECT_EQ(AnswerOf(window).expected, kAbc);
        for (const std::uint32_t button :
            { kFromFileButton, kTextButton, kChooseButton, kFileButton })
            EXPECT_TRUE(Enabled(Control(window, button))) << "button " << button;
    });
}

TEST_F(VerifyWindowTest, ALongFileCheckIsCancelledAndAnswersNothing)
{
    struct Case {
        const char* what;
        std::function<void(platform::WindowHandle window)> cancel;
    };
    const Case cases[] = {
        { "Esc", [](platform::WindowHandle window) { test::PressKey(window, kEscapeKey); } },
        { "Prekini",
            [](platform::WindowHandle window) { test::Click(Control(window, kCancelButton)); } },
    };
    const std::string big = BigFile();
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenVerifyWindow(frame);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            PasteExpected(window, kAbc);
            CheckText(window, "abc");
            ASSERT_EQ(AnswerOf(window).verdict, kMatch);

            StartHashing(window, kFileEntry, kFileButton, big);
            WaitForProgress(window, kProgressLine, kCancelButton);
            ExpectNoAnswer(window);
            EXPECT_TRUE(Enabled(Control(window, kExpectedBox)));
            c.cancel(window);
            ASSERT_TRUE(test::WaitUntilIdle()) << "cancelled at once";
            EXPECT_EQ(AnswerMessage(), "") << "no message";
            EXPECT_EQ(test::TextOf(Control(window, kProgressLine)), "Prekinuto.");
            EXPECT_FALSE(Visible(Control(window, kCancelButton)));
            ExpectNoAnswer(window);
            EXPECT_EQ(platform::MdiChildren(frame).size(), 1u) << "the window stays";
        }
        EXPECT_FALSE(std::filesystem::exists(ResultPath()));
    });
}

} // namespace
