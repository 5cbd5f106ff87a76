#include <files/AsciiDriver.h>
#include <files/AsciiFile.h>
#include <files/ErrorState.h>
#include <files/FileDeclaration.h>
#include <files/FileOps.h>
#include <value/StringStack.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using files::FileDeclaration;
using files::Operation;
using files::OperationArguments;
using testsupport::ReadText;
using testsupport::TempDirectory;
using testsupport::WriteText;

namespace {

constexpr std::int32_t kReadWriteDenyAll = 0x12; // the result file's mode
constexpr std::int32_t kReadDenyNone = 0x40;
constexpr std::int32_t kReadWriteDenyNone = 0x42;

constexpr std::uint8_t kResultFileAttributes = files::DeclarationAttributes::kCreate
    | files::DeclarationAttributes::kThread | files::DeclarationAttributes::kOem;

const std::uint8_t* ResultRecordType()
{
    static const std::vector<std::uint8_t> kType
        = files::TypeDescriptorBuilder().Group().String("HAS:SLOG", 40).End().Build();
    return kType.data();
}

/// A FILE declared as generated code declares the result file: DRIVER('ASCII'), one
/// STRING(40) field, CREATE, THREAD and OEM unless told otherwise.
struct AsciiFileDeclaration {
    explicit AsciiFileDeclaration(std::string fileName = "HASHBROJ.TXT",
        std::uint8_t attributes = kResultFileAttributes, std::uint32_t recordLength = 40)
        : name(std::move(fileName))
        , record(recordLength)
    {
        declaration.driverEntry = &files::AsciiDriverEntry;
        declaration.name = name.c_str();
        declaration.nameLength = files::kNameNulTerminated;
        declaration.attributes = attributes;
        declaration.recordLength = recordLength;
        declaration.recordType = ResultRecordType();
        declaration.record = record.data();
    }
    AsciiFileDeclaration(const AsciiFileDeclaration&) = delete;
    AsciiFileDeclaration& operator=(const AsciiFileDeclaration&) = delete;

    FileDeclaration* Get() { return &declaration; }

    /// The record the calling thread works with (its own copy for a THREAD file).
    char* Record()
    {
        return reinterpret_cast<char*>(files::DeclarationForThread(&declaration)->record);
    }
    /// Assigns `text` to the record, blank padded, as an assignment to the field does.
    void Assign(std::string_view text)
    {
        char* own = Record();
        std::memset(own, ' ', declaration.recordLength);
        std::memcpy(own, text.data(), std::min<std::size_t>(text.size(), declaration.recordLength));
    }
    std::string RecordText()
    {
        std::string text(Record(), declaration.recordLength);
        text.erase(text.find_last_not_of(' ') + 1);
        return text;
    }

    std::string name;
    std::vector<std::byte> record;
    FileDeclaration declaration;
};

std::string PopText()
{
    std::vector<char> text(value::PeekLength() + 1);
    value::PopToCString(text.data(), static_cast<std::uint32_t>(text.size()));
    return text.data();
}

std::string Sent(FileDeclaration* file, std::string_view command)
{
    files::Send(file, command);
    return PopText();
}

std::string Property(FileDeclaration* file, std::uint32_t number)
{
    value::PushLong(static_cast<std::int32_t>(number));
    files::GetProperty(file, 0);
    return PopText();
}

class AsciiDriverTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_directory.Path().empty());
        m_cwd.emplace(m_directory.Path());
        files::ClearErrorState();
        value::ResetStringStack();
    }
    void TearDown() override
    {
        files::UsedFileList::CloseAll();
        files::ClearErrorState();
        value::ResetStringStack();
        m_cwd.reset();
    }

    /// A FILE declaration that, like one generated code emits, outlives every operation on it
    /// (the used-file list still names it when the test tears down).
    template<typename... Arguments> AsciiFileDeclaration& Declare(Arguments&&... arguments)
    {
        return m_declarations.emplace_back(std::forward<Arguments>(arguments)...);
    }

    TempDirectory m_directory;
    std::deque<AsciiFileDeclaration> m_declarations;
    testsupport::ScopedEnvironment m_noProfile { "VARN_WIN_INI", "/nonexistent/win.ini" };
    std::optional<testsupport::ScopedCurrentDirectory> m_cwd;
};

/// What the hash window does on a button press, answering the first failing step's result.
std::int32_t StoreDigest(AsciiFileDeclaration& file, std::string_view digest)
{
    files::Close(file.Get()); // open after the window's start or an earlier press; 37 otherwise
    if (const std::int32_t result = files::Open(file.Get(), kReadWriteDenyAll); result != 0)
        return result;
    if (const std::int32_t result = files::Empty(file.Get()); result != 0)
        return result;
    file.Assign(digest);
    return files::Append(file.Get());
}

