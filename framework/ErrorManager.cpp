#include <files/ErrorState.h>
#include <framework/ErrorManager.h>
#include <value/StringStack.h>
#include <window/MessageBox.h>
#include <window/RuntimeStop.h>

#include <array>
#include <functional>
#include <string>

namespace framework {

using value::WithoutTrailingBlanks;

namespace {

struct TableEntry {
    std::uint16_t id;
    std::uint8_t fatality;
    std::string_view title;
    std::string_view message;
};

// Windows-1250: \xE6 c-acute, \x9E z-caron, \x8E Z-caron, \xE8 c-caron, \x9A s-caron.
constexpr std::array<TableEntry, 39> kBuiltIn { {
    { 27, kSeverityNotify, "Invalid Key", "%File key file is invalid. Key must be rebuilt." },
    { 26, kSeverityFatal, "Key was not built", "Error: (%ErrorText) repairing key for %File." },
    { 10, kSeverityFatal, "File Creation Error", "Error: (%ErrorText) creating %File." },
    { 24, kSeverityNotify, "Procedure not defined",
        "The Procedure %Message has not been defined." },
    { 17, kSeverityNotify, "Range Error", "The value of %Field must be lower than %Message." },
    { 18, kSeverityNotify, "Range Error", "The value of %Field must be higher than %Message." },
    { 16, kSeverityNotify, "Range Error", "The value of %Field must be between %Message." },
    { 14, kSeverityNotify, "Field contents error",
        "The value of %Field must be found in the %Message file." },
    { 31, kSeverityNotify, "Referential Integrity Update Error",
        "This record is referenced from the file %File. Linking field(s) have been restricted "
        "from change and have been reset to original values." },
    { 30, kSeverityNotify, "Referential Integrity Delete Error",
        "This record is referenced from the file %File. This record cannot be deleted while "
        "these references exist." },
    { 4, kSeverityNotify, "Record Insert Error",
        "An error was experienced during the creation of a record. Error: %ErrorText." },
    { 6, kSeverityNotify, "Zapis nije spremljen", "Drugi korisnik je promjenio zapis." },
    { 7, kSeverityNotify, "Zapis nije spremljen",
        "Drugi korisnik je promjenio ovaj zapis. Te promjene \xE6"
        "e sada biti prikazane." },
    { 34, kSeverityUser, "Record Update Error",
        "An error was experienced changing this record. Do you want to try to save again?" },
    { 33, kSeverityUser, "Record Delete Error",
        "An error was experienced deleting this record. Do you want to try to delete it "
        "again?" },
    { 20, kSeverityNotify, "Invalid Request", "This form cannot be used to insert a record" },
    { 38, kSeverityNotify, "Invalid Request", "This form cannot be used to update a record" },
    { 12, kSeverityNotify, "Invalid Request", "This form cannot be used to delete a record" },
    { 8, kSeverityUser, "Changes will be lost!", "Are you sure you want to cancel?" },
    { 13, kSeverityNotify, "Duplicate Key Error",
        "Dodavanje ovog zapisa uzrokuje pojavu duplikata" },
    { 32, kSeverityUser, "Auto Increment Error",
        "Attempts to automatically number this record have failed.  Error: %ErrorText. Try "
        "Again?" },
    { 19, kSeverityNotify, "File Load Error", "%File File Load Error.  Error: %ErrorText." },
    { 36, kSeverityUser, "Beginning of File Error",
        "The beginning of the file was encountered. Do you want to start again from the end of "
        "the file?" },
    { 37, kSeverityUser, "End of File Error",
        "The end of the file was encountered. Do you want to start again from the beginning?" },
    { 23, kSeverityFatal, "File Access Error",
        "File (%File) could not be opened.  Error: %ErrorText." },
    { 25, kSeverityNotify, "Record was not updated",
        "An error (%ErrorText) was experienced when making changes to the %File file." },
    { 11, kSeverityNotify, "Record was not deleted",
        "An error (%ErrorText) was experienced when deleting a record from the %File file." },
    { 9, kSeverityUser, "Confirm Delete",
        "Jeste li sigurni da \x9E"
        "elite obrisati ozna\xE8"
        "eni zapis?" },
    { 35, kSeverityUser, "Spremanje podataka",
        "\x8E"
        "elite li spremiti promjene?" },
    { 21, kSeverityNotify, "Transaction cancelled",
        "Error: (%ErrorText) attempting to frame the transaction on %File." },
    { 1, kSeverityNotify, "Record Retrieval Error",
        "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to "
        "previous window." },
    { 40, kSeverityNotify, "View Open Error",
        "Error: (%ErrorText) attempting to open the current VIEW. Filter and Range Limits "
        "ignored." },
    { 3, kSeverityUser, "Zapis spremljen",
        "Zapis je spremljen. \x8E"
        "elite li dodati jo\x9A jedan?" },
    { 28, kSeverityNotify, "Record not read",
        "A record held by another station was encountered reading from the %File file." },
    { 5, kSeverityNotify, "Dodavanje novog podatka",
        "Podatak kojeg ste upisali nema u popisu. \x8E"
        "elite li ga dodati u popis?" },
    { 15, kSeverityNotify, "Value Error", "The value of %Field must be in the list : %Message." },
    { 22, kSeverityNotify, "No Records", "There are no records available to process." },
    { 2, kSeverityNotify, "Access Denied",
        "Could not get write access to %File so trying read-only." },
    { 39, kSeverityProgram, "File Usage Error",
        "Attempt to use file (%File) before it was opened" },
} };

constexpr std::size_t EncodedSize()
{
    std::size_t size = 2;
    for (const TableEntry& entry : kBuiltIn)
        size += 2 + 1 + 1 + entry.title.size() + 1 + entry.message.size();
    return size;
}

constexpr std::array<std::uint8_t, EncodedSize()> Encode()
{
    std::array<std::uint8_t, EncodedSize()> bytes {};
    std::size_t at = 0;
    auto put = [&](std::size_t value) { bytes[at++] = static_cast<std::uint8_t>(value & 0xFF); };
    auto putText = [&](std::string_view text) {
        put(text.size());
        for (char c : text)
            put(static_cast<unsigned char>(c));
    };
    put(kBuiltIn.size());
    put(kBuiltIn.size() >> 8);
    for (const TableEntry& entry : kBuiltIn) {
        put(entry.id);
        put(static_cast<std::size_t>(entry.id >> 8));
        put(entry.fatality);
        putText(entry.title);
        putText(entry.message);
    }
    return bytes;
}

constexpr std::array<std::uint8_t, EncodedSize()> kBuiltInTable = Encode();
static_assert(kBuiltInTable.size() == 3306, "39 messages as listed");

/// The error a file driver posts for a failure of its own: its text and code are the driver's
/// (FILEERROR, FILEERRORCODE), not the general ones.
constexpr std::int32_t kFileSystemError = 90;

constexpr std::string_view kFatalSuffix = "  Press OK to end this application";

std::string Cut(std::string_view text, std::size_t length)
{
    return std::string(text.substr(0, length));
}

/// Replaces every `placeholder` in `text` by `value`, scanning on after each inserted value (so
/// a value holding the placeholder is not replaced again), keeping at most kMaxMessageLength.
void Replace(std::string& text, std::string_view placeholder, std::string_view value)
{
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text.find(placeholder, from);
        if (at == std::string::npos)
            break;
        text.replace(at, placeholder.size(), value);
        from = at + value.size();
        if (text.size() > kMaxMessageLength)
            text.resize(kMaxMessageLength);
    }
}

} // namespace

