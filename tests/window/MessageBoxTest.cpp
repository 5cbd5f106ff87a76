#include <platform/Display.h>
#include <platform/TestDriver.h>
#include <value/MessageOverrides.h>
#include <window/DisplayWindow.h>
#include <window/Engine.h>
#include <window/MessageBox.h>
#include <window/RuntimeLock.h>
#include <window/RuntimeMain.h>
#include <window/ThreadTable.h>

#include <QLabel>

#include <gtest/gtest.h>

#include <common/RuntimeBesideDisplay.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

using namespace window;
namespace test = platform::test;

using testsupport::RunWithController;

namespace {

// --- layout, with fixed measures -----------------------------------------------------------

/// A font 6 pixels wide on average and 13 high: a horizontal unit is 1.5 pixels, a vertical
/// one 1.625.
constexpr platform::FontMetrics kMetrics { 6, 13 };
constexpr std::int32_t kIconSize = 32;

std::int32_t X(std::int32_t units)
{
    return (units * kMetrics.averageCharWidth + 3) / 4;
}
std::int32_t Y(std::int32_t units)
{
    return (units * kMetrics.height + 7) / 8;
}

std::vector<const platform::ControlOptions*> ButtonsOf(const platform::DialogTemplate& dialog)
{
    std::vector<const platform::ControlOptions*> buttons;
    for (const platform::ControlOptions& control : dialog.controls) {
        if (control.kind == platform::ControlKind::Button)
            buttons.push_back(&control);
    }
    return buttons;
}

const platform::ControlOptions* ControlWithId(
    const platform::DialogTemplate& dialog, std::uint32_t id)
{
    for (const platform::ControlOptions& control : dialog.controls) {
        if (control.id == id)
            return &control;
    }
    return nullptr;
}

TEST(MessageBoxLayout, ButtonsDefaultAndEscape)
{
    struct Row {
        const char* name;
        std::uint32_t buttons;
        std::uint32_t defaultButton;
        std::vector<std::uint32_t> ids;
        std::uint32_t defaultId;
        std::uint32_t escapeId;
    };
    const std::vector<Row> rows {
        { "no buttons show OK", 0, 0, { 1 }, 1, 0 },
        { "bits above the table are no buttons", 0x100, kButtonCancel, { 1 }, 1, 0 },
        { "yes and no, no the default", kButtonYes | kButtonNo, kButtonNo, { 6, 7 }, 7, 0 },
        { "a default not shown: the first shown", kButtonYes | kButtonNo, kButtonCancel, { 6, 7 },
            6, 0 },
        { "two defaults: the first in table order", kButtonYes | kButtonNo, kButtonNo | kButtonYes,
            { 6, 7 }, 6, 0 },
        { "table order, Cancel makes Escape answer", kButtonCancel | kButtonRetry | kButtonOk, 0,
            { 1, 4, 2 }, 1, 2 },
        { "all eight", 0xFF, kButtonHelp, { 1, 6, 7, 3, 4, 5, 2, 9 }, 9, 2 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const platform::DialogTemplate dialog = BuildMessageBox(
            "Tekst", "Naslov", row.buttons, row.defaultButton, 0, kMetrics, { 30, 13 }, kIconSize);
        std::vector<std::uint32_t> ids;
        std::uint32_t defaultId = 0;
        int defaults = 0;
        for (const platform::ControlOptions* button : ButtonsOf(dialog)) {
            ids.push_back(button->id);
            EXPECT_TRUE(button->tabStop);
            if (button->defaultButton) {
                defaultId = button->id;
                ++defaults;
            }
        }
        EXPECT_EQ(ids, row.ids);
        EXPECT_EQ(defaults, 1);
        EXPECT_EQ(defaultId, row.defaultId);
        EXPECT_EQ(dialog.escapeId, row.escapeId);
        EXPECT_EQ(dialog.title, "Naslov");
    }
}

TEST(MessageBoxLayout, ShortTextGetsTheMinimumHeightAndTheButtonRowIsCentred)
{
    const platform::DialogTemplate dialog
        = BuildMessageBox("Da", "", kButtonYes | kButtonNo, 0, 0, kMetrics, { 12, 13 }, kIconSize);
    const platform::ControlOptions* text = ControlWithId(dialog, kMessageTextId);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text, "Da");
    EXPECT_EQ(text->rect.x, X(5));
    EXPECT_EQ(text->rect.y, X(5));
    EXPECT_EQ(text->rect.width, 12 + 10);
    EXPECT_EQ(ControlWithId(dialog, kMessageIconId), nullptr);

    // The text is far lower than 45 units: the buttons stand at the minimum height.
    const auto buttons = ButtonsOf(dialog);
    ASSERT_EQ(buttons.size(), 2u);
    const std::int32_t rowWidth = 2 * X(50) + X(5);
    for (const platform::ControlOptions* button : buttons) {
        EXPECT_EQ(button->rect.y, Y(45));
        EXPECT_EQ(button->rect.width, X(50));
        EXPECT_EQ(button->rect.height, Y(14));
    }
    EXPECT_EQ(buttons[1]->rect.x - buttons[0]->rect.x, X(50) + X(5));
    // The row is wider than the text: the box widens to the row and 5 units on each side.
    EXPECT_EQ(buttons[0]->rect.x, X(5));
    EXPECT_EQ(dialog.rect.width, X((rowWidth + 2 * X(5)) * 4 / kMetrics.averageCharWidth));
    EXPECT_GE(dialog.rect.height, Y(45) + Y(14));
}

TEST(MessageBoxLayout, TallTextPushesTheButtonsDownAndNarrowRowIsCentred)
{
    // As a text wrapped to several lines measures: the full 200 units wide, 6 lines high.
    const platform::Size wrapped { X(200), 6 * 13 };
    const platform::DialogTemplate dialog
        = BuildMessageBox("dugi tekst", "", kButtonOk, 0, 0, kMetrics, wrapped, kIconSize);
    const auto buttons = ButtonsOf(dialog);
    ASSERT_EQ(buttons.size(), 1u);
    const std::int32_t contentWidth = X(200) + 10 + 2 * X(5);
    EXPECT_EQ(buttons[0]->rect.y, 6 * 13 + 2 * X(5));
    EXPECT_EQ(buttons[0]->rect.x, (contentWidth - X(50)) / 2);
    EXPECT_LE(dialog.rect.width, contentWidth);
    EXPECT_GE(dialog.rect.width, contentWidth - 2);
}

TEST(MessageBoxLayout, IconMovesTheTextRightAndIsCentredVertically)
{
    struct Row {
        std::uint32_t options;
        platform::StandardIcon icon;
    };
    const std::vector<Row> rows {
        { kIconStop, platform::StandardIcon::Stop },
        { kIconQuestion, platform::StandardIcon::Question },
        { kIconExclamation, platform::StandardIcon::Exclamation },
        { kIconInformation | kSystemModal, platform::StandardIcon::Information },
        { kIconProgram, platform::StandardIcon::Program },
        { 0x50, platform::StandardIcon::None },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.options);
        const platform::DialogTemplate dialog = BuildMessageBox(
            "Pitanje", "", kButtonOk, 0, row.options, kMetrics, { 40, 13 }, kIconSize);
        EXPECT_EQ(dialog.systemModal, (row.options & kSystemModal) != 0);
        const platform::ControlOptions* icon = ControlWithId(dialog, kMessageIconId);
        const platform::ControlOptions* text = ControlWithId(dialog, kMessageTextId);
        ASSERT_NE(text, nullptr);
        if (row.icon == platform::StandardIcon::None) {
            EXPECT_EQ(icon, nullptr);
            EXPECT_EQ(text->rect.x, X(5));
            continue;
        }
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->kind, platform::ControlKind::Icon);
        EXPECT_EQ(icon->icon, row.icon);
        EXPECT_EQ(icon->rect.x, X(5));
        EXPECT_EQ(icon->rect.y, (Y(45) - kIconSize) / 2);
        EXPECT_EQ(icon->rect.width, kIconSize);
        EXPECT_EQ(text->rect.x, X(5) + X(5) + kIconSize);
    }
}

