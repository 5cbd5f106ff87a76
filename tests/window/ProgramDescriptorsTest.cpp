// The program's six window descriptors, compiled by the build and embedded in this test program
// as in varn itself, read record by record through the loader. The expected values are those
// the tool's windows are documented with; the texts are Windows-1250 bytes.

#include <platform/Resources.h>
#include <value/TypeCodes.h>
#include <window/ControlFactory.h>
#include <window/Descriptor.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

using namespace window;
using value::TypeCode;

namespace {

constexpr std::int32_t kNG = kNotGiven;
constexpr std::uint8_t kStringType = static_cast<std::uint8_t>(TypeCode::String);
constexpr std::uint8_t kCStringType = static_cast<std::uint8_t>(TypeCode::CString);

std::string Blanks(std::size_t count)
{
    return std::string(count, ' ');
}

class ProgramDescriptorsTest : public ::testing::Test {
protected:
    /// Finds the window as the window-open routine does; the fixture keeps its block.
    std::optional<Record> Window(std::string_view module, std::string_view name)
    {
        m_found = FindWindowDescriptor(module, name);
        if (!m_found)
            return std::nullopt;
        return m_found->WindowRecord();
    }

    /// Every control of the window in declaration order, built without binding unless a
    /// binding is given.
    static std::vector<ControlSpec> Controls(const Record& window, UseBinding* binding = nullptr)
    {
        std::vector<ControlSpec> controls;
        const auto nodes = WindowControls(window);
        EXPECT_TRUE(nodes.has_value());
        if (!nodes)
            return controls;
        ControlContext context;
        context.binding = binding;
        for (const TreeNode& node : *nodes) {
            const auto built = BuildControlSpec(*window.Block().RecordAt(node.offset), context);
            EXPECT_TRUE(built.has_value()) << "control at " << node.offset;
            if (built)
                controls.push_back(*built);
        }
        return controls;
    }

    static std::optional<FontBlock> WindowFont(const Record& window)
    {
        const std::int32_t reference = window.I32(layout::kWindowFont).value_or(0);
        return reference == 0 ? std::nullopt : window.Block().ReadFont(reference);
    }

