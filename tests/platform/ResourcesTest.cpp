#include <platform/Resources.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

// The resources come from tests/platform/data through varn_embed_resources (see the
// CMakeLists.txt beside this file): AllBytes.bin holds 0x00 to 0xFF in order, Edges.bin a few
// bytes that a text-minded generator would mangle, Empty.bin nothing.

namespace {

std::vector<std::byte> Bytes(std::initializer_list<unsigned> values)
{
    std::vector<std::byte> bytes;
    for (unsigned value : values)
        bytes.push_back(static_cast<std::byte>(value));
    return bytes;
}

TEST(ResourcesTest, FindsEmbeddedBytesExactly)
{
    const auto allBytes = platform::FindResource("TESTDATA", "AllBytes");
    ASSERT_TRUE(allBytes.has_value());
    ASSERT_EQ(allBytes->size(), 256U);
    for (std::size_t i = 0; i < allBytes->size(); ++i)
        ASSERT_EQ((*allBytes)[i], static_cast<std::byte>(i)) << "at offset " << i;

    const auto edges = platform::FindResource("DabDump", "Main_RSC");
    ASSERT_TRUE(edges.has_value());
    EXPECT_EQ(std::vector<std::byte>(edges->begin(), edges->end()),
        Bytes({ 0xFF, 0x00, 0x0D, 0x0A, 0x1A, 0x00, 0xFF }));
    EXPECT_EQ(platform::ResourceSize("DabDump", "Main_RSC"), 7U);
}

TEST(ResourcesTest, TypeAndNameIgnoreCase)
{
    const struct {
        const char* type;
        const char* name;
    } spellings[] = {
        { "DABDUMP", "MAIN_RSC" },
        { "dabdump", "main_rsc" },
        { "dAbDuMp", "mAiN_rSc" },
    };
    for (const auto& spelling : spellings) {
        SCOPED_TRACE(std::string(spelling.type) + " " + spelling.name);
        const auto found = platform::FindResource(spelling.type, spelling.name);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->size(), 7U);
    }
}

TEST(ResourcesTest, EmptyResourceIsFoundWithNoBytes)
{
    const auto empty = platform::FindResource("testdata", "EMPTY");
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());
    EXPECT_EQ(platform::ResourceSize("testdata", "EMPTY"), 0U);
}

TEST(ResourcesTest, AbsentResourcesAnswerNothing)
{
    const struct {
        const char* type;
        const char* name;
    } absent[] = {
        { "TESTDATA", "Missing" },
        { "TESTDATA", "AllByte" },   // a prefix of a name
        { "TESTDATA", "AllBytes2" }, // a name extended
        { "DABDUMP", "AllBytes" },   // the right name under another type
        { "", "AllBytes" },
        { "TESTDATA", "" },
    };
    for (const auto& entry : absent) {
        SCOPED_TRACE(std::string(entry.type) + " " + entry.name);
        EXPECT_FALSE(platform::FindResource(entry.type, entry.name).has_value());
        EXPECT_EQ(platform::ResourceSize(entry.type, entry.name), 0U);
    }
}

} // namespace
