#pragma once

#include <files/Operations.h>
#include <platform/File.h>
#include <value/TypeCodes.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The static block generated code emits for each FILE, the descriptors it points at, and the
// record type descriptor encoding with its builder and walker.

namespace files {

struct FileDeclaration;
struct FileControlBlock;
struct KeyDescriptor;
struct OperationArguments;

/// A driver's single entry point: runs `operation` on `file` with the statement's further
/// `arguments` (never null) and answers what the statement returns to the program: the
/// function value of a value-returning operation, else 0, -1 or the error number posted.
using DriverEntry = std::int32_t (*)(
    Operation operation, FileDeclaration* file, const OperationArguments* arguments);

/// Bits of FileDeclaration::attributes.
struct DeclarationAttributes {
    static constexpr std::uint8_t kEncrypt = 0x02;
    static constexpr std::uint8_t kCreate = 0x04;
    static constexpr std::uint8_t kReclaim = 0x08;
    static constexpr std::uint8_t kThread = 0x10;
    static constexpr std::uint8_t kOem = 0x20; ///< text converted OEM <-> ANSI on write and read
    static constexpr std::uint8_t kUnused40 = 0x40;
};

/// FileDeclaration::nameLength for a NUL-terminated NAME value.
inline constexpr std::int32_t kNameNulTerminated = -1;
/// FileDeclaration::nameLength for a length-prefixed NAME value (first byte is the length).
inline constexpr std::int32_t kNameLengthPrefixed = -2;
/// FileDeclaration::routeFlags bit: the file is redirected to a remote connector.
inline constexpr std::uint8_t kRouteRemote = 0x01;

/// Bits of KeyDescriptor::flags.
struct KeyFlags {
    static constexpr std::uint32_t kDup = 0x01;
    static constexpr std::uint32_t kOpt = 0x02;
    static constexpr std::uint32_t kNoCase = 0x04;
    static constexpr std::uint32_t kPrimary = 0x10;
    static constexpr std::uint32_t kOwnBuiltFlag = 0x40; ///< the key keeps its own built bit
    static constexpr std::uint32_t kIndex = 0x4000;      ///< declared as INDEX rather than KEY
};

/// One KEY or INDEX of a FILE.
struct KeyDescriptor {
    const char* label = nullptr;
    std::uint32_t labelLength = 0;
    std::uint32_t flags = 0; ///< KeyFlags
    std::uint8_t componentCount = 0;
    /// One field number per component (1-based into the record); negative means descending.
    const std::int32_t* components = nullptr;
    const char* externalName = nullptr;
    std::uint32_t externalNameLength = 0;
    /// The control block of the FILE the key belongs to; set when that FILE is attached.
    FileControlBlock* owner = nullptr;
    /// The key's own built bit, used instead of the file's when flags hold kOwnBuiltFlag.
    bool built = false;
};

/// Bits of MemoDescriptor::flags.
struct MemoFlags {
    static constexpr std::uint8_t kBinary = 0x02;
    static constexpr std::uint8_t kBlob = 0x04; ///< BLOB rather than MEMO
};

/// One MEMO or BLOB of a FILE.
struct MemoDescriptor {
    const char* label = nullptr;
    std::uint32_t labelLength = 0;
    const char* externalName = nullptr;
    std::uint32_t externalNameLength = 0;
    std::uint8_t flags = 0; ///< MemoFlags
    std::uint32_t size = 0;
};

/// The block of one FILE declaration, its fields in declaration order. Generated code emits
/// it in static storage with `controlBlock` null; the common path of the driver interface
/// fills that slot.
struct FileDeclaration {
    DriverEntry driverEntry = nullptr;
    const char* name = nullptr;
    /// Length of the NAME value, or kNameNulTerminated, or kNameLengthPrefixed.
    std::int32_t nameLength = 0;
    const char* driverString = nullptr; ///< the second DRIVER argument, or null
    std::uint32_t driverStringLength = 0;
    const char* owner = nullptr; ///< the OWNER value (password), or null
    std::uint32_t ownerLength = 0;
    std::uint8_t attributes = 0; ///< DeclarationAttributes
    std::uint8_t keyCount = 0;
    std::uint8_t memoCount = 0;
    std::uint32_t recordLength = 0;
    const std::uint8_t* recordType = nullptr; ///< the RECORD's GROUP type descriptor
    KeyDescriptor* const* keys = nullptr;     ///< keyCount key descriptors
    MemoDescriptor* const* memos = nullptr;   ///< memoCount memo descriptors
    std::byte* record = nullptr;              ///< the RECORD buffer, recordLength bytes
    /// The run-time state, null until the first operation attaches it. For a THREAD file this
    /// slot stays null: each thread works on its own copy of the declaration.
    FileControlBlock* controlBlock = nullptr;
    std::uint8_t reserved = 0;
    std::uint8_t routeFlags = 0; ///< kRouteRemote
    /// For a thread's own copy of a THREAD file: the declaration it was copied from; null in
    /// every emitted block.
    const FileDeclaration* original = nullptr;
    /// What opening and creating the file do when its name is a symbolic link. Emitted blocks
    /// follow links, as every program does; a file kept where others may put a link in its
    /// place (a shared working directory) refuses them, so that no write lands elsewhere.
    platform::FinalLink finalLink = platform::FinalLink::Follow;
};

/// The NAME value of `file` as its nameLength says to read it; empty when it has none.
std::string_view DeclaredName(const FileDeclaration& file);

// Type descriptor encoding. A GROUP header is: type byte 22, flags byte 0, group size,
// number of direct entries, and total length of the group's descriptor including the header
// (each 4 bytes, little-endian). Each field entry is: type byte, flags byte (kHasLabel: a
// NUL-terminated upper-case label follows), for STRING, CSTRING and PSTRING a 2-byte size
// (0x20 plus the high bits, then the low 8 bits), then the label. A nested GROUP entry is a
// full header (its flags byte may hold kHasLabel, the label then follows the header) and its
// own entries.

/// Flags byte of an entry: a NUL-terminated label follows.
inline constexpr std::uint8_t kHasLabel = 0x02;
/// Size of a GROUP header in bytes.
inline constexpr std::size_t kGroupHeaderSize = 14;
/// The largest size a string entry can encode (first size byte 0xFF).
inline constexpr std::uint32_t kMaxEncodedStringSize = 0xDFFF;
/// At most this many GROUPs may be open at once in a descriptor.
inline constexpr std::size_t kMaxGroupNesting = 100;

/// True for the types whose entries carry a 2-byte size: STRING, CSTRING, PSTRING.
bool HasEncodedSize(value::TypeCode type);

/// Builds a type descriptor once from a declaration written in code:
///
///     static const std::vector<std::uint8_t> kRecord
///         = TypeDescriptorBuilder().Group().String("HAS:SLOG", 40).End().Build();
///
/// Sizes, entry counts and lengths of the GROUP headers are filled in by End(). Labels are
/// stored upper-cased. A misuse (a field outside any GROUP, a string size of 0 or above
/// kMaxEncodedStringSize, a type without a fixed size given to Scalar, an End without a
/// Group, a GROUP left open, more than one outermost GROUP) makes Build() answer an empty
/// descriptor.
class TypeDescriptorBuilder {
public:
    /// Opens a GROUP, nested in the current one if there is one.
    TypeDescriptorBuilder& Group(std::string_view label = {});
    /// Closes the innermost open GROUP.
    TypeDescriptorBuilder& End();
    /// A STRING(size) field.
    TypeDescriptorBuilder& String(std::string_view label, std::uint32_t size);
    /// A CSTRING(size) field.
    TypeDescriptorBuilder& CString(std::string_view label, std::uint32_t size);
    /// A PSTRING(size) field.
    TypeDescriptorBuilder& PString(std::string_view label, std::uint32_t size);
    /// A field of a type with a fixed size (BYTE, SHORT, LONG, REAL, DATE, ...).
    TypeDescriptorBuilder& Scalar(value::TypeCode type, std::string_view label = {});

