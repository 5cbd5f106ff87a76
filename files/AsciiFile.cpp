#include "AsciiFile.h"

#include <files/FileSystem.h>
#include <platform/Ascii.h>
#include <platform/Clock.h>
#include <platform/Profile.h>
#include <platform/Text.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <thread>
#include <utility>

namespace files {

using platform::SystemError;

namespace {

constexpr std::size_t kMaxPathLength = 259;
constexpr std::size_t kBlock = 512;
constexpr std::int64_t kMaxFileBuffers = 8'388'607;
constexpr std::uint32_t kSharingMask = 0x70;
constexpr std::uint32_t kShareDenyNone = 0x40;
/// How long a write on a shared file waits for another writer's lock on byte 0.
constexpr std::uint32_t kWriteLockPatienceMs = 2000;

bool DeniesWrite(std::uint32_t accessMode)
{
    switch (accessMode & kSharingMask) {
    case 0x00: // compatible
    case 0x30: // deny read
    case 0x40: // deny none
        return false;
    default:
        return true;
    }
}

/// A system error the engine answers as it is. The runtime's table gives the system's
/// numbers below 300 their own texts ("Too Many Open Files" for 4, "Record Not Available" for
/// a lock violation's 33), so where an operation says it answers the system's number the
/// number passes through unchanged.
AsciiStatus SystemStatus(SystemError error)
{
    return static_cast<AsciiStatus>(static_cast<std::int32_t>(error));
}

/// The system error of an open or create as the FILE statements post it.
AsciiStatus FromOpenError(SystemError error)
{
    switch (error) {
    case SystemError::SharingViolation:
        return AsciiStatus::AccessDenied;
    case SystemError::BadPathName:
        return AsciiStatus::PathNotFound;
    case SystemError::InvalidName:
    case SystemError::NameTooLong:
        return AsciiStatus::InvalidFilename;
    default:
        return SystemStatus(error);
    }
}

/// The system error of REMOVE, RENAME and COPY as they post it.
AsciiStatus FromNameError(SystemError error)
{
    switch (error) {
    case SystemError::FileNotFound:
        return AsciiStatus::FileNotFound;
    case SystemError::PathNotFound:
        return AsciiStatus::PathNotFound;
    default:
        return AsciiStatus::AccessDenied;
    }
}

/// Expands a NAME to the full path the system uses. Trailing blanks are no part of a name.
AsciiStatus ExpandName(std::string_view name, std::string& full)
{
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    if (name.empty())
        return AsciiStatus::InvalidFilename;
    auto expanded = CurrentFileSystem().FullPath(name);
    if (!expanded) {
        // A relative name cannot be expanded once the working directory has been removed: that
        // is a missing path (3), not a bad name, and the user is told so.
        return FromOpenError(expanded.Error());
    }
    if (expanded->size() > kMaxPathLength)
        return AsciiStatus::InvalidFilename;
    full = std::move(*expanded);
    return AsciiStatus::Ok;
}

/// A decimal number as the commands read it: blanks, a sign, digits; saturating.
std::int64_t ParseNumber(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max() + std::int64_t { 1 };
    std::int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = std::min(value * 10 + (text[at] - '0'), kLimit);
    return negative ? -value : value;
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return text;
}

/// Parses an ENDOFRECORD value: the count, then that many character codes, each after a
/// comma. Answers false (and leaves `terminator` alone) for anything malformed.
bool ParseTerminator(std::string_view text, std::string& terminator)
{
    constexpr std::int64_t kMaxTerminator = 255;
    std::size_t comma = text.find(',');
    const std::int64_t count = ParseNumber(text.substr(0, comma));
    if (count < 0 || count > kMaxTerminator)
        return false;
    std::string bytes;
    for (std::int64_t i = 0; i < count; ++i) {
        if (comma == std::string_view::npos)
            return false;
        const std::size_t next = text.find(',', comma + 1);
        const std::string_view field = TrimBlanks(
            text.substr(comma + 1, next == std::string_view::npos ? next : next - comma - 1));
        if (field.empty() || field.find_first_not_of("0123456789") != std::string_view::npos)
            return false;
        const std::int64_t code = ParseNumber(field);
        if (code > 255)
            return false;
        bytes.push_back(static_cast<char>(code));
        comma = next;
    }
    terminator = std::move(bytes);
    return true;
}

using ConversionTable = std::array<unsigned char, 256>;

/// Byte-for-byte conversion between the code pages; a character with no form in the target
/// keeps its byte, so no text is lost.
const ConversionTable& Table(bool toOem)
{
    static const auto kTables = [] {
        std::array<ConversionTable, 2> tables {};
        for (std::size_t i = 0; i < 256; ++i) {
            const auto byte = static_cast<unsigned char>(i);
            tables[0][i] = platform::OemToAnsiChar(byte).value_or(byte);
            tables[1][i] = platform::AnsiToOemChar(byte).value_or(byte);
        }
        return tables;
    }();
    return kTables[toOem ? 1 : 0];
}

std::uint32_t ClampPointer(std::uint64_t pointer)
{
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(pointer, std::numeric_limits<std::uint32_t>::max()));
}

std::uint32_t PointerFromPosition(std::string_view position)
{
    std::uint32_t pointer = 0;
    for (std::size_t i = 0; i < 4 && i < position.size(); ++i)
        pointer |= std::uint32_t { static_cast<unsigned char>(position[i]) } << (8 * i);
    return pointer;
}

} // namespace

