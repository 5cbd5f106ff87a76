// The display speaks Croatian whatever the machine is set to: Qt's own dialogs and buttons
// take their texts from the translation the program carries.

#include <platform/Display.h>
#include <platform/TestDriver.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace platform;

namespace {

/// Runs `script` on the display's GUI thread, with the display up.
void OnRunningDisplay(const std::function<void()>& script)
{
    test::SilenceHarmlessPlatformWarnings();
    RunDisplay([&script] {
        InvokeOnGui(script);
        QuitDisplay();
        return 0;
    });
}

std::vector<std::string> ButtonTexts(const QWidget& parent)
{
    std::vector<std::string> texts;
    for (const QPushButton* button : parent.findChildren<QPushButton*>())
        texts.push_back(button->text().toStdString());
    std::sort(texts.begin(), texts.end());
    return texts;
}

bool HasLabel(const QWidget& parent, const char* text)
{
    const QList<QLabel*> labels = parent.findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(),
        [text](const QLabel* label) { return label->text() == QString::fromUtf8(text); });
}

TEST(DisplayLanguage, StandardButtonsHaveCroatianCaptionsInWindows1250)
{
    // No display runs: the captions do not depend on one.
    ASSERT_FALSE(DisplayRunning());
    const struct {
        StandardButton button;
        const char* caption;
    } rows[] = {
        { StandardButton::Ok, "U redu" },
        { StandardButton::Yes, "&Da" },
        { StandardButton::No, "&Ne" },
        { StandardButton::Abort, "Prekini" },
        { StandardButton::Retry,
            "Poku\x9A"
            "aj ponovo" },
        { StandardButton::Ignore, "Zanemari" },
        { StandardButton::Cancel, "Odustani" },
        { StandardButton::Help, "Pomo\xE6" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(StandardButtonText(row.button), row.caption) << row.caption;
}

TEST(DisplayLanguage, QtsDialogsSpeakCroatianEachTimeTheDisplayRuns)
{
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        OnRunningDisplay([] {
            EXPECT_EQ(QLocale().language(), QLocale::Croatian);

            QFileDialog open;
            open.setOption(QFileDialog::DontUseNativeDialog);
            open.setAcceptMode(QFileDialog::AcceptOpen);
            EXPECT_EQ(ButtonTexts(open), (std::vector<std::string> { "&Otvori", "Odustani" }));
            EXPECT_TRUE(HasLabel(open, "Pogledaj u:"));
            EXPECT_TRUE(HasLabel(open, "&Ime datoteke:"));

            QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                | QDialogButtonBox::Yes | QDialogButtonBox::No);
            EXPECT_EQ(ButtonTexts(box),
                (std::vector<std::string> { "&Da", "&Ne", "Odustani", "U redu" }));
        });
    }
}

} // namespace
