#pragma once

#include <window/RecordLayout.h>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Builds descriptor bodies by hand for tests. Every offset it answers or takes is a block
// offset, counted as the loader counts them: two bytes before the body's first byte. It checks
// nothing, so a test can build any malformed body it needs.

namespace window::testing {

class BodyBuilder {
public:
    /// A body whose first window reference is 0 (set it with FirstWindow).
    BodyBuilder()
        : m_body(4, std::byte { 0 })
    {
    }

    /// Offset the next appended byte will have.
    std::int32_t End() const { return static_cast<std::int32_t>(m_body.size() + 2); }

    void FirstWindow(std::int32_t offset) { SetI32(2, offset); }

    /// Appends the text and its NUL; 0 for the empty text, as the compiler stores it.
    std::int32_t String(std::string_view text)
    {
        if (text.empty())
            return 0;
        const std::int32_t at = End();
        for (char c : text)
            m_body.push_back(static_cast<std::byte>(c));
        m_body.push_back(std::byte { 0 });
        return at;
    }

    /// Appends the bytes as they are (no NUL added).
    std::int32_t Raw(std::string_view bytes)
    {
        const std::int32_t at = End();
        for (char c : bytes)
            m_body.push_back(static_cast<std::byte>(c));
        return at;
    }

    std::int32_t Font(
        std::string_view face, std::int32_t size, std::uint32_t colour, std::int32_t weight)
    {
        const std::int32_t faceAt = String(face);
        const std::int32_t at = Zeros(16);
        SetI32(at, faceAt);
        SetI32(at + 4, size);
        SetU32(at + 8, colour);
        SetI32(at + 12, weight);
        return at;
    }

    std::int32_t Colours(std::uint32_t text, std::uint32_t background, std::uint32_t selected)
    {
        const std::int32_t at = Zeros(12);
        SetU32(at, text);
        SetU32(at + 4, background);
        SetU32(at + 8, selected);
        return at;
    }

    /// Stores the values as a chain of cells with the head last, as the compiler does;
    /// answers the head (0 for no values).
    std::int32_t ValueList(const std::vector<std::int32_t>& values)
    {
        std::int32_t next = 0;
        for (auto value = values.rbegin(); value != values.rend(); ++value) {
            const std::int32_t at = Zeros(8);
            SetI32(at, *value);
            SetI32(at + 4, next);
            next = at;
        }
        return next;
    }

    std::int32_t Use(std::uint8_t type, std::int32_t size, std::string_view picture = {})
    {
        const std::int32_t pictureAt = String(picture);
        const std::int32_t at = Zeros(9);
        SetU8(at, type);
        SetI32(at + 1, size);
        SetI32(at + 5, pictureAt);
        return at;
    }

    /// Appends a zeroed record of the type's size with its type code set.
    std::int32_t Record(RecordType type, std::uint32_t size)
    {
        const std::int32_t at = Zeros(size);
        SetU8(at, static_cast<std::uint8_t>(type));
        return at;
    }

    /// Appends `count` zero bytes.
    std::int32_t Zeros(std::uint32_t count)
    {
        const std::int32_t at = End();
        m_body.resize(m_body.size() + count, std::byte { 0 });
        return at;
    }

    void SetU8(std::int32_t at, std::uint8_t value) { m_body[Index(at)] = std::byte { value }; }
    void SetU16(std::int32_t at, std::uint16_t value)
    {
        for (int i = 0; i < 2; ++i)
            SetU8(at + i, static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void SetU32(std::int32_t at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            SetU8(at + i, static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void SetI32(std::int32_t at, std::int32_t value)
    {
        SetU32(at, static_cast<std::uint32_t>(value));
    }

    // The same, at a field of the record at `record`.
    void SetU8(std::int32_t record, std::uint32_t field, std::uint8_t value)
    {
        SetU8(Field(record, field), value);
    }
    void SetU16(std::int32_t record, std::uint32_t field, std::uint16_t value)
    {
        SetU16(Field(record, field), value);
    }
    void SetU32(std::int32_t record, std::uint32_t field, std::uint32_t value)
    {
        SetU32(Field(record, field), value);
    }
    void SetI32(std::int32_t record, std::uint32_t field, std::int32_t value)
    {
        SetI32(Field(record, field), value);
    }

    void SetPosition(
        std::int32_t at, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height)
    {
        SetI32(at, x);
        SetI32(at + 4, y);
        SetI32(at + 8, width);
        SetI32(at + 12, height);
    }

    const std::vector<std::byte>& Body() const { return m_body; }

    /// The resource content: the module name, its NUL, the body.
    std::vector<std::byte> Resource(std::string_view moduleName) const
    {
        std::vector<std::byte> bytes;
        for (char c : moduleName)
            bytes.push_back(static_cast<std::byte>(c));
        bytes.push_back(std::byte { 0 });
        bytes.insert(bytes.end(), m_body.begin(), m_body.end());
        return bytes;
    }

private:
    static std::int32_t Field(std::int32_t record, std::uint32_t field)
    {
        return record + static_cast<std::int32_t>(field);
    }
    static std::size_t Index(std::int32_t at) { return static_cast<std::size_t>(at - 2); }

    std::vector<std::byte> m_body;
};

} // namespace window::testing
