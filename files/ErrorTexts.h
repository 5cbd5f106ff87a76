#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The program's string table of error texts: the run-time's own errors 2 to 96, the operating
// system's errors, posted as 300 plus the system's number, 301 to 391, and the texts of the
// run-time error stop: program faults 401 to 410, internal errors 501 to 515 ("Internal error
// 01" to "Internal error 15") and the window engine's errors 526 to 537 and 542.
//
// The table is compiled into the files layer as constant data rather than read from the
// program's resource table, so that every program that posts a file error finds the texts
// without embedding a resource of its own.

namespace files {

/// The table's text for error `id`, or nothing when the table has no text for that number
/// (an id out of both ranges, or one of the gaps such as 314 or 340 to 349). Texts are short
/// ASCII and are kept byte for byte, trailing blanks included ("Not Supported ").
std::optional<std::string_view> ProgramStringText(std::int32_t id);

} // namespace files
