// libFuzzer target for the decimal text syntax: any text must push one well-formed register,
// and the register's own text must read back as the same number and the same text.
// Its corpus, fuzz/corpus/decimal-text, is replayed by value_tests (DecimalCorpusTest).

#include <value/Decimal.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    value::ResetDecimalStack();
    const std::string text(reinterpret_cast<const char*>(data), size); // ends at the first NUL
    value::PushTextDecimal(text.c_str());
    Require(value::DecimalDepth() == 1);
    Require(value::TopDecimal().CheckInvariants());

    char first[value::kDecimalTextCapacity + 1] = {};
    const int firstLength = value::DecimalToText(value::TopDecimal(), first);
    Require(firstLength > 0 && firstLength <= value::kDecimalTextCapacity);
    value::PushTextDecimal(first);
    Require(value::TopDecimal().CheckInvariants());
    char second[value::kDecimalTextCapacity + 1] = {};
    const int secondLength = value::DecimalToText(value::TopDecimal(), second);
    Require(std::string(first, static_cast<std::size_t>(firstLength))
        == std::string(second, static_cast<std::size_t>(secondLength)));
    Require(value::CompareDecimals() == 0);
    Require(value::DecimalDepth() == 0);
    return 0;
}
