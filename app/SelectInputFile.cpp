#include "SelectInputFile.h"

#include "Globals.h"
#include "Messages.h"
#include "Procedures.h"
#include "ProgramText.h"

#include <files/ErrorState.h>
#include <framework/SelectFileManager.h>
#include <platform/Path.h>
#include <value/StringStack.h>
#include <window/FileDialog.h>

#include <memory>
#include <string>
#include <string_view>

namespace app {

using value::WithoutTrailingBlanks;

namespace {

/// The filters the file dialog offers, in this order.
constexpr std::string_view kFilters[] = {
    "Tekstualna datoteka|*.TXT",
    "Sve datoteke|*.*",
    "Vedor datoteke|*.KT*",
    "MS Word datoteke|*.doc",
    "GIF datoteke|*.gif",
    "JPG datoteke|*.jpg",
    "BMP datoteke|*.bmp",
    "ICO datoteke|*.ico",
    "TIF datoteke|*.tif",
};

/// The error the file dialog posts for a chosen name Windows-1250 cannot spell.
constexpr std::int32_t kInvalidFilename = 45;

/// The directory a file's path names it in ("" for a bare name): where the next look for a
/// file starts, next to the one chosen before.
std::string_view DirectoryOf(std::string_view path)
{
    const std::size_t separator = path.rfind(platform::PathSeparator());
    if (separator == std::string_view::npos)
        return {};
    return path.substr(0, separator == 0 ? 1 : separator);
}

void Refuse(std::string_view utf8Reason)
{
    AppErrors.RaiseWithText(kMessageNameRefused, ProgramText(utf8Reason));
}

void RefuseUnspellable()
{
    Refuse("Naziv odabrane datoteke sadr\u017Ei znakove koji se ne mogu zapisati u kodnoj "
           "stranici Windows-1250. Preimenujte datoteku ili je premjestite u mapu \u010Diji "
           "naziv ih nema, pa je odaberite ponovo.");
}

/// Makes `path` (Windows-1250) the chosen file unless the entry cannot hold it; answers
/// whether it did.
bool TakeInputFileName(const std::string& path)
{
    if (path.size() >= InputFileName.kSize) {
        Refuse("Put do odabrane datoteke ima " + std::to_string(path.size())
            + " znakova, a polje \"Ulazna datoteka (file)\" prima najvi\u0161e "
            + std::to_string(InputFileName.kSize - 1)
            + ". Premjestite datoteku u mapu kra\u0107eg puta, pa je odaberite ponovo.");
        return false;
    }
    DialogFileName = path;
    InputFileName = WithoutTrailingBlanks(DialogFileName.View());
    return true;
}

} // namespace

void SelectInputFile()
{
    DialogFileName = WithoutTrailingBlanks(InputFileName.View());
    const auto selector = std::make_unique<framework::SelectFileManager>();
    selector->Setup();
    for (const std::string_view filter : kFilters)
        selector->AddFilter(filter);
    selector->flags |= window::filedialog::kNewStyle;
    selector->windowTitle = "Popis datoteka";
    selector->SetDefaultDirectory(DirectoryOf(WithoutTrailingBlanks(DialogFileName.View())));
    const std::string answer = selector->Ask(framework::KeepPath::Yes);
    if (answer.empty()) {
        // Cancelled, or refused by the dialog: the file chosen before stays chosen.
        if (files::ErrorCode() == kInvalidFilename)
            RefuseUnspellable();
        return;
    }
    TakeInputFileName(answer);
}

bool ChooseDroppedFile(const platform::DroppedName& dropped)
{
    switch (dropped.refusal) {
    case platform::DropRefusal::None:
        return TakeInputFileName(dropped.name);
    case platform::DropRefusal::Unspellable:
        RefuseUnspellable();
        return false;
    case platform::DropRefusal::NotLocal:
        break;
    }
    // The address comes last, as the drop gave it (already in Windows-1250): a long one is
    // cut from the message, the advice is not.
    AppErrors.RaiseWithText(kMessageNameRefused,
        ProgramText("Ispu\u0161teno nije datoteka ovog ra\u010Dunala. Ispustite datoteku iz "
                    "upravitelja datoteka ili je odaberite gumbom \"...\". Ispu\u0161teno: ")
            + dropped.name);
    return false;
}

} // namespace app