TEST_F(AsciiDriverTest, ResultFileHoldsExactlyTheLastDigestLine)
{
    AsciiFileDeclaration& file = Declare();
    ASSERT_EQ(files::Create(file.Get()), 0);
    EXPECT_EQ(ReadText(m_directory / "HASHBROJ.TXT"), "");

    EXPECT_EQ(files::Close(file.Get()), 37) << "closing a file that is not open posts 37";
    EXPECT_EQ(files::ErrorCode(), 37);
    ASSERT_EQ(files::Open(file.Get(), kReadWriteDenyAll), 0);
    EXPECT_EQ(files::ErrorCode(), 0) << "the OPEN clears the posted error";
    ASSERT_EQ(files::Empty(file.Get()), 0);
    file.Assign("A94A8FE5CCB19BA61C4C0873D391E987982FBBD3");
    ASSERT_EQ(files::Append(file.Get()), 0);
    ASSERT_EQ(files::Flush(file.Get()), 0); // a deny-all file caches its writes
    EXPECT_EQ(
        ReadText(m_directory / "HASHBROJ.TXT"), "A94A8FE5CCB19BA61C4C0873D391E987982FBBD3\r\n");

    ASSERT_EQ(StoreDigest(file, "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"), 0);
    EXPECT_EQ(files::ErrorCode(), 0);
    files::Name(file.Get());
    EXPECT_EQ(PopText(), m_directory / "HASHBROJ.TXT") << "NAME is the full path once opened";
    ASSERT_EQ(files::Close(file.Get()), 0);
    EXPECT_EQ(
        ReadText(m_directory / "HASHBROJ.TXT"), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709\r\n")
        << "a second press leaves one line";
}

TEST_F(AsciiDriverTest, DenyAllKeepsOtherThreadsAndProcessesOut)
{
    AsciiFileDeclaration& file = Declare();
    ASSERT_EQ(files::Create(file.Get()), 0);
    ASSERT_EQ(StoreDigest(file, "0123456789012345678901234567890123456789"), 0);

    // A THREAD file: the other thread works on its own copy with its own control block.
    std::int32_t fromThread = 0;
    std::thread([&] { fromThread = files::Open(file.Get(), kReadWriteDenyAll); }).join();
    EXPECT_EQ(fromThread, 5) << "a sharing violation is posted as Access Denied";

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AsciiFileDeclaration& other = Declare();
        ::_exit(files::Open(other.Get(), kReadDenyNone));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 5);

    ASSERT_EQ(files::Close(file.Get()), 0);
    std::thread([&] {
        fromThread = files::Open(file.Get(), kReadWriteDenyAll);
        files::Close(file.Get());
    }).join();
    EXPECT_EQ(fromThread, 0) << "once closed, another thread can open it";
    EXPECT_EQ(
        ReadText(m_directory / "HASHBROJ.TXT"), "0123456789012345678901234567890123456789\r\n");
}

TEST_F(AsciiDriverTest, TextFieldsOfAnOemFileAreStoredInTheOemCodePage)
{
    AsciiFileDeclaration& file = Declare();
    ASSERT_EQ(files::Create(file.Get()), 0);
    ASSERT_EQ(StoreDigest(file, "\xC8\xE6 ok"), 0); // "Čć ok" in Windows-1250
    ASSERT_EQ(files::Flush(file.Get()), 0);
    EXPECT_EQ(ReadText(m_directory / "HASHBROJ.TXT"), "\xAC\x86 ok\r\n"); // in code page 852

    ASSERT_EQ(files::Set(file.Get()), 0);
    file.Assign("");
    ASSERT_EQ(files::Next(file.Get()), 0);
    EXPECT_EQ(file.RecordText(), "\xC8\xE6 ok") << "read back in the ANSI code page";
}

TEST_F(AsciiDriverTest, ReadsLinesThroughTheStatements)
{
    WriteText(m_directory / "IN.TXT",
        "AB\r\nC\tD\r\n\x1A"
        "after");
    AsciiFileDeclaration& file = Declare("IN.TXT", 0);
    ASSERT_EQ(files::Open(file.Get(), kReadDenyNone), 0);
    ASSERT_EQ(files::Set(file.Get()), 0);
    ASSERT_EQ(files::Next(file.Get()), 0);
    EXPECT_EQ(file.RecordText(), "AB");
    EXPECT_EQ(files::Pointer(file.Get()), 1);
    EXPECT_EQ(files::Bytes(file.Get()), 4);
    EXPECT_EQ(files::Eof(file.Get()), 0);
    ASSERT_EQ(files::Next(file.Get()), 0);
    EXPECT_EQ(file.RecordText(), "C       D");
    EXPECT_EQ(files::Pointer(file.Get()), 5);
    EXPECT_EQ(files::Eof(file.Get()), 1) << "a Ctrl-Z ends the data";
    EXPECT_EQ(files::Next(file.Get()), 33);
    EXPECT_EQ(files::ErrorCode(), 33);
    EXPECT_EQ(files::ErrorFile(), &file.declaration);

    ASSERT_EQ(files::Get(file.Get(), 5), 0);
    EXPECT_EQ(file.RecordText(), "C       D");
    files::Position(file.Get());
    const std::string position = PopText();
    ASSERT_EQ(files::Set(file.Get()), 0);
    ASSERT_EQ(files::Reget(file.Get(), position), 0);
    EXPECT_EQ(file.RecordText(), "C       D");
}

