#include <value/Collation.h>
#include <value/ErrorCode.h>
#include <value/Heap.h>
#include <value/Queue.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <random>
#include <span>
#include <string>
#include <utility>
#include <vector>

using namespace value;

namespace {

// A record of STRING(10) NAME, LONG NUMBER, SHORT GROUPNO.
constexpr std::uint32_t kNameSize = 10;
const QueueLayout kLayout { {
                                { TypeCode::String, 0, kNameSize },
                                { TypeCode::Long, 10, 4 },
                                { TypeCode::Short, 14, 2 },
                            },
    16 };

constexpr std::int32_t kName = 1;
constexpr std::int32_t kNumber = 2;
constexpr std::int32_t kGroup = 3;

class QueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetCharacterTables();
        PostErrorCode(0);
        m_queue = QueueCreate(kLayout);
        ASSERT_NE(m_queue, nullptr);
    }
    void TearDown() override
    {
        QueueDispose(m_queue);
        SetAllocationHook(nullptr);
        PostErrorCode(0);
    }

    void Fill(std::string_view name, std::int32_t number, std::int16_t group = 0)
    {
        std::memset(m_queue->buffer, ' ', kNameSize);
        std::memcpy(m_queue->buffer, name.data(), std::min<std::size_t>(name.size(), kNameSize));
        std::memcpy(m_queue->buffer + 10, &number, 4);
        std::memcpy(m_queue->buffer + 14, &group, 2);
    }
    void Add(std::string_view name, std::int32_t number, std::int16_t group = 0)
    {
        Fill(name, number, group);
        QueueAdd(m_queue);
    }
    std::string Name() const
    {
        std::string name(m_queue->buffer, kNameSize);
        name.erase(name.find_last_not_of(' ') + 1);
        return name;
    }
    std::int32_t Number() const
    {
        std::int32_t number;
        std::memcpy(&number, m_queue->buffer + 10, 4);
        return number;
    }
    /// "name/number" of every record by position.
    std::vector<std::string> ByPosition()
    {
        std::vector<std::string> result;
        for (std::uint32_t i = 1; i <= QueueRecords(m_queue); ++i) {
            QueueGet(m_queue, static_cast<std::int32_t>(i));
            result.push_back(Name() + "/" + std::to_string(Number()));
        }
        return result;
    }

    QueueHandle* m_queue = nullptr;
};

TEST_F(QueueTest, NewQueueIsEmptyAndNullHandlePostsSeven)
{
    EXPECT_EQ(QueueRecords(m_queue), 0u);
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(QueueRecords(nullptr), 0u);
    EXPECT_EQ(ErrorCode(), 7);
    PostErrorCode(0);
    QueueAdd(nullptr);
    EXPECT_EQ(ErrorCode(), 7);
    QueueDispose(nullptr); // ignored
}

TEST_F(QueueTest, ReadsByPositionAndRejectsPositionsOutside)
{
    Add("ANA", 1);
    Add("BORIS", 2);
    Add("CVITA", 3);
    EXPECT_EQ(QueueRecords(m_queue), 3u);

    QueueGet(m_queue, 2);
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(Name(), "BORIS");
    EXPECT_EQ(QueuePointer(m_queue), 2u);

    for (std::int32_t position : { 0, -1, 4 }) {
        SCOPED_TRACE(position);
        Fill("KEEP", 99);
        PostErrorCode(0);
        QueueGet(m_queue, position);
        EXPECT_EQ(ErrorCode(), 30);
        EXPECT_EQ(Name(), "KEEP");
        EXPECT_EQ(Number(), 99);
    }
    // Position 0 leaves no current record.
    EXPECT_EQ(QueuePointer(m_queue), 0u);
}

struct KeyCase {
    const char* name;
    std::vector<std::int32_t> key;
    std::vector<std::string> expected; // the records in key order
};

class QueueKeyOrderTest
    : public QueueTest
    , public ::testing::WithParamInterface<KeyCase> { };

