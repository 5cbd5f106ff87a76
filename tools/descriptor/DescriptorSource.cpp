#include "DescriptorSource.h"

#include <platform/Ascii.h>

#include <algorithm>
#include <cassert>
#include <initializer_list>

namespace descriptor {

namespace {

constexpr std::uint32_t Bit(Field field)
{
    return 1u << static_cast<unsigned>(field);
}

constexpr std::uint32_t Bits(std::initializer_list<Field> fields)
{
    std::uint32_t bits = 0;
    for (const Field field : fields)
        bits |= Bit(field);
    return bits;
}

struct KindInfo {
    Kind kind;
    std::string_view keyword;
    std::uint32_t fields;
};

constexpr std::uint32_t kListFields = Bits({ Field::Use, Field::Help, Field::Font, Field::Cursor,
    Field::Colours, Field::From, Field::Format, Field::Options });

constexpr KindInfo kKinds[] = {
    { Kind::String, "string",
        Bits({ Field::Text, Field::Font, Field::Cursor, Field::Colours, Field::Angle }) },
    { Kind::Entry, "entry",
        Bits({ Field::Use, Field::Help, Field::Font, Field::Cursor, Field::Colours, Field::Picture,
            Field::PictureOption, Field::Options }) },
    { Kind::Button, "button",
        Bits({ Field::Help, Field::Font, Field::Cursor, Field::Colours, Field::Text, Field::Icon,
            Field::Action, Field::Options, Field::Repeat }) },
    { Kind::Prompt, "prompt", Bits({ Field::Text, Field::Font, Field::Cursor, Field::Colours }) },
    { Kind::Check, "check",
        Bits(
            { Field::Use, Field::Help, Field::Font, Field::Cursor, Field::Colours, Field::Text }) },
    { Kind::Group, "group",
        Bits({ Field::Help, Field::Font, Field::Cursor, Field::Colours, Field::Text }) },
    { Kind::List, "list", kListFields },
    { Kind::TextBox, "textbox",
        Bits({ Field::Use, Field::Help, Field::Font, Field::Cursor, Field::Colours,
            Field::Options }) },
    { Kind::Menu, "menu", Bits({ Field::Use, Field::Text, Field::Help, Field::Action }) },
    { Kind::Item, "item", Bits({ Field::Use, Field::Text, Field::Help, Field::Action }) },
    { Kind::MenuBar, "menubar", 0 },
    { Kind::Toolbar, "toolbar", Bits({ Field::Help, Field::Font, Field::Cursor, Field::Colours }) },
    { Kind::Window, "window",
        Bits({ Field::Text, Field::Font, Field::Colours, Field::Cursor, Field::Icon, Field::Help,
            Field::Frame, Field::Palette, Field::Timer, Field::Zones, Field::Wallpaper,
            Field::Docking }) },
    { Kind::DropCombo, "dropcombo", kListFields },
    { Kind::Combo, "combo", kListFields | Bit(Field::Picture) },
    { Kind::Graphic, "graphic", Bits({ Field::Help, Field::Cursor, Field::Colours }) },
};

const KindInfo& Info(Kind kind)
{
    const auto* found = std::find_if(std::begin(kKinds), std::end(kKinds),
        [kind](const KindInfo& info) { return info.kind == kind; });
    assert(found != std::end(kKinds) && "every kind has a row");
    return found != std::end(kKinds) ? *found : kKinds[0];
}

// The value core's type codes (0 to 30); 17 has no name.
constexpr std::string_view kTypeNames[] = { "END", "BYTE", "SHORT", "USHORT", "DATE", "TIME",
    "LONG", "ULONG", "SREAL", "REAL", "DECIMAL", "PDECIMAL", "DUM1", "BFLOAT4", "BFLOAT8", "ANY",
    "TEMPUFO", "", "STRING", "CSTRING", "PSTRING", "MEMO", "GROUP", "CLASS", "ARRAY", "FIELD",
    "QUEUE", "BLOB", "STACKSTR", "PICTURE", "STDNUM" };

} // namespace

std::string_view KindKeyword(Kind kind)
{
    return Info(kind).keyword;
}

std::optional<Kind> KindFromKeyword(std::string_view keyword)
{
    for (const KindInfo& info : kKinds) {
        if (info.keyword == keyword)
            return info.kind;
    }
    return std::nullopt;
}

bool HasField(Kind kind, Field field)
{
    return (Info(kind).fields & Bit(field)) != 0;
}

bool IsControl(Kind kind)
{
    switch (kind) {
    case Kind::Menu:
    case Kind::Item:
    case Kind::MenuBar:
    case Kind::Toolbar:
    case Kind::Window:
        return false;
    default:
        return true;
    }
}

bool CanHold(Kind parent, Kind child)
{
    switch (parent) {
    case Kind::Window:
        return child == Kind::MenuBar || child == Kind::Toolbar || IsControl(child);
    case Kind::MenuBar:
    case Kind::Menu:
        return child == Kind::Menu || child == Kind::Item;
    case Kind::Group:
    case Kind::Toolbar:
        return IsControl(child);
    default:
        return false;
    }
}

std::string_view TypeName(std::uint8_t type)
{
    return type < std::size(kTypeNames) ? kTypeNames[type] : std::string_view();
}

std::optional<std::uint8_t> TypeFromName(std::string_view name)
{
    for (std::size_t type = 0; type < std::size(kTypeNames); ++type) {
        const std::string_view candidate = kTypeNames[type];
        if (!candidate.empty() && platform::EqualsIgnoringAsciiCase(candidate, name))
            return static_cast<std::uint8_t>(type);
    }
    return std::nullopt;
}

std::string ResourceName(std::string_view moduleName)
{
    const std::size_t dollar = moduleName.find('$');
    return platform::AsciiUpperCase(
               dollar == std::string_view::npos ? moduleName : moduleName.substr(dollar + 1))
        + "_RSC";
}

} // namespace descriptor
