#pragma once

#include <platform/Text.h>

#include <cassert>
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

} // namespace app
