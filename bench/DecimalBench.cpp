// Exact decimals and the numeric picture, against peers in the same run.
//
// Arithmetic: 20-digit values with 2, 3 and 4 places. "Registers" rows put the two operands in
// the registers and run the operation alone, as Boost.Multiprecision's cpp_dec_float_50 rows
// run `c = a op b` on values already built; "Stored" rows run what generated code runs for
// `Total = Price op Quantity` on DECIMAL variables: push both, operate, pop rounded into the
// destination. Python's decimal module is the second reference (bench/decimal_peers.py).
//
// FORMAT: a value shown through @N12.2 ("1,234,567.89" right-aligned in twelve positions),
// against std::to_chars of the same value followed by grouping and alignment written by hand,
// and snprintf's "%'.2f" (grouped when the C library's numeric locale groups).
#include <value/Decimal.h>
#include <value/Picture.h>
#include <value/RuntimeThread.h>
#include <value/StringStack.h>

#include <benchmark/benchmark.h>

#include <array>
#include <boost/multiprecision/cpp_dec_float.hpp>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using boost::multiprecision::cpp_dec_float_50;

constexpr std::uint32_t kStoredSize = 11; // 21 digits

/// Operand pairs of 20 significant digits; the places argument moves the point.
constexpr std::array<std::array<const char*, 2>, 4> kOperands = { {
    { "12345678901234567890", "98765432109876543210" },
    { "31415926535897932384", "27182818284590452353" },
    { "50000000000000000001", "10000000000000000007" },
    { "99999999999999999999", "11111111111111111111" },
} };

/// `digits` with a point before its last `places` digits.
std::string WithPlaces(const char* digits, int places)
{
    std::string text(digits);
    text.insert(text.size() - static_cast<std::size_t>(places), ".");
    return text;
}

struct Operands {
    std::array<value::DecimalRegister, kOperands.size() * 2> registers {};
    std::array<std::array<std::uint8_t, kStoredSize>, kOperands.size() * 2> stored {};
    std::array<cpp_dec_float_50, kOperands.size() * 2> boost {};

    explicit Operands(int places)
    {
        for (std::size_t i = 0; i < kOperands.size(); ++i) {
            for (std::size_t j = 0; j < 2; ++j) {
                const std::string text = WithPlaces(kOperands[i][j], places);
                value::PushTextDecimal(text.c_str());
                registers[i * 2 + j] = value::TopDecimal();
                value::PopToDecimal(
                    stored[i * 2 + j].data(), kStoredSize, static_cast<std::uint32_t>(places));
                boost[i * 2 + j] = cpp_dec_float_50(text);
            }
        }
    }
};

using Operation = void (*)();

template<Operation operation> void Registers(benchmark::State& state)
{
    const Operands operands(static_cast<int>(state.range(0)));
    value::DecimalStackStorage& stack = value::CurrentRuntimeThread().decimalStack;
    value::ResetDecimalStack();
    std::size_t pair = 0;
    for (auto _ : state) {
        stack.registers[0] = operands.registers[pair * 2];
        stack.registers[1] = operands.registers[pair * 2 + 1];
        stack.count = 2;
        operation();
        benchmark::DoNotOptimize(stack.registers[0]);
        pair = (pair + 1) % kOperands.size();
    }
    value::ResetDecimalStack();
}

template<Operation operation> void Stored(benchmark::State& state)
{
    const auto places = static_cast<std::uint32_t>(state.range(0));
    const Operands operands(static_cast<int>(places));
    std::array<std::uint8_t, kStoredSize> total {};
    std::size_t pair = 0;
    for (auto _ : state) {
        value::PushDecimal(operands.stored[pair * 2].data(), kStoredSize, places);
        value::PushDecimal(operands.stored[pair * 2 + 1].data(), kStoredSize, places);
        operation();
        value::PopToDecimal(total.data(), kStoredSize, places);
        benchmark::DoNotOptimize(total);
        pair = (pair + 1) % kOperands.size();
    }
}

template<typename Op> void Boost(benchmark::State& state, Op op)
{
    const Operands operands(static_cast<int>(state.range(0)));
    std::size_t pair = 0;
    cpp_dec_float_50 result;
    for (auto _ : state) {
        result = op(operands.boost[pair * 2], operands.boost[pair * 2 + 1]);
        benchmark::DoNotOptimize(result);
        pair = (pair + 1) % kOperands.size();
    }
}

void BoostAdd(benchmark::State& state)
{
    Boost(state, [](const auto& a, const auto& b) { return a + b; });
}
void BoostSubtract(benchmark::State& state)
{
    Boost(state, [](const auto& a, const auto& b) { return a - b; });
}
void BoostMultiply(benchmark::State& state)
{
    Boost(state, [](const auto& a, const auto& b) { return a * b; });
}
void BoostDivide(benchmark::State& state)
{
    Boost(state, [](const auto& a, const auto& b) { return a / b; });
}

#define DECIMAL_BENCHMARK(name) BENCHMARK(name)->Arg(2)->Arg(3)->Arg(4)

