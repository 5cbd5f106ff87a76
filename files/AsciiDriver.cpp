#include "AsciiDriver.h"

#include "AsciiFile.h"
#include "ErrorState.h"
#include "FileOps.h"

#include <platform/Threads.h>
#include <value/StringStack.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace files {

namespace {

using Op = Operation;

/// The operations the driver names in its registration: those it runs, and those it lists but
/// answers with "Unsupported File Driver Function".
constexpr Op kOperationsNamed[] = {
    Op::Add,
    Op::Bof,
    Op::Append,
    Op::Close,
    Op::Copy,
    Op::Create,
    Op::Delete,
    Op::Empty,
    Op::Eof,
    Op::GetFilePtr,
    Op::HoldFile,
    Op::LockFile,
    Op::LockFileSec,
    Op::Logout,
    Op::Name,
    Op::Next,
    Op::Open,
    Op::PointerFile,
    Op::Flush,
    Op::Put,
    Op::Previous,
    Op::RecordsFile,
    Op::BuildDynFilter,
    Op::Remove,
    Op::Rename,
    Op::SetFile,
    Op::SetFilePtr,
    Op::Share,
    Op::Skip,
    Op::Unlock,
    Op::AddFileLen,
    Op::Bytes,
    Op::GetFilePtrLen,
    Op::PutFilePtr,
    Op::PutFilePtrLen,
    Op::AppendLen,
    Op::Send,
    Op::PositionFile,
    Op::ResetFile,
    Op::RegetFile,
    Op::SetProperty,
    Op::GetProperty,
    Op::QueryKey,
    Op::Clear,
    Op::SetPropertyKey,
    Op::GetPropertyKey,
    Op::InView,
    Op::EndView,
};

/// The registration's list: one byte per operation code, ended by 0.
constexpr auto kOperationList = [] {
    std::array<std::uint8_t, std::size(kOperationsNamed) + 1> list {};
    for (std::size_t i = 0; i < std::size(kOperationsNamed); ++i)
        list[i] = static_cast<std::uint8_t>(CodeOf(kOperationsNamed[i]));
    return list;
}();

template<std::size_t N> constexpr std::array<char, N> Padded(std::string_view text)
{
    std::array<char, N> field {};
    for (std::size_t i = 0; i < text.size() && i + 1 < N; ++i)
        field[i] = text[i];
    return field;
}

DriverRegistration MakeRegistration()
{
    DriverRegistration registration;
    registration.name = Padded<21>("ASCII");
    registration.moduleFile = Padded<13>("R4ASC.DLL");
    registration.notice = Padded<41>("varn runtime: text file driver");
    registration.description = Padded<31>("ASCII (Text)");
    registration.entry = &AsciiDriverEntry;
    registration.words = { 1, 128 };
    // A line overlays the whole record, so a field of any type can be declared in it.
    registration.typeTable.fill(1);
    registration.numbers = { 49, 33, 24, 169 };
    registration.operations = kOperationList.data();
    registration.secondModuleFile = Padded<13>("R4ASCS.DLL");
    return registration;
}

/// The ASCII part of a FILE's control block: the engine over the record buffer.
struct AsciiControlBlock final : FileControlBlock {
    std::unique_ptr<AsciiFile> engine;
    bool declarationTraced = false;
};

/// The text fields an OEM file converts, the length byte of a PSTRING left alone.
std::vector<TextSpan> TextFieldsOf(const std::vector<FieldInfo>& fields)
{
    std::vector<TextSpan> spans;
    for (const FieldInfo& field : fields) {
        switch (field.type) {
        case value::TypeCode::String:
        case value::TypeCode::CString:
            spans.push_back({ field.offset, field.size });
            break;
        case value::TypeCode::PString:
            if (field.size > 1)
                spans.push_back({ field.offset + 1, field.size - 1 });
            break;
        default:
            break;
        }
    }
    return spans;
}

/// The engine's answer as the common path posts it: the engine answers the runtime's own
/// error numbers, so each status is the error of the same number.
FileError ErrorOf(AsciiStatus status)
{
    return static_cast<FileError>(static_cast<std::int32_t>(status));
}

std::uint32_t Unsigned(std::int32_t number)
{
    return static_cast<std::uint32_t>(number);
}

/// The number a property statement left on the string stack.
std::uint32_t PopPropertyNumber()
{
    const double number = value::PopReal();
    return number >= 0 && number <= 0xFFFFFFFF ? static_cast<std::uint32_t>(number) : 0;
}

bool IsRecordOperation(Operation operation)
{
    switch (operation) {
    case Op::Add:
    case Op::AddFileLen:
    case Op::Append:
    case Op::AppendLen:
    case Op::Delete:
    case Op::GetFileKey:
    case Op::GetFilePtr:
    case Op::GetKeyPtr:
    case Op::GetFilePtrLen:
    case Op::Next:
    case Op::Previous:
    case Op::Put:
    case Op::PutFilePtr:
    case Op::PutFilePtrLen:
    case Op::RegetFile:
    case Op::RegetKey:
        return true;
    default:
        return false;
    }
}

std::string_view TypeName(value::TypeCode type)
{
    switch (type) {
    case value::TypeCode::String:
        return "STRING";
    case value::TypeCode::CString:
        return "CSTRING";
    case value::TypeCode::PString:
        return "PSTRING";
    default:
        return "FIELD";
    }
}

/// The declaration's description that precedes the first detailed entry of a FILE.
std::string DescribeDeclaration(const FileControlBlock& block)
{
    std::string text = "FILE Driver: ";
    text += block.driverName;
    text += "  Name: ";
    text += block.name;
    text += "  Attributes: ";
    text += std::to_string(Bits(block.attributes));
    text += "  Keys: 0  Memos: 0\r\n";
    for (const FieldInfo& field : block.fields) {
        text += "  ";
        text += field.label;
        text += ' ';
        text += TypeName(field.type);
        text += '(';
        text += std::to_string(field.size);
        text += ") at ";
        text += std::to_string(field.offset);
        text += "\r\n";
    }
    return text;
}

/// The record's field values, one line each, text fields up to their last non-blank.
std::string DescribeRecord(const FileControlBlock& block)
{
    std::string text;
    const char* record = reinterpret_cast<const char*>(block.record);
    for (const FieldInfo& field : block.fields) {
        if (field.offset > block.recordLength || field.size > block.recordLength - field.offset)
            continue;
        std::string_view bytes(record + field.offset, field.size);
        text += "  ";
        text += field.label;
        text += " = ";
        if (field.type == value::TypeCode::String || field.type == value::TypeCode::CString
            || field.type == value::TypeCode::PString) {
            if (field.type == value::TypeCode::CString)
                bytes = bytes.substr(0, std::min(bytes.find('\0'), bytes.size()));
            while (!bytes.empty() && bytes.back() == ' ')
                bytes.remove_suffix(1);
            text += '\'';
            text += bytes;
            text += '\'';
        } else {
            static constexpr char kHex[] = "0123456789ABCDEF";
            for (const char c : bytes) {
                text += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
                text += kHex[static_cast<unsigned char>(c) & 0xF];
            }
        }
        text += "\r\n";
    }
    return text;
}

class AsciiDriver final : public FileDriver {
public:
    std::string_view Name() const override { return "ASCII"; }

