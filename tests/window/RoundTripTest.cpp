// Declaration -> compiler -> loader -> the same declaration. Each of the program's six compiled
// descriptors is read back through the loader's accessors alone into the declaration model,
// printed, and compared with the printed parse of its source file: a field the loader reads at
// another offset than the compiler wrote it, a chain it walks in another order, or a text it
// cuts short shows up as a difference in the printed declaration.

#include <descriptor/DescriptorSource.h>
#include <descriptor/Parser.h>
#include <descriptor/Printer.h>
#include <platform/Resources.h>
#include <window/Descriptor.h>
#include <window/RecordLayout.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

using namespace window;

namespace {

/// Reads a loaded block into the declaration model. Any refused read clears `sound`.
class ModelReader {
public:
    explicit ModelReader(const DescriptorBlock& block)
        : m_block(block)
    {
    }

    bool Sound() const { return m_sound; }

    descriptor::Record Window(const Record& window)
    {
        descriptor::Record model;
        model.kind = descriptor::Kind::Window;
        model.name = Text(window, layout::kWindowName);
        model.attributes = window.Attributes();
        model.position = Place(window, layout::kWindowPosition);
        descriptor::Fields& fields = model.fields;
        fields.text = Text(window, layout::kWindowTitle);
        fields.font = Font(window, layout::kWindowFont);
        fields.colours = Colours(window, layout::kWindowColours);
        fields.icon = Text(window, layout::kWindowIcon);
        fields.help = Help(window, layout::kWindowHelp);
        fields.frame = Must(window.U32(layout::kWindowFrame));
        fields.palette = Must(window.I32(layout::kWindowPalette));
        fields.timer = Must(window.I32(layout::kWindowTimer));
        fields.cursor = Text(window, layout::kWindowCursor);
        fields.zones = Must(m_block.ReadValueList(Must(window.I32(layout::kWindowZones))));
        fields.wallpaperMode = Must(window.U8(layout::kWindowWallpaperMode));
        fields.wallpaper = Text(window, layout::kWindowWallpaper);
        fields.docking = { Must(window.U8(layout::kWindowDocking)),
            Must(window.U8(layout::kWindowDocking + 1)) };

        // The descriptor keeps the menu bar and the toolbar in fields of their own: they come
        // first, whatever their place in the declaration.
        for (const auto& tree :
            { WindowMenus(window), WindowToolbar(window), WindowControls(window) })
            AddChildren(Must(tree), 0, model);
        return model;
    }

private:
    template<typename T> T Must(const std::optional<T>& value)
    {
        m_sound = m_sound && value.has_value();
        return value.value_or(T {});
    }

    std::string Text(const Record& record, std::uint32_t field)
    {
        return std::string(Must(record.String(field)));
    }

    descriptor::Position Place(const Record& record, std::uint32_t field)
    {
        const Position read = Must(record.PositionAt(field));
        descriptor::Position position;
        const std::int32_t values[] = { read.x, read.y, read.width, read.height };
        for (std::size_t i = 0; i < 4; ++i) {
            if (values[i] != kNotGiven)
                position[i] = values[i];
        }
        return position;
    }

    std::optional<descriptor::Font> Font(const Record& record, std::uint32_t field)
    {
        const std::int32_t reference = Must(record.I32(field));
        if (reference == 0)
            return std::nullopt;
        const FontBlock font = Must(m_block.ReadFont(reference));
        return descriptor::Font { std::string(font.face), font.size, font.colour, font.weight };
    }

    std::optional<descriptor::Colours> Colours(const Record& record, std::uint32_t field)
    {
        const std::int32_t reference = Must(record.I32(field));
        if (reference == 0)
            return std::nullopt;
        const ColourBlock colours = Must(m_block.ReadColours(reference));
        return descriptor::Colours { colours.text, colours.background, colours.selected };
    }

    std::optional<descriptor::Use> Use(const Record& record, std::uint32_t field)
    {
        const std::int32_t reference = Must(record.I32(field));
        if (reference == 0)
            return std::nullopt;
        const UseDescriptor use = Must(m_block.ReadUse(reference));
        return descriptor::Use { use.type, use.size, std::string(use.picture) };
    }

    descriptor::Help Help(const Record& record, std::uint32_t field)
    {
        const HelpBlock help = Must(record.HelpAt(field));
        return descriptor::Help { std::string(help.message), std::string(help.tip),
            std::string(help.help), help.key, Must(m_block.ReadValueList(help.alertList)) };
    }

