#include <platform/Clock.h>
#include <value/Collation.h>
#include <value/ErrorCode.h>
#include <value/Heap.h>
#include <value/Queue.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

namespace value {

namespace {

constexpr std::int32_t kErrorNullHandle = 7;
constexpr std::int32_t kErrorNoMemory = 8;
constexpr std::int32_t kErrorNotFound = 30;
constexpr std::int32_t kErrorBadKey = 75;
constexpr std::uint32_t kCounterFactor = 0x189635B;

using Record = char*;

struct Key {
    std::array<std::int32_t, kMaxQueueKeyFields> fields {};
    std::size_t count = 0;

    std::span<const std::int32_t> View() const { return { fields.data(), count }; }
    bool Empty() const { return count == 0; }
    friend bool operator==(const Key& a, const Key& b)
    {
        return std::equal(a.fields.begin(), a.fields.begin() + static_cast<std::ptrdiff_t>(a.count),
            b.fields.begin(), b.fields.begin() + static_cast<std::ptrdiff_t>(b.count));
    }
};

template<typename T> T Load(const char* at)
{
    T result;
    std::memcpy(&result, at, sizeof(T));
    return result;
}

template<typename T> std::int32_t CompareNumbers(const char* a, const char* b)
{
    const T x = Load<T>(a);
    const T y = Load<T>(b);
    return x < y ? -1 : (y < x ? 1 : 0);
}

/// The characters of a string field (STRING, CSTRING or PSTRING) as its comparison reads them.
std::string_view FieldText(const QueueField& field, const char* record)
{
    const char* x = record + field.offset;
    switch (field.type) {
    case TypeCode::CString:
        return { x, ::strnlen(x, field.size) };
    case TypeCode::PString: {
        const std::size_t limit = field.size == 0 ? 0 : field.size - 1;
        return { x + 1, std::min<std::size_t>(static_cast<unsigned char>(x[0]), limit) };
    }
    default:
        return { x, field.size };
    }
}

std::int32_t CompareField(const QueueField& field, const char* a, const char* b)
{
    const char* x = a + field.offset;
    const char* y = b + field.offset;
    switch (field.type) {
    case TypeCode::Byte:
        return CompareNumbers<std::uint8_t>(x, y);
    case TypeCode::Short:
        return CompareNumbers<std::int16_t>(x, y);
    case TypeCode::UShort:
        return CompareNumbers<std::uint16_t>(x, y);
    case TypeCode::Date:
    case TypeCode::Time:
    case TypeCode::Long:
        return CompareNumbers<std::int32_t>(x, y);
    case TypeCode::ULong:
        return CompareNumbers<std::uint32_t>(x, y);
    case TypeCode::SReal:
        return CompareNumbers<float>(x, y);
    case TypeCode::Real:
        return CompareNumbers<double>(x, y);
    case TypeCode::String:
    case TypeCode::CString:
    case TypeCode::PString:
        return CompareStrings(FieldText(field, a), FieldText(field, b));
    default:
        // Types without an order of their own here compare as their bytes.
        return std::memcmp(x, y, field.size);
    }
}

std::int32_t CompareByKey(
    const std::vector<QueueField>& fields, const Key& key, const char* a, const char* b)
{
    for (std::size_t i = 0; i < key.count; ++i) {
        const std::int32_t number = key.fields[i];
        const std::size_t index = static_cast<std::size_t>(number < 0 ? -number : number) - 1;
        const std::int32_t result = CompareField(fields[index], a, b);
        if (result != 0)
            return number < 0 ? (result < 0 ? 1 : -1) : result;
    }
    return 0;
}

/// One order of a queue's records: the records' references, the key they are sorted by
/// (empty for the base order while unsorted) and the current record.
struct Order {
    std::vector<Record> records;
    Key key;
    Record current = nullptr;
};

/// A whole-number field (not a real) as a 32-bit number in the same order.
std::uint32_t NumberLead(const QueueField& field, const char* record)
{
    constexpr std::uint32_t kSignBit = 0x80000000u;
    const char* x = record + field.offset;
    switch (field.type) {
    case TypeCode::Byte:
        return Load<std::uint8_t>(x);
    case TypeCode::UShort:
        return Load<std::uint16_t>(x);
    case TypeCode::ULong:
        return Load<std::uint32_t>(x);
    case TypeCode::Short:
        return static_cast<std::uint32_t>(std::int32_t { Load<std::int16_t>(x) }) ^ kSignBit;
    default: // LONG, DATE, TIME
        return static_cast<std::uint32_t>(Load<std::int32_t>(x)) ^ kSignBit;
    }
}

/// The character at `index` of a value that continues as blanks.
unsigned char PaddedChar(std::string_view text, std::size_t index)
{
    return index < text.size() ? static_cast<unsigned char>(text[index]) : ' ';
}

/// The collating weights of four characters of a value from `from` on, as one number. Without
/// digraphs two values compare as the weights of their first differing characters, and the
/// weights are a permutation (value/Collation.h); so when two values agree before `from`, they
/// compare as these numbers do wherever the numbers differ.
std::uint32_t TextLead(std::string_view text, std::size_t from)
{
    const auto& weights = Tables().weights;
    std::uint32_t lead = 0;
    for (std::size_t i = from; i < from + 4; ++i)
        lead = lead << 8 | weights[PaddedChar(text, i)];
    return lead;
}

/// The merge sort of an order. Each record enters the sort as its index and a 32-bit lead from
/// its first key field that orders two records as the field does wherever their leads differ:
/// a whole number's value, or the weights of four characters of a string, from the first
/// position where the records' strings differ at all. Most comparisons are then one comparison
/// of numbers lying side by side; only records with equal leads are compared field by field.
/// Every comparison answers as the field-by-field comparison would, so the order is exactly
/// that of sorting the records by the key. (Where most leads are equal, as for names that agree
/// in those four characters, the sort reads the records as often as without leads, and somewhat
/// more slowly.)
class Sorter {
public:
    Sorter(const std::vector<QueueField>& fields, const Key& key)
    {
        for (std::size_t i = 0; i < key.count; ++i) {
            const std::int32_t number = key.fields[i];
            m_parts[i].field = fields[static_cast<std::size_t>(number < 0 ? -number : number) - 1];
            m_parts[i].descending = number < 0;
        }
        m_count = key.count;
    }

