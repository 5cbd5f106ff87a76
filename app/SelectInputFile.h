#pragma once

#include <platform/MessageQueue.h>

#include <cstddef>
#include <cstdint>

// How a file to hash is chosen: through "..." (SelectInputFile, in Procedures.h) or by dropping
// it on the hash window. Both take a name under the same checks and refuse it with the same
// message, "Datoteka nije prihvaćena".

namespace app {

/// The longest path the entry "Ulazna datoteka (file)" (InputFileName) holds.
inline constexpr std::size_t kInputFileNameLimit = 126;

/// Why a chosen item is not taken as the file to hash.
enum class NameRefusal : std::uint8_t {
    None,          ///< taken
    NotLocal,      ///< no file of this machine
    Unspellable,   ///< its path holds characters Windows-1250 lacks
    TooLong,       ///< its path is longer than kInputFileNameLimit
    TrailingBlank, ///< its path ends in a blank, which the entry, blank-padded, cannot keep
};

/// The verdict on an item chosen through "..." or dropped, before anything changes. An item
/// taken (None) becomes InputFileName byte for byte: `chosen.name` is then the whole path in
/// Windows-1250, at most kInputFileNameLimit characters, not ending in a blank. An empty name
/// names no file and counts as NotLocal.
NameRefusal JudgeChosenFile(const platform::DroppedName& chosen);

/// Makes the dropped item InputFileName, as a file chosen through "..." would be. Refused,
/// with the message saying why and the file chosen before kept: an item that is no file of
/// this machine, a path holding characters Windows-1250 lacks, a path longer than the entry
/// "Ulazna datoteka (file)" holds and a path ending in a blank (see JudgeChosenFile). Answers
/// whether it took the name.
bool ChooseDroppedFile(const platform::DroppedName& dropped);

/// The files of the drop the window's event brings (an "EVENT:Drop"): one is chosen as
/// ChooseDroppedFile chooses it; of several, none (the number is formed for one file at a
/// time: the message says so), and the file chosen before stays. Answers whether it took one.
bool TakeDroppedFile();

} // namespace app
