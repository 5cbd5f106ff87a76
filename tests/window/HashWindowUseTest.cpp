// The hash window as keyboard users and assistive technology use it: what each control is
// called and what it is, which control has the focus as keys move it, what the text box does
// with Tab, Ctrl+Tab and Enter, and the read-only result path. The window is an MDI child of
// the frame on a thread of its own, as the program opens it.

#include <platform/Display.h>
#include <platform/TestDriver.h>
#include <window/Engine.h>
#include <window/EventCodes.h>
#include <window/ThreadTable.h>
#include <window/Window.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <common/RuntimeBesideDisplay.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace window;
namespace test = platform::test;

namespace {

constexpr std::int32_t kAccepted = 0x01;
constexpr const char* kFrameTitle = "Testiranje SHA-1 algoritma";
constexpr std::uint32_t kTestingItem = 0x4000 - 2;
constexpr std::uint32_t kExitItem = 0x4000 - 3;
constexpr const char* kNumber = "0123456789-ABCDEFGHIJ-KLMNOPQRST-abcdefghij";

constexpr std::uint32_t kShift = platform::KeyState::kShift;
constexpr std::uint32_t kControl = platform::KeyState::kControl;

/// What the hash window procedure saw, read by the controller once every thread is idle.
struct Seen {
    std::mutex mutex;
    std::vector<std::int32_t> accepted;