    /// The records in the key's order; throws std::bad_alloc when memory runs out.
    std::vector<Record> Sort(const std::vector<Record>& records)
    {
        const std::size_t count = records.size();
        if (count < 2)
            return records;
        // Positions in a queue are 32-bit numbers, so an index fits an entry.
        const auto entries = std::make_unique_for_overwrite<Entry[]>(count);
        // A merge copies out its left half only, which is at most half the records rounded up.
        const auto scratch = std::make_unique_for_overwrite<Entry[]>(count / 2 + 1);
        std::vector<Record> sorted;
        sorted.reserve(count);

        ChooseLead(records);
        for (std::size_t i = 0; i < count; ++i)
            entries[i] = { LeadOf(records[i]), static_cast<std::uint32_t>(i) };
        m_records = records.data();
        m_scratch = scratch.get();
        Sort(entries.get(), 0, count - 1);
        for (std::size_t i = 0; i < count; ++i)
            sorted.push_back(records[entries[i].index]);
        return sorted;
    }

private:
    struct Entry {
        std::uint32_t lead;
        std::uint32_t index; ///< of the record in the records being sorted
    };

    enum class Lead { None, Number, Text };

    void Sort(Entry* items, std::size_t lo, std::size_t hi)
    {
        if (hi - lo < 9) {
            InsertionSort(items, lo, hi);
            return;
        }
        const std::size_t mid = (lo + hi) / 2;
        Sort(items, lo, mid);
        Sort(items, mid + 1, hi);
        Merge(items, lo, mid, hi);
    }

