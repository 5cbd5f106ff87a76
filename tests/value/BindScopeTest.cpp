#include <value/BindScope.h>
#include <value/RuntimeFault.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace {

using namespace value;

std::vector<int> g_stops;

void RecordStop(int number, std::string_view)
{
    g_stops.push_back(number);
}

class BindScopeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_stops.clear();
        m_previous = SetRuntimeErrorStopHook(&RecordStop);
    }
    void TearDown() override
    {
        while (BindScopeDepth() > 0)
            PopBindScope();
        SetRuntimeErrorStopHook(m_previous);
    }

    static ValueReference Long(std::int32_t& variable)
    {
        return *ValueReference::Make(TypeCode::Long, &variable, sizeof variable);
    }

private:
    RuntimeErrorStopHook m_previous = nullptr;
};

TEST_F(BindScopeTest, InnerScopesHideOuterNamesUntilTheyClose)
{
    std::int32_t outer = 1;
    std::int32_t inner = 2;
    EXPECT_FALSE(Bind("Total", Long(outer))) << "no scope open";
    PushBindScope();
    ASSERT_TRUE(Bind("Total", Long(outer)));
    PushBindScope();
    ASSERT_TRUE(Bind("TOTAL", Long(inner)));
    EXPECT_EQ(FindBinding("total")->Address(), &inner) << "names compare without case";
    PopBindScope();
    EXPECT_EQ(FindBinding("Total")->Address(), &outer);
    PopBindScope();
    EXPECT_FALSE(FindBinding("Total").has_value());
    EXPECT_TRUE(g_stops.empty());
}

TEST_F(BindScopeTest, BindingANameAgainReplacesItInTheSameScope)
{
    std::int32_t first = 1;
    std::int32_t second = 2;
    PushBindScope();
    Bind("x", Long(first));
    Bind("X", Long(second));
    EXPECT_EQ(FindBinding("x")->Address(), &second);
    PopBindScope();
    EXPECT_FALSE(FindBinding("x").has_value()) << "nothing of the scope survives it";
}

TEST_F(BindScopeTest, ClosingWithNoScopeOpenIsRuntimeError802)
{
    PushBindScope();
    PopBindScope();
    EXPECT_TRUE(g_stops.empty());
    PopBindScope();
    EXPECT_EQ(g_stops, (std::vector<int> { 802 }));
    EXPECT_EQ(BindScopeDepth(), 0u);
}

TEST_F(BindScopeTest, EachThreadHasItsOwnScopes)
{
    std::int32_t mine = 1;
    PushBindScope();
    Bind("x", Long(mine));
    std::size_t otherDepth = 99;
    bool otherSees = true;
    std::thread other([&] {
        otherDepth = BindScopeDepth();
        otherSees = FindBinding("x").has_value();
    });
    other.join();
    EXPECT_EQ(otherDepth, 0u);
    EXPECT_FALSE(otherSees);
    EXPECT_EQ(FindBinding("x")->Address(), &mine);
}

} // namespace
