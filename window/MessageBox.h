#pragma once

#include <platform/Display.h>

#include <cstdint>
#include <string_view>

// The message box: a modal dialog with a text, an optional standard icon and a chosen set of
// standard buttons, answering which button was pressed. The box is laid out in dialog units of
// its own font, so it looks the same whatever the screen's resolution. Texts are Windows-1250.

namespace window {

/// The standard buttons, in the order they stand in the box (left to right). A button's mask
/// bit is also what the box answers when it is pressed.
inline constexpr std::uint32_t kButtonOk = 0x01;
inline constexpr std::uint32_t kButtonYes = 0x02;
inline constexpr std::uint32_t kButtonNo = 0x04;
inline constexpr std::uint32_t kButtonAbort = 0x08;
inline constexpr std::uint32_t kButtonRetry = 0x10;
inline constexpr std::uint32_t kButtonIgnore = 0x20;
inline constexpr std::uint32_t kButtonCancel = 0x40;
inline constexpr std::uint32_t kButtonHelp = 0x80;

/// The icon of the box (options & kIconMask); any other value shows none.
inline constexpr std::uint32_t kIconMask = 0xF0;
inline constexpr std::uint32_t kIconStop = 0x10;
inline constexpr std::uint32_t kIconQuestion = 0x20;
inline constexpr std::uint32_t kIconExclamation = 0x30;
inline constexpr std::uint32_t kIconInformation = 0x40;
/// The icon the program registered as its own.
inline constexpr std::uint32_t kIconProgram = 0xF0;
/// The box blocks every window of the program, not only its owner.
inline constexpr std::uint32_t kSystemModal = 0x1000;

/// Control ids inside the box: the icon's and the text's (a button's id is that of its row:
/// OK 1, Cancel 2, Abort 3, Retry 4, Ignore 5, Yes 6, No 7, Help 9).
inline constexpr std::uint32_t kMessageIconId = 0xA90;
inline constexpr std::uint32_t kMessageTextId = 0xFFFF;

/// The font the box is laid out in and shown with.
platform::Font MessageBoxFont();

/// The box's template as ShowMessage opens it, laid out for the font's `metrics`, a standard
/// icon `iconSize` pixels square and `textSize`, the size the platform lays the text out in
/// when given 200 horizontal dialog units (MeasureText). The owner is left 0. A button mask of
/// 0 stands for OK alone; a default mask naming no button present makes the first button
/// present the default. Escape answers Cancel's id when Cancel is present and nothing else.
platform::DialogTemplate BuildMessageBox(std::string_view text, std::string_view caption,
    std::uint32_t buttons, std::uint32_t defaultButton, std::uint32_t options,
    const platform::FontMetrics& metrics, const platform::Size& textSize, std::int32_t iconSize);

/// The template for the box as the display would show it now: the font measured, the text laid
/// out. Needs a running display (without one the measures are 0 and the template useless).
platform::DialogTemplate MessageBoxTemplate(std::string_view text, std::string_view caption,
    std::uint32_t buttons, std::uint32_t defaultButton, std::uint32_t options);

/// The answer for a box that ended with control id `endedId`: the mask bit of the first button
/// of `buttons` (0: OK alone) with that id, else 0.
std::uint32_t MessageAnswer(std::uint32_t buttons, std::uint32_t endedId);

/// True when the calling thread can show a box: the display runs and the thread is a runtime
/// thread holding the runtime lock.
bool CanShowMessage();

/// Shows the box and waits for it to end; answers the pressed button's mask bit (see
/// MessageAnswer), 0 when the box ended otherwise or could not be shown (CanShowMessage false,
/// the display refused it). Its owner is the thread's current window, else the application
/// frame, else the display's choice; an owner that is gone counts as none. While the box is up
/// the runtime is modal (no thread starts, no frame or MDI window opens) and the runtime lock
/// is released, so other threads go on. The control that had the focus gets it back. A
/// thread asked to end while its box is up gets 0 and the box is taken down.
/// Button captions are the display's Croatian ones (platform::StandardButtonText), replaced by
/// message overrides 0x7F00 + the button's row.
std::uint32_t ShowMessage(std::string_view text, std::string_view caption, std::uint32_t buttons,
    std::uint32_t defaultButton, std::uint32_t options);

} // namespace window
