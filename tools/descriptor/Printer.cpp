#include "Printer.h"

#include <platform/Text.h>

#include <cstdint>

namespace descriptor {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

/// "0x" and at least `width` upper-case hexadecimal digits.
std::string Hex(std::uint32_t value, int width = 1)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), kHexDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (digits.size() < static_cast<std::size_t>(width))
        digits.insert(digits.begin(), '0');
    return "0x" + digits;
}

std::string Colour(std::uint32_t colour)
{
    return colour == kNoColour ? "none" : Hex(colour, 6);
}

std::string Quote(std::string_view ansi)
{
    std::string out = "\"";
    for (const char c : ansi) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            continue;
        case '\\':
            out += "\\\\";
            continue;
        case '\t':
            out += "\\t";
            continue;
        case '\n':
            out += "\\n";
            continue;
        case '\r':
            out += "\\r";
            continue;
        default:
            break;
        }
        if (byte >= 0x20 && byte != 0x7F) {
            if (const auto utf8 = platform::AnsiToUtf8(std::string_view(&c, 1))) {
                out += *utf8;
                continue;
            }
        }
        out += "\\x";
        out += kHexDigits[byte >> 4];
        out += kHexDigits[byte & 0xF];
    }
    return out + "\"";
}

std::string List(const std::vector<std::int32_t>& values)
{
    std::string out;
    for (const std::int32_t value : values)
        out += " " + std::to_string(value);
    return out;
}

class Printer {
public:
    std::string Take() { return std::move(m_out); }

    void File(const DescriptorSource& source)
    {
        m_out += "descriptor " + Quote(source.moduleName) + "\n";
        for (const Record& window : source.windows) {
            m_out += "\n";
            RecordAt(window, 0);
        }
    }

private:
    void RecordAt(const Record& record, int depth)
    {
        std::string header(KindKeyword(record.kind));
        if (record.kind == Kind::Window)
            header += " " + Quote(record.name);
        else if (record.equate != 0
            || (record.kind != Kind::MenuBar && record.kind != Kind::Toolbar))
            header += " " + std::to_string(record.equate);

        std::vector<std::string> lines;
        FieldLines(record, lines);
        const std::string indent(static_cast<std::size_t>(depth) * 4, ' ');
        if (lines.empty() && record.children.empty()) {
            m_out += indent + header + "\n";
            return;
        }
        m_out += indent + header + " {\n";
        for (const std::string& line : lines)
            m_out += indent + "    " + line + "\n";
        for (const Record& child : record.children)
            RecordAt(child, depth + 1);
        m_out += indent + "}\n";
    }

    static void FieldLines(const Record& record, std::vector<std::string>& lines)
    {
        const Fields& f = record.fields;
        const auto has = [&record](Field field) { return HasField(record.kind, field); };
        if (record.attributes != 0)
            lines.push_back("attributes " + Hex(record.attributes));
        if (record.position != Position {}) {
            std::string line = "position";
            for (const auto& value : record.position)
                line += value ? " " + std::to_string(*value) : " default";
            lines.push_back(line);
        }
        if (has(Field::Text) && !f.text.empty())
            lines.push_back((record.kind == Kind::Window ? "title " : "text ") + Quote(f.text));
        if (has(Field::Use) && f.use) {
            const std::string_view name = TypeName(f.use->type);
            std::string line
                = "use " + (name.empty() ? std::to_string(f.use->type) : std::string(name));
            line += " " + std::to_string(f.use->size);
            if (!f.use->picture.empty())
                line += " picture " + Quote(f.use->picture);
            lines.push_back(line);
        }
        if (has(Field::Picture) && !f.picture.empty())
            lines.push_back("picture " + Quote(f.picture));
        if (has(Field::PictureOption) && f.pictureOption != 0)
            lines.push_back("pictureoption " + std::to_string(f.pictureOption));
        if (has(Field::From) && !f.from.empty())
            lines.push_back("from " + Quote(f.from));
        if (has(Field::Format) && !f.format.empty())
            lines.push_back("format " + Quote(f.format));
        if (has(Field::Font) && f.font) {
            lines.push_back("font " + Quote(f.font->face) + " " + std::to_string(f.font->size) + " "
                + Colour(f.font->colour) + " " + std::to_string(f.font->weight));
        }
        if (has(Field::Colours) && f.colours) {
            lines.push_back("colours " + Colour(f.colours->text) + " "
                + Colour(f.colours->background) + " " + Colour(f.colours->selected));
        }
        if (has(Field::Cursor) && !f.cursor.empty())
            lines.push_back("cursor " + Quote(f.cursor));
        if (has(Field::Icon) && !f.icon.empty())
            lines.push_back("icon " + Quote(f.icon));
        if (has(Field::Help) && !f.help.IsEmpty())
            lines.push_back(HelpLine(f.help));
        if (has(Field::Action) && f.action != 0)
            lines.push_back("action " + std::to_string(f.action));
        if (has(Field::Options) && f.options != 0)
            lines.push_back("options " + Hex(f.options));
        if (has(Field::Repeat) && (f.repeatDelay != 0 || f.repeatInterval != 0))
            lines.push_back(
                "repeat " + std::to_string(f.repeatDelay) + " " + std::to_string(f.repeatInterval));
        if (has(Field::Angle) && f.angle != 0)
            lines.push_back("angle " + std::to_string(f.angle));
        if (has(Field::Frame) && f.frame != 0)
            lines.push_back("frame " + Hex(f.frame));
        if (has(Field::Palette) && f.palette != 0)
            lines.push_back("palette " + std::to_string(f.palette));
        if (has(Field::Timer) && f.timer != 0)
            lines.push_back("timer " + std::to_string(f.timer));
        if (has(Field::Zones) && !f.zones.empty())
            lines.push_back("zones" + List(f.zones));
        if (has(Field::Wallpaper) && (f.wallpaperMode != 0 || !f.wallpaper.empty()))
            lines.push_back(
                "wallpaper " + std::to_string(f.wallpaperMode) + " " + Quote(f.wallpaper));
        if (has(Field::Docking) && (f.docking[0] != 0 || f.docking[1] != 0))
            lines.push_back(
                "docking " + std::to_string(f.docking[0]) + " " + std::to_string(f.docking[1]));
    }

    static std::string HelpLine(const Help& help)
    {
        std::string line = "help";
        if (!help.message.empty())
            line += " message " + Quote(help.message);
        if (!help.tip.empty())
            line += " tip " + Quote(help.tip);
        if (!help.text.empty())
            line += " text " + Quote(help.text);
        if (help.key != 0)
            line += " key " + std::to_string(help.key);
        if (!help.alerts.empty())
            line += " alert" + List(help.alerts);
        return line;
    }

    std::string m_out;
};

} // namespace

std::string Print(const DescriptorSource& source)
{
    Printer printer;
    printer.File(source);
    return printer.Take();
}

} // namespace descriptor
