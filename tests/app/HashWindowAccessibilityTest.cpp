// The program's hash and verify windows as assistive technology sees them (the accessibility
// tree that AT-SPI reads): each control's role and name, what tells apart two buttons with one
// caption, and the verify window's answer read out as it comes. The program runs from its module's
// start-up; the window is opened from the frame's menu.

#include "ProgramControls.h"
#include "ProgramTest.h"

#include <app/ProgramMain.h>
#include <app/ProgramModule.h>
#include <platform/Display.h>
#include <platform/TestDriver.h>
#include <value/Module.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QWidget>

#include <gtest/gtest.h>

#include <common/RuntimeBesideDisplay.h>
#include <common/TestSupport.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace test = platform::test;
using namespace programcontrols;
using programtest::WaitFor;

// The program run from its module's start-up in a directory of its own, ended through its menu.
using HashWindowAccessibility = programtest::ProgramTest;
using VerifyWindowAccessibility = programtest::ProgramTest;

struct Accessible {
    QAccessible::Role role = QAccessible::NoRole;
    std::string name;
    std::string description;
};

Accessible AccessibleOf(platform::WindowHandle control)
{
    Accessible seen;
    platform::InvokeOnGui([control, &seen] {
        QWidget* widget = test::WidgetOf(control);
        QAccessibleInterface* face
            = widget != nullptr ? QAccessible::queryAccessibleInterface(widget) : nullptr;
        if (face == nullptr)
            return;
        seen.role = face->role();
        seen.name = face->text(QAccessible::Name).toStdString();
        seen.description = face->text(QAccessible::Description).toStdString();
    });
    return seen;
}

TEST_F(HashWindowAccessibility, EveryControlHasItsRoleAndName)
{
    RunProgram([&](platform::WindowHandle frame) {
        test::ChooseMenuItem(frame, kTestingItem);
        ASSERT_TRUE(test::WaitUntilIdle());
        const auto children = platform::MdiChildren(frame);
        ASSERT_EQ(children.size(), 1u);
        const struct {
            std::int32_t equate;
            QAccessible::Role role;
            const char* name;
            const char* description = "";
        } rows[] = {
            { 1, QAccessible::StaticText, "Ulazni niz znakova" },
            { 2, QAccessible::EditableText, "Ulazni niz znakova" },
            { 3, QAccessible::Button, "Formiraj SHA-1 broj", "niz znakova" },
            { 4, QAccessible::StaticText, "Formiran SHA-1 kontrolni broj" },
            { 5, QAccessible::EditableText, "Formiran SHA-1 kontrolni broj" },
            { 6, QAccessible::StaticText, "Broj je zapisan u file-u :" },
            { 7, QAccessible::Button, "Zatvori" },
            { 9, QAccessible::EditableText, "Broj je zapisan u file-u :" },
            { 10, QAccessible::Button, "..." },
            { 11, QAccessible::Button, "Formiraj SHA-1 broj", "datoteka" },
            { 12, QAccessible::EditableText, "Ulazna datoteka (file)" },
            { 13, QAccessible::StaticText, "Ulazna datoteka (file)" },
        };
        for (const auto& row : rows) {
            SCOPED_TRACE(row.equate);
            const Accessible seen = AccessibleOf(platform::FindControl(
                children[0], static_cast<std::uint32_t>(row.equate) + 0x4000));
            EXPECT_EQ(seen.role, row.role);
            EXPECT_EQ(seen.name, row.name);
            EXPECT_EQ(seen.description, row.description);
        }
    });
}