AsciiFile::AsciiFile(std::span<char> record, AsciiFileTraits traits)
    : m_record(record)
    , m_traits(std::move(traits))
{
}

AsciiFile::~AsciiFile()
{
    Close();
}

AsciiStatus AsciiFile::Fail(AsciiStatus status, SystemError error)
{
    m_lastSystemError = error;
    return status;
}

void AsciiFile::SetDefaults(std::uint32_t accessMode)
{
    m_accessMode = accessMode;
    m_clip = true;
    m_tab = 8;
    m_tabSet = false;
    m_terminator = "\r\n";
    const bool exclusive = (accessMode & 0x30) != 0;
    m_bufferSize = std::max<std::size_t>(exclusive ? 2 * kBlock : kBlock, 2 * RecordLength());
    m_flags = exclusive ? kFlagQuickScan : 0;
    if ((accessMode & 0x3) == 0)
        m_flags |= kFlagReadOnly;
    if ((accessMode & kSharingMask) == kShareDenyNone)
        m_flags |= kFlagShared;
    m_lockCount = 0;
    m_currentStart = 0;
    m_consumed = 0;
    m_nextPosition = 1;
    m_lastByteSeen = false;
}

AsciiStatus AsciiFile::Open(
    std::string_view name, std::uint32_t accessMode, std::string_view driverOptions)
{
    if (BadDeclaration())
        return AsciiStatus::InvalidRecordDeclaration;
    if (IsOpen())
        return AsciiStatus::FileAlreadyOpen;
    std::string full;
    if (const AsciiStatus status = ExpandName(name, full); status != AsciiStatus::Ok)
        return Fail(status, SystemError::InvalidName);
    m_name = std::move(full);
    m_driverOptions = std::string(driverOptions);

    auto file = CurrentFileSystem().Open(
        m_name, accessMode, platform::Disposition::OpenExisting, m_traits.finalLink);
    if (!file)
        return Fail(FromOpenError(file.Error()), file.Error());
    const auto size = (*file)->Size();
    if (!size)
        return Fail(FromOpenError(size.Error()), size.Error());
    SetDefaults(accessMode);
    m_fileSize = *size;
    m_buffer = FileBuffer::Make(std::move(*file), m_bufferSize, QuickScan());
    if (!m_buffer)
        return Fail(AsciiStatus::InsufficientMemory, SystemError::NotEnoughMemory);
    m_line.reserve(RecordLength() + m_terminator.size());
    if (const AsciiStatus status = ApplyOptions(driverOptions); status != AsciiStatus::Ok) {
        m_buffer.reset();
        m_flags = 0;
        return status;
    }
    m_lastSystemError = SystemError::None;
    return AsciiStatus::Ok;
}

AsciiStatus AsciiFile::Close()
{
    if (!IsOpen())
        return AsciiStatus::Ok;
    // A close that reports an error is a write that may not have reached the disk: it fails
    // the CLOSE as a failed write-back does. The first failure is the one answered.
    const bool written = m_buffer->WriteBack();
    SystemError error = m_buffer->LastError();
    const bool closed = m_buffer->Close(); // closing the file drops its locks
    if (written && !closed)
        error = m_buffer->LastError();
    m_buffer.reset();
    m_line.clear();
    m_line.shrink_to_fit();
    m_flags = 0;
    m_lockCount = 0;
    if (!written || !closed)
        return Fail(AsciiStatus::AccessDenied, error);
    return AsciiStatus::Ok;
}

