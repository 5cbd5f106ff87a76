#include "SelectInputFile.h"

#include "Globals.h"
#include "Messages.h"
#include "Procedures.h"
#include "ProgramText.h"

#include <files/ErrorState.h>
#include <framework/SelectFileManager.h>
#include <platform/Path.h>
#include <value/StringStack.h>
#include <window/Engine.h>
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

/// The error the file dialog posts for a chosen name the runtime cannot keep.
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

/// The file dialog refuses a name the runtime cannot keep without saying which kind it is.
void RefuseUnkeepable()
{
    Refuse("Naziv odabrane datoteke sadr\u017Ei znakove koji se ne mogu zapisati u kodnoj "
           "stranici Windows-1250 ili zavr\u0161ava razmakom. Preimenujte datoteku ili je "
           "premjestite u mapu \u010Diji naziv ih nema, pa je odaberite ponovo.");
}

/// How much of a refused path's length is known: the dialog hands a path over in
/// SelectFileManager::kMaxAnswerLength characters, so a path that fills them may be longer.
enum class Length : std::uint8_t { Exact, AtLeast };

void RefuseTooLong(std::size_t length, Length known = Length::Exact)
{
    Refuse("Put do odabrane datoteke ima "
        + std::string(known == Length::AtLeast ? "najmanje " : "") + std::to_string(length)
        + " znakova, a polje \"Ulazna datoteka (file)\" prima najvi\u0161e "
        + std::to_string(kInputFileNameLimit)
        + ". Premjestite datoteku u mapu kra\u0107eg puta, pa je odaberite ponovo.");
}

void RefuseTrailingBlank()
{
    Refuse("Naziv odabrane datoteke zavr\u0161ava razmakom, a polje \"Ulazna datoteka (file)\" "
           "razmake na kraju ne zadr\u017Eava: odabrala bi se druga datoteka. Preimenujte "
           "datoteku, pa je odaberite ponovo.");
}

void RefuseNotLocal(const std::string& shown)
{
    // The address comes last, as the drop gave it (already in Windows-1250): a long one is
    // cut from the message, the advice is not.
    AppErrors.RaiseWithText(kMessageNameRefused,
        ProgramText("Ispu\u0161teno nije datoteka ovog ra\u010Dunala. Ispustite datoteku iz "
                    "upravitelja datoteka ili je odaberite gumbom \"...\". Ispu\u0161teno: ")
            + shown);
}

/// Makes the chosen item InputFileName when JudgeChosenFile takes it, else says why not;
/// answers whether it took it.
bool TakeChosenFile(const platform::DroppedName& chosen)
{
    switch (JudgeChosenFile(chosen)) {
    case NameRefusal::None:
        DialogFileName = chosen.name;
        InputFileName = chosen.name;
        return true;
    case NameRefusal::NotLocal:
        RefuseNotLocal(chosen.name);
        return false;
    case NameRefusal::Unspellable:
        RefuseUnspellable();
        return false;
    case NameRefusal::TooLong:
        RefuseTooLong(chosen.name.size());
        return false;
    case NameRefusal::TrailingBlank:
        RefuseTrailingBlank();
        return false;
    }
    return false;
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
            RefuseUnkeepable();
        return;
    }
    if (answer.size() >= framework::SelectFileManager::kMaxAnswerLength) {
        RefuseTooLong(answer.size(), Length::AtLeast);
        return;
    }
    TakeChosenFile(platform::DroppedName { platform::DropRefusal::None, answer });
}

NameRefusal JudgeChosenFile(const platform::DroppedName& chosen)
{
    static_assert(kInputFileNameLimit == decltype(InputFileName)::kSize - 1);
    switch (chosen.refusal) {
    case platform::DropRefusal::None:
        break;
    case platform::DropRefusal::Unspellable:
        return NameRefusal::Unspellable;
    case platform::DropRefusal::NotLocal:
        return NameRefusal::NotLocal;
    }
    const std::string& path = chosen.name;
    if (path.empty())
        return NameRefusal::NotLocal;
    if (path.size() > kInputFileNameLimit)
        return NameRefusal::TooLong;
    if (path.back() == ' ')
        return NameRefusal::TrailingBlank;
    return NameRefusal::None;
}

bool ChooseDroppedFile(const platform::DroppedName& dropped)
{
    return TakeChosenFile(dropped);
}

bool TakeDroppedFile()
{
    const platform::DroppedFiles* drop = window::CurrentDrop();
    if (drop == nullptr || drop->names.empty())
        return false;
    if (drop->names.size() > 1) {
        AppErrors.Raise(kMessageOneFileAtATime);
        return false;
    }
    return ChooseDroppedFile(drop->names.front());
}

} // namespace app
