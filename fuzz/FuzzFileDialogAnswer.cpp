// libFuzzer target for the way a chosen file's name reaches the runtime: the paths the file
// dialog answers (UTF-8, as the file system spells them) made into the dialog's Windows-1250
// answer, a dropped file's path made into a dropped item, and the hash window's verdict on
// either. Beyond "no crash": an answer is whole or there is none; a taken name converts back
// to the very path chosen, and fits the entry that holds it.
//
// Input: one byte of dialog flags, then the paths, separated by NUL bytes (a path never holds
// one). Its corpus, fuzz/corpus/file-dialog-answer, is replayed by
// file_dialog_answer_corpus_tests in every build.

#include <app/SelectInputFile.h>
#include <platform/DisplayDrops.h>
#include <platform/Text.h>
#include <value/DeclaredStrings.h>
#include <window/FileDialog.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

/// What SelectFileManager keeps of the dialog's answer: its variable is a STRING(260).
constexpr std::size_t kAnswerVariableSize = 260;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

bool Spellable(std::string_view utf8)
{
    return static_cast<bool>(platform::Utf8ToAnsi(utf8));
}

std::vector<std::string> PathsOf(std::string_view bytes)
{
    std::vector<std::string> paths;
    for (;;) {
        const std::size_t at = bytes.find('\0');
        paths.emplace_back(bytes.substr(0, at));
        if (at == std::string_view::npos)
            return paths;
        bytes.remove_prefix(at + 1);
    }
}

std::string DirectoryOf(const std::string& path)
{
    const std::size_t at = path.rfind('/');
    if (at == std::string::npos)
        return {};
    return at == 0 ? path.substr(0, 1) : path.substr(0, at);
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

/// The hash window's verdict on a name: a taken one is the path itself, byte for byte once
/// converted back, and the entry holds it whole; a refused one is refused for a reason it has.
void CheckVerdict(const std::string& path, const platform::DroppedName& chosen)
{
    const app::NameRefusal verdict = app::JudgeChosenFile(chosen);
    if (verdict != app::NameRefusal::None) {
        const bool reason = (verdict == app::NameRefusal::Unspellable && !Spellable(path))
            || (verdict == app::NameRefusal::TooLong
                && chosen.name.size() > app::kInputFileNameLimit)
            || (verdict == app::NameRefusal::TrailingBlank && chosen.name.ends_with(' '))
            || (verdict == app::NameRefusal::NotLocal && chosen.name.empty());
        Require(reason);
        return;
    }
    Require(chosen.refusal == platform::DropRefusal::None);
    Require(chosen.name.size() <= app::kInputFileNameLimit);
    const platform::Result<std::string> back = platform::AnsiToUtf8(chosen.name);
    Require(back && *back == path);
    value::CSTRING<app::kInputFileNameLimit + 1> entry;
    entry = chosen.name;
    Require(entry.View() == chosen.name);
}

/// The dialog's answer for `flags` and `paths`, checked against the paths it came from.
void CheckDialogAnswer(std::uint32_t flags, const std::vector<std::string>& paths)
{
    const bool directory = (flags & window::filedialog::kDirectory) != 0;
    const bool multiple
        = !directory && (flags & window::filedialog::kMultiple) != 0 && paths.size() > 1;
    const std::optional<std::string> answer = window::FileDialogAnswer(flags, paths);
    const std::size_t considered = multiple ? paths.size() : 1;
    const bool allSpellable = std::all_of(
        paths.begin(), paths.begin() + static_cast<std::ptrdiff_t>(considered), Spellable);
    if (!answer) {
        // Refused for a reason: a name the code page cannot spell, an answer ending in a
        // blank the variable would drop, or no name at all.
        const std::string& last = paths[considered - 1];
        Require(!allSpellable || (!directory && (last.empty() || last.ends_with(' '))));
        return;
    }
    Require(allSpellable);
    Require(!answer->empty() && answer->back() != ' ');
    const platform::Result<std::string> utf8 = platform::AnsiToUtf8(*answer);
    Require(static_cast<bool>(utf8));
    if (directory) {
        const std::string& path = paths.front();
        Require(*utf8 == (path.ends_with('/') ? path : path + '/'));
        return;
    }
    if (!multiple) {
        Require(*utf8 == paths.front());
        // Through SelectFileManager's variable to the hash window: a name cut by the variable
        // is never taken.
        const std::string kept = answer->substr(0, kAnswerVariableSize);
        CheckVerdict(paths.front(), platform::DroppedName { platform::DropRefusal::None, kept });
        return;
    }
    // The directory, then each path, by its name alone when it lies in that directory.
    if (std::any_of(paths.begin(), paths.end(),
            [](const std::string& path) { return path.find('|') != std::string::npos; }))
        return; // the parts cannot be told apart
    const std::vector<std::string_view> parts = Split(*utf8, '|');
    Require(parts.size() == paths.size() + 1);
    const std::string folder = DirectoryOf(paths.front());
    Require(parts.front() == folder);
    const std::string lead = folder.ends_with('/') ? folder : folder + '/';
    for (std::size_t index = 0; index < paths.size(); ++index) {
        const std::string_view part = parts[index + 1];
        Require(
            part == paths[index] || (!part.empty() && lead + std::string(part) == paths[index]));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint32_t flags = data[0] & 0x3F;
    const std::vector<std::string> paths
        = PathsOf(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    CheckDialogAnswer(flags, paths);
    for (const std::string& path : paths) {
        const platform::DroppedName dropped = platform::display::DroppedLocalFile(path);
        // Refused or not, a dropped item holds text the runtime can show.
        Require(static_cast<bool>(platform::AnsiToUtf8(dropped.name)));
        Require((dropped.refusal == platform::DropRefusal::Unspellable) == !Spellable(path));
        CheckVerdict(path, dropped);
    }
    return 0;
}
