#include <window/DialogUnits.h>

#include <gtest/gtest.h>

using window::DialogUnits;

namespace {

// A font 6 pixels wide on average and 13 high: a horizontal unit is 1.5 pixels, a vertical
// one 1.625, so the two roundings part wherever a unit ends inside a pixel.
constexpr DialogUnits kUnits { 6, 13 };

TEST(DialogUnitsTest, WindowsDropTheFractionMessageBoxesRoundItUp)
{
    const struct {
        std::int32_t units;
        std::int32_t x;          // dropped
        std::int32_t xRoundedUp; // rounded up
        std::int32_t y;
        std::int32_t yRoundedUp;
    } rows[] = {
        { 0, 0, 0, 0, 0 },
        { 1, 1, 2, 1, 2 },      // 1.5 and 1.625
        { 2, 3, 3, 3, 4 },      // 3 across is whole; 3.25 down is not
        { 5, 7, 8, 8, 9 },      // the message box's margin
        { 8, 12, 12, 13, 13 },  // whole in both directions
        { 45, 67, 68, 73, 74 }, // the message box's least height
        { 200, 300, 300, 325, 325 },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(kUnits.X(row.units), row.x) << row.units;
        EXPECT_EQ(kUnits.XRoundedUp(row.units), row.xRoundedUp) << row.units;
        EXPECT_EQ(kUnits.Y(row.units), row.y) << row.units;
        EXPECT_EQ(kUnits.YRoundedUp(row.units), row.yRoundedUp) << row.units;
    }
    // A window may stand at a negative place: the fraction goes towards zero there too.
    EXPECT_EQ(kUnits.X(-5), -7);
    EXPECT_EQ(kUnits.Y(-5), -8);
}

TEST(DialogUnitsTest, PixelsGiveBackWholeUnits)
{
    EXPECT_EQ(kUnits.UnitsX(7), 4) << "4.67 units";
    EXPECT_EQ(kUnits.UnitsX(6), 4);
    EXPECT_EQ(kUnits.UnitsY(13), 8);
    EXPECT_EQ(kUnits.UnitsY(12), 7) << "7.38 units";
    // Pixels to whole units and back never grow: the message box is no larger than its content.
    EXPECT_EQ(kUnits.XRoundedUp(kUnits.UnitsX(100)), 99);
}

TEST(DialogUnitsTest, LargeValuesDoNotOverflow)
{
    constexpr DialogUnits wide { 40, 90 };
    EXPECT_EQ(wide.X(100'000'000), 1'000'000'000);
    EXPECT_EQ(wide.Y(100'000'000), 1'125'000'000);
    EXPECT_EQ(wide.UnitsX(1'000'000'000), 100'000'000);
}

} // namespace
