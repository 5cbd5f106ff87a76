#include <files/ErrorState.h>
#include <platform/FileDialog.h>
#include <platform/Path.h>
#include <platform/Text.h>
#include <value/StringStack.h>
#include <window/Engine.h>
#include <window/FileDialog.h>
#include <window/MessageBox.h>
#include <window/ModalDialog.h>
#include <window/ThreadTable.h>

#include <cassert>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The runtime hands the dialog Windows-1250 texts and takes its answer back in Windows-1250;
// the display speaks the file system's UTF-8. Every name crosses that boundary here, and one
// the runtime cannot spell is refused rather than handed on altered.

namespace window {

using value::WithoutTrailingBlanks;

namespace {

constexpr std::size_t kMaxTitleLength = 80;
constexpr std::size_t kMaxFilterLength = 255;
constexpr std::int32_t kInvalidFilename = 45;
/// The file system's limits: one name, and a whole path.
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kMaxPathBytes = 4095;

struct HandlerSlot {
    std::mutex mutex;
    FileDialogHandler handler;
};

HandlerSlot& TheHandler()
{
    static HandlerSlot slot;
    return slot;
}

/// Pops the top of the string stack, cut to `limit` characters and without trailing blanks.
/// An empty stack gives the empty text.
std::string PopText(std::size_t limit)
{
    if (value::StackDepth() == 0)
        return {};
    std::string text(WithoutTrailingBlanks(value::StackTop().View().substr(0, limit)));
    value::Drop();
    return text;
}

std::optional<std::string> ToUtf8(std::string_view ansi)
{
    platform::Result<std::string> utf8 = platform::AnsiToUtf8(ansi);
    if (!utf8)
        return std::nullopt;
    return std::move(*utf8);
}

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

/// The filter's (description, patterns) pairs. As in the system's own dialogs, the list ends
/// at the first empty part, and a description without its patterns is no entry. A pair whose
/// text has no Unicode form is left out.
std::vector<platform::FileFilter> ParseFilter(std::string_view filter)
{
    if (filter.empty())
        filter = kDefaultFileFilter;
    const std::vector<std::string_view> parts = Split(filter, '|');
    std::vector<platform::FileFilter> filters;
    for (std::size_t index = 0; index + 1 < parts.size(); index += 2) {
        if (parts[index].empty() || parts[index + 1].empty())
            break;
        const std::optional<std::string> description = ToUtf8(parts[index]);
        const std::optional<std::string> patterns = ToUtf8(parts[index + 1]);
        if (!description || !patterns)
            continue;
        platform::FileFilter entry;
        entry.description = *description;
        for (const std::string_view pattern : Split(*patterns, ';')) {
            if (!WithoutTrailingBlanks(pattern).empty())
                entry.patterns.emplace_back(pattern);
        }
        filters.push_back(std::move(entry));
    }
    return filters;
}

/// The file name the dialog starts with, in UTF-8: `name` when it parses as a file name,
/// else empty. It does not parse when it holds a control character (NUL among them) or a
/// wildcard, a byte Windows-1250 leaves undefined, a name or path longer than the file system
/// takes, or ends in the separator (a directory, not a file).
std::string InitialName(std::string_view name)
{
    if (name.empty() || name.back() == platform::PathSeparator())
        return {};
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '*' || c == '?')
            return {};
    }
    std::optional<std::string> utf8 = ToUtf8(name);
    if (!utf8 || utf8->size() > kMaxPathBytes)
        return {};
    for (const std::string_view part : Split(*utf8, platform::PathSeparator())) {
        if (part.size() > kMaxNameBytes)
            return {};
    }
    return std::move(*utf8);
}

platform::FileDialogOptions OptionsFor(std::uint32_t flags, std::string title,
    std::string_view filter, std::string_view value, std::string_view initialDirectory)
{
    platform::FileDialogOptions options;
    options.title = ToUtf8(title).value_or(std::string());
    options.multiple = (flags & filedialog::kMultiple) != 0;
    const bool lenient = (flags & filedialog::kLenient) != 0;
    if ((flags & filedialog::kDirectory) != 0) {
        // The variable names the directory to start in.
        options.mode = platform::FileDialogMode::Directory;
        options.multiple = false;
        options.initialDirectory
            = ToUtf8(value.empty() ? initialDirectory : value).value_or(std::string());
        return options;
    }
    options.mode = (flags & filedialog::kSave) != 0 ? platform::FileDialogMode::Save
                                                    : platform::FileDialogMode::Open;
    options.confirmOverwrite = !lenient;
    options.mustExist = !lenient;
    options.filters = ParseFilter(filter);
    options.initialDirectory = ToUtf8(initialDirectory).value_or(std::string());
    options.initialName = InitialName(value);
    return options;
}

