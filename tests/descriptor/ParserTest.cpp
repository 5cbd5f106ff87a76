#include <descriptor/Parser.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using namespace descriptor;

namespace {

const Record& OnlyWindow(const ParseResult& result)
{
    EXPECT_FALSE(result.IsError()) << result.Error().line << ": " << result.Error().message;
    EXPECT_EQ(result.Value().windows.size(), 1u);
    return result.Value().windows.at(0);
}

ParseResult ParseWindow(std::string_view body)
{
    return Parse("descriptor \"varn$test\"\nwindow \"W\" {\n" + std::string(body) + "\n}\n");
}

struct ErrorCase {
    const char* name;
    const char* text;
    unsigned line;
    const char* message; ///< a part of the message that names the fault
};

// Each declaration is refused; the line is where the fault is, not where the parse stopped.
const ErrorCase kErrorCases[] = {
    // Kinds and fields.
    { "UnknownKindAtTopLevel", "descriptor \"m\"\n\ndialog \"W\" {\n}\n", 3,
        "unknown record kind `dialog`" },
    { "UnknownKindInWindow", "descriptor \"m\"\nwindow \"W\" {\n    slider 3\n}\n", 3,
        "unknown field or record kind `slider`" },
    { "UnknownFieldInControl",
        "descriptor \"m\"\nwindow \"W\" {\n  button 1 {\n    colour 5\n  }\n}\n", 4,
        "unknown field or record kind `colour`" },
    { "FieldOfAnotherKind", "descriptor \"m\"\nwindow \"W\" {\n  button 1 { angle 900 }\n}\n", 3,
        "`angle` is not a field of a `button`" },
    { "WindowTextIsItsTitle", "descriptor \"m\"\nwindow \"W\" {\n  text \"x\"\n}\n", 3,
        "`text` is not a field of a `window`" },
    { "TitleOnControl", "descriptor \"m\"\nwindow \"W\" {\n  string 1 { title \"x\" }\n}\n", 3,
        "`title` is not a field of a `string`" },
    { "ControlOutsideWindow", "descriptor \"m\"\nbutton 1\n", 2, "belong inside a window" },
    { "ControlInsideString",
        "descriptor \"m\"\nwindow \"W\" {\n  string 1 {\n    button 2\n  }\n}\n", 4,
        "a `string` cannot hold a `button`" },
    { "ButtonOnMenuBar", "descriptor \"m\"\nwindow \"W\" {\n  menubar {\n    button 2\n  }\n}\n", 4,
        "a `menubar` cannot hold a `button`" },
    { "WindowInWindow", "descriptor \"m\"\nwindow \"W\" {\n  window \"X\"\n}\n", 3,
        "a `window` cannot hold a `window`" },
    { "FieldGivenTwice", "descriptor \"m\"\nwindow \"W\" {\n  timer 5\n  timer 6\n}\n", 4,
        "`timer` is given twice" },
    { "HelpPartGivenTwiceAcrossStatements",
        "descriptor \"m\"\nwindow \"W\" {\n  help message \"a\"\n  help tip \"b\" message "
        "\"c\"\n}\n",
        4, "`help message` is given twice" },
    { "UnknownHelpPart", "descriptor \"m\"\nwindow \"W\" {\n  help hint \"a\"\n}\n", 3,
        "unknown part `hint` of `help`" },
    { "HelpWithoutParts", "descriptor \"m\"\nwindow \"W\" {\n  help\n}\n", 3,
        "`help` needs at least one" },
    { "ControlWithoutEquate", "descriptor \"m\"\nwindow \"W\" {\n  button {\n  }\n}\n", 3,
        "`button` needs its field equate" },
    { "UnknownUseType", "descriptor \"m\"\nwindow \"W\" {\n  entry 1 { use STRINGS 4 }\n}\n", 3,
        "unknown type `STRINGS`" },
    { "PictureWithAtSign", "descriptor \"m\"\nwindow \"W\" {\n  entry 1 { picture \"@s43\" }\n}\n",
        3, "without its leading `@`" },
    { "TooManyValues", "descriptor \"m\"\nwindow \"W\" {\n  timer 50 60\n}\n", 3,
        "unexpected `60` after `timer`" },
    { "MissingValue", "descriptor \"m\"\nwindow \"W\" {\n  position 1 2 3\n}\n", 3,
        "needs a number, found the end of the line" },
    { "TextWhereNumberBelongs", "descriptor \"m\"\nwindow \"W\" {\n  timer \"50\"\n}\n", 3,
        "`timer` needs a number, found the text \"50\"" },
    { "NumberWhereTextBelongs", "descriptor \"m\"\nwindow \"W\" {\n  title 5\n}\n", 3,
        "`title` needs a text in double quotes" },
    { "NoneOutsideColour", "descriptor \"m\"\nwindow \"W\" {\n  timer none\n}\n", 3,
        "needs a number, found `none`" },
    { "JunkAfterClosingBrace", "descriptor \"m\"\nwindow \"W\" {\n  string 1 { } 5\n}\n", 3,
        "unexpected `5` after `}`" },
    { "UnexpectedCharacter", "descriptor \"m\"\nwindow \"W\" {\n  timer @5\n}\n", 3,
        "unexpected character `@`" },
    { "UnexpectedNonAsciiCharacter", "descriptor \"m\"\nwindow \"W\" {\n  č\n}\n", 3,
        "unexpected character `č`" },

    // Numbers.
    { "LettersInNumber", "descriptor \"m\"\nwindow \"W\" {\n  timer 12ab\n}\n", 3,
        "bad number `12ab`" },
    { "HexWithoutDigits", "descriptor \"m\"\nwindow \"W\" {\n  timer 0x\n}\n", 3,
        "bad number `0x`" },
    { "BadHexDigit", "descriptor \"m\"\nwindow \"W\" {\n  timer 0x1G\n}\n", 3,
        "bad number `0x1G`" },
    { "LoneMinus", "descriptor \"m\"\nwindow \"W\" {\n  timer - 5\n}\n", 3, "bad number `-`" },
    { "Fraction", "descriptor \"m\"\nwindow \"W\" {\n  timer 1.5\n}\n", 3, "bad number `1.5`" },
    { "AboveThirtyTwoBits", "descriptor \"m\"\nwindow \"W\" {\n  timer 0x100000000\n}\n", 3,
        "does not fit in 32 bits" },
    { "BelowThirtyTwoBits", "descriptor \"m\"\nwindow \"W\" {\n  timer -2147483649\n}\n", 3,
        "does not fit in 32 bits" },
    { "HugeNumber", "descriptor \"m\"\nwindow \"W\" {\n  timer 99999999999999999999999\n}\n", 3,
        "does not fit in 32 bits" },
    { "ByteFieldTooLarge", "descriptor \"m\"\nwindow \"W\" {\n  entry 1 { options 256 }\n}\n", 3,
        "`options` takes 0 to 255, not `256`" },
    { "ByteFieldNegative", "descriptor \"m\"\nwindow \"W\" {\n  docking 0 -1\n}\n", 3,
        "takes 0 to 255, not `-1`" },
    { "ByteFieldDefault", "descriptor \"m\"\nwindow \"W\" {\n  entry 1 { options default }\n}\n", 3,
        "not `default`" },
    { "RepeatAboveSixteenBits",
        "descriptor \"m\"\nwindow \"W\" {\n  button 1 { repeat 65536 1 }\n}\n", 3,
        "takes 0 to 65535" },
    { "AngleAboveSixteenBits", "descriptor \"m\"\nwindow \"W\" {\n  string 1 { angle 32768 }\n}\n",
        3, "takes -32768 to 32767" },
    { "EquateAfterNewline", "descriptor \"m\"\nwindow \"W\" {\n  button\n  1\n}\n", 3,
        "`button` needs its field equate (a number), found the end of the line" },

    // Texts.
    { "UnterminatedText", "descriptor \"m\"\nwindow \"W\" {\n  title \"Kontrolni\n}\n", 3,
        "unterminated text" },
    { "UnterminatedTextAtEndOfFile", "descriptor \"m\"\nwindow \"W\" {\n  title \"abc\\", 3,
        "unterminated text" },
    { "EscapedQuoteLeavesTextOpen", "descriptor \"m\"\nwindow \"W\" {\n  title \"abc\\\"\n}\n", 3,
        "unterminated text" },
    { "NoWindows1250Form", "descriptor \"m\"\nwindow \"W\" {\n  title \"Ørsted\"\n}\n", 3,
        "`Ø` has no Windows-1250 form" },
    { "NoWindows1250FormInModuleName", "descriptor \"日本$x\"\nwindow \"W\"\n", 1,
        "`日` has no Windows-1250 form" },
    { "MalformedUtf8", "descriptor \"m\"\nwindow \"W\" {\n  title \"a\xC3\"\n}\n", 3,
        "malformed UTF-8" },
    { "StrayContinuationByte", "descriptor \"m\"\nwindow \"W\" {\n  title \"\x9E\"\n}\n", 3,
        "malformed UTF-8" },
    { "UnknownEscape", "descriptor \"m\"\nwindow \"W\" {\n  title \"a\\qb\"\n}\n", 3,
        "unknown escape `\\q`" },
    { "ShortHexEscape", "descriptor \"m\"\nwindow \"W\" {\n  title \"\\x4\"\n}\n", 3,
        "`\\x` needs two hexadecimal digits" },
    { "NulEscape", "descriptor \"m\"\nwindow \"W\" {\n  title \"a\\x00b\"\n}\n", 3, "NUL byte" },
    { "EmptyWindowName", "descriptor \"m\"\nwindow \"\"\n", 2, "a window needs a name" },

    // Blocks.
    { "MissingClosingBrace", "descriptor \"m\"\n\nwindow \"W\" {\n    timer 50\n", 3,
        "the `{` of a `window` is never closed" },
    // The last `}` closes the group, so the window is the block left open.
    { "MissingInnerBrace",
        "descriptor \"m\"\nwindow \"W\" {\n  group 1 {\n    string 2\n  string 3\n}\n", 2,
        "the `{` of a `window` is never closed" },
    { "MissingBraceOfLastRecord",
        "descriptor \"m\"\nwindow \"W\" {\n  string 1 { text \"a\" }\n  group 2 {\n", 4,
        "the `{` of a `group` is never closed" },
    { "StrayClosingBrace", "descriptor \"m\"\nwindow \"W\"\n}\n", 3,
        "expected a `window` record, found `}`" },

    // Structure.
    { "NoDescriptorStatement", "# comment\n\nwindow \"W\"\n", 3, "starts with `descriptor" },
    { "DescriptorTwice", "descriptor \"m\"\nwindow \"W\"\ndescriptor \"n\"\n", 3,
        "the module is named once" },
    { "NoWindows", "descriptor \"m\"\n# nothing else\n", 3, "at least one `window`" },
    { "EmptyModuleName", "descriptor \"\"\nwindow \"W\"\n", 1, "an empty resource name" },
    { "NothingAfterDollar", "descriptor \"varn$\"\nwindow \"W\"\n", 1, "an empty resource name" },
    { "BlankInResourceName", "descriptor \"varn$a b\"\nwindow \"W\"\n", 1,
        "makes no resource name" },
    { "DuplicateEquate",
        "descriptor \"m\"\nwindow \"W\" {\n  string 1\n  group 2 {\n    string 1\n  }\n}\n", 5,
        "equate 1 is already used on line 3" },
    { "DuplicateMenuEquate",
        "descriptor \"m\"\nwindow \"W\" {\n  menubar {\n    item -1\n    menu -1\n  }\n}\n", 5,
        "equate -1 is already used on line 4" },
    { "DuplicateWindowNameIgnoringCase", "descriptor \"m\"\nwindow \"P1$W\"\n\nwindow \"p1$w\"\n",
        4, "window \"p1$w\" is already declared on line 2" },
    { "TwoMenuBars", "descriptor \"m\"\nwindow \"W\" {\n  menubar\n  menubar\n}\n", 4,
        "a window has one `menubar`; the first is on line 3" },
    { "TwoToolbars", "descriptor \"m\"\nwindow \"W\" {\n  toolbar\n  toolbar\n}\n", 4,
        "a window has one `toolbar`" },

    // Line counting: comments, `;`, carriage returns and a byte-order mark.
    { "LinesCountedThroughCommentsAndCrLf",
        "\xEF\xBB\xBF# a\r\n# \"b\r\ndescriptor \"m\" # c\r\nwindow \"W\" { timer 1; palette "
        "2\r\n\r\n  bogus\r\n}",
        6, "unknown field or record kind `bogus`" },
};

class ParseErrorTest : public testing::TestWithParam<ErrorCase> { };

TEST_P(ParseErrorTest, ReportsLineAndFault)
{
    const ErrorCase& c = GetParam();
    const ParseResult result = Parse(c.text);
    ASSERT_TRUE(result.IsError());
    EXPECT_EQ(result.Error().line, c.line) << result.Error().message;
    EXPECT_NE(result.Error().message.find(c.message), std::string::npos)
        << "message: " << result.Error().message;
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseErrorTest, testing::ValuesIn(kErrorCases),
    [](const testing::TestParamInfo<ErrorCase>& param) { return std::string(param.param.name); });

TEST(ParseTest, ModuleMustMakeTheExpectedResourceName)
{
    const std::string text = "# header\ndescriptor \"varn$varn002\"\nwindow \"W\"\n";
    EXPECT_FALSE(Parse(text, { .resourceName = "VARN002_RSC" }).IsError());
    EXPECT_FALSE(Parse(text, { .resourceName = "varn002_rsc" }).IsError()) << "case is ignored";

    const ParseResult wrong = Parse(text, { .resourceName = "VARN003_RSC" });
    ASSERT_TRUE(wrong.IsError());
    EXPECT_EQ(wrong.Error().line, 2u);
    EXPECT_EQ(wrong.Error().message,
        "module \"varn$varn002\" is stored as VARN002_RSC, but the file is named for VARN003_RSC");
}

TEST(ParseTest, WindowFields)
{
    const ParseResult result = ParseWindow(R"(
    attributes 0x810
    position 10 -20 default 0x7FFFFFFF
    title "Generiranje čžš"
    font "MS Sans Serif" 8 none 400
    colours 0x000000 0xFFFFFF none
    icon "ICO"
    cursor "CUR"
    help message "msg" tip "~tip" text "hlp" key 112 alert 27 13
    frame 0x3060
    palette 1
    timer 50
    zones -1 80 120 45
    wallpaper 2 "WALL"
    docking 1 2)");
    const Record& window = OnlyWindow(result);
    EXPECT_EQ(result.Value().moduleName, "varn$test");
    EXPECT_EQ(window.kind, Kind::Window);
    EXPECT_EQ(window.name, "W");
    EXPECT_EQ(window.attributes, 0x810u);
    EXPECT_EQ(window.position, (Position { 10, -20, std::nullopt, 0x7FFFFFFF }));
    const Fields& f = window.fields;
    EXPECT_EQ(f.text, "Generiranje \xE8\x9E\x9A");
    EXPECT_EQ(f.font, (Font { "MS Sans Serif", 8, kNoColour, 400 }));
    EXPECT_EQ(f.colours, (Colours { 0, 0xFFFFFF, kNoColour }));
    EXPECT_EQ(f.icon, "ICO");
    EXPECT_EQ(f.cursor, "CUR");
    EXPECT_EQ(f.help, (Help { "msg", "~tip", "hlp", 112, { 27, 13 } }));
    EXPECT_EQ(f.frame, 0x3060u);
    EXPECT_EQ(f.palette, 1);
    EXPECT_EQ(f.timer, 50);
    EXPECT_EQ(f.zones, (std::vector<std::int32_t> { -1, 80, 120, 45 }));
    EXPECT_EQ(f.wallpaperMode, 2);
    EXPECT_EQ(f.wallpaper, "WALL");
    EXPECT_EQ(f.docking, (std::array<std::uint8_t, 2> { 1, 2 }));
    EXPECT_TRUE(window.children.empty());
}

TEST(ParseTest, ControlFields)
{
    const ParseResult result = ParseWindow(R"(
    entry 5 {
        attributes 0x1020
        position 5 131 251 14
        use STRING 43
        picture "s43"
        pictureoption 3
        options 0x80
        font "" 0 0xFF0000 700
    }
    button 3 { text "&OK"; icon "I"; action 15; options 1; repeat 300 20 }
    string 8 { angle -900; text "" }
    check 9 { use byte 1 picture "@n1" }
    textbox 2 { use 19 500 }
    combo 4 { from "a|b"; format "20L"; picture "s20" })");
    const Record& window = OnlyWindow(result);
    ASSERT_EQ(window.children.size(), 6u);

    const Record& entry = window.children[0];
    EXPECT_EQ(entry.kind, Kind::Entry);
    EXPECT_EQ(entry.equate, 5);
    EXPECT_EQ(entry.attributes, 0x1020u);
    EXPECT_EQ(entry.fields.use, (Use { 18, 43, "" }));
    EXPECT_EQ(entry.fields.picture, "s43");
    EXPECT_EQ(entry.fields.pictureOption, 3);
    EXPECT_EQ(entry.fields.options, 0x80);
    EXPECT_EQ(entry.fields.font, (Font { "", 0, 0xFF0000, 700 }));

    const Fields& button = window.children[1].fields;
    EXPECT_EQ(button.text, "&OK");
    EXPECT_EQ(button.icon, "I");
    EXPECT_EQ(button.action, 15);
    EXPECT_EQ(button.options, 1);
    EXPECT_EQ(button.repeatDelay, 300);
    EXPECT_EQ(button.repeatInterval, 20);

    EXPECT_EQ(window.children[2].fields.angle, -900);
    EXPECT_EQ(window.children[2].fields.text, "") << "an empty text is as good as none";
    EXPECT_EQ(window.children[3].fields.use, (Use { 1, 1, "@n1" })) << "type names ignore case";
    EXPECT_EQ(window.children[4].fields.use, (Use { 19, 500, "" })) << "a type by its number";
    const Fields& combo = window.children[5].fields;
    EXPECT_EQ(combo.from, "a|b");
    EXPECT_EQ(combo.format, "20L");
    EXPECT_EQ(combo.picture, "s20");
}

TEST(ParseTest, MenusAndNesting)
{
    const ParseResult result = ParseWindow(R"(
    menubar {
        menu -1 {
            text "&File          "
            item -2 { text "&Open" }
            item 0 { attributes 0x10 }
            item 0
            menu -3
            {
                item -4 { use BYTE 1; help message "m" }
            }
        }
        item -5 { text "&Help"; action 5 }
    }
    toolbar 7 {
        button 1
    }
    group 2 { text "G"; string 3; prompt 4 })");
    const Record& window = OnlyWindow(result);
    ASSERT_EQ(window.children.size(), 3u);
    const Record& bar = window.children[0];
    EXPECT_EQ(bar.kind, Kind::MenuBar);
    EXPECT_EQ(bar.equate, 0);
    ASSERT_EQ(bar.children.size(), 2u);
    const Record& file = bar.children[0];
    EXPECT_EQ(file.fields.text, "&File          ") << "trailing blanks are kept";
    ASSERT_EQ(file.children.size(), 4u) << "two items with equate 0 do not clash";
    EXPECT_EQ(file.children[1].attributes, 0x10u);
    const Record& nested = file.children[3];
    EXPECT_EQ(nested.kind, Kind::Menu) << "a block may open on the next line";
    ASSERT_EQ(nested.children.size(), 1u);
    EXPECT_EQ(nested.children[0].fields.use, (Use { 1, 1, "" }));
    EXPECT_EQ(bar.children[1].fields.action, 5);

    EXPECT_EQ(window.children[1].kind, Kind::Toolbar);
    EXPECT_EQ(window.children[1].equate, 7);
    ASSERT_EQ(window.children[1].children.size(), 1u);

    const Record& group = window.children[2];
    EXPECT_EQ(group.fields.text, "G");
    ASSERT_EQ(group.children.size(), 2u);
    EXPECT_EQ(group.children[1].kind, Kind::Prompt);
    EXPECT_EQ(group.children[1].equate, 4);
}

TEST(ParseTest, TextEscapesAndComments)
{
    const ParseResult result = ParseWindow(R"(
    title "a\"b\\c\td\ne\rf\x81\xe8#not a comment" # a comment "with quotes"
    icon "\x7F")");
    const Record& window = OnlyWindow(result);
    EXPECT_EQ(window.fields.text, "a\"b\\c\td\ne\rf\x81\xE8#not a comment")
        << "\\xNN is a raw byte, even one Windows-1250 leaves undefined";
    EXPECT_EQ(window.fields.icon, "\x7F");
}

TEST(ParseTest, DefaultStandsForTheUnsetNumber)
{
    const ParseResult result = ParseWindow("timer default\nposition default 0 default 0x80000000");
    const Record& window = OnlyWindow(result);
    EXPECT_EQ(window.fields.timer, INT32_MIN);
    EXPECT_EQ(window.position, (Position { std::nullopt, 0, std::nullopt, INT32_MIN }))
        << "a written 0x80000000 stays a value; only `default` leaves the position unset";
}

TEST(ParseTest, HelpPartsMayBeSplitOverStatements)
{
    const ParseResult result
        = ParseWindow("button 1 {\n help message \"m\"\n help tip \"t\" key 9\n}");
    const Record& window = OnlyWindow(result);
    EXPECT_EQ(window.children.at(0).fields.help, (Help { "m", "t", "", 9, {} }));
}

TEST(ParseTest, NestingIsBounded)
{
    // The window's block is level 1; 63 groups inside it are accepted, a 64th is refused.
    const auto nested = [](int groups) {
        std::string body;
        for (int i = 1; i <= groups; ++i)
            body += "group " + std::to_string(i) + " {\n";
        return ParseWindow(body + std::string(static_cast<std::size_t>(groups), '}'));
    };
    EXPECT_FALSE(nested(63).IsError());
    const ParseResult deep = nested(64);
    ASSERT_TRUE(deep.IsError());
    EXPECT_EQ(deep.Error().line, 66u) << "the line of the block that goes too deep";
    EXPECT_EQ(deep.Error().message, "records nest deeper than 64 levels");
}

TEST(ParseTest, SeveralWindowsKeepTheirOrder)
{
    const ParseResult result
        = Parse("descriptor \"m\"\nwindow \"A\"\nwindow \"B\" { timer 1 }\nwindow \"C\"");
    ASSERT_FALSE(result.IsError()) << result.Error().message;
    ASSERT_EQ(result.Value().windows.size(), 3u);
    EXPECT_EQ(result.Value().windows[0].name, "A");
    EXPECT_EQ(result.Value().windows[1].fields.timer, 1);
    EXPECT_EQ(result.Value().windows[2].name, "C");
}

TEST(ParseTest, EquatesAreCheckedPerWindow)
{
    const ParseResult result
        = Parse("descriptor \"m\"\nwindow \"A\" { string 1 }\nwindow \"B\" { string 1 }\n");
    EXPECT_FALSE(result.IsError()) << result.Error().message;
}

TEST(ResourceNameTest, TakesTheTextAfterTheFirstDollar)
{
    EXPECT_EQ(ResourceName("varn$varn002"), "VARN002_RSC");
    EXPECT_EQ(ResourceName("abpopup"), "ABPOPUP_RSC") << "a name without $ is used whole";
    EXPECT_EQ(ResourceName("a$b$c"), "B$C_RSC");
    EXPECT_EQ(ResourceName("x\xE8$Ab\xE8"), "AB\xE8_RSC") << "only ASCII letters change case";
}

} // namespace
