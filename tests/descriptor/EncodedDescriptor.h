#pragma once

#include <descriptor/Encoder.h>
#include <descriptor/Parser.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Reads an encoded descriptor the way the window engine's loader does, so that tests can
// follow offsets: the body is placed at position 2 of a block whose bytes 0 and 1 are 0.
// Reads outside the block fail the test and answer 0 rather than reading stray memory.

namespace descriptor_test {

class EncodedDescriptor {
public:
    explicit EncodedDescriptor(std::span<const std::byte> content)
    {
        std::size_t nul = 0;
        while (nul < content.size() && content[nul] != std::byte { 0 })
            ++nul;
        for (std::size_t i = 0; i < nul; ++i)
            m_module.push_back(static_cast<char>(content[i]));
        m_block.assign(2, 0);
        for (std::size_t i = nul + 1; i < content.size(); ++i)
            m_block.push_back(static_cast<unsigned char>(content[i]));
    }

    const std::string& Module() const { return m_module; }
    std::size_t BlockSize() const { return m_block.size(); }

    std::uint8_t U8(std::int64_t at) const { return Has(at, 1) ? m_block[Index(at)] : 0; }
    std::uint16_t U16(std::int64_t at) const
    {
        return static_cast<std::uint16_t>(U8(at) | (U8(at + 1) << 8));
    }
    std::uint32_t U32(std::int64_t at) const
    {
        return static_cast<std::uint32_t>(U16(at))
            | (static_cast<std::uint32_t>(U16(at + 2)) << 16);
    }
    std::int32_t I32(std::int64_t at) const { return static_cast<std::int32_t>(U32(at)); }

    /// The NUL-terminated text at `at`; offset 0 reads as the empty text, as in the loader.
    std::string Text(std::int64_t at) const
    {
        std::string text;
        while (Has(at, 1) && m_block[Index(at)] != 0)
            text.push_back(static_cast<char>(m_block[Index(at++)]));
        EXPECT_TRUE(Has(at, 1)) << "text runs off the block";
        return text;
    }

    /// The values of a value list, from its head along the chain.
    std::vector<std::int32_t> ValueList(std::int32_t head) const
    {
        std::vector<std::int32_t> values;
        for (std::int32_t cell = head; cell != 0 && values.size() <= m_block.size();
             cell = I32(cell + 4))
            values.push_back(I32(cell));
        return values;
    }

    std::int32_t FirstWindow() const { return I32(2); }

private:
    bool Has(std::int64_t at, std::int64_t count) const
    {
        const bool inside = at >= 0 && at + count <= static_cast<std::int64_t>(m_block.size());
        EXPECT_TRUE(inside) << "read of " << count << " bytes at " << at << " outside a block of "
                            << m_block.size();
        return inside;
    }
    static std::size_t Index(std::int64_t at) { return static_cast<std::size_t>(at); }

    std::string m_module;
    std::vector<unsigned char> m_block;
};

struct RecordSpan {
    std::int32_t offset;
    std::uint8_t type;
};

/// Walks every record reachable from the first window, as the loader's tree walk does, and
/// checks that each lies inside the block with its size for its type, that no two records
/// overlap, and that every sibling and child a record refers to is stored in front of it.
/// Answers the records in walk order.
inline std::vector<RecordSpan> WalkRecords(const EncodedDescriptor& encoded)
{
    struct Links {
        std::uint8_t type;
        std::int32_t size;
        std::vector<std::int32_t> children; ///< fields holding a child record
    };
    static const Links kLinks[] = {
        { 25, 116, { 0x1D, 0x5D, 0x61 } },
        { 22, 73, { 0x15 } },
        { 19, 93, { 0x59 } },
        { 20, 89, {} },
        { 23, 81, { 0x49 } },
        { 13, 81, { 0x49 } },
        { 2, 59, {} },
        { 8, 82, {} },
        { 9, 90, {} },
        { 10, 57, {} },
        { 12, 77, {} },
        { 14, 86, {} },
        { 17, 82, {} },
        { 33, 86, {} },
        { 34, 86, {} },
        { 39, 65, {} },
    };
    std::vector<RecordSpan> records;
    std::vector<std::pair<std::int32_t, std::int32_t>> taken; // [start, end)
    std::vector<std::int32_t> pending { encoded.FirstWindow() };
    while (!pending.empty() && records.size() < encoded.BlockSize()) {
        std::int32_t record = pending.back();
        pending.pop_back();
        for (; record != 0 && records.size() < encoded.BlockSize();
             record = encoded.I32(record + 1)) {
            const std::uint8_t type = encoded.U8(record);
            const Links* links = nullptr;
            for (const Links& candidate : kLinks) {
                if (candidate.type == type)
                    links = &candidate;
            }
            if (links == nullptr) {
                ADD_FAILURE() << "record at " << record << " has unknown type " << int(type);
                return records;
            }
            const std::int32_t end = record + links->size;
            EXPECT_GE(record, 6) << "a record inside the body, after its first dword";
            EXPECT_LE(end, static_cast<std::int32_t>(encoded.BlockSize()));
            for (const auto& [start, stop] : taken)
                EXPECT_TRUE(end <= start || record >= stop)
                    << "records at " << record << " and " << start << " overlap";
            taken.emplace_back(record, end);
            records.push_back({ record, type });
            const std::int32_t next = encoded.I32(record + 1);
            EXPECT_LT(next, record)
                << "the next sibling of " << record << " is stored in front of it";
            for (const std::int32_t field : links->children) {
                const std::int32_t child = encoded.I32(record + field);
                if (child == 0)
                    continue;
                EXPECT_LT(child, record) << "a child of " << record << " is stored in front of it";
                pending.push_back(child);
            }
        }
    }
    return records;
}

/// Parses a declaration that the test expects to be valid and encodes it.
inline std::vector<std::byte> EncodeText(std::string_view text)
{
    const descriptor::ParseResult result = descriptor::Parse(text);
    EXPECT_FALSE(result.IsError())
        << "line " << result.Error().line << ": " << result.Error().message;
    if (result.IsError())
        return {};
    return descriptor::Encode(result.Value());
}

} // namespace descriptor_test