TEST_P(QueueKeyOrderTest, FindsEveryRecordByItsKey)
{
    const KeyCase& c = GetParam();
    Add("MARKO", 20, 2);
    Add("ANA", 5, 1);
    Add("IVA", -7, 2);
    Add("ANA", 3, 2);
    Add("BOJAN", 100, 1);
    const std::vector<std::string> before = ByPosition();

    std::vector<std::string> read;
    for (const std::string& expected : c.expected) {
        const auto slash = expected.find('/');
        Fill(expected.substr(0, slash), std::stoi(expected.substr(slash + 1)));
        PostErrorCode(0);
        QueueGetByKey(m_queue, c.key);
        EXPECT_EQ(ErrorCode(), 0) << expected;
        read.push_back(Name() + "/" + std::to_string(Number()));
    }
    EXPECT_EQ(read, c.expected);
    // Reading by key changes nothing that reads by position see.
    EXPECT_EQ(ByPosition(), before);
}

INSTANTIATE_TEST_SUITE_P(Keys, QueueKeyOrderTest,
    ::testing::Values(KeyCase { "NameThenNumber", { kName, kNumber },
                          { "ANA/3", "ANA/5", "BOJAN/100", "IVA/-7", "MARKO/20" } },
        KeyCase { "NumberAscending", { kNumber }, { "IVA/-7", "ANA/3", "ANA/5", "MARKO/20" } },
        KeyCase { "NumberDescending", { -kNumber }, { "BOJAN/100", "MARKO/20", "ANA/5" } },
        KeyCase { "NameDescendingNumberAscending", { -kName, kNumber },
            { "MARKO/20", "ANA/3", "ANA/5" } }),
    [](const auto& param) { return std::string(param.param.name); });

struct AddByKeyCase {
    const char* name;
    std::vector<std::int32_t> key;
    std::vector<std::string> expected; // positions after adding kAdded by the key
};

class QueueAddByKeyTest
    : public QueueTest
    , public ::testing::WithParamInterface<AddByKeyCase> { };

// Under the default tables every upper-case letter sorts before every lower-case one.
const std::pair<const char*, std::int32_t> kAdded[]
    = { { "b", 2 }, { "Z", 7 }, { "a", -1 }, { "Z", 3 }, { "a b", 0 }, { "a", 9 } };

