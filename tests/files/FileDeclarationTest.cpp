#include <files/FileDeclaration.h>
#include <files/Operations.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using files::TypeDescriptorBuilder;
using value::TypeCode;
using Bytes = std::vector<std::uint8_t>;

TEST(TypeDescriptorBuilderTest, ResultFileRecordEncodesExactly)
{
    const Bytes descriptor = TypeDescriptorBuilder().Group().String("has:slog", 40).End().Build();
    const Bytes expected = {
        22, 0, 40, 0, 0, 0, 1, 0, 0, 0, 27, 0, 0, 0, // GROUP: size 40, 1 field, 27 bytes
        18, 0x02, 0x20, 0x28, 'H', 'A', 'S', ':', 'S', 'L', 'O', 'G', 0, // STRING(40) label
    };
    EXPECT_EQ(descriptor, expected);
}

TEST(TypeDescriptorBuilderTest, StringSizeBytesCarryTheHighBitsAbove0x20)
{
    struct Case {
        std::uint32_t size;
        std::uint8_t high;
        std::uint8_t low;
    };
    for (const Case c : { Case { 40, 0x20, 0x28 }, Case { 512, 0x22, 0x00 },
             Case { 255, 0x20, 0xFF }, Case { 1, 0x20, 0x01 }, Case { 256, 0x21, 0x00 },
             Case { files::kMaxEncodedStringSize, 0xFF, 0xFF } }) {
        SCOPED_TRACE(c.size);
        const Bytes descriptor = TypeDescriptorBuilder().Group().CString({}, c.size).End().Build();
        ASSERT_EQ(descriptor.size(), files::kGroupHeaderSize + 4);
        EXPECT_EQ(descriptor[14], 19);
        EXPECT_EQ(descriptor[15], 0); // no label
        EXPECT_EQ(descriptor[16], c.high);
        EXPECT_EQ(descriptor[17], c.low);
        const files::FieldTable table = files::WalkTypeDescriptor(descriptor.data());
        ASSERT_EQ(table.error, files::FileError::None);
        ASSERT_EQ(table.fields.size(), 1u);
        EXPECT_EQ(table.fields[0].size, c.size);
    }
}

TEST(TypeDescriptorBuilderTest, NestedGroupsFillTheirHeadersAndFlattenOnWalk)
{
    const Bytes descriptor = TypeDescriptorBuilder()
                                 .Group()
                                 .Scalar(TypeCode::Long, "Id")
                                 .Group("Inner")
                                 .PString("p", 10)
                                 .Scalar(TypeCode::Short)
                                 .End()
                                 .String("tail", 3)
                                 .End()
                                 .Build();
    ASSERT_FALSE(descriptor.empty());
    // Outer: LONG(4) + inner(10 + 2) + STRING(3) = 19 bytes, 3 direct entries.
    EXPECT_EQ(descriptor[2], 19);
    EXPECT_EQ(descriptor[6], 3);
    EXPECT_EQ(descriptor[10], descriptor.size());
    // The inner header follows the LONG entry "ID\0": 14 + 2 + 3.
    const std::size_t inner = 19;
    EXPECT_EQ(descriptor[inner], 22);
    EXPECT_EQ(descriptor[inner + 1], files::kHasLabel);
    EXPECT_EQ(descriptor[inner + 2], 12);
    EXPECT_EQ(descriptor[inner + 6], 2);
    // Header, "INNER\0", PSTRING entry with "P\0", SHORT entry.
    EXPECT_EQ(descriptor[inner + 10], 14 + 6 + 6 + 2);

    const files::FieldTable table = files::WalkTypeDescriptor(descriptor.data());
    ASSERT_EQ(table.error, files::FileError::None);
    ASSERT_EQ(table.fields.size(), 4u);
    struct Expected {
        TypeCode type;
        std::uint32_t size;
        std::uint32_t offset;
        const char* label;
    };
    const Expected expected[] = { { TypeCode::Long, 4, 0, "ID" }, { TypeCode::PString, 10, 4, "P" },
        { TypeCode::Short, 2, 14, "" }, { TypeCode::String, 3, 16, "TAIL" } };
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(table.fields[i].type, expected[i].type);
        EXPECT_EQ(table.fields[i].size, expected[i].size);
        EXPECT_EQ(table.fields[i].offset, expected[i].offset);
        EXPECT_EQ(table.fields[i].label, expected[i].label);
    }
}