TEST_F(HashWindowAccessibility, TheProgressLineIsReadAsItChanges)
{
    const std::string big = BigFile();
    RunProgram([&](platform::WindowHandle frame) {
        test::ChooseMenuItem(frame, kTestingItem);
        ASSERT_TRUE(test::WaitUntilIdle());
        const platform::WindowHandle window = platform::MdiChildren(frame).at(0);
        const platform::WindowHandle line = platform::FindControl(window, 0x4000 + 14);
        const platform::WindowHandle cancel = platform::FindControl(window, 0x4000 + 15);
        const platform::WindowHandle file = platform::FindControl(window, 0x4000 + 12);
        platform::SetWindowText(file, "");
        test::TypeText(file, big);
        test::Click(platform::FindControl(window, 0x4000 + 11));
        ASSERT_TRUE(WaitFor([&] { return test::TextOf(line).find(" % ") != std::string::npos; }));
        Accessible seen = AccessibleOf(line);
        EXPECT_EQ(seen.role, QAccessible::StaticText);
        EXPECT_NE(seen.name.find(" od 274,9 GB"), std::string::npos) << seen.name;
        const std::string before = seen.name;
        EXPECT_TRUE(WaitFor([&] { return AccessibleOf(line).name != before; }))
            << "the name follows the text";
        EXPECT_EQ(AccessibleOf(cancel).name, "Prekini");
        test::Click(cancel);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(AccessibleOf(line).name, "Prekinuto.");
    });
}

TEST_F(VerifyWindowAccessibility, EveryControlIsNamedAndTheAnswerIsReadOut)
{
    RunProgram([&](platform::WindowHandle frame) {
        test::ChooseMenuItem(frame, kVerifyItem);
        ASSERT_TRUE(test::WaitUntilIdle());
        const platform::WindowHandle window = platform::MdiChildren(frame).at(0);
        const auto control = [window](std::uint32_t equate) {
            return platform::FindControl(window, equate + 0x4000);
        };
        const struct {
            std::uint32_t equate;
            QAccessible::Role role;
            const char* name;
            const char* description = "";
        } rows[] = {
            { verify::kExpectedBox, QAccessible::EditableText, "O\u010Dekivani kontrolni broj" },
            { verify::kFromFileButton, QAccessible::Button, "Iz datoteke HASHBROJ.TXT" },
            { verify::kTextBox, QAccessible::EditableText, "Ulazni niz znakova" },
            { verify::kTextButton, QAccessible::Button, "Provjeri", "niz znakova" },
            { verify::kFileEntry, QAccessible::EditableText, "Ulazna datoteka (file)" },
            { verify::kChooseButton, QAccessible::Button, "..." },
            { verify::kFileButton, QAccessible::Button, "Provjeri", "datoteka" },
            { verify::kCloseButton, QAccessible::Button, "Zatvori" },
        };
        for (const auto& row : rows) {
            SCOPED_TRACE(row.equate);
            const Accessible seen = AccessibleOf(control(row.equate));
            EXPECT_EQ(seen.role, row.role);
            EXPECT_EQ(seen.name, row.name);
            EXPECT_EQ(seen.description, row.description);
        }

        test::StartRecordingAccessibleNotices();
        test::Paste(control(verify::kExpectedBox), kEmpty);
        test::TypeText(control(verify::kTextBox), "abc");
        test::Click(control(verify::kTextButton));
        ASSERT_TRUE(test::WaitUntilIdle());
        const std::vector<test::AccessibleNotice> notices = test::AccessibleNotices();
        test::StopRecordingAccessibleNotices();
        const char* said = "Kontrolni broj se NE podudara. Prva razlika je u 1. skupini.";
        const platform::WindowHandle answer = control(verify::kAnswerLine);
        EXPECT_TRUE(std::ranges::any_of(notices, [&](const test::AccessibleNotice& notice) {
            return notice.control == answer && notice.event == test::AccessibleEvent::Alert
                && notice.name == said;
        })) << "the answer is announced";
        EXPECT_EQ(AccessibleOf(control(verify::kAnswerLine)).name, said);
        EXPECT_EQ(AccessibleOf(control(verify::kAnswerIcon)).name, "Ne podudara se");
        EXPECT_EQ(AccessibleOf(control(verify::kMarkerLine)).name, "Prva razlika je u 1. skupini.");
        EXPECT_FALSE(std::filesystem::exists(ResultPath()));
    });
}

} // namespace
