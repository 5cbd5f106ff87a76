#include "Descriptor.h"

#include <value/Heap.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace window {

namespace {

/// The body starts here; a reference below it (other than 0) points at the two bytes the
/// loader put in front of the body and is malformed.
constexpr std::int64_t kBodyStart = layout::kBodyStart;

bool IsBodyReference(std::int64_t reference)
{
    return reference >= kBodyStart;
}

/// The field holding the first child of a record, or 0 for a kind without children.
std::uint32_t ChildField(const Record& record)
{
    switch (static_cast<RecordType>(record.Type())) {
    case RecordType::Group:
        return FindControlLayout(record.Type())->firstChild;
    case RecordType::Toolbar:
        return kToolbarLayout.firstChild;
    case RecordType::MenuBar:
        return layout::kMenuBarFirst;
    case RecordType::Menu:
        return layout::kMenuFirstChild;
    default:
        return 0;
    }
}

/// Walks the chain from `first` and every chain below it, a record before its children and
/// its children before its next sibling. The explicit stack keeps a deep (or hostile) tree off
/// the call stack; claiming every record's bytes makes a record reached twice (by a cycle or by
/// two parents) or one starting inside another a malformed tree rather than an endless walk.
class TreeWalk {
public:
    explicit TreeWalk(const DescriptorBlock& block)
        : m_block(block)
        , m_claimed(block.Size(), false)
    {
    }

    bool Add(std::int32_t first, std::int32_t container, std::uint32_t depth, TreePart part)
    {
        m_pending.push_back({ first, container, depth, part });
        while (!m_pending.empty()) {
            const TreeNode next = m_pending.back();
            m_pending.pop_back();
            if (next.offset != 0 && !Visit(next))
                return false;
        }
        return true;
    }

    /// Claims the bytes of a record. Records never overlap, so a record whose bytes are
    /// claimed already was reached twice or starts inside another one: the tree is malformed.
    /// Claiming also bounds the walk: no more records than the block has room for.
    bool Claim(const Record& record)
    {
        const auto begin = m_claimed.begin() + record.Offset();
        const auto end = begin + record.Extent();
        if (std::find(begin, end, true) != end)
            return false;
        std::fill(begin, end, true);
        return true;
    }

    std::vector<TreeNode> Take() { return std::move(m_nodes); }

private:
    bool Visit(const TreeNode& node)
    {
        const auto record = m_block.RecordAt(node.offset);
        if (!record || !Claim(*record))
            return false;
        m_nodes.push_back(node);
        m_pending.push_back({ record->NextSibling(), node.container, node.depth, node.part });
        const std::uint32_t childField = ChildField(*record);
        if (childField != 0) {
            const auto child = record->I32(childField);
            if (!child)
                return false;
            m_pending.push_back({ *child, node.offset, node.depth + 1, node.part });
        }
        return true;
    }

    const DescriptorBlock& m_block;
    std::vector<bool> m_claimed;
    std::vector<TreeNode> m_pending;
    std::vector<TreeNode> m_nodes;
};

} // namespace

// Records.

std::uint32_t RecordSize(std::uint8_t type)
{
    switch (static_cast<RecordType>(type)) {
    case RecordType::Window:
        return layout::kWindowSize;
    case RecordType::MenuBar:
        return layout::kMenuBarSize;
    case RecordType::Menu:
        return layout::kMenuSize;
    case RecordType::Item:
        return layout::kItemSize;
    case RecordType::Toolbar:
        return kToolbarLayout.size;
    default:
        break;
    }
    const ControlLayout* control = FindControlLayout(type);
    return control != nullptr ? control->size : layout::kHeadSize;
}

std::uint8_t Record::Type() const
{
    return U8(layout::kType).value_or(0);
}

std::int32_t Record::NextSibling() const
{
    return I32(layout::kNext).value_or(0);
}

std::uint32_t Record::Attributes() const
{
    return U32(layout::kAttributes).value_or(0);
}

std::int32_t Record::Equate() const
{
    return I32(layout::kEquate).value_or(0);
}

std::optional<std::int32_t> Record::I32(std::uint32_t field) const
{
    if (field > m_extent || m_extent - field < 4)
        return std::nullopt;
    return m_block->ReadI32(std::int64_t { m_offset } + field);
}

std::optional<std::uint32_t> Record::U32(std::uint32_t field) const
{
    if (field > m_extent || m_extent - field < 4)
        return std::nullopt;
    return m_block->ReadU32(std::int64_t { m_offset } + field);
}

std::optional<std::int16_t> Record::I16(std::uint32_t field) const
{
    if (field > m_extent || m_extent - field < 2)
        return std::nullopt;
    return m_block->ReadI16(std::int64_t { m_offset } + field);
}

std::optional<std::uint16_t> Record::U16(std::uint32_t field) const
{
    if (field > m_extent || m_extent - field < 2)
        return std::nullopt;
    return m_block->ReadU16(std::int64_t { m_offset } + field);
}

