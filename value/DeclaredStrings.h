#pragma once

#include <value/StringStack.h>

#include <cstdint>
#include <cstring>
#include <string_view>

// The 4GL's declared string variables as C++ value types of fixed size. Assigning to one
// follows the string stack's rules: truncation to the declared size, blank filling for STRING,
// a terminating NUL for CSTRING, a length byte for PSTRING. A new variable is cleared: a STRING
// to blanks, a CSTRING and a PSTRING to empty.

namespace value {

/// STRING(N): exactly N characters, blank filled on the right.
template<std::uint32_t N> class STRING {
    static_assert(N > 0, "a STRING holds at least one character");

public:
    static constexpr std::uint32_t kSize = N;

    STRING() { Clear(); }
    explicit STRING(std::string_view text) { Assign(text); }

    STRING& operator=(std::string_view text)
    {
        Assign(text);
        return *this;
    }
    void Assign(std::string_view text)
    {
        AssignString(m_bytes, N, text.data(), static_cast<std::int64_t>(text.size()));
    }
    void Clear(ClearValue value = ClearValue::Blank)
    {
        AssignString(m_bytes, N, nullptr, static_cast<std::int64_t>(value));
    }

    /// All N characters, trailing blanks included.
    std::string_view View() const { return { m_bytes, N }; }
    char* Data() { return m_bytes; }
    const char* Data() const { return m_bytes; }

    /// Pushes the variable borrowed: the stack's entry reads this storage.
    void Push() const { PushString(m_bytes, N); }
    /// Pops the top of the string stack into the variable.
    void Pop() { PopToString(m_bytes, N); }

private:
    char m_bytes[N];
};

/// CSTRING(N): at most N - 1 characters followed by a NUL.
template<std::uint32_t N> class CSTRING {
    static_assert(N > 0, "a CSTRING needs room for its terminator");

public:
    static constexpr std::uint32_t kSize = N;

    CSTRING() { Clear(); }
    explicit CSTRING(std::string_view text) { Assign(text); }

    CSTRING& operator=(std::string_view text)
    {
        Assign(text);
        return *this;
    }
    void Assign(std::string_view text)
    {
        AssignCString(m_bytes, N, text.data(), static_cast<std::int64_t>(text.size()));
    }
    void Clear(ClearValue value = ClearValue::Blank)
    {
        AssignCString(m_bytes, N, nullptr, static_cast<std::int64_t>(value));
    }

    /// The characters before the first NUL (all N when raw writes left none).
    std::string_view View() const
    {
        const void* nul = std::memchr(m_bytes, '\0', N);
        return { m_bytes,
            nul == nullptr ? N
                           : static_cast<std::size_t>(static_cast<const char*>(nul) - m_bytes) };
    }
    char* Data() { return m_bytes; }
    const char* Data() const { return m_bytes; }

    void Push() const { PushString(View()); }
    void Pop() { PopToCString(m_bytes, N); }

private:
    char m_bytes[N];
};

/// PSTRING(N): a length byte, then at most N - 1 (and never more than 255) characters.
template<std::uint32_t N> class PSTRING {
    static_assert(N > 0, "a PSTRING needs room for its length byte");

public:
    static constexpr std::uint32_t kSize = N;

    PSTRING() { Clear(); }
    explicit PSTRING(std::string_view text) { Assign(text); }

    PSTRING& operator=(std::string_view text)
    {
        Assign(text);
        return *this;
    }
    void Assign(std::string_view text)
    {
        AssignPString(m_bytes, N, text.data(), static_cast<std::int64_t>(text.size()));
    }
    void Clear(ClearValue value = ClearValue::Blank)
    {
        AssignPString(m_bytes, N, nullptr, static_cast<std::int64_t>(value));
    }

    /// The characters counted by the length byte (never past the declared size).
    std::string_view View() const
    {
        std::size_t length = static_cast<unsigned char>(m_bytes[0]);
        return { m_bytes + 1, length < N ? length : N - 1 };
    }
    char* Data() { return m_bytes; }
    const char* Data() const { return m_bytes; }

    void Push() const { PushString(View()); }
    void Pop() { PopToPString(m_bytes, N); }

private:
    char m_bytes[N];
};

} // namespace value
