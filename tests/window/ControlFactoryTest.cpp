#include "BodyBuilder.h"

#include <value/RuntimeFault.h>
#include <value/TypeCodes.h>
#include <window/ControlFactory.h>
#include <window/Window.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace window;
using window::testing::BodyBuilder;

namespace {

constexpr std::uint32_t kEntrySize = 0x52;
constexpr std::uint32_t kButtonSize = 0x5A;

class ControlFactoryTest : public ::testing::Test {
protected:
    void SetUp() override { ClearControlFactories(); }
    void TearDown() override { ClearControlFactories(); }
};

/// An entry like the hash window's result entry: use STRING(43), picture "s43", Courier New
/// bold, a help block with message, tip "~", help text and two alert keys.
struct EntryFixture {
    BodyBuilder builder;
    std::int32_t entry = 0;
    std::int32_t help = 0; ///< block offset of the inline help block

    EntryFixture()
    {
        const std::int32_t use
            = builder.Use(static_cast<std::uint8_t>(value::TypeCode::String), 43);
        const std::int32_t font = builder.Font("Courier New", 10, kNoColour, 700);
        const std::int32_t colours = builder.Colours(0xFF0000, kNoColour, kNoColour);
        const std::int32_t picture = builder.String("s43");
        const std::int32_t message = builder.String("Formirani broj");
        const std::int32_t tip = builder.String("~ignored");
        const std::int32_t helpText = builder.String("HELP~BROJ");
        const std::int32_t alerts = builder.ValueList({ 0x70, 0x71 });
        entry = builder.Record(RecordType::Entry, kEntrySize);
        builder.SetI32(entry, layout::kEquate, 5);
        builder.SetU32(entry, layout::kAttributes, 0x1020);
        builder.SetI32(entry + 0x15, use);
        builder.SetPosition(entry + 0x19, 5, 131, 251, 14);
        help = entry + 0x29;
        builder.SetI32(help, message);
        builder.SetI32(help + 4, tip);
        builder.SetI32(help + 8, helpText);
        builder.SetI32(help + 12, 0x1B);
        builder.SetI32(help + 16, alerts);
        builder.SetI32(entry + 0x3D, font);
        builder.SetI32(entry + 0x45, colours);
        builder.SetI32(entry + 0x49, picture);
        builder.SetU8(entry + 0x51, 0x80);
    }
};

TEST_F(ControlFactoryTest, RegistrationFillsTheProgramsElevenSlots)
{
    RegisterControlKinds();
    RegisterControlKinds(); // again, as at termination: nothing changes

    const std::set<int> registered { 2, 8, 9, 10, 12, 13, 14, 17, 33, 34, 39 };
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(FindControlFactory(static_cast<std::uint8_t>(code)) != nullptr,
            registered.contains(code))
            << "code " << code;
    }
}

TEST_F(ControlFactoryTest, EmptySlotCreatesNothing)
{
    BodyBuilder builder;
    const std::int32_t string = builder.Record(RecordType::String, 0x3B);
    const std::int32_t menu = builder.Record(RecordType::Menu, layout::kMenuSize);
    const auto block = DescriptorBlock::FromBody(builder.Body());
    ControlContext context;

    EXPECT_FALSE(CreateControl(*block->RecordAt(string), context)) << "not registered yet";
    RegisterStringControl();
    EXPECT_TRUE(CreateControl(*block->RecordAt(string), context));
    RegisterControlFactory(static_cast<std::uint8_t>(RecordType::Menu), &BuildControlSpec);
    EXPECT_FALSE(CreateControl(*block->RecordAt(menu), context)) << "a menu has no control layout";
}

TEST_F(ControlFactoryTest, EntryReadsEverythingAndBindsItsVariable)
{
    RegisterEntryControl();
    EntryFixture fixture;
    const auto block = DescriptorBlock::FromBody(fixture.builder.Body());
    char formatted[43] {};
    void* const list[] = { formatted, nullptr };
    UseBinding binding(list);
    StringPool pool;
    ControlContext context { &binding, {}, {}, &pool };

    const auto built = CreateControl(*block->RecordAt(fixture.entry), context);
    ASSERT_TRUE(built);
    EXPECT_EQ(built->kind, 8);
    EXPECT_EQ(built->equate, 5);
    EXPECT_EQ(built->attributes, 0x1020u);
    EXPECT_EQ(built->position, (Position { 5, 131, 251, 14 }));
    EXPECT_EQ(built->font, (FontSpec { "Courier New", 10, kNoColour, 700 }));
    EXPECT_EQ(built->colours, (ColourBlock { 0xFF0000, kNoColour, kNoColour }));
    EXPECT_EQ(built->picture, "s43");
    EXPECT_EQ(built->use, (UseSpec { 18, 43, "" }));
    EXPECT_EQ(built->message, "Formirani broj");
    EXPECT_EQ(built->tip, "Formirani broj") << "a tip starting with ~ shows the message";
    EXPECT_EQ(built->help, "HELP~BROJ");
    EXPECT_EQ(built->key, 0x1B);
    EXPECT_EQ(built->alertKeys, (std::vector<std::int32_t> { 0x70, 0x71 }));
    ASSERT_TRUE(built->variable);
    EXPECT_EQ(built->variable->Address(), formatted);
    EXPECT_EQ(built->variable->Size(), 43u);
    EXPECT_TRUE(built->text.empty()) << "an entry has no text of its own";
    EXPECT_EQ(pool.References("Formirani broj"), 2u) << "message and tip share one copy";
}

