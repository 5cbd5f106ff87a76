#include "BodyBuilder.h"

#include <value/Heap.h>
#include <value/RuntimeFault.h>
#include <window/Descriptor.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

using namespace window;
using window::testing::BodyBuilder;

namespace {

// Two fake modules, each with resources of its own, stand in for the loaded modules the
// lookup walks; a finder is a plain function, so each module reads its own global table.

struct FakeResource {
    std::string type;
    std::string name;
    std::vector<std::byte> bytes;
};

std::vector<FakeResource> g_moduleA;
std::vector<FakeResource> g_moduleB;
std::vector<std::string> g_asked; ///< "A:name" / "B:name" per lookup, in order

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x))
            == std::toupper(static_cast<unsigned char>(y));
    });
}

/// Matches type and name without regard to case, as the platform's resources do.
std::optional<std::span<const std::byte>> Find(
    const std::vector<FakeResource>& resources, std::string_view type, std::string_view name)
{
    for (const FakeResource& resource : resources) {
        if (SameIgnoringCase(resource.type, type) && SameIgnoringCase(resource.name, name))
            return std::span<const std::byte>(resource.bytes);
    }
    return std::nullopt;
}

std::optional<std::span<const std::byte>> FindInA(std::string_view type, std::string_view name)
{
    g_asked.push_back("A:" + std::string(name));
    return Find(g_moduleA, type, name);
}

std::optional<std::span<const std::byte>> FindInB(std::string_view type, std::string_view name)
{
    g_asked.push_back("B:" + std::string(name));
    return Find(g_moduleB, type, name);
}

constexpr ResourceModule kModules[] = { { 0xA, &FindInA }, { 0xB, &FindInB } };

/// A body with windows of the given names, chained in that order; `offsets` receives each
/// window's offset.
BodyBuilder Windows(
    const std::vector<std::string>& names, std::vector<std::int32_t>* offsets = nullptr)
{
    BodyBuilder builder;
    std::int32_t next = 0;
    std::vector<std::int32_t> made(names.size());
    for (std::size_t i = names.size(); i-- > 0;) {
        const std::int32_t name = builder.String(names[i]);
        const std::int32_t at = builder.Record(RecordType::Window, layout::kWindowSize);
        builder.SetI32(at, layout::kNext, next);
        builder.SetI32(at, layout::kWindowName, name);
        made[i] = next = at;
    }
    builder.FirstWindow(next);
    if (offsets != nullptr)
        *offsets = made;
    return builder;
}

std::vector<std::pair<int, std::string>> g_stops;

void RecordStop(int number, std::string_view text)
{
    g_stops.emplace_back(number, std::string(text));
}

class DescriptorLookupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_moduleA.clear();
        g_moduleB.clear();
        g_asked.clear();
        g_stops.clear();
        ResetDescriptorLookup();
        m_previousStop = value::SetRuntimeErrorStopHook(&RecordStop);
    }
    void TearDown() override
    {
        ResetDescriptorLookup();
        value::SetRuntimeErrorStopHook(m_previousStop);
    }

private:
    value::RuntimeErrorStopHook m_previousStop = nullptr;
};

