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

/// Why the file at `path` (file-system spelling) cannot be read whole, looked at after the
/// library failed: what stat and a trial open say, else a read failure on the way.
SystemError WhyUnreadable(const std::string& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0)
        return ErrorFromErrno(errno, path);
    if (!S_ISREG(status.st_mode))
        return SystemError::AccessDenied;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ErrorFromErrno(errno, path);
    ::close(fd);
    return SystemError::GeneralFailure;
}

} // namespace

void HashData(const unsigned char* data, std::uint32_t length, char* digest)
{
    doSHA(data, length, digest);
}

SystemError HashFile(std::string_view ansiPath, char* digest)
{
    digest[0] = '\0';
    if (ansiPath.empty() || ansiPath.find('\0') != std::string_view::npos)
        return SystemError::InvalidName;
    Result<std::string> path = AnsiToUtf8(ansiPath);
    if (!path)
        return SystemError::InvalidName;
    // A directory opens for reading on this system and only its reads fail; refuse it first
    // so that its answer does not depend on how the library reads.
    struct stat status { };
    if (::stat(path->c_str(), &status) == 0 && !S_ISREG(status.st_mode))
        return SystemError::AccessDenied;
    doSHAOnFile(path->c_str(), digest);
    if (digest[0] != '\0')
        return SystemError::None;
    return WhyUnreadable(*path);
}

} // namespace platform
