// The framework's three window declarations, compiled by the build's DescriptorCompiler and
// embedded in this test program as the window engine will find them.

#include "EncodedDescriptor.h"

#include <platform/Resources.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

using namespace descriptor;
using descriptor_test::EncodedDescriptor;

namespace {

constexpr std::uint32_t kDefault = 0x80000000u;

std::vector<std::byte> Embedded(std::string_view name)
{
    const auto bytes = platform::FindResource("DABDUMP", name);
    EXPECT_TRUE(bytes.has_value()) << name << " is not embedded";
    return bytes ? std::vector<std::byte>(bytes->begin(), bytes->end()) : std::vector<std::byte> {};
}

std::string ReadDeclaration(const std::string& file)
{
    std::ifstream in(std::filesystem::path(VARN_FRAMEWORK_DIR) / file, std::ios::binary);
    EXPECT_TRUE(in) << file;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

/// The control records of a window, first to last.
std::vector<std::int32_t> Controls(const EncodedDescriptor& encoded, std::int32_t window)
{
    std::vector<std::int32_t> controls;
    for (std::int32_t control = encoded.I32(window + 0x1D); control != 0 && controls.size() < 100;
         control = encoded.I32(control + 1))
        controls.push_back(control);
    return controls;
}

void ExpectDefaultPosition(const EncodedDescriptor& encoded, std::int32_t window)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(encoded.U32(window + 0x0D + 4 * i), kDefault) << "position value " << i;
}

class FrameworkDescriptorTest : public testing::TestWithParam<const char*> { };

TEST_P(FrameworkDescriptorTest, BuildOutputIsTheEncodingOfTheDeclaration)
{
    const std::string name = GetParam();
    const ParseResult parsed = Parse(ReadDeclaration(name + ".wnd"));
    ASSERT_FALSE(parsed.IsError()) << parsed.Error().line << ": " << parsed.Error().message;
    EXPECT_EQ(ResourceName(parsed.Value().moduleName), name);
    const auto embedded = Embedded(name);
    EXPECT_EQ(embedded, Encode(parsed.Value()));
    const auto records = descriptor_test::WalkRecords(EncodedDescriptor(embedded));
    EXPECT_FALSE(records.empty());
}

INSTANTIATE_TEST_SUITE_P(Resources, FrameworkDescriptorTest,
    testing::Values("ABEIP_RSC", "ABPOPUP_RSC", "ABQUERY_RSC"),
    [](const testing::TestParamInfo<const char*>& param) { return std::string(param.param); });

TEST(FrameworkDescriptorsTest, ItemChooserWindow)
{
    const EncodedDescriptor encoded(Embedded("abeip_rsc"));
    EXPECT_EQ(encoded.Module(), "abeip");
    const std::int32_t window = encoded.FirstWindow();
    EXPECT_EQ(encoded.U8(window), 25);
    EXPECT_EQ(encoded.Text(encoded.I32(window + 0x21)), "$MULTIWINDOW");
    EXPECT_EQ(encoded.U32(window + 5), 0x810u);
    std::multiset<int> kinds;
    for (const std::int32_t control : Controls(encoded, window)) {
        const int kind = encoded.U8(control);
        kinds.insert(kind);
        if (kind != 39) { // the graphic control has no use descriptor; its position is at +0x15
            EXPECT_EQ(encoded.I32(control + 0x15), 0)
                << "no use descriptor: the window binds nothing";
        }
    }
    EXPECT_EQ(kinds, (std::multiset<int> { 14, 34, 39 })) << "list box, combination box, graphic";
}

TEST(FrameworkDescriptorsTest, PopupWindow)
{
    const EncodedDescriptor encoded(Embedded("ABPOPUP_RSC"));
    EXPECT_EQ(encoded.Module(), "abpopup");
    const std::int32_t window = encoded.FirstWindow();
    EXPECT_EQ(encoded.I32(window + 1), 0) << "one window";
    EXPECT_EQ(encoded.Text(encoded.I32(window + 0x21)), "P10$W");
    ExpectDefaultPosition(encoded, window);
    EXPECT_EQ(encoded.I32(window + 0x59), 50) << "timer";
}

TEST(FrameworkDescriptorsTest, QueryWindow)
{
    const EncodedDescriptor encoded(Embedded("ABQUERY_RSC"));
    EXPECT_EQ(encoded.Module(), "abquery");
    const std::int32_t window = encoded.FirstWindow();
    EXPECT_EQ(encoded.Text(encoded.I32(window + 0x21)), "P19$W");
    ExpectDefaultPosition(encoded, window);
    std::vector<std::int32_t> equates;
    for (const std::int32_t control : Controls(encoded, window))
        equates.push_back(encoded.I32(control + 0x0D));
    EXPECT_EQ(equates, (std::vector<std::int32_t> { 1000, 1001 }));
}

} // namespace
