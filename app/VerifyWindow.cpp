#include "ControlNumber.h"
#include "FileHashing.h"
#include "Globals.h"
#include "Messages.h"
#include "Procedure.h"
#include "Procedures.h"
#include "ProgramText.h"
#include "SelectInputFile.h"

#include <files/ErrorState.h>
#include <framework/SelectFileManager.h>
#include <platform/Display.h>
#include <platform/Hashing.h>
#include <value/DeclaredStrings.h>
#include <value/StringStack.h>
#include <window/Engine.h>
#include <window/EventCodes.h>
#include <window/FileDialog.h>

#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace app {

using value::WithoutTrailingBlanks;

namespace {

// The verify window's fields.
constexpr std::int32_t kExpectedBox = 2;
constexpr std::int32_t kFromFileButton = 3; // "Iz datoteke HASHBROJ.TXT"
constexpr std::int32_t kTextBox = 5;
constexpr std::int32_t kTextButton = 6;   // "Provjeri" for the typed text
constexpr std::int32_t kChooseButton = 9; // "..."
constexpr std::int32_t kFileButton = 10;  // "Provjeri" for the chosen file
constexpr std::int32_t kProgressLine = 11;
constexpr std::int32_t kCancelButton = 12; // "Prekini"
constexpr std::int32_t kAnswerLine = 13;
constexpr std::int32_t kExpectedLine = 15;
constexpr std::int32_t kFormedLine = 17;
constexpr std::int32_t kMarkerLine = 18;
constexpr std::int32_t kCloseButton = 19;
/// The icon beside the answer, which the procedure adds as the window opens.
constexpr std::int32_t kAnswerIcon = 20;

/// The buttons that may not be pressed while a file is read; the expected number's box stays
/// editable.
constexpr std::int32_t kIdleOnly[] = { kFromFileButton, kTextButton, kChooseButton, kFileButton };
/// The controls that take part in hashing a file.
constexpr FileHashingFields kHashingFields { kProgressLine, kCancelButton, kCloseButton,
    kIdleOnly };

/// The answer's colours (0x00BBGGRR): a dark green and a dark red, each readable on the
/// window's light grey.
constexpr std::uint32_t kMatchColour = 0x00007A00;
constexpr std::uint32_t kMismatchColour = 0x000000C0;

/// The error the file dialog posts for a chosen name the runtime cannot keep.
constexpr std::int32_t kInvalidFilename = 45;

/// What the verify window works with, created as the procedure starts.
struct VerifyWindowData {
    value::STRING<255> expectedText; ///< the number the user expects, as typed (the text box)
    value::STRING<500> textBuffer;   ///< the string to check (the text box)
    /// Where the library writes the number: 40 characters and a NUL.
    std::array<char, platform::kControlNumberLength + 1> digestOut {};
};

/// "^^^^^^^^^^" under group `group` (0..3) of a number shown in four groups of ten.
std::string GroupMarker(std::size_t group)
{
    return std::string(group * 11, ' ') + std::string(10, '^');
}

class VerifyWindowProcedure final : public ProgramProcedure {
public:
    VerifyWindowProcedure(window::Window& window, VerifyWindowData& data)
        : ProgramProcedure(window)
        , m_data(data)
    {
    }

    std::uint32_t Init() override
    {
        if (const std::uint32_t level = ProgramProcedure::Init(); level != framework::LevelOk)
            return level;
        AddAnswerIcon();
        TakeNumberFromClipboard();
        return framework::LevelOk;
    }

    std::uint32_t OnAccepted() override
    {
        switch (window::AcceptedField()) {
        case kTextButton:
            CheckText();
            break;
        case kFileButton:
            CheckChosenFile();
            break;
        case kFromFileButton:
            TakeNumberFromResultFile();
            break;
        case kCloseButton:
            window::PostEvent(window::event::kCloseWindow);
            break;
        case kChooseButton:
            ThreadRequest() = framework::RequestSelect;
            SelectInputFile();
            ThreadResponse() = framework::ResponseCancelled;
            Reset(1); // entry 8 shows the new InputFileName
            break;
        default:
            break;
        }
        return WindowManager::OnAccepted();
    }

