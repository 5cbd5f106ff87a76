#include "FileHashing.h"
#include "Globals.h"
#include "Messages.h"
#include "Procedure.h"
#include "Procedures.h"
#include "ProgramText.h"
#include "ResultFile.h"
#include "SelectInputFile.h"

#include <platform/Clock.h>
#include <platform/Display.h>
#include <platform/Hashing.h>
#include <value/DeclaredStrings.h>
#include <value/StringStack.h>
#include <window/Engine.h>
#include <window/EventCodes.h>
#include <window/InterruptibleWork.h>
#include <window/RuntimeLock.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace app {

using value::WithoutTrailingBlanks;

namespace {

// The hash window's fields.
constexpr std::int32_t kTextBox = 2;
constexpr std::int32_t kTextButton = 3; // "Formiraj SHA-1 broj" for the typed text
constexpr std::int32_t kNumberEntry = 5;
constexpr std::int32_t kCloseButton = 7;
constexpr std::int32_t kPathEntry = 9;
constexpr std::int32_t kChooseButton = 10; // "..."
constexpr std::int32_t kFileButton = 11;   // "Formiraj SHA-1 broj" for the chosen file
constexpr std::int32_t kProgressLine = 14;
constexpr std::int32_t kCancelButton = 15; // "Prekini"

/// The buttons that may not be pressed while a file is read: both "Formiraj SHA-1 broj" and "...".
constexpr std::int32_t kIdleOnly[] = { kTextButton, kChooseButton, kFileButton };
/// The controls that take part in hashing a file.
constexpr FileHashingFields kHashingFields { kProgressLine, kCancelButton, kCloseButton,
    kIdleOnly };

/// Bytes handed to the library for the typed text; the text box holds at most 500.
constexpr std::size_t kDataBufferSize = 600;

/// What the hash window works with, created as the procedure starts.
struct HashWindowData {
    value::STRING<500> textBuffer;     ///< the typed string (the text box)
    value::STRING<43> formattedNumber; ///< the number in four groups of ten
    value::STRING<60> resultPath;      ///< where the result file lies, or blank
    value::STRING<40> digest;          ///< the number as the library gave it
    /// Where the library writes the number: 40 characters and a NUL.
    std::array<char, platform::kControlNumberLength + 1> digestOut {};
    std::vector<unsigned char> dataBuffer = std::vector<unsigned char>(kDataBufferSize);
    std::uint32_t dataLength = 0;
};

class HashWindowProcedure final : public ProgramProcedure {
public:
    HashWindowProcedure(window::Window& window, HashWindowData& data)
        : ProgramProcedure(window)
        , m_data(data)
    {
    }

    std::uint32_t OnAccepted() override
    {
        switch (window::AcceptedField()) {
        case kTextButton:
            HashText();
            break;
        case kFileButton:
            HashChosenFile();
            break;
        case kCloseButton:
            window::PostEvent(window::event::kCloseWindow);
            break;
        case kChooseButton:
            ThreadRequest() = framework::RequestSelect;
            SelectInputFile();
            ThreadResponse() = framework::ResponseCancelled;
            Reset(1); // entry 12 shows the new InputFileName
            break;
        default:
            break;
        }
        return WindowManager::OnAccepted();
    }

    std::uint32_t OnWindowEvent() override
    {
        if (window::CurrentEvent() == window::event::kDrop && TakeDroppedFile())
            Reset(1); // entry 12 shows the new InputFileName
        return WindowManager::OnWindowEvent();
    }

protected:
    void OpenFiles() override
    {
        // Every hash window's start makes the result file when it is missing. No handle is
        // kept: each press opens the file for its own write, so windows never stand in each
        // other's way. A failure is not reported here: the press that cannot write says why.
        // Nor is a name someone put a link, a pipe, a device or a folder at tried (the open
        // would refuse it, and then offer read-only access): there is nothing to make.
        if (HashFileAccessRef == nullptr || ResultFileNameHoldsNoFile())
            return;
        if (HashFileAccessRef->Open(
                framework::OpenReport::No, framework::OpenCount::Yes, framework::OpenForce::Yes)
            == framework::LevelOk)
            HashFileAccessRef->Close();
    }

private:
    /// Button 3: the number of the typed text, without its trailing blanks.
    void HashText()
    {
        ClearPath();
        HideHashingProgress(ProcedureWindow().Handle(), kHashingFields);
        const std::u32string unspellable = platform::UnspellableCharacters(
            platform::FindControl(ProcedureWindow().Handle(), window::kControlIdOffset + kTextBox));
        if (!unspellable.empty()) {
            ShowNumber(false);
            AppErrors.RaiseWithText(kMessageTextRefused, CodePoints(unspellable));
            return;
        }
        const std::string_view text = WithoutTrailingBlanks(m_data.textBuffer.View());
        std::ranges::copy(text, m_data.dataBuffer.begin());
        m_data.dataLength = static_cast<std::uint32_t>(text.size());
        platform::HashData(m_data.dataBuffer.data(), m_data.dataLength, m_data.digestOut.data());
        TakeDigest();
        ShowNumber(true);
        if (WriteResult())
            ShowPath();
    }