TEST(DescriptorResourceNameTest, TextAfterTheFirstDollarPlusRsc)
{
    const struct {
        const char* module;
        const char* resource;
    } rows[] = {
        { "varn$varn002", "varn002_RSC" },
        { "abpopup", "abpopup_RSC" }, // no "$": the whole name
        { "a$b$c", "b$c_RSC" },       // only the first "$" counts
        { "$MULTI", "MULTI_RSC" },
        { "varn$", "_RSC" },
        { "", "_RSC" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(DescriptorResourceName(row.module), row.resource) << row.module;
}

TEST_F(DescriptorLookupTest, FindsTheNamedWindowAndAnswersItsBlock)
{
    std::vector<std::int32_t> offsets;
    const BodyBuilder body = Windows({ "P1$APPFRAME", "P10$W", "P19$W" }, &offsets);
    g_moduleA.push_back({ "DABDUMP", "varn001_RSC", body.Resource("varn$varn001") });

    const auto found = FindWindowDescriptor("varn$varn001", "P19$W", kModules);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->window, offsets[2]) << "the walk goes on along the sibling chain";
    EXPECT_EQ(found->block.Size(), body.Body().size() + 2);
    EXPECT_EQ(found->module, 0xAu);
    EXPECT_EQ(CurrentResourceModule(), 0xAu);
    EXPECT_EQ(g_asked, (std::vector<std::string> { "A:varn001_RSC" }));
    EXPECT_EQ(*found->WindowRecord().String(layout::kWindowName), "P19$W");
}

TEST_F(DescriptorLookupTest, ModuleNameWithoutDollarIsUsedWhole)
{
    g_moduleB.push_back({ "DABDUMP", "abpopup_RSC", Windows({ "P1$W" }).Resource("abpopup") });
    EXPECT_TRUE(FindWindowDescriptor("abpopup", "P1$W", kModules));
    EXPECT_EQ(CurrentResourceModule(), 0xBu);
}

TEST_F(DescriptorLookupTest, ResourceOfAnotherModuleIsSkipped)
{
    // Both modules carry a "varn002_RSC"; only B's was compiled for "varn$varn002".
    g_moduleA.push_back(
        { "DABDUMP", "varn002_RSC", Windows({ "P1$WINDOW" }).Resource("x$varn002") });
    g_moduleB.push_back(
        { "DABDUMP", "varn002_RSC", Windows({ "P1$WINDOW" }).Resource("varn$varn002") });

    const auto found = FindWindowDescriptor("varn$varn002", "P1$WINDOW", kModules);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->module, 0xBu);
    EXPECT_EQ(CurrentResourceModule(), 0xBu);
    EXPECT_EQ(g_asked, (std::vector<std::string> { "A:varn002_RSC", "B:varn002_RSC" }));
    EXPECT_TRUE(g_stops.empty()) << "a mismatch is skipped silently";
}

TEST_F(DescriptorLookupTest, SupplyingModuleIsSearchedFirstNextTime)
{
    g_moduleB.push_back({ "DABDUMP", "abquery_RSC", Windows({ "P1$W" }).Resource("abquery") });
    g_moduleB.push_back({ "DABDUMP", "abeip_RSC", Windows({ "$MULTIWINDOW" }).Resource("abeip") });
    ASSERT_TRUE(FindWindowDescriptor("abquery", "P1$W", kModules));
    g_asked.clear();

    EXPECT_TRUE(FindWindowDescriptor("abeip", "$MULTIWINDOW", kModules));
    EXPECT_EQ(g_asked, (std::vector<std::string> { "B:abeip_RSC" }));
}

TEST_F(DescriptorLookupTest, NoMatchingWindowFreesTheBlockAndTriesTheNextModule)
{
    std::vector<std::int32_t> offsets;
    g_moduleA.push_back({ "DABDUMP", "m_RSC", Windows({ "ONE" }).Resource("m") });
    g_moduleB.push_back(
        { "DABDUMP", "m_RSC", Windows({ "THREE", "TWO" }, &offsets).Resource("m") });

    const auto two = FindWindowDescriptor("m", "TWO", kModules);
    ASSERT_TRUE(two);
    EXPECT_EQ(two->window, offsets[1]);
    EXPECT_EQ(CurrentResourceModule(), 0xBu);

    g_asked.clear();
    EXPECT_FALSE(FindWindowDescriptor("m", "FOUR", kModules));
    EXPECT_EQ(CurrentResourceModule(), 0xBu) << "only a match changes the resource module";
    EXPECT_EQ(g_asked, (std::vector<std::string> { "B:m_RSC", "A:m_RSC" }));
    EXPECT_TRUE(g_stops.empty()) << "not finding is the caller's error to raise";
}

TEST_F(DescriptorLookupTest, NamesCompareByTheCollatingComparison)
{
    g_moduleA.push_back(
        { "DABDUMP", "varn004_RSC", Windows({ "P1$WINDOW" }).Resource("varn$varn004") });
    const struct {
        const char* module;
        std::string window;
        bool found;
    } rows[] = {
        { "varn$varn004", "P1$WINDOW", true },
        { "varn$varn004", "p1$window", false },  // case counts
        { "varn$varn004", "P1$WINDOW ", false }, // no blank padding: a terminated comparison
        { "varn$varn004", "P1$WIN", false },     // a prefix is no match
        // The resource VARN004_RSC is found, but its module name does not match.
        { "VARN$VARN004", "P1$WINDOW", false },
        { "varn$varn004", std::string("P1$WINDOW\0x", 11), false },
        { "varn$varn004", "", false },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FindWindowDescriptor(row.module, row.window, kModules).has_value(), row.found)
            << row.module << " / " << row.window;
    }
}

