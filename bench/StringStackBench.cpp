// The string stack on the sequence generated code runs for every control number shown: the
// 40-character digest cut into four groups of ten joined by "-". The peer is the same result
// built with std::string, as a C++ programmer would write it by hand.
#include <value/StringStack.h>

#include <benchmark/benchmark.h>

#include <string>

namespace {

const char kDigest[] = "A94A8FE5CCB19BA61C4C0873D391E987982FBBD3";

void DigestGroupsOnTheStringStack(benchmark::State& state)
{
    char result[43];
    for (auto _ : state) {
        value::PushString(kDigest, 40);
        value::SubTop(1, 10);
        for (int group = 1; group < 4; ++group) {
            value::PushString("-", 1);
            value::Concat();
            value::PushString(kDigest, 40);
            value::SubTop(group * 10 + 1, 10);
            value::Concat();
        }
        value::PopToString(result, sizeof result);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(DigestGroupsOnTheStringStack);

void DigestGroupsWithStdString(benchmark::State& state)
{
    const std::string digest(kDigest, 40);
    for (auto _ : state) {
        std::string result = digest.substr(0, 10);
        for (std::size_t group = 1; group < 4; ++group) {
            result = result + "-";
            result = result + digest.substr(group * 10, 10);
        }
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(DigestGroupsWithStdString);

void PushNumbersAndClip(benchmark::State& state)
{
    const char field[] = "value               "; // a STRING(20) field
    for (auto _ : state) {
        value::PushLong(-123456);
        value::PushString(field, 20);
        value::ClipTop();
        value::Concat();
        benchmark::DoNotOptimize(value::PopLength());
    }
}
BENCHMARK(PushNumbersAndClip);

} // namespace
