#include <descriptor/Parser.h>
#include <descriptor/Printer.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using namespace descriptor;

namespace {

DescriptorSource ParseValid(std::string_view text)
{
    const ParseResult result = Parse(text);
    EXPECT_FALSE(result.IsError()) << result.Error().line << ": " << result.Error().message;
    return result.IsError() ? DescriptorSource {} : result.Value();
}

/// Printing and parsing again gives the model back, and the printed text is a fixed point.
void ExpectRoundTrip(const DescriptorSource& source)
{
    const std::string printed = Print(source);
    const ParseResult again = Parse(printed);
    ASSERT_FALSE(again.IsError()) << again.Error().line << ": " << again.Error().message << "\n"
                                  << printed;
    EXPECT_EQ(again.Value(), source) << printed;
    EXPECT_EQ(Print(again.Value()), printed);
}

TEST(PrintTest, CanonicalForm)
{
    const DescriptorSource source = ParseValid(R"(descriptor "varn$varn002"   # module
window "P1$WINDOW" { frame 0x3044;  title "Generiranje"
  attributes 16
  position default default 357 180
    string 8 { text "" }
  menubar
  {
  menu -1 { item -2 { text "&Open" } ; text "&File   " }
  }
  entry 5 { font "Courier New" 10 none 700; use STRING 43; picture "s43"; options 128 }
  button 3 { help key 9 message "m"; colours 0 0xFF none }
}
window "P1$OTHER"
)");
    EXPECT_EQ(Print(source), R"(descriptor "varn$varn002"

window "P1$WINDOW" {
    attributes 0x10
    position default default 357 180
    title "Generiranje"
    frame 0x3044
    string 8
    menubar {
        menu -1 {
            text "&File   "
            item -2 {
                text "&Open"
            }
        }
    }
    entry 5 {
        use STRING 43
        picture "s43"
        font "Courier New" 10 none 700
        options 0x80
    }
    button 3 {
        colours 0x000000 0x0000FF none
        help message "m" key 9
    }
}

window "P1$OTHER"
)");
}

TEST(PrintTest, TextsAreWrittenInUtf8WithEscapes)
{
    DescriptorSource source;
    source.moduleName = "m";
    Record window;
    window.name = "W";
    // č, a quote, a backslash, the escaped controls, a byte Windows-1250 leaves undefined and
    // another control character.
    window.fields.text = "\xE8\"\\\t\n\r\x81\x01\x7F";
    source.windows.push_back(window);
    EXPECT_EQ(Print(source),
        "descriptor \"m\"\n\nwindow \"W\" {\n"
        "    title \"č\\\"\\\\\\t\\n\\r\\x81\\x01\\x7F\"\n}\n");
    ExpectRoundTrip(source);
}

TEST(PrintTest, RoundTripOfEveryField)
{
    ExpectRoundTrip(ParseValid(R"(descriptor "varn$all"
window "P1$WINDOW" {
    attributes 0xFFFFFFFF
    position -2147483648 0 default 0x7FFFFFFF
    title "Naslov čćžšđ ČĆŽŠĐ"
    font "" 0 none 0
    colours none none none
    icon "ICO"
    cursor "CUR"
    help message "m" tip "~" text "h" key -1 alert 0 -1 default
    frame 0x1
    palette -5
    timer default
    zones -1
    wallpaper 0 "W"
    docking 255 0
    menubar 99 {
        menu -1 {
            attributes 0x8
            use 17 4 picture "p"
            text "t  "
            help tip "x"
            action 1
            menu -2 { item -3 }
        }
        item -4 { attributes 0x10 }
    }
    toolbar { help message "tb"; font "F" 1 2 3; cursor "c"; colours 1 2 3; position 1 2 3 4; graphic 30 }
    string 1 { text "s"; font "F" 8 none 400; cursor "c"; colours 1 2 3; angle -3600 }
    entry 2 { use STRING 0; help text "e"; picture "n5"; pictureoption -1; options 255 }
    button 3 { text "b"; icon "i"; action 15; options 2; repeat 65535 0 }
    prompt 4 { text "p" }
    check 5 { use BYTE 1; text "c" }
    group 6 { text "g"; help key 1; string 7; group 8 { list 9 } }
    list 10 { from "a|b"; format "F"; options 1; use QUEUE 0 }
    textbox 11 { use PSTRING 10; options 3 }
    dropcombo 12 { from "x" }
    combo 13 { picture "s5"; from "y" }
    graphic 14 { help message "g"; cursor "c"; colours 0 0 0 }
}

window "second" { position 1 default default default }
)"));
}

TEST(PrintTest, RoundTripOfHandBuiltModel)
{
    DescriptorSource source;
    source.moduleName = "x$y";
    Record window;
    window.name = "\x81";
    window.position = { std::nullopt, 0, std::nullopt, INT32_MIN };
    window.fields.font = Font {};
    window.fields.colours = Colours { 0, kNoColour, 0xFFFFFF };
    Record bar;
    bar.kind = Kind::MenuBar;
    bar.equate = -7;
    Record item;
    item.kind = Kind::Item;
    item.fields.use = Use { 0, -1, "" };
    item.fields.help.alerts = { INT32_MIN };
    bar.children.push_back(item);
    window.children.push_back(bar);
    source.windows.push_back(window);
    ExpectRoundTrip(source);
}

class FrameworkDeclarationTest : public testing::TestWithParam<const char*> { };

TEST_P(FrameworkDeclarationTest, RoundTrips)
{
    const std::filesystem::path path = std::filesystem::path(VARN_FRAMEWORK_DIR) / GetParam();
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ExpectRoundTrip(ParseValid(text));
}

INSTANTIATE_TEST_SUITE_P(Files, FrameworkDeclarationTest,
    testing::Values("ABEIP_RSC.wnd", "ABPOPUP_RSC.wnd", "ABQUERY_RSC.wnd"),
    [](const testing::TestParamInfo<const char*>& param) {
        std::string name = param.param;
        return name.substr(0, name.find('.'));
    });

} // namespace