    /// Button 11: the number of the file InputFileName names. A big file shows its progress and
    /// may be cancelled ("Prekini", Esc, closing the window, ending the program): a cancelled
    /// hash writes nothing and leaves the number and the path blank.
    void HashChosenFile()
    {
        ClearPath();
        // A copy: another hash window may choose another file while this one reads.
        const std::string path(InputFileName.View());
        ShowNumber(false); // the number shown is not this file's
        const platform::FileHashError error = HashFileShowingProgress(
            ProcedureWindow().Handle(), kHashingFields, path, m_data.digestOut.data());
        if (error == platform::FileHashError::Cancelled)
            return;
        if (error != platform::FileHashError::None) {
            ReportFileNotHashed(error, path);
            return;
        }
        TakeDigest();
        const bool written = WriteResult();
        if (written)
            ShowPath();
        ShowNumber(true);
    }

    void ClearPath()
    {
        m_data.resultPath = " ";
        ProcedureWindow().Display(kPathEntry);
    }

    void ShowPath()
    {
        m_data.resultPath = ResultFilePath();
        ProcedureWindow().Display(kPathEntry);
    }

    /// The number as the library left it: at most 40 characters, up to a NUL.
    void TakeDigest()
    {
        const char* out = m_data.digestOut.data();
        m_data.digest = WithoutTrailingBlanks(
            std::string_view(out, ::strnlen(out, platform::kControlNumberLength)));
    }

    /// Shows the number in four groups of ten joined by "-", or clears it.
    void ShowNumber(bool formed)
    {
        if (formed) {
            const std::string_view digest = m_data.digest.View();
            std::string shown;
            for (std::size_t group = 0; group < 4; ++group) {
                if (group > 0)
                    shown += '-';
                shown += digest.substr(group * 10, 10);
            }
            m_data.formattedNumber = shown;
        } else {
            m_data.formattedNumber.Clear();
        }
        ProcedureWindow().Display(kNumberEntry);
    }

    /// Writes the number to the result file; reports a failure and answers false.
    bool WriteResult()
    {
        const std::int32_t error = WriteResultFile(m_data.digest.View());
        if (error == 0)
            return true;
        AppErrors.SetFileName(ResultFilePath());
        if (const std::string_view why = ResultFileRefusal(error); !why.empty())
            AppErrors.RaiseWithText(kMessageNotWrittenBecause, ProgramText(why));
        else
            AppErrors.Raise(kMessageNotWritten);
        return false;
    }

    HashWindowData& m_data;
};

} // namespace

void HashWindow(std::vector<std::string> /*parameters*/)
{
    const auto data = std::make_unique<HashWindowData>();
    window::Window hashWindow(platform::WindowKind::MdiChild, "varn$varn002", "P1$WINDOW",
        { data->textBuffer.Data(), data->formattedNumber.Data(), data->resultPath.Data(),
            InputFileName.Data(), nullptr });
    // The two buttons share a caption; a screen reader tells them apart by these.
    hashWindow.SetControlDescription(kTextButton, "niz znakova");
    hashWindow.SetControlDescription(kFileButton, "datoteka");
    // A file dropped from a file manager is chosen as "..." chooses one.
    hashWindow.AcceptFileDrops();
    const auto procedure = std::make_unique<HashWindowProcedure>(hashWindow, *data);
    ThreadResponse() = procedure->Run();
}

} // namespace app
