#pragma once

#include <cassert>
#include <cstdint>
#include <string_view>
#include <utility>
#include <variant>

namespace platform {

/// The operating system's error numbers as the runtime knows them: Windows system error
/// numbers, whatever the system underneath. The runtime posts them as 300 + the number.
enum class SystemError : std::uint32_t {
    None = 0,
    InvalidFunction = 1,
    FileNotFound = 2,
    PathNotFound = 3, ///< a directory of the path is missing or is not a directory
    TooManyOpenFiles = 4,
    AccessDenied = 5, ///< also a directory or any other non-regular file where a file is meant
    InvalidHandle = 6,
    NotEnoughMemory = 8,
    GeneralFailure = 31, ///< an I/O error, or a system failure with no closer number
    SharingViolation = 32,
    LockViolation = 33,
    SharingBufferExceeded = 36, ///< the system ran out of lock records
    HandleEof = 38,
    NotSupported = 50,
    FileExists = 80,
    InvalidParameter = 87,
    DiskFull = 112,
    InvalidName = 123,
    NotLocked = 158, ///< an unlock of a range the handle had not locked
    BadPathName = 161,
    NameTooLong = 206,
    NoUnicodeTranslation = 1113, ///< a character has no form in the target code page
};

/// The English name of the error for diagnostics ("File Not Found").
std::string_view SystemErrorName(SystemError error);

/// A value or the system error that prevented it.
template<typename T> class [[nodiscard]] Result {
public:
    Result(T value)
        : m_value(std::move(value))
    {
    }
    Result(SystemError error)
        : m_value(error)
    {
        assert(error != SystemError::None && "a failure needs an error number");
    }

    bool IsError() const { return std::holds_alternative<SystemError>(m_value); }
    explicit operator bool() const { return !IsError(); }
    SystemError Error() const
    {
        return IsError() ? std::get<SystemError>(m_value) : SystemError::None;
    }

    T& Value() { return std::get<T>(m_value); }
    const T& Value() const { return std::get<T>(m_value); }
    T& operator*() { return Value(); }
    const T& operator*() const { return Value(); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }

private:
    std::variant<T, SystemError> m_value;
};

} // namespace platform
