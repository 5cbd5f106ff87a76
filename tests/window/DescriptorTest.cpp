#include "BodyBuilder.h"

#include <value/Heap.h>
#include <window/Descriptor.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

using namespace window;
using window::testing::BodyBuilder;

namespace {

DescriptorBlock Load(const BodyBuilder& builder)
{
    auto block = DescriptorBlock::FromBody(builder.Body());
    EXPECT_TRUE(block.has_value());
    return std::move(*block);
}

/// A window record named `name`, linked to `next`.
std::int32_t AddWindow(BodyBuilder& builder, std::string_view name, std::int32_t next = 0)
{
    const std::int32_t nameAt = builder.String(name);
    const std::int32_t at = builder.Record(RecordType::Window, layout::kWindowSize);
    builder.SetI32(at, layout::kNext, next);
    builder.SetI32(at, layout::kWindowName, nameAt);
    return at;
}

/// A string control with equate `equate`, linked to `next`.
std::int32_t AddString(BodyBuilder& builder, std::int32_t equate, std::int32_t next = 0)
{
    const std::int32_t at = builder.Record(RecordType::String, 0x3B);
    builder.SetI32(at, layout::kNext, next);
    builder.SetI32(at, layout::kEquate, equate);
    return at;
}

std::vector<std::int32_t> Offsets(const std::vector<TreeNode>& nodes)
{
    std::vector<std::int32_t> offsets;
    for (const TreeNode& node : nodes)
        offsets.push_back(node.offset);
    return offsets;
}

TEST(DescriptorBlockTest, CopiesTheBodyBehindTwoZeroBytes)
{
    BodyBuilder builder;
    builder.FirstWindow(0x1234);
    builder.Raw("abc");
    const DescriptorBlock block = Load(builder);

    ASSERT_EQ(block.Size(), builder.Body().size() + 2);
    EXPECT_EQ(block.Bytes()[0], std::byte { 0 });
    EXPECT_EQ(block.Bytes()[1], std::byte { 0 });
    EXPECT_EQ(block.Bytes()[6], std::byte { 'a' }) << "body byte 4 sits at block offset 6";
    EXPECT_EQ(block.FirstWindowOffset(), 0x1234);
}

TEST(DescriptorBlockTest, ShortOrEmptyBodyHasNoWindows)
{
    for (std::size_t length : { 0u, 1u, 3u }) {
        std::vector<std::byte> body(length, std::byte { 0x7F });
        const auto block = DescriptorBlock::FromBody(body);
        ASSERT_TRUE(block.has_value());
        EXPECT_EQ(block->Size(), length + 2);
        EXPECT_EQ(block->FirstWindowOffset(), 0) << "a body of " << length << " bytes";
        EXPECT_EQ(WindowRecords(*block), std::vector<std::int32_t> {});
    }
}

TEST(DescriptorBlockTest, RefusedAllocationLoadsNothing)
{
    const auto previous = value::SetAllocationHook([](std::size_t) { return false; });
    const auto block = DescriptorBlock::FromBody(BodyBuilder().Body());
    value::SetAllocationHook(previous);
    EXPECT_FALSE(block.has_value());
}

TEST(DescriptorBlockTest, RawReadsStayInsideTheBlock)
{
    BodyBuilder builder;
    builder.FirstWindow(-2);
    builder.Raw("\x01\x02\x03\x04");
    const DescriptorBlock block = Load(builder);
    const auto size = static_cast<std::int64_t>(block.Size()); // 10

    EXPECT_EQ(block.ReadI32(2), -2);
    EXPECT_EQ(block.ReadU32(size - 4), 0x04030201u) << "little-endian, ending at the last byte";
    EXPECT_EQ(block.ReadU16(size - 2), 0x0403);
    EXPECT_EQ(block.ReadI16(size - 2), 0x0403);
    EXPECT_EQ(block.ReadU8(size - 1), 4);

    const std::int64_t refused[] = {
        -1,                                       // before the block
        size - 3,                                 // the dword would cross the end
        size,                                     // one past the end
        std::numeric_limits<std::int64_t>::max(), // no wrap-around
        std::numeric_limits<std::int64_t>::min(),
    };
    for (std::int64_t offset : refused) {
        EXPECT_FALSE(block.ReadI32(offset)) << offset;
        EXPECT_FALSE(block.ReadU32(offset)) << offset;
    }
    EXPECT_FALSE(block.ReadU16(size - 1));
    EXPECT_FALSE(block.ReadU8(size));
}

TEST(DescriptorBlockTest, StringReferences)
{
    BodyBuilder builder;
    const std::int32_t hello = builder.String("Hello");
    const std::int32_t empty = builder.Raw(std::string_view("\0", 1));
    const std::int32_t unterminated = builder.Raw("tail");
    const DescriptorBlock block = Load(builder);
    const auto size = static_cast<std::int32_t>(block.Size());

    const struct {
        std::int32_t reference;
        std::optional<std::string_view> expected;
        const char* why;
    } rows[] = {
        { 0, "", "0 reads byte 0 of the block: the empty string" },
        { hello, "Hello", "a string ends at its NUL" },
        { hello + 3, "lo", "a reference into a string reads its tail" },
        { empty, "", "a stored empty string" },
        { 1, std::nullopt, "points in front of the body" },
        { -5, std::nullopt, "negative" },
        { size, std::nullopt, "past the end" },
        { unterminated, std::nullopt, "no NUL before the end of the block" },
        { size - 1, std::nullopt, "the last byte is no NUL" },
        { std::numeric_limits<std::int32_t>::min(), std::nullopt, "0x80000000" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(block.ReadString(row.reference), row.expected) << row.why;
}

TEST(DescriptorBlockTest, SubBlocks)
{
    BodyBuilder builder;
    const std::int32_t font = builder.Font("Courier New", 10, kNoColour, 700);
    const std::int32_t colours = builder.Colours(0xFF0000, 0xFFFFFF, kNoColour);
    const std::int32_t use = builder.Use(18, 43, "s43");
    const std::int32_t badFace = builder.Zeros(16);
    builder.SetI32(badFace, builder.Raw("open")); // the last bytes of the body: no NUL
    const DescriptorBlock block = Load(builder);
    const auto size = static_cast<std::int32_t>(block.Size());

    const auto fontBlock = block.ReadFont(font);
    ASSERT_TRUE(fontBlock);
    EXPECT_EQ(fontBlock->face, "Courier New");
    EXPECT_EQ(fontBlock->size, 10);
    EXPECT_EQ(fontBlock->colour, kNoColour);
    EXPECT_EQ(fontBlock->weight, 700);

    EXPECT_EQ(block.ReadColours(colours), (ColourBlock { 0xFF0000, 0xFFFFFF, kNoColour }));

    const auto useBlock = block.ReadUse(use);
    ASSERT_TRUE(useBlock);
    EXPECT_EQ(useBlock->type, 18);
    EXPECT_EQ(useBlock->size, 43);
    EXPECT_EQ(useBlock->picture, "s43");

    // 0 means "none": the caller decides what that is, the reader refuses it.
    EXPECT_FALSE(block.ReadFont(0));
    EXPECT_FALSE(block.ReadColours(0));
    EXPECT_FALSE(block.ReadUse(0));
    EXPECT_FALSE(block.ReadFont(badFace)) << "the face name runs off the block";
    EXPECT_FALSE(block.ReadColours(size - 11)) << "12 bytes do not fit";
    EXPECT_TRUE(block.ReadColours(size - 12));
    EXPECT_FALSE(block.ReadFont(-16));
    EXPECT_FALSE(block.ReadUse(1));
}

TEST(DescriptorBlockTest, HelpBlockResolvesItsTexts)
{
    BodyBuilder builder;
    const std::int32_t message = builder.String("Izlaz iz programa");
    const std::int32_t tip = builder.String("~");
    const std::int32_t help = builder.Zeros(20);
    builder.SetI32(help, message);
    builder.SetI32(help + 4, tip);
    builder.SetI32(help + 12, 0x70);
    builder.SetI32(help + 16, 0);
    const std::int32_t broken = builder.Zeros(20);
    builder.SetI32(broken + 8, 0x7FFFFFF0);
    const DescriptorBlock block = Load(builder);

    const auto read = block.ReadHelp(help);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->message, "Izlaz iz programa");
    EXPECT_EQ(read->tip, "~");
    EXPECT_EQ(read->help, "");
    EXPECT_EQ(read->key, 0x70);
    EXPECT_EQ(read->alertList, 0);
    EXPECT_FALSE(block.ReadHelp(broken)) << "a help text outside the block";
    EXPECT_FALSE(block.ReadHelp(static_cast<std::int64_t>(block.Size()) - 19));
}

TEST(DescriptorBlockTest, ValueListsReadFromTheHeadInChainOrder)
{
    BodyBuilder builder;
    const std::int32_t zones = builder.ValueList({ -1, 80, 120, 45 });
    const std::int32_t one = builder.ValueList({ 7 });
    const std::int32_t selfLoop = builder.Zeros(8);
    builder.SetI32(selfLoop + 4, selfLoop);
    const std::int32_t loopA = builder.Zeros(8);
    const std::int32_t loopB = builder.Zeros(8);
    builder.SetI32(loopA + 4, loopB);
    builder.SetI32(loopB + 4, loopA);
    const std::int32_t leaves = builder.Zeros(8);
    builder.SetI32(leaves + 4, 0x40000000);
    const std::int32_t backwards = builder.Zeros(8);
    builder.SetI32(backwards + 4, 1);
    const DescriptorBlock block = Load(builder);

    EXPECT_EQ(block.ReadValueList(zones), (std::vector<std::int32_t> { -1, 80, 120, 45 }));
    EXPECT_EQ(block.ReadValueList(one), (std::vector<std::int32_t> { 7 }));
    EXPECT_EQ(block.ReadValueList(0), (std::vector<std::int32_t> {}));
    EXPECT_FALSE(block.ReadValueList(selfLoop)) << "a cell that names itself";
    EXPECT_FALSE(block.ReadValueList(loopA)) << "two cells naming each other";
    EXPECT_FALSE(block.ReadValueList(leaves)) << "the next cell lies past the end";
    EXPECT_FALSE(block.ReadValueList(backwards)) << "the next cell lies in front of the body";
    EXPECT_FALSE(block.ReadValueList(-8));
}

TEST(DescriptorBlockTest, RecordsMustFitWhole)
{
    BodyBuilder builder;
    const std::int32_t window = AddWindow(builder, "W");
    const std::int32_t unknown = builder.Zeros(13);
    builder.SetU8(unknown, 1); // a code without a layout: the common head only
    const std::int32_t cut = builder.Record(RecordType::Window, layout::kWindowSize - 1);
    const DescriptorBlock block = Load(builder);

    const auto record = block.RecordAt(window);
    ASSERT_TRUE(record);
    EXPECT_TRUE(record->Is(RecordType::Window));
    EXPECT_EQ(record->Extent(), layout::kWindowSize);
    const auto head = block.RecordAt(unknown);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->Extent(), layout::kHeadSize);
    EXPECT_EQ(head->Equate(), 0) << "a head-only record has no equate to read";

    EXPECT_FALSE(block.RecordAt(cut)) << "116 bytes from here run past the end";
    EXPECT_FALSE(block.RecordAt(0));
    EXPECT_FALSE(block.RecordAt(1));
    EXPECT_FALSE(block.RecordAt(-13));
    EXPECT_FALSE(block.RecordAt(static_cast<std::int32_t>(block.Size()) - 12));
}

TEST(DescriptorBlockTest, RecordFieldsAreReadWithinTheRecord)
{
    BodyBuilder builder;
    const std::int32_t control = AddString(builder, 8, 0);
    builder.SetU32(control, layout::kAttributes, 0x1020);
    builder.SetU16(control + 0x39, 0xFF9C); // angle -100
    builder.Zeros(64);                      // the block goes on past the record
    const DescriptorBlock block = Load(builder);
    const auto record = block.RecordAt(control);
    ASSERT_TRUE(record);

    EXPECT_EQ(record->Type(), 2);
    EXPECT_EQ(record->Equate(), 8);
    EXPECT_EQ(record->Attributes(), 0x1020u);
    EXPECT_EQ(record->NextSibling(), 0);
    EXPECT_EQ(record->I16(0x39), -100);
    EXPECT_EQ(record->String(0x29), "") << "the string control's text reference is 0";
    EXPECT_FALSE(record->I16(0x3A)) << "the string record ends at 0x3B";
    EXPECT_FALSE(record->I32(0x38));
    EXPECT_FALSE(record->U8(0x3B));
    EXPECT_FALSE(record->I32(std::numeric_limits<std::uint32_t>::max() - 1)) << "no wrap-around";
    EXPECT_FALSE(record->PositionAt(0x30));
    EXPECT_FALSE(record->HelpAt(0x29));
}

TEST(DescriptorBlockTest, WindowRecordsFollowTheSiblingChain)
{
    BodyBuilder builder;
    const std::int32_t second = AddWindow(builder, "P10$W");
    const std::int32_t report = builder.Zeros(13);
    builder.SetU8(report, static_cast<std::uint8_t>(RecordType::Report));
    builder.SetI32(report, layout::kNext, second);
    const std::int32_t first = AddWindow(builder, "P1$WINDOW", report);
    builder.FirstWindow(first);
    EXPECT_EQ(WindowRecords(Load(builder)), (std::vector<std::int32_t> { first, second }))
        << "windows in chain order, the report passed over";

    builder.SetI32(second, layout::kNext, first);
    EXPECT_FALSE(WindowRecords(Load(builder))) << "a chain back to the first window";
    builder.SetI32(second, layout::kNext, 3);
    EXPECT_FALSE(WindowRecords(Load(builder))) << "a sibling that is no record";
}

TEST(DescriptorTreeTest, ControlsInDeclarationOrderWithGroupChildren)
{
    BodyBuilder builder;
    const std::int32_t last = AddString(builder, 5);
    const std::int32_t inner2 = AddString(builder, 4);
    const std::int32_t inner1 = AddString(builder, 3, inner2);
    const std::int32_t group = builder.Record(RecordType::Group, 0x51);
    builder.SetI32(group, layout::kEquate, 2);
    builder.SetI32(group, layout::kNext, last);
    builder.SetI32(group + 0x49, inner1);
    const std::int32_t first = AddString(builder, 1, group);
    const std::int32_t window = AddWindow(builder, "W");
    builder.SetI32(window, layout::kWindowFirstControl, first);
    builder.FirstWindow(window);
    const DescriptorBlock block = Load(builder);

    const auto controls = WindowControls(*block.RecordAt(window));
    ASSERT_TRUE(controls);
    EXPECT_EQ(
        Offsets(*controls), (std::vector<std::int32_t> { first, group, inner1, inner2, last }));
    EXPECT_EQ((*controls)[2].container, group);
    EXPECT_EQ((*controls)[2].depth, 1u);
    EXPECT_EQ((*controls)[4].container, 0);
    EXPECT_EQ((*controls)[4].depth, 0u);
    EXPECT_TRUE(WindowMenus(*block.RecordAt(window))->empty()) << "no menu bar";
    EXPECT_TRUE(WindowToolbar(*block.RecordAt(window))->empty()) << "no toolbar";
}

TEST(DescriptorTreeTest, CyclesAndSharedRecordsAreMalformed)
{
    // Each row rewires one link of: window -> A -> group G (children C1 -> C2) -> B.
    const struct {
        const char* why;
        int from; // 0 A, 1 G's child link, 2 C2, 3 B, 4 window's first control
        int to;   // -1 the window itself, 0 A, 1 G, 2 C1, 5 an offset that is no record
    } rows[] = {
        { "the last sibling leads back to the first", 3, 0 },
        { "a group's child chain leads back to the group", 2, 1 },
        { "a group is its own first child", 1, 1 },
        { "a child is also a sibling of the group", 3, 2 },
        { "a control leads back to the window record", 3, -1 },
        { "the first control is the window", 4, -1 },
        { "a link into the middle of a later record", 2, 5 },
    };
    for (const auto& row : rows) {
        BodyBuilder builder;
        const std::int32_t b = AddString(builder, 4);
        const std::int32_t c2 = AddString(builder, 3);
        const std::int32_t c1 = AddString(builder, 2, c2);
        const std::int32_t g = builder.Record(RecordType::Group, 0x51);
        builder.SetI32(g, layout::kNext, b);
        builder.SetI32(g + 0x49, c1);
        const std::int32_t a = AddString(builder, 1, g);
        const std::int32_t window = AddWindow(builder, "W");
        builder.SetI32(window, layout::kWindowFirstControl, a);
        builder.FirstWindow(window);

        const std::int32_t targets[] = { a, g, c1 };
        const std::int32_t target = row.to == -1 ? window : row.to == 5 ? b + 7 : targets[row.to];
        const std::pair<std::int32_t, std::uint32_t> links[] = { { a, layout::kNext }, { g, 0x49 },
            { c2, layout::kNext }, { b, layout::kNext }, { window, layout::kWindowFirstControl } };
        builder.SetI32(links[row.from].first, links[row.from].second, target);
        const DescriptorBlock block = Load(builder);
        EXPECT_FALSE(WindowControls(*block.RecordAt(window))) << row.why;
    }
}

TEST(DescriptorTreeTest, MenuTree)
{
    BodyBuilder builder;
    const std::int32_t barItem = builder.Record(RecordType::Item, layout::kItemSize);
    builder.SetI32(barItem, layout::kEquate, -4);
    const std::int32_t item2 = builder.Record(RecordType::Item, layout::kItemSize);
    builder.SetI32(item2, layout::kEquate, -3);
    const std::int32_t item1 = builder.Record(RecordType::Item, layout::kItemSize);
    builder.SetI32(item1, layout::kEquate, -2);
    builder.SetI32(item1, layout::kNext, item2);
    const std::int32_t menu = builder.Record(RecordType::Menu, layout::kMenuSize);
    builder.SetI32(menu, layout::kEquate, -1);
    builder.SetI32(menu, layout::kNext, barItem);
    builder.SetI32(menu, layout::kMenuFirstChild, item1);
    const std::int32_t bar = builder.Record(RecordType::MenuBar, layout::kMenuBarSize);
    builder.SetI32(bar, layout::kMenuBarFirst, menu);
    const std::int32_t window = AddWindow(builder, "W");
    builder.SetI32(window, layout::kWindowMenuBar, bar);
    builder.FirstWindow(window);

    {
        const DescriptorBlock block = Load(builder);
        const auto menus = WindowMenus(*block.RecordAt(window));
        ASSERT_TRUE(menus);
        EXPECT_EQ(
            Offsets(*menus), (std::vector<std::int32_t> { bar, menu, item1, item2, barItem }));
        EXPECT_EQ((*menus)[2].container, menu);
        EXPECT_EQ((*menus)[2].depth, 2u);
        EXPECT_EQ((*menus)[4].container, bar);
        EXPECT_EQ((*menus)[4].part, TreePart::Menu);
        EXPECT_TRUE(WindowControls(*block.RecordAt(window))->empty());
    }

    builder.SetI32(item2, layout::kNext, menu);
    EXPECT_FALSE(WindowMenus(*Load(builder).RecordAt(window))) << "an item leads back to its menu";
    builder.SetI32(item2, layout::kNext, 0);
    builder.SetI32(window, layout::kWindowMenuBar, menu);
    EXPECT_FALSE(WindowMenus(*Load(builder).RecordAt(window))) << "the menu bar is no menu bar";
}

TEST(DescriptorTreeTest, ToolbarAndItsControls)
{
    BodyBuilder builder;
    const std::int32_t second = AddString(builder, 2);
    const std::int32_t first = AddString(builder, 1, second);
    const std::int32_t toolbar = builder.Record(RecordType::Toolbar, kToolbarLayout.size);
    builder.SetI32(toolbar, kToolbarLayout.firstChild, first);
    const std::int32_t control = AddString(builder, 3);
    const std::int32_t window = AddWindow(builder, "W");
    builder.SetI32(window, layout::kWindowToolbar, toolbar);
    builder.SetI32(window, layout::kWindowFirstControl, control);
    builder.FirstWindow(window);

    {
        const DescriptorBlock block = Load(builder);
        const auto tools = WindowToolbar(*block.RecordAt(window));
        ASSERT_TRUE(tools);
        EXPECT_EQ(Offsets(*tools), (std::vector<std::int32_t> { toolbar, first, second }));
        EXPECT_EQ((*tools)[1].container, toolbar);
        EXPECT_EQ((*tools)[1].part, TreePart::Toolbar);
        EXPECT_EQ(Offsets(*WindowControls(*block.RecordAt(window))),
            (std::vector<std::int32_t> { control }))
            << "the window's own controls do not include the toolbar's";
    }

    builder.SetI32(toolbar, layout::kNext, control);
    EXPECT_FALSE(WindowToolbar(*Load(builder).RecordAt(window))) << "a toolbar with a sibling";
    builder.SetI32(toolbar, layout::kNext, 0);
    builder.SetI32(window, layout::kWindowToolbar, control);
    EXPECT_FALSE(WindowToolbar(*Load(builder).RecordAt(window))) << "no toolbar record there";
}

} // namespace