AsciiStatus AsciiFile::Create(std::string_view name)
{
    if (BadDeclaration())
        return AsciiStatus::InvalidRecordDeclaration;
    if (IsOpen())
        return AsciiStatus::FileAlreadyOpen;
    if (!m_traits.createAttribute)
        return AsciiStatus::NoCreateAttribute;
    std::string full;
    if (const AsciiStatus status = ExpandName(name, full); status != AsciiStatus::Ok)
        return Fail(status, SystemError::InvalidName);
    m_name = std::move(full);
    auto file = CurrentFileSystem().Create(m_name, m_traits.finalLink);
    if (!file)
        return Fail(FromOpenError(file.Error()), file.Error());
    return AsciiStatus::Ok;
}

// --- reading -------------------------------------------------------------------------------

bool AsciiFile::RefreshSize()
{
    std::uint64_t size = 0;
    if (!m_buffer->Size(size)) {
        m_lastSystemError = m_buffer->LastError();
        return false;
    }
    m_fileSize = size;
    return true;
}

bool AsciiFile::MatchesTerminator(std::uint64_t offset)
{
    const std::size_t length = m_terminator.size();
    if (length == 0 || offset > m_fileSize || m_fileSize - offset < length)
        return false;
    std::size_t matched = 0;
    while (matched < length) {
        const CachedBytes bytes = m_buffer->Get(offset + matched, length - matched);
        if (bytes.size == 0)
            return false;
        const std::size_t count = std::min(bytes.size, length - matched);
        if (std::memcmp(bytes.data, m_terminator.data() + matched, count) != 0)
            return false;
        matched += count;
    }
    return true;
}

AsciiStatus AsciiFile::ReadLine(std::uint64_t offset, std::size_t limit, std::uint64_t& consumed)
{
    const bool ctrlZEnds = CtrlZIsEof();
    const std::string& terminator = m_terminator;
    char* const out = m_record.data();

    CachedBytes bytes = m_buffer->Get(offset, 1);
    std::size_t available
        = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size, m_fileSize - offset));
    if (available == 0)
        return Fail(AsciiStatus::RecordNotAvailable, m_buffer->LastError());
    if (ctrlZEnds && bytes.data[0] == kCtrlZ)
        return AsciiStatus::RecordNotAvailable;

    // The common line: no TAB, no Ctrl-Z, its whole terminator in the cached bytes.
    if (!terminator.empty()) {
        const void* found = std::memchr(bytes.data, terminator[0], available);
        if (found != nullptr) {
            const auto length
                = static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data);
            const bool plain = std::memchr(bytes.data, '\t', length) == nullptr
                && (!ctrlZEnds || std::memchr(bytes.data, kCtrlZ, length) == nullptr);
            if (plain && available - length >= terminator.size()
                && std::memcmp(bytes.data + length, terminator.data(), terminator.size()) == 0) {
                std::memcpy(out, bytes.data, std::min(length, limit));
                consumed = length + terminator.size();
                return AsciiStatus::Ok;
            }
        }
    }

    // Byte by byte: TABs, a terminator beyond the cached bytes, a Ctrl-Z, a long line.
    std::uint64_t position = offset;
    std::uint64_t chunkStart = offset;
    std::size_t filled = 0;
    std::size_t lineBytes = 0;
    bool longer = false;
    bool readFailed = false;
    // The byte at `position`, reloading the cache when needed; false at the end of the data.
    const auto fetch = [&](char& byte) {
        if (position >= m_fileSize)
            return false;
        if (position < chunkStart || position - chunkStart >= available) {
            bytes = m_buffer->Get(position, 1);
            chunkStart = position;
            available = static_cast<std::size_t>(
                std::min<std::uint64_t>(bytes.size, m_fileSize - position));
            if (available == 0) {
                readFailed = bytes.size == 0 && m_buffer->LastError() != SystemError::None;
                return false;
            }
        }
        byte = bytes.data[position - chunkStart];
        return true;
    };
    const auto atTerminator = [&](char byte) {
        if (terminator.empty() || byte != terminator[0])
            return false;
        const std::size_t inChunk = available - static_cast<std::size_t>(position - chunkStart);
        if (inChunk >= terminator.size())
            return std::memcmp(
                       bytes.data + (position - chunkStart), terminator.data(), terminator.size())
                == 0;
        const bool matches = MatchesTerminator(position);
        available = 0; // the cache may have moved
        return matches;
    };

    char byte = 0;
    while (fetch(byte)) {
        if (atTerminator(byte)) {
            position += terminator.size();
            consumed = position - offset;
            return AsciiStatus::Ok;
        }
        if (ctrlZEnds && byte == kCtrlZ)
            break;
        if (filled >= limit || lineBytes >= limit) {
            // Without a terminator records are fixed pieces: nothing is left over to skip.
            longer = !terminator.empty();
            break;
        }
        ++position;
        ++lineBytes;
        if (byte != '\t') {
            out[filled++] = byte;
            continue;
        }
        if (m_tab == kTabKeep) {
            out[filled++] = byte;
        } else if (m_tab > 0) {
            const auto step = static_cast<std::size_t>(m_tab);
            filled = std::min(limit, (filled / step + 1) * step);
        } else if (m_tab < 0) {
            const auto blanks = static_cast<std::uint64_t>(-std::int64_t { m_tab });
            filled = static_cast<std::size_t>(std::min<std::uint64_t>(limit, filled + blanks));
        }
        // TAB 0 drops the character. The record was blank-filled, so blanks need no writing.
    }
    if (longer) {
        // Skip the rest of the line and its terminator. A Ctrl-Z that ends the data is left
        // in place, so the next read stops there too.
        while (fetch(byte)) {
            if (atTerminator(byte)) {
                position += terminator.size();
                break;
            }
            if (ctrlZEnds && byte == kCtrlZ)
                break;
            ++position;
        }
    }
    if (readFailed)
        return Fail(AsciiStatus::RecordNotAvailable, m_buffer->LastError());
    consumed = position - offset;
    return AsciiStatus::Ok;
}

