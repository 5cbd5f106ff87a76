#include "Path.h"

#include "ErrnoMapping.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform {

namespace {

constexpr std::string_view kDeletedSuffix = " (deleted)";

bool HoldsNul(std::string_view path)
{
    return path.find('\0') != std::string_view::npos;
}

bool Exists(const std::string& path)
{
    struct stat status { };
    return ::lstat(path.c_str(), &status) == 0;
}

} // namespace

char PathSeparator()
{
    return '/';
}

Result<std::string> FullPath(std::string_view path)
{
    if (path.empty() || HoldsNul(path))
        return SystemError::InvalidName;
    std::string joined;
    if (path.front() != '/') {
        Result<std::string> current = CurrentDirectory();
        if (!current)
            return current.Error();
        joined = std::move(*current);
        joined += '/';
    }
    joined += path;

    std::vector<std::string_view> names;
    std::string_view rest = joined;
    while (!rest.empty()) {
        const auto slash = rest.find('/');
        const std::string_view name = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
            continue;
        }
        names.push_back(name);
    }

    std::string full;
    for (const std::string_view name : names) {
        full += '/';
        full += name;
    }
    if (full.empty() || path.back() == '/')
        full += '/';
    return full;
}

Result<std::string> CurrentDirectory()
{
    std::string buffer(256, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
            buffer.resize(buffer.find('\0'));
            return buffer;
        }
        if (errno != ERANGE) {
            // The directory was removed, or lies outside the process's root.
            return errno == ENOENT ? SystemError::PathNotFound : ErrorFromErrno(errno);
        }
        buffer.resize(buffer.size() * 2);
    }
}

SystemError SetCurrentDirectory(std::string_view path)
{
    if (path.empty() || HoldsNul(path))
        return SystemError::InvalidName;
    const std::string name(path);
    if (::chdir(name.c_str()) != 0)
        return ErrorFromErrno(errno, path);
    return SystemError::None;
}

Result<std::string> OwnProgramPath()
{
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return ErrorFromErrno(errno);
        if (static_cast<std::size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(length));
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    // The kernel marks a program file that is gone by appending " (deleted)"; a file that
    // really has that name is still there and keeps it.
    if (buffer.ends_with(kDeletedSuffix) && !Exists(buffer))
        buffer.resize(buffer.size() - kDeletedSuffix.size());
    return buffer;
}

std::string EnvironmentFilePath(std::string_view programPath)
{
    const auto slash = programPath.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::string_view name = programPath.substr(nameStart);
    const auto stemStart = name.find_first_not_of('.');
    std::size_t stemLength = name.size();
    if (stemStart != std::string_view::npos) {
        const auto dot = name.rfind('.');
        if (dot != std::string_view::npos && dot > stemStart)
            stemLength = dot;
    }
    std::string result(programPath.substr(0, nameStart + stemLength));
    result += ".ENV";
    return result;
}

std::string ShortPath(std::string_view path)
{
    return std::string(path);
}

} // namespace platform
