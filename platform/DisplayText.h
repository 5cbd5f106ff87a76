#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// Runtime text (Windows-1250 bytes) to the toolkit's strings and back, where the display meets
// the runtime.

namespace platform::display {

/// Runtime text (Windows-1250) to Qt and back. Characters with no Windows-1250 form are not
/// expected on the way back (input refuses them); each one is answered as "?".
QString FromAnsi(std::string_view ansi);
std::string ToAnsi(const QString& text);

/// The characters of `text` Windows-1250 lacks, each once, in the order they first appear
/// (the line breaks of a text box's raw text are no such characters).
std::u32string Unspellable(const QString& text);

/// The characters of `text` that Windows-1250 lacks, each once, joined by ", ".
QString UnspellableIn(const QString& text);

/// The Windows-1250 form of every character in `text`, or nothing when one has none.
std::optional<std::string> ToAnsiExact(const QString& text);

} // namespace platform::display
