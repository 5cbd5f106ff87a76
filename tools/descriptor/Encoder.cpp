#include "Encoder.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <limits>
#include <string>

namespace descriptor {

namespace {

namespace layout = window::layout;

/// Offsets count from two bytes before the body: the loader copies the body to position 2 of
/// its block.
constexpr std::int32_t kBodyBase = layout::kBodyStart;

/// Where each field of a kind's record lies, from the record's start; 0 = the kind has no
/// such field. Every record starts with the common head (layout::kType, kNext, kAttributes).
/// The offsets are the loader's (window/RecordLayout.h): this only gathers, for every kind, the
/// fields the encoder writes.
struct Layout {
    std::uint32_t size = 0;
    std::uint32_t equate = 0;        ///< i32 (+0x11 after it is reserved)
    std::uint32_t position = 0;      ///< i32 x 4
    std::uint32_t use = 0;           ///< use descriptor
    std::uint32_t help = 0;          ///< inline help block, 20 bytes
    std::uint32_t font = 0;          ///< font block
    std::uint32_t cursor = 0;        ///< text
    std::uint32_t colours = 0;       ///< colour block
    std::uint32_t text = 0;          ///< text; a window's title
    std::uint32_t icon = 0;          ///< text
    std::uint32_t picture = 0;       ///< text
    std::uint32_t pictureOption = 0; ///< i32
    std::uint32_t from = 0;          ///< text
    std::uint32_t format = 0;        ///< text
    std::uint32_t options = 0;       ///< u8
    std::uint32_t action = 0;        ///< i32
    std::uint32_t repeat = 0;        ///< u16 delay, u16 interval
    std::uint32_t angle = 0;         ///< i16
    std::uint32_t firstChild = 0;    ///< record
    std::uint32_t name = 0;          ///< text
    std::uint32_t frame = 0;         ///< u32
    std::uint32_t palette = 0;       ///< i32
    std::uint32_t timer = 0;         ///< i32
    std::uint32_t menuBar = 0;       ///< record
    std::uint32_t toolbar = 0;       ///< record
    std::uint32_t zones = 0;         ///< value list
    std::uint32_t wallpaperMode = 0; ///< u8
    std::uint32_t wallpaper = 0;     ///< text
    std::uint32_t docking = 0;       ///< u8 x 2
};

constexpr Layout kWindowLayout { .size = layout::kWindowSize,
    .position = layout::kWindowPosition,
    .help = layout::kWindowHelp,
    .font = layout::kWindowFont,
    .cursor = layout::kWindowCursor,
    .colours = layout::kWindowColours,
    .text = layout::kWindowTitle,
    .icon = layout::kWindowIcon,
    .firstChild = layout::kWindowFirstControl,
    .name = layout::kWindowName,
    .frame = layout::kWindowFrame,
    .palette = layout::kWindowPalette,
    .timer = layout::kWindowTimer,
    .menuBar = layout::kWindowMenuBar,
    .toolbar = layout::kWindowToolbar,
    .zones = layout::kWindowZones,
    .wallpaperMode = layout::kWindowWallpaperMode,
    .wallpaper = layout::kWindowWallpaper,
    .docking = layout::kWindowDocking };

constexpr Layout kMenuBarLayout { .size = layout::kMenuBarSize,
    .equate = layout::kEquate,
    .position = layout::kMenuBarPosition,
    .firstChild = layout::kMenuBarFirst };

/// A menu; an item is laid out alike, shorter by the first child.
constexpr Layout kMenuLayout { .size = layout::kMenuSize,
    .equate = layout::kEquate,
    .position = layout::kMenuPosition,
    .use = layout::kMenuUse,
    .help = layout::kMenuHelp,
    .text = layout::kMenuText,
    .action = layout::kMenuAction,
    .firstChild = layout::kMenuFirstChild };

constexpr Layout ItemLayout()
{
    Layout item = kMenuLayout;
    item.size = layout::kItemSize;
    item.firstChild = 0;
    return item;
}

/// A control, or the toolbar (laid out as a control).
constexpr Layout ControlLayoutOf(const window::ControlLayout& control)
{
    return { .size = control.size,
        .equate = layout::kEquate,
        .position = control.position,
        .use = control.use,
        .help = control.help,
        .font = control.font,
        .cursor = control.cursor,
        .colours = control.colours,
        .text = control.text,
        .icon = control.icon,
        .picture = control.picture,
        .pictureOption = control.pictureOption,
        .from = control.from,
        .format = control.format,
        .options = control.options,
        .action = control.action,
        .repeat = control.repeat,
        .angle = control.angle,
        .firstChild = control.firstChild };
}

Layout LayoutOf(Kind kind)
{
    switch (kind) {
    case Kind::Window:
        return kWindowLayout;
    case Kind::MenuBar:
        return kMenuBarLayout;
    case Kind::Menu:
        return kMenuLayout;
    case Kind::Item:
        return ItemLayout();
    case Kind::Toolbar:
        return ControlLayoutOf(window::kToolbarLayout);
    default:
        break;
    }
    const window::ControlLayout* control
        = window::FindControlLayout(static_cast<std::uint8_t>(kind));
    assert(control != nullptr && "every kind has a layout");
    return control != nullptr ? ControlLayoutOf(*control) : Layout {};
}

/// A record or sub-block being filled before it is appended to the body.
class Block {
public:
    explicit Block(std::uint32_t size)
        : m_bytes(size, std::byte { 0 })
    {
    }

