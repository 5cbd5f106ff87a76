#include "Profile.h"

#include "Ascii.h"
#include "ErrnoMapping.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace platform {

namespace {

// What Windows counts as blank around keys and values. Line ends never reach here: the
// reader splits on them first.
constexpr std::string_view kBlanks = " \t\v\f";

std::string_view TrimLeft(std::string_view text)
{
    const auto first = text.find_first_not_of(kBlanks);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view TrimRight(std::string_view text)
{
    const auto last = text.find_last_not_of(kBlanks);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string_view Trim(std::string_view text)
{
    return TrimRight(TrimLeft(text));
}

std::string_view StripMatchingQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// The whole file, or nothing when it is missing, not a regular file or cannot be read; then
// `problem`, when given, says why. A FIFO or a device is opened without waiting for a writer
// and left unread: reading one could block start-up for ever.
std::optional<std::string> ReadWholeFile(const std::string& path, SystemError* problem = nullptr)
{
    const auto fail = [problem](SystemError error) -> std::optional<std::string> {
        if (problem != nullptr)
            *problem = error;
        return std::nullopt;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return fail(ErrorFromErrno(errno, path));
    struct stat status { };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return fail(SystemError::AccessDenied);
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0) {
            text.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0) {
            break;
        } else if (errno != EINTR) {
            const int error = errno;
            ::close(fd);
            return fail(ErrorFromErrno(error, path));
        }
    }
    ::close(fd);
    return text;
}

std::optional<std::string_view> FindValue(
    std::string_view text, std::string_view section, std::string_view key)
{
    constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    if (text.starts_with(kUtf8Mark))
        text.remove_prefix(kUtf8Mark.size());

    bool inSection = false;
    while (!text.empty()) {
        const auto end = text.find_first_of("\r\n");
        std::string_view line = TrimLeft(text.substr(0, end));
        // CR LF yields an empty line between the two, which is skipped like any blank line.
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const auto close = line.rfind(']');
            if (close == std::string_view::npos)
                continue; // not a section header; ignored like any line without '='
            // Only the first section of the name is searched: leaving it ends the search.
            if (inSection)
                return std::nullopt;
            inSection = EqualsIgnoringAsciiCase(Trim(line.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection)
            continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        if (EqualsIgnoringAsciiCase(TrimRight(line.substr(0, equals)), key))
            return StripMatchingQuotes(Trim(line.substr(equals + 1)));
    }
    return std::nullopt;
}

// Windows reads the profile integer with its own string-to-integer conversion: optional sign,
// decimal digits up to the first other character, accumulated modulo 2^32.
std::int32_t ValueToInt(std::string_view value)
{
    std::size_t i = 0;
    bool negative = false;
    if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
        negative = value.front() == '-';
        i = 1;
    }
    std::uint32_t number = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        number = number * 10U + static_cast<std::uint32_t>(value[i] - '0');
    if (negative)
        number = 0U - number;
    return static_cast<std::int32_t>(number);
}

std::optional<std::string> ReadProfileValue(std::string_view section, std::string_view key)
{
    const auto path = ProfileFilePath();
    if (!path)
        return std::nullopt;
    const auto text = ReadWholeFile(*path);
    if (!text)
        return std::nullopt;
    const auto value = FindValue(*text, section, key);
    if (!value)
        return std::nullopt;
    return std::string(*value);
}

} // namespace

std::optional<std::string> ProfileFilePath()
{
    const char* explicitPath = std::getenv("VARN_WIN_INI");
    if (explicitPath != nullptr && explicitPath[0] != '\0')
        return std::string(explicitPath);
    // The XDG base directory rules say a relative XDG_CONFIG_HOME is to be ignored.
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/')
        return std::string(configHome) + "/varn/win.ini";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0')
        return std::string(home) + "/.config/varn/win.ini";
    return std::nullopt;
}

SystemError ProfileFileProblem()
{
    const auto path = ProfileFilePath();
    if (!path)
        return SystemError::None;
    SystemError problem = SystemError::None;
    if (ReadWholeFile(*path, &problem) || problem == SystemError::FileNotFound
        || problem == SystemError::PathNotFound)
        return SystemError::None;
    return problem;
}

std::string GetProfileString(
    std::string_view section, std::string_view key, std::string_view defaultValue)
{
    if (auto value = ReadProfileValue(section, key))
        return std::move(*value);
    return std::string(TrimRight(defaultValue));
}

std::int32_t GetProfileInt(
    std::string_view section, std::string_view key, std::int32_t defaultValue)
{
    const auto value = ReadProfileValue(section, key);
    // Windows reads the value as a string with an empty default, so an empty value cannot be
    // told from a missing one and answers the default too.
    if (!value || value->empty())
        return defaultValue;
    return ValueToInt(*value);
}

} // namespace platform