TEST(MessageBoxLayout, ButtonCaptionsTakeTheirOverrides)
{
    value::ClearMessageOverrides();
    value::SetMessageOverride(value::kButtonCaptionBase + 1, "&Svakako");
    value::SetMessageOverride(value::kButtonCaptionBase + 6, "Natrag");
    const platform::DialogTemplate dialog
        = BuildMessageBox("?", "", 0xFF, 0, 0, kMetrics, { 6, 13 }, kIconSize);
    value::ClearMessageOverrides();
    std::vector<std::string> captions;
    for (const platform::ControlOptions* button : ButtonsOf(dialog))
        captions.push_back(button->text);
    // The others keep the display's Croatian captions (Windows-1250: "Pokušaj", "Pomoć").
    EXPECT_EQ(captions,
        (std::vector<std::string> { "U redu", "&Svakako", "&Ne", "Prekini",
            "Poku\x9A"
            "aj ponovo",
            "Zanemari", "Natrag", "Pomo\xE6" }));
}

TEST(MessageBoxAnswer, MaskBitOfTheRowWithTheEndedId)
{
    struct Row {
        std::uint32_t buttons;
        std::uint32_t endedId;
        std::uint32_t answer;
    };
    const std::vector<Row> rows {
        { 0, 1, kButtonOk },
        { 0, 2, 0 },
        { kButtonYes | kButtonNo, 6, 2 },
        { kButtonYes | kButtonNo, 7, 4 },
        { kButtonYes | kButtonNo, 1, 0 }, // OK is not in the box
        { kButtonYes | kButtonNo, 0, 0 }, // ended without a button (the thread asked to end)
        { kButtonOk | kButtonCancel, 2, 0x40 },
        { kButtonAbort | kButtonRetry | kButtonIgnore, 5, 0x20 },
        { kButtonHelp, 9, 0x80 },
    };
    for (const Row& row : rows)
        EXPECT_EQ(MessageAnswer(row.buttons, row.endedId), row.answer)
            << row.buttons << " " << row.endedId;
}