    std::vector<std::int32_t> TakeAccepted()
    {
        const std::lock_guard lock(mutex);
        return std::exchange(accepted, {});
    }
};

Seen g_seen;

/// The hash window as its procedure opens it: an MDI child with the procedure's variables,
/// its two buttons with one caption told apart for assistive technology.
void HashProcedure(std::vector<std::string>)
{
    std::array<char, 500> text {};
    std::array<char, 43> number {};
    std::array<char, 60> resultPath {};
    std::array<char, 127> inputFile {};
    text.fill(' ');
    std::memcpy(number.data(), kNumber, number.size());
    resultPath.fill(' ');
    std::memcpy(resultPath.data(), "/tmp/HASHBROJ.TXT", 17);
    Window window(platform::WindowKind::MdiChild, "varn$varn002", "P1$WINDOW",
        { text.data(), number.data(), resultPath.data(), inputFile.data(), nullptr });
    window.SetControlDescription(3, "niz znakova");
    if (!window.Open())
        return;
    window.SetControlDescription(11, "datoteka");
    Accept([] {
        if (CurrentEvent() == kAccepted) {
            const std::lock_guard lock(g_seen.mutex);
            g_seen.accepted.push_back(AcceptedField());
        }
        return 0;
    });
}

/// Opens the frame, starts one hash window from its menu and hands the window to
/// `controller`; ends the program afterwards.
void WithHashWindow(const std::function<void(platform::WindowHandle hash)>& controller)
{
    RegisterControlKinds();
    g_seen.TakeAccepted();
    testsupport::RunWithController(
        [] {
            Window frame(platform::WindowKind::Frame, "varn$varn001", "P1$APPFRAME");
            ASSERT_TRUE(frame.Open());
            Accept([] {
                if (CurrentEvent() == kAccepted && AcceptedField() == -2)
                    StartThread(HashProcedure, 25000);
                return 0;
            });
        },
        [&] {
            ASSERT_TRUE(test::WaitUntilIdle());
            const platform::WindowHandle frame = test::FindWindowByTitle(kFrameTitle);
            ASSERT_NE(frame, 0u);
            test::ChooseMenuItem(frame, kTestingItem);
            ASSERT_TRUE(test::WaitUntilIdle());
            const auto children = platform::MdiChildren(frame);
            ASSERT_EQ(children.size(), 1u);
            controller(children[0]);
            test::ChooseMenuItem(frame, kExitItem);
        });
}

platform::WindowHandle ControlOf(platform::WindowHandle window, std::int32_t equate)
{
    return platform::FindControl(window, static_cast<std::uint32_t>(equate) + kControlIdOffset);
}

std::int32_t FocusedEquate()
{
    const std::uint32_t id = platform::ControlId(platform::FocusedWindow());
    return id == 0 ? 0 : static_cast<std::int32_t>(id - kControlIdOffset);
}

/// What assistive technology learns of a control.
struct Accessible {
    QAccessible::Role role = QAccessible::NoRole;
    std::string name;
    std::string description;
    bool readOnly = false;
};

Accessible AccessibleOf(platform::WindowHandle control)
{
    Accessible seen;
    platform::InvokeOnGui([control, &seen] {
        QWidget* widget = test::WidgetOf(control);
        if (widget == nullptr)
            return;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        if (face == nullptr)
            return;
        seen.role = face->role();
        seen.name = face->text(QAccessible::Name).toStdString();
        seen.description = face->text(QAccessible::Description).toStdString();
        seen.readOnly = face->state().readOnly;
    });
    return seen;
}

TEST(HashWindowUse, EachControlHasItsRoleAndName)
{
    WithHashWindow([](platform::WindowHandle hash) {
        const struct {
            std::int32_t equate;
            QAccessible::Role role;
            const char* name;
            const char* description;
        } rows[] = {
            { 1, QAccessible::StaticText, "Ulazni niz znakova", "" },
            { 2, QAccessible::EditableText, "Ulazni niz znakova", "" },
            // Two buttons with one caption: their descriptions tell them apart.
            { 3, QAccessible::Button, "Formiraj SHA-1 broj", "niz znakova" },
            { 4, QAccessible::StaticText, "Formiran SHA-1 kontrolni broj", "" },
            { 5, QAccessible::EditableText, "Formiran SHA-1 kontrolni broj", "" },
            { 6, QAccessible::StaticText, "Broj je zapisan u file-u :", "" },
            { 7, QAccessible::Button, "Zatvori", "" },
            // The empty string 8 is no label: entry 9 takes the prompt above it.
            { 9, QAccessible::EditableText, "Broj je zapisan u file-u :", "" },
            { 10, QAccessible::Button, "...", "" },
            { 11, QAccessible::Button, "Formiraj SHA-1 broj", "datoteka" },
            // The string declared after it stands above it.
            { 12, QAccessible::EditableText, "Ulazna datoteka (file)", "" },
            { 13, QAccessible::StaticText, "Ulazna datoteka (file)", "" },
        };
        for (const auto& row : rows) {
            SCOPED_TRACE(row.equate);
            const Accessible seen = AccessibleOf(ControlOf(hash, row.equate));
            EXPECT_EQ(seen.role, row.role);
            EXPECT_EQ(seen.name, row.name);
            EXPECT_EQ(seen.description, row.description);
            if (seen.role == QAccessible::EditableText) {
                EXPECT_EQ(seen.readOnly, row.equate == 9) << "only the result path is read-only";
            }
        }
    });
}

TEST(HashWindowUse, TheTextBoxHasTheFocusWhenTheWindowOpens)
{
    WithHashWindow([](platform::WindowHandle) { EXPECT_EQ(FocusedEquate(), 2); });
}

TEST(HashWindowUse, KeysMoveTheFocusInDeclarationOrderAndTheTextBoxTakesLines)
{
    WithHashWindow([](platform::WindowHandle hash) {
        const struct {
            const char* name;
            std::int32_t from; ///< the control with the focus before the key
            std::uint32_t key;
            std::uint32_t state;
            std::int32_t to;      ///< the control with the focus after it
            const char* textBox;  ///< the text box's text after it (typed into "ab")
            std::int32_t pressed; ///< the button the key pressed, 0: none
        } rows[] = {
            { "Tab leaves the text box", 2, 0x09, 0, 3, "ab", 0 },
            { "Shift+Tab goes back from the text box", 2, 0x09, kShift, 12, "ab", 0 },
            { "Shift+Tab goes back to the text box", 3, 0x09, kShift, 2, "", 0 },
            { "Tab passes the skipped result path", 7, 0x09, 0, 10, "", 0 },
            { "Ctrl+Tab types a tab", 2, 0x09, kControl, 2, "ab\t", 0 },
            { "Enter starts a new line", 2, 0x0D, 0, 2, "ab\r\n", 0 },
            { "Space presses the focused button", 3, 0x20, 0, 3, "", 3 },
            { "Enter presses the focused button", 11, 0x0D, 0, 11, "", 11 },
        };
        const platform::WindowHandle textBox = ControlOf(hash, 2);
        for (const auto& row : rows) {
            SCOPED_TRACE(row.name);
            platform::SetWindowText(textBox, "");
            if (row.from == 2)
                test::TypeText(textBox, "ab");
            platform::SetFocus(ControlOf(hash, row.from));
            ASSERT_TRUE(test::WaitUntilIdle());
            g_seen.TakeAccepted();
            test::PressKey(hash, row.key, row.state);
            ASSERT_TRUE(test::WaitUntilIdle());
            EXPECT_EQ(FocusedEquate(), row.to);
            EXPECT_EQ(platform::WindowText(textBox), row.textBox);
            std::vector<std::int32_t> pressed;
            for (const std::int32_t field : g_seen.TakeAccepted()) {
                if (field == 3 || field == 7 || field == 10 || field == 11)
                    pressed.push_back(field);
            }
            EXPECT_EQ(pressed,
                row.pressed == 0 ? std::vector<std::int32_t> {}
                                 : std::vector<std::int32_t> { row.pressed });
        }
    });
}

/// Selects the whole text of `control` and copies it with the keyboard, then pastes it over
/// entry 12 and answers what entry 12 holds.
std::string CopiedThroughEntry12(platform::WindowHandle hash, std::int32_t from)
{
    const platform::WindowHandle input = ControlOf(hash, 12);
    platform::SetWindowText(input, "");
    platform::SetFocus(ControlOf(hash, from));
    test::PressKey(hash, 'A', kControl);
    test::PressKey(hash, 'C', kControl);
    platform::SetFocus(input);
    test::PressKey(hash, 'V', kControl);
    EXPECT_TRUE(test::WaitUntilIdle());
    return platform::WindowText(input);
}

TEST(HashWindowUse, ResultsAreCopiedAndTheResultPathTakesNoEdits)
{
    WithHashWindow([](platform::WindowHandle hash) {
        EXPECT_EQ(CopiedThroughEntry12(hash, 5), kNumber);
        EXPECT_EQ(CopiedThroughEntry12(hash, 9), "/tmp/HASHBROJ.TXT") << "read-only, not hidden";

        const platform::WindowHandle path = ControlOf(hash, 9);
        const struct {
            const char* name;
            std::function<void()> edit;
        } attempts[] = {
            { "typing", [path] { test::TypeText(path, "x"); } },
            { "Ctrl+V", [hash] { test::PressKey(hash, 'V', kControl); } },
            { "Backspace", [hash] { test::PressKey(hash, 0x08); } },
            { "the Paste command", [] { platform::EditFocused(platform::EditCommand::Paste); } },
            { "the Cut command", [] { platform::EditFocused(platform::EditCommand::Cut); } },
            { "assistive technology",
                [path] {
                    platform::InvokeOnGui([path] {
                        QAccessibleInterface* face
                            = QAccessible::queryAccessibleInterface(test::WidgetOf(path));
                        if (QAccessibleEditableTextInterface* text = face->editableTextInterface())
                            text->insertText(0, QStringLiteral("x"));
                    });
                } },
        };
        for (const auto& attempt : attempts) {
            SCOPED_TRACE(attempt.name);
            platform::SetFocus(path);
            test::PressKey(hash, 'A', kControl);
            ASSERT_TRUE(test::WaitUntilIdle());
            attempt.edit();
            ASSERT_TRUE(test::WaitUntilIdle());
            EXPECT_EQ(platform::WindowText(path), "/tmp/HASHBROJ.TXT");
        }
    });
}

TEST(HashWindowUse, TheEditMenusOfEntriesAndTheTextBoxAreCroatian)
{
    WithHashWindow([](platform::WindowHandle hash) {
        for (const std::int32_t equate : { 2, 5 }) {
            SCOPED_TRACE(equate);
            std::vector<std::string> actions;
            platform::InvokeOnGui([&] {
                QWidget* widget = test::WidgetOf(ControlOf(hash, equate));
                std::unique_ptr<QMenu> menu;
                if (auto* line = qobject_cast<QLineEdit*>(widget))
                    menu.reset(line->createStandardContextMenu());
                else if (auto* box = qobject_cast<QPlainTextEdit*>(widget))
                    menu.reset(box->createStandardContextMenu());
                for (const QAction* action : menu != nullptr ? menu->actions() : QList<QAction*> {})
                    if (!action->isSeparator())
                        actions.push_back(action->text().toStdString());
            });
            // Qt's shortcuts follow the texts after a tab.
            for (const char* expected :
                { "&Poništi", "Po&novi", "&Izreži", "&Kopiraj", "&Zalijepi", "Ukloni" }) {
                EXPECT_TRUE(std::any_of(actions.begin(), actions.end(),
                    [expected](const std::string& text) { return text.rfind(expected, 0) == 0; }))
                    << expected;
            }
        }
    });
}

TEST(HashWindowUse, InputsAreNamedByTheLabelAboveElseToTheirLeft)
{
    RegisterControlKinds();
    std::vector<std::string> names;
    testsupport::RunWithController(
        [] {
            Window window(platform::WindowKind::Plain, "test$winname", "NAMES");
            ASSERT_TRUE(window.Open());
            Accept([] { return CurrentEvent() == 0x201 ? -1 : 0; }); // until closed
        },
        [&] {
            ASSERT_TRUE(test::WaitUntilIdle());
            const platform::WindowHandle window = test::FindWindowByTitle("Imena");
            ASSERT_NE(window, 0u);
            for (const std::int32_t equate : { 2, 4, 7, 9, 11, 13 })
                names.push_back(test::DescribeControl(ControlOf(window, equate))->accessibleName);
            test::RequestClose(window);
        });
    EXPECT_EQ(names,
        (std::vector<std::string> {
            "Ime:",          // the prompt to its left, without the mnemonic mark
            "Gore",          // above, rather than the string to its right
            "",              // strings above it but off to the side name nothing
            "Popis & lista", // "&&" is an "&"; trailing blanks go
            "Drugi",         // the nearer of two above, though declared later
            "",              // a button keeps the toolkit's name, its caption
        }));
}

} // namespace
