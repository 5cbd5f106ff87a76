#include <files/FileDeclaration.h>
#include <platform/Ascii.h>

#include <cstring>

namespace files {

namespace {

constexpr FileError kInvalidFieldTypeDescriptor = FileError::InvalidFieldTypeDescriptor;
constexpr FileError kUnsupportedDataType = FileError::UnsupportedDataType;
constexpr std::uint8_t kStringSizeBase = 0x20;

void PutUint32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetUint32(const std::uint8_t* bytes)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    return value;
}

} // namespace

std::string_view DeclaredName(const FileDeclaration& file)
{
    if (file.name == nullptr)
        return {};
    if (file.nameLength == kNameNulTerminated)
        return std::string_view(file.name);
    if (file.nameLength == kNameLengthPrefixed)
        return std::string_view(file.name + 1, static_cast<unsigned char>(file.name[0]));
    if (file.nameLength < 0)
        return {};
    return std::string_view(file.name, static_cast<std::size_t>(file.nameLength));
}

bool HasEncodedSize(value::TypeCode type)
{
    return type == value::TypeCode::String || type == value::TypeCode::CString
        || type == value::TypeCode::PString;
}

TypeDescriptorBuilder& TypeDescriptorBuilder::Group(std::string_view label)
{
    if (m_open.empty() && m_closedOutermost) {
        m_failed = true;
        return *this;
    }
    OpenGroup group { m_bytes.size(), 0, 0 };
    m_bytes.push_back(static_cast<std::uint8_t>(value::TypeCode::Group));
    m_bytes.push_back(label.empty() ? 0 : kHasLabel);
    m_bytes.resize(m_bytes.size() + 12, 0);
    AddLabel(label);
    m_open.push_back(group);
    return *this;
}

TypeDescriptorBuilder& TypeDescriptorBuilder::End()
{
    if (m_open.empty()) {
        m_failed = true;
        return *this;
    }
    const OpenGroup group = m_open.back();
    m_open.pop_back();
    PutUint32(m_bytes, group.headerOffset + 2, group.size);
    PutUint32(m_bytes, group.headerOffset + 6, group.count);
    PutUint32(m_bytes, group.headerOffset + 10,
        static_cast<std::uint32_t>(m_bytes.size() - group.headerOffset));
    if (m_open.empty())
        m_closedOutermost = true;
    else
        AddToGroup(group.size);
    return *this;
}

TypeDescriptorBuilder& TypeDescriptorBuilder::String(std::string_view label, std::uint32_t size)
{
    SizedString(value::TypeCode::String, label, size);
    return *this;
}

TypeDescriptorBuilder& TypeDescriptorBuilder::CString(std::string_view label, std::uint32_t size)
{
    SizedString(value::TypeCode::CString, label, size);
    return *this;
}

TypeDescriptorBuilder& TypeDescriptorBuilder::PString(std::string_view label, std::uint32_t size)
{
    SizedString(value::TypeCode::PString, label, size);
    return *this;
}

TypeDescriptorBuilder& TypeDescriptorBuilder::Scalar(value::TypeCode type, std::string_view label)
{
    const std::uint32_t size = value::TypeCodeSize(static_cast<std::uint8_t>(type));
    if (size == 0 || HasEncodedSize(type) || type == value::TypeCode::Group || m_open.empty()) {
        m_failed = true;
        return *this;
    }
    Entry(type, label);
    AddLabel(label);
    AddToGroup(size);
    return *this;
}

std::vector<std::uint8_t> TypeDescriptorBuilder::Build() const
{
    if (m_failed || !m_open.empty() || !m_closedOutermost)
        return {};
    return m_bytes;
}

void TypeDescriptorBuilder::SizedString(
    value::TypeCode type, std::string_view label, std::uint32_t size)
{
    if (size == 0 || size > kMaxEncodedStringSize || m_open.empty()) {
        m_failed = true;
        return;
    }
    Entry(type, label);
    m_bytes.push_back(static_cast<std::uint8_t>(kStringSizeBase + (size >> 8)));
    m_bytes.push_back(static_cast<std::uint8_t>(size & 0xFF));
    AddLabel(label);
    AddToGroup(size);
}

void TypeDescriptorBuilder::Entry(value::TypeCode type, std::string_view label)
{
    m_bytes.push_back(static_cast<std::uint8_t>(type));
    m_bytes.push_back(label.empty() ? 0 : kHasLabel);
}

void TypeDescriptorBuilder::AddLabel(std::string_view label)
{
    if (label.empty())
        return;
    for (const char c : label)
        m_bytes.push_back(static_cast<std::uint8_t>(platform::AsciiUpper(c)));
    m_bytes.push_back(0);
}