std::optional<std::uint8_t> Record::U8(std::uint32_t field) const
{
    if (field >= m_extent)
        return std::nullopt;
    return m_block->ReadU8(std::int64_t { m_offset } + field);
}

std::optional<std::string_view> Record::String(std::uint32_t field) const
{
    const auto reference = I32(field);
    if (!reference)
        return std::nullopt;
    return m_block->ReadString(*reference);
}

std::optional<Position> Record::PositionAt(std::uint32_t field) const
{
    const auto x = I32(field + layout::kPositionX);
    const auto y = I32(field + layout::kPositionY);
    const auto width = I32(field + layout::kPositionWidth);
    const auto height = I32(field + layout::kPositionHeight);
    if (!x || !y || !width || !height)
        return std::nullopt;
    return Position { *x, *y, *width, *height };
}

std::optional<HelpBlock> Record::HelpAt(std::uint32_t field) const
{
    if (field > m_extent || m_extent - field < layout::kHelpBlockSize)
        return std::nullopt;
    return m_block->ReadHelp(std::int64_t { m_offset } + field);
}

// The block.

std::optional<DescriptorBlock> DescriptorBlock::FromBody(std::span<const std::byte> body)
{
    constexpr auto kLargest = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    if (body.size() > kLargest - kBodyStart)
        return std::nullopt;
    const std::size_t size = body.size() + kBodyStart;
    char* bytes = value::AllocateBlock(size);
    if (bytes == nullptr)
        return std::nullopt;
    // Byte 1 is never meant to be read, but a reference of 1 could reach it: keep it defined.
    bytes[0] = 0;
    bytes[1] = 0;
    if (!body.empty())
        std::memcpy(bytes + kBodyStart, body.data(), body.size());
    return DescriptorBlock(bytes, size);
}

DescriptorBlock::DescriptorBlock(DescriptorBlock&& other) noexcept
    : m_bytes(std::exchange(other.m_bytes, nullptr))
    , m_size(std::exchange(other.m_size, 0))
{
}

