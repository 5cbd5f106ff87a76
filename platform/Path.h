#pragma once

#include <platform/SystemError.h>

#include <string>
#include <string_view>

namespace platform {

/// The character that separates a path's names: '/'. Code that builds a path uses this, never
/// a literal, so the runtime's own paths read as this system's do.
char PathSeparator();

/// The absolute form of `path`: a relative path is taken from the current directory; "." and
/// ".." names are resolved by the text alone (symbolic links are not followed, and the names
/// need not exist); repeated separators become one; ".." at the root stays at the root. A
/// trailing separator is kept, as a marker that the path names a directory, except that the
/// root is always "/". An empty path, or one holding a NUL character, answers InvalidName.
Result<std::string> FullPath(std::string_view path);

/// The process's current directory as an absolute path.
Result<std::string> CurrentDirectory();

/// Makes `path` the current directory of the whole process (every thread shares it). A
/// missing directory answers FileNotFound, a missing or non-directory component on the way,
/// or a path naming a file, PathNotFound; an empty path InvalidName. Answers None on success.
[[nodiscard]] SystemError SetCurrentDirectory(std::string_view path);

/// The absolute path of the running program's file. When the file was replaced or removed
/// while the program ran, the path it was started from is answered all the same.
Result<std::string> OwnProgramPath();

/// The locale environment file that belongs to the program at `programPath`: the path with
/// its file name's extension replaced by ".ENV", or ".ENV" added when the name has none
/// ("/x/varn.exe" gives "/x/varn.ENV", "/usr/bin/varn" gives "/usr/bin/varn.ENV"). Only the
/// last name is looked at, so a dot in a directory name is no extension; neither are the dots
/// that begin a name, which mark a hidden file ("/x/.varn" gives "/x/.varn.ENV").
std::string EnvironmentFilePath(std::string_view programPath);

/// The short form of a path, which on this system is the path itself.
std::string ShortPath(std::string_view path);

} // namespace platform