TEST_F(DescriptorLookupTest, MalformedResourcesSupplyNothing)
{
    const struct {
        const char* why;
        std::vector<std::byte> bytes;
    } rows[] = {
        { "the module name has no NUL", { std::byte { 'm' } } },
        { "nothing after the module name", { std::byte { 'm' }, std::byte { 0 } } },
        { "an empty resource", {} },
        { "the first window lies past the end",
            [] {
                BodyBuilder builder;
                builder.FirstWindow(0x1000);
                return builder.Resource("m");
            }() },
        { "the window chain runs in a circle without a match",
            [] {
                std::vector<std::int32_t> offsets;
                BodyBuilder builder = Windows({ "A", "B" }, &offsets);
                builder.SetI32(offsets[1], layout::kNext, offsets[0]);
                return builder.Resource("m");
            }() },
        { "the window name is not terminated",
            [] {
                std::vector<std::int32_t> offsets;
                BodyBuilder builder = Windows({ "X" }, &offsets);
                builder.SetI32(offsets[0], layout::kWindowName, builder.Raw("W"));
                return builder.Resource("m");
            }() },
    };
    for (const auto& row : rows) {
        g_moduleA = { { "DABDUMP", "m_RSC", row.bytes } };
        EXPECT_FALSE(FindWindowDescriptor("m", "W", kModules)) << row.why;
    }
}

TEST_F(DescriptorLookupTest, MatchBeforeAMalformedRecordStands)
{
    std::vector<std::int32_t> offsets;
    BodyBuilder builder = Windows({ "W", "X" }, &offsets);
    builder.SetI32(offsets[1], layout::kNext, 7); // no record there
    g_moduleA.push_back({ "DABDUMP", "m_RSC", builder.Resource("m") });
    EXPECT_EQ(FindWindowDescriptor("m", "W", kModules)->window, offsets[0]);
    EXPECT_FALSE(FindWindowDescriptor("m", "Y", kModules));
}

TEST_F(DescriptorLookupTest, OtherResourceTypesAreNotDescriptors)
{
    g_moduleA.push_back({ "TESTDATA", "m_RSC", Windows({ "W" }).Resource("m") });
    EXPECT_FALSE(FindWindowDescriptor("m", "W", kModules));
}

TEST_F(DescriptorLookupTest, EachLookupAnswersABlockOfItsOwn)
{
    std::vector<std::int32_t> offsets;
    g_moduleA.push_back({ "DABDUMP", "m_RSC", Windows({ "W", "X" }, &offsets).Resource("m") });
    const auto first = FindWindowDescriptor("m", "W", kModules);
    ASSERT_TRUE(first);
    EXPECT_FALSE(FindWindowDescriptor("m", "missing", kModules));
    const auto second = FindWindowDescriptor("m", "X", kModules);
    ASSERT_TRUE(second);
    EXPECT_NE(first->block.Bytes().data(), second->block.Bytes().data());
    EXPECT_EQ(*first->WindowRecord().String(layout::kWindowName), "W")
        << "a later lookup leaves an earlier answer as it was";
    EXPECT_EQ(second->window, offsets[1]);
}

TEST_F(DescriptorLookupTest, HandingTheAnswerOnHandsItsBlockOn)
{
    g_moduleA.push_back({ "DABDUMP", "m_RSC", Windows({ "W" }).Resource("m") });
    auto found = FindWindowDescriptor("m", "W", kModules);
    ASSERT_TRUE(found);
    const std::byte* bytes = found->block.Bytes().data();
    const WindowDescriptor moved = std::move(*found);
    EXPECT_EQ(moved.block.Bytes().data(), bytes) << "the block itself, not a copy";
    EXPECT_EQ(found->block.Size(), 0u) << "the old holder owns nothing";
    EXPECT_EQ(*moved.WindowRecord().String(layout::kWindowName), "W");
}

TEST_F(DescriptorLookupTest, RefusedAllocationFindsNothing)
{
    g_moduleA.push_back({ "DABDUMP", "m_RSC", Windows({ "W" }).Resource("m") });
    const auto previous = value::SetAllocationHook([](std::size_t) { return false; });
    const auto found = FindWindowDescriptor("m", "W", kModules);
    value::SetAllocationHook(previous);
    EXPECT_FALSE(found);
}

TEST_F(DescriptorLookupTest, RequiringAMissingWindowIsInternalError502)
{
    EXPECT_FALSE(RequireWindowDescriptor("nothing$here", "P1$WINDOW"));
    ASSERT_EQ(g_stops.size(), 1u);
    EXPECT_EQ(g_stops[0], (std::pair<int, std::string> { 502, "WSLDIAL" }));
}

} // namespace