AsciiStatus AsciiFile::ReadAt(std::uint64_t offset, std::size_t limit)
{
    m_flags &= ~kFlagCurrent;
    if (Shared() && !QuickScan() && !RefreshSize())
        return AsciiStatus::AccessDenied;
    if (offset >= m_fileSize)
        return AsciiStatus::RecordNotAvailable;
    std::memset(m_record.data(), ' ', m_record.size());
    m_currentStart = offset;
    std::uint64_t consumed = 0;
    if (const AsciiStatus status = ReadLine(offset, limit, consumed); status != AsciiStatus::Ok)
        return status;
    if (m_traits.oem)
        ConvertText(m_record.data(), m_record.size(), false);
    m_consumed = consumed;
    m_flags |= kFlagCurrent;
    return AsciiStatus::Ok;
}

AsciiStatus AsciiFile::Next()
{
    if (BadDeclaration())
        return AsciiStatus::InvalidRecordDeclaration;
    if (!IsOpen())
        return AsciiStatus::FileNotOpen;
    if (m_nextPosition == 0) {
        m_flags &= ~kFlagCurrent;
        return AsciiStatus::Ok;
    }
    const AsciiStatus status = ReadAt(m_nextPosition - 1, RecordLength());
    if (status == AsciiStatus::Ok)
        m_nextPosition = ClampPointer(m_currentStart + m_consumed + 1);
    return status;
}

AsciiStatus AsciiFile::Get(std::uint32_t pointer)
{
    return GetLength(pointer,
        static_cast<std::uint32_t>(
            std::min<std::size_t>(RecordLength(), std::numeric_limits<std::uint32_t>::max())));
}

AsciiStatus AsciiFile::GetLength(std::uint32_t pointer, std::uint32_t length)
{
    if (BadDeclaration())
        return AsciiStatus::InvalidRecordDeclaration;
    if (!IsOpen())
        return AsciiStatus::FileNotOpen;
    if (length > RecordLength())
        return Fail(AsciiStatus::InvalidParameter, SystemError::InvalidParameter);
    if (pointer == 0) {
        m_flags &= ~kFlagCurrent;
        return AsciiStatus::Ok;
    }
    return ReadAt(pointer - 1, length);
}

AsciiStatus AsciiFile::Reget(std::string_view position)
{
    return Get(PointerFromPosition(position));
}

void AsciiFile::Reset(std::string_view position)
{
    m_nextPosition = PointerFromPosition(position);
}

bool AsciiFile::Eof()
{
    if (!IsOpen())
        return true;
    const std::uint64_t offset = m_nextPosition == 0 ? 0 : m_nextPosition - 1;
    if (Shared() && !QuickScan() && !RefreshSize())
        return true;
    if (offset >= m_fileSize)
        return true;
    const CachedBytes bytes = m_buffer->Get(offset, 1);
    if (bytes.size == 0)
        return true;
    return CtrlZIsEof() && bytes.data[0] == kCtrlZ;
}

std::uint32_t AsciiFile::Bytes() const
{
    return ClampPointer(RecordCurrent() ? m_consumed : m_fileSize);
}