std::span<const std::uint8_t> BuiltInMessages()
{
    return kBuiltInTable;
}

void ErrorManager::Setup()
{
    m_errors.clear();
    AddMessages(BuiltInMessages());
}

void ErrorManager::Teardown()
{
    m_errors.clear();
    m_errors.shrink_to_fit();
}

bool ErrorManager::AddMessages(std::span<const std::uint8_t> table)
{
    if (table.size() < 2)
        return false;
    const std::size_t count = table[0] | static_cast<std::size_t>(table[1]) << 8;
    std::size_t at = 2;
    auto readText = [&](std::string& text) {
        if (at >= table.size())
            return false;
        const std::size_t length = table[at++];
        if (table.size() - at < length)
            return false;
        text.assign(reinterpret_cast<const char*>(table.data() + at), length);
        at += length;
        return true;
    };
    for (std::size_t n = 0; n < count; ++n) {
        if (table.size() - at < 3)
            return false;
        ErrorEntry entry;
        entry.id = static_cast<std::uint16_t>(table[at] | table[at + 1] << 8);
        entry.fatality = table[at + 2];
        at += 3;
        if (!readText(entry.title) || !readText(entry.message))
            return false;
        m_errors.push_back(std::move(entry));
    }
    return true;
}

void ErrorManager::SetFileName(std::string_view name)
{
    m_fileName = Cut(WithoutTrailingBlanks(name), kMaxFieldLength);
}

