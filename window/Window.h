#pragma once

#include <platform/Display.h>
#include <value/Picture.h>
#include <window/ControlFactory.h>
#include <window/DialogUnits.h>
#include <window/DisplayWindow.h>
#include <window/UseBinding.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Windows built from compiled descriptors: a procedure declares one with its module name, its
// window name and the variables its controls show, then opens it and runs its ACCEPT loop.
// Opening loads the descriptor, creates the platform window with its menu bar, status bar and
// controls, binds each control with a use descriptor to the next variable of the list, and
// frees the descriptor again. While the window is open each bound control and its variable
// are kept in step: the variables are shown when a loop starts and on Refresh, and what the
// user edited is stored into its variable before the procedure sees an "EVENT:Accepted".
//
// Assistive technology hears each control by its name: a button, check box or text by its own
// caption, an input (entry, text box, list, combo) by the text of the string or prompt that
// labels it, the nearest one above it that overlaps it horizontally, else the nearest one to
// its left. An entry with option bit 0x80 is read-only: it shows its variable and takes no
// edits, neither typed nor pasted.

namespace window {

/// Control ids: field equate + this base (kControlIdBase, unsigned as the platform's ids are).
inline constexpr std::uint32_t kControlIdOffset = static_cast<std::uint32_t>(kControlIdBase);

/// Property numbers of controls and windows.
namespace property {
inline constexpr std::int32_t kType = 0x7C01;      ///< a control's record type code (read)
inline constexpr std::int32_t kAcceptAll = 0x7C9A; ///< the window's accept-all state (read)
inline constexpr std::int32_t kAlertKey = 0x7D06;  ///< a control's alert keys (a list)
/// The index that adds a value to a list property instead of replacing one.
inline constexpr std::int32_t kAddIndex = 255;
} // namespace property

/// Standard action numbers carried by buttons and menu items.
namespace action {
inline constexpr std::int32_t kWindowList = 1;
inline constexpr std::int32_t kTile = 2;
inline constexpr std::int32_t kCascade = 3;
inline constexpr std::int32_t kArrangeIcons = 4;
inline constexpr std::int32_t kHelpOnHelp = 6;
inline constexpr std::int32_t kCut = 10;
inline constexpr std::int32_t kCopy = 11;
inline constexpr std::int32_t kPaste = 12;
inline constexpr std::int32_t kClear = 13;
inline constexpr std::int32_t kUndo = 14;
inline constexpr std::int32_t kClose = 15;
inline constexpr std::int32_t kTileHorizontal = 17;
inline constexpr std::int32_t kTileVertical = 18;
} // namespace action

/// Registers the factories of every control kind windows are built with (start-up).
void RegisterControlKinds();

/// In single-window mode MDI children and the application frame are declared as plain windows.
void SetSingleWindowMode(bool single);
bool SingleWindowMode();

/// The size of the string an entry without a use descriptor keeps what is typed in.
inline constexpr std::uint32_t kPrivateValueSize = 255;

/// An entry's picture: its text, and the form compiled from it (which points into the text).
struct EntryPicture {
    std::string text;
    value::CompiledPicture compiled;
};

/// One control of an open window.
struct WindowControl {
    ControlSpec declared; ///< what its record declares
    platform::ControlKind kind = platform::ControlKind::Static;
    std::int32_t container = 0; ///< the equate of the group box around it, 0: none
    /// The text last shown in the control or read from it: an update stores only what differs.
    std::optional<std::string> shown;
    std::uint32_t maxLength = 0; ///< an edit's limit in bytes, 0: none
    /// An entry's compiled picture, which it shows its variable through and reads typed text
    /// back through; null for an entry without one and for every other control.
    std::shared_ptr<const EntryPicture> picture;
    /// The variable of an entry without a use descriptor.
    std::shared_ptr<std::array<char, kPrivateValueSize>> privateValue;
};

class Window : public DisplayWindow {
public:
    /// Declares a window of `kind` (in single-window mode MDI children and frames become plain
    /// windows) built from window `windowName` of the descriptor of `moduleName`. `variables`
    /// are the bound variables in the order of the controls that use them; the list ends at
    /// its first null address.
    Window(platform::WindowKind kind, std::string moduleName, std::string windowName,
        std::vector<void*> variables = {});
    ~Window() override;