    void U8(std::uint32_t at, std::uint8_t value) { m_bytes.at(at) = std::byte { value }; }
    void U16(std::uint32_t at, std::uint16_t value)
    {
        U8(at, static_cast<std::uint8_t>(value));
        U8(at + 1, static_cast<std::uint8_t>(value >> 8));
    }
    void U32(std::uint32_t at, std::uint32_t value)
    {
        for (std::uint32_t i = 0; i < 4; ++i)
            U8(at + i, static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void I32(std::uint32_t at, std::int32_t value) { U32(at, static_cast<std::uint32_t>(value)); }

    const std::vector<std::byte>& Bytes() const { return m_bytes; }

private:
    std::vector<std::byte> m_bytes;
};

class Writer {
public:
    Writer()
        : m_body(4, std::byte { 0 })
    {
    }

    std::vector<std::byte> Finish(const DescriptorSource& source)
    {
        std::vector<const Record*> windows;
        for (const Record& window : source.windows)
            windows.push_back(&window);
        const std::int32_t first = Chain(windows);
        Block head(4);
        head.I32(0, first);
        std::copy(head.Bytes().begin(), head.Bytes().end(), m_body.begin());

        assert(source.moduleName.find('\0') == std::string::npos && "texts hold no NUL");
        std::vector<std::byte> content;
        content.reserve(source.moduleName.size() + 1 + m_body.size());
        for (const char c : source.moduleName)
            content.push_back(static_cast<std::byte>(c));
        content.push_back(std::byte { 0 });
        content.insert(content.end(), m_body.begin(), m_body.end());
        return content;
    }

private:
    std::int32_t Here() const
    {
        assert(m_body.size()
                < static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - kBodyBase)
            && "a descriptor body fits in signed 32-bit offsets");
        return static_cast<std::int32_t>(m_body.size()) + kBodyBase;
    }

    std::int32_t Append(const Block& block)
    {
        const std::int32_t offset = Here();
        m_body.insert(m_body.end(), block.Bytes().begin(), block.Bytes().end());
        return offset;
    }

    /// A NUL-terminated text; the empty text is offset 0, which reads as "" in the block.
    std::int32_t Text(const std::string& text)
    {
        if (text.empty())
            return 0;
        assert(text.find('\0') == std::string::npos && "texts hold no NUL");
        const std::int32_t offset = Here();
        for (const char c : text)
            m_body.push_back(static_cast<std::byte>(c));
        m_body.push_back(std::byte { 0 });
        return offset;
    }

    /// Cells {value, next}; the last cell is stored first, so the head (the answer) is last.
    std::int32_t ValueList(const std::vector<std::int32_t>& values)
    {
        std::int32_t next = 0;
        for (auto value = values.rbegin(); value != values.rend(); ++value) {
            Block cell(layout::kValueCellSize);
            cell.I32(layout::kCellValue, *value);
            cell.I32(layout::kCellNext, next);
            next = Append(cell);
        }
        return next;
    }

    std::int32_t FontBlock(const std::optional<Font>& font)
    {
        if (!font)
            return 0;
        const std::int32_t face = Text(font->face);
        Block block(layout::kFontBlockSize);
        block.I32(layout::kFontFace, face);
        block.I32(layout::kFontSize, font->size);
        block.U32(layout::kFontColour, font->colour);
        block.I32(layout::kFontWeight, font->weight);
        return Append(block);
    }

    std::int32_t ColourBlock(const std::optional<Colours>& colours)
    {
        if (!colours)
            return 0;
        Block block(layout::kColourBlockSize);
        block.U32(layout::kColourText, colours->text);
        block.U32(layout::kColourBackground, colours->background);
        block.U32(layout::kColourSelected, colours->selected);
        return Append(block);
    }

    std::int32_t UseBlock(const std::optional<Use>& use)
    {
        if (!use)
            return 0;
        const std::int32_t picture = Text(use->picture);
        Block block(layout::kUseDescriptorSize);
        block.U8(layout::kUseType, use->type);
        block.I32(layout::kUseSize, use->size);
        block.I32(layout::kUsePicture, picture);
        return Append(block);
    }

    /// Stores sibling records from the last to the first, each knowing its successor, and
    /// answers the offset of the first (0 for none).
    std::int32_t Chain(const std::vector<const Record*>& records)
    {
        std::int32_t next = 0;
        for (auto record = records.rbegin(); record != records.rend(); ++record)
            next = Emit(**record, next);
        return next;
    }

    struct HelpOffsets {
        std::int32_t message = 0;
        std::int32_t tip = 0;
        std::int32_t text = 0;
        std::int32_t alerts = 0;
    };

    std::int32_t Emit(const Record& record, std::int32_t next)
    {
        const Layout fields = LayoutOf(record.kind);
        const Fields& f = record.fields;
        const auto has = [&record](Field field) { return HasField(record.kind, field); };

        // Everything the record refers to goes in front of it.
        const std::int32_t name = record.kind == Kind::Window ? Text(record.name) : 0;
        const std::int32_t text = has(Field::Text) ? Text(f.text) : 0;
        const std::int32_t use = has(Field::Use) ? UseBlock(f.use) : 0;
        const std::int32_t font = has(Field::Font) ? FontBlock(f.font) : 0;
        const std::int32_t colours = has(Field::Colours) ? ColourBlock(f.colours) : 0;
        const std::int32_t cursor = has(Field::Cursor) ? Text(f.cursor) : 0;
        const std::int32_t icon = has(Field::Icon) ? Text(f.icon) : 0;
        HelpOffsets help;
        if (has(Field::Help)) {
            help.message = Text(f.help.message);
            help.tip = Text(f.help.tip);
            help.text = Text(f.help.text);
            help.alerts = ValueList(f.help.alerts);
        }
        const std::int32_t picture = has(Field::Picture) ? Text(f.picture) : 0;
        const std::int32_t from = has(Field::From) ? Text(f.from) : 0;
        const std::int32_t format = has(Field::Format) ? Text(f.format) : 0;
        const std::int32_t zones = has(Field::Zones) ? ValueList(f.zones) : 0;
        const std::int32_t wallpaper = has(Field::Wallpaper) ? Text(f.wallpaper) : 0;

        std::int32_t menuBar = 0;
        std::int32_t toolbar = 0;
        std::vector<const Record*> children;
        for (const Record& child : record.children) {
            if (record.kind == Kind::Window && child.kind == Kind::MenuBar && menuBar == 0)
                menuBar = Emit(child, 0);
            else if (record.kind == Kind::Window && child.kind == Kind::Toolbar && toolbar == 0)
                toolbar = Emit(child, 0);
            else if (CanHold(record.kind, child.kind))
                children.push_back(&child);
        }
        const std::int32_t firstChild = fields.firstChild != 0 ? Chain(children) : 0;

        Block block(fields.size);
        block.U8(layout::kType, static_cast<std::uint8_t>(record.kind));
        block.I32(layout::kNext, next);
        block.U32(layout::kAttributes, record.attributes);
        Put(block, fields.equate, record.equate);
        if (fields.position != 0) {
            constexpr std::uint32_t kCoordinates[] = { layout::kPositionX, layout::kPositionY,
                layout::kPositionWidth, layout::kPositionHeight };
            for (std::size_t i = 0; i < 4; ++i) {
                const auto& value = record.position[i];
                block.U32(fields.position + kCoordinates[i],
                    value ? static_cast<std::uint32_t>(*value) : kNotGiven);
            }
        }
        Put(block, fields.use, use);
        if (fields.help != 0) {
            block.I32(fields.help + layout::kHelpMessage, help.message);
            block.I32(fields.help + layout::kHelpTip, help.tip);
            block.I32(fields.help + layout::kHelpText, help.text);
            block.I32(fields.help + layout::kHelpKey, f.help.key);
            block.I32(fields.help + layout::kHelpAlerts, help.alerts);
        }
        Put(block, fields.font, font);
        Put(block, fields.cursor, cursor);
        Put(block, fields.colours, colours);
        Put(block, fields.text, text);
        Put(block, fields.icon, icon);
        Put(block, fields.picture, picture);
        Put(block, fields.pictureOption, f.pictureOption);
        Put(block, fields.from, from);
        Put(block, fields.format, format);
        if (fields.options != 0)
            block.U8(fields.options, f.options);
        Put(block, fields.action, f.action);
        if (fields.repeat != 0) {
            block.U16(fields.repeat, f.repeatDelay);
            block.U16(fields.repeat + 2, f.repeatInterval);
        }
        if (fields.angle != 0)
            block.U16(fields.angle, static_cast<std::uint16_t>(f.angle));
        Put(block, fields.firstChild, firstChild);
        Put(block, fields.name, name);
        Put(block, fields.frame, static_cast<std::int32_t>(f.frame));
        Put(block, fields.palette, f.palette);
        Put(block, fields.timer, f.timer);
        Put(block, fields.menuBar, menuBar);
        Put(block, fields.toolbar, toolbar);
        Put(block, fields.zones, zones);
        if (fields.wallpaperMode != 0)
            block.U8(fields.wallpaperMode, f.wallpaperMode);
        Put(block, fields.wallpaper, wallpaper);
        if (fields.docking != 0) {
            block.U8(fields.docking, f.docking[0]);
            block.U8(fields.docking + 1, f.docking[1]);
        }
        return Append(block);
    }

    /// Writes an i32 field the kind has; a kind without it (offset 0) stores nothing.
    static void Put(Block& block, std::uint32_t at, std::int32_t value)
    {
        if (at != 0)
            block.I32(at, value);
    }

    std::vector<std::byte> m_body;
};

} // namespace

std::vector<std::byte> Encode(const DescriptorSource& source)
{
    Writer writer;
    return writer.Finish(source);
}

} // namespace descriptor
