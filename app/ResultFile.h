#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Writing the result file HASHBROJ.TXT: after every press it holds exactly one line, the last
// control number formed by any hash window of any copy of the program running in its
// directory.

namespace app {

/// The result file's name, as HashFile declares it.
inline constexpr std::string_view kResultFileName = "HASHBROJ.TXT";

/// Makes `digest` (HAS:SLOG, 40 characters) the one line of HashFile and puts it on the disk.
/// A name that is not a regular file (a symbolic link, whatever it points to, a FIFO, a device,
/// a folder) is refused, never followed, emptied or waited on, even when it is put in place
/// while the file is opened.
/// No window holds the file between writes: each write opens it for itself alone (read and
/// write, others denied), waiting a few seconds at most while another writer, of this copy of
/// the program or another, has it; creates it when it is missing; empties it; appends the
/// line; flushes it to the disk and closes it. So writers never interleave and the line is on
/// the disk, not in a cache, when the answer is 0. Otherwise the answer is the error of the
/// step that failed, which stays posted (ERRORCODE, ERRORFILE) for the caller to report; the
/// file is closed all the same.
[[nodiscard]] std::int32_t WriteResultFile(std::string_view digest);

/// Where the result file lies, as the hash window shows it: the current directory, the
/// platform's separator and the file's name, in Windows-1250 (see ResultFilePathIn).
std::string ResultFilePath();

/// The result file's path as shown for a current directory the file system names `directory`
/// (any bytes; UTF-8 as a rule): the directory, the separator unless it ends in one, and
/// kResultFileName, in Windows-1250. A character the code page lacks, and a byte of malformed
/// UTF-8, shows as "?": the text is only shown, never used as a path. A directory that cannot
/// be named (nothing or empty: it was removed, say) shows as ".", the working directory.
std::string ResultFilePathIn(std::optional<std::string_view> directory);

/// Whether something other than a regular file (a symbolic link, a FIFO, a device, a folder)
/// stands where the result file belongs. Only a look: writes refuse such a name on their own.
bool ResultFileNameHoldsNoFile();

/// Why a write of the result file that answered `error` cannot succeed whatever the disk does,
/// as the hash window reports it (UTF-8): the name is no regular file but a symbolic link, a
/// folder, a pipe or a device ("to je simbolička poveznica, a ne obična datoteka. ..."), or the
/// current directory's path is too long for a file's full path (`error` 45). Empty for any
/// other failure, which its error number reports. Looks at the name again: only for explaining
/// a failure.
std::string_view ResultFileRefusal(std::int32_t error);

} // namespace app
