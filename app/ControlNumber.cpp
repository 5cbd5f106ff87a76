#include "ControlNumber.h"

#include <platform/File.h>
#include <platform/Hashing.h>
#include <platform/Text.h>
#include <window/RuntimeLock.h>

#include <algorithm>
#include <array>
#include <chrono>

namespace app {

namespace {

constexpr std::size_t kGroupLength = 10;
constexpr char kNoBreakSpace = '\xA0';
constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
// The dashes a word processor or a web page puts where "-" was typed.
constexpr char kEnDash = '\x96';
constexpr char kEmDash = '\x97';

/// Blanks as a user sees them: none of them belongs to a number.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == kNoBreakSpace || c == kCarriageReturn || c == kLineFeed;
}

/// What a published number may be spelt with around and between its digits.
bool IsIgnored(char c)
{
    return IsBlank(c) || c == '-' || c == kEnDash || c == kEmDash;
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

/// The library writes its digits in upper case.
char LibraryCase(char c)
{
    return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
}

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool HoldsOnlyIgnored(std::string_view text)
{
    return std::ranges::all_of(text, IsIgnored);
}

/// Where the number starts after a label ending in the last ":" or "=", or 0 when there is none
/// or nothing but ignored characters follows it.
std::size_t AfterLabel(std::string_view text)
{
    const std::size_t mark = text.find_last_of(":=");
    if (mark == std::string_view::npos || HoldsOnlyIgnored(text.substr(mark + 1)))
        return 0;
    return mark + 1;
}

/// Where the number starts after a leading word "SHA1", "SHA-1" or "SHA 1" (any case, after
/// blanks) that ends at an ignored character with more than ignored characters after it; 0
/// when there is no such word.
std::size_t AfterBareWord(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    const auto next = [&](char wanted) {
        if (at < text.size() && Upper(text[at]) == wanted) {
            ++at;
            return true;
        }
        return false;
    };
    if (!next('S') || !next('H') || !next('A'))
        return 0;
    if (!next('1')) {
        if (at >= text.size() || (text[at] != '-' && text[at] != ' '))
            return 0;
        ++at;
        if (!next('1'))
            return 0;
    }
    if (at < text.size() && IsIgnored(text[at]) && !HoldsOnlyIgnored(text.substr(at)))
        return at;
    return 0;
}

/// Where the number ends in a line as checksum tools print it, the file's name after the
/// number: 40 hex digits at the start (after blanks), then two blanks or a blank and "*", then
/// the name ("a9993e...d89d  abc.txt", "a9993e...d89d *abc.txt"); the text's end otherwise.
std::size_t BeforeFileName(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    const std::size_t end = at + platform::kControlNumberLength;
    if (end + 2 >= text.size()
        || !std::all_of(text.begin() + static_cast<std::ptrdiff_t>(at),
            text.begin() + static_cast<std::ptrdiff_t>(end), IsHexDigit))
        return text.size();
    const bool marked = text[end] == ' ' && (text[end + 1] == ' ' || text[end + 1] == '*');
    if (!marked || IsBlank(text[end + 2]))
        return text.size();
    return end;
}

/// "1 heksadekadsku znamenku", "2 heksadekadske znamenke", "5 heksadekadskih znamenki": the
/// noun follows the last two digits of the count, as Croatian numerals govern it.
std::string DigitsCounted(std::size_t count)
{
    const std::size_t lastTwo = count % 100;
    const std::size_t last = count % 10;
    std::string_view words = "heksadekadskih znamenki";
    if (last == 1 && lastTwo != 11)
        words = "heksadekadsku znamenku";
    else if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
        words = "heksadekadske znamenke";
    return std::to_string(count) + " " + std::string(words);
}

/// The character a refusal names, as the user sees it: in quotes, or by its code when it is a
/// control character or a byte Windows-1250 leaves undefined, neither of which shows.
std::string CharacterNamed(std::string_view ansi)
{
    const bool control = std::ranges::any_of(ansi, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
    if (!control) {
        if (const platform::Result<std::string> utf8 = platform::AnsiToUtf8(ansi))
            return "znak \"" + *utf8 + "\"";
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string named = "znak s kodom";
    for (const char c : ansi) {
        const auto byte = static_cast<unsigned char>(c);
        named += " 0x";
        named += kHex[byte >> 4];
        named += kHex[byte & 0x0F];
    }
    return named;
}

} // namespace

ExpectedNumber ReadExpectedNumber(std::string_view text)
{
    ExpectedNumber number;
    if (std::ranges::all_of(text, IsBlank)) {
        number.problem = NumberProblem::Empty;
        return number;
    }
    // A checksum line's file name may hold anything a label is made of.
    const std::size_t end = BeforeFileName(text);
    std::size_t start = 0;
    if (end == text.size()) {
        start = AfterLabel(text);
        if (start == 0)
            start = AfterBareWord(text);
    }
    for (std::size_t at = start; at < end; ++at) {
        const char c = text[at];
        if (IsIgnored(c))
            continue;
        if (!IsHexDigit(c)) {
            number.problem = NumberProblem::NotHex;
            number.position = at + 1;
            number.character.assign(1, c);
            number.digits.clear();
            number.digitCount = 0;
            return number;
        }
        ++number.digitCount;
        if (number.digits.size() < platform::kControlNumberLength)
            number.digits += LibraryCase(c);
    }
    if (number.digitCount == platform::kControlNumberLength) {
        number.problem = NumberProblem::None;
        return number;
    }
    number.problem = number.digitCount < platform::kControlNumberLength ? NumberProblem::TooShort
                                                                        : NumberProblem::TooLong;
    number.digits.clear();
    return number;
}

std::string ExpectedNumberProblemText(const ExpectedNumber& number)
{
    switch (number.problem) {
    case NumberProblem::None:
        return {};
    case NumberProblem::Empty:
        return "polje je prazno.";
    case NumberProblem::NotHex:
        return CharacterNamed(number.character) + " na " + std::to_string(number.position)
            + ". mjestu nije heksadekadska znamenka (0-9, A-F).";
    case NumberProblem::TooShort:
    case NumberProblem::TooLong:
        break;
    }
    return "ima " + DigitsCounted(number.digitCount) + ", a treba ih "
        + std::to_string(platform::kControlNumberLength) + ".";
}

std::string GroupedNumber(std::string_view digits)
{
    std::string grouped;
    grouped.reserve(digits.size() + digits.size() / kGroupLength);
    for (std::size_t at = 0; at < digits.size(); at += kGroupLength) {
        if (at > 0)
            grouped += '-';
        grouped += digits.substr(at, kGroupLength);
    }
    return grouped;
}

std::optional<std::size_t> FirstDifferingGroup(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t at = 0; at < common; ++at) {
        if (Upper(a[at]) != Upper(b[at]))
            return at / kGroupLength;
    }
    if (a.size() != b.size())
        return common / kGroupLength;
    return std::nullopt;
}

// --- The result file a number is read from ------------------------------------------------

namespace {

/// How long a read waits for a writer to let go of the file: a writer holds it for one line
/// and a flush.
constexpr auto kWriterPatience = std::chrono::seconds(1);
constexpr auto kRetryPause = std::chrono::milliseconds(10);
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

NumberFileProblem OpenProblem(platform::SystemError error)
{
    switch (error) {
    case platform::SystemError::FileNotFound:
    case platform::SystemError::PathNotFound:
    case platform::SystemError::InvalidName:
    case platform::SystemError::BadPathName:
    case platform::SystemError::NameTooLong:
        return NumberFileProblem::NotFound;
    case platform::SystemError::AccessDenied:
        return NumberFileProblem::AccessDenied;
    default:
        return NumberFileProblem::ReadFailed;
    }
}

/// Opens the file for reading, waiting a moment for a writer that keeps it to itself.
platform::Result<platform::File> OpenForReading(const std::string& path)
{
    const auto deadline = std::chrono::steady_clock::now() + kWriterPatience;
    for (;;) {
        platform::Result<platform::File> file
            = platform::File::Open(path, platform::kAccessRead | platform::kShareDenyNone);
        if (file || file.Error() != platform::SystemError::SharingViolation
            || std::chrono::steady_clock::now() >= deadline)
            return file;
        window::PauseOutsideRuntimeLock(kRetryPause);
    }
}

/// The whole file, or TooBig as soon as it holds more than the limit (it may grow while read).
NumberFileProblem ReadAll(platform::File& file, std::string& contents)
{
    std::array<char, 16 * 1024> buffer;
    for (;;) {
        const platform::Result<std::size_t> read = file.Read(buffer.data(), buffer.size());
        if (!read)
            return NumberFileProblem::ReadFailed;
        if (*read == 0)
            return NumberFileProblem::None;
        contents.append(buffer.data(), *read);
        if (contents.size() > kNumberFileLimit)
            return NumberFileProblem::TooBig;
    }
}

/// The first line of `contents` that is not blank, without its line break; nothing when every
/// line is blank.
std::optional<std::string> FirstLineWithText(std::string_view contents)
{
    if (contents.starts_with(kByteOrderMark))
        contents.remove_prefix(kByteOrderMark.size());
    while (!contents.empty()) {
        const std::size_t end = contents.find_first_of("\r\n");
        const std::string_view line = contents.substr(0, end);
        if (!std::ranges::all_of(line, IsBlank))
            return std::string(line);
        if (end == std::string_view::npos)
            break;
        const bool crLf = contents[end] == kCarriageReturn && end + 1 < contents.size()
            && contents[end + 1] == kLineFeed;
        contents.remove_prefix(end + (crLf ? 2 : 1));
    }
    return std::nullopt;
}

} // namespace

NumberFileText ReadNumberFile(std::string_view ansiPath)
{
    if (ansiPath.empty())
        return { NumberFileProblem::NotFound, {} };
    // A name the file system cannot spell names no file.
    const platform::Result<std::string> path = platform::AnsiToUtf8(ansiPath);
    if (!path)
        return { NumberFileProblem::NotFound, {} };
    // Looked at first, through links, so that a pipe is never waited on and a folder is told
    // apart from a file that may not be read (the open refuses both alike).
    switch (platform::KindOfTarget(*path)) {
    case platform::FileKind::Directory:
    case platform::FileKind::Other:
        return { NumberFileProblem::NotAFile, {} };
    case platform::FileKind::Missing: // the open says why
    case platform::FileKind::Regular:
    case platform::FileKind::SymbolicLink:
        break;
    }
    platform::Result<platform::File> file = OpenForReading(*path);
    if (!file)
        return { OpenProblem(file.Error()), {} };
    if (const platform::Result<std::uint64_t> size = file->Size(); size && *size > kNumberFileLimit)
        return { NumberFileProblem::TooBig, {} };
    std::string contents;
    if (const NumberFileProblem problem = ReadAll(*file, contents);
        problem != NumberFileProblem::None)
        return { problem, {} };
    std::optional<std::string> line = FirstLineWithText(contents);
    if (!line)
        return { NumberFileProblem::Empty, {} };
    return { NumberFileProblem::None, std::move(*line) };
}

std::string NumberFileProblemText(NumberFileProblem problem)
{
    switch (problem) {
    case NumberFileProblem::None:
        return {};
    case NumberFileProblem::NotFound:
        return "datoteka ne postoji.";
    case NumberFileProblem::NotAFile:
        return "to je mapa, cijev, ure\u0111aj ili priklju\u010Dnica, a ne obi\u010Dna datoteka.";
    case NumberFileProblem::AccessDenied:
        return "nemate dozvolu za \u010Ditanje.";
    case NumberFileProblem::ReadFailed:
        return "gre\u0161ka pri \u010Ditanju.";
    case NumberFileProblem::Empty:
        return "u datoteci nema nijednog retka s tekstom.";
    case NumberFileProblem::TooBig:
        return "datoteka je ve\u0107a od 64 KiB, a datoteka s kontrolnim brojem nije tolika.";
    }
    return "gre\u0161ka pri \u010Ditanju.";
}

} // namespace app