    /// Whether and how the first key field gives leads. Reals have none (a NaN compares equal
    /// to every number), nor have strings while digraphs are defined (a digraph compares as
    /// the two characters it stands for). The characters all the strings share decide nothing,
    /// so their leads start behind them.
    void ChooseLead(const std::vector<Record>& records)
    {
        const QueueField& field = m_parts[0].field;
        switch (field.type) {
        case TypeCode::Byte:
        case TypeCode::Short:
        case TypeCode::UShort:
        case TypeCode::Date:
        case TypeCode::Time:
        case TypeCode::Long:
        case TypeCode::ULong:
            m_lead = Lead::Number;
            return;
        case TypeCode::String:
        case TypeCode::CString:
        case TypeCode::PString:
            break;
        default:
            m_lead = Lead::None;
            return;
        }
        if (Tables().digraphs[0].character != 0) {
            m_lead = Lead::None;
            return;
        }
        m_lead = Lead::Text;
        const std::string_view first = FieldText(field, records.front());
        std::size_t shared = field.size;
        for (Record record : records) {
            const std::string_view text = FieldText(field, record);
            std::size_t i = 0;
            while (i < shared && PaddedChar(text, i) == PaddedChar(first, i))
                ++i;
            shared = i;
        }
        m_leadFrom = shared;
    }

    /// The record's lead, inverted for a descending field; the same for every record when the
    /// field has none.
    std::uint32_t LeadOf(Record record) const
    {
        const Part& part = m_parts[0];
        std::uint32_t lead = 0;
        if (m_lead == Lead::Number)
            lead = NumberLead(part.field, record);
        else if (m_lead == Lead::Text)
            lead = TextLead(FieldText(part.field, record), m_leadFrom);
        return part.descending ? ~lead : lead;
    }

    std::int32_t Compare(const Entry& a, const Entry& b) const
    {
        if (a.lead != b.lead)
            return a.lead < b.lead ? -1 : 1;
        const Record x = m_records[a.index];
        const Record y = m_records[b.index];
        for (std::size_t i = 0; i < m_count; ++i) {
            const std::int32_t result = CompareField(m_parts[i].field, x, y);
            if (result != 0)
                return m_parts[i].descending ? (result < 0 ? 1 : -1) : result;
        }
        return 0;
    }

    /// Each record goes after the last earlier one whose key is less than or equal to its own.
    void InsertionSort(Entry* items, std::size_t lo, std::size_t hi) const
    {
        for (std::size_t i = lo + 1; i <= hi; ++i) {
            const Entry item = items[i];
            std::size_t first = lo;
            std::size_t last = i;
            while (first < last) {
                const std::size_t middle = first + (last - first) / 2;
                if (Compare(items[middle], item) <= 0)
                    first = middle + 1;
                else
                    last = middle;
            }
            if (first != i) {
                std::memmove(items + first + 1, items + first, (i - first) * sizeof(Entry));
                items[first] = item;
            }
        }
    }

    /// The left records not above the right half's first stay; from the first greater one
    /// on, runs of right records (while left >= right) and left records (while right >= left)
    /// alternate, so equal keys from the two halves may change their order.
    void Merge(Entry* items, std::size_t lo, std::size_t mid, std::size_t hi) const
    {
        const Entry firstRight = items[mid + 1];
        std::size_t first = lo;
        std::size_t last = mid + 1;
        while (first < last) {
            const std::size_t middle = first + (last - first) / 2;
            if (Compare(items[middle], firstRight) <= 0)
                first = middle + 1;
            else
                last = middle;
        }
        if (first > mid)
            return;
        const std::size_t leftCount = mid + 1 - first;
        Entry* const scratch = m_scratch;
        std::memcpy(scratch, items + first, leftCount * sizeof(Entry));
        std::size_t left = 0;
        std::size_t right = mid + 1;
        std::size_t out = first;
        // A run ends on a comparison that already decides the next record of the other run.
        bool takeRight = true;
        while (left < leftCount && right <= hi) {
            if (takeRight) {
                if (Compare(scratch[left], items[right]) >= 0) {
                    items[out++] = items[right++];
                } else {
                    items[out++] = scratch[left++];
                    takeRight = false;
                }
            } else {
                if (Compare(items[right], scratch[left]) >= 0) {
                    items[out++] = scratch[left++];
                } else {
                    items[out++] = items[right++];
                    takeRight = true;
                }
            }
        }
        if (left < leftCount)
            std::memcpy(items + out, scratch + left, (leftCount - left) * sizeof(Entry));
    }

