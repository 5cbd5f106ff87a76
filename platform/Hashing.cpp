#include <platform/ErrnoMapping.h>
#include <platform/Hashing.h>
#include <platform/Text.h>

#include <fcntl.h>
#include <pelnix.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace platform {

namespace {

FileHashError FromErrno(int error, const std::string& path)
{
    switch (ErrorFromErrno(error, path)) {
    case SystemError::FileNotFound:
        return FileHashError::FileNotFound;
    case SystemError::PathNotFound:
        return FileHashError::PathNotFound;
    case SystemError::InvalidName:
    case SystemError::NameTooLong:
        return FileHashError::InvalidName;
    case SystemError::AccessDenied:
        return FileHashError::AccessDenied;
    default:
        return FileHashError::ReadFailed;
    }
}

/// What the file at `path` (file-system spelling) is, as far as reading it goes: None for a
/// regular file that opens for reading.
FileHashError Readability(const std::string& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0)
        return FromErrno(errno, path);
    if (!S_ISREG(status.st_mode))
        return FileHashError::NotAFile;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return FromErrno(errno, path);
    ::close(fd);
    return FileHashError::None;
}

} // namespace

void HashData(const unsigned char* data, std::uint32_t length, char* digest)
{
    doSHA(data, length, digest);
}

FileHashError HashFile(std::string_view ansiPath, char* digest)
{
    digest[0] = '\0';
    if (ansiPath.empty())
        return FileHashError::NoName;
    if (ansiPath.find('\0') != std::string_view::npos)
        return FileHashError::InvalidName;
    Result<std::string> path = AnsiToUtf8(ansiPath);
    if (!path)
        return FileHashError::InvalidName;
    // Looked at first: a directory opens for reading here and only its reads fail, and reading
    // a pipe would wait for a writer for ever.
    if (const FileHashError unreadable = Readability(*path); unreadable != FileHashError::None)
        return unreadable;
    doSHAOnFile(path->c_str(), digest);
    if (digest[0] != '\0')
        return FileHashError::None;
    // It went between the look and the reading, or reading failed on the way.
    const FileHashError now = Readability(*path);
    return now == FileHashError::None ? FileHashError::ReadFailed : now;
}

} // namespace platform