std::uint32_t AsciiFile::Pointer() const
{
    return RecordCurrent() ? ClampPointer(m_currentStart + 1) : 0;
}

std::string AsciiFile::Position() const
{
    const std::uint32_t pointer = Pointer();
    std::string position(4, '\0');
    for (std::size_t i = 0; i < 4; ++i)
        position[i] = static_cast<char>((pointer >> (8 * i)) & 0xFF);
    return position;
}

void AsciiFile::Clear()
{
    std::memset(m_record.data(), ' ', m_record.size());
}

void AsciiFile::ConvertText(char* record, std::size_t length, bool toOem) const
{
    const ConversionTable& table = Table(toOem);
    const auto convert = [&](std::size_t offset, std::size_t size) {
        if (offset >= length)
            return;
        size = std::min(size, length - offset);
        for (std::size_t i = offset; i < offset + size; ++i)
            record[i] = static_cast<char>(table[static_cast<unsigned char>(record[i])]);
    };
    if (m_traits.oemText.empty()) {
        convert(0, length);
        return;
    }
    for (const TextSpan& span : m_traits.oemText)
        convert(span.offset, span.size);
}

// --- writing -------------------------------------------------------------------------------

AsciiStatus AsciiFile::TakeWriteLock()
{
    if (m_lockCount > 0) {
        ++m_lockCount;
        return AsciiStatus::Ok;
    }
    // Another writer holds byte 0 only for the length of one write: wait for it a little.
    const std::uint32_t started = platform::TickMilliseconds();
    for (;;) {
        const SystemError error = m_buffer->File().LockRange(0, 1);
        if (error == SystemError::None)
            break;
        if (error != SystemError::LockViolation
            || platform::TickMilliseconds() - started >= kWriteLockPatienceMs)
            return Fail(AsciiStatus::AccessDenied, error);
        std::this_thread::yield();
    }
    m_lockCount = 1;
    return AsciiStatus::Ok;
}

void AsciiFile::ReleaseWriteLock()
{
    if (m_lockCount == 0 || --m_lockCount > 0)
        return;
    static_cast<void>(m_buffer->File().UnlockRange(0, 1));
}

AsciiStatus AsciiFile::Write(std::uint32_t pointer, std::uint32_t length)
{
    if (BadDeclaration())
        return AsciiStatus::InvalidRecordDeclaration;
    if (!IsOpen())
        return AsciiStatus::FileNotOpen;
    if (ReadOnly())
        return AsciiStatus::AccessDenied;
    if (length > RecordLength())
        return Fail(AsciiStatus::InvalidParameter, SystemError::InvalidParameter);
    const bool shared = Shared();
    if (shared) {
        if (const AsciiStatus status = TakeWriteLock(); status != AsciiStatus::Ok)
            return status;
    }
    AsciiStatus status = WriteLocked(pointer, length);
    if (shared) {
        // Other writers must find the line in the file once they hold the lock.
        if (!m_buffer->WriteBack() && status == AsciiStatus::Ok)
            status = Fail(AsciiStatus::AccessDenied, m_buffer->LastError());
        ReleaseWriteLock();
    }
    return status;
}

AsciiStatus AsciiFile::WriteLocked(std::uint32_t pointer, std::uint32_t length)
{
    m_flags &= ~kFlagCurrent;
    std::uint64_t start = 0;
    if (pointer == 0) {
        // Only another writer can have moved the end; under deny-write the known size holds.
        if (!DeniesWrite(m_accessMode) && !RefreshSize())
            return AsciiStatus::AccessDenied;
        start = m_fileSize;
        if (!m_lastByteSeen) {
            // Once per OPEN: a Ctrl-Z that ends the data is written over.
            m_lastByteSeen = true;
            if (m_fileSize > 0 && CtrlZIsEof()) {
                const CachedBytes last = m_buffer->Get(m_fileSize - 1, 1);
                if (last.size > 0 && last.data[0] == kCtrlZ)
                    start = m_fileSize - 1;
            }
        }
    } else {
        start = pointer - std::uint64_t { 1 };
    }
    m_currentStart = start;
    if (!m_buffer->Seek(start))
        return Fail(AsciiStatus::AccessDenied, m_buffer->LastError());

    if (length == 0) {
        if (!m_buffer->Truncate(start))
            return Fail(AsciiStatus::AccessDenied, m_buffer->LastError());
        m_fileSize = start;
        m_consumed = 0;
        m_flags |= kFlagCurrent;
        return AsciiStatus::Ok;
    }

    // The line is put together first, so it goes out in one piece.
    m_line.assign(m_record.data(), length);
    if (m_traits.oem)
        ConvertText(m_line.data(), m_line.size(), true);
    if (m_clip) {
        const std::size_t end = m_line.find_last_not_of(' ');
        m_line.resize(end == std::string::npos ? 0 : end + 1);
    }
    m_line += m_terminator;
    if (!m_buffer->Put(m_line.data(), m_line.size()))
        return Fail(AsciiStatus::AccessDenied, m_buffer->LastError());
    const std::uint64_t written = m_line.size();
    m_fileSize = std::max(m_fileSize, start + written);
    m_consumed = written;
    m_flags |= kFlagCurrent;
    return AsciiStatus::Ok;
}

