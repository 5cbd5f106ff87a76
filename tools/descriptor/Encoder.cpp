#include "Encoder.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <limits>
#include <string>

namespace descriptor {

namespace {

/// Offsets count from two bytes before the body: the loader copies the body to position 2 of
/// its block.
constexpr std::int32_t kBodyBase = 2;

constexpr std::uint32_t kFontBlockSize = 16;
constexpr std::uint32_t kColourBlockSize = 12;
constexpr std::uint32_t kUseBlockSize = 9;
constexpr std::uint32_t kValueCellSize = 8;

/// Where each field of a kind's record lies, from the record's start; 0 = the kind has no
/// such field. Every record starts with the common head: +0 u8 type, +1 i32 next sibling,
/// +5 u32 attributes, +9 i32 reserved.
struct Layout {
    Kind kind;
    std::uint32_t size;
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

constexpr Layout kLayouts[] = {
    { .kind = Kind::Window,
        .size = 116,
        .position = 0x0D,
        .help = 0x3D,
        .font = 0x25,
        .cursor = 0x65,
        .colours = 0x35,
        .text = 0x29,
        .icon = 0x39,
        .firstChild = 0x1D,
        .name = 0x21,
        .frame = 0x51,
        .palette = 0x55,
        .timer = 0x59,
        .menuBar = 0x5D,
        .toolbar = 0x61,
        .zones = 0x69,
        .wallpaperMode = 0x6D,
        .wallpaper = 0x6E,
        .docking = 0x72 },
    { .kind = Kind::MenuBar, .size = 73, .equate = 0x0D, .position = 0x19, .firstChild = 0x15 },
    { .kind = Kind::Menu,
        .size = 93,
        .equate = 0x0D,
        .position = 0x1D,
        .use = 0x15,
        .help = 0x2D,
        .text = 0x19,
        .action = 0x4D,
        .firstChild = 0x59 },
    { .kind = Kind::Item,
        .size = 89,
        .equate = 0x0D,
        .position = 0x1D,
        .use = 0x15,
        .help = 0x2D,
        .text = 0x19,
        .action = 0x4D },
    { .kind = Kind::Toolbar,
        .size = 0x51,
        .equate = 0x0D,
        .position = 0x15,
        .help = 0x25,
        .font = 0x39,
        .cursor = 0x3D,
        .colours = 0x41,
        .firstChild = 0x49 },
    { .kind = Kind::String,
        .size = 0x3B,
        .equate = 0x0D,
        .position = 0x15,
        .font = 0x2D,
        .cursor = 0x31,
        .colours = 0x35,
        .text = 0x29,
        .angle = 0x39 },
    { .kind = Kind::Prompt,
        .size = 0x39,
        .equate = 0x0D,
        .position = 0x15,
        .font = 0x2D,
        .cursor = 0x31,
        .colours = 0x35,
        .text = 0x29 },
    { .kind = Kind::Button,
        .size = 90,
        .equate = 0x0D,
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
    { .kind = Kind::Group,
        .size = 0x51,
        .equate = 0x0D,
        .position = 0x15,
        .help = 0x25,
        .font = 0x39,
        .cursor = 0x3D,
        .colours = 0x41,
        .text = 0x45,
        .firstChild = 0x49 },
    { .kind = Kind::Entry,
        .size = 0x52,
        .equate = 0x0D,
        .position = 0x19,
        .use = 0x15,
        .help = 0x29,
        .font = 0x3D,
        .cursor = 0x41,
        .colours = 0x45,
        .picture = 0x49,
        .pictureOption = 0x4D,
        .options = 0x51 },
    { .kind = Kind::TextBox,
        .size = 0x52,
        .equate = 0x0D,
        .position = 0x19,
        .use = 0x15,
        .help = 0x29,
        .font = 0x3D,
        .cursor = 0x41,
        .colours = 0x45,
        .options = 0x51 },
    { .kind = Kind::Check,
        .size = 0x4D,
        .equate = 0x0D,
        .position = 0x19,
        .use = 0x15,
        .help = 0x29,
        .font = 0x3D,
        .cursor = 0x41,
        .colours = 0x45,
        .text = 0x49 },
    { .kind = Kind::List,
        .size = 0x56,
        .equate = 0x0D,
        .position = 0x19,
        .use = 0x15,
        .help = 0x29,
        .font = 0x3D,
        .cursor = 0x41,
        .colours = 0x45,
        .from = 0x49,
        .format = 0x4D,
        .options = 0x51 },
    { .kind = Kind::DropCombo,
        .size = 0x56,
        .equate = 0x0D,
        .position = 0x19,
        .use = 0x15,
        .help = 0x29,
        .font = 0x3D,
        .cursor = 0x41,
        .colours = 0x45,
        .from = 0x49,
        .format = 0x4D,
        .options = 0x51 },
    { .kind = Kind::Combo,
        .size = 0x56,
        .equate = 0x0D,
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
    { .kind = Kind::Graphic,
        .size = 0x41,
        .equate = 0x0D,
        .position = 0x15,
        .help = 0x25,
        .cursor = 0x39,
        .colours = 0x3D },
};

const Layout& LayoutOf(Kind kind)
{
    const auto* found = std::find_if(std::begin(kLayouts), std::end(kLayouts),
        [kind](const Layout& layout) { return layout.kind == kind; });
    assert(found != std::end(kLayouts) && "every kind has a layout");
    return found != std::end(kLayouts) ? *found : kLayouts[0];
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
            Block cell(kValueCellSize);
            cell.I32(0, *value);
            cell.I32(4, next);
            next = Append(cell);
        }
        return next;
    }

    std::int32_t FontBlock(const std::optional<Font>& font)
    {
        if (!font)
            return 0;
        const std::int32_t face = Text(font->face);
        Block block(kFontBlockSize);
        block.I32(0, face);
        block.I32(4, font->size);
        block.U32(8, font->colour);
        block.I32(12, font->weight);
        return Append(block);
    }

    std::int32_t ColourBlock(const std::optional<Colours>& colours)
    {
        if (!colours)
            return 0;
        Block block(kColourBlockSize);
        block.U32(0, colours->text);
        block.U32(4, colours->background);
        block.U32(8, colours->selected);
        return Append(block);
    }

    std::int32_t UseBlock(const std::optional<Use>& use)
    {
        if (!use)
            return 0;
        const std::int32_t picture = Text(use->picture);
        Block block(kUseBlockSize);
        block.U8(0, use->type);
        block.I32(1, use->size);
        block.I32(5, picture);
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
        const Layout& layout = LayoutOf(record.kind);
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
        const std::int32_t firstChild = layout.firstChild != 0 ? Chain(children) : 0;

        Block block(layout.size);
        block.U8(0, static_cast<std::uint8_t>(record.kind));
        block.I32(1, next);
        block.U32(5, record.attributes);
        Put(block, layout.equate, record.equate);
        if (layout.position != 0) {
            for (std::uint32_t i = 0; i < 4; ++i) {
                const auto& value = record.position[i];
                block.U32(layout.position + 4 * i,
                    value ? static_cast<std::uint32_t>(*value) : kNotGiven);
            }
        }
        Put(block, layout.use, use);
        if (layout.help != 0) {
            block.I32(layout.help, help.message);
            block.I32(layout.help + 4, help.tip);
            block.I32(layout.help + 8, help.text);
            block.I32(layout.help + 12, f.help.key);
            block.I32(layout.help + 16, help.alerts);
        }
        Put(block, layout.font, font);
        Put(block, layout.cursor, cursor);
        Put(block, layout.colours, colours);
        Put(block, layout.text, text);
        Put(block, layout.icon, icon);
        Put(block, layout.picture, picture);
        Put(block, layout.pictureOption, f.pictureOption);
        Put(block, layout.from, from);
        Put(block, layout.format, format);
        if (layout.options != 0)
            block.U8(layout.options, f.options);
        Put(block, layout.action, f.action);
        if (layout.repeat != 0) {
            block.U16(layout.repeat, f.repeatDelay);
            block.U16(layout.repeat + 2, f.repeatInterval);
        }
        if (layout.angle != 0)
            block.U16(layout.angle, static_cast<std::uint16_t>(f.angle));
        Put(block, layout.firstChild, firstChild);
        Put(block, layout.name, name);
        Put(block, layout.frame, static_cast<std::int32_t>(f.frame));
        Put(block, layout.palette, f.palette);
        Put(block, layout.timer, f.timer);
        Put(block, layout.menuBar, menuBar);
        Put(block, layout.toolbar, toolbar);
        Put(block, layout.zones, zones);
        if (layout.wallpaperMode != 0)
            block.U8(layout.wallpaperMode, f.wallpaperMode);
        Put(block, layout.wallpaper, wallpaper);
        if (layout.docking != 0) {
            block.U8(layout.docking, f.docking[0]);
            block.U8(layout.docking + 1, f.docking[1]);
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