// --- the box on the display --------------------------------------------------------------

/// Waits for the box to be up and answers it.
platform::WindowHandle ShownBox()
{
    EXPECT_TRUE(test::WaitUntilIdle());
    return test::ActiveDialog();
}

TEST(MessageBoxDisplay, ButtonsAnswerTheirMaskBits)
{
    std::vector<std::uint32_t> answers;
    std::vector<std::vector<bool>> present;
    std::int32_t modalAfter = -1;
    RunWithController(
        [&] {
            answers.push_back(ShowMessage("Bez gumba", "Poruka", 0, 0, 0));
            answers.push_back(ShowMessage(
                "Da ili ne?", "Pitanje", kButtonYes | kButtonNo, kButtonNo, kIconQuestion));
            answers.push_back(ShowMessage(
                "Da ili ne?", "Pitanje", kButtonYes | kButtonNo, kButtonNo, kIconQuestion));
            modalAfter = ModalCount();
        },
        [&] {
            const auto record = [&](platform::WindowHandle box) {
                std::vector<bool> ids;
                for (std::uint32_t id : { 1u, 2u, 6u, 7u })
                    ids.push_back(platform::FindControl(box, id) != 0);
                present.push_back(ids);
            };
            platform::WindowHandle box = ShownBox();
            ASSERT_NE(box, 0u);
            EXPECT_EQ(test::TextOf(box), "Poruka");
            EXPECT_EQ(test::TextOf(platform::FindControl(box, kMessageTextId)), "Bez gumba");
            record(box);
            test::Click(platform::FindControl(box, 1));
            box = ShownBox();
            ASSERT_NE(box, 0u);
            record(box);
            EXPECT_NE(platform::FindControl(box, kMessageIconId), 0u);
            test::Click(platform::FindControl(box, 6));
            box = ShownBox();
            ASSERT_NE(box, 0u);
            test::Click(platform::FindControl(box, 7));
        });
    EXPECT_EQ(answers, (std::vector<std::uint32_t> { 1, 2, 4 }));
    EXPECT_EQ(present,
        (std::vector<std::vector<bool>> {
            { true, false, false, false }, { false, false, true, true } }));
    EXPECT_EQ(modalAfter, 0);
}