AsciiStatus AsciiFile::Append()
{
    return Write(0,
        static_cast<std::uint32_t>(
            std::min<std::size_t>(RecordLength(), std::numeric_limits<std::uint32_t>::max())));
}

AsciiStatus AsciiFile::AppendLength(std::uint32_t length)
{
    return Write(0, length);
}

AsciiStatus AsciiFile::Put()
{
    if (IsOpen() && !BadDeclaration() && !RecordCurrent())
        return AsciiStatus::RecordNotAvailable;
    return PutAt(Pointer());
}

AsciiStatus AsciiFile::PutAt(std::uint32_t pointer)
{
    return Write(pointer,
        static_cast<std::uint32_t>(
            std::min<std::size_t>(RecordLength(), std::numeric_limits<std::uint32_t>::max())));
}

AsciiStatus AsciiFile::PutAtLength(std::uint32_t pointer, std::uint32_t length)
{
    return Write(pointer, length);
}

AsciiStatus AsciiFile::Empty()
{
    if (BadDeclaration())
        return AsciiStatus::InvalidRecordDeclaration;
    if (!IsOpen())
        return AsciiStatus::FileNotOpen;
    if (!DeniesWrite(m_accessMode) && m_lockCount == 0)
        return AsciiStatus::ExclusiveAccessRequired;
    if (ReadOnly())
        return AsciiStatus::AccessDenied;
    m_flags &= ~kFlagCurrent;
    if (!m_buffer->Truncate(0))
        return Fail(AsciiStatus::AccessDenied, m_buffer->LastError());
    m_fileSize = 0;
    return AsciiStatus::Ok;
}

AsciiStatus AsciiFile::Flush()
{
    if (!IsOpen())
        return AsciiStatus::FileNotOpen;
    if (!m_buffer->Flush())
        return Fail(AsciiStatus::AccessDenied, m_buffer->LastError());
    return AsciiStatus::Ok;
}

// --- locking -------------------------------------------------------------------------------

AsciiStatus AsciiFile::Lock(std::optional<std::int32_t> seconds)
{
    if (!IsOpen())
        return AsciiStatus::FileNotOpen;
    if (m_lockCount > 0) {
        ++m_lockCount;
        return AsciiStatus::Ok;
    }
    // Without seconds one try: another holder gives 33 (LockViolation) at once, and the
    // "already locked" answer (32) that would be retried does not come from a byte lock here.
    const std::uint32_t started = platform::TickMilliseconds();
    const std::uint64_t patience
        = seconds ? static_cast<std::uint64_t>(std::max(*seconds, 0)) * 1000 : 0;
    for (;;) {
        const SystemError error = m_buffer->File().LockRange(0, 1);
        if (error == SystemError::None)
            break;
        const std::uint32_t elapsed = platform::TickMilliseconds() - started;
        if (elapsed >= patience)
            return Fail(SystemStatus(error), error);
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::min<std::uint64_t>(1000, patience - elapsed)));
    }
    m_lockCount = 1;
    return AsciiStatus::Ok;
}

AsciiStatus AsciiFile::Unlock()
{
    if (!IsOpen())
        return AsciiStatus::FileNotOpen;
    if (m_lockCount == 0)
        return AsciiStatus::Ok;
    if (--m_lockCount > 0)
        return AsciiStatus::Ok;
    if (const SystemError error = m_buffer->File().UnlockRange(0, 1); error != SystemError::None)
        return Fail(SystemStatus(error), error);
    return AsciiStatus::Ok;
}

// --- files by name -------------------------------------------------------------------------

AsciiStatus AsciiFile::Remove(std::string_view name)
{
    if (IsOpen())
        return AsciiStatus::FileAlreadyOpen;
    std::string full;
    if (const AsciiStatus status = ExpandName(name, full); status != AsciiStatus::Ok)
        return Fail(status, SystemError::InvalidName);
    if (const SystemError error = CurrentFileSystem().Delete(full); error != SystemError::None)
        return Fail(FromNameError(error), error);
    return AsciiStatus::Ok;
}