TEST_F(ControlFactoryTest, ControlWithoutHelpTextsTakesItsContainers)
{
    BodyBuilder builder;
    const std::int32_t tip = builder.String("~");
    const std::int32_t button = builder.Record(RecordType::Button, kButtonSize);
    builder.SetI32(button + 0x25 + 4, tip);
    builder.SetI32(button + 0x45, builder.End());
    builder.String("Zatvori");
    const auto block = DescriptorBlock::FromBody(builder.Body());
    ASSERT_TRUE(block);
    StringPool pool;

    ControlContext inherits { nullptr, pool.Intern("Window message"), pool.Intern("WINDOW"),
        &pool };
    const auto built = BuildControlSpec(*block->RecordAt(button), inherits);
    ASSERT_TRUE(built);
    EXPECT_EQ(built->text, "Zatvori");
    EXPECT_EQ(built->message, "Window message");
    EXPECT_EQ(built->help, "WINDOW");
    EXPECT_EQ(built->tip, "Window message") << "the inherited message counts as the control's";
    EXPECT_EQ(built->position, (Position { 0, 0, 0, 0 }));
    EXPECT_FALSE(built->font) << "font reference 0: the container's font";
    EXPECT_FALSE(built->colours);
    EXPECT_FALSE(built->use);

    ControlContext bare { nullptr, {}, {}, &pool };
    const auto alone = BuildControlSpec(*block->RecordAt(button), bare);
    ASSERT_TRUE(alone);
    EXPECT_EQ(alone->tip, "~") << "no message to replace it with";
    EXPECT_TRUE(alone->message.Empty());
}

TEST_F(ControlFactoryTest, MalformedRecordCreatesNothingAndTakesNoVariable)
{
    RegisterEntryControl();
    const struct {
        const char* why;
        std::uint32_t field; // offset in the entry record
        std::int32_t value;
    } rows[] = {
        { "the font block lies outside the block", 0x3D, 0x7FFFFF00 },
        { "the colour block reference is negative", 0x45, -12 },
        { "the use descriptor points in front of the body", 0x15, 1 },
        { "the picture is not terminated", 0x49, -1 }, // replaced below by an open string
        { "a help text lies outside the block", 0x29 + 8, 0x10000 },
        { "the alert keys run in a circle", 0x29 + 16, -1 }, // replaced below by a loop
    };
    for (const auto& row : rows) {
        EntryFixture fixture;
        std::int32_t value = row.value;
        if (row.field == 0x49)
            value = fixture.builder.Raw("s43");
        if (row.field == 0x29 + 16) {
            value = fixture.builder.Zeros(8);
            fixture.builder.SetI32(value + 4, value);
        }
        fixture.builder.SetI32(fixture.entry + static_cast<std::int32_t>(row.field), value);
        const auto block = DescriptorBlock::FromBody(fixture.builder.Body());
        char variable[43] {};
        void* const list[] = { variable, nullptr };
        UseBinding binding(list);
        ControlContext context { &binding, {}, {}, &SharedTexts() };

        EXPECT_FALSE(CreateControl(*block->RecordAt(fixture.entry), context)) << row.why;
        EXPECT_EQ(binding.Taken(), 0u) << row.why;
    }
}

TEST_F(ControlFactoryTest, UnbindableVariableCreatesNothing)
{
    RegisterEntryControl();
    EntryFixture fixture;
    const auto block = DescriptorBlock::FromBody(fixture.builder.Body());
    UseBinding empty;
    ControlContext context { &empty, {}, {}, &SharedTexts() };
    const auto previous = value::SetRuntimeErrorStopHook([](int, std::string_view) {});
    EXPECT_FALSE(CreateControl(*block->RecordAt(fixture.entry), context));
    value::SetRuntimeErrorStopHook(previous);
}

} // namespace
