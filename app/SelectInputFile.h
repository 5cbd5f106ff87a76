#pragma once

#include <platform/MessageQueue.h>

// How a file to hash is chosen: through "..." (SelectInputFile, in Procedures.h) or by dropping
// it on the hash window. Both take a name under the same checks and refuse it with the same
// message, "Datoteka nije prihvaćena".

namespace app {

/// Makes the dropped item InputFileName, as a file chosen through "..." would be. Refused,
/// with the message saying why and the file chosen before kept: an item that is no file of
/// this machine, a path holding characters Windows-1250 lacks, and a path longer than the
/// entry "Ulazna datoteka (file)" holds. Answers whether it took the name.
bool ChooseDroppedFile(const platform::DroppedName& dropped);

} // namespace app
