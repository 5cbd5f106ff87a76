// The program's number texts: byte counts and the hash window's progress line.

#include <app/ProgramText.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

TEST(ProgramText, ByteCountsInCroatianNumberFormatWithDecimalUnits)
{
    struct Case {
        std::uint64_t bytes;
        const char* shown;
    };
    const Case cases[] = {
        { 0, "0 B" },
        { 999, "999 B" },            // the last count in bytes
        { 1000, "1,0 kB" },          // 1 kB is 1000 B
        { 1024, "1,0 kB" },          // not a binary unit
        { 1740, "1,7 kB" },          // rounded to a tenth, down
        { 1760, "1,8 kB" },          // and up
        { 999'940, "999,9 kB" },     // the most a unit shows
        { 999'960, "1,0 MB" },       // what would round to 1000,0 kB moves up a unit
        { 1'700'000'000, "1,7 GB" }, // the decimal comma
        { 4'200'000'000, "4,2 GB" },
        { 274'877'906'944, "274,9 GB" }, // 256 GiB
        { 1'500'000'000'000, "1,5 TB" },
        { std::numeric_limits<std::uint64_t>::max(), "18,4 EB" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(app::ByteCountText(c.bytes), c.shown) << c.bytes;
}

TEST(ProgramText, ProgressLineGivesPercentBytesAndRate)
{
    struct Case {
        const char* what;
        std::uint64_t done;
        std::uint64_t total;
        std::uint64_t elapsedMs;
        std::string shown; // UTF-8
    };
    const std::string dash = " \xE2\x80\x94 ";
    const Case cases[] = {
        { "under way", 1'700'000'000, 4'200'000'000, 1308,
            "40 %" + dash + "1,7 GB od 4,2 GB" + dash + "1,3 GB/s" },
        { "the percent rounds down", 4'199'999'999, 4'200'000'000, 1000,
            "99 %" + dash + "4,2 GB od 4,2 GB" + dash + "4,2 GB/s" },
        { "100 % only when every byte was read", 999'999'999'999, 1'000'000'000'000, 1000,
            "99 %" + dash + "1,0 TB od 1,0 TB" + dash + "1,0 TB/s" },
        { "done", 4'200'000'000, 4'200'000'000, 2000,
            "100 %" + dash + "4,2 GB od 4,2 GB" + dash + "2,1 GB/s" },
        { "nothing read yet", 0, 4'200'000'000, 600,
            "0 %" + dash + "0 B od 4,2 GB" + dash + "0 B/s" },
        { "an empty file is done", 0, 0, 600, "100 %" + dash + "0 B od 0 B" + dash + "0 B/s" },
        { "no rate before a millisecond has passed", 500, 1000, 0,
            "50 %" + dash + "500 B od 1,0 kB" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(app::HashProgressText(c.done, c.total, c.elapsedMs), c.shown) << c.what;
}

} // namespace