    struct Part {
        QueueField field;
        bool descending = false;
    };
    std::array<Part, kMaxQueueKeyFields> m_parts {};
    std::size_t m_count = 0;
    Lead m_lead = Lead::None;
    std::size_t m_leadFrom = 0;        ///< where text leads start
    const Record* m_records = nullptr; ///< being sorted
    Entry* m_scratch = nullptr;        ///< a merge's copy of its left half
};

std::uint32_t TimeNumberNow()
{
    const platform::LocalDateTime now = platform::Now();
    return static_cast<std::uint32_t>(now.hour) * 360000u + now.minute * 6000u + now.second * 100u
        + now.hundredths + 1u;
}

} // namespace

/// A queue's records and orders.
class QueueEngine {
public:
    explicit QueueEngine(const QueueHandle& handle)
        : m_buffer(handle.buffer)
        , m_recordSize(handle.recordSize)
        , m_counter(TimeNumberNow() * kCounterFactor)
    {
        if (handle.layout)
            m_fields = handle.layout->fields;
        m_orders.reserve(kMaxQueueOrders);
        m_mru.reserve(kMaxQueueOrders);
        ResetOrders();
    }

    ~QueueEngine() { ReleaseRecords(); }

    QueueEngine(const QueueEngine&) = delete;
    QueueEngine& operator=(const QueueEngine&) = delete;

    std::uint32_t Records() const { return static_cast<std::uint32_t>(Base().records.size()); }
    std::uint32_t ChangeCount() const { return m_counter; }

    void Get(std::int32_t position)
    {
        LeaveKeyMode();
        Order& base = Base();
        if (position <= 0 || static_cast<std::uint32_t>(position) > Records()) {
            if (position == 0)
                base.current = nullptr;
            PostErrorCode(kErrorNotFound);
            return;
        }
        const std::size_t index = static_cast<std::size_t>(position) - 1;
        base.current = base.records[index];
        m_baseHint = index;
        std::memcpy(m_buffer, base.current, m_recordSize);
    }

    void GetByKey(std::span<const std::int32_t> keyList)
    {
        if (!Select(keyList))
            return;
        if (!m_keyMode || Records() == 0) {
            PostErrorCode(kErrorNotFound);
            return;
        }
        if (!BuildPending())
            return;
        Order& order = *m_mru.front();
        const auto found = std::partition_point(order.records.begin(), order.records.end(),
            [&](Record r) { return CompareByKey(m_fields, order.key, r, m_buffer) < 0; });
        if (found == order.records.end()
            || CompareByKey(m_fields, order.key, *found, m_buffer) != 0) {
            PostErrorCode(kErrorNotFound);
            return;
        }
        order.current = *found;
        std::memcpy(m_buffer, order.current, m_recordSize);
    }

    void Add() { AddRecord(nullptr); }

    void AddByKey(std::span<const std::int32_t> keyList)
    {
        if (!Select(keyList))
            return;
        if (!m_keyMode) {
            AddRecord(nullptr);
            return;
        }
        if (Records() == 0 && m_hasPending) {
            // The base order itself takes the key of an add into an empty queue.
            Order& base = Base();
            base.key = m_pending;
            m_hasPending = false;
            MoveToFront(&base);
        } else if (!BuildPending()) {
            return;
        }
        AddRecord(m_mru.front());
    }

