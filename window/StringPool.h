#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

// Texts that windows and controls keep after their descriptor block is freed (message, tip and
// help texts, icon and cursor names). Many controls share the same texts, so each distinct text
// is stored once and counted; a window releases its texts when it closes.

namespace window {

class StringPool;

/// A counted reference to one text of a pool. Copying counts once more; the text is dropped
/// from the pool when its last reference goes. The empty text belongs to no pool and costs
/// nothing. A reference must not outlive its pool.
class PooledText {
public:
    PooledText() = default;
    PooledText(const PooledText& other);
    PooledText(PooledText&& other) noexcept;
    PooledText& operator=(PooledText other) noexcept;
    ~PooledText();

    /// The text; it stays put as long as any reference to it lives.
    std::string_view View() const { return m_text; }
    bool Empty() const { return m_text.empty(); }

    friend bool operator==(const PooledText& a, const PooledText& b)
    {
        return a.m_text == b.m_text;
    }
    friend bool operator==(const PooledText& a, std::string_view b) { return a.m_text == b; }

private:
    friend class StringPool;
    PooledText(StringPool* pool, std::string_view text)
        : m_pool(pool)
        , m_text(text)
    {
    }

    StringPool* m_pool = nullptr;
    std::string_view m_text;
};

/// A set of counted texts. Safe to use from any thread: interning and releasing take the
/// pool's own lock, and a text, once interned, is read without it.
class StringPool {
public:
    StringPool() = default;
    StringPool(const StringPool&) = delete;
    StringPool& operator=(const StringPool&) = delete;
    /// Every reference must be gone by now.
    ~StringPool() = default;

    /// A reference to the pool's copy of the text, adding it when it is new.
    PooledText Intern(std::string_view text);

    /// Distinct texts held.
    std::size_t Size() const;
    /// References held to the text; 0 when the pool does not hold it.
    std::size_t References(std::string_view text) const;

private:
    friend class PooledText;

    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const
        {
            return std::hash<std::string_view> {}(text);
        }
    };

    void AddReference(std::string_view text);
    void Release(std::string_view text);

    mutable std::mutex m_mutex;
    /// Text -> references. The map's nodes never move, so a view of a key stays valid until
    /// the key is erased.
    std::unordered_map<std::string, std::size_t, Hash, std::equal_to<>> m_texts;
};

/// The pool the window engine keeps its texts in. It lives until the process ends, so windows
/// released late at shutdown still find it.
StringPool& SharedTexts();

} // namespace window