TEST_F(AsciiDriverTest, BadRequestsAreRefusedAndChangeNothing)
{
    WriteText(m_directory / "DATA.TXT", "old\r\n");
    struct Case {
        const char* what;
        std::function<std::int32_t()> run;
        std::int32_t expected;
    };
    AsciiFileDeclaration& readOnly = Declare("DATA.TXT", 0);
    AsciiFileDeclaration& shortened = Declare("DATA.TXT", 0);
    AsciiFileDeclaration& noCreate = Declare("DATA.TXT", 0);
    AsciiFileDeclaration& emptyName = Declare("", 0);
    AsciiFileDeclaration& longName = Declare(std::string(300, 'N'), 0);
    AsciiFileDeclaration& huge = Declare("DATA.TXT", 0, 0xFF00);
    AsciiFileDeclaration& withKey = Declare("DATA.TXT", 0);
    files::KeyDescriptor key;
    files::KeyDescriptor* const keys[] = { &key };
    withKey.declaration.keyCount = 1;
    withKey.declaration.keys = keys;

    const std::vector<Case> cases {
        { "APPEND on a read-only file",
            [&] {
                EXPECT_EQ(files::Open(readOnly.Get(), kReadDenyNone), 0);
                readOnly.Assign("new");
                return files::Append(readOnly.Get());
            },
            5 },
        { "a length above the record length",
            [&] {
                EXPECT_EQ(files::Open(shortened.Get(), kReadWriteDenyNone), 0);
                shortened.Assign("new");
                OperationArguments arguments;
                arguments.numbers[0] = 41;
                arguments.numberCount = 1;
                return files::FileOpDispatch(Operation::AppendLen, shortened.Get(), arguments);
            },
            387 },
        { "CREATE without the CREATE attribute", [&] { return files::Create(noCreate.Get()); },
            54 },
        { "an empty name", [&] { return files::Open(emptyName.Get(), kReadDenyNone); }, 45 },
        { "a name of 300 characters", [&] { return files::Open(longName.Get(), kReadDenyNone); },
            45 },
        { "a record of 65,280 bytes", [&] { return files::Open(huge.Get(), kReadDenyNone); }, 47 },
        { "a declaration with a key", [&] { return files::Open(withKey.Get(), kReadDenyNone); },
            47 },
        { "a missing file",
            [&] {
                AsciiFileDeclaration& missing = Declare("MISSING.TXT", 0);
                return files::Open(missing.Get(), kReadDenyNone);
            },
            2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        files::ClearErrorState();
        EXPECT_EQ(c.run(), c.expected);
        EXPECT_EQ(files::ErrorCode(), c.expected);
        EXPECT_EQ(ReadText(m_directory / "DATA.TXT"), "old\r\n");
    }
    EXPECT_FALSE(std::filesystem::exists(m_directory / "MISSING.TXT"));
}

TEST_F(AsciiDriverTest, OperationsTheDriverDoesNotServeAnswer80)
{
    WriteText(m_directory / "DATA.TXT", "line\r\n");
    AsciiFileDeclaration& file = Declare("DATA.TXT", 0);
    ASSERT_EQ(files::Open(file.Get(), kReadWriteDenyNone), 0);
    EXPECT_EQ(files::Next(file.Get()), 33) << "NEXT needs a SET first";
    ASSERT_EQ(files::Set(file.Get()), 0);
    ASSERT_EQ(files::Next(file.Get()), 0);
    EXPECT_EQ(files::Delete(file.Get()), 80);
    EXPECT_EQ(files::Records(file.Get()), 0);
    EXPECT_EQ(files::ErrorCode(), 80);
    EXPECT_EQ(files::FileOpDispatch(Operation::Bof, file.Get()), 1);
    EXPECT_EQ(files::Hold(file.Get()), 80);
    EXPECT_EQ(ReadText(m_directory / "DATA.TXT"), "line\r\n");
}

TEST_F(AsciiDriverTest, SendAndPropertiesAnswerOnTheStringStack)
{
    AsciiFileDeclaration& file = Declare();
    ASSERT_EQ(files::Create(file.Get()), 0);
    ASSERT_EQ(files::Open(file.Get(), kReadWriteDenyAll), 0);
    EXPECT_EQ(Sent(file.Get(), "clip=off"), "ON");
    EXPECT_EQ(Sent(file.Get(), "CLIP"), "OFF");
    EXPECT_EQ(Sent(file.Get(), "QUICKSCAN"), "ON") << "deny-all files cache";
    EXPECT_EQ(Sent(file.Get(), "NONSENSE"), "");
    EXPECT_EQ(value::StackDepth(), 0);

    const auto& registration = files::AsciiDriverRegistration();
    EXPECT_EQ(Sent(file.Get(), "REGISTER"),
        std::to_string(reinterpret_cast<std::uintptr_t>(&registration)));
    EXPECT_STREQ(registration.name.data(), "ASCII");
    EXPECT_STREQ(registration.moduleFile.data(), "R4ASC.DLL");
    EXPECT_STREQ(registration.description.data(), "ASCII (Text)");
    EXPECT_STREQ(registration.secondModuleFile.data(), "R4ASCS.DLL");
    EXPECT_EQ(registration.entry, &files::AsciiDriverEntry);
    EXPECT_EQ(registration.words[0], 1);
    EXPECT_EQ(registration.words[1], 128);
    EXPECT_EQ(registration.numbers, (std::array<std::uint32_t, 4> { 49, 33, 24, 169 }));
    std::vector<int> listed;
    for (const std::uint8_t* code = registration.operations; *code != 0; ++code)
        listed.push_back(*code);
    for (const Operation named : { Operation::Open, Operation::Append, Operation::Bof,
             Operation::Delete, Operation::RecordsFile, Operation::BuildDynFilter }) {
        EXPECT_NE(std::find(listed.begin(), listed.end(), files::CodeOf(named)), listed.end())
            << files::OperationName(named);
    }

    EXPECT_EQ(Property(file.Get(), files::kPropertyName), m_directory / "HASHBROJ.TXT");
    EXPECT_EQ(Property(file.Get(), files::kPropertyThread), "1");
    EXPECT_EQ(Property(file.Get(), files::kPropertyTraceFile), "") << "tracing is off";
    EXPECT_EQ(Property(file.Get(), 0x1234), "");
    EXPECT_EQ(value::StackDepth(), 0);
}

TEST_F(AsciiDriverTest, TraceWritesOneEntryPerOperation)
{
    const std::string log = m_directory / "trace.log";
    const std::string profile = m_directory / "win.ini";
    WriteText(profile, "[QWASCII]\nProfile=1\nTraceFile=" + log + "\nDetails=1\n");
    testsupport::ScopedEnvironment useProfile("VARN_WIN_INI", profile);

    AsciiFileDeclaration& file = Declare("OUT.TXT", files::DeclarationAttributes::kCreate);
    ASSERT_EQ(files::Create(file.Get()), 0);
    ASSERT_EQ(files::Open(file.Get(), kReadWriteDenyAll), 0);
    file.Assign("digest");
    ASSERT_EQ(files::Append(file.Get()), 0);
    EXPECT_EQ(files::Get(file.Get(), 999), 33);
    ASSERT_EQ(files::Close(file.Get()), 0);

    const std::string text = ReadText(log);
    std::vector<std::string> entries;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "every line ends in CR LF";
        entries.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    const std::string path = m_directory / "OUT.TXT";
    const auto timed = [](const std::string& entry) {
        return entry.find("Time Taken: ") != std::string::npos
            && entry.substr(entry.size() - 5) == " secs";
    };
    ASSERT_GE(entries.size(), 6u);
    EXPECT_EQ(entries[0].rfind("FILE Driver: ASCII", 0), 0u) << "details describe the FILE first";
    std::vector<std::string> operations;
    for (const std::string& entry : entries) {
        if (timed(entry))
            operations.push_back(entry.substr(0, entry.find('(')));
    }
    EXPECT_EQ(operations,
        (std::vector<std::string> { "CREATE", "OPEN", "APPEND", "GETfileptr", "CLOSE" }));
    const auto entryOf = [&](std::string_view operation) {
        for (const std::string& entry : entries) {
            if (entry.rfind(std::string(operation) + "(", 0) == 0)
                return entry;
        }
        return std::string();
    };
    EXPECT_NE(entryOf("OPEN").find("(" + path + " "), std::string::npos) << entryOf("OPEN");
    EXPECT_EQ(entryOf("OPEN").find("Error"), std::string::npos);
    EXPECT_NE(entryOf("GETfileptr").find("Error: Record Not Available"), std::string::npos)
        << entryOf("GETfileptr");
    EXPECT_NE(text.find("HAS:SLOG = 'digest'"), std::string::npos)
        << "a record operation is followed by the record's fields";
    EXPECT_EQ(ReadText(path), "digest\r\n");
}

} // namespace
