// The collating comparison and INSTRING against the C library doing the same byte work: the
// comparison on two 40-character values that differ near the end (a key of a sorted queue) vs
// memcmp, and INSTRING of a 6-character substring near the end of a 4 KiB text vs memmem.
#include <value/Collation.h>
#include <value/StringStack.h>

#include <benchmark/benchmark.h>
#include <string.h>

#include <cstring>
#include <string>

namespace {

const std::string kLeft = "SMITH, JOHN             ACCOUNT 00412339";
const std::string kRight = "SMITH, JOHN             ACCOUNT 00412393";

std::string Haystack()
{
    std::string text;
    while (text.size() < 4096)
        text += "the quick brown fox jumps over the lazy dog, ";
    text.resize(4096);
    text.replace(4096 - 16, 6, "NEEDLE");
    return text;
}

void CompareStrings40(benchmark::State& state)
{
    value::ResetCharacterTables();
    for (auto _ : state) {
        benchmark::DoNotOptimize(value::CompareStrings(kLeft, kRight));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(CompareStrings40);

void Memcmp40(benchmark::State& state)
{
    const char* left = kLeft.data();
    const char* right = kRight.data();
    for (auto _ : state) {
        benchmark::DoNotOptimize(left);
        benchmark::DoNotOptimize(right);
        benchmark::DoNotOptimize(std::memcmp(left, right, 40));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Memcmp40);

void InString4K(benchmark::State& state)
{
    const std::string haystack = Haystack();
    for (auto _ : state) {
        value::PushString(haystack);
        value::PushString("NEEDLE", 6);
        benchmark::DoNotOptimize(value::InString(1, 1));
    }
}
BENCHMARK(InString4K);

void Memmem4K(benchmark::State& state)
{
    const std::string haystack = Haystack();
    const char* data = haystack.data();
    for (auto _ : state) {
        benchmark::DoNotOptimize(data);
        benchmark::DoNotOptimize(::memmem(data, haystack.size(), "NEEDLE", 6));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Memmem4K);

} // namespace
