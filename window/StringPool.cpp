#include "StringPool.h"

#include <cassert>
#include <utility>

namespace window {

PooledText::PooledText(const PooledText& other)
    : m_pool(other.m_pool)
    , m_text(other.m_text)
{
    if (m_pool != nullptr)
        m_pool->AddReference(m_text);
}

PooledText::PooledText(PooledText&& other) noexcept
    : m_pool(std::exchange(other.m_pool, nullptr))
    , m_text(std::exchange(other.m_text, {}))
{
}

PooledText& PooledText::operator=(PooledText other) noexcept
{
    std::swap(m_pool, other.m_pool);
    std::swap(m_text, other.m_text);
    return *this;
}

PooledText::~PooledText()
{
    if (m_pool != nullptr)
        m_pool->Release(m_text);
}

PooledText StringPool::Intern(std::string_view text)
{
    if (text.empty())
        return {};
    std::lock_guard lock(m_mutex);
    auto found = m_texts.find(text);
    if (found == m_texts.end())
        found = m_texts.emplace(std::string(text), 0).first;
    ++found->second;
    return PooledText(this, found->first);
}

std::size_t StringPool::Size() const
{
    std::lock_guard lock(m_mutex);
    return m_texts.size();
}

std::size_t StringPool::References(std::string_view text) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_texts.find(text);
    return found == m_texts.end() ? 0 : found->second;
}

void StringPool::AddReference(std::string_view text)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_texts.find(text);
    assert(found != m_texts.end() && "a reference names a text its pool holds");
    if (found != m_texts.end())
        ++found->second;
}

void StringPool::Release(std::string_view text)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_texts.find(text);
    assert(
        found != m_texts.end() && found->second > 0 && "a reference names a text its pool holds");
    if (found != m_texts.end() && --found->second == 0)
        m_texts.erase(found);
}

StringPool& SharedTexts()
{
    // Never destroyed: a window closed by a static destructor at exit may still release.
    static StringPool* const pool = new StringPool;
    return *pool;
}

} // namespace window
