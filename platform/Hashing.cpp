#include <platform/ErrnoMapping.h>
#include <platform/Hashing.h>
#include <platform/Text.h>

#include <pelnix.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

namespace platform {

namespace {

/// ENOENT or ENOTDIR: which part of the name is missing.
FileHashError Missing(const std::string& path)
{
    return ErrorFromErrno(ENOENT, path) == SystemError::PathNotFound ? FileHashError::PathNotFound
                                                                     : FileHashError::FileNotFound;
}

/// Reading failed, or the name could not be resolved: a name too long or a loop of links is not
/// a failure of reading, and says so as the name's errors do.
FileHashError Unreadable(const std::string& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) == 0)
        return FileHashError::ReadFailed;
    switch (ErrorFromErrno(errno, path)) {
    case SystemError::NameTooLong:
        return FileHashError::InvalidName;
    case SystemError::PathNotFound:
        return FileHashError::PathNotFound;
    default:
        return FileHashError::ReadFailed;
    }
}

/// The library's answer in the runtime's terms.
FileHashError FromStatus(int status, const std::string& path)
{
    switch (status) {
    case PELNIX_OK:
        return FileHashError::None;
    case PELNIX_NOT_FOUND:
        return Missing(path);
    case PELNIX_NO_PERMISSION:
        return FileHashError::AccessDenied;
    case PELNIX_IS_DIRECTORY:
        return FileHashError::IsDirectory;
    case PELNIX_NOT_REGULAR:
        return FileHashError::NotAFile;
    case PELNIX_CANCELLED:
        return FileHashError::Cancelled;
    case PELNIX_INVALID_ARGUMENT:
        return FileHashError::InvalidName;
    case PELNIX_READ_ERROR:
    default:
        return Unreadable(path);
    }
}

/// Hands the library's progress calls to the caller's function.
int ForwardProgress(unsigned long long done, unsigned long long total, void* userData)
{
    const HashProgress& progress = *static_cast<const HashProgress*>(userData);
    return progress(done, total) ? 1 : 0;
}

} // namespace

void HashData(const unsigned char* data, std::uint32_t length, char* digest)
{
    doSHA(data, length, digest);
}

FileHashError HashFile(std::string_view ansiPath, char* digest)
{
    const FileHashError error = HashFile(ansiPath, digest, HashProgress());
    return error == FileHashError::IsDirectory ? FileHashError::NotAFile : error;
}

FileHashError HashFile(std::string_view ansiPath, char* digest, const HashProgress& progress)
{
    digest[0] = '\0';
    if (ansiPath.empty())
        return FileHashError::NoName;
    if (ansiPath.find('\0') != std::string_view::npos)
        return FileHashError::InvalidName;
    Result<std::string> path = AnsiToUtf8(ansiPath);
    if (!path)
        return FileHashError::InvalidName;
    const int status = progress ? pelnix_sha1_file(path->c_str(), digest, ForwardProgress,
                           const_cast<HashProgress*>(&progress))
                                : pelnix_sha1_file(path->c_str(), digest, nullptr, nullptr);
    return FromStatus(status, *path);
}

} // namespace platform
