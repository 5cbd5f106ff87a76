#include <value/DeclaredStrings.h>
#include <value/RuntimeFault.h>
#include <value/StringStack.h>
#include <value/TypeCodes.h>
#include <value/ValueReference.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace value;

namespace {

std::vector<std::pair<int, std::string>> g_stops;

void RecordStop(int number, std::string_view text)
{
    g_stops.emplace_back(number, std::string(text));
}

class ValueReferenceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetStringStack();
        g_stops.clear();
        m_previous = SetRuntimeErrorStopHook(&RecordStop);
    }
    void TearDown() override
    {
        SetRuntimeErrorStopHook(m_previous);
        EXPECT_EQ(StackDepth(), 0);
    }

private:
    RuntimeErrorStopHook m_previous = nullptr;
};

std::string PushedText(const ValueReference& reference)
{
    reference.Push();
    std::string text(StackTop().View());
    Drop();
    return text;
}

TEST_F(ValueReferenceTest, TypesWithoutAReferenceStopWithFault501)
{
    const TypeCode refused[]
        = { TypeCode::Array, TypeCode::End, TypeCode::Queue, TypeCode::Class, TypeCode::Blob };
    int dummy = 0;
    for (TypeCode type : refused) {
        g_stops.clear();
        EXPECT_FALSE(ValueReference::Make(type, &dummy, 4).has_value());
        ASSERT_EQ(g_stops.size(), 1u);
        EXPECT_EQ(g_stops[0].first, 501);
        EXPECT_EQ(g_stops[0].second, "String Stack Error");
    }
}

TEST_F(ValueReferenceTest, NumbersRoundTripAsText)
{
    std::int32_t longValue = -42;
    auto reference = ValueReference::Make(TypeCode::Long, &longValue, 4);
    ASSERT_TRUE(reference);
    EXPECT_EQ(PushedText(*reference), "-42");
    PushString("1234.9");
    reference->Pop();
    EXPECT_EQ(longValue, 1234) << "truncated toward zero";

    double real = 0;
    auto realReference = ValueReference::Make(TypeCode::Real, &real, 8);
    PushString("2.75");
    realReference->Pop();
    EXPECT_EQ(real, 2.75);
    EXPECT_EQ(PushedText(*realReference), "2.75");
    EXPECT_TRUE(g_stops.empty());
}

template<typename T> std::int64_t Stored(const std::int64_t& storage)
{
    T value;
    std::memcpy(&value, &storage, sizeof value);
    return value;
}

TEST_F(ValueReferenceTest, NarrowIntegersWrap)
{
    struct Case {
        TypeCode type;
        const char* text;
        std::int64_t stored;
    };
    const Case cases[] = {
        { TypeCode::Byte, "256", 0 },
        { TypeCode::Byte, "-1", 255 },
        { TypeCode::Short, "32768", -32768 },
        { TypeCode::UShort, "65537", 1 },
        { TypeCode::ULong, "-1", 4294967295 },
        { TypeCode::Long, "4294967297", 1 },
        { TypeCode::Long, "-4294967297", -1 },
        { TypeCode::ULong, "1e20", 1661992960 }, // beyond 64 bits only the low ones count
        { TypeCode::Long, "abc", 0 },
    };
    for (const Case& c : cases) {
        std::int64_t storage = 0;
        auto reference = ValueReference::Make(
            c.type, &storage, TypeCodeSize(static_cast<std::uint8_t>(c.type)));
        PushString(c.text);
        reference->Pop();
        std::int64_t stored = 0;
        switch (c.type) {
        case TypeCode::Byte:
            stored = Stored<std::uint8_t>(storage);
            break;
        case TypeCode::Short:
            stored = Stored<std::int16_t>(storage);
            break;
        case TypeCode::UShort:
            stored = Stored<std::uint16_t>(storage);
            break;
        case TypeCode::ULong:
            stored = Stored<std::uint32_t>(storage);
            break;
        default:
            stored = Stored<std::int32_t>(storage);
            break;
        }
        EXPECT_EQ(stored, c.stored) << c.text;
    }
}

TEST_F(ValueReferenceTest, StringsReadAndWriteByTheirType)
{
    STRING<5> string("AB");
    CSTRING<5> cstring("AB");
    PSTRING<5> pstring("AB");
    auto toString = ValueReference::Make(TypeCode::String, string.Data(), 5);
    auto toCString = ValueReference::Make(TypeCode::CString, cstring.Data(), 5);
    auto toPString = ValueReference::Make(TypeCode::PString, pstring.Data(), 5);
    EXPECT_EQ(PushedText(*toString), "AB   ");
    EXPECT_EQ(PushedText(*toCString), "AB");
    EXPECT_EQ(PushedText(*toPString), "AB");
    for (const auto& reference : { toString, toCString, toPString }) {
        PushString("longer text");
        reference->Pop();
    }
    EXPECT_EQ(string.View(), "longe");
    EXPECT_EQ(cstring.View(), "long");
    EXPECT_EQ(pstring.View(), "long");
}

TEST(TypeCodes, NamesAndSizes)
{
    struct Case {
        std::uint8_t code;
        const char* name;
        std::uint32_t size;
    };
    const Case cases[] = {
        { 0, "END", 0 },
        { 1, "BYTE", 1 },
        { 3, "USHORT", 2 },
        { 6, "LONG", 4 },
        { 9, "REAL", 8 },
        { 10, "DECIMAL", 0 },
        { 15, "ANY", 4 },
        { 17, "(17)", 0 },
        { 18, "STRING", 0 },
        { 24, "ARRAY", 0 },
        { 30, "STDNUM", 0 },
        { 31, "", 4 },
        { 36, "", 4 },
        { 37, "", 0 },
        { 255, "", 0 },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TypeCodeName(c.code), c.name) << int(c.code);
        EXPECT_EQ(TypeCodeSize(c.code), c.size) << int(c.code);
    }
}

} // namespace
