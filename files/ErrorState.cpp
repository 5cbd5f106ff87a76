#include "ErrorState.h"

#include "ErrorTexts.h"

#include <platform/LastError.h>
#include <value/ErrorCode.h>
#include <value/MessageOverrides.h>
#include <value/RuntimeLock.h>

#include <optional>

namespace files {

namespace {

/// The longest text taken from the program's string table.
constexpr std::size_t kMaxStringTableText = 256;

/// The file-side details of the last post, valid while `code` is still the current number.
struct FileSide {
    std::int32_t code = 0;
    const FileDeclaration* file = nullptr;
    std::string fileErrorCode;
    std::string fileErrorText;
};

FileSide g_fileSide RT_GUARDED_BY(value::TheRuntimeLock);
platform::SystemError g_savedSystemError RT_GUARDED_BY(value::TheRuntimeLock)
    = platform::SystemError::None;

/// Whether the stored file-side details belong to the current error number.
bool FileSideIsCurrent()
{
    value::AssertRuntimeLockHeld();
    const std::int32_t current = value::ErrorCode();
    return current != 0 && current == g_fileSide.code;
}

std::optional<std::string_view> LookUpText(std::int32_t code)
{
    if (const auto text = value::FindMessageOverride(code))
        return text;
    if (const auto text = ProgramStringText(code))
        return text->substr(0, kMaxStringTableText);
    return std::nullopt;
}

void Post(std::int32_t code, const FileDeclaration* file, std::string_view fileErrorCode,
    std::string_view fileErrorText)
{
    value::AssertRuntimeLockHeld();
    g_savedSystemError = platform::LastSystemError();
    if (code == 0)
        code = kSystemErrorBase + static_cast<std::int32_t>(g_savedSystemError);
    g_fileSide.code = code;
    g_fileSide.file = file;
    g_fileSide.fileErrorCode.assign(fileErrorCode);
    g_fileSide.fileErrorText.assign(fileErrorText);
    value::PostErrorCode(code);
}

} // namespace

void PostError(std::int32_t code)
{
    Post(code, nullptr, {}, {});
}

void PostFileError(std::int32_t code, const FileDeclaration* file, std::string_view fileErrorCode,
    std::string_view fileErrorText)
{
    Post(code, file, fileErrorCode, fileErrorText);
}

void ClearErrorState()
{
    value::AssertRuntimeLockHeld();
    g_fileSide = FileSide {};
    value::PostErrorCode(0);
}

std::int32_t ErrorCode()
{
    return value::ErrorCode();
}

std::string ErrorText()
{
    return ErrorTextOf(value::ErrorCode());
}

const FileDeclaration* ErrorFile()
{
    value::AssertRuntimeLockHeld();
    return FileSideIsCurrent() ? g_fileSide.file : nullptr;
}

std::string_view FileErrorCode()
{
    value::AssertRuntimeLockHeld();
    return FileSideIsCurrent() ? std::string_view(g_fileSide.fileErrorCode) : std::string_view();
}

std::string_view FileErrorText()
{
    value::AssertRuntimeLockHeld();
    return FileSideIsCurrent() ? std::string_view(g_fileSide.fileErrorText) : std::string_view();
}

platform::SystemError SavedSystemError()
{
    value::AssertRuntimeLockHeld();
    return g_savedSystemError;
}

std::string ErrorTextOf(std::int32_t code)
{
    if (code == 0)
        return {};
    std::string text;
    if (const auto found = LookUpText(code)) {
        text.assign(*found);
    } else {
        text.assign(LookUpText(kUnknownErrorPosted).value_or(std::string_view()));
        text += " : ";
        text += std::to_string(code);
    }
    text.erase(0, text.find_first_not_of(' '));
    if (text.size() > kMaxErrorTextLength)
        text.resize(kMaxErrorTextLength);
    return text;
}

ErrorStateSnapshot SaveErrorState()
{
    value::AssertRuntimeLockHeld();
    ErrorStateSnapshot snapshot;
    snapshot.code = value::ErrorCode();
    if (FileSideIsCurrent()) {
        snapshot.file = g_fileSide.file;
        snapshot.fileErrorCode = g_fileSide.fileErrorCode;
        snapshot.fileErrorText = g_fileSide.fileErrorText;
    }
    snapshot.systemError = g_savedSystemError;
    return snapshot;
}

void RestoreErrorState(const ErrorStateSnapshot& snapshot)
{
    value::AssertRuntimeLockHeld();
    g_fileSide.code = snapshot.code;
    g_fileSide.file = snapshot.file;
    g_fileSide.fileErrorCode = snapshot.fileErrorCode;
    g_fileSide.fileErrorText = snapshot.fileErrorText;
    g_savedSystemError = snapshot.systemError;
    value::PostErrorCode(snapshot.code);
}

std::int32_t MapOpenError(platform::SystemError error)
{
    switch (error) {
    case platform::SystemError::SharingViolation:
        return 5;
    case platform::SystemError::BadPathName:
        return 3;
    case platform::SystemError::InvalidName:
        return 45;
    default:
        return static_cast<std::int32_t>(error);
    }
}

} // namespace files