    /// The body of a module's descriptor resource, loaded as the loader loads it, for the
    /// windows whose names the documents do not give.
    static std::optional<DescriptorBlock> LoadResource(std::string_view moduleName)
    {
        const auto bytes = platform::FindResource("DABDUMP", DescriptorResourceName(moduleName));
        if (!bytes)
            return std::nullopt;
        const auto nul = std::find(bytes->begin(), bytes->end(), std::byte { 0 });
        const auto nameLength = static_cast<std::size_t>(nul - bytes->begin());
        if (nul == bytes->end())
            return std::nullopt;
        EXPECT_EQ(
            std::string_view(reinterpret_cast<const char*>(bytes->data()), nameLength), moduleName);
        return DescriptorBlock::FromBody(bytes->subspan(nameLength + 1));
    }

private:
    std::optional<WindowDescriptor> m_found;
};

TEST_F(ProgramDescriptorsTest, ApplicationFrame)
{
    const auto window = Window("varn$varn001", "P1$APPFRAME");
    ASSERT_TRUE(window);
    EXPECT_EQ(window->String(layout::kWindowTitle), "Testiranje SHA-1 algoritma");
    EXPECT_EQ(window->PositionAt(layout::kWindowPosition), (Position { kNG, kNG, 310, 190 }));
    EXPECT_EQ(window->Attributes(), 0x800u);
    EXPECT_EQ(window->U32(layout::kWindowFrame), 0x1820u);
    EXPECT_EQ(window->I32(layout::kWindowFont), 0) << "no font of its own";
    EXPECT_EQ(window->I32(layout::kWindowToolbar), 0) << "no toolbar";
    EXPECT_EQ(window->I32(layout::kWindowTimer), 0);
    EXPECT_EQ(window->Block().ReadValueList(window->I32(layout::kWindowZones).value_or(0)),
        (std::vector<std::int32_t> { -1, 80, 120, 45 }))
        << "status zones in chain order, not storage order";
    EXPECT_TRUE(Controls(*window).empty());
    EXPECT_TRUE(WindowToolbar(*window)->empty());
}

TEST_F(ProgramDescriptorsTest, FrameMenuTree)
{
    const auto window = Window("varn$varn001", "P1$APPFRAME");
    ASSERT_TRUE(window);
    const auto nodes = WindowMenus(*window);
    ASSERT_TRUE(nodes);
    ASSERT_FALSE(nodes->empty());
    const DescriptorBlock& block = window->Block();
    const std::int32_t bar = (*nodes)[0].offset;
    EXPECT_TRUE(block.RecordAt(bar)->Is(RecordType::MenuBar));
    EXPECT_EQ(block.RecordAt(bar)->PositionAt(layout::kMenuBarPosition),
        (Position { kNG, kNG, kNG, kNG }));

    const struct {
        std::int32_t equate;
        RecordType type;
        std::int32_t parent; ///< equate of the menu holding it; 0 = the menu bar
        std::string text;
        std::string message;
        std::string help;
        std::int32_t action;
    } rows[] = {
        { -1, RecordType::Menu, 0, "&File" + Blanks(10), "", "", 0 },
        { -2, RecordType::Item, -1, "&Testiranje ", "", "", 0 },
        { -13, RecordType::Item, -1, "&Provjera ", "", "", 0 },
        { 0, RecordType::Item, -1, "", "", "", 0 }, // the separator
        { -3, RecordType::Item, -1, "&X. Izlaz", "", "Izlaz iz programa", 15 },
        { -4, RecordType::Menu, 0, "&Edit" + Blanks(10), "", "", 0 },
        { -5, RecordType::Item, -4, "Cu&t", "Remove item to Windows Clipboard", "", 10 },
        { -6, RecordType::Item, -4, "&Copy", "Copy item to Windows Clipboard", "", 11 },
        { -7, RecordType::Item, -4, "&Paste", "Paste contents of Windows Clipboard", "", 12 },
        { -8, RecordType::Menu, 0, "&Window" + Blanks(10), "Create and Arrange windows", "", 1 },
        { -9, RecordType::Item, -8, "T&ile", "Make all open windows visible", "", 2 },
        { -10, RecordType::Item, -8, "&Cascade", "Stack all open windows", "", 3 },
        { -11, RecordType::Item, -8, "&Arrange Icons", "Align all window icons", "", 4 },
        { -12, RecordType::Item, 0, "&Uputa", "", "", 0 }, // an item on the bar itself
    };
    ASSERT_EQ(nodes->size(), std::size(rows) + 1);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto& row = rows[i];
        SCOPED_TRACE("menu entry " + std::to_string(row.equate));
        const TreeNode& node = (*nodes)[i + 1];
        const auto record = block.RecordAt(node.offset);
        ASSERT_TRUE(record);
        EXPECT_TRUE(record->Is(row.type));
        EXPECT_EQ(record->Equate(), row.equate);
        EXPECT_EQ(row.parent == 0 ? node.container : block.RecordAt(node.container)->Equate(),
            row.parent == 0 ? bar : row.parent);
        EXPECT_EQ(record->String(layout::kMenuText), row.text);
        EXPECT_EQ(record->I32(layout::kMenuAction), row.action);
        EXPECT_EQ(record->PositionAt(layout::kMenuPosition), (Position { kNG, kNG, kNG, kNG }));
        const auto help = record->HelpAt(layout::kMenuHelp);
        ASSERT_TRUE(help);
        if (!row.message.empty()) {
            EXPECT_EQ(help->message, row.message);
        }
        if (!row.help.empty()) {
            EXPECT_EQ(help->help, row.help);
        }
        if (row.message.empty() && row.help.empty()) {
            EXPECT_EQ(help->message, "");
            EXPECT_EQ(help->help, "");
        }
        EXPECT_EQ((record->Attributes() & layout::kItemSeparator) != 0, row.equate == 0)
            << "only the separator has attribute bit 0x10";
    }
}