DECIMAL_BENCHMARK(Registers<value::AddDecimals>)->Name("RegistersAdd");
DECIMAL_BENCHMARK(Registers<value::SubtractDecimals>)->Name("RegistersSubtract");
DECIMAL_BENCHMARK(Registers<value::MultiplyDecimals>)->Name("RegistersMultiply");
DECIMAL_BENCHMARK(Registers<value::DivideDecimals>)->Name("RegistersDivide");
DECIMAL_BENCHMARK(BoostAdd);
DECIMAL_BENCHMARK(BoostSubtract);
DECIMAL_BENCHMARK(BoostMultiply);
DECIMAL_BENCHMARK(BoostDivide);
DECIMAL_BENCHMARK(Stored<value::AddDecimals>)->Name("StoredAdd");
DECIMAL_BENCHMARK(Stored<value::SubtractDecimals>)->Name("StoredSubtract");
DECIMAL_BENCHMARK(Stored<value::MultiplyDecimals>)->Name("StoredMultiply");
DECIMAL_BENCHMARK(Stored<value::DivideDecimals>)->Name("StoredDivide");

// --- FORMAT of @N12.2 -------------------------------------------------------------------

constexpr std::array<double, 4> kAmounts = { 1234567.89, 42.5, 987654.01, 0.07 };
constexpr std::array<const char*, 4> kAmountTexts = { "1234567.89", "42.5", "987654.01", "0.07" };

/// The amounts as the registers hold them, ready to be copied onto the stack.
std::array<value::DecimalRegister, kAmountTexts.size()> AmountRegisters()
{
    std::array<value::DecimalRegister, kAmountTexts.size()> amounts {};
    for (std::size_t i = 0; i < amounts.size(); ++i) {
        value::PushTextDecimal(kAmountTexts[i]);
        amounts[i] = value::TopDecimal();
        value::DropDecimal();
    }
    return amounts;
}

void FormatPicture(benchmark::State& state)
{
    value::CompiledPicture picture;
    value::CompilePicture(picture, "@N12.2");
    const auto amounts = AmountRegisters();
    value::DecimalStackStorage& stack = value::CurrentRuntimeThread().decimalStack;
    value::ResetDecimalStack();
    char field[12];
    std::size_t next = 0;
    for (auto _ : state) {
        stack.registers[0] = amounts[next];
        stack.count = 1;
        value::FormatDecimal(picture, field, sizeof field);
        benchmark::DoNotOptimize(field);
        next = (next + 1) % amounts.size();
    }
}
BENCHMARK(FormatPicture);

/// FORMAT as generated code calls it: the picture given by its text (compiled once per thread
/// and kept while the same text comes again) and the field pushed on the string stack, then
/// popped into a STRING(12).
void FormatToStack(benchmark::State& state)
{
    const auto amounts = AmountRegisters();
    value::DecimalStackStorage& stack = value::CurrentRuntimeThread().decimalStack;
    value::ResetDecimalStack();
    std::size_t next = 0;
    char field[12];
    for (auto _ : state) {
        stack.registers[0] = amounts[next];
        stack.count = 1;
        value::FormatToStack("@N12.2");
        value::PopToString(field, sizeof field);
        benchmark::DoNotOptimize(field);
        next = (next + 1) % kAmountTexts.size();
    }
}
BENCHMARK(FormatToStack);

void ToCharsWithGrouping(benchmark::State& state)
{
    std::size_t next = 0;
    char field[12];
    for (auto _ : state) {
        char digits[32];
        const auto [end, error] = std::to_chars(
            digits, digits + sizeof digits, kAmounts[next], std::chars_format::fixed, 2);
        benchmark::DoNotOptimize(error);
        // Right-align into the field from the end, a comma after every three integer digits.
        std::memset(field, ' ', sizeof field);
        const char* point = end - 3;
        char* out = field + sizeof field;
        for (const char* p = end; p != point;)
            *--out = *--p;
        int group = 0;
        for (const char* p = point; p != digits && out != field;) {
            if (group == 3) {
                *--out = ',';
                group = 0;
                if (out == field)
                    break;
            }
            *--out = *--p;
            ++group;
        }
        benchmark::DoNotOptimize(field);
        next = (next + 1) % kAmounts.size();
    }
}
BENCHMARK(ToCharsWithGrouping);

void SnprintfGrouped(benchmark::State& state)
{
    // Grouping comes from the numeric locale; en_US groups by three, C does not group.
    if (std::setlocale(LC_NUMERIC, "en_US.UTF-8") == nullptr)
        state.SetLabel("C locale: no grouping");
    std::size_t next = 0;
    char field[13];
    for (auto _ : state) {
        std::snprintf(field, sizeof field, "%'12.2f", kAmounts[next]);
        benchmark::DoNotOptimize(field);
        next = (next + 1) % kAmounts.size();
    }
    std::setlocale(LC_NUMERIC, "C");
}
BENCHMARK(SnprintfGrouped);

} // namespace
