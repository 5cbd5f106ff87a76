#include "MessageOverrides.h"

#include <memory>
#include <string>
#include <utility>

namespace value {

namespace {

struct Override {
    std::int32_t number;
    std::string text;
    std::unique_ptr<Override> next;
};

/// A singly linked list, newest first. It frees its records one by one: letting each
/// unique_ptr free the next would recurse once per record, and a file with very many ORVMSG
/// lines would overflow the stack at exit.
class OverrideList {
public:
    OverrideList() = default;
    OverrideList(const OverrideList&) = delete;
    OverrideList& operator=(const OverrideList&) = delete;
    ~OverrideList() { Clear(); }

    Override* Find(std::int32_t number) const
    {
        for (Override* record = m_head.get(); record != nullptr; record = record->next.get()) {
            if (record->number == number)
                return record;
        }
        return nullptr;
    }

    void PushFront(std::int32_t number, std::string_view text)
    {
        auto record = std::make_unique<Override>(Override { number, std::string(text), nullptr });
        record->next = std::move(m_head);
        m_head = std::move(record);
    }

    const Override* Head() const { return m_head.get(); }

    void Clear()
    {
        while (m_head)
            m_head = std::move(m_head->next);
    }

private:
    std::unique_ptr<Override> m_head;
};

OverrideList g_overrides;

} // namespace

void SetMessageOverride(std::int32_t number, std::string_view text)
{
    if (Override* record = g_overrides.Find(number))
        record->text.assign(text);
    else
        g_overrides.PushFront(number, text);
}

std::optional<std::string_view> FindMessageOverride(std::int32_t number)
{
    if (const Override* record = g_overrides.Find(number))
        return std::string_view(record->text);
    return std::nullopt;
}

std::vector<std::int32_t> MessageOverrideNumbers()
{
    std::vector<std::int32_t> numbers;
    for (const Override* record = g_overrides.Head(); record != nullptr;
         record = record->next.get())
        numbers.push_back(record->number);
    return numbers;
}

void ClearMessageOverrides()
{
    g_overrides.Clear();
}

} // namespace value