    /// Opens the window on the calling thread (see window::OpenWindow for the refusals). A
    /// plain window's owner is the thread's current window, else the application frame.
    bool Open();

    /// Copies every bound variable into its control.
    void Refresh();
    /// Copies one field's variable into its control; nothing for a field without one.
    void Display(std::int32_t equate);
    /// Stores the field's control into its variable when the user changed it since it was last
    /// shown; answers whether it stored.
    bool Update(std::int32_t equate);
    /// Stores every changed bound control.
    void UpdateAll();

    /// The control of a field, null when there is none (menu items included).
    const WindowControl* FindControl(std::int32_t equate) const;
    /// The standard action of a button or menu item, 0 when none.
    std::int32_t StandardAction(std::int32_t equate) const;
    /// Carries out standard action `number` on this window; false for a number that is none.
    bool RunStandardAction(std::int32_t number);

    /// Reads a property of the field's control (equate 0: of the window); empty for an unknown
    /// number or field.
    std::optional<std::int32_t> Property(std::int32_t equate, std::int32_t number) const;
    /// Writes a property; false for an unknown number or field, or a read-only property.
    bool SetProperty(
        std::int32_t equate, std::int32_t number, std::int32_t value, std::int32_t index = 0);

    /// Gives the control of field `equate` what assistive technology reads after its name
    /// (Windows-1250; empty: nothing), to tell apart controls with one caption: at once when the
    /// window is open, and at each later opening. Nothing shows for a field without a control.
    void SetControlDescription(std::int32_t equate, std::string_view text);

    /// Makes the window take files dropped on it from a file manager, from its next opening
    /// on: each drop is an "EVENT:Drop" of the window, and window::CurrentDrop tells what came.
    void AcceptFileDrops() { Options().acceptFileDrops = true; }

    /// The units this window converts positions with (from its font, set as it opens), the
    /// fraction of a pixel dropped (DialogUnits::X, Y).
    const DialogUnits& Units() const { return m_units; }

    bool CreatePlatformWindow() override;
    void DestroyPlatformWindow() override;
    /// Gives the focus to the field's control, or when it takes no keyboard input (a text, a
    /// group box, an icon) to the next control in declaration order that does.
    void GiveFocus(std::int32_t equate) override;
    void RefreshDisplay() override;
    bool IsBound(std::int32_t equate) const override;
    CommandAnswer OnCommand(std::int32_t equate, std::int64_t notify) override;
    void PrepareEvent(const Event& event) override;

private:
    bool Build();
    // The steps of Build, in order; each answers false for a malformed descriptor.
    /// The platform window's options: title, font (and the units it gives), frame, colours,
    /// place, owner and timer.
    bool BuildOptions(const Record& window);
    /// The status bar's zone widths in pixels.
    bool BuildStatusBar(const Record& window);
    /// The menu bar, the standard actions of its items and the variables of its check items.
    bool BuildMenus(const Record& window, UseBinding& binding);
    /// The controls, each group box before the controls inside it.
    bool BuildControls(const Record& window, UseBinding& binding);
    /// Names the inputs after their labels and hands every control's options to the window
    /// (one for each of m_controls, in that order).
    void AddBuiltControls(std::vector<platform::ControlOptions> controlOptions);
    /// Gives the focus to the first control that takes it, if any.
    void FocusFirstControl();

    std::string m_moduleName;
    std::string m_windowName;
    std::vector<void*> m_variables;
    WindowObject* m_openingOwner = nullptr;
    DialogUnits m_units;
    std::vector<WindowControl> m_controls;
    std::vector<std::pair<std::int32_t, std::int32_t>> m_menuActions; ///< equate, action
    std::vector<std::pair<std::int32_t, value::ValueReference>> m_checkItems;
    std::vector<std::int32_t> m_statusZones;
    std::vector<platform::MenuItem> m_menus;
    std::map<std::int32_t, std::string> m_descriptions; ///< accessible descriptions by equate
};

} // namespace window