    /// A control, the toolbar or a group box, read by its layout.
    descriptor::Record Laid(const Record& record, const ControlLayout& layout)
    {
        descriptor::Record model;
        model.kind = static_cast<descriptor::Kind>(record.Type());
        model.equate = record.Equate();
        model.attributes = record.Attributes();
        model.position = Place(record, layout.position);
        descriptor::Fields& fields = model.fields;
        if (layout.use != 0)
            fields.use = Use(record, layout.use);
        if (layout.help != 0)
            fields.help = Help(record, layout.help);
        if (layout.font != 0)
            fields.font = Font(record, layout.font);
        if (layout.colours != 0)
            fields.colours = Colours(record, layout.colours);
        const std::pair<std::uint32_t, std::string*> texts[] = {
            { layout.cursor, &fields.cursor },
            { layout.text, &fields.text },
            { layout.icon, &fields.icon },
            { layout.picture, &fields.picture },
            { layout.from, &fields.from },
            { layout.format, &fields.format },
        };
        for (const auto& [field, text] : texts) {
            if (field != 0)
                *text = Text(record, field);
        }
        if (layout.pictureOption != 0)
            fields.pictureOption = Must(record.I32(layout.pictureOption));
        if (layout.options != 0)
            fields.options = Must(record.U8(layout.options));
        if (layout.action != 0)
            fields.action = Must(record.I32(layout.action));
        if (layout.repeat != 0) {
            fields.repeatDelay = Must(record.U16(layout.repeat));
            fields.repeatInterval = Must(record.U16(layout.repeat + 2));
        }
        if (layout.angle != 0)
            fields.angle = Must(record.I16(layout.angle));
        return model;
    }

    descriptor::Record Menu(const Record& record)
    {
        descriptor::Record model;
        model.kind = static_cast<descriptor::Kind>(record.Type());
        model.equate = record.Equate();
        model.attributes = record.Attributes();
        if (record.Is(RecordType::MenuBar)) {
            model.position = Place(record, layout::kMenuBarPosition);
            return model;
        }
        model.position = Place(record, layout::kMenuPosition);
        model.fields.use = Use(record, layout::kMenuUse);
        model.fields.text = Text(record, layout::kMenuText);
        model.fields.help = Help(record, layout::kMenuHelp);
        model.fields.action = Must(record.I32(layout::kMenuAction));
        return model;
    }

    descriptor::Record Any(const Record& record)
    {
        if (record.Is(RecordType::Toolbar))
            return Laid(record, kToolbarLayout);
        if (const ControlLayout* layout = FindControlLayout(record.Type()))
            return Laid(record, *layout);
        return Menu(record);
    }

    /// Adds the nodes hanging directly from `container`, in walk order, each with its own.
    void AddChildren(
        const std::vector<TreeNode>& nodes, std::int32_t container, descriptor::Record& parent)
    {
        for (const TreeNode& node : nodes) {
            if (node.container != container)
                continue;
            const auto record = m_block.RecordAt(node.offset);
            if (!record) {
                m_sound = false;
                continue;
            }
            parent.children.push_back(Any(*record));
            AddChildren(nodes, node.offset, parent.children.back());
        }
    }

    const DescriptorBlock& m_block;
    bool m_sound = true;
};

/// The windows' children in the order the descriptor keeps: menu bar, toolbar, controls.
void PutMenuBarAndToolbarFirst(descriptor::DescriptorSource& source)
{
    const auto rank = [](const descriptor::Record& record) {
        return record.kind == descriptor::Kind::MenuBar ? 0
            : record.kind == descriptor::Kind::Toolbar  ? 1
                                                        : 2;
    };
    for (descriptor::Record& window : source.windows) {
        std::stable_sort(window.children.begin(), window.children.end(),
            [&rank](const auto& a, const auto& b) { return rank(a) < rank(b); });
    }
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(RoundTripTest, EveryDescriptorReadsBackAsItsDeclaration)
{
    const struct {
        const char* resource;
        std::string source;
    } rows[] = {
        { "VARN001_RSC", VARN_APP_DIR "/VARN001_RSC.wnd" },
        { "VARN002_RSC", VARN_APP_DIR "/VARN002_RSC.wnd" },
        { "VARN004_RSC", VARN_APP_DIR "/VARN004_RSC.wnd" },
        { "ABEIP_RSC", VARN_FRAMEWORK_DIR "/ABEIP_RSC.wnd" },
        { "ABPOPUP_RSC", VARN_FRAMEWORK_DIR "/ABPOPUP_RSC.wnd" },
        { "ABQUERY_RSC", VARN_FRAMEWORK_DIR "/ABQUERY_RSC.wnd" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.resource);
        auto parsed = descriptor::Parse(ReadFile(row.source));
        ASSERT_FALSE(parsed.IsError()) << parsed.Error().line << ": " << parsed.Error().message;
        PutMenuBarAndToolbarFirst(parsed.Value());

        const auto bytes = platform::FindResource("DABDUMP", row.resource);
        ASSERT_TRUE(bytes);
        const auto nul = std::find(bytes->begin(), bytes->end(), std::byte { 0 });
        ASSERT_NE(nul, bytes->end());
        const auto block = DescriptorBlock::FromBody({ nul + 1, bytes->end() });
        ASSERT_TRUE(block);

        descriptor::DescriptorSource loaded;
        loaded.moduleName.assign(reinterpret_cast<const char*>(bytes->data()),
            static_cast<std::size_t>(nul - bytes->begin()));
        ModelReader reader(*block);
        const auto windows = WindowRecords(*block);
        ASSERT_TRUE(windows);
        for (const std::int32_t offset : *windows)
            loaded.windows.push_back(reader.Window(*block->RecordAt(offset)));
        EXPECT_TRUE(reader.Sound()) << "every read of a compiled descriptor succeeds";

        EXPECT_EQ(descriptor::Print(loaded), descriptor::Print(parsed.Value()));
    }
}

} // namespace
