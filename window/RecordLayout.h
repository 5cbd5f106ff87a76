#pragma once

#include <array>
#include <cstdint>

// Where each field of a compiled window descriptor's records lies. The offsets are counted from
// the start of the record; every reference a field holds is counted from the start of the
// descriptor block. The binary form is the contract between the build-time compiler
// (tools/descriptor) and this loader, and this header is its one definition: the compiler
// writes its records through the same names. It needs nothing but the standard library, so
// that the compiler can include it without the window library.

namespace window {

/// Record type codes (the byte at +0 of every record).
enum class RecordType : std::uint8_t {
    String = 2,
    Entry = 8,
    Button = 9,
    Prompt = 10,
    Check = 12,
    Group = 13,
    List = 14,
    Text = 17,
    Menu = 19,
    Item = 20,
    MenuBar = 22,
    Toolbar = 23, ///< no control kind: the engine's table leaves 23 unused, varn gives it here
    Window = 25,
    Report = 26,
    DropCombo = 33,
    Combo = 34,
    Graphic = 39,
};

/// The value of a coordinate or size that is not given (default position or size).
inline constexpr std::int32_t kNotGiven = INT32_MIN;
/// A colour that is not given: inherit it.
inline constexpr std::uint32_t kNoColour = 0xFFFFFFFFu;

namespace layout {

/// References count from this many bytes before the body: the loader copies the body to this
/// offset of its block, so that a reference of 0 (none) never names a byte of the body. The
/// body's first i32 is the offset of the first window record.
inline constexpr std::uint32_t kBodyStart = 2;

// Common record head.
inline constexpr std::uint32_t kType = 0x00;       ///< u8 record type code
inline constexpr std::uint32_t kNext = 0x01;       ///< i32 next sibling, 0 = last
inline constexpr std::uint32_t kAttributes = 0x05; ///< u32 attribute bits of the kind
inline constexpr std::uint32_t kHeadSize = 0x0D;   ///< the head ends after +0x09 (reserved)
inline constexpr std::uint32_t kEquate = 0x0D;     ///< i32 field equate (controls and menus)
inline constexpr std::uint32_t kControlHeadSize = 0x15;

// Window record (type 25).
inline constexpr std::uint32_t kWindowPosition = 0x0D; ///< x, y, width, height
inline constexpr std::uint32_t kWindowFirstControl = 0x1D;
inline constexpr std::uint32_t kWindowName = 0x21;
inline constexpr std::uint32_t kWindowFont = 0x25;
inline constexpr std::uint32_t kWindowTitle = 0x29;
inline constexpr std::uint32_t kWindowColours = 0x35;
inline constexpr std::uint32_t kWindowIcon = 0x39;
inline constexpr std::uint32_t kWindowHelp = 0x3D;
inline constexpr std::uint32_t kWindowFrame = 0x51;
inline constexpr std::uint32_t kWindowPalette = 0x55;
inline constexpr std::uint32_t kWindowTimer = 0x59;
inline constexpr std::uint32_t kWindowMenuBar = 0x5D;
inline constexpr std::uint32_t kWindowToolbar = 0x61;
inline constexpr std::uint32_t kWindowCursor = 0x65;
inline constexpr std::uint32_t kWindowZones = 0x69;
inline constexpr std::uint32_t kWindowWallpaperMode = 0x6D; ///< u8, low two bits
inline constexpr std::uint32_t kWindowWallpaper = 0x6E;
inline constexpr std::uint32_t kWindowDocking = 0x72; ///< u8 x 2
inline constexpr std::uint32_t kWindowSize = 116;

// Menu bar (type 22).
inline constexpr std::uint32_t kMenuBarFirst = 0x15;
inline constexpr std::uint32_t kMenuBarPosition = 0x19;
inline constexpr std::uint32_t kMenuBarSize = 73;

// Menu (type 19) and menu item (type 20).
inline constexpr std::uint32_t kMenuUse = 0x15;
inline constexpr std::uint32_t kMenuText = 0x19;
inline constexpr std::uint32_t kMenuPosition = 0x1D;
inline constexpr std::uint32_t kMenuHelp = 0x2D;
inline constexpr std::uint32_t kMenuAction = 0x4D;
inline constexpr std::uint32_t kMenuFirstChild = 0x59; ///< menus only
inline constexpr std::uint32_t kMenuSize = 93;
inline constexpr std::uint32_t kItemSize = 89;

// A position: four i32, from the offset its record's layout gives.
inline constexpr std::uint32_t kPositionX = 0;
inline constexpr std::uint32_t kPositionY = 4;
inline constexpr std::uint32_t kPositionWidth = 8;
inline constexpr std::uint32_t kPositionHeight = 12;

// Font block (referenced).
inline constexpr std::uint32_t kFontFace = 0;   ///< i32 reference of the face name
inline constexpr std::uint32_t kFontSize = 4;   ///< i32 points
inline constexpr std::uint32_t kFontColour = 8; ///< u32 colour
inline constexpr std::uint32_t kFontWeight = 12;
inline constexpr std::uint32_t kFontBlockSize = 16;

// Colour block (referenced).
inline constexpr std::uint32_t kColourText = 0;
inline constexpr std::uint32_t kColourBackground = 4;
inline constexpr std::uint32_t kColourSelected = 8;
inline constexpr std::uint32_t kColourBlockSize = 12;

// Help block (inline in its record): i32 references of three texts, the key code, and the
// i32 reference of the alert keys' value list.
inline constexpr std::uint32_t kHelpMessage = 0;
inline constexpr std::uint32_t kHelpTip = 4;
inline constexpr std::uint32_t kHelpText = 8;
inline constexpr std::uint32_t kHelpKey = 12;
inline constexpr std::uint32_t kHelpAlerts = 16;
inline constexpr std::uint32_t kHelpBlockSize = 20;

// Value cell (referenced): one value of a chained list.
inline constexpr std::uint32_t kCellValue = 0; ///< i32
inline constexpr std::uint32_t kCellNext = 4;  ///< i32 reference of the next cell, 0 = last
inline constexpr std::uint32_t kValueCellSize = 8;

// Use descriptor (referenced).
inline constexpr std::uint32_t kUseType = 0;    ///< u8 value type code
inline constexpr std::uint32_t kUseSize = 1;    ///< i32 declared size
inline constexpr std::uint32_t kUsePicture = 5; ///< i32 reference of the picture
inline constexpr std::uint32_t kUseDescriptorSize = 9;

// Menu item attribute bits.
inline constexpr std::uint32_t kItemSeparator = 0x10;
inline constexpr std::uint32_t kItemDisabled = 0x40;
inline constexpr std::uint32_t kItemRight = 0x08;

} // namespace layout

/// Where the fields of one control kind lie; 0 marks a field the kind does not have. Every
/// control has the common head and its field equate (+0x0D).
struct ControlLayout {
    RecordType type;
    std::uint32_t size = 0;          ///< bytes of the record
    std::uint32_t position = 0;      ///< i32 x, y, width, height
    std::uint32_t use = 0;           ///< i32 reference of the use descriptor
    std::uint32_t help = 0;          ///< inline help block (20 bytes)
    std::uint32_t font = 0;          ///< i32 reference of a font block
    std::uint32_t cursor = 0;        ///< i32 reference of the cursor name
    std::uint32_t colours = 0;       ///< i32 reference of a colour block
    std::uint32_t text = 0;          ///< i32 reference of the text
    std::uint32_t icon = 0;          ///< i32 reference of the icon name
    std::uint32_t picture = 0;       ///< i32 reference of a picture without its "@"
    std::uint32_t pictureOption = 0; ///< i32
    std::uint32_t from = 0;          ///< i32 reference of a list's items, "|" between them
    std::uint32_t format = 0;        ///< i32 reference of a list's column format
    std::uint32_t options = 0;       ///< u8 options of the kind
    std::uint32_t action = 0;        ///< i32 standard action number
    std::uint32_t repeat = 0;        ///< u16 auto-repeat delay, u16 interval (hundredths)
    std::uint32_t angle = 0;         ///< i16 text angle in tenths of a degree
    std::uint32_t firstChild = 0;    ///< i32 first child record
};

/// The layouts of the control kinds the window engine builds, in type code order. The list,
/// combination and graphic layouts are this system's own (only the framework's item chooser
/// uses them).
inline constexpr std::array<ControlLayout, 11> kControlLayouts { {
    { .type = RecordType::String,
        .size = 0x3B,
        .position = 0x15,
        .font = 0x2D,
        .cursor = 0x31,
        .colours = 0x35,
        .text = 0x29,
        .angle = 0x39 },
    { .type = RecordType::Entry,
        .size = 0x52,
        .position = 0x19,
        .use = 0x15,
        .help = 0x29,
        .font = 0x3D,
        .cursor = 0x41,
        .colours = 0x45,
        .picture = 0x49,
        .pictureOption = 0x4D,
        .options = 0x51 },
    { .type = RecordType::Button,
        .size = 0x5A,
        .position = 0x15,
        .help = 0x25,
        .font = 0x39,
        .cursor = 0x3D,
        .colours = 0x41,
        .text = 0x45,
        .icon = 0x49,
        .options = 0x55,
        .action = 0x51,
        .repeat = 0x56 },
    { .type = RecordType::Prompt,
        .size = 0x39,
        .position = 0x15,
        .font = 0x2D,
        .cursor = 0x31,
        .colours = 0x35,
        .text = 0x29 },
    { .type = RecordType::Check,
        .size = 0x4D,
        .position = 0x19,
        .use = 0x15,
        .help = 0x29,
        .font = 0x3D,
        .cursor = 0x41,
        .colours = 0x45,
        .text = 0x49 },
    { .type = RecordType::Group,
        .size = 0x51,
        .position = 0x15,
        .help = 0x25,
        .font = 0x39,
        .cursor = 0x3D,
        .colours = 0x41,
        .text = 0x45,
        .firstChild = 0x49 },
    { .type = RecordType::List,
        .size = 0x56,
        .position = 0x19,
        .use = 0x15,
        .help = 0x29,
        .font = 0x3D,
        .cursor = 0x41,
        .colours = 0x45,
        .from = 0x49,
        .format = 0x4D,
        .options = 0x51 },
    { .type = RecordType::Text,
        .size = 0x52,
        .position = 0x19,
        .use = 0x15,
        .help = 0x29,
        .font = 0x3D,
        .cursor = 0x41,
        .colours = 0x45,
        .options = 0x51 },
    { .type = RecordType::DropCombo,
        .size = 0x56,
        .position = 0x19,
        .use = 0x15,
        .help = 0x29,
        .font = 0x3D,
        .cursor = 0x41,
        .colours = 0x45,
        .from = 0x49,
        .format = 0x4D,
        .options = 0x51 },
    { .type = RecordType::Combo,
        .size = 0x56,
        .position = 0x19,
        .use = 0x15,
        .help = 0x29,
        .font = 0x3D,
        .cursor = 0x41,
        .colours = 0x45,
        .picture = 0x52,
        .from = 0x49,
        .format = 0x4D,
        .options = 0x51 },
    { .type = RecordType::Graphic,
        .size = 0x41,
        .position = 0x15,
        .help = 0x25,
        .cursor = 0x39,
        .colours = 0x3D },
} };

/// The toolbar record (window +0x61): laid out as a group box without text; its controls
/// hang from +0x49. It is built by the window's own routine, not by a control factory.
inline constexpr ControlLayout kToolbarLayout { .type = RecordType::Toolbar,
    .size = 0x51,
    .position = 0x15,
    .help = 0x25,
    .font = 0x39,
    .cursor = 0x3D,
    .colours = 0x41,
    .firstChild = 0x49 };

/// The layout of a control kind, or null for a code that is no control the engine builds.
constexpr const ControlLayout* FindControlLayout(std::uint8_t type)
{
    for (const ControlLayout& entry : kControlLayouts) {
        if (static_cast<std::uint8_t>(entry.type) == type)
            return &entry;
    }
    return nullptr;
}

} // namespace window