TEST(MessageBoxDisplay, EscapeAnswersCancelOnlyWhenCancelIsShown)
{
    std::vector<std::uint32_t> answers;
    RunWithController(
        [&] {
            answers.push_back(ShowMessage("Nastaviti?", "", kButtonOk | kButtonCancel, 0, 0));
            answers.push_back(ShowMessage("Nastaviti?", "", kButtonYes | kButtonNo, 0, 0));
        },
        [&] {
            platform::WindowHandle box = ShownBox();
            ASSERT_NE(box, 0u);
            test::PressKey(box, 0x1B);
            box = ShownBox();
            ASSERT_NE(box, 0u);
            test::PressKey(box, 0x1B); // no Cancel: the box stays
            test::RequestClose(box);   // nor does the close box end it
            EXPECT_EQ(ShownBox(), box);
            test::Click(platform::FindControl(box, 7));
        });
    EXPECT_EQ(answers, (std::vector<std::uint32_t> { 0x40, 4 }));
}

TEST(MessageBoxDisplay, EnterPressesTheDefaultEvenWhenTheNamedOneIsNotShown)
{
    std::vector<std::uint32_t> answers;
    RunWithController(
        [&] {
            answers.push_back(ShowMessage("?", "", kButtonYes | kButtonNo, kButtonNo, 0));
            answers.push_back(ShowMessage("?", "", kButtonYes | kButtonNo, kButtonCancel, 0));
        },
        [&] {
            for (int box = 0; box < 2; ++box) {
                const platform::WindowHandle shown = ShownBox();
                ASSERT_NE(shown, 0u);
                test::PressKey(shown, 0x0D);
            }
        });
    EXPECT_EQ(answers, (std::vector<std::uint32_t> { kButtonNo, kButtonYes }));
}

TEST(MessageBoxDisplay, LongTextWrapsAndOneWordKeepsTheMinimumHeight)
{
    platform::DialogTemplate wrapped;
    platform::DialogTemplate oneWord;
    platform::FontMetrics metrics;
    RunWithController(
        [&] {
            std::string text;
            for (int word = 0; word < 60; ++word)
                text += "rijec ";
            wrapped = MessageBoxTemplate(text, "", kButtonOk, 0, kIconStop);
            oneWord = MessageBoxTemplate("Gotovo", "", kButtonOk, 0, 0);
            metrics = platform::MeasureFont(MessageBoxFont());
        },
        [] {});
    ASSERT_GT(metrics.averageCharWidth, 0);
    ASSERT_GT(metrics.height, 0);
    const auto x = [&](std::int32_t units) { return (units * metrics.averageCharWidth + 3) / 4; };
    const auto y = [&](std::int32_t units) { return (units * metrics.height + 7) / 8; };

    const platform::ControlOptions* text = ControlWithId(wrapped, kMessageTextId);
    ASSERT_NE(text, nullptr);
    EXPECT_LE(text->rect.width, x(200) + 10);
    EXPECT_GE(text->rect.height, 3 * metrics.height) << "several lines";
    EXPECT_GT(ButtonsOf(wrapped)[0]->rect.y, y(45));

    const platform::ControlOptions* word = ControlWithId(oneWord, kMessageTextId);
    ASSERT_NE(word, nullptr);
    EXPECT_LT(word->rect.width, x(200));
    EXPECT_LT(word->rect.height, 2 * metrics.height);
    EXPECT_EQ(ButtonsOf(oneWord)[0]->rect.y, y(45));
}

/// Whether the whole of a static text shows inside its control, as the toolkit lays it out.
bool TextShowsWhole(platform::WindowHandle control)
{
    bool whole = false;
    platform::InvokeOnGui([control, &whole] {
        const auto* label = qobject_cast<const QLabel*>(test::WidgetOf(control));
        if (label == nullptr)
            return;
        const QRect room = label->contentsRect();
        const int flags = static_cast<int>(label->alignment())
            | (label->wordWrap() ? static_cast<int>(Qt::TextWordWrap) : 0);
        const QFontMetrics metrics = label->fontMetrics();
        const QRect needed = metrics.boundingRect(
            QRect(room.topLeft(), QSize(room.width(), 1 << 20)), flags, label->text());
        // The box counts each line as the font's height; the toolkit adds its leading between
        // lines, which the box leaves out.
        const int lines = needed.height() / std::max(metrics.lineSpacing(), 1) + 1;
        whole = needed.width() <= room.width()
            && needed.height() <= room.height() + lines * std::max(metrics.leading(), 0);
    });
    return whole;
}