    std::unique_ptr<FileControlBlock> NewControlBlock() override
    {
        return std::make_unique<AsciiControlBlock>();
    }

    FileError Attach(FileControlBlock& block) override
    {
        const FileDeclaration& declaration = *block.declaration;
        if (declaration.keyCount != 0 || declaration.memoCount != 0
            || block.recordLength > kMaxAsciiRecordLength)
            return FileError::InvalidRecordDeclaration;
        AsciiFileTraits traits;
        traits.oem = Any(block.attributes & BlockAttribute::Oem);
        traits.createAttribute = Any(block.attributes & BlockAttribute::Create);
        traits.thread = Any(block.attributes & BlockAttribute::Thread);
        if (traits.oem)
            traits.oemText = TextFieldsOf(block.fields);
        traits.owner = block.owner;
        traits.finalLink = declaration.finalLink;
        traits.registration = reinterpret_cast<std::uintptr_t>(&AsciiDriverRegistration());
        auto& own = static_cast<AsciiControlBlock&>(block);
        own.engine = std::make_unique<AsciiFile>(
            std::span<char>(reinterpret_cast<char*>(block.record), block.recordLength),
            std::move(traits));
        return FileError::None;
    }

    void ReadTraceSettings(FileControlBlock& block) override
    {
        AsciiTrace trace
            = ReadAsciiTrace(Any(block.attributes & BlockAttribute::Encrypt), block.driverString);
        block.traceOn = trace.on;
        block.traceDetails = trace.on && trace.details;
        block.traceFileName = trace.file;
        static_cast<AsciiControlBlock&>(block).engine->SetTrace(std::move(trace));
    }