void ErrorManager::SetFieldName(std::string_view name)
{
    m_fieldName = Cut(name, kMaxFieldLength);
}

std::uint32_t ErrorManager::Raise(std::uint16_t id)
{
    SaveErrorState();
    return Dispatch(id);
}

std::uint32_t ErrorManager::RaiseWithText(std::uint16_t id, std::string_view text)
{
    m_messageText = Cut(text, kMaxFieldLength);
    return Raise(id);
}

std::uint32_t ErrorManager::Ask(
    std::uint16_t id, std::uint32_t buttons, std::uint32_t defaultButton)
{
    const std::ptrdiff_t index = FindMessage(id, static_cast<std::ptrdiff_t>(m_errors.size()));
    if (index < 0) {
        const ErrorEntry unknown = UnknownEntry(id);
        return ShowBox(
            unknown.message, unknown.title, buttons, defaultButton, window::kIconQuestion);
    }
    const std::size_t at = static_cast<std::size_t>(index);
    return ShowBox(
        FillPlaceholders(at), m_errors[at].title, buttons, defaultButton, window::kIconQuestion);
}

void ErrorManager::SaveErrorState()
{
    m_saveErrorCode = files::ErrorCode();
    m_saveError = Cut(WithoutTrailingBlanks(files::ErrorText()), kMaxFieldLength);
    m_saveFileErrorCode = Cut(WithoutTrailingBlanks(files::FileErrorCode()), kMaxFieldLength);
    m_saveFileError = Cut(WithoutTrailingBlanks(files::FileErrorText()), kMaxFieldLength);
}

std::uint32_t ErrorManager::Dispatch(std::uint16_t id)
{
    const std::ptrdiff_t index = FindMessage(id, static_cast<std::ptrdiff_t>(m_errors.size()));
    if (index < 0)
        return OnNotify(UnknownEntry(id));
    const ErrorEntry& entry = m_errors[static_cast<std::size_t>(index)];
    switch (entry.fatality) {
    case kSeverityBenign:
        return OnSilent(entry);
    case kSeverityUser:
    case kSeverityCancel:
        return OnUser(entry);
    case kSeverityProgram:
        return OnProgram(entry);
    case kSeverityFatal:
        return OnFatal(entry);
    case kSeverityNotify:
        OnNotify(entry);
        return kSeverityNotify;
    default:
        return OnOther(entry);
    }
}

std::string ErrorManager::FilledText(std::uint16_t id) const
{
    const std::ptrdiff_t index = FindMessage(id, static_cast<std::ptrdiff_t>(m_errors.size()));
    if (index < 0)
        return UnknownEntry(id).message;
    return FillPlaceholders(static_cast<std::size_t>(index));
}