TEST_P(QueueAddByKeyTest, KeepsTheBaseOrderInKeyOrder)
{
    for (const auto& [name, number] : kAdded) {
        Fill(name, number);
        QueueAddByKey(m_queue, GetParam().key);
        ASSERT_EQ(ErrorCode(), 0);
    }
    EXPECT_EQ(ByPosition(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Keys, QueueAddByKeyTest,
    ::testing::Values(AddByKeyCase { "CollatingName", { kName },
                          { "Z/7", "Z/3", "a/-1", "a/9", "a b/0", "b/2" } },
        AddByKeyCase {
            "NumberDescending", { -kNumber }, { "a/9", "Z/7", "Z/3", "b/2", "a b/0", "a/-1" } },
        AddByKeyCase { "NameDescendingNumberAscending", { -kName, kNumber },
            { "b/2", "a b/0", "a/-1", "a/9", "Z/3", "Z/7" } }),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(QueueTest, KeyReadFindsFirstOfEqualKeysAndPointerGivesBasePosition)
{
    Add("X", 1, 5);
    Add("Y", 2, 7);
    Add("Z", 3, 5);
    Add("W", 4, 5);
    Fill("", 0, 5);
    QueueGetByKey(m_queue, { kGroup });
    ASSERT_EQ(ErrorCode(), 0);
    EXPECT_EQ(Name(), "X");
    EXPECT_EQ(QueuePointer(m_queue), 1u);

    Fill("", 0, 7);
    QueueGetByKey(m_queue, { kGroup });
    EXPECT_EQ(Name(), "Y");
    EXPECT_EQ(QueuePointer(m_queue), 2u);

    // Replacing the found record through the pointer changes position 2.
    Fill("YY", 22, 7);
    QueuePut(m_queue);
    EXPECT_EQ(ErrorCode(), 0);
    QueueGet(m_queue, 2);
    EXPECT_EQ(Name(), "YY");

    // A failed key read keeps the buffer.
    Fill("KEEP", 9, 6);
    QueueGetByKey(m_queue, { kGroup });
    EXPECT_EQ(ErrorCode(), 30);
    EXPECT_EQ(Name(), "KEEP");
}

TEST_F(QueueTest, KeyReadErrors)
{
    Fill("A", 1);
    QueueGetByKey(m_queue, { kName });
    EXPECT_EQ(ErrorCode(), 30); // empty queue
    Add("A", 1);

    struct Case {
        std::vector<std::int32_t> key;
        std::int32_t error;
    };
    for (const Case& c : { Case { {}, 30 }, Case { { 0, kName }, 30 }, Case { { 4 }, 75 },
             Case { { kName, -4 }, 75 }, Case { { kName }, 0 } }) {
        PostErrorCode(0);
        Fill("A", 1);
        QueueGetByKey(m_queue, c.key);
        EXPECT_EQ(ErrorCode(), c.error) << c.key.size();
    }
}

TEST_F(QueueTest, AddByKeyKeepsBaseOrderSortedAndEqualKeysInArrivalOrder)
{
    const std::pair<const char*, std::int32_t> records[]
        = { { "M", 1 }, { "B", 2 }, { "M", 3 }, { "A", 4 }, { "M", 5 }, { "B", 6 } };
    for (const auto& [name, number] : records) {
        Fill(name, number);
        QueueAddByKey(m_queue, { kName });
        ASSERT_EQ(ErrorCode(), 0);
        EXPECT_EQ(Number(), number);
    }
    EXPECT_EQ(
        ByPosition(), (std::vector<std::string> { "A/4", "B/2", "B/6", "M/1", "M/3", "M/5" }));

    // The added record is current: the pointer gives where it went.
    Fill("C", 7);
    QueueAddByKey(m_queue, { kName });
    EXPECT_EQ(QueuePointer(m_queue), 4u);
}

TEST_F(QueueTest, ThreeEqualKeysAddedByKeyReadBackInArrivalOrder)
{
    for (std::int32_t number : { 1, 2, 3 }) {
        Fill("SAME", number);
        QueueAddByKey(m_queue, { kName });
    }
    EXPECT_EQ(ByPosition(), (std::vector<std::string> { "SAME/1", "SAME/2", "SAME/3" }));
}

TEST_F(QueueTest, AddsKeepEverySortedOrderInKeyOrder)
{
    Add("B", 2);
    Add("D", 4);
    Fill("B", 0);
    QueueGetByKey(m_queue, { kName }); // builds the order of NAME
    Fill("", 4);
    QueueGetByKey(m_queue, { -kNumber }); // and of NUMBER descending
    Add("A", 9);
    Add("C", 1);
    // Both orders take the new records without being built again.
    Fill("A", 0);
    QueueGetByKey(m_queue, { kName });
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(QueuePointer(m_queue), 3u);
    Fill("", 1);
    QueueGetByKey(m_queue, { -kNumber });
    EXPECT_EQ(Name(), "C");
    EXPECT_EQ(QueuePointer(m_queue), 4u);
    // Positions are arrival order.
    EXPECT_EQ(ByPosition(), (std::vector<std::string> { "B/2", "D/4", "A/9", "C/1" }));
}

TEST_F(QueueTest, PutReplacesAndResortsAndDeleteRemovesEverywhere)
{
    Add("A", 1);
    Add("B", 2);
    Add("C", 3);
    Fill("B", 0);
    QueueGetByKey(m_queue, { kName });
    ASSERT_EQ(QueuePointer(m_queue), 2u);
    Fill("Z", 2);
    QueuePut(m_queue);
    EXPECT_EQ(ErrorCode(), 0);
    // The renamed record is found by its new name only.
    Fill("B", 0);
    QueueGetByKey(m_queue, { kName });
    EXPECT_EQ(ErrorCode(), 30);
    PostErrorCode(0);
    Fill("Z", 0);
    QueueGetByKey(m_queue, { kName });
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(Number(), 2);
    EXPECT_EQ(QueuePointer(m_queue), 2u);

    QueueDelete(m_queue);
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(QueueRecords(m_queue), 2u);
    EXPECT_EQ(QueuePointer(m_queue), 0u);
    Fill("Z", 0);
    QueueGetByKey(m_queue, { kName });
    EXPECT_EQ(ErrorCode(), 30);
    EXPECT_EQ(ByPosition(), (std::vector<std::string> { "A/1", "C/3" }));

    // With no current record, put and delete find nothing.
    PostErrorCode(0);
    QueueGet(m_queue, 0);
    PostErrorCode(0);
    QueuePut(m_queue);
    EXPECT_EQ(ErrorCode(), 30);
    PostErrorCode(0);
    QueueDelete(m_queue);
    EXPECT_EQ(ErrorCode(), 30);
    EXPECT_EQ(QueueRecords(m_queue), 2u);
}

TEST_F(QueueTest, ChangeCounterMovesByOneForEachChange)
{
    const std::uint32_t start = QueueChangeCount(m_queue);
    Add("A", 1);
    EXPECT_EQ(QueueChangeCount(m_queue), start + 1);
    QueueGet(m_queue, 1);
    QueuePut(m_queue);
    EXPECT_EQ(QueueChangeCount(m_queue), start + 2);
    QueueDelete(m_queue);
    EXPECT_EQ(QueueChangeCount(m_queue), start + 3);
    QueueGet(m_queue, 1); // a read, and a failed one, change nothing
    EXPECT_EQ(QueueChangeCount(m_queue), start + 3);
    QueueFree(m_queue);
    EXPECT_EQ(QueueChangeCount(m_queue), start + 4);
}

TEST_F(QueueTest, FreeEmptiesAndTheNextKeyReadSortsAgain)
{
    Add("B", 2);
    Add("A", 1);
    Fill("A", 0);
    QueueGetByKey(m_queue, { kName });
    ASSERT_EQ(ErrorCode(), 0);
    const std::uint32_t before = QueueChangeCount(m_queue);
    QueueFree(m_queue);
    EXPECT_EQ(QueueRecords(m_queue), 0u);
    EXPECT_EQ(QueueChangeCount(m_queue), before + 1);
    EXPECT_EQ(QueuePointer(m_queue), 0u);

    Add("D", 4);
    Add("C", 3);
    Fill("C", 0);
    QueueGetByKey(m_queue, { kName });
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(Number(), 3);
    EXPECT_EQ(QueuePointer(m_queue), 2u);
}

TEST_F(QueueTest, SeventeenKeysRebuildTheLeastRecentlyUsedOrder)
{
    // Seventeen fields of a BYTE each; key k sorts by field k, whose value is (record * k) % 19
    // over 19 records, so each key orders the records differently and 5 is in one record.
    QueueLayout layout;
    for (std::uint32_t i = 0; i < 17; ++i)
        layout.fields.push_back({ TypeCode::Byte, i, 1 });
    layout.recordSize = 17;
    QueueHandle* queue = QueueCreate(layout);
    ASSERT_NE(queue, nullptr);
    for (int record = 0; record < 19; ++record) {
        for (int field = 0; field < 17; ++field)
            queue->buffer[field] = static_cast<char>((record * (field + 1)) % 19);
        QueueAdd(queue);
    }
    // Value 5 sits in a different record for every key.
    auto readFive = [&](std::int32_t field) {
        std::memset(queue->buffer, 0, 17);
        queue->buffer[field - 1] = 5;
        PostErrorCode(0);
        QueueGetByKey(queue, { field });
        EXPECT_EQ(ErrorCode(), 0);
        return QueuePointer(queue);
    };
    std::vector<std::uint32_t> first;
    for (std::int32_t field = 1; field <= 17; ++field)
        first.push_back(readFive(field));
    // Key 1 was dropped for key 17; reading by it sorts again and finds the same records.
    for (std::int32_t field = 1; field <= 17; ++field) {
        SCOPED_TRACE(field);
        EXPECT_EQ(readFive(field), first[static_cast<std::size_t>(field - 1)]);
        const auto record = static_cast<int>(first[static_cast<std::size_t>(field - 1)]) - 1;
        EXPECT_EQ((record * field) % 19, 5);
    }
    QueueDispose(queue);
}

TEST_F(QueueTest, SortOfManyRecordsMatchesAStableOrderOfTheKey)
{
    // Enough records for the merge: every key read must find the first of its equal keys.
    for (std::int32_t i = 0; i < 500; ++i)
        Add(std::string(1, static_cast<char>('A' + (i * 7) % 26)), i % 13);
    for (std::int32_t letter = 0; letter < 26; ++letter) {
        for (std::int32_t number = 0; number < 13; ++number) {
            Fill(std::string(1, static_cast<char>('A' + letter)), number);
            PostErrorCode(0);
            QueueGetByKey(m_queue, { kName, kNumber });
            // Which records exist: i with (i*7)%26 == letter and i%13 == number.
            std::int32_t firstMatch = -1;
            for (std::int32_t i = 0; i < 500 && firstMatch < 0; ++i) {
                if ((i * 7) % 26 == letter && i % 13 == number)
                    firstMatch = i;
            }
            if (firstMatch < 0) {
                EXPECT_EQ(ErrorCode(), 30);
                continue;
            }
            ASSERT_EQ(ErrorCode(), 0);
            EXPECT_EQ(Number(), number);
            EXPECT_EQ(Name(), std::string(1, static_cast<char>('A' + letter)));
        }
    }
}

TEST_F(QueueTest, MergeTakesRightRecordsFirstOnEqualKeys)
{
    // Ten records split into halves 1-5 and 6-10. The merge places the right half's B records
    // before the left half's, so the first B found by key is the seventh record added, where a
    // stable sort would find the second.
    const std::pair<const char*, std::int32_t> records[] = { { "A", 0 }, { "B", 1 }, { "B", 2 },
        { "B", 3 }, { "B", 4 }, { "A", 5 }, { "A", 6 }, { "B", 7 }, { "B", 8 }, { "B", 9 } };
    for (const auto& [name, number] : records)
        Add(name, number);
    Fill("B", 0);
    QueueGetByKey(m_queue, { kName });
    ASSERT_EQ(ErrorCode(), 0);
    EXPECT_EQ(Number(), 7);
    EXPECT_EQ(QueuePointer(m_queue), 8u);
    // Records added after the sort go behind their equal keys.
    Add("A", 10);
    Fill("A", 0);
    QueueGetByKey(m_queue, { kName });
    EXPECT_EQ(Number(), 0);
}

TEST_F(QueueTest, MemoryExhaustionPostsEightAndKeepsTheQueue)
{
    Add("A", 1);
    SetAllocationHook([](std::size_t) { return false; });
    Add("B", 2);
    EXPECT_EQ(ErrorCode(), 8);
    SetAllocationHook(nullptr);
    EXPECT_EQ(QueueRecords(m_queue), 1u);

    // An engine that cannot be made leaves the handle without one.
    QueueHandle declared;
    char buffer[16] = {};
    declared.buffer = buffer;
    declared.layout = &kLayout;
    declared.recordSize = 16;
    PostErrorCode(0);
    SetAllocationHook([](std::size_t) { return false; });
    EXPECT_EQ(QueueRecords(&declared), 0u);
    EXPECT_EQ(ErrorCode(), 8);
    EXPECT_EQ(declared.engine, nullptr);
    SetAllocationHook(nullptr);
    // A declared handle works once memory is back, and disposing it releases only its engine.
    QueueAdd(&declared);
    EXPECT_EQ(QueueRecords(&declared), 1u);
    QueueDispose(&declared);
    EXPECT_EQ(declared.engine, nullptr);
}

// The sort against a plain rendering of the same merge over records of every kind of field,
// with many equal keys. Record layout: STRING(10) NAME, CSTRING(8) CNAME, PSTRING(8) PNAME,
// LONG, SHORT, BYTE, ULONG, REAL and a LONG ID that no key uses and that tells records apart.
const QueueLayout kMixedLayout { {
                                     { TypeCode::String, 0, 10 },
                                     { TypeCode::CString, 10, 8 },
                                     { TypeCode::PString, 18, 8 },
                                     { TypeCode::Long, 26, 4 },
                                     { TypeCode::Short, 30, 2 },
                                     { TypeCode::Byte, 32, 1 },
                                     { TypeCode::ULong, 33, 4 },
                                     { TypeCode::Real, 37, 8 },
                                     { TypeCode::Long, 45, 4 },
                                 },
    49 };
enum MixedField : std::int32_t {
    kMName = 1,
    kMCName,
    kMPName,
    kMLong,
    kMShort,
    kMByte,
    kMULong,
    kMReal
};
constexpr std::uint32_t kIdOffset = 45;

std::int32_t IdOf(const char* record)
{
    std::int32_t id;
    std::memcpy(&id, record + kIdOffset, 4);
    return id;
}

template<typename T> std::int32_t CompareAt(const char* a, const char* b, std::uint32_t offset)
{
    T x;
    T y;
    std::memcpy(&x, a + offset, sizeof(T));
    std::memcpy(&y, b + offset, sizeof(T));
    return x < y ? -1 : (y < x ? 1 : 0);
}

/// A string field's characters: a CSTRING up to its terminator, a PSTRING as many as its
/// length byte gives but at most the field's size less one.
std::string_view TextAt(const QueueField& field, const char* record)
{
    const char* text = record + field.offset;
    if (field.type == TypeCode::CString)
        return { text, ::strnlen(text, field.size) };
    if (field.type == TypeCode::PString)
        return { text + 1,
            std::min<std::size_t>(static_cast<unsigned char>(*text), field.size - 1) };
    return { text, field.size };
}

/// The key comparison of the mixed records: numbers by value, strings by the collating
/// comparison, a negative field number descending.
std::int32_t CompareMixed(std::span<const std::int32_t> key, const char* a, const char* b)
{
    for (std::int32_t number : key) {
        const QueueField& field
            = kMixedLayout.fields[static_cast<std::size_t>(std::abs(number)) - 1];
        std::int32_t result = 0;
        switch (field.type) {
        case TypeCode::Long:
            result = CompareAt<std::int32_t>(a, b, field.offset);
            break;
        case TypeCode::Short:
            result = CompareAt<std::int16_t>(a, b, field.offset);
            break;
        case TypeCode::Byte:
            result = CompareAt<std::uint8_t>(a, b, field.offset);
            break;
        case TypeCode::ULong:
            result = CompareAt<std::uint32_t>(a, b, field.offset);
            break;
        case TypeCode::Real:
            result = CompareAt<double>(a, b, field.offset);
            break;
        default:
            result = CompareStrings(TextAt(field, a), TextAt(field, b));
            break;
        }
        if (result != 0)
            return number < 0 ? -result : result;
    }
    return 0;
}

/// The queue's sort written as plainly as possible: fewer than ten records each go after the
/// last earlier one not above it; more are split in the middle, both halves sorted, and merged:
/// the left records not above the right half's first stay, then runs of right records (while
/// left >= right) and of left records (while right >= left) alternate until a half runs out.
void ReferenceSort(std::vector<const char*>& items, std::size_t lo, std::size_t hi,
    std::span<const std::int32_t> key)
{
    auto compare = [&](const char* a, const char* b) { return CompareMixed(key, a, b); };
    if (hi - lo < 9) {
        for (std::size_t i = lo + 1; i <= hi; ++i) {
            std::size_t at = i;
            while (at > lo && compare(items[at - 1], items[i]) > 0)
                --at;
            std::rotate(items.begin() + static_cast<std::ptrdiff_t>(at),
                items.begin() + static_cast<std::ptrdiff_t>(i),
                items.begin() + static_cast<std::ptrdiff_t>(i + 1));
        }
        return;
    }
    const std::size_t mid = (lo + hi) / 2;
    ReferenceSort(items, lo, mid, key);
    ReferenceSort(items, mid + 1, hi, key);
    const auto begin = items.begin();
    const std::vector<const char*> left(
        begin + static_cast<std::ptrdiff_t>(lo), begin + static_cast<std::ptrdiff_t>(mid + 1));
    const std::vector<const char*> right(
        begin + static_cast<std::ptrdiff_t>(mid + 1), begin + static_cast<std::ptrdiff_t>(hi + 1));
    std::vector<const char*> merged;
    std::size_t l = 0;
    std::size_t r = 0;
    while (l < left.size() && compare(left[l], right[0]) <= 0)
        merged.push_back(left[l++]);
    while (l < left.size() && r < right.size()) {
        while (l < left.size() && r < right.size() && compare(left[l], right[r]) >= 0)
            merged.push_back(right[r++]);
        while (l < left.size() && r < right.size() && compare(right[r], left[l]) >= 0)
            merged.push_back(left[l++]);
    }
    merged.insert(merged.end(), left.begin() + static_cast<std::ptrdiff_t>(l), left.end());
    merged.insert(merged.end(), right.begin() + static_cast<std::ptrdiff_t>(r), right.end());
    std::copy(merged.begin(), merged.end(), begin + static_cast<std::ptrdiff_t>(lo));
}

/// Rewrites what a key comparison passes over: the bytes behind a CSTRING's terminator and
/// behind a PSTRING's characters.
void WriteNoise(char* record, std::mt19937& random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t c = ::strnlen(record + 10, 8) + 1; c < 8; ++c)
        record[10 + c] = static_cast<char>(byte(random));
    for (std::size_t c = std::min<std::size_t>(static_cast<unsigned char>(record[18]), 7); c < 7;
         ++c)
        record[19 + c] = static_cast<char>(byte(random));
}

/// `count` records with values from small sets, so that keys repeat; every name starts with
/// `namePrefix`. Strings mix blanks and a character above 127 into their letters, and carry
/// noise where the comparison does not look; a PSTRING's length byte may claim more characters
/// than the field holds.
std::vector<char> MixedRecords(std::size_t count, std::string_view namePrefix)
{
    static constexpr char kLetters[] = { 'A', 'B', ' ', 'Q', '\xE8' };
    std::mt19937 random(static_cast<std::uint32_t>(count * 31 + namePrefix.size()));
    auto pick = [&](const auto& values) {
        return values[std::uniform_int_distribution<std::size_t>(0, std::size(values) - 1)(random)];
    };
    auto upTo = [&](std::size_t most) {
        return std::uniform_int_distribution<std::size_t>(0, most)(random);
    };
    const std::uint32_t size = kMixedLayout.recordSize;
    std::vector<char> records(count * size);
    for (std::size_t i = 0; i < count; ++i) {
        char* record = records.data() + i * size;
        std::memset(record, ' ', 10);
        std::memcpy(record, namePrefix.data(), namePrefix.size());
        for (std::size_t c = namePrefix.size(), end = c + upTo(10 - c); c < end; ++c)
            record[c] = pick(kLetters);
        const std::size_t cLength = upTo(8);
        for (std::size_t c = 0; c < cLength; ++c)
            record[10 + c] = pick(kLetters);
        if (cLength < 8)
            record[10 + cLength] = '\0';
        record[18] = static_cast<char>(upTo(10));
        for (std::size_t c = 0; c < 7; ++c)
            record[19 + c] = pick(kLetters);
        WriteNoise(record, random);
        const std::int32_t longs[] = { INT32_MIN, -2, -1, 0, 1, 2, INT32_MAX };
        const std::int16_t shorts[] = { INT16_MIN, -1, 0, 1, INT16_MAX };
        const std::uint8_t bytes[] = { 0, 1, 200, 255 };
        const std::uint32_t ulongs[] = { 0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF };
        const double reals[] = { -0.1, -0.0, 0.0, 0.3, 2.25 };
        const std::int32_t number = pick(longs);
        const std::int16_t shortValue = pick(shorts);
        const std::uint8_t byteValue = pick(bytes);
        const std::uint32_t ulongValue = pick(ulongs);
        const double real = pick(reals);
        const auto id = static_cast<std::int32_t>(i);
        std::memcpy(record + 26, &number, 4);
        std::memcpy(record + 30, &shortValue, 2);
        std::memcpy(record + 32, &byteValue, 1);
        std::memcpy(record + 33, &ulongValue, 4);
        std::memcpy(record + 37, &real, 8);
        std::memcpy(record + kIdOffset, &id, 4);
    }
    return records;
}

enum class TableSetup { Defaults, CollatingSequence, Digraph };

struct SortCase {
    const char* name;
    std::vector<std::int32_t> key;
    const char* namePrefix;
    TableSetup tables = TableSetup::Defaults;

    friend void PrintTo(const SortCase& c, std::ostream* out) { *out << c.name; }
};

class QueueSortTest : public ::testing::TestWithParam<SortCase> {
protected:
    void SetUp() override
    {
        ResetCharacterTables();
        PostErrorCode(0);
        switch (GetParam().tables) {
        case TableSetup::Defaults:
            break;
        case TableSetup::CollatingSequence:
            // B, A and the blank share out 32, 65 and 66: B first, and a blank after A.
            ApplyCollatingSequence(MutableTables().weights, "BA ");
            break;
        case TableSetup::Digraph:
            // Q compares as AB, next to it but never equal.
            MutableTables().digraphs[0] = { 'Q', 'A', 'B' };
            break;
        }
    }
    void TearDown() override
    {
        ResetCharacterTables();
        PostErrorCode(0);
    }
};

TEST_P(QueueSortTest, OrdersRecordsAsThePlainMergeDoes)
{
    const SortCase& c = GetParam();
    const std::uint32_t size = kMixedLayout.recordSize;
    for (std::size_t count : { 2u, 10u, 3000u }) {
        SCOPED_TRACE(count);
        const std::vector<char> records = MixedRecords(count, c.namePrefix);
        std::vector<const char*> expected;
        const std::unique_ptr<QueueHandle, void (*)(QueueHandle*)> owner(
            QueueCreate(kMixedLayout), &QueueDispose);
        QueueHandle* queue = owner.get();
        ASSERT_NE(queue, nullptr);
        for (std::size_t i = 0; i < count; ++i) {
            expected.push_back(records.data() + i * size);
            std::memcpy(queue->buffer, expected.back(), size);
            QueueAdd(queue);
        }
        ReferenceSort(expected, 0, count - 1, c.key);

        // A key read finds the first record of its key in the order; taking each one out
        // shows the next, so the records come out in the order the sort made. The buffer
        // differs from the record it should find wherever the key does not look.
        std::mt19937 random(7);
        std::vector<const QueueField*> others; // the fields outside the key
        for (std::size_t f = 0; f < kMixedLayout.fields.size(); ++f) {
            if (std::none_of(c.key.begin(), c.key.end(), [&](std::int32_t number) {
                    return std::abs(number) - 1 == static_cast<int>(f);
                }))
                others.push_back(&kMixedLayout.fields[f]);
        }
        for (std::size_t i = 0; i < count; ++i) {
            std::memcpy(queue->buffer, expected[i], size);
            WriteNoise(queue->buffer, random);
            for (const QueueField* field : others) {
                for (std::uint32_t b = 0; b < field->size; ++b)
                    queue->buffer[field->offset + b] = static_cast<char>(random());
            }
            QueueGetByKey(queue, c.key);
            ASSERT_EQ(ErrorCode(), 0) << "record " << i;
            ASSERT_EQ(IdOf(queue->buffer), IdOf(expected[i])) << "record " << i;
            QueueDelete(queue);
        }
        EXPECT_EQ(QueueRecords(queue), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, QueueSortTest,
    ::testing::Values(SortCase { "Name", { kMName }, "KOD" },
        SortCase { "NameDescendingThenLong", { -kMName, kMLong }, "" },
        SortCase { "NamesSharingAllButTheirLastCharacters", { kMName, -kMShort }, "KODKODK" },
        SortCase { "CNameThenLong", { kMCName, kMLong }, "" },
        SortCase { "PNameDescendingThenShortDescending", { -kMPName, -kMShort }, "" },
        SortCase { "Long", { kMLong }, "" },
        SortCase { "LongDescendingThenName", { -kMLong, kMName }, "K" },
        SortCase { "ShortThenCName", { kMShort, kMCName }, "" },
        SortCase { "ByteThenULongDescending", { kMByte, -kMULong }, "" },
        SortCase { "ULong", { kMULong }, "" },
        SortCase { "RealThenName", { kMReal, kMName }, "KOD" },
        SortCase { "NameUnderACollatingSequence", { kMName, -kMByte }, "KOD",
            TableSetup::CollatingSequence },
        SortCase { "CNameDescendingUnderACollatingSequence", { -kMCName }, "",
            TableSetup::CollatingSequence },
        SortCase { "NameWithADigraph", { kMName }, "KOD", TableSetup::Digraph },
        SortCase { "PNameWithADigraph", { kMPName, kMLong }, "", TableSetup::Digraph }),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