TEST_F(ProgramDescriptorsTest, HashWindow)
{
    const auto window = Window("varn$varn002", "P1$WINDOW");
    ASSERT_TRUE(window);
    EXPECT_EQ(window->String(layout::kWindowTitle), "Generiranje SHA-1 kontrolnog broja ");
    EXPECT_EQ(window->PositionAt(layout::kWindowPosition), (Position { kNG, kNG, 357, 198 }));
    EXPECT_EQ(window->Attributes(), 0x10u);
    EXPECT_EQ(window->U32(layout::kWindowFrame), 0x3044u);
    const auto font = WindowFont(*window);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->face, "MS Sans Serif");
    EXPECT_EQ(font->size, 8);
    EXPECT_EQ(font->weight, 400);
    EXPECT_EQ(window->I32(layout::kWindowMenuBar), 0);

    const struct {
        std::int32_t equate;
        RecordType kind;
        Position position;
        const char* text; ///< null: the kind has no text
        bool bold;
    } rows[] = {
        { 1, RecordType::String, { 3, 6, kNG, kNG }, "Ulazni niz znakova", true },
        { 2, RecordType::Text, { 3, 20, 344, 48 }, nullptr, false },
        { 3, RecordType::Button, { 270, 74, 79, 19 }, "Formiraj SHA-1 broj", false },
        { 4, RecordType::Prompt, { 5, 119, kNG, kNG }, "Formiran SHA-1 kontrolni broj", true },
        { 5, RecordType::Entry, { 5, 131, 251, 14 }, nullptr, true },
        { 6, RecordType::Prompt, { 5, 151, kNG, kNG }, "Broj je zapisan u file-u :", true },
        { 7, RecordType::Button, { 275, 156, 79, 19 }, "Zatvori", false },
        { 8, RecordType::String, { 7, 167, kNG, kNG }, "", false }, // reference 0: empty
        { 9, RecordType::Entry, { 4, 165, 255, 12 }, nullptr, true },
        { 10, RecordType::Button, { 233, 103, 19, 13 }, "...", false },
        { 11, RecordType::Button, { 271, 97, 79, 19 }, "Formiraj SHA-1 broj", false },
        { 12, RecordType::Entry, { 5, 104, 222, 12 }, nullptr, false },
        { 13, RecordType::String, { 5, 87, kNG, kNG }, "Ulazna datoteka (file)", true },
        { 14, RecordType::String, { 5, 184, 262, 10 }, "", false }, // the progress line
        { 15, RecordType::Button, { 275, 179, 79, 16 }, "Prekini", false },
    };
    const auto controls = Controls(*window);
    ASSERT_EQ(controls.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto& row = rows[i];
        const ControlSpec& control = controls[i];
        SCOPED_TRACE("control " + std::to_string(row.equate));
        EXPECT_EQ(control.equate, row.equate);
        EXPECT_EQ(control.kind, static_cast<std::uint8_t>(row.kind));
        EXPECT_EQ(control.position, row.position);
        if (row.text != nullptr) {
            EXPECT_EQ(control.text, row.text);
        }
        if (row.bold) {
            ASSERT_TRUE(control.font);
            EXPECT_EQ(control.font->weight, 700);
        }
    }

    EXPECT_EQ(controls[13].attributes, 0x400u) << "hidden";
    EXPECT_EQ(controls[14].attributes, 0x400u) << "hidden";

    EXPECT_EQ(controls[1].attributes, 0x3u);
    EXPECT_EQ(controls[1].use, (UseSpec { kStringType, 500, "" }));

    EXPECT_EQ(controls[4].use->type, kStringType);
    EXPECT_EQ(controls[4].use->size, 43);
    EXPECT_EQ(controls[4].picture, "s43");
    EXPECT_EQ(controls[4].font, (FontSpec { "Courier New", 10, kNoColour, 700 }));

    // Control 9: skip and no border, entry options 0x80, blue text.
    const ControlSpec& path = controls[8];
    EXPECT_EQ(path.attributes, 0x1020u);
    EXPECT_EQ(path.options, 0x80);
    EXPECT_EQ(path.use->type, kStringType);
    EXPECT_EQ(path.use->size, 60);
    EXPECT_EQ(path.picture, "s60");
    const bool blue = (path.font && path.font->colour == 0xFF0000)
        || (path.colours && path.colours->text == 0xFF0000);
    EXPECT_TRUE(blue) << "text colour 0xFF0000, in the font or the colour block";

    EXPECT_EQ(controls[11].use->type, kCStringType);
    EXPECT_EQ(controls[11].use->size, 127);
    EXPECT_EQ(controls[11].picture, "s126");
}