std::uint32_t ErrorManager::OnSilent(const ErrorEntry&)
{
    return 0;
}

std::uint32_t ErrorManager::OnFatal(const ErrorEntry& entry)
{
    std::string text = TextOf(entry);
    text += kFatalSuffix;
    ShowBox(text, entry.title, window::kButtonOk, window::kButtonOk, window::kIconExclamation);
    HaltProgram(0, entry.title);
    return kSeverityFatal;
}

std::uint32_t ErrorManager::OnNotify(const ErrorEntry& entry)
{
    ShowBox(
        TextOf(entry), entry.title, window::kButtonOk, window::kButtonOk, window::kIconExclamation);
    return kSeverityNotify;
}

std::uint32_t ErrorManager::OnOther(const ErrorEntry& entry)
{
    return OnProgram(entry);
}

std::uint32_t ErrorManager::OnProgram(const ErrorEntry& entry)
{
    return OnFatal(entry);
}

std::uint32_t ErrorManager::OnUser(const ErrorEntry& entry)
{
    const std::uint32_t answer = ShowBox(TextOf(entry), entry.title,
        window::kButtonYes | window::kButtonNo, window::kButtonYes, window::kIconQuestion);
    return answer == window::kButtonYes ? 0 : kSeverityCancel;
}

std::uint32_t ErrorManager::ShowBox(std::string_view text, std::string_view title,
    std::uint32_t buttons, std::uint32_t defaultButton, std::uint32_t icon)
{
    return window::ShowMessage(text, title, buttons, defaultButton, icon);
}

void ErrorManager::HaltProgram(int exitCode, std::string_view text)
{
    window::Halt(exitCode, text);
}

std::ptrdiff_t ErrorManager::FindMessage(std::uint16_t id, std::ptrdiff_t before) const
{
    for (std::ptrdiff_t index = before - 1; index >= 0; --index) {
        if (m_errors[static_cast<std::size_t>(index)].id == id)
            return index;
    }
    return -1;
}

std::string ErrorManager::FillPlaceholders(std::size_t index) const
{
    const ErrorEntry& entry = m_errors[index];
    std::string text = Cut(entry.message, kMaxMessageLength);
    Replace(text, "%File", m_fileName);
    Replace(text, "%ErrorCode", std::to_string(m_saveErrorCode));
    if (m_saveErrorCode == kFileSystemError)
        Replace(text, "%ErrorText", m_saveFileError + " (" + m_saveFileErrorCode + ")");
    else
        Replace(text, "%ErrorText", m_saveError + " (" + std::to_string(m_saveErrorCode) + ")");
    Replace(text, "%Error", m_saveError);
    Replace(text, "%FileErrorCode", m_saveFileErrorCode);
    Replace(text, "%FileError", m_saveFileError);
    Replace(text, "%Message", m_messageText);
    Replace(text, "%Field", m_fieldName);
    if (text.find("%Previous") != std::string::npos) {
        const std::ptrdiff_t previous = FindMessage(entry.id, static_cast<std::ptrdiff_t>(index));
        Replace(text, "%Previous",
            previous < 0 ? std::string_view {}
                         : m_errors[static_cast<std::size_t>(previous)].message);
    }
    return text;
}

std::string ErrorManager::TextOf(const ErrorEntry& entry) const
{
    const std::less<const ErrorEntry*> before;
    const ErrorEntry* first = m_errors.data();
    if (m_errors.empty() || before(&entry, first) || !before(&entry, first + m_errors.size()))
        return Cut(entry.message, kMaxMessageLength);
    return FillPlaceholders(static_cast<std::size_t>(&entry - first));
}

ErrorEntry ErrorManager::UnknownEntry(std::uint16_t id) const
{
    return ErrorEntry { id, "Message " + std::to_string(id) + " is not in the message table.",
        std::string(kUnknownTitle), kSeverityNotify };
}

} // namespace framework
