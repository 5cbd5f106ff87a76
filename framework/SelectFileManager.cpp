#include <framework/SelectFileManager.h>
#include <platform/Path.h>
#include <value/StringStack.h>
#include <value/ValueReference.h>
#include <window/FileDialog.h>

#include <algorithm>
#include <array>

namespace framework {

using value::WithoutTrailingBlanks;

namespace {

std::string Cut(std::string_view text, std::size_t length)
{
    return std::string(text.substr(0, length));
}

} // namespace

void SelectFileManager::Setup()
{
    windowTitle = kDefaultTitle;
    flags = 0;
}

void SelectFileManager::AddFilter(std::string_view text)
{
    if (WithoutTrailingBlanks(text).empty())
        return;
    if (WithoutTrailingBlanks(maskString).empty()) {
        maskString = Cut(text, kMaxMaskLength);
        return;
    }
    std::string joined(WithoutTrailingBlanks(maskString));
    joined += '|';
    joined += WithoutTrailingBlanks(text);
    maskString = Cut(joined, kMaxMaskLength);
}

void SelectFileManager::SetDefaultDirectory(std::string_view directory)
{
    m_defaultDirectory = Cut(directory, kMaxDirectoryLength);
}

std::string SelectFileManager::Ask(KeepPath keepPath)
{
    if (keepPath == KeepPath::Yes) {
        // Kept whole: a cut path could name another directory when it is put back.
        auto current = platform::CurrentDirectory();
        savePath = current ? *current : std::string();
    }

    // The name travels in a STRING(260), as the dialog's variable.
    std::array<char, kMaxAnswerLength> name {};
    value::AssignString(name.data(), static_cast<std::uint32_t>(name.size()), defaultFile.data(),
        static_cast<std::int64_t>(std::min(defaultFile.size(), kMaxFileLength)));
    const auto variable = value::ValueReference::Make(
        value::TypeCode::String, name.data(), static_cast<std::uint32_t>(name.size()));

    const std::string_view mask = WithoutTrailingBlanks(maskString);
    // The default directory is handed to the dialog rather than made the process's current
    // directory: that is shared by every thread, and while the dialog is up other windows run
    // and may write files by relative name.
    const bool chosen = variable
        && ShowDialog(flags, *variable, mask.empty() ? kAllFiles : mask,
               std::string_view(windowTitle).substr(0, kMaxTitleLength),
               WithoutTrailingBlanks(m_defaultDirectory))
            == 1;

    if (keepPath == KeepPath::Yes && !savePath.empty())
        (void)platform::SetCurrentDirectory(savePath);
    if (!chosen)
        return {};
    return std::string(WithoutTrailingBlanks(std::string_view(name.data(), name.size())));
}

std::int32_t SelectFileManager::ShowDialog(std::uint32_t dialogFlags,
    const value::ValueReference& name, std::string_view filter, std::string_view title,
    std::string_view initialDirectory)
{
    value::PushString(filter);
    value::PushString(title);
    return window::FileDialog(dialogFlags, name, initialDirectory);
}

} // namespace framework