/// The directory part of an absolute path: everything before its last separator ("/" for a
/// name in the root).
std::string DirectoryOf(const std::string& path)
{
    const std::size_t at = path.rfind(platform::PathSeparator());
    if (at == std::string::npos)
        return {};
    return at == 0 ? path.substr(0, 1) : path.substr(0, at);
}

/// Shows the dialog and waits for it; the chosen paths, empty when the user cancelled or the
/// dialog could not be shown.
std::vector<std::string> RunDialog(platform::FileDialogOptions options)
{
    const ModalDialogEnd end = RunModalDialog([&options](platform::WindowHandle owner) {
        options.owner = owner;
        return platform::OpenFileDialog(options);
    });
    if (end.dialog == 0)
        return {};
    std::vector<std::string> paths = platform::TakeFileDialogAnswer(end.dialog);
    if (end.answer != 1)
        paths.clear();
    return paths;
}

} // namespace

void SetFileDialogHandler(FileDialogHandler handler)
{
    HandlerSlot& slot = TheHandler();
    const std::lock_guard lock(slot.mutex);
    slot.handler = std::move(handler);
}

std::optional<std::string> FileDialogAnswer(
    std::uint32_t flags, const std::vector<std::string>& paths)
{
    assert(!paths.empty() && "a confirmed dialog answers at least one path");
    const char separator = platform::PathSeparator();
    std::string utf8;
    if ((flags & filedialog::kDirectory) != 0) {
        utf8 = paths.front();
        if (utf8.empty() || utf8.back() != separator)
            utf8 += separator;
    } else if ((flags & filedialog::kMultiple) != 0 && paths.size() > 1) {
        // The directory first, then each name, joined by "|".
        const std::string directory = DirectoryOf(paths.front());
        std::string lead = directory;
        if (lead.empty() || lead.back() != separator)
            lead += separator;
        utf8 = directory;
        for (const std::string& path : paths) {
            utf8 += '|';
            const bool inside = path.size() > lead.size() && path.starts_with(lead);
            utf8 += inside ? path.substr(lead.size()) : path;
        }
    } else {
        utf8 = paths.front();
    }
    // A blank-padded variable drops trailing blanks: it would hold another file's name.
    if (utf8.empty() || utf8.back() == ' ')
        return std::nullopt;
    platform::Result<std::string> ansi = platform::Utf8ToAnsi(utf8);
    if (!ansi)
        return std::nullopt;
    return std::move(*ansi);
}

std::int32_t FileDialog(
    std::uint32_t flags, const value::ValueReference& variable, std::string_view initialDirectory)
{
    std::string title = PopText(kMaxTitleLength);
    const std::string filter = PopText(kMaxFilterLength);

    FileDialogHandler handler;
    {
        HandlerSlot& slot = TheHandler();
        const std::lock_guard lock(slot.mutex);
        handler = slot.handler;
    }
    if (handler)
        return handler(flags, variable);
    if (!CanShowMessage())
        return 0;

    variable.Push();
    const std::string value(WithoutTrailingBlanks(value::StackTop().View()));
    value::Drop();

    files::ClearErrorState();
    const std::vector<std::string> paths
        = RunDialog(OptionsFor(flags, std::move(title), filter, value, initialDirectory));
    if (paths.empty())
        return 0;
    const std::optional<std::string> answer = FileDialogAnswer(flags, paths);
    if (!answer) {
        files::PostError(kInvalidFilename);
        return 0;
    }
    value::PushString(*answer);
    variable.Pop();

    if ((flags & filedialog::kKeepDirectory) == 0) {
        const std::string directory
            = (flags & filedialog::kDirectory) != 0 ? paths.front() : DirectoryOf(paths.front());
        (void)platform::SetCurrentDirectory(directory);
    }
    return 1;
}

} // namespace window