    /// The descriptor, or empty after a misuse.
    std::vector<std::uint8_t> Build() const;

private:
    struct OpenGroup {
        std::size_t headerOffset;
        std::uint32_t size;
        std::uint32_t count;
    };

    void SizedString(value::TypeCode type, std::string_view label, std::uint32_t size);
    void Entry(value::TypeCode type, std::string_view label);
    void AddLabel(std::string_view label);
    void AddToGroup(std::uint32_t size);

    std::vector<std::uint8_t> m_bytes;
    std::vector<OpenGroup> m_open;
    bool m_failed = false;
    bool m_closedOutermost = false;
};

/// One field of a record as the field table holds it.
struct FieldInfo {
    value::TypeCode type = value::TypeCode::End;
    std::uint32_t size = 0;   ///< bytes
    std::uint32_t offset = 0; ///< from the start of the record
    std::string label;
};

/// The field table of a descriptor, or the error that rejected it.
struct FieldTable {
    /// None, or InvalidFieldTypeDescriptor (75: not a GROUP at the start, too deep, malformed)
    /// or UnsupportedDataType (79: a field of size 0).
    FileError error = FileError::None;
    /// The fields, nested GROUPs flattened (the GROUP entries themselves are not listed).
    std::vector<FieldInfo> fields;
};

/// Walks the descriptor at `descriptor` (which must start with a GROUP header; the header's
/// total length bounds the walk) and lists its fields with their offsets.
FieldTable WalkTypeDescriptor(const std::uint8_t* descriptor);

} // namespace files
