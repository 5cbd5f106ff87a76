// libFuzzer target for the locale environment file: any bytes must parse without a crash or
// an out-of-bounds read, and leave the character tables and texts within their invariants.
// Its corpus, fuzz/corpus/locale-file, is replayed by value_tests (LocaleFileCorpusTest).

#include <value/Collation.h>
#include <value/LocaleFile.h>
#include <value/LocaleTexts.h>
#include <value/MessageOverrides.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Each input starts from the defaults, as the runtime does at start-up.
    value::ResetCharacterTables();
    value::ClearMessageOverrides();
    value::ResetLocaleTexts();

    value::ParseLocaleText(std::string_view(reinterpret_cast<const char*>(data), size));

    Require(value::Tables().CheckInvariants());
    for (int month = 1; month <= value::kMonthCount; ++month) {
        Require(value::MonthName(month).size() <= value::kMonthNameLimit);
        Require(value::MonthAbbreviation(month).size() <= value::kMonthAbbreviationLimit);
    }
    Require(value::MorningMark().size() <= value::kTimeMarkLimit);
    Require(value::AfternoonMark().size() <= value::kTimeMarkLimit);
    for (const std::int32_t number : value::MessageOverrideNumbers()) {
        const auto text = value::FindMessageOverride(number);
        Require(text.has_value() && !text->empty() && text->size() <= value::kLocaleValueLimit);
    }
    return 0;
}
