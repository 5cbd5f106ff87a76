#include <value/RuntimeFault.h>
#include <value/StringStack.h>
#include <value/TypeCodes.h>
#include <window/UseBinding.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using namespace window;
using value::TypeCode;

namespace {

std::vector<std::pair<int, std::string>> g_stops;

void RecordStop(int number, std::string_view text)
{
    g_stops.emplace_back(number, std::string(text));
}

class UseBindingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_stops.clear();
        m_previous = value::SetRuntimeErrorStopHook(&RecordStop);
    }
    void TearDown() override { value::SetRuntimeErrorStopHook(m_previous); }

private:
    value::RuntimeErrorStopHook m_previous = nullptr;
};

UseDescriptor Use(TypeCode type, std::int32_t size)
{
    return UseDescriptor { static_cast<std::uint8_t>(type), size, {} };
}

/// Internal error 501 as use binding raises it: the stop shows "Internal error 01 : CTLUSE".
const std::pair<int, std::string> kInternalError01 { 501, "CTLUSE" };

TEST_F(UseBindingTest, ControlsTakeTheAddressesInOrder)
{
    char text[500] {};
    char number[43] {};
    char path[127] {};
    void* const list[] = { text, number, path, nullptr };
    UseBinding binding(list);
    EXPECT_EQ(binding.Remaining(), 3u);

    const auto first = binding.Bind(Use(TypeCode::String, 500));
    const auto second = binding.Bind(Use(TypeCode::String, 43));
    const auto third = binding.Bind(Use(TypeCode::CString, 127));
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(first->Address(), text);
    EXPECT_EQ(first->Size(), 500u);
    EXPECT_EQ(second->Address(), number);
    EXPECT_EQ(third->Address(), path);
    EXPECT_EQ(third->Type(), TypeCode::CString);
    EXPECT_EQ(binding.Taken(), 3u);
    EXPECT_TRUE(g_stops.empty());
}

TEST_F(UseBindingTest, BoundVariableIsReadAndWritten)
{
    char text[5] = { 'a', 'b', ' ', ' ', ' ' };
    void* const list[] = { text, nullptr };
    UseBinding binding(list);
    const auto reference = binding.Bind(Use(TypeCode::String, 5));
    ASSERT_TRUE(reference);
    value::PushString("xyz");
    reference->Pop();
    EXPECT_EQ(std::string(text, 5), "xyz  ");
    value::ResetStringStack();
}

TEST_F(UseBindingTest, SizeZeroTakesTheSizeOnlyTheTypeCanGive)
{
    const struct {
        TypeCode type;
        std::uint32_t size; // 0 = refused with 501
    } rows[] = {
        { TypeCode::Long, 4 },
        { TypeCode::Byte, 1 },
        { TypeCode::Short, 2 },
        { TypeCode::Real, 8 },
        { TypeCode::Date, 4 },
        { TypeCode::String, 0 }, // a declared size an address cannot tell
        { TypeCode::CString, 0 },
        { TypeCode::PString, 0 },
        { TypeCode::Group, 0 },
        { TypeCode::Decimal, 0 },
    };
    for (const auto& row : rows) {
        g_stops.clear();
        std::int64_t variable = 0;
        void* const list[] = { &variable, nullptr };
        UseBinding binding(list);
        const auto reference = binding.Bind(Use(row.type, 0));
        SCOPED_TRACE(std::string(value::TypeCodeName(static_cast<std::uint8_t>(row.type))));
        if (row.size != 0) {
            ASSERT_TRUE(reference);
            EXPECT_EQ(reference->Size(), row.size);
            EXPECT_TRUE(g_stops.empty());
        } else {
            EXPECT_FALSE(reference);
            EXPECT_EQ(g_stops, (std::vector { kInternalError01 }));
        }
    }
}

TEST_F(UseBindingTest, RefusedUseDescriptors)
{
    const struct {
        const char* why;
        UseDescriptor use;
        std::pair<int, std::string> stop;
    } rows[] = {
        { "type 24, an array", Use(TypeCode::Array, 40), kInternalError01 },
        { "a negative size", Use(TypeCode::String, -1), kInternalError01 },
        { "a queue has no value reference", Use(TypeCode::Queue, 4),
            { 501, "String Stack Error" } },
    };
    for (const auto& row : rows) {
        g_stops.clear();
        char variable[40] {};
        char next[4] {};
        void* const list[] = { variable, next, nullptr };
        UseBinding binding(list);
        EXPECT_FALSE(binding.Bind(row.use)) << row.why;
        EXPECT_EQ(g_stops, (std::vector { row.stop })) << row.why;
        // The refused control used up its address: the next control still gets its own.
        const auto following = binding.Bind(Use(TypeCode::String, 4));
        ASSERT_TRUE(following) << row.why;
        EXPECT_EQ(following->Address(), next) << row.why;
    }
}

TEST_F(UseBindingTest, ExhaustedListIsInternalError501)
{
    char a[4] {};
    char b[4] {};
    {
        void* const list[] = { a, nullptr, b }; // the list ends at its 0
        UseBinding binding(list);
        EXPECT_EQ(binding.Remaining(), 1u);
        EXPECT_TRUE(binding.Bind(Use(TypeCode::String, 4)));
        EXPECT_FALSE(binding.Bind(Use(TypeCode::String, 4)));
        EXPECT_FALSE(binding.Bind(Use(TypeCode::String, 4)));
        EXPECT_EQ(g_stops, (std::vector { kInternalError01, kInternalError01 }));
    }
    g_stops.clear();
    {
        std::array<void*, 2> unterminated { a, b }; // read no further than the span
        UseBinding binding(unterminated);
        EXPECT_TRUE(binding.Bind(Use(TypeCode::String, 4)));
        EXPECT_TRUE(binding.Bind(Use(TypeCode::String, 4)));
        EXPECT_FALSE(binding.Bind(Use(TypeCode::String, 4)));
        EXPECT_EQ(g_stops, (std::vector { kInternalError01 }));
    }
    g_stops.clear();
    {
        UseBinding none; // a window declared with no variables
        EXPECT_FALSE(none.Bind(Use(TypeCode::Long, 4)));
        EXPECT_EQ(g_stops, (std::vector { kInternalError01 }));
    }
}

} // namespace