TEST(TypeDescriptorBuilderTest, MisuseBuildsNothing)
{
    struct Case {
        const char* what;
        TypeDescriptorBuilder builder;
    };
    const Case cases[] = {
        { "field outside a GROUP", TypeDescriptorBuilder().String("a", 1) },
        { "End without Group", TypeDescriptorBuilder().End() },
        { "GROUP left open", TypeDescriptorBuilder().Group().String("a", 1) },
        { "string size 0", TypeDescriptorBuilder().Group().String("a", 0).End() },
        { "string size too large",
            TypeDescriptorBuilder().Group().String("a", files::kMaxEncodedStringSize + 1).End() },
        { "type without a fixed size",
            TypeDescriptorBuilder().Group().Scalar(TypeCode::Decimal).End() },
        { "two outermost GROUPs", TypeDescriptorBuilder().Group().End().Group().End() },
        { "nothing at all", TypeDescriptorBuilder() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(c.builder.Build().empty());
    }
}

Bytes NestedGroups(std::size_t depth)
{
    TypeDescriptorBuilder builder;
    for (std::size_t i = 0; i < depth; ++i)
        builder.Group();
    builder.Scalar(TypeCode::Byte);
    for (std::size_t i = 0; i < depth; ++i)
        builder.End();
    return builder.Build();
}

TEST(WalkTypeDescriptorTest, RejectsMalformedDescriptors)
{
    const Bytes valid = TypeDescriptorBuilder().Group().String("a", 5).End().Build();
    Bytes notGroup = valid;
    notGroup[0] = 18;
    Bytes tooShort = valid;
    tooShort[10] = 10; // total length shorter than the header
    Bytes countTooHigh = valid;
    countTooHigh[6] = 2; // claims a second field past the end
    Bytes unterminatedLabel = valid;
    unterminatedLabel.back() = 'X';
    const Bytes decimal = { 22, 0, 0, 0, 0, 0, 1, 0, 0, 0, 16, 0, 0, 0, 10, 0 };
    const Bytes bigEnough = NestedGroups(files::kMaxGroupNesting);
    const Bytes tooDeep = NestedGroups(files::kMaxGroupNesting + 1);
    ASSERT_FALSE(tooDeep.empty());

    struct Case {
        const char* what;
        const Bytes* bytes;
        std::int32_t error;
    };
    const Case cases[] = {
        { "valid", &valid, 0 },
        { "not a GROUP", &notGroup, 75 },
        { "length shorter than the header", &tooShort, 75 },
        { "more fields than bytes", &countTooHigh, 75 },
        { "label without NUL", &unterminatedLabel, 75 },
        { "field of size 0", &decimal, 79 },
        { "100 GROUPs nested", &bigEnough, 0 },
        { "101 GROUPs nested", &tooDeep, 75 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const files::FieldTable table = files::WalkTypeDescriptor(c.bytes->data());
        EXPECT_EQ(files::CodeOf(table.error), c.error);
        EXPECT_EQ(table.fields.empty(), c.error != 0);
    }
    EXPECT_EQ(files::CodeOf(files::WalkTypeDescriptor(nullptr).error), 75);
}

TEST(DeclaredNameTest, ReadsEachNameForm)
{
    files::FileDeclaration file;
    EXPECT_EQ(files::DeclaredName(file), "");
    file.name = "HASHBROJ.TXTxyz";
    file.nameLength = 12;
    EXPECT_EQ(files::DeclaredName(file), "HASHBROJ.TXT");
    file.name = "a.txt";
    file.nameLength = files::kNameNulTerminated;
    EXPECT_EQ(files::DeclaredName(file), "a.txt");
    file.name = "\x03"
                "abcdef";
    file.nameLength = files::kNameLengthPrefixed;
    EXPECT_EQ(files::DeclaredName(file), "abc");
}

TEST(OperationNameTest, SpotRowsAndBounds)
{
    struct Case {
        std::int32_t code;
        const char* name;
    };
    for (const Case c :
        { Case { 0, "(0)" }, Case { 1, "ADD" }, Case { 3, "BUILDfile" }, Case { 23, "NAME" },
            Case { 24, "NEXT" }, Case { 34, "BUILDdynfilter" }, Case { 35, "(35)" },
            Case { 39, "(39)" }, Case { 40, "ROLLBACK" }, Case { 52, "BYTES" }, Case { 60, "SEND" },
            Case { 71, "SET_PROPERTY" }, Case { 74, "QUERY_VIEW" }, Case { 87, "Internal" },
            Case { 88, "DO_PROPERTY" }, Case { 91, "Internal" }, Case { 92, "INVIEW" },
            Case { 93, "ENDVIEW" }, Case { 94, "" }, Case { -1, "" } }) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(files::OperationName(files::Operation { c.code }), c.name);
    }
    EXPECT_EQ(files::OperationName(files::Operation::SetKeyKeyPtr), "SETkeykeyptr");
    EXPECT_EQ(files::OperationName(files::Operation::GetPropertyKey), "GETPROPERTYkey");
}

} // namespace
