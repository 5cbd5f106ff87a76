#include <value/DeclaredStrings.h>

#include <gtest/gtest.h>

#include <string>

using namespace value;

namespace {

TEST(DeclaredStrings, NewVariablesAreCleared)
{
    STRING<4> string;
    CSTRING<4> cstring;
    PSTRING<4> pstring;
    EXPECT_EQ(string.View(), "    ");
    EXPECT_EQ(cstring.View(), "");
    EXPECT_EQ(pstring.View(), "");
}

TEST(DeclaredStrings, AssignmentTruncatesAndFills)
{
    STRING<5> string("ABCDEFG");
    CSTRING<5> cstring("ABCDEFG");
    PSTRING<5> pstring("ABCDEFG");
    EXPECT_EQ(string.View(), "ABCDE");
    EXPECT_EQ(cstring.View(), "ABCD");
    EXPECT_EQ(pstring.View(), "ABCD");
    string = "AB";
    cstring = "AB";
    pstring = "AB";
    EXPECT_EQ(string.View(), "AB   ");
    EXPECT_EQ(cstring.View(), "AB");
    EXPECT_EQ(pstring.View(), "AB");
}

TEST(DeclaredStrings, ClearWithLowAndHighValues)
{
    STRING<4> string("text");
    string.Clear(ClearValue::High);
    EXPECT_EQ(string.View(), "\xFF\xFF\xFF\xFF");
    string.Clear(ClearValue::Low);
    EXPECT_EQ(string.View(), std::string(4, '\0'));
    string.Clear();
    EXPECT_EQ(string.View(), "    ");

    CSTRING<4> cstring("abc");
    cstring.Clear(ClearValue::High);
    EXPECT_EQ(cstring.View(), "\xFF\xFF\xFF");
}

TEST(DeclaredStrings, PushAndPopThroughTheStack)
{
    ResetStringStack();
    STRING<6> source("AB");
    CSTRING<10> target;
    source.Push(); // "AB    ", trailing blanks are part of a STRING's value
    ClipTop();
    target.Pop();
    EXPECT_EQ(target.View(), "AB");
    target.Push();
    PushString("CD");
    Concat();
    PSTRING<8> joined;
    joined.Pop();
    EXPECT_EQ(joined.View(), "ABCD");
    EXPECT_EQ(StackDepth(), 0);
}

} // namespace
