#pragma once

#include <cstdint>
#include <span>

// The program's own messages, added to the error manager's table at start-up beside the
// framework's. Their numbers start above the framework's.

namespace app {

/// "Kontrolni broj nije zapisan": the result file could not be written (%File, %ErrorText).
inline constexpr std::uint16_t kMessageNotWritten = 101;
/// "Kontrolni broj nije formiran": the chosen file gave no number (%File; %Message says why).
inline constexpr std::uint16_t kMessageFileNotHashed = 102;
/// "Datoteka nije odabrana": the file button was pressed with no file named.
inline constexpr std::uint16_t kMessageNoFile = 103;
/// "Datoteka nije prihvaćena": a chosen name the window cannot take (%Message says why).
inline constexpr std::uint16_t kMessageNameRefused = 104;
/// "Tekst nije prihvaćen": the text box holds characters Windows-1250 lacks (%Message
/// lists them).
inline constexpr std::uint16_t kMessageTextRefused = 105;
/// "Ispušteno je više datoteka": several files dropped on the hash window at once.
inline constexpr std::uint16_t kMessageOneFileAtATime = 106;
/// "Kontrolni broj nije zapisan": the result file cannot be written whatever the disk does
/// (%File; %Message says why: a link, a pipe, a device or a folder in its place, which the
/// program never writes through, or a path too long).
inline constexpr std::uint16_t kMessageNotWrittenBecause = 107;
/// "Očekivani kontrolni broj nije ispravan": the verify window's expected number does not read
/// as 40 hexadecimal digits (%Message says why).
inline constexpr std::uint16_t kMessageExpectedNumberInvalid = 108;
/// "Kontrolni broj nije pročitan": the file picked to fill in the expected number gave none
/// (%File; %Message says why).
inline constexpr std::uint16_t kMessageNumberFileNotRead = 109;

/// The messages in the error manager's encoded form (see ErrorManager::AddMessages), texts
/// in Windows-1250.
std::span<const std::uint8_t> ProgramMessages();

} // namespace app