    std::uint32_t Pointer()
    {
        Order& front = *m_mru.front();
        if (!front.current)
            return 0;
        return BasePosition(front.current);
    }

    /// The pointer when it names a record; otherwise 0, with error 30 posted.
    std::uint32_t PointerOrError()
    {
        const std::uint32_t position = Pointer();
        if (position == 0 || position > Records()) {
            PostErrorCode(kErrorNotFound);
            return 0;
        }
        return position;
    }

    void Put()
    {
        const std::uint32_t position = PointerOrError();
        if (position == 0)
            return;
        Order& base = Base();
        const Record record = base.records[position - 1];
        try {
            for (auto& order : m_orders) {
                if (order.get() == &base)
                    continue;
                order->records.erase(Find(*order, record));
            }
            std::memcpy(record, m_buffer, m_recordSize);
            for (auto& order : m_orders) {
                if (order.get() == &base)
                    continue;
                order->records.insert(UpperBound(*order, record), record);
            }
        } catch (const std::bad_alloc&) {
            // An erase leaves room for the insert that follows it, so this cannot happen;
            // should it, the orders would be inconsistent: start them afresh.
            DropSortedOrders();
            PostErrorCode(kErrorNoMemory);
            return;
        }
        // The record stays at its position; a base order that was kept sorted no longer is.
        base.key = Key {};
        ++m_counter;
    }

    void Delete()
    {
        const std::uint32_t position = PointerOrError();
        if (position == 0)
            return;
        Order& base = Base();
        const Record record = base.records[position - 1];
        for (auto& order : m_orders) {
            if (order.get() == &base)
                order->records.erase(order->records.begin() + (position - 1));
            else
                order->records.erase(Find(*order, record));
            if (order->current == record)
                order->current = nullptr;
        }
        ReleaseBlock(record);
        ++m_counter;
    }

    void Free()
    {
        ReleaseRecords();
        ResetOrders();
        ++m_counter;
    }

private:
    Order& Base() { return *m_base; }
    const Order& Base() const { return *m_base; }

    void ResetOrders()
    {
        m_orders.clear();
        m_mru.clear();
        m_orders.push_back(std::make_unique<Order>());
        m_base = m_orders.front().get();
        m_mru.push_back(m_base);
        m_hasPending = false;
        m_keyMode = false;
        m_baseHint = 0;
    }

    void ReleaseRecords()
    {
        if (m_base) {
            for (Record record : m_base->records)
                ReleaseBlock(record);
            m_base->records.clear();
        }
    }

    void DropSortedOrders()
    {
        std::erase_if(m_orders, [&](const auto& order) { return order.get() != m_base; });
        m_mru.assign(1, m_base);
        m_hasPending = false;
    }

    void LeaveKeyMode()
    {
        m_keyMode = false;
        MoveToFront(m_base);
    }

    void MoveToFront(Order* order)
    {
        const auto at = std::find(m_mru.begin(), m_mru.end(), order);
        std::rotate(m_mru.begin(), at, at + 1);
    }

    /// Reads and checks the key list and selects its order; false after error 75.
    bool Select(std::span<const std::int32_t> keyList)
    {
        Key key;
        for (std::int32_t number : keyList) {
            if (number == 0 || key.count == kMaxQueueKeyFields)
                break;
            const std::int64_t magnitude = number < 0 ? -static_cast<std::int64_t>(number) : number;
            if (magnitude > static_cast<std::int64_t>(m_fields.size())) {
                PostErrorCode(kErrorBadKey);
                return false;
            }
            key.fields[key.count++] = number;
        }
        if (key.Empty()) {
            m_keyMode = false;
            return true;
        }
        m_keyMode = true;
        if (m_hasPending && m_pending == key)
            return true;
        for (auto& order : m_orders) {
            if (!order->key.Empty() && order->key == key) {
                MoveToFront(order.get());
                m_hasPending = false;
                return true;
            }
        }
        m_pending = key;
        m_hasPending = true;
        return true;
    }