void TypeDescriptorBuilder::AddToGroup(std::uint32_t size)
{
    OpenGroup& group = m_open.back();
    group.size += size;
    group.count += 1;
}

namespace {

/// Reads the descriptor's entries, flattening nested GROUPs.
class DescriptorWalker {
public:
    DescriptorWalker(const std::uint8_t* bytes, std::size_t length)
        : m_bytes(bytes)
        , m_length(length)
    {
    }

    /// Walks the GROUP whose header starts at `position`; answers 0 or the error.
    FileError WalkGroup(std::size_t& position, std::size_t depth, FieldTable& table)
    {
        if (depth > kMaxGroupNesting || m_length - position < kGroupHeaderSize
            || m_bytes[position] != static_cast<std::uint8_t>(value::TypeCode::Group))
            return kInvalidFieldTypeDescriptor;
        const std::uint8_t flags = m_bytes[position + 1];
        const std::uint32_t count = GetUint32(m_bytes + position + 6);
        const std::uint32_t groupLength = GetUint32(m_bytes + position + 10);
        if (groupLength < kGroupHeaderSize || groupLength > m_length - position)
            return kInvalidFieldTypeDescriptor;
        const std::size_t groupEnd = position + groupLength;
        position += kGroupHeaderSize;
        std::string ignoredLabel;
        if ((flags & kHasLabel) != 0 && !ReadLabel(position, groupEnd, ignoredLabel))
            return kInvalidFieldTypeDescriptor;
        for (std::uint32_t i = 0; i < count; ++i) {
            if (position >= groupEnd)
                return kInvalidFieldTypeDescriptor;
            if (m_bytes[position] == static_cast<std::uint8_t>(value::TypeCode::Group)) {
                if (const FileError error = WalkGroup(position, depth + 1, table);
                    error != FileError::None)
                    return error;
                continue;
            }
            if (const FileError error = ReadField(position, groupEnd, table);
                error != FileError::None)
                return error;
        }
        if (position != groupEnd)
            return kInvalidFieldTypeDescriptor;
        return FileError::None;
    }

private:
    FileError ReadField(std::size_t& position, std::size_t end, FieldTable& table)
    {
        if (end - position < 2)
            return kInvalidFieldTypeDescriptor;
        FieldInfo field;
        field.type = static_cast<value::TypeCode>(m_bytes[position]);
        const std::uint8_t flags = m_bytes[position + 1];
        position += 2;
        if (HasEncodedSize(field.type)) {
            if (end - position < 2 || m_bytes[position] < kStringSizeBase)
                return kInvalidFieldTypeDescriptor;
            field.size = (static_cast<std::uint32_t>(m_bytes[position] - kStringSizeBase) << 8)
                | m_bytes[position + 1];
            position += 2;
        } else {
            field.size = value::TypeCodeSize(m_bytes[position - 2]);
        }
        if ((flags & kHasLabel) != 0 && !ReadLabel(position, end, field.label))
            return kInvalidFieldTypeDescriptor;
        if (field.size == 0)
            return kUnsupportedDataType;
        field.offset = m_offset;
        m_offset += field.size;
        table.fields.push_back(std::move(field));
        return FileError::None;
    }

    bool ReadLabel(std::size_t& position, std::size_t end, std::string& label)
    {
        const void* nul = std::memchr(m_bytes + position, 0, end - position);
        if (nul == nullptr)
            return false;
        const std::size_t length = static_cast<std::size_t>(
            static_cast<const std::uint8_t*>(nul) - (m_bytes + position));
        label.assign(reinterpret_cast<const char*>(m_bytes + position), length);
        position += length + 1;
        return true;
    }

    const std::uint8_t* m_bytes;
    std::size_t m_length;
    std::uint32_t m_offset = 0;
};

} // namespace

FieldTable WalkTypeDescriptor(const std::uint8_t* descriptor)
{
    FieldTable table;
    if (descriptor == nullptr
        || descriptor[0] != static_cast<std::uint8_t>(value::TypeCode::Group)) {
        table.error = kInvalidFieldTypeDescriptor;
        return table;
    }
    // The header's own total length bounds every read; it is checked against itself first.
    const std::size_t length = GetUint32(descriptor + 10);
    std::size_t position = 0;
    table.error = DescriptorWalker(descriptor, length).WalkGroup(position, 1, table);
    if (table.error != FileError::None)
        table.fields.clear();
    return table;
}

} // namespace files
