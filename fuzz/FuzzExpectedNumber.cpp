// libFuzzer target for an expected control number as the user types or pastes it: any bytes,
// read as Windows-1250. It must never crash; a number read must be 40 hex digits in the
// library's case that read back the same from their grouped form; a refusal must point at a
// character of the text that is there, or give a count that fits its problem, and its reason
// must be text the program can show. Its corpus, fuzz/corpus/expected-number, is replayed by
// expected_number_corpus_tests in every build.

#include <app/ControlNumber.h>
#include <platform/Text.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

bool IsLibraryDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const app::ExpectedNumber number = app::ReadExpectedNumber(text);
    const std::string reason = app::ExpectedNumberProblemText(number);
    Require(reason.empty() == (number.problem == app::NumberProblem::None));
    Require(static_cast<bool>(platform::Utf8ToAnsi(reason)));

    switch (number.problem) {
    case app::NumberProblem::None: {
        Require(number.digits.size() == 40 && std::ranges::all_of(number.digits, IsLibraryDigit));
        Require(number.digitCount == 40);
        const std::string grouped = app::GroupedNumber(number.digits);
        Require(grouped.size() == 43);
        const app::ExpectedNumber again = app::ReadExpectedNumber(grouped);
        Require(again.problem == app::NumberProblem::None && again.digits == number.digits);
        Require(!app::FirstDifferingGroup(number.digits,
            grouped.substr(0, 10) + grouped.substr(11, 10) + grouped.substr(22, 10)
                + grouped.substr(33)));
        break;
    }
    case app::NumberProblem::NotHex:
        Require(number.position >= 1 && number.position <= text.size());
        Require(number.character.size() == 1 && text[number.position - 1] == number.character[0]);
        Require(number.digits.empty());
        break;
    case app::NumberProblem::TooShort:
        Require(number.digitCount < 40 && number.digits.empty());
        break;
    case app::NumberProblem::TooLong:
        Require(
            number.digitCount > 40 && number.digitCount <= text.size() && number.digits.empty());
        break;
    case app::NumberProblem::Empty:
        Require(number.digitCount == 0 && number.digits.empty());
        break;
    }
    return 0;
}