TEST(MessageBoxDisplay, ALongTextShowsWholeOnTheLinesItWasMeasuredFor)
{
    std::string text = "Kontrolni broj nije zapisan u datoteku /tmp/mapa/HASHBROJ.TXT:";
    for (int word = 0; word < 30; ++word)
        text += " rijec";
    bool whole = false;
    RunWithController([&] { ShowMessage(text, "Poruka", kButtonOk, 0, kIconExclamation); },
        [&] {
            const platform::WindowHandle box = ShownBox();
            ASSERT_NE(box, 0u);
            whole = TextShowsWhole(platform::FindControl(box, kMessageTextId));
            test::Click(platform::FindControl(box, 1));
        });
    EXPECT_TRUE(whole) << "the text is cut: its lines are not wrapped at the control's width";
}

TEST(MessageBoxDisplay, TheFocusedControlGetsTheFocusBack)
{
    std::uint32_t answer = 0;
    platform::WindowHandle before = 0;
    platform::WindowHandle after = 0;
    platform::WindowHandle edit = 0;
    RunWithController(
        [&] {
            platform::WindowOptions options;
            options.title = "Vlasnik";
            options.rect = { 40, 40, 300, 160 };
            const platform::WindowHandle owner = platform::CreateWindow(options);
            platform::ControlOptions entry;
            entry.kind = platform::ControlKind::Edit;
            entry.parent = owner;
            entry.id = 0x4001;
            entry.rect = { 10, 10, 200, 24 };
            edit = platform::CreateControl(entry);
            platform::SetFocus(edit);
            before = platform::FocusedWindow();
            answer = ShowMessage("Poruka", "", kButtonOk, 0, 0);
            after = platform::FocusedWindow();
            platform::DestroyWindow(owner);
        },
        [&] {
            const platform::WindowHandle box = ShownBox();
            ASSERT_NE(box, 0u);
            test::Click(platform::FindControl(box, 1));
        });
    EXPECT_EQ(answer, kButtonOk);
    EXPECT_EQ(before, edit);
    EXPECT_EQ(after, edit);
}

platform::WindowOptions Plain(std::string title, std::int32_t x)
{
    platform::WindowOptions options;
    options.title = std::move(title);
    options.rect = { x, 40, 300, 160 };
    return options;
}

// A second thread shows a box over its own window; when the program ends the thread is asked
// to end with the box still up.
TEST(MessageBoxDisplay, ThreadAskedToEndTakesItsBoxDown)
{
    std::atomic<std::uint32_t> answer { 99 };
    std::atomic<platform::WindowHandle> boxAfter { 1 };
    platform::WindowHandle boxSeen = 0;
    platform::WindowHandle ownerSeen = 0;
    RunWithController(
        [&] {
            const auto worker = [&](std::vector<std::string>) {
                DisplayWindow own(Plain("Radnik", 360));
                OpenWindow(own);
                answer = ShowMessage("Radnik", "", kButtonOk, 0, 0);
                boxAfter = test::ActiveDialog();
            };
            ASSERT_NE(StartThread(worker, 0), 0);
            DisplayWindow first(Plain("Prvi", 40));
            ASSERT_TRUE(OpenWindow(first));
            Accept([] { return 0; });
        },
        [&] {
            boxSeen = ShownBox();
            ownerSeen = test::FindWindowByTitle("Radnik");
            // The box blocks its owner only: the first thread's window still closes.
            test::RequestClose(test::FindWindowByTitle("Prvi"));
        });
    EXPECT_NE(boxSeen, 0u);
    EXPECT_NE(ownerSeen, 0u);
    EXPECT_EQ(answer, 0u);
    EXPECT_EQ(boxAfter, 0u);
}

TEST(MessageBoxDisplay, NotShownWithoutTheRuntime)
{
    EXPECT_FALSE(CanShowMessage());
    EXPECT_EQ(ShowMessage("Nitko", "", kButtonOk, 0, 0), 0u);
}

} // namespace