TEST_F(ProgramDescriptorsTest, HashWindowBindsItsFourVariablesInOrder)
{
    const auto window = Window("varn$varn002", "P1$WINDOW");
    ASSERT_TRUE(window);
    char textBuffer[500];
    char formattedNumber[43];
    char resultPath[60];
    char inputFileName[127];
    void* const list[] = { textBuffer, formattedNumber, resultPath, inputFileName, nullptr };
    UseBinding binding(list);

    const auto controls = Controls(*window, &binding);
    ASSERT_EQ(controls.size(), 15u);
    EXPECT_EQ(binding.Remaining(), 0u) << "every variable taken";
    const struct {
        std::size_t control;
        void* address;
        TypeCode type;
        std::uint32_t size;
    } rows[] = {
        { 1, textBuffer, TypeCode::String, 500 },
        { 4, formattedNumber, TypeCode::String, 43 },
        { 8, resultPath, TypeCode::String, 60 },
        { 11, inputFileName, TypeCode::CString, 127 },
    };
    for (const auto& row : rows) {
        const auto& variable = controls[row.control].variable;
        ASSERT_TRUE(variable) << "control " << row.control + 1;
        EXPECT_EQ(variable->Address(), row.address);
        EXPECT_EQ(variable->Type(), row.type);
        EXPECT_EQ(variable->Size(), row.size);
    }
    for (std::size_t i : { 0u, 2u, 3u, 5u, 6u, 7u, 9u, 10u, 12u, 13u, 14u })
        EXPECT_FALSE(controls[i].variable) << "control " << i + 1 << " binds nothing";
}

TEST_F(ProgramDescriptorsTest, AboutWindow)
{
    const auto window = Window("varn$varn004", "P1$WINDOW");
    ASSERT_TRUE(window);
    EXPECT_EQ(window->String(layout::kWindowTitle), "O programu");
    EXPECT_EQ(window->PositionAt(layout::kWindowPosition), (Position { kNG, kNG, 332, 234 }));
    EXPECT_EQ(window->Attributes(), 0x10u);
    EXPECT_EQ(window->U32(layout::kWindowFrame), 0x2040u);
    const auto font = WindowFont(*window);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->face, "MS Sans Serif");
    EXPECT_EQ(font->size, 8);
    EXPECT_EQ(font->weight, 400);

    const struct {
        std::int32_t x;
        std::int32_t y;
        std::string text;
    } strings[] = {
        { 5, 7, "Program se sastoji iz dva dijela, i to:" },
        { 16, 20, "1. varn.exe  - program za testiranje formiranje kontrolnog SHA-1 broja" },
        { 16, 32, "2. pelnyx.dll - dll modul za generiranje kontrolnog broja na temelju:" },
        { 28, 44, "a. ulaznog niza znakova" },
        { 28, 56, "b. ulazne ASCII datoteke" },
        { 5, 72, "DLL modul ima dvije export-irane funkcije:" },
        { 16, 87, "a. void doSHA(unsigned char const* pbData, unsigned int dataLen, char* dig)" },
        { 28, 100, "gdje je:" },
        { 40, 112, "pbData - niz byte-ova za koji se generira kontrolni broj" },
        { 40, 124, "dataLen - koli\xE8ina ulaznih podataka (pbData)" },
        { 40, 136, "dig - niz znakova du\x9Eine najmanje 40 byte-ova" },
        { 16, 148, "b. void doSHAOnFile(const char *filename, char* dig)" },
        { 28, 160, "gdje je:" },
        { 40, 184, "dig - niz znakova du\x9Eine najmanje 40 byte-ova" },
        { 4, 198,
            "Prilo\x9E"
            "ena je i datoteka pelnix.lib za potrebe prevo\xF0"
            "enja programa." },
    };
    const auto controls = Controls(*window);
    ASSERT_EQ(controls.size(), 18u);
    for (std::size_t i = 0; i < std::size(strings); ++i) {
        SCOPED_TRACE("control " + std::to_string(i + 1));
        const ControlSpec& control = controls[i];
        EXPECT_EQ(control.equate, static_cast<std::int32_t>(i + 1));
        EXPECT_EQ(control.kind, static_cast<std::uint8_t>(RecordType::String));
        EXPECT_EQ(control.position, (Position { strings[i].x, strings[i].y, kNG, kNG }));
        EXPECT_EQ(control.text, strings[i].text);
        if (i == 0) {
            ASSERT_TRUE(control.font);
            EXPECT_EQ(control.font->weight, 700);
        } else {
            EXPECT_FALSE(control.font) << "the window's font";
        }
    }

    const ControlSpec& ok = controls[15];
    EXPECT_EQ(ok.equate, 16);
    EXPECT_EQ(ok.kind, static_cast<std::uint8_t>(RecordType::Button));
    EXPECT_EQ(ok.position, (Position { 292, 219, 35, 14 }));
    EXPECT_EQ(ok.text, "OK");
    EXPECT_EQ(ok.options & 1, 1) << "the default button of the window";

    const ControlSpec& notice = controls[16];
    EXPECT_EQ(notice.equate, 17);
    EXPECT_EQ(notice.kind, static_cast<std::uint8_t>(RecordType::String));
    EXPECT_EQ(notice.position, (Position { 3, 215, kNG, kNG }));
    EXPECT_FALSE(notice.text.empty());

    const ControlSpec& last = controls[17];
    EXPECT_EQ(last.equate, 18) << "equate 18 stands last in the descriptor";
    EXPECT_EQ(last.position, (Position { 40, 172, kNG, kNG })) << "but sits between 13 and 14";
    EXPECT_EQ(last.text, "filename - ime datoteke za koju se generira kontrolni broj");
}

