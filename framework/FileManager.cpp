#include <files/ErrorState.h>
#include <files/FileDeclaration.h>
#include <files/FileOps.h>
#include <framework/ErrorManager.h>
#include <framework/FileManager.h>
#include <platform/Threads.h>
#include <value/StringStack.h>

#include <algorithm>
#include <cassert>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace framework {

using value::WithoutTrailingBlanks;

namespace {

// Errors the open passes act on.
constexpr std::int32_t kFileNotFound = 2;
constexpr std::int32_t kAccessDenied = 5;
constexpr std::int32_t kKeyFileMustBeRebuilt = 46;
constexpr std::int32_t kFileAlreadyOpen = 52;

/// The severity result of a failure that is not shown.
constexpr std::uint32_t kSilentFailure = kSeverityNotify;
/// An open makes at most this many attempts at the file.
constexpr int kOpenPasses = 2;
/// The access bits of an OPEN mode; the rest are its sharing bits.
constexpr std::uint8_t kAccessBits = 0x03;

constexpr std::uint32_t kPropertyName = 0x7316;
constexpr std::uint32_t kPropertyThread = 0x7C95;

/// Runs a string-valued file statement and answers its text. Whatever the statement leaves
/// on the string stack is taken off again, the property number too when a failed attach left
/// it there.
template<typename Statement> std::string StringAnswer(Statement statement)
{
    const int depth = value::StackDepth();
    statement();
    std::string answer;
    if (value::StackDepth() > depth) {
        std::vector<char> text(value::PeekLength() + 1);
        value::PopToCString(text.data(), static_cast<std::uint32_t>(text.size()));
        answer = text.data();
    }
    while (value::StackDepth() > depth)
        value::Drop();
    return answer;
}

std::string Property(files::FileDeclaration* file, std::uint32_t number)
{
    return StringAnswer([&] {
        value::PushLong(static_cast<std::int32_t>(number));
        files::GetProperty(file, 0);
    });
}

/// The program's managers, each under its FILE, in the order they were set up.
std::vector<std::pair<const files::FileDeclaration*, FileManager*>>& Managers()
{
    static std::vector<std::pair<const files::FileDeclaration*, FileManager*>> managers;
    return managers;
}

void Unlist(const FileManager* manager)
{
    auto& managers = Managers();
    std::erase_if(managers, [manager](const auto& entry) { return entry.second == manager; });
}

} // namespace

FileManager::~FileManager()
{
    Unlist(this);
}

void FileManager::Setup(files::FileDeclaration* fileToManage, ErrorManager* errorManager)
{
    assert(fileToManage != nullptr && errorManager != nullptr && "a manager needs both");
    errors = errorManager;
    file = fileToManage;
    info.emplace();
    keys.emplace();
    buffers.emplace();
    saved.emplace();
    skipHeldRecords = 0;
    openMode = kDefaultOpenMode;
    create = 1;
    lockRecover = kDefaultLockRecover;
    primaryKey = 0;
    lazyOpen = 1;
    fileNameValue = Property(file, kPropertyName);
    if (fileNameValue.size() > kMaxFileNameLength)
        fileNameValue.resize(kMaxFileNameLength);
    // The driver answers the THREAD property whatever the thread: it is fixed by the
    // declaration, so it is asked once rather than on every open and close.
    const std::string threaded = Property(file, kPropertyThread);
    m_threaded = !WithoutTrailingBlanks(threaded).empty() && threaded != "0";
    Unlist(this);
    Managers().emplace_back(file, this);
}

void FileManager::Teardown()
{
    buffers.reset();
    keys.reset();
    info.reset();
    saved.reset();
    Unlist(this);
}

FileManager* FileManager::ForFile(const files::FileDeclaration* file)
{
    for (const auto& [listed, manager] : Managers()) {
        if (listed == file)
            return manager;
    }
    return nullptr;
}

std::int32_t FileManager::InfoId() const
{
    return m_threaded ? static_cast<std::int32_t>(platform::CurrentThreadId()) : 1;
}

FileManager::InfoEntry* FileManager::SelectInfo()
{
    if (!info)
        return nullptr;
    const std::int32_t id = InfoId();
    const auto found = std::find_if(
        info->begin(), info->end(), [id](const InfoEntry& entry) { return entry.id == id; });
    if (found != info->end())
        return &*found;
    InfoEntry& added = info->emplace_back();
    added.id = id;
    return &added;
}

std::uint32_t FileManager::Open()
{
    return Open(OpenReport::Yes, OpenCount::Yes, OpenForce::No);
}

std::uint32_t FileManager::Open(OpenReport report, OpenCount count, OpenForce force)
{
    InfoEntry* entry = SelectInfo();
    assert(entry != nullptr && "Setup comes before Open");
    // Without force, a lazy manager only counts the request, and so does a real open of a
    // file this thread already has open.
    if (force == OpenForce::No && (lazyOpen != 0 || entry->opened != 0))
        return Opened(count);
    return OpenPasses(report, count);
}

std::uint32_t FileManager::Opened(OpenCount count)
{
    if (count == OpenCount::Yes)
        ++SelectInfo()->opened;
    AfterOpen();
    return 0;
}