DescriptorBlock& DescriptorBlock::operator=(DescriptorBlock&& other) noexcept
{
    if (this != &other) {
        value::ReleaseBlock(m_bytes);
        m_bytes = std::exchange(other.m_bytes, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

DescriptorBlock::~DescriptorBlock()
{
    value::ReleaseBlock(m_bytes);
}

std::span<const std::byte> DescriptorBlock::Bytes() const
{
    return { reinterpret_cast<const std::byte*>(m_bytes), m_size };
}

bool DescriptorBlock::Holds(std::int64_t offset, std::uint64_t width) const
{
    return offset >= 0 && width <= m_size && static_cast<std::uint64_t>(offset) <= m_size - width;
}

std::int32_t DescriptorBlock::FirstWindowOffset() const
{
    return ReadI32(kBodyStart).value_or(0);
}

std::optional<std::uint32_t> DescriptorBlock::ReadU32(std::int64_t offset) const
{
    if (!Holds(offset, 4))
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_bytes + offset);
    return std::uint32_t { bytes[0] } | std::uint32_t { bytes[1] } << 8
        | std::uint32_t { bytes[2] } << 16 | std::uint32_t { bytes[3] } << 24;
}

std::optional<std::int32_t> DescriptorBlock::ReadI32(std::int64_t offset) const
{
    const auto value = ReadU32(offset);
    if (!value)
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

std::optional<std::uint16_t> DescriptorBlock::ReadU16(std::int64_t offset) const
{
    if (!Holds(offset, 2))
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_bytes + offset);
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::optional<std::int16_t> DescriptorBlock::ReadI16(std::int64_t offset) const
{
    const auto value = ReadU16(offset);
    if (!value)
        return std::nullopt;
    return static_cast<std::int16_t>(*value);
}

std::optional<std::uint8_t> DescriptorBlock::ReadU8(std::int64_t offset) const
{
    if (!Holds(offset, 1))
        return std::nullopt;
    return static_cast<std::uint8_t>(m_bytes[offset]);
}

std::optional<std::string_view> DescriptorBlock::ReadString(std::int32_t reference) const
{
    if (reference == 0)
        return std::string_view(m_bytes, 0);
    if (!IsBodyReference(reference) || !Holds(reference, 1))
        return std::nullopt;
    const char* start = m_bytes + reference;
    const auto* nul = static_cast<const char*>(
        std::memchr(start, '\0', m_size - static_cast<std::size_t>(reference)));
    if (nul == nullptr)
        return std::nullopt;
    return std::string_view(start, static_cast<std::size_t>(nul - start));
}

std::optional<FontBlock> DescriptorBlock::ReadFont(std::int32_t reference) const
{
    if (!IsBodyReference(reference) || !Holds(reference, layout::kFontBlockSize))
        return std::nullopt;
    const std::int64_t at = reference;
    const auto face = ReadString(*ReadI32(at + layout::kFontFace));
    if (!face)
        return std::nullopt;
    return FontBlock { *face, *ReadI32(at + layout::kFontSize), *ReadU32(at + layout::kFontColour),
        *ReadI32(at + layout::kFontWeight) };
}

std::optional<ColourBlock> DescriptorBlock::ReadColours(std::int32_t reference) const
{
    if (!IsBodyReference(reference) || !Holds(reference, layout::kColourBlockSize))
        return std::nullopt;
    const std::int64_t at = reference;
    return ColourBlock { *ReadU32(at + layout::kColourText),
        *ReadU32(at + layout::kColourBackground), *ReadU32(at + layout::kColourSelected) };
}

std::optional<UseDescriptor> DescriptorBlock::ReadUse(std::int32_t reference) const
{
    if (!IsBodyReference(reference) || !Holds(reference, layout::kUseDescriptorSize))
        return std::nullopt;
    const std::int64_t at = reference;
    const auto picture = ReadString(*ReadI32(at + layout::kUsePicture));
    if (!picture)
        return std::nullopt;
    return UseDescriptor { *ReadU8(at + layout::kUseType), *ReadI32(at + layout::kUseSize),
        *picture };
}

std::optional<HelpBlock> DescriptorBlock::ReadHelp(std::int64_t offset) const
{
    if (!IsBodyReference(offset) || !Holds(offset, layout::kHelpBlockSize))
        return std::nullopt;
    const auto message = ReadString(*ReadI32(offset + layout::kHelpMessage));
    const auto tip = ReadString(*ReadI32(offset + layout::kHelpTip));
    const auto help = ReadString(*ReadI32(offset + layout::kHelpText));
    if (!message || !tip || !help)
        return std::nullopt;
    return HelpBlock { *message, *tip, *help, *ReadI32(offset + layout::kHelpKey),
        *ReadI32(offset + layout::kHelpAlerts) };
}

std::optional<std::vector<std::int32_t>> DescriptorBlock::ReadValueList(std::int32_t head) const
{
    // Cells of a sound list do not overlap, so a list longer than the block has room for
    // cells has gone round in a circle.
    const std::size_t room = m_size / layout::kValueCellSize;
    std::vector<std::int32_t> values;
    for (std::int32_t cell = head; cell != 0;
         cell = *ReadI32(std::int64_t { cell } + layout::kCellNext)) {
        if (!IsBodyReference(cell) || !Holds(cell, layout::kValueCellSize) || values.size() >= room)
            return std::nullopt;
        values.push_back(*ReadI32(std::int64_t { cell } + layout::kCellValue));
    }
    return values;
}

std::optional<Record> DescriptorBlock::RecordAt(std::int32_t offset) const
{
    if (!IsBodyReference(offset) || !Holds(offset, layout::kHeadSize))
        return std::nullopt;
    const std::uint32_t extent = RecordSize(*ReadU8(offset));
    if (!Holds(offset, extent))
        return std::nullopt;
    return Record(*this, offset, extent);
}

// Walks.

std::optional<std::vector<std::int32_t>> WindowRecords(const DescriptorBlock& block)
{
    const std::size_t room = block.Size() / layout::kHeadSize;
    std::vector<std::int32_t> windows;
    std::size_t steps = 0;
    for (std::int32_t offset = block.FirstWindowOffset(); offset != 0; ++steps) {
        const auto record = block.RecordAt(offset);
        if (!record || steps >= room)
            return std::nullopt;
        if (record->Is(RecordType::Window))
            windows.push_back(offset);
        offset = record->NextSibling();
    }
    return windows;
}

std::optional<std::vector<TreeNode>> WindowControls(const Record& window)
{
    const auto first = window.I32(layout::kWindowFirstControl);
    if (!window.Is(RecordType::Window) || !first)
        return std::nullopt;
    TreeWalk walk(window.Block());
    if (!walk.Claim(window) || !walk.Add(*first, 0, 0, TreePart::Control))
        return std::nullopt;
    return walk.Take();
}

namespace {

/// Walks the single record a window field names (menu bar or toolbar) and everything below
/// it. The record heads a chain of its own: a sibling would be a second menu bar or toolbar.
std::optional<std::vector<TreeNode>> WalkWindowPart(
    const Record& window, std::uint32_t field, RecordType type, TreePart part)
{
    const auto head = window.I32(field);
    if (!window.Is(RecordType::Window) || !head)
        return std::nullopt;
    if (*head == 0)
        return std::vector<TreeNode> {};
    const auto record = window.Block().RecordAt(*head);
    if (!record || !record->Is(type) || record->NextSibling() != 0)
        return std::nullopt;
    TreeWalk walk(window.Block());
    if (!walk.Claim(window) || !walk.Add(*head, 0, 0, part))
        return std::nullopt;
    return walk.Take();
}

} // namespace

std::optional<std::vector<TreeNode>> WindowMenus(const Record& window)
{
    return WalkWindowPart(window, layout::kWindowMenuBar, RecordType::MenuBar, TreePart::Menu);
}

std::optional<std::vector<TreeNode>> WindowToolbar(const Record& window)
{
    return WalkWindowPart(window, layout::kWindowToolbar, RecordType::Toolbar, TreePart::Toolbar);
}

} // namespace window
