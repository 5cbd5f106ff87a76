// Queue sorting and key reads against the standard library doing the same work with the same
// comparison: building the sorted order of a key (STRING(20), LONG) over 100k and 1M records vs
// std::stable_sort of the record references, and reads by key vs std::lower_bound on the
// sorted references followed by the copy into the buffer. The sort decides most comparisons by
// a few characters of the name taken where the names start to differ; the *SharedInnerLetters
// pair measures names that agree in those characters, where every comparison reads the records.
#include <value/Collation.h>
#include <value/Queue.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr std::uint32_t kKeySize = 20;
constexpr std::uint32_t kRecordSize = 24;
const value::QueueLayout kLayout { { { value::TypeCode::String, 0, kKeySize },
                                       { value::TypeCode::Long, kKeySize, 4 } },
    kRecordSize };

/// How the names of MakeRecords begin.
enum class Names {
    SharedPrefix,       ///< KKKK, then random letters
    SharedInnerLetters, ///< a random letter, KKKK, then random letters
};

/// `count` records of random upper-case names (with repeats) and numbers.
std::vector<char> MakeRecords(std::size_t count, Names names = Names::SharedPrefix)
{
    const std::uint32_t sharedFrom = names == Names::SharedPrefix ? 0 : 1;
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> letter('A', 'Z');
    std::uniform_int_distribution<std::int32_t> number(0, 1000);
    std::vector<char> records(count * kRecordSize);
    for (std::size_t i = 0; i < count; ++i) {
        char* record = records.data() + i * kRecordSize;
        // Names share four letters, so comparisons walk into the key.
        for (std::uint32_t c = 0; c < kKeySize; ++c)
            record[c]
                = c >= sharedFrom && c < sharedFrom + 4 ? 'K' : static_cast<char>(letter(random));
        const std::int32_t value = number(random);
        std::memcpy(record + kKeySize, &value, 4);
    }
    return records;
}

/// The comparison the queue makes for the key (1, 2).
bool Less(const char* a, const char* b)
{
    const std::int32_t byName = value::CompareStrings({ a, kKeySize }, { b, kKeySize });
    if (byName != 0)
        return byName < 0;
    std::int32_t x;
    std::int32_t y;
    std::memcpy(&x, a + kKeySize, 4);
    std::memcpy(&y, b + kKeySize, 4);
    return x < y;
}

value::QueueHandle* FilledQueue(const std::vector<char>& records)
{
    value::QueueHandle* queue = value::QueueCreate(kLayout);
    for (std::size_t i = 0; i < records.size() / kRecordSize; ++i) {
        std::memcpy(queue->buffer, records.data() + i * kRecordSize, kRecordSize);
        value::QueueAdd(queue);
    }
    return queue;
}

void QueueSortOf(benchmark::State& state, Names names)
{
    value::ResetCharacterTables();
    const auto records = MakeRecords(static_cast<std::size_t>(state.range(0)), names);
    for (auto _ : state) {
        state.PauseTiming();
        value::QueueHandle* queue = FilledQueue(records);
        std::memcpy(queue->buffer, records.data(), kRecordSize);
        state.ResumeTiming();
        value::QueueGetByKey(queue, { 1, 2 }); // builds the order, then one search
        state.PauseTiming();
        value::QueueDispose(queue);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void StdStableSortOf(benchmark::State& state, Names names)
{
    value::ResetCharacterTables();
    const auto records = MakeRecords(static_cast<std::size_t>(state.range(0)), names);
    std::vector<const char*> base;
    for (std::size_t i = 0; i < records.size() / kRecordSize; ++i)
        base.push_back(records.data() + i * kRecordSize);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<const char*> order = base;
        state.ResumeTiming();
        std::stable_sort(order.begin(), order.end(), Less);
        benchmark::DoNotOptimize(order.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void QueueSort(benchmark::State& state)
{
    QueueSortOf(state, Names::SharedPrefix);
}

void StdStableSort(benchmark::State& state)
{
    StdStableSortOf(state, Names::SharedPrefix);
}

void QueueSortSharedInnerLetters(benchmark::State& state)
{
    QueueSortOf(state, Names::SharedInnerLetters);
}

void StdStableSortSharedInnerLetters(benchmark::State& state)
{
    StdStableSortOf(state, Names::SharedInnerLetters);
}

constexpr int kReads = 1000;

void QueueKeyRead(benchmark::State& state)
{
    value::ResetCharacterTables();
    const auto records = MakeRecords(static_cast<std::size_t>(state.range(0)));
    value::QueueHandle* queue = FilledQueue(records);
    value::QueueGetByKey(queue, { 1, 2 });
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> pick(0, records.size() / kRecordSize - 1);
    std::vector<std::size_t> picks(kReads);
    for (auto& p : picks)
        p = pick(random);
    for (auto _ : state) {
        for (std::size_t p : picks) {
            std::memcpy(queue->buffer, records.data() + p * kRecordSize, kRecordSize);
            value::QueueGetByKey(queue, { 1, 2 });
        }
        benchmark::DoNotOptimize(queue->buffer);
    }
    state.SetItemsProcessed(state.iterations() * kReads);
    value::QueueDispose(queue);
}

void StdLowerBound(benchmark::State& state)
{
    value::ResetCharacterTables();
    const auto records = MakeRecords(static_cast<std::size_t>(state.range(0)));
    std::vector<const char*> order;
    for (std::size_t i = 0; i < records.size() / kRecordSize; ++i)
        order.push_back(records.data() + i * kRecordSize);
    std::stable_sort(order.begin(), order.end(), Less);
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> pick(0, order.size() - 1);
    std::vector<std::size_t> picks(kReads);
    for (auto& p : picks)
        p = pick(random);
    char buffer[kRecordSize];
    for (auto _ : state) {
        for (std::size_t p : picks) {
            std::memcpy(buffer, records.data() + p * kRecordSize, kRecordSize);
            const auto found = std::lower_bound(order.begin(), order.end(), buffer,
                [](const char* r, const char* key) { return Less(r, key); });
            std::memcpy(buffer, *found, kRecordSize);
        }
        benchmark::DoNotOptimize(buffer);
    }
    state.SetItemsProcessed(state.iterations() * kReads);
}

} // namespace

BENCHMARK(QueueSort)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(StdStableSort)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(QueueSortSharedInnerLetters)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(StdStableSortSharedInnerLetters)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(QueueKeyRead)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(StdLowerBound)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
