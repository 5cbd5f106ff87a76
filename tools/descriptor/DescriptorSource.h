#pragma once

#include <window/RecordLayout.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The model of a window declaration (a `.wnd` file): what the parser builds, the printer writes
// back and the encoder turns into the binary descriptor. Every text in the model is already in
// Windows-1250, byte for byte as the descriptor stores it, and never holds a NUL byte. A value
// that the declaration does not give is 0 (or empty), which is also what the descriptor stores
// for it; the few exceptions (position, font, colours, use) are optional.

namespace descriptor {

/// A colour that is not given: "none" in a declaration, 0xFFFFFFFF in a descriptor.
inline constexpr std::uint32_t kNoColour = window::kNoColour;
/// What the descriptor stores for a coordinate or number that is not given.
inline constexpr std::uint32_t kNotGiven = static_cast<std::uint32_t>(window::kNotGiven);

/// The record kinds, valued by their type code (the byte at +0 of every record), as the loader
/// knows them.
enum class Kind : std::uint8_t {
    String = static_cast<std::uint8_t>(window::RecordType::String),
    Entry = static_cast<std::uint8_t>(window::RecordType::Entry),
    Button = static_cast<std::uint8_t>(window::RecordType::Button),
    Prompt = static_cast<std::uint8_t>(window::RecordType::Prompt),
    Check = static_cast<std::uint8_t>(window::RecordType::Check),
    Group = static_cast<std::uint8_t>(window::RecordType::Group),
    List = static_cast<std::uint8_t>(window::RecordType::List),
    TextBox = static_cast<std::uint8_t>(window::RecordType::Text),
    Menu = static_cast<std::uint8_t>(window::RecordType::Menu),
    Item = static_cast<std::uint8_t>(window::RecordType::Item),
    MenuBar = static_cast<std::uint8_t>(window::RecordType::MenuBar),
    Toolbar = static_cast<std::uint8_t>(window::RecordType::Toolbar),
    Window = static_cast<std::uint8_t>(window::RecordType::Window),
    DropCombo = static_cast<std::uint8_t>(window::RecordType::DropCombo),
    Combo = static_cast<std::uint8_t>(window::RecordType::Combo),
    Graphic = static_cast<std::uint8_t>(window::RecordType::Graphic),
};

/// The fields a record may carry besides its attributes and position. Which of them a kind
/// has is answered by `HasField`.
enum class Field : std::uint8_t {
    Text, ///< written `title` on a window
    Font,
    Colours,
    Cursor,
    Icon,
    Help,
    Use,
    Picture,
    PictureOption,
    Options,
    Action,
    Repeat,
    Angle,
    From,
    Format,
    Frame,
    Palette,
    Timer,
    Zones,
    Wallpaper,
    Docking,
};

/// A font block: face (empty = inherit), size in points (0 = inherit), colour, weight.
struct Font {
    std::string face;
    std::int32_t size = 0;
    std::uint32_t colour = kNoColour;
    std::int32_t weight = 0;

    bool operator==(const Font&) const = default;
};

/// A colour block, in the order the descriptor stores it.
struct Colours {
    std::uint32_t text = kNoColour;
    std::uint32_t background = kNoColour;
    std::uint32_t selected = kNoColour;

    bool operator==(const Colours&) const = default;
};

/// The help block stored inline in a record. Empty parts are stored as 0.
struct Help {
    std::string message;
    std::string tip;
    std::string text;
    std::int32_t key = 0;
    std::vector<std::int32_t> alerts; ///< alert keys, in chain order

    bool IsEmpty() const
    {
        return message.empty() && tip.empty() && text.empty() && key == 0 && alerts.empty();
    }
    bool operator==(const Help&) const = default;
};

/// The use descriptor: the type code and declared size of the bound variable, and an optional
/// picture.
struct Use {
    std::uint8_t type = 0;
    std::int32_t size = 0;
    std::string picture;

    bool operator==(const Use&) const = default;
};

/// Every field of every kind; a kind uses only its own (`HasField`) and the rest stay 0.
struct Fields {
    std::string text; ///< a control's or menu's text; a window's title
    std::optional<Font> font;
    std::optional<Colours> colours;
    std::string cursor;
    std::string icon;
    Help help;
    std::optional<Use> use;
    std::string picture; ///< display picture without its leading "@"
    std::int32_t pictureOption = 0;
    std::uint8_t options = 0;
    std::int32_t action = 0;          ///< standard action number
    std::uint16_t repeatDelay = 0;    ///< hundredths of a second
    std::uint16_t repeatInterval = 0; ///< hundredths of a second
    std::int16_t angle = 0;           ///< tenths of a degree
    std::string from;                 ///< list items, separated by "|"
    std::string format;               ///< list column format
    std::uint32_t frame = 0;
    std::int32_t palette = 0;
    std::int32_t timer = 0;          ///< hundredths of a second
    std::vector<std::int32_t> zones; ///< status-bar zone widths, in chain order
    std::uint8_t wallpaperMode = 0;
    std::string wallpaper;
    std::array<std::uint8_t, 2> docking {};

    bool operator==(const Fields&) const = default;
};

/// x, y, width, height; an absent value is stored as 0x80000000.
using Position = std::array<std::optional<std::int32_t>, 4>;

/// One record: a window, a menu bar, toolbar, menu or item, or a control.
struct Record {
    Kind kind = Kind::Window;
    std::int32_t equate = 0; ///< field equate; unused on windows
    std::string name;        ///< a window's name ("P1$WINDOW"); empty on the other kinds
    std::uint32_t attributes = 0;
    Position position {};
    Fields fields;
    /// Child records in declaration order: a window's menu bar, toolbar and controls; the
    /// menus and items of a menu bar or menu; the controls of a group box or toolbar.
    std::vector<Record> children;

    bool operator==(const Record&) const = default;
};

/// A whole declaration: the module name and its windows, in declaration order.
struct DescriptorSource {
    std::string moduleName; ///< "varn$varn002"
    std::vector<Record> windows;

    bool operator==(const DescriptorSource&) const = default;
};

/// The keyword of a kind in the declaration language ("button", "textbox", "menubar").
std::string_view KindKeyword(Kind kind);
/// The kind of a keyword, or nothing when the word names no kind.
std::optional<Kind> KindFromKeyword(std::string_view keyword);
/// Whether records of `kind` carry `field`.
bool HasField(Kind kind, Field field);
/// Whether a record of `parent` may hold a record of `child`.
bool CanHold(Kind parent, Kind child);
/// Whether `kind` is a control: a record the window engine builds a control from.
bool IsControl(Kind kind);

/// The name of a value type code (18 "STRING"), or an empty view for a code without one.
std::string_view TypeName(std::uint8_t type);
/// The code of a type name, matched without regard to case, or nothing for an unknown name.
std::optional<std::uint8_t> TypeFromName(std::string_view name);

/// The resource name a module's descriptor is stored under: the text after the first "$" (the
/// whole name when there is none), ASCII letters upper-cased, then "_RSC". "varn$varn002"
/// gives "VARN002_RSC"; "abpopup" gives "ABPOPUP_RSC".
std::string ResourceName(std::string_view moduleName);

} // namespace descriptor
