#include "ResultFile.h"

#include "Globals.h"

#include <files/ErrorState.h>
#include <files/FileOps.h>
#include <platform/File.h>
#include <platform/Path.h>
#include <platform/Text.h>
#include <window/RuntimeLock.h>

#include <algorithm>
#include <chrono>

namespace app {

namespace {

/// Read and write, others denied: a writer has the file to itself.
constexpr std::int32_t kReadWriteDenyAll = 0x12;
constexpr std::int32_t kFileNotFound = 2;
constexpr std::int32_t kAccessDenied = 5;
constexpr std::int32_t kInvalidFilename = 45;

/// How long a write waits for another writer to let go of the file. A writer holds it only for
/// one line and a flush, so this is reached only when something keeps the file open.
constexpr auto kWriterPatience = std::chrono::seconds(5);
constexpr auto kRetryPause = std::chrono::milliseconds(10);

/// True when the last OPEN failed because another open denies this one, not for want of rights.
bool HeldByAnotherWriter()
{
    return files::ErrorCode() == kAccessDenied
        && files::SavedSystemError() == platform::SystemError::SharingViolation;
}

bool Failed(std::int32_t result)
{
    return result > 0;
}

/// Opens HashFile for this write alone; answers 0 or the error that stopped it.
std::int32_t OpenForWriting()
{
    const auto deadline = std::chrono::steady_clock::now() + kWriterPatience;
    bool created = false;
    for (;;) {
        const std::int32_t result = files::Open(&HashFile, kReadWriteDenyAll);
        if (!Failed(result))
            return 0;
        if (result == kFileNotFound && !created) {
            // Removed since the window opened: made again, as a window's start makes it. A
            // writer that made it first, and holds it, is waited for as at the open.
            created = true;
            if (const std::int32_t made = files::Create(&HashFile);
                Failed(made) && !HeldByAnotherWriter())
                return made;
            continue;
        }
        if (!HeldByAnotherWriter() || std::chrono::steady_clock::now() >= deadline)
            return result;
        window::PauseOutsideRuntimeLock(kRetryPause);
    }
}

} // namespace

std::int32_t WriteResultFile(std::string_view digest)
{
    if (const std::int32_t opened = OpenForWriting(); opened != 0)
        return opened;
    std::int32_t result = files::Empty(&HashFile);
    if (!Failed(result)) {
        const std::span<char, kHashFileRecordLength> slog = HashFileSlog();
        std::ranges::fill(slog, ' ');
        std::ranges::copy(digest.substr(0, slog.size()), slog.begin());
        result = files::Append(&HashFile);
    }
    if (!Failed(result))
        result = files::Flush(&HashFile);
    if (Failed(result)) {
        // The failure is what the caller reports, not what closing says after it.
        const files::ErrorStateSnapshot failure = files::SaveErrorState();
        files::Close(&HashFile);
        files::RestoreErrorState(failure);
        return result;
    }
    result = files::Close(&HashFile);
    return Failed(result) ? result : 0;
}

std::string ResultFilePath()
{
    const platform::Result<std::string> directory = platform::CurrentDirectory();
    return ResultFilePathIn(directory ? std::optional<std::string_view>(*directory) : std::nullopt);
}

std::string ResultFilePathIn(std::optional<std::string_view> directory)
{
    std::string path = directory && !directory->empty() ? platform::Utf8ToAnsiShown(*directory)
                                                        : std::string(".");
    if (path.back() != platform::PathSeparator())
        path += platform::PathSeparator();
    path += kResultFileName;
    return path;
}

bool ResultFileNameHoldsNoFile()
{
    const platform::FileKind kind = platform::KindOf(kResultFileName);
    return kind != platform::FileKind::Missing && kind != platform::FileKind::Regular;
}

std::string_view ResultFileRefusal(std::int32_t error)
{
    switch (platform::KindOf(kResultFileName)) {
    case platform::FileKind::SymbolicLink:
        return "to je simboli\u010Dka poveznica, a ne obi\u010Dna datoteka. Program pi\u0161e "
               "samo u obi\u010Dnu datoteku: uklonite poveznicu ili pokrenite program u drugoj "
               "mapi.";
    case platform::FileKind::Directory:
        return "to je mapa, a ne datoteka. Preimenujte je ili pokrenite program u drugoj mapi.";
    case platform::FileKind::Other:
        return "to je cijev, ure\u0111aj ili priklju\u010Dnica, a ne obi\u010Dna datoteka. "
               "Program pi\u0161e samo u obi\u010Dnu datoteku: uklonite je ili pokrenite "
               "program u drugoj mapi.";
    case platform::FileKind::Missing:
    case platform::FileKind::Regular:
        break;
    }
    // The declared name is valid: an invalid name can only be the full path, made too long by
    // the current directory's.
    if (error == kInvalidFilename)
        return "put do nje je preduga\u010Dak. Pokrenite program u mapi kra\u0107eg puta.";
    return {};
}

} // namespace app
