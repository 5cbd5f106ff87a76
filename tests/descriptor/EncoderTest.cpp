#include "EncodedDescriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

using namespace descriptor;
using descriptor_test::EncodedDescriptor;
using descriptor_test::EncodeText;

namespace {

using Bytes = std::vector<unsigned char>;

constexpr std::uint32_t kDefault = 0x80000000u;

Bytes ToBytes(const std::vector<std::byte>& bytes)
{
    Bytes out;
    for (const std::byte b : bytes)
        out.push_back(static_cast<unsigned char>(b));
    return out;
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes.at(at + i) = static_cast<unsigned char>(value >> (8 * i));
}

Bytes Dword(std::uint32_t value)
{
    Bytes bytes(4);
    Put32(bytes, 0, value);
    return bytes;
}

Bytes Text(std::string_view text)
{
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

/// A record of `size` bytes with its common head filled in and the rest 0.
Bytes Head(std::uint8_t type, std::size_t size, std::uint32_t next, std::uint32_t attributes = 0)
{
    Bytes bytes(size);
    bytes[0] = type;
    Put32(bytes, 1, next);
    Put32(bytes, 5, attributes);
    return bytes;
}

void PutDefaultPosition(Bytes& record, std::size_t at)
{
    for (std::size_t i = 0; i < 4; ++i)
        Put32(record, at + 4 * i, kDefault);
}

/// The resource content: the module name, a NUL, then the parts of the body in order.
Bytes Content(std::string_view module, std::initializer_list<Bytes> parts)
{
    Bytes bytes = Text(module);
    for (const Bytes& part : parts)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

// Byte-for-byte encodings of small declarations. Offsets count from two bytes before the body:
// the body's first dword is at offset 2, so the first thing after it is at offset 6.

TEST(EncodeTest, SmallestWindow)
{
    // Body: [first window 8] "W" at 6, window at 8.
    Bytes window = Head(25, 116, 0, 0x10);
    PutDefaultPosition(window, 0x0D);
    Put32(window, 0x21, 6); // name

    EXPECT_EQ(ToBytes(EncodeText("descriptor \"m\"\nwindow \"W\" { attributes 0x10 }")),
        Content("m", { Dword(8), Text("W"), window }));
}

TEST(EncodeTest, TextsGoInFrontOfTheirRecordsAndEmptyTextsAreZero)
{
    // Body: "W" at 6; string 2 at 8 (59 bytes, no text: offset 0); "Ab" at 67; string 1 at 70,
    // whose next sibling is string 2; the window at 129, whose first control is string 1.
    Bytes string2 = Head(2, 59, 0);
    Put32(string2, 0x0D, 2); // equate
    PutDefaultPosition(string2, 0x15);
    Bytes string1 = Head(2, 59, 8, 0x10);
    Put32(string1, 0x0D, 1);
    PutDefaultPosition(string1, 0x15);
    Put32(string1, 0x29, 67); // text
    Bytes window = Head(25, 116, 0);
    PutDefaultPosition(window, 0x0D);
    Put32(window, 0x1D, 70); // first control
    Put32(window, 0x21, 6);  // name

    EXPECT_EQ(ToBytes(EncodeText(R"(descriptor "m"
window "W" {
    string 1 { attributes 0x10; text "Ab" }
    string 2 { text "" }
})")),
        Content("m", { Dword(129), Text("W"), string2, Text("Ab"), string1, window }));
}

TEST(EncodeTest, ValueListIsStoredHeadLast)
{
    // Cells of 8 bytes {value, next}: 45 at 8, 120 at 16, 80 at 24, -1 (the head) at 32.
    Bytes cells;
    const std::pair<std::int32_t, std::uint32_t> stored[]
        = { { 45, 0 }, { 120, 8 }, { 80, 16 }, { -1, 24 } };
    for (const auto& [value, next] : stored) {
        Bytes pair = Dword(static_cast<std::uint32_t>(value));
        const Bytes link = Dword(next);
        pair.insert(pair.end(), link.begin(), link.end());
        cells.insert(cells.end(), pair.begin(), pair.end());
    }
    Bytes window = Head(25, 116, 0, 0x800);
    PutDefaultPosition(window, 0x0D);
    Put32(window, 0x21, 6);
    Put32(window, 0x69, 32); // zones: the head

    const auto content
        = EncodeText("descriptor \"m\"\nwindow \"W\" {\n attributes 0x800\n zones -1 80 120 45\n}");
    EXPECT_EQ(ToBytes(content), Content("m", { Dword(40), Text("W"), cells, window }));

    const EncodedDescriptor encoded(content);
    EXPECT_EQ(encoded.ValueList(encoded.I32(encoded.FirstWindow() + 0x69)),
        (std::vector<std::int32_t> { -1, 80, 120, 45 }))
        << "read from the head, the chain gives the declared order";
}

TEST(EncodeTest, MenuBarMenuAndItem)
{
    // "&File" keeps its three trailing blanks. Body: "W" at 6; "&File   " at 8; "&Open" at 17;
    // item at 23 (89 bytes); menu at 112 (93); menu bar at 205 (73); window at 278.
    Bytes item = Head(20, 89, 0, 0x40);
    Put32(item, 0x0D, static_cast<std::uint32_t>(-2));
    Put32(item, 0x19, 17); // text
    PutDefaultPosition(item, 0x1D);
    Put32(item, 0x4D, 11); // action
    Bytes menu = Head(19, 93, 0);
    Put32(menu, 0x0D, static_cast<std::uint32_t>(-1));
    Put32(menu, 0x19, 8);
    PutDefaultPosition(menu, 0x1D);
    Put32(menu, 0x59, 23); // first child
    Bytes bar = Head(22, 73, 0);
    Put32(bar, 0x15, 112); // first menu
    PutDefaultPosition(bar, 0x19);
    Bytes window = Head(25, 116, 0);
    PutDefaultPosition(window, 0x0D);
    Put32(window, 0x21, 6);
    Put32(window, 0x5D, 205); // menu bar

    EXPECT_EQ(ToBytes(EncodeText(R"(descriptor "m"
window "W" {
    menubar {
        menu -1 {
            text "&File   "
            item -2 { attributes 0x40; text "&Open"; action 11 }
        }
    }
})")),
        Content("m",
            { Dword(278), Text("W"), Text("&File   "), Text("&Open"), item, menu, bar, window }));
}

TEST(EncodeTest, TextsAreWindows1250)
{
    // č is 0xE8 and ž 0x9E in Windows-1250, in the module name as in the texts.
    Bytes window = Head(25, 116, 0);
    PutDefaultPosition(window, 0x0D);
    Put32(window, 0x21, 6);
    Put32(window, 0x29, 8); // title
    EXPECT_EQ(ToBytes(EncodeText("descriptor \"čž$m\"\nwindow \"W\" { title \"čaž\" }")),
        Content("\xE8\x9E$m",
            { Dword(12), Text("W"),
                Text("\xE8"
                     "a\x9E"),
                window }));
}

TEST(EncodeTest, PositionValuesNotGivenAreStoredAsDefault)
{
    const auto content = EncodeText(R"(descriptor "m"
window "W" {
    position 1 default -3 default
    entry 1 { position default 7 default 0 }
})");
    const EncodedDescriptor encoded(content);
    const std::int32_t window = encoded.FirstWindow();
    EXPECT_EQ(encoded.U32(window + 0x0D), 1u);
    EXPECT_EQ(encoded.U32(window + 0x11), kDefault);
    EXPECT_EQ(encoded.I32(window + 0x15), -3);
    EXPECT_EQ(encoded.U32(window + 0x19), kDefault);
    const std::int32_t entry = encoded.I32(window + 0x1D);
    EXPECT_EQ(encoded.U32(entry + 0x19), kDefault);
    EXPECT_EQ(encoded.U32(entry + 0x1D), 7u);
    EXPECT_EQ(encoded.U32(entry + 0x21), kDefault);
    EXPECT_EQ(encoded.U32(entry + 0x25), 0u) << "a written 0 is 0, not default";
}

TEST(EncodeTest, WindowsAreChainedInDeclarationOrder)
{
    const auto content = EncodeText("descriptor \"m\"\nwindow \"A\"\nwindow \"B\"\nwindow \"C\"");
    const EncodedDescriptor encoded(content);
    std::vector<std::string> names;
    for (std::int32_t window = encoded.FirstWindow(); window != 0;
         window = encoded.I32(window + 1)) {
        EXPECT_EQ(encoded.U8(window), 25);
        names.push_back(encoded.Text(encoded.I32(window + 0x21)));
        if (names.size() > 3)
            break;
    }
    EXPECT_EQ(names, (std::vector<std::string> { "A", "B", "C" }));
}

// Where each field lands in its record. The record is found as the loader finds it: the
// window, its first control, or the first entry of its menu bar.
enum class Where { Window, FirstControl, FirstMenuEntry };

struct FieldCase {
    const char* name;
    Where where;
    const char* body; ///< the window's body
    std::uint32_t offset;
    int width; ///< 1, 2 or 4 bytes; 0 = a text reference, compared with `text`
    std::uint32_t value;
    const char* text;
};

const FieldCase kFieldCases[] = {
    // Window.
    { "WindowAttributes", Where::Window, "attributes 0x810", 0x05, 4, 0x810, "" },
    { "WindowX", Where::Window, "position 11 22 33 44", 0x0D, 4, 11, "" },
    { "WindowHeight", Where::Window, "position 11 22 33 44", 0x19, 4, 44, "" },
    { "WindowName", Where::Window, "", 0x21, 0, 0, "W" },
    { "WindowTitle", Where::Window, "title \"T\"", 0x29, 0, 0, "T" },
    { "WindowIcon", Where::Window, "icon \"I\"", 0x39, 0, 0, "I" },
    { "WindowHelpMessage", Where::Window, "help message \"M\"", 0x3D, 0, 0, "M" },
    { "WindowHelpTip", Where::Window, "help tip \"~\"", 0x41, 0, 0, "~" },
    { "WindowHelpText", Where::Window, "help text \"H\"", 0x45, 0, 0, "H" },
    { "WindowHelpKey", Where::Window, "help key 112", 0x49, 4, 112, "" },
    { "WindowFrame", Where::Window, "frame 0x1820", 0x51, 4, 0x1820, "" },
    { "WindowPalette", Where::Window, "palette 1", 0x55, 4, 1, "" },
    { "WindowTimer", Where::Window, "timer 50", 0x59, 4, 50, "" },
    { "WindowCursor", Where::Window, "cursor \"C\"", 0x65, 0, 0, "C" },
    { "WindowWallpaperMode", Where::Window, "wallpaper 3 \"P\"", 0x6D, 1, 3, "" },
    { "WindowWallpaper", Where::Window, "wallpaper 3 \"P\"", 0x6E, 0, 0, "P" },
    { "WindowDockingFirst", Where::Window, "docking 5 6", 0x72, 1, 5, "" },
    { "WindowDockingSecond", Where::Window, "docking 5 6", 0x73, 1, 6, "" },
    // String and prompt.
    { "StringEquate", Where::FirstControl, "string 7", 0x0D, 4, 7, "" },
    { "StringX", Where::FirstControl, "string 1 { position 9 8 7 6 }", 0x15, 4, 9, "" },
    { "StringText", Where::FirstControl, "string 1 { text \"S\" }", 0x29, 0, 0, "S" },
    { "StringCursor", Where::FirstControl, "string 1 { cursor \"C\" }", 0x31, 0, 0, "C" },
    { "StringAngle", Where::FirstControl, "string 1 { angle -900 }", 0x39, 2, 0xFC7C, "" },
    { "PromptX", Where::FirstControl, "prompt 1 { position 9 8 7 6 }", 0x15, 4, 9, "" },
    { "PromptText", Where::FirstControl, "prompt 1 { text \"P\" }", 0x29, 0, 0, "P" },
    { "PromptCursor", Where::FirstControl, "prompt 1 { cursor \"C\" }", 0x31, 0, 0, "C" },
    // Button.
    { "ButtonX", Where::FirstControl, "button 1 { position 9 8 7 6 }", 0x15, 4, 9, "" },
    { "ButtonHelpMessage", Where::FirstControl, "button 1 { help message \"M\" }", 0x25, 0, 0,
        "M" },
    { "ButtonHelpKey", Where::FirstControl, "button 1 { help key 9 }", 0x31, 4, 9, "" },
    { "ButtonCursor", Where::FirstControl, "button 1 { cursor \"C\" }", 0x3D, 0, 0, "C" },
    { "ButtonText", Where::FirstControl, "button 1 { text \"B\" }", 0x45, 0, 0, "B" },
    { "ButtonIcon", Where::FirstControl, "button 1 { icon \"I\" }", 0x49, 0, 0, "I" },
    { "ButtonAction", Where::FirstControl, "button 1 { action 15 }", 0x51, 4, 15, "" },
    { "ButtonOptions", Where::FirstControl, "button 1 { options 3 }", 0x55, 1, 3, "" },
    { "ButtonRepeatDelay", Where::FirstControl, "button 1 { repeat 300 20 }", 0x56, 2, 300, "" },
    { "ButtonRepeatInterval", Where::FirstControl, "button 1 { repeat 300 20 }", 0x58, 2, 20, "" },
    // Group box.
    { "GroupHelpText", Where::FirstControl, "group 1 { help text \"H\" }", 0x2D, 0, 0, "H" },
    { "GroupCursor", Where::FirstControl, "group 1 { cursor \"C\" }", 0x3D, 0, 0, "C" },
    { "GroupText", Where::FirstControl, "group 1 { text \"G\" }", 0x45, 0, 0, "G" },
    // Entry, text box and check box: position after the use descriptor.
    { "EntryX", Where::FirstControl, "entry 1 { position 9 8 7 6 }", 0x19, 4, 9, "" },
    { "EntryHeight", Where::FirstControl, "entry 1 { position 9 8 7 6 }", 0x25, 4, 6, "" },
    { "EntryHelpMessage", Where::FirstControl, "entry 1 { help message \"M\" }", 0x29, 0, 0, "M" },
    { "EntryCursor", Where::FirstControl, "entry 1 { cursor \"C\" }", 0x41, 0, 0, "C" },
    { "EntryPicture", Where::FirstControl, "entry 1 { picture \"s43\" }", 0x49, 0, 0, "s43" },
    { "EntryPictureOption", Where::FirstControl, "entry 1 { pictureoption 4 }", 0x4D, 4, 4, "" },
    { "EntryOptions", Where::FirstControl, "entry 1 { options 0x80 }", 0x51, 1, 0x80, "" },
    { "TextBoxX", Where::FirstControl, "textbox 1 { position 9 8 7 6 }", 0x19, 4, 9, "" },
    { "TextBoxCursor", Where::FirstControl, "textbox 1 { cursor \"C\" }", 0x41, 0, 0, "C" },
    { "TextBoxOptions", Where::FirstControl, "textbox 1 { options 2 }", 0x51, 1, 2, "" },
    { "CheckX", Where::FirstControl, "check 1 { position 9 8 7 6 }", 0x19, 4, 9, "" },
    { "CheckHelpTip", Where::FirstControl, "check 1 { help tip \"T\" }", 0x2D, 0, 0, "T" },
    { "CheckText", Where::FirstControl, "check 1 { text \"X\" }", 0x49, 0, 0, "X" },
    // List boxes and combination boxes.
    { "ListX", Where::FirstControl, "list 1 { position 9 8 7 6 }", 0x19, 4, 9, "" },
    { "ListHelpMessage", Where::FirstControl, "list 1 { help message \"M\" }", 0x29, 0, 0, "M" },
    { "ListCursor", Where::FirstControl, "list 1 { cursor \"C\" }", 0x41, 0, 0, "C" },
    { "ListFrom", Where::FirstControl, "list 1 { from \"a|b\" }", 0x49, 0, 0, "a|b" },
    { "ListFormat", Where::FirstControl, "list 1 { format \"20L\" }", 0x4D, 0, 0, "20L" },
    { "ListOptions", Where::FirstControl, "list 1 { options 5 }", 0x51, 1, 5, "" },
    { "DropComboFrom", Where::FirstControl, "dropcombo 1 { from \"x\" }", 0x49, 0, 0, "x" },
    { "DropComboOptions", Where::FirstControl, "dropcombo 1 { options 5 }", 0x51, 1, 5, "" },
    { "ComboFormat", Where::FirstControl, "combo 1 { format \"F\" }", 0x4D, 0, 0, "F" },
    { "ComboPicture", Where::FirstControl, "combo 1 { picture \"s20\" }", 0x52, 0, 0, "s20" },
    // Graphic control.
    { "GraphicX", Where::FirstControl, "graphic 1 { position 9 8 7 6 }", 0x15, 4, 9, "" },
    { "GraphicHelpKey", Where::FirstControl, "graphic 1 { help key 7 }", 0x31, 4, 7, "" },
    { "GraphicCursor", Where::FirstControl, "graphic 1 { cursor \"C\" }", 0x39, 0, 0, "C" },
    // Menus.
    { "ItemText", Where::FirstMenuEntry, "menubar { item -1 { text \"I\" } }", 0x19, 0, 0, "I" },
    { "ItemHelpMessage", Where::FirstMenuEntry, "menubar { item -1 { help message \"M\" } }", 0x2D,
        0, 0, "M" },
    { "ItemAction", Where::FirstMenuEntry, "menubar { item -1 { action 12 } }", 0x4D, 4, 12, "" },
    { "MenuAction", Where::FirstMenuEntry, "menubar { menu -1 { action 1 } }", 0x4D, 4, 1, "" },
};

class FieldOffsetTest : public testing::TestWithParam<FieldCase> { };

TEST_P(FieldOffsetTest, FieldLandsAtItsOffset)
{
    const FieldCase& c = GetParam();
    const auto content
        = EncodeText("descriptor \"m\"\nwindow \"W\" {\n" + std::string(c.body) + "\n}\n");
    const EncodedDescriptor encoded(content);
    std::int32_t record = encoded.FirstWindow();
    if (c.where == Where::FirstControl)
        record = encoded.I32(record + 0x1D);
    else if (c.where == Where::FirstMenuEntry)
        record = encoded.I32(encoded.I32(record + 0x5D) + 0x15);
    ASSERT_NE(record, 0);
    const std::int64_t at = std::int64_t { record } + c.offset;

    switch (c.width) {
    case 0: {
        const std::int32_t text = encoded.I32(at);
        EXPECT_GT(text, 0);
        EXPECT_LT(text, record) << "a text is stored in front of its record";
        EXPECT_EQ(encoded.Text(text), c.text);
        break;
    }
    case 1:
        EXPECT_EQ(encoded.U8(at), c.value);
        break;
    case 2:
        EXPECT_EQ(encoded.U16(at), c.value);
        break;
    default:
        EXPECT_EQ(encoded.U32(at), c.value);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, FieldOffsetTest, testing::ValuesIn(kFieldCases),
    [](const testing::TestParamInfo<FieldCase>& param) { return std::string(param.param.name); });

struct SizeCase {
    const char* name;
    const char* body;
    std::size_t recordBytes; ///< the bytes of the records besides the window
};

// A window named "W" holding one record with nothing to refer to: the body is the first-window
// dword, "W", that record and the 116-byte window.
const SizeCase kSizeCases[] = {
    { "String", "string 1", 59 },
    { "Entry", "entry 1", 82 },
    { "Button", "button 1", 90 },
    { "Prompt", "prompt 1", 57 },
    { "Check", "check 1", 77 },
    { "Group", "group 1", 81 },
    { "List", "list 1", 86 },
    { "TextBox", "textbox 1", 82 },
    { "DropCombo", "dropcombo 1", 86 },
    { "Combo", "combo 1", 86 },
    { "Graphic", "graphic 1", 65 },
    { "Toolbar", "toolbar", 81 },
    { "MenuBar", "menubar", 73 },
    { "MenuOnBar", "menubar { menu -1 }", 73 + 93 },
    { "ItemOnBar", "menubar { item -1 }", 73 + 89 },
};

class RecordSizeTest : public testing::TestWithParam<SizeCase> { };

TEST_P(RecordSizeTest, RecordHasItsSize)
{
    const SizeCase& c = GetParam();
    const auto content
        = EncodeText("descriptor \"m\"\nwindow \"W\" {\n" + std::string(c.body) + "\n}\n");
    const EncodedDescriptor encoded(content);
    EXPECT_EQ(encoded.BlockSize(), 2 + 4 + 2 + c.recordBytes + 116);
    EXPECT_EQ(static_cast<std::size_t>(encoded.FirstWindow()), encoded.BlockSize() - 116)
        << "the window is stored last, after everything it refers to";
}

INSTANTIATE_TEST_SUITE_P(Kinds, RecordSizeTest, testing::ValuesIn(kSizeCases),
    [](const testing::TestParamInfo<SizeCase>& param) { return std::string(param.param.name); });

TEST(EncodeTest, ControlHeadAndReservedFields)
{
    const auto content = EncodeText(R"(descriptor "m"
window "W" {
    button 3 { attributes 0x460; text "x" }
    prompt 4
})");
    const EncodedDescriptor encoded(content);
    const std::int32_t window = encoded.FirstWindow();
    const std::int32_t button = encoded.I32(window + 0x1D);
    EXPECT_EQ(encoded.U8(button), 9);
    EXPECT_EQ(encoded.U32(button + 5), 0x460u);
    EXPECT_EQ(encoded.U32(button + 9), 0u);
    EXPECT_EQ(encoded.I32(button + 0x0D), 3);
    EXPECT_EQ(encoded.U32(button + 0x11), 0u);
    const std::int32_t prompt = encoded.I32(button + 1);
    EXPECT_EQ(encoded.U8(prompt), 10);
    EXPECT_EQ(encoded.I32(prompt + 0x0D), 4);
    EXPECT_EQ(encoded.I32(prompt + 1), 0) << "the last sibling";
    EXPECT_LT(prompt, button) << "a record's next sibling is stored in front of it";
}

TEST(EncodeTest, SubBlocks)
{
    const auto content = EncodeText(R"(descriptor "m"
window "W" {
    entry 1 {
        use CSTRING 127 picture "@s126"
        font "Courier New" 10 none 700
        colours 0xFF0000 none 0x00FF00
        help message "M" alert 27 13
    }
})");
    const EncodedDescriptor encoded(content);
    const std::int32_t entry = encoded.I32(encoded.FirstWindow() + 0x1D);

    const std::int32_t use = encoded.I32(entry + 0x15);
    ASSERT_GT(use, 0);
    EXPECT_EQ(encoded.U8(use), 19);
    EXPECT_EQ(encoded.I32(use + 1), 127);
    EXPECT_EQ(encoded.Text(encoded.I32(use + 5)), "@s126");
    EXPECT_LE(use + 9, entry);

    const std::int32_t font = encoded.I32(entry + 0x3D);
    ASSERT_GT(font, 0);
    EXPECT_EQ(encoded.Text(encoded.I32(font)), "Courier New");
    EXPECT_EQ(encoded.I32(font + 4), 10);
    EXPECT_EQ(encoded.U32(font + 8), kNoColour);
    EXPECT_EQ(encoded.I32(font + 12), 700);
    EXPECT_LE(font + 16, entry);

    const std::int32_t colours = encoded.I32(entry + 0x45);
    ASSERT_GT(colours, 0);
    EXPECT_EQ(encoded.U32(colours), 0xFF0000u);
    EXPECT_EQ(encoded.U32(colours + 4), kNoColour);
    EXPECT_EQ(encoded.U32(colours + 8), 0x00FF00u);
    EXPECT_LE(colours + 12, entry);

    EXPECT_EQ(encoded.Text(encoded.I32(entry + 0x29)), "M");
    EXPECT_EQ(encoded.I32(entry + 0x29 + 4), 0) << "no tip";
    EXPECT_EQ(encoded.I32(entry + 0x29 + 8), 0) << "no help text";
    EXPECT_EQ(
        encoded.ValueList(encoded.I32(entry + 0x29 + 16)), (std::vector<std::int32_t> { 27, 13 }));
}

TEST(EncodeTest, AbsentBlocksAreZero)
{
    const auto content = EncodeText("descriptor \"m\"\nwindow \"W\" {\n entry 1\n}");
    const EncodedDescriptor encoded(content);
    const std::int32_t entry = encoded.I32(encoded.FirstWindow() + 0x1D);
    EXPECT_EQ(encoded.I32(entry + 0x15), 0) << "use";
    EXPECT_EQ(encoded.I32(entry + 0x3D), 0) << "font";
    EXPECT_EQ(encoded.I32(entry + 0x45), 0) << "colours";
    EXPECT_EQ(encoded.I32(entry + 0x29 + 16), 0) << "alert keys";
}

TEST(EncodeTest, GroupAndToolbarChildren)
{
    const auto content = EncodeText(R"(descriptor "m"
window "W" {
    toolbar { button 10; button 11 }
    group 1 {
        string 2
        check 3
    }
    prompt 4
})");
    const EncodedDescriptor encoded(content);
    const std::int32_t window = encoded.FirstWindow();

    const std::int32_t toolbar = encoded.I32(window + 0x61);
    ASSERT_GT(toolbar, 0);
    EXPECT_EQ(encoded.U8(toolbar), 23);
    const std::int32_t first = encoded.I32(toolbar + 0x49);
    EXPECT_EQ(encoded.I32(first + 0x0D), 10);
    EXPECT_EQ(encoded.I32(encoded.I32(first + 1) + 0x0D), 11);

    const std::int32_t group = encoded.I32(window + 0x1D);
    EXPECT_EQ(encoded.U8(group), 13) << "the toolbar is not among the window's controls";
    const std::int32_t string = encoded.I32(group + 0x49);
    EXPECT_EQ(encoded.U8(string), 2);
    const std::int32_t check = encoded.I32(string + 1);
    EXPECT_EQ(encoded.U8(check), 12);
    EXPECT_EQ(encoded.I32(check + 1), 0) << "the group's children end inside the group";
    EXPECT_EQ(encoded.I32(group + 0x4D), 0) << "no extension";
    const std::int32_t prompt = encoded.I32(group + 1);
    EXPECT_EQ(encoded.U8(prompt), 10);
    EXPECT_EQ(encoded.I32(window + 0x5D), 0) << "no menu bar";
}

} // namespace
