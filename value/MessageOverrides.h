#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Replacement texts for run-time messages and standard button captions, set by the locale
// environment file at start-up. Whoever shows a run-time message asks FindMessageOverride
// first and falls back to the program's string resources only when it answers nothing; a
// message box takes the caption of its n-th standard button (n from 0 to 7) from number
// kButtonCaptionBase + n.
//
// The overrides are process-wide, written during start-up and read-only afterwards.

namespace value {

/// Override number of the first standard message-box button's caption (0x7F00).
inline constexpr std::int32_t kButtonCaptionBase = 32512;
/// Standard message-box buttons have captions kButtonCaptionBase to kButtonCaptionBase + 7.
inline constexpr int kButtonCaptionCount = 8;

/// Records `text` as the replacement for message `number`. A number that already has one gets
/// the new text in place; a new number goes in front of all the others.
void SetMessageOverride(std::int32_t number, std::string_view text);

/// The replacement text of message `number`, or nothing when it has none. The view stays valid
/// until that number's text is replaced or the overrides are cleared.
std::optional<std::string_view> FindMessageOverride(std::int32_t number);

/// The numbers that have a replacement, newest first (the order of the list); for diagnostics.
std::vector<std::int32_t> MessageOverrideNumbers();

/// Forgets every override (test fixtures; the runtime itself never removes one).
void ClearMessageOverrides();

} // namespace value