std::uint32_t FileManager::OpenPasses(OpenReport report, OpenCount count)
{
    auto reportFailure = [&](std::uint16_t message) {
        SetError(message);
        return report == OpenReport::Yes ? DispatchLast() : kSilentFailure;
    };
    for (int pass = 0; pass < kOpenPasses; ++pass) {
        (void)files::Open(file, openMode);
        if (files::ErrorCode() == kAccessDenied) {
            // A lock left behind by a station that went away may be what denies the access:
            // the driver is asked to recover it, and the file is tried once more.
            (void)StringAnswer(
                [&] { files::Send(file, "Recover=" + std::to_string(lockRecover)); });
            (void)files::Open(file, openMode);
        }
        const std::int32_t code = files::ErrorCode();
        if (code == 0 || code == kFileAlreadyOpen) {
            InfoEntry* entry = SelectInfo();
            entry->used = 1;
            entry->atEof = 0;
            entry->autoIncDone = 0;
            return Opened(count);
        }
        if (code == kAccessDenied) {
            if ((openMode & kAccessBits) == 0)
                break;
            openMode = static_cast<std::uint8_t>(openMode & ~kAccessBits);
            (void)Raise(kMessageReadOnly);
        } else if (code == kFileNotFound) {
            if (create == 0)
                break;
            (void)files::Create(file);
            if (files::ErrorCode() != 0)
                return reportFailure(kMessageCreateFailed);
        } else if (code == kKeyFileMustBeRebuilt) {
            SetError(kMessageKeyInvalid);
            if (report == OpenReport::No)
                return kSilentFailure;
            (void)DispatchLast();
            (void)files::Build(file);
            if (files::ErrorCode() != 0)
                return Raise(kMessageKeyNotBuilt);
        } else {
            break;
        }
    }
    return reportFailure(kMessageOpenFailed);
}

std::uint32_t FileManager::EnsureOpen()
{
    InfoEntry* entry = SelectInfo();
    assert(entry != nullptr && "Setup comes before EnsureOpen");
    if (lazyOpen == 0 || entry->used != 0)
        return 0;
    if (entry->opened == 0)
        return Raise(kMessageUsedBeforeOpen);
    const std::uint16_t kept = SaveBuffer();
    const std::uint32_t result = Open(OpenReport::Yes, OpenCount::No, OpenForce::Yes);
    RestoreBuffer(kept);
    return result;
}

std::uint32_t FileManager::Close()
{
    InfoEntry* entry = SelectInfo();
    if (entry == nullptr || entry->opened == 0)
        return 0;
    if (--entry->opened == 0) {
        (void)files::Close(file);
        entry->used = 0;
    }
    return 0;
}

void FileManager::SetError(std::uint16_t id)
{
    assert(errors != nullptr && "Setup binds the error manager");
    errors->SaveErrorState();
    if (InfoEntry* entry = SelectInfo(); entry != nullptr)
        entry->lastError = static_cast<std::uint8_t>(id);
}

std::uint32_t FileManager::Raise(std::uint16_t id)
{
    SetError(id);
    return DispatchLast();
}

std::uint32_t FileManager::DispatchLast()
{
    assert(errors != nullptr && "Setup binds the error manager");
    const InfoEntry* entry = SelectInfo();
    NameFile();
    return errors->Dispatch(entry != nullptr ? entry->lastError : 0);
}

std::uint32_t FileManager::RaiseWithText(std::uint16_t id, std::string_view text)
{
    assert(errors != nullptr && "Setup binds the error manager");
    NameFile();
    return errors->RaiseWithText(id, text);
}

std::string FileManager::DisplayName() const
{
    const std::string_view value = WithoutTrailingBlanks(fileNameValue);
    if (!value.empty() || file == nullptr)
        return std::string(value);
    return std::string(WithoutTrailingBlanks(files::DeclaredName(*file)));
}

void FileManager::NameFile() const
{
    errors->SetFileName(DisplayName());
}

FileManager::Record FileManager::CurrentRecord() const
{
    if (buffer.address != nullptr || file == nullptr)
        return buffer;
    const files::FileDeclaration* own = files::DeclarationForThread(file);
    return Record { own->record, own->recordType, own->recordLength };
}

std::uint16_t FileManager::SaveBuffer()
{
    const Record record = CurrentRecord();
    if (!buffers || record.address == nullptr)
        return 0;
    if (++m_lastBuffer == 0)
        m_lastBuffer = 1;
    BufferEntry& entry = buffers->emplace_back();
    entry.buffer = m_lastBuffer;
    entry.id = InfoId();
    entry.copy.assign(record.address, record.address + record.length);
    return entry.buffer;
}

void FileManager::RestoreBuffer(std::uint16_t number)
{
    if (!buffers || number == 0)
        return;
    const auto found = std::find_if(buffers->begin(), buffers->end(),
        [number](const BufferEntry& entry) { return entry.buffer == number; });
    if (found == buffers->end())
        return;
    const Record record = CurrentRecord();
    if (record.address != nullptr)
        std::memcpy(record.address, found->copy.data(),
            std::min<std::size_t>(record.length, found->copy.size()));
    buffers->erase(found);
}

} // namespace framework