    /// Builds the pending key's order, in a new order or in place of the least recently used
    /// one; false after error 8.
    bool BuildPending()
    {
        if (!m_hasPending)
            return true;
        try {
            // Sorted before any order changes, so that running out of memory leaves them all
            // as they were.
            std::vector<Record> sorted = Sorter(m_fields, m_pending).Sort(Base().records);
            Order* target = nullptr;
            if (m_orders.size() < kMaxQueueOrders) {
                m_orders.push_back(std::make_unique<Order>());
                target = m_orders.back().get();
                m_mru.push_back(target);
            } else {
                target = m_mru.back() == m_base ? m_mru[m_mru.size() - 2] : m_mru.back();
            }
            target->records = std::move(sorted);
            target->key = m_pending;
            target->current = nullptr;
            MoveToFront(target);
            m_hasPending = false;
            return true;
        } catch (const std::bad_alloc&) {
            PostErrorCode(kErrorNoMemory);
            return false;
        }
    }

    std::vector<Record>::iterator UpperBound(Order& order, Record record)
    {
        return std::partition_point(order.records.begin(), order.records.end(),
            [&](Record r) { return CompareByKey(m_fields, order.key, r, record) <= 0; });
    }

    /// The record's place in a sorted order: among its equal keys when the order is sorted
    /// by them, anywhere otherwise.
    std::vector<Record>::iterator Find(Order& order, Record record)
    {
        auto at = std::partition_point(order.records.begin(), order.records.end(),
            [&](Record r) { return CompareByKey(m_fields, order.key, r, record) < 0; });
        for (; at != order.records.end() && CompareByKey(m_fields, order.key, *at, record) == 0;
             ++at) {
            if (*at == record)
                return at;
        }
        return std::find(order.records.begin(), order.records.end(), record);
    }

    std::uint32_t BasePosition(Record record)
    {
        const auto& records = Base().records;
        if (m_baseHint < records.size() && records[m_baseHint] == record)
            return static_cast<std::uint32_t>(m_baseHint + 1);
        const auto at = std::find(records.begin(), records.end(), record);
        if (at == records.end())
            return 0;
        m_baseHint = static_cast<std::size_t>(at - records.begin());
        return static_cast<std::uint32_t>(m_baseHint + 1);
    }

    /// Stores the buffer and enters it into every order: at the key position of `selected`
    /// in the base order when given, at its end otherwise.
    void AddRecord(Order* selected)
    {
        if (!selected)
            LeaveKeyMode();
        Record record = AllocateBlock(m_recordSize == 0 ? 1 : m_recordSize);
        if (!record) {
            PostErrorCode(kErrorNoMemory);
            return;
        }
        std::memcpy(record, m_buffer, m_recordSize);
        Order& base = Base();
        // Reserve everywhere first, so that no order is changed when memory runs out.
        try {
            for (auto& order : m_orders) {
                auto& records = order->records;
                if (records.size() == records.capacity())
                    records.reserve(std::max<std::size_t>(16, records.size() * 2));
            }
        } catch (const std::bad_alloc&) {
            ReleaseBlock(record);
            PostErrorCode(kErrorNoMemory);
            return;
        }
        for (auto& order : m_orders) {
            if (order.get() != &base)
                order->records.insert(UpperBound(*order, record), record);
        }
        std::size_t index = base.records.size();
        if (selected) {
            const Key& key = selected->key;
            index = static_cast<std::size_t>(
                std::partition_point(base.records.begin(), base.records.end(),
                    [&](Record r) { return CompareByKey(m_fields, key, r, record) <= 0; })
                - base.records.begin());
            if (&base != selected && !(base.key == key))
                base.key = Key {};
        } else {
            base.key = Key {};
        }
        base.records.insert(base.records.begin() + static_cast<std::ptrdiff_t>(index), record);
        m_baseHint = index;
        for (auto& order : m_orders)
            order->current = record;
        ++m_counter;
    }

