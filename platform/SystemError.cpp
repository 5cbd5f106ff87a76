#include "SystemError.h"

#include "ErrnoMapping.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

namespace platform {

std::string_view SystemErrorName(SystemError error)
{
    switch (error) {
    case SystemError::None:
        return "No Error";
    case SystemError::InvalidFunction:
        return "Invalid Function";
    case SystemError::FileNotFound:
        return "File Not Found";
    case SystemError::PathNotFound:
        return "Path Not Found";
    case SystemError::TooManyOpenFiles:
        return "Too Many Open Files";
    case SystemError::AccessDenied:
        return "Access Denied";
    case SystemError::InvalidHandle:
        return "Invalid Handle";
    case SystemError::NotEnoughMemory:
        return "Insufficient Memory";
    case SystemError::GeneralFailure:
        return "General Failure";
    case SystemError::SharingViolation:
        return "Sharing Violation";
    case SystemError::LockViolation:
        return "Lock Violation";
    case SystemError::SharingBufferExceeded:
        return "Sharing Buffer Exceeded";
    case SystemError::HandleEof:
        return "Handle EOF";
    case SystemError::NotSupported:
        return "Not Supported";
    case SystemError::FileExists:
        return "File Already Exists";
    case SystemError::InvalidParameter:
        return "Invalid Parameter";
    case SystemError::DiskFull:
        return "Disk Full";
    case SystemError::InvalidName:
        return "Invalid Name";
    case SystemError::NotLocked:
        return "Not Locked";
    case SystemError::BadPathName:
        return "Bad Path Name";
    case SystemError::NameTooLong:
        return "Name Too Long";
    case SystemError::NoUnicodeTranslation:
        return "No Unicode Translation";
    }
    // A number the enumeration does not name, cast in from elsewhere.
    return "Unknown Error";
}

namespace {

// ENOENT does not say which part of the path is missing; Windows does (2 for the last name,
// 3 for a directory on the way), so look at the directory that should hold the name.
SystemError MissingNameError(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return SystemError::FileNotFound; // the current directory holds it, and it exists
    const std::string directory(slash == 0 ? std::string_view("/") : path.substr(0, slash));
    struct stat status { };
    if (::stat(directory.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return SystemError::PathNotFound;
    return SystemError::FileNotFound;
}

} // namespace

SystemError ErrorFromErrno(int error, std::string_view path)
{
    switch (error) {
    case 0:
        return SystemError::None;
    case ENOENT:
        return path.empty() ? SystemError::FileNotFound : MissingNameError(path);
    case ENOTDIR:
    case ELOOP: // the name cannot be resolved to anything
        return SystemError::PathNotFound;
    case EMFILE:
    case ENFILE:
        return SystemError::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return SystemError::AccessDenied;
    case EBADF:
        return SystemError::InvalidHandle;
    case ENOMEM:
        return SystemError::NotEnoughMemory;
    case EBUSY:
    case ETXTBSY: // a running program's file, which Windows also keeps from writers
        return SystemError::SharingViolation;
    case EAGAIN:
        return SystemError::LockViolation;
    case ENOLCK:
        return SystemError::SharingBufferExceeded;
    case EOPNOTSUPP:
    case ENOSYS:
        return SystemError::NotSupported;
    case EEXIST:
    case ENOTEMPTY:
        return SystemError::FileExists;
    case EINVAL:
        return SystemError::InvalidParameter;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return SystemError::DiskFull;
    case EILSEQ:
        return SystemError::InvalidName;
    case ENAMETOOLONG:
        return SystemError::NameTooLong;
    default:
        return SystemError::GeneralFailure;
    }
}

} // namespace platform
