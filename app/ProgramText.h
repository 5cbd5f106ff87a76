#pragma once

#include <platform/Text.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <string_view>

namespace app {

/// A text of the program, written in its sources in UTF-8, in Windows-1250 as the runtime
/// holds texts. The program's texts are Croatian, which the code page spells.
inline std::string ProgramText(std::string_view utf8)
{
    platform::Result<std::string> ansi = platform::Utf8ToAnsi(utf8);
    assert(ansi && "the program's texts are spelt in Windows-1250");
    return ansi ? std::move(*ansi) : std::string(utf8);
}

/// A number of bytes as the program shows it, in Croatian number format (UTF-8): below 1000 in
/// bytes ("532 B"), above in decimal units (1 kB = 1000 B, as the units' names say) with one
/// decimal after a comma ("1,7 kB", "4,2 GB"); a value that rounds to 1000 of a unit is shown in
/// the next ("1,0 MB", not "1000,0 kB").
inline std::string ByteCountText(std::uint64_t bytes)
{
    if (bytes < 1000)
        return std::to_string(bytes) + " B";
    constexpr std::string_view kUnits[] = { "kB", "MB", "GB", "TB", "PB", "EB" };
    double scaled = static_cast<double>(bytes) / 1000.0;
    for (std::size_t unit = 0;; ++unit) {
        const auto tenths = static_cast<std::uint64_t>(std::llround(scaled * 10.0));
        if (tenths < 10000 || unit + 1 == std::size(kUnits)) {
            return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " "
                + std::string(kUnits[unit]);
        }
        scaled /= 1000.0;
    }
}

/// The progress line of a file being hashed (UTF-8): "41 % — 1,7 GB od 4,2 GB — 1,3 GB/s".
/// The percent is rounded down (100 % only once every byte was read; an empty file is done);
/// the rate is left out before a millisecond has passed.
inline std::string HashProgressText(
    std::uint64_t done, std::uint64_t total, std::uint64_t elapsedMilliseconds)
{
    std::uint64_t percent = 100;
    if (total > 0 && done < total) {
        // 99 at most: a double can round the last bytes' share up to a whole.
        percent = std::min<std::uint64_t>(99,
            static_cast<std::uint64_t>(
                std::floor(static_cast<double>(done) * 100.0 / static_cast<double>(total))));
    }
    std::string text = std::to_string(percent) + " % \u2014 " + ByteCountText(done) + " od "
        + ByteCountText(total);
    if (elapsedMilliseconds > 0) {
        const double perSecond
            = static_cast<double>(done) * 1000.0 / static_cast<double>(elapsedMilliseconds);
        text += " \u2014 " + ByteCountText(static_cast<std::uint64_t>(perSecond)) + "/s";
    }
    return text;
}

/// "U+4E2D, U+1F600": characters the message cannot show themselves, by their numbers.
inline std::string CodePoints(const std::u32string& characters)
{
    std::string text;
    for (const char32_t c : characters) {
        char number[16];
        std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(c));
        if (!text.empty())
            text += ", ";
        text += number;
    }
    return text;
}

} // namespace app