    char* m_buffer;
    std::uint32_t m_recordSize;
    std::uint32_t m_counter;
    std::vector<QueueField> m_fields;
    std::vector<std::unique_ptr<Order>> m_orders;
    std::vector<Order*> m_mru; ///< most recently used first
    Order* m_base = nullptr;
    Key m_pending;
    bool m_hasPending = false;
    bool m_keyMode = false;
    std::size_t m_baseHint = 0;
};

namespace {

/// The handle's engine, made on first use; null after error 7 or 8.
QueueEngine* EngineOf(QueueHandle* queue)
{
    if (!queue) {
        PostErrorCode(kErrorNullHandle);
        return nullptr;
    }
    if (!queue->engine) {
        void* memory = AllocateBlock(sizeof(QueueEngine));
        if (!memory) {
            PostErrorCode(kErrorNoMemory);
            return nullptr;
        }
        try {
            queue->engine = new (memory) QueueEngine(*queue);
        } catch (const std::bad_alloc&) {
            ReleaseBlock(memory);
            PostErrorCode(kErrorNoMemory);
            return nullptr;
        }
    }
    return queue->engine;
}

} // namespace

QueueHandle* QueueCreate(const QueueLayout& layout)
{
    char* block = AllocateZeroedBlock(sizeof(QueueHandle) + layout.recordSize);
    if (!block) {
        PostErrorCode(kErrorNoMemory);
        return nullptr;
    }
    auto* handle = new (block) QueueHandle;
    handle->buffer = block + sizeof(QueueHandle);
    handle->layout = &layout;
    handle->recordSize = layout.recordSize;
    handle->created = true;
    return handle;
}

std::uint32_t QueueRecords(QueueHandle* queue)
{
    QueueEngine* engine = EngineOf(queue);
    return engine ? engine->Records() : 0;
}

void QueueGet(QueueHandle* queue, std::int32_t position)
{
    if (QueueEngine* engine = EngineOf(queue))
        engine->Get(position);
}

void QueueGetByKey(QueueHandle* queue, std::span<const std::int32_t> key)
{
    if (QueueEngine* engine = EngineOf(queue))
        engine->GetByKey(key);
}

void QueueAdd(QueueHandle* queue)
{
    if (QueueEngine* engine = EngineOf(queue))
        engine->Add();
}

void QueueAddByKey(QueueHandle* queue, std::span<const std::int32_t> key)
{
    if (QueueEngine* engine = EngineOf(queue))
        engine->AddByKey(key);
}

std::uint32_t QueuePointer(QueueHandle* queue)
{
    QueueEngine* engine = EngineOf(queue);
    return engine ? engine->Pointer() : 0;
}

void QueuePut(QueueHandle* queue)
{
    if (QueueEngine* engine = EngineOf(queue))
        engine->Put();
}

void QueueDelete(QueueHandle* queue)
{
    if (QueueEngine* engine = EngineOf(queue))
        engine->Delete();
}

void QueueFree(QueueHandle* queue)
{
    if (QueueEngine* engine = EngineOf(queue))
        engine->Free();
}

std::uint32_t QueueChangeCount(QueueHandle* queue)
{
    QueueEngine* engine = EngineOf(queue);
    return engine ? engine->ChangeCount() : 0;
}

void QueueDispose(QueueHandle* queue)
{
    if (!queue)
        return;
    if (queue->engine) {
        queue->engine->~QueueEngine();
        ReleaseBlock(queue->engine);
        queue->engine = nullptr;
    }
    if (queue->created) {
        queue->~QueueHandle();
        ReleaseBlock(queue);
    }
}

std::int32_t CompareQueueRecords(const QueueLayout& layout, std::span<const std::int32_t> key,
    const char* left, const char* right)
{
    Key checked;
    for (std::int32_t number : key) {
        if (number == 0 || checked.count == kMaxQueueKeyFields)
            break;
        checked.fields[checked.count++] = number;
    }
    return CompareByKey(layout.fields, checked, left, right);
}

} // namespace value