    HandlerResult Run(
        Operation operation, FileControlBlock& block, const OperationArguments& arguments) override
    {
        AsciiFile& file = *static_cast<AsciiControlBlock&>(block).engine;
        const auto number = [&arguments](std::size_t i) { return Unsigned(arguments.numbers[i]); };
        HandlerResult answer;
        const auto status = [&answer](AsciiStatus result) {
            answer.result = ErrorOf(result);
            return answer;
        };
        switch (operation) {
        case Op::Open:
        case Op::Share: {
            const AsciiStatus result = file.Open(block.name, number(0), block.driverString);
            if (result == AsciiStatus::Ok)
                block.name = file.Name();
            return status(result);
        }
        case Op::Close:
            return status(file.Close());
        case Op::Create:
            return status(file.Create(block.name));
        case Op::Add:
        case Op::Append:
            return status(file.Append());
        case Op::AddFileLen:
        case Op::AppendLen:
            return status(file.AppendLength(number(0)));
        case Op::Put:
            return status(file.Put());
        case Op::PutFilePtr:
            return status(file.PutAt(number(0)));
        case Op::PutFilePtrLen:
            return status(file.PutAtLength(number(0), number(1)));
        case Op::GetFilePtr:
            return status(file.Get(number(0)));
        case Op::GetFilePtrLen:
            return status(file.GetLength(number(0), number(1)));
        case Op::Next:
            return status(file.Next());
        case Op::SetFile:
            file.Set();
            return answer;
        case Op::SetFilePtr:
            file.SetAt(number(0));
            return answer;
        case Op::ResetFile:
            file.Reset(arguments.text);
            return answer;
        case Op::RegetFile:
            return status(file.Reget(arguments.text));
        case Op::PointerFile:
            answer.value = static_cast<std::int32_t>(file.Pointer());
            return answer;
        case Op::PositionFile:
            answer.text = file.Position();
            return answer;
        case Op::Eof:
            answer.value = file.Eof() ? 1 : 0;
            return answer;
        case Op::Bytes:
            answer.value = static_cast<std::int32_t>(file.Bytes());
            return answer;
        case Op::Empty:
            return status(file.Empty());
        case Op::Flush:
            return status(file.Flush());
        case Op::LockFile:
            return status(file.Lock());
        case Op::LockFileSec:
            return status(file.Lock(arguments.numbers[0]));
        case Op::Unlock:
            return status(file.Unlock());
        case Op::Remove:
            return status(file.Remove(block.name));
        case Op::Rename:
            return status(file.Rename(block.name, arguments.text));
        case Op::Copy:
            return status(file.Copy(block.name, arguments.text));
        case Op::Name:
            answer.text = file.IsOpen() ? file.Name() : block.name;
            return answer;
        case Op::Send:
            answer.text = file.Send(arguments.text);
            return answer;
        case Op::GetProperty:
        case Op::GetPropertyKey:
            answer.text = file.GetProperty(PopPropertyNumber());
            return answer;
        case Op::SetProperty:
            // The only property the driver takes is the remote route, and no connector is
            // installed to take a route over: the value and the number are dropped, unused.
            value::Drop();
            value::Drop();
            answer.result = FileError::UnsupportedFunction;
            return answer;
        case Op::SetPropertyKey:
        case Op::QueryKey:
        case Op::InView:
        case Op::EndView:
            return answer;
        case Op::Clear:
            file.Clear();
            return answer;
        default:
            answer.result = FileError::UnsupportedFunction;
            return answer;
        }
    }

    void Trace(Operation operation, FileControlBlock& block, const OperationArguments& arguments,
        FileError result, std::int64_t centiseconds) override
    {
        if (operation == Op::Internal87 || operation == Op::DriverAddress || block.name.empty())
            return;
        auto& own = static_cast<AsciiControlBlock&>(block);
        std::string entry;
        if (block.traceDetails && !own.declarationTraced) {
            entry += DescribeDeclaration(block);
            own.declarationTraced = true;
        }
        std::string key;
        if (arguments.key != nullptr) {
            key = ',';
            if (arguments.key->label != nullptr)
                key.append(arguments.key->label, arguments.key->labelLength);
            std::size_t number = 1;
            const FileDeclaration& declaration = *block.declaration;
            while (number <= declaration.keyCount && declaration.keys[number - 1] != arguments.key)
                ++number;
            key += '[' + std::to_string(number) + ']';
        }
        const bool failed = result != FileError::None && result != FileError::Silent;
        entry += FormatAsciiTraceEntry(OperationName(operation), block.name, key,
            platform::CurrentThreadId(), failed ? ErrorTextOf(CodeOf(result)) : std::string(),
            result == FileError::FileSystemError,
            static_cast<std::uint32_t>(std::max<std::int64_t>(centiseconds, 0)));
        if (block.traceDetails && result == FileError::None && IsRecordOperation(operation))
            entry += DescribeRecord(block);
        AppendAsciiTrace(block.traceFileName, entry);
    }
};

AsciiDriver& TheDriver()
{
    static AsciiDriver driver;
    return driver;
}

} // namespace

std::int32_t AsciiDriverEntry(
    Operation operation, FileDeclaration* file, const OperationArguments* arguments)
{
    return RunFileOperation(TheDriver(), operation, file, *arguments);
}

const DriverRegistration& AsciiDriverRegistration()
{
    static const DriverRegistration registration = MakeRegistration();
    return registration;
}

} // namespace files