AsciiStatus AsciiFile::Rename(std::string_view from, std::string_view to)
{
    if (IsOpen())
        return AsciiStatus::FileAlreadyOpen;
    std::string source;
    std::string target;
    if (const AsciiStatus status = ExpandName(from, source); status != AsciiStatus::Ok)
        return Fail(status, SystemError::InvalidName);
    if (const AsciiStatus status = ExpandName(to, target); status != AsciiStatus::Ok)
        return Fail(status, SystemError::InvalidName);
    if (const SystemError error = CurrentFileSystem().Rename(source, target);
        error != SystemError::None)
        return Fail(FromNameError(error), error);
    return AsciiStatus::Ok;
}

AsciiStatus AsciiFile::Copy(std::string_view from, std::string_view to)
{
    if (IsOpen())
        return AsciiStatus::FileAlreadyOpen;
    std::string source;
    std::string target;
    if (const AsciiStatus status = ExpandName(from, source); status != AsciiStatus::Ok)
        return Fail(status, SystemError::InvalidName);
    if (const AsciiStatus status = ExpandName(to, target); status != AsciiStatus::Ok)
        return Fail(status, SystemError::InvalidName);
    if (const SystemError error
        = CurrentFileSystem().Copy(source, target, platform::IfTargetExists::Replace);
        error != SystemError::None)
        return Fail(FromNameError(error), error);
    return AsciiStatus::Ok;
}

// --- commands ------------------------------------------------------------------------------

AsciiFile::CommandResult AsciiFile::Command(std::string_view command, std::string& answer)
{
    static constexpr std::array<std::string_view, 7> kKeywords { "FILEBUFFERS", "QUICKSCAN",
        "ENDOFRECORD", "CTRLZISEOF", "CLIP", "TAB", "REGISTER" };
    const std::string upper = platform::AsciiUpperCase(command);
    const std::string_view text(upper);
    std::string_view keyword;
    for (const std::string_view candidate : kKeywords) {
        if (!text.empty() && text[0] == candidate[0] && text.starts_with(candidate)) {
            keyword = candidate;
            break;
        }
    }
    if (keyword.empty())
        return CommandResult::Unknown;
    const std::string_view rest = text.substr(keyword.size());
    if (!rest.empty() && rest[0] != '=')
        return CommandResult::Unknown;
    const bool setting = !rest.empty();
    const std::string_view value = setting ? rest.substr(1) : std::string_view {};
    const std::string_view word = TrimBlanks(value);

    if (keyword == "FILEBUFFERS") {
        answer = std::to_string(m_bufferSize);
        if (!setting)
            return CommandResult::Done;
        const std::int64_t blocks
            = std::clamp<std::int64_t>(ParseNumber(value), 0, kMaxFileBuffers);
        const std::size_t size = std::max<std::size_t>(
            static_cast<std::size_t>(blocks) * kBlock, std::max<std::size_t>(RecordLength(), 1));
        if (IsOpen() && !m_buffer->Rebuild(size, QuickScan())) {
            m_lastSystemError = m_buffer->LastError();
            m_commandStatus = m_lastSystemError == SystemError::NotEnoughMemory
                ? AsciiStatus::InsufficientMemory
                : AsciiStatus::AccessDenied;
            return CommandResult::Failed;
        }
        m_bufferSize = size;
    } else if (keyword == "QUICKSCAN") {
        answer = QuickScan() ? "ON" : "OFF";
        if (!setting || (word != "ON" && word != "OFF"))
            return CommandResult::Done;
        const bool caching = word == "ON";
        if (caching == QuickScan())
            return CommandResult::Done;
        if (IsOpen() && !m_buffer->Rebuild(m_bufferSize, caching)) {
            m_lastSystemError = m_buffer->LastError();
            m_commandStatus = AsciiStatus::AccessDenied;
            return CommandResult::Failed;
        }
        m_flags = caching ? m_flags | kFlagQuickScan : m_flags & ~kFlagQuickScan;
    } else if (keyword == "ENDOFRECORD") {
        answer = m_terminator;
        if (setting)
            ParseTerminator(value, m_terminator);
    } else if (keyword == "CTRLZISEOF") {
        answer = CtrlZIsEof() ? "ON" : "OFF";
        if (setting)
            m_flags
                = word.starts_with("OFF") ? m_flags | kFlagCtrlZData : m_flags & ~kFlagCtrlZData;
    } else if (keyword == "CLIP") {
        answer = m_clip ? "ON" : "OFF";
        if (setting && (word == "ON" || word == "OFF"))
            m_clip = word == "ON";
    } else if (keyword == "TAB") {
        answer = std::to_string(m_tab);
        if (setting) {
            m_tab = static_cast<std::int32_t>(std::clamp<std::int64_t>(ParseNumber(value),
                std::numeric_limits<std::int32_t>::min(),
                std::numeric_limits<std::int32_t>::max()));
            m_tabSet = true;
        }
    } else {
        answer = std::to_string(m_traits.registration);
    }
    return CommandResult::Done;
}