    std::uint32_t OnWindowEvent() override
    {
        if (window::CurrentEvent() == window::event::kDrop && TakeDroppedFile())
            Reset(1); // entry 8 shows the new InputFileName
        return WindowManager::OnWindowEvent();
    }

private:
    /// The icon that tells the answer by its shape as well as by the line's colour: left of
    /// the answer line, its height, hidden until there is an answer.
    void AddAnswerIcon()
    {
        const platform::WindowHandle line = ControlHandle(kAnswerLine);
        const platform::Rect beside = platform::WindowRect(line);
        const std::int32_t size = std::min(platform::StandardIconSize(), beside.height);
        platform::ControlOptions icon;
        icon.kind = platform::ControlKind::Icon;
        icon.parent = ProcedureWindow().Handle();
        icon.id = window::kControlIdOffset + static_cast<std::uint32_t>(kAnswerIcon);
        icon.rect
            = { ProcedureWindow().Units().X(3), beside.y + (beside.height - size) / 2, size, size };
        icon.tabStop = false;
        icon.border = false;
        icon.visible = false;
        platform::CreateControl(icon);
    }

    /// A number copied from an e-mail or a web page is what the user most likely came to
    /// check: the clipboard's text, when it reads as one, fills the expected number in.
    void TakeNumberFromClipboard()
    {
        const std::string clipboard = platform::ClipboardText();
        if (clipboard.size() > decltype(m_data.expectedText)::kSize)
            return;
        const ExpectedNumber number = ReadExpectedNumber(clipboard);
        if (number.problem != NumberProblem::None)
            return;
        m_data.expectedText = GroupedNumber(number.digits);
        ProcedureWindow().Display(kExpectedBox);
    }

    /// "Iz datoteke HASHBROJ.TXT": the expected number read from a result file the user picks,
    /// the one in the current directory offered first.
    void TakeNumberFromResultFile()
    {
        const auto selector = std::make_unique<framework::SelectFileManager>();
        selector->Setup();
        selector->AddFilter(ProgramText("Datoteka kontrolnog broja|HASHBROJ.TXT"));
        selector->AddFilter("Tekstualna datoteka|*.TXT");
        selector->AddFilter("Sve datoteke|*.*");
        selector->flags |= window::filedialog::kNewStyle;
        selector->windowTitle = ProgramText("Datoteka s kontrolnim brojem");
        selector->defaultFile = "HASHBROJ.TXT";
        const std::string answer = selector->Ask(framework::KeepPath::Yes);
        if (answer.empty()) {
            if (files::ErrorCode() == kInvalidFilename)
                AppErrors.RaiseWithText(kMessageNameRefused,
                    ProgramText("Naziv odabrane datoteke sadr\u017Ei znakove koji se ne mogu "
                                "zapisati u kodnoj stranici Windows-1250 ili zavr\u0161ava "
                                "razmakom. Preimenujte datoteku, pa je odaberite ponovo."));
            return;
        }
        const NumberFileText file = ReadNumberFile(answer);
        std::string problem;
        ExpectedNumber number;
        if (file.problem != NumberFileProblem::None) {
            problem = NumberFileProblemText(file.problem);
        } else {
            number = ReadExpectedNumber(file.text);
            problem = ExpectedNumberProblemText(number);
        }
        if (!problem.empty()) {
            AppErrors.SetFileName(answer);
            AppErrors.RaiseWithText(kMessageNumberFileNotRead, ProgramText(problem));
            return;
        }
        ClearAnswer();
        m_data.expectedText = GroupedNumber(number.digits);
        ProcedureWindow().Display(kExpectedBox);
    }

    /// "Provjeri" beside the text box: the typed text's number, without its trailing blanks,
    /// against the one expected.
    void CheckText()
    {
        ClearAnswer();
        HideHashingProgress(ProcedureWindow().Handle(), kHashingFields);
        if (const std::u32string unspellable
            = platform::UnspellableCharacters(ControlHandle(kTextBox));
            !unspellable.empty()) {
            AppErrors.RaiseWithText(kMessageTextRefused, CodePoints(unspellable));
            return;
        }
        const std::string_view text = WithoutTrailingBlanks(m_data.textBuffer.View());
        platform::HashData(reinterpret_cast<const unsigned char*>(text.data()),
            static_cast<std::uint32_t>(text.size()), m_data.digestOut.data());
        Answer();
    }