TEST_F(ProgramDescriptorsTest, FrameworkItemChooser)
{
    const auto window = Window("abeip", "$MULTIWINDOW");
    ASSERT_TRUE(window) << "a module name without \"$\" is looked up as ABEIP_RSC";
    EXPECT_EQ(window->Attributes(), 0x810u);
    const auto controls = Controls(*window);
    bool chooserKinds = false;
    for (const ControlSpec& control : controls) {
        for (RecordType kind :
            { RecordType::List, RecordType::DropCombo, RecordType::Combo, RecordType::Graphic })
            chooserKinds = chooserKinds || control.kind == static_cast<std::uint8_t>(kind);
    }
    EXPECT_TRUE(chooserKinds) << "the list, combination and graphic kinds are the chooser's";
}

TEST_F(ProgramDescriptorsTest, FrameworkPopupAndQueryWindows)
{
    std::set<std::string> names;
    bool popupTimer = false;
    std::set<std::int32_t> queryEquates;
    for (const char* module : { "abpopup", "abquery" }) {
        SCOPED_TRACE(module);
        const auto block = LoadResource(module);
        ASSERT_TRUE(block);
        const auto windows = WindowRecords(*block);
        ASSERT_TRUE(windows);
        ASSERT_FALSE(windows->empty());
        for (const std::int32_t offset : *windows) {
            const auto window = block->RecordAt(offset);
            const std::string name(*window->String(layout::kWindowName));
            names.insert(name);
            EXPECT_EQ(
                window->PositionAt(layout::kWindowPosition), (Position { kNG, kNG, kNG, kNG }))
                << name << " opens at the default position and size";
            if (std::string_view(module) == "abpopup" && window->I32(layout::kWindowTimer) == 50)
                popupTimer = true;
            if (std::string_view(module) == "abquery") {
                for (const ControlSpec& control : Controls(*window))
                    queryEquates.insert(control.equate);
            }
            // The lookup finds the window by its module and name.
            const auto found = FindWindowDescriptor(module, name);
            ASSERT_TRUE(found);
            EXPECT_EQ(found->window, offset);
            EXPECT_EQ(found->block.Size(), block->Size());
        }
    }
    EXPECT_EQ(names, (std::set<std::string> { "P10$W", "P19$W" }));
    EXPECT_TRUE(popupTimer) << "ABPOPUP_RSC's timer period is 50";
    EXPECT_TRUE(queryEquates.contains(1000) && queryEquates.contains(1001));
}

} // namespace