AsciiStatus AsciiFile::ApplyOptions(std::string_view options)
{
    std::size_t slash = options.find('/');
    while (slash != std::string_view::npos) {
        const std::size_t next = options.find('/', slash + 1);
        const std::string_view command
            = options.substr(slash + 1, next == std::string_view::npos ? next : next - slash - 1);
        std::string ignored;
        if (Command(command, ignored) == CommandResult::Failed)
            return m_commandStatus;
        slash = next;
    }
    return AsciiStatus::Ok;
}

std::string AsciiFile::Send(std::string_view command)
{
    std::string answer;
    if (Command(command, answer) == CommandResult::Unknown)
        answer.clear();
    return answer;
}

std::string AsciiFile::GetProperty(std::uint32_t number) const
{
    switch (number) {
    case kPropertyName:
        return m_name;
    case kPropertyOwner:
        return m_traits.owner;
    case kPropertyDriverString:
        return m_driverOptions;
    case kPropertyThread:
        return m_traits.thread ? "1" : "";
    case kPropertyTraceFile:
        return m_trace.on ? m_trace.file : std::string();
    default:
        // The remote route (none) and the numbers whose meaning is left open answer nothing.
        return {};
    }
}

// --- trace ---------------------------------------------------------------------------------

AsciiTrace ReadAsciiTrace(bool encrypted, std::string_view driverOptions)
{
    constexpr std::string_view kSection = "QWASCII";
    constexpr std::size_t kMaxTraceFile = 260;
    AsciiTrace trace;
    trace.on = platform::GetProfileInt(kSection, "Profile", 0) != 0;
    std::string file = platform::GetProfileString(kSection, "TraceFile", "ASCII.LOG");
    if (file.size() > kMaxTraceFile)
        file.resize(kMaxTraceFile);
    if (!file.empty())
        trace.file = std::move(file);
    trace.details = platform::GetProfileInt(kSection, "Details", 0) != 0;
    if (trace.details && encrypted) {
        bool allowed = false;
        std::size_t slash = driverOptions.find('/');
        while (slash != std::string_view::npos && !allowed) {
            const std::size_t next = driverOptions.find('/', slash + 1);
            allowed = platform::EqualsIgnoringAsciiCase(
                TrimBlanks(driverOptions.substr(
                    slash + 1, next == std::string_view::npos ? next : next - slash - 1)),
                "ALLOWDETAILS");
            slash = next;
        }
        trace.details = allowed;
    }
    return trace;
}

std::string FormatAsciiTraceEntry(std::string_view operation, std::string_view name,
    std::string_view key, std::uint32_t thread, std::string_view error, bool driverError,
    std::uint32_t centiseconds)
{
    std::string head(operation);
    head += '(';
    head += name;
    head += key;
    head += ' ';
    head += std::to_string(thread);
    head += ") ";
    constexpr std::size_t kHeadWidth = 18;
    if (head.size() < kHeadWidth)
        head.resize(kHeadWidth, ' ');
    if (!error.empty()) {
        head += driverError ? "File Error: " : "Error: ";
        head += error;
        head += ' ';
    }
    std::array<char, 64> time {};
    std::snprintf(time.data(), time.size(), "Time Taken: %lu.%02lu secs\r\n",
        static_cast<unsigned long>(centiseconds / 100),
        static_cast<unsigned long>(centiseconds % 100));
    head += time.data();
    return head;
}

bool AppendAsciiTrace(std::string_view path, std::string_view entry)
{
    auto file = CurrentFileSystem().Open(
        path, platform::kAccessWrite | platform::kShareDenyNone, platform::Disposition::OpenAlways);
    if (!file || !(*file)->Seek(0, platform::SeekOrigin::End))
        return false;
    return static_cast<bool>((*file)->Write(entry.data(), entry.size()));
}

} // namespace files