    /// "Provjeri" beside the file: the chosen file's number against the one expected, which
    /// may still be typed or changed while the file is read (its box stays editable): the
    /// answer takes what it holds when the number is formed. Cancelled ("Prekini", Esc,
    /// closing the window), it answers nothing.
    void CheckChosenFile()
    {
        ClearAnswer();
        // A copy: another window may choose another file while this one reads.
        const std::string path(InputFileName.View());
        const platform::FileHashError error = HashFileShowingProgress(
            ProcedureWindow().Handle(), kHashingFields, path, m_data.digestOut.data());
        if (error == platform::FileHashError::Cancelled)
            return;
        if (error != platform::FileHashError::None) {
            ReportFileNotHashed(error, path);
            return;
        }
        Answer();
    }

    /// Compares the number just formed with the expected one as its box holds it now, and
    /// shows the answer; an expected number that does not read as one is reported instead,
    /// the formed number still shown.
    void Answer()
    {
        const char* out = m_data.digestOut.data();
        const std::string formed(out, ::strnlen(out, platform::kControlNumberLength));
        ProcedureWindow().Update(kExpectedBox);
        const ExpectedNumber expected
            = ReadExpectedNumber(WithoutTrailingBlanks(m_data.expectedText.View()));
        SetLine(kFormedLine, GroupedNumber(formed));
        if (expected.problem != NumberProblem::None) {
            AppErrors.RaiseWithText(
                kMessageExpectedNumberInvalid, ProgramText(ExpectedNumberProblemText(expected)));
            platform::SetFocus(ControlHandle(kExpectedBox));
            return;
        }
        SetLine(kExpectedLine, GroupedNumber(expected.digits));
        const std::optional<std::size_t> differing = FirstDifferingGroup(expected.digits, formed);
        const platform::WindowHandle answer = ControlHandle(kAnswerLine);
        const platform::WindowHandle icon = ControlHandle(kAnswerIcon);
        const std::string_view verdict
            = differing ? "Kontrolni broj se NE podudara." : "Kontrolni broj se podudara.";
        std::string said(verdict);
        platform::SetTextColour(answer, differing ? kMismatchColour : kMatchColour);
        platform::SetIcon(
            icon, differing ? platform::StandardIcon::Cross : platform::StandardIcon::Tick);
        platform::SetAccessibleName(icon, differing ? "Ne podudara se" : "Podudara se");
        if (differing) {
            const std::string where
                = "Prva razlika je u " + std::to_string(*differing + 1) + ". skupini.";
            const platform::WindowHandle marker = ControlHandle(kMarkerLine);
            SetLine(kMarkerLine, GroupMarker(*differing));
            platform::SetAccessibleName(marker, where);
            said += " " + where;
        }
        platform::ShowWindow(icon, true);
        SetLine(kAnswerLine, verdict);
        // Read out without the focus moving: the user may be typing the next number.
        platform::Announce(answer, said);
    }

    /// Takes the last answer away: a new check is on its way.
    void ClearAnswer()
    {
        platform::ShowWindow(ControlHandle(kAnswerIcon), false);
        for (const std::int32_t line : { kAnswerLine, kExpectedLine, kFormedLine, kMarkerLine })
            SetLine(line, "");
        platform::SetAccessibleName(ControlHandle(kMarkerLine), "");
    }

    void SetLine(std::int32_t equate, std::string_view text)
    {
        platform::SetWindowText(ControlHandle(equate), text);
    }

    VerifyWindowData& m_data;
};

} // namespace

void VerifyWindow(std::vector<std::string> /*parameters*/)
{
    const auto data = std::make_unique<VerifyWindowData>();
    window::Window verifyWindow(platform::WindowKind::MdiChild, "varn$varn003", "P1$WINDOW",
        { data->expectedText.Data(), data->textBuffer.Data(), InputFileName.Data(), nullptr });
    // The two buttons share a caption; a screen reader tells them apart by these.
    verifyWindow.SetControlDescription(kTextButton, "niz znakova");
    verifyWindow.SetControlDescription(kFileButton, "datoteka");
    // A file dropped from a file manager is chosen as "..." chooses one.
    verifyWindow.AcceptFileDrops();
    const auto procedure = std::make_unique<VerifyWindowProcedure>(verifyWindow, *data);
    ThreadResponse() = procedure->Run();
}

} // namespace app
