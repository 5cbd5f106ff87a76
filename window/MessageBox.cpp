#include <value/MessageOverrides.h>
#include <window/DialogUnits.h>
#include <window/Engine.h>
#include <window/MessageBox.h>
#include <window/ModalDialog.h>
#include <window/RuntimeLock.h>
#include <window/ThreadTable.h>

#include <algorithm>
#include <array>
#include <bit>
#include <string>

namespace window {

namespace {

struct ButtonRow {
    std::uint32_t mask;
    platform::StandardButton button; ///< its caption, in the display's language
    std::uint32_t id;
};

/// The id the Cancel button ends the box with, which Escape ends it with too.
constexpr std::uint32_t kCancelId = 2;

/// In box order; the row's index also picks the caption's override.
constexpr std::array kButtons {
    ButtonRow { kButtonOk, platform::StandardButton::Ok, 1 },
    ButtonRow { kButtonYes, platform::StandardButton::Yes, 6 },
    ButtonRow { kButtonNo, platform::StandardButton::No, 7 },
    ButtonRow { kButtonAbort, platform::StandardButton::Abort, 3 },
    ButtonRow { kButtonRetry, platform::StandardButton::Retry, 4 },
    ButtonRow { kButtonIgnore, platform::StandardButton::Ignore, 5 },
    ButtonRow { kButtonCancel, platform::StandardButton::Cancel, kCancelId },
    ButtonRow { kButtonHelp, platform::StandardButton::Help, 9 },
};
static_assert(kButtons.size() == value::kButtonCaptionCount);

/// Dialog-unit geometry of the box.
constexpr std::int32_t kTextWidthUnits = 200;
constexpr std::int32_t kTextExtraPixels = 10;
constexpr std::int32_t kMarginUnits = 5;
constexpr std::int32_t kMinimumHeightUnits = 45;
constexpr std::int32_t kButtonWidthUnits = 50;
constexpr std::int32_t kButtonHeightUnits = 14;
constexpr std::int32_t kButtonGapUnits = 5;

/// A mask of 0 stands for OK alone; bits above the table's are no buttons.
std::uint32_t EffectiveButtons(std::uint32_t buttons)
{
    buttons &= 0xFF;
    return buttons == 0 ? kButtonOk : buttons;
}

/// The box's units. The box is a dialog template, so its units become pixels rounded up
/// (DialogUnits::XRoundedUp, YRoundedUp). A font measured without a display is 0 wide and
/// high: it counts as 1, so that converting the box's size back to units divides by no 0.
DialogUnits BoxUnits(const platform::FontMetrics& metrics)
{
    return { std::max(metrics.averageCharWidth, 1), std::max(metrics.height, 1) };
}

platform::StandardIcon IconOf(std::uint32_t options)
{
    switch (options & kIconMask) {
    case kIconStop:
        return platform::StandardIcon::Stop;
    case kIconQuestion:
        return platform::StandardIcon::Question;
    case kIconExclamation:
        return platform::StandardIcon::Exclamation;
    case kIconInformation:
        return platform::StandardIcon::Information;
    case kIconProgram:
        return platform::StandardIcon::Program;
    default:
        return platform::StandardIcon::None;
    }
}

std::string ButtonCaption(std::size_t row)
{
    const auto number = value::kButtonCaptionBase + static_cast<std::int32_t>(row);
    if (const auto replaced = value::FindMessageOverride(number))
        return std::string(*replaced);
    return platform::StandardButtonText(kButtons[row].button);
}

} // namespace

platform::Font MessageBoxFont()
{
    platform::Font font;
    font.face = "MS Sans Serif";
    font.pointSize = 8;
    font.weight = 400;
    return font;
}

platform::DialogTemplate BuildMessageBox(std::string_view text, std::string_view caption,
    std::uint32_t buttons, std::uint32_t defaultButton, std::uint32_t options,
    const platform::FontMetrics& metrics, const platform::Size& textSize, std::int32_t iconSize)
{
    const DialogUnits units = BoxUnits(metrics);
    const std::int32_t margin = units.XRoundedUp(kMarginUnits);

    platform::DialogTemplate dialog;
    dialog.title = std::string(caption);
    dialog.font = MessageBoxFont();
    dialog.systemModal = (options & kSystemModal) != 0;

    std::int32_t textX = margin;
    std::int32_t contentWidth = textSize.width + kTextExtraPixels + 2 * margin;
    const platform::StandardIcon icon = IconOf(options);
    if (icon != platform::StandardIcon::None) {
        // The icon stands 5 units from the left; the text moves right past it.
        const std::int32_t shift = units.XRoundedUp(kMarginUnits) + iconSize;
        textX += shift;
        contentWidth += shift;
    }
    const std::int32_t contentHeight
        = std::max(textSize.height + 2 * margin, units.YRoundedUp(kMinimumHeightUnits));

    if (icon != platform::StandardIcon::None) {
        platform::ControlOptions iconControl;
        iconControl.kind = platform::ControlKind::Icon;
        iconControl.id = kMessageIconId;
        iconControl.icon = icon;
        iconControl.tabStop = false;
        iconControl.border = false;
        iconControl.rect = { units.XRoundedUp(kMarginUnits), (contentHeight - iconSize) / 2,
            iconSize, iconSize };
        dialog.controls.push_back(iconControl);
    }

    platform::ControlOptions textControl;
    textControl.kind = platform::ControlKind::Static;
    textControl.id = kMessageTextId;
    textControl.text = std::string(text);
    textControl.tabStop = false;
    textControl.border = false;
    textControl.rect = { textX, margin, textSize.width + kTextExtraPixels, textSize.height };
    dialog.controls.push_back(textControl);

    const std::uint32_t shown = EffectiveButtons(buttons);
    const auto count = static_cast<std::int32_t>(std::popcount(shown));
    const std::int32_t buttonWidth = units.XRoundedUp(kButtonWidthUnits);
    const std::int32_t gap = units.XRoundedUp(kButtonGapUnits);
    const std::int32_t rowWidth = count * buttonWidth + (count - 1) * gap;
    if (rowWidth > contentWidth)
        contentWidth = rowWidth + 2 * units.XRoundedUp(kButtonGapUnits);

    std::uint32_t defaultMask = 0;
    for (const ButtonRow& row : kButtons) {
        if ((shown & row.mask) != 0 && (defaultButton & row.mask) != 0) {
            defaultMask = row.mask;
            break;
        }
    }
    if (defaultMask == 0)
        defaultMask = shown & (~shown + 1); // the lowest bit: the first button present

    std::int32_t x = (contentWidth - rowWidth) / 2;
    const std::int32_t buttonHeight = units.YRoundedUp(kButtonHeightUnits);
    for (std::size_t index = 0; index < kButtons.size(); ++index) {
        const ButtonRow& row = kButtons[index];
        if ((shown & row.mask) == 0)
            continue;
        platform::ControlOptions button;
        button.kind = platform::ControlKind::Button;
        button.id = row.id;
        button.text = ButtonCaption(index);
        button.tabStop = true;
        button.defaultButton = row.mask == defaultMask;
        button.rect = { x, contentHeight, buttonWidth, buttonHeight };
        dialog.controls.push_back(button);
        x += buttonWidth + gap;
    }
    if ((shown & kButtonCancel) != 0)
        dialog.escapeId = kCancelId;

    // The box's size is kept in dialog units, so it is what those units give back in pixels.
    const std::int32_t width = units.XRoundedUp(units.UnitsX(contentWidth));
    const std::int32_t height
        = units.YRoundedUp(units.UnitsY(contentHeight + buttonHeight + margin));
    dialog.rect = { platform::kDefaultPosition, platform::kDefaultPosition, width, height };
    return dialog;
}

platform::DialogTemplate MessageBoxTemplate(std::string_view text, std::string_view caption,
    std::uint32_t buttons, std::uint32_t defaultButton, std::uint32_t options)
{
    const platform::Font font = MessageBoxFont();
    const platform::FontMetrics metrics = platform::MeasureFont(font);
    const platform::Size textSize
        = platform::MeasureText(font, text, BoxUnits(metrics).XRoundedUp(kTextWidthUnits));
    return BuildMessageBox(text, caption, buttons, defaultButton, options, metrics, textSize,
        platform::StandardIconSize());
}

std::uint32_t MessageAnswer(std::uint32_t buttons, std::uint32_t endedId)
{
    const std::uint32_t shown = EffectiveButtons(buttons);
    for (const ButtonRow& row : kButtons) {
        if ((shown & row.mask) != 0 && row.id == endedId)
            return row.mask;
    }
    return 0;
}

bool CanShowMessage()
{
    return platform::DisplayRunning() && !platform::IsGuiThread() && CurrentSlot() >= 0
        && HoldsRuntimeLock();
}

std::uint32_t ShowMessage(std::string_view text, std::string_view caption, std::uint32_t buttons,
    std::uint32_t defaultButton, std::uint32_t options)
{
    if (!CanShowMessage())
        return 0;
    platform::DialogTemplate dialog
        = MessageBoxTemplate(text, caption, buttons, defaultButton, options);
    const ModalDialogEnd end = RunModalDialog([&dialog](platform::WindowHandle owner) {
        dialog.owner = owner;
        return platform::OpenDialog(dialog);
    });
    if (end.dialog == 0)
        return 0;
    return MessageAnswer(buttons, static_cast<std::uint32_t>(end.answer));
}

} // namespace window
