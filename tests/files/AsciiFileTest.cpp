#include <files/AsciiFile.h>
#include <files/FileBuffer.h>
#include <files/FileSystem.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

using files::AsciiFile;
using files::AsciiFileTraits;
using files::AsciiStatus;

using testsupport::ReadText;
using testsupport::TempDirectory;
using testsupport::WriteText;

namespace {

constexpr std::uint32_t kReadOnly = 0x00;
constexpr std::uint32_t kReadWriteDenyAll = 0x12; // the result file's mode
constexpr std::uint32_t kReadWriteDenyNone = 0x42;
constexpr std::uint32_t kReadWriteCompatible = 0x02;

std::string Trimmed(const std::string& record)
{
    const auto end = record.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : record.substr(0, end + 1);
}

/// A record buffer and the engine over it.
struct Fixture {
    explicit Fixture(std::size_t recordLength = 40, AsciiFileTraits traits = {})
        : record(recordLength, ' ')
        , file(std::span<char>(record), std::move(traits))
    {
    }
    void Fill(std::string_view text)
    {
        record.assign(record.size(), ' ');
        record.replace(0, text.size(), text);
    }
    std::string record;
    AsciiFile file;
};

/// Every record NEXT reads from the start, trailing blanks dropped.
std::vector<std::string> ReadAll(AsciiFile& file, const std::string& record)
{
    std::vector<std::string> records;
    file.Set();
    for (std::size_t guard = 0; guard < 1000 && file.Next() == AsciiStatus::Ok; ++guard)
        records.push_back(Trimmed(record));
    return records;
}

// --- reading -------------------------------------------------------------------------------

struct ReadCase {
    const char* what;
    std::string content;
    std::string options;
    std::size_t recordLength;
    std::vector<std::string> records;
};

TEST(AsciiFileRead, ReadsLinesAsTheSettingsSay)
{
    const std::string fifty(50, 'x');
    const std::vector<ReadCase> cases {
        { "CR LF lines", "AB\r\nCD\r\n", "", 40, { "AB", "CD" } },
        { "last line without terminator", "AB\r\nABC", "", 40, { "AB", "ABC" } },
        { "empty file", "", "", 40, {} },
        { "empty lines", "\r\n\r\nX\r\n", "", 40, { "", "", "X" } },
        { "LF lines with ENDOFRECORD=1,10", "A\nB\n", "/ENDOFRECORD=1,10", 40, { "A", "B" } },
        { "LF lines under CR LF are one line", "A\nB\n", "", 40, { "A\nB\n" } },
        { "a lone CR is data", "A\rB\r\n", "", 40, { "A\rB" } },
        { "TAB 8", "A\tB\r\n", "", 40, { "A       B" } },
        { "TAB from its column", "ABCDE\tF", "/TAB=4", 40, { "ABCDE   F" } },
        { "TAB kept", "A\tB", "/TAB=-100", 40, { "A\tB" } },
        { "TAB dropped", "A\tB", "/TAB=0", 40, { "AB" } },
        { "TAB as n blanks", "A\tB", "/TAB=-3", 40, { "A   B" } },
        { "TAB expansion stops at the record's end", "ABC\tD\r\nE\r\n", "", 5, { "ABC", "E" } },
        { "long line cut, next line read", fifty + "\r\nNEXT\r\n", "", 40,
            { std::string(40, 'x'), "NEXT" } },
        { "line of exactly the record length", "ABCD\r\nEF\r\n", "", 4, { "ABCD", "EF" } },
        { "long last line", fifty, "", 40, { std::string(40, 'x') } },
        { "Ctrl-Z ends the data",
            "A\r\n\x1A"
            "B",
            "", 40, { "A" } },
        { "Ctrl-Z inside a line",
            "AB\x1A"
            "CD\r\n",
            "", 40, { "AB" } },
        { "Ctrl-Z after a long line",
            "ABCDEF\x1A"
            "G\r\n",
            "", 4, { "ABCD" } },
        { "Ctrl-Z as data",
            "A\r\n\x1A"
            "B",
            "/CTRLZISEOF=OFF", 40,
            { "A",
                "\x1A"
                "B" } },
        { "terminator across cache blocks", "ABC\r\nDEF\r\nGHI\r\n", "/FILEBUFFERS=0", 4,
            { "ABC", "DEF", "GHI" } },
        { "long lines across cache blocks", "ABCDEFGHIJ\r\nKLMNOPQRST\r\nU", "/FILEBUFFERS=0", 3,
            { "ABC", "KLM", "U" } },
        { "three-byte terminator", "A|#|B|#C|#|", "/ENDOFRECORD=3,124,35,124", 40,
            { "A", "B|#C" } },
        { "no terminator: fixed pieces", "ABCDEFG", "/ENDOFRECORD=0", 3, { "ABC", "DEF", "G" } },
    };
    for (const ReadCase& row : cases) {
        // Every row with the cache on (deny all) and off (deny none).
        for (const std::uint32_t mode : { kReadWriteDenyAll, kReadWriteDenyNone }) {
            SCOPED_TRACE(std::string(row.what) + (mode == kReadWriteDenyAll ? " cached" : ""));
            TempDirectory directory;
            const std::string path = directory / "DATA.TXT";
            WriteText(path, row.content);
            Fixture fixture(row.recordLength);
            ASSERT_EQ(fixture.file.Open(path, mode, row.options), AsciiStatus::Ok);
            EXPECT_EQ(ReadAll(fixture.file, fixture.record), row.records);
            EXPECT_TRUE(fixture.file.Eof());
        }
    }
}

TEST(AsciiFileRead, ClearsTheRecordWithBlanksAndCountsPositions)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, "HELLO\r\nAB\r\n");
    Fixture fixture(10);
    fixture.record.assign(10, '#');
    ASSERT_EQ(fixture.file.Open(path, kReadOnly), AsciiStatus::Ok);
    EXPECT_EQ(fixture.file.Pointer(), 0U);
    EXPECT_EQ(fixture.file.Bytes(), 11U) << "the file size while no record is current";

    fixture.file.Set();
    ASSERT_EQ(fixture.file.Next(), AsciiStatus::Ok);
    EXPECT_EQ(fixture.record, "HELLO     ");
    EXPECT_EQ(fixture.file.Pointer(), 1U);
    EXPECT_EQ(fixture.file.Bytes(), 7U);
    ASSERT_EQ(fixture.file.Next(), AsciiStatus::Ok);
    EXPECT_EQ(fixture.record, "AB        ");
    EXPECT_EQ(fixture.file.Pointer(), 8U);

    EXPECT_EQ(fixture.file.Next(), AsciiStatus::RecordNotAvailable);
    EXPECT_EQ(fixture.file.Pointer(), 0U) << "a failed read leaves no record current";
    EXPECT_TRUE(fixture.file.Eof());
}

TEST(AsciiFileRead, PointerOperationsReadWhereTheyAreTold)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, "ONE\r\nTWO\r\nTHREE\r\n");
    Fixture fixture(10);
    ASSERT_EQ(fixture.file.Open(path, kReadOnly), AsciiStatus::Ok);

    ASSERT_EQ(fixture.file.Get(6), AsciiStatus::Ok);
    EXPECT_EQ(Trimmed(fixture.record), "TWO");
    const std::string position = fixture.file.Position();
    EXPECT_EQ(position, std::string("\x06\0\0\0", 4));

    ASSERT_EQ(fixture.file.Get(7), AsciiStatus::Ok) << "any byte may start a line";
    EXPECT_EQ(Trimmed(fixture.record), "WO");
    ASSERT_EQ(fixture.file.GetLength(11, 2), AsciiStatus::Ok);
    EXPECT_EQ(fixture.record, "TH        ");
    EXPECT_EQ(fixture.file.Bytes(), 7U) << "the whole line is consumed";

    ASSERT_EQ(fixture.file.Reget(position), AsciiStatus::Ok);
    EXPECT_EQ(Trimmed(fixture.record), "TWO");
    fixture.file.Reset(position);
    ASSERT_EQ(fixture.file.Next(), AsciiStatus::Ok);
    EXPECT_EQ(Trimmed(fixture.record), "TWO");
    ASSERT_EQ(fixture.file.Next(), AsciiStatus::Ok);
    EXPECT_EQ(Trimmed(fixture.record), "THREE");

    fixture.file.SetAt(0);
    ASSERT_EQ(fixture.file.Next(), AsciiStatus::Ok);
    EXPECT_EQ(Trimmed(fixture.record), "ONE") << "pointer 0 means the first byte";

    EXPECT_EQ(fixture.file.Get(0), AsciiStatus::Ok) << "pointer 0 reads nothing";
    EXPECT_FALSE(fixture.file.RecordCurrent());
    EXPECT_EQ(fixture.file.Get(18), AsciiStatus::RecordNotAvailable);
    EXPECT_EQ(fixture.file.Get(1000), AsciiStatus::RecordNotAvailable);
    EXPECT_EQ(fixture.file.GetLength(1, 11), AsciiStatus::InvalidParameter);
}

TEST(AsciiFileRead, OemFileIsReadAsAnsi)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    // Code page 852 0x9F is c with caron, Windows-1250 0xE8; the number field stays as it is.
    WriteText(path, "\x9F\x9F\x9F\r\n");
    AsciiFileTraits traits;
    traits.oem = true;
    traits.oemText = { { 0, 2 } };
    Fixture fixture(4, traits);
    ASSERT_EQ(fixture.file.Open(path, kReadOnly), AsciiStatus::Ok);
    fixture.file.Set();
    ASSERT_EQ(fixture.file.Next(), AsciiStatus::Ok);
    EXPECT_EQ(fixture.record, "\xE8\xE8\x9F ");
}

// --- writing -------------------------------------------------------------------------------

struct WriteCase {
    const char* what;
    std::string before;
    std::string options;
    std::string record;
    std::string after;
    std::uint32_t pointer; // where the written line starts
};

TEST(AsciiFileWrite, AppendWritesTheRecordAndTerminator)
{
    const std::string xyz40 = "XYZ" + std::string(37, ' ');
    const std::vector<WriteCase> cases {
        { "CLIP on drops trailing blanks", "", "", "XYZ", "XYZ\r\n", 1 },
        { "CLIP off writes the whole record", "", "/CLIP=OFF", "XYZ", xyz40 + "\r\n", 1 },
        { "CLIP drops blanks only", "", "", "XYZ\t", "XYZ\t\r\n", 1 },
        { "blank record", "", "", "", "\r\n", 1 },
        { "after existing lines", "A\r\n", "", "B", "A\r\nB\r\n", 4 },
        { "over an ending Ctrl-Z", "A\r\n\x1A", "", "B", "A\r\nB\r\n", 4 },
        { "after Ctrl-Z kept as data", "A\r\n\x1A", "/CTRLZISEOF=OFF", "B",
            "A\r\n\x1A"
            "B\r\n",
            5 },
        { "after a last line without terminator", "ABC", "", "D", "ABCD\r\n", 4 },
        { "with ENDOFRECORD=1,10", "", "/ENDOFRECORD=1,10", "L", "L\n", 1 },
    };
    for (const WriteCase& row : cases) {
        for (const std::uint32_t mode : { kReadWriteDenyAll, kReadWriteDenyNone }) {
            SCOPED_TRACE(std::string(row.what) + (mode == kReadWriteDenyAll ? " cached" : ""));
            TempDirectory directory;
            const std::string path = directory / "DATA.TXT";
            WriteText(path, row.before);
            Fixture fixture;
            ASSERT_EQ(fixture.file.Open(path, mode, row.options), AsciiStatus::Ok);
            fixture.Fill(row.record);
            ASSERT_EQ(fixture.file.Append(), AsciiStatus::Ok);
            EXPECT_EQ(fixture.file.Pointer(), row.pointer);
            ASSERT_EQ(fixture.file.Close(), AsciiStatus::Ok);
            EXPECT_EQ(ReadText(path), row.after);
        }
    }
}

TEST(AsciiFileWrite, OnlyTheFirstAppendLooksAtTheLastByte)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, "A\r\n\x1A");
    Fixture fixture(4);
    ASSERT_EQ(fixture.file.Open(path, kReadWriteDenyAll), AsciiStatus::Ok);
    fixture.Fill("\x1A");
    ASSERT_EQ(fixture.file.AppendLength(1), AsciiStatus::Ok); // ends the file in "\x1A\r\n"
    ASSERT_EQ(fixture.file.Send("ENDOFRECORD=0"), "\r\n");
    ASSERT_EQ(fixture.file.AppendLength(1), AsciiStatus::Ok); // ends it in Ctrl-Z again
    fixture.Fill("B");
    ASSERT_EQ(fixture.file.AppendLength(1), AsciiStatus::Ok);
    ASSERT_EQ(fixture.file.Close(), AsciiStatus::Ok);
    EXPECT_EQ(ReadText(path),
        "A\r\n\x1A\r\n\x1A"
        "B");
}

TEST(AsciiFileWrite, OemFileWritesAConvertedCopy)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, "");
    AsciiFileTraits traits;
    traits.oem = true;
    Fixture fixture(4, traits);
    ASSERT_EQ(fixture.file.Open(path, kReadWriteDenyAll), AsciiStatus::Ok);
    fixture.Fill("\xE8x");
    ASSERT_EQ(fixture.file.Append(), AsciiStatus::Ok);
    EXPECT_EQ(fixture.record, "\xE8x  ") << "the record itself stays ANSI";
    ASSERT_EQ(fixture.file.Close(), AsciiStatus::Ok);
    EXPECT_EQ(ReadText(path), "\x9Fx\r\n");
}

TEST(AsciiFileWrite, PutRewritesInPlaceAndLengthVariantsBoundTheBytes)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, "AAAA\r\nBBBB\r\nCCCC\r\n");
    Fixture fixture(4);
    ASSERT_EQ(fixture.file.Open(path, kReadWriteDenyAll), AsciiStatus::Ok);
    EXPECT_EQ(fixture.file.Put(), AsciiStatus::RecordNotAvailable) << "no record is current";

    fixture.file.Set();
    ASSERT_EQ(fixture.file.Next(), AsciiStatus::Ok);
    ASSERT_EQ(fixture.file.Next(), AsciiStatus::Ok);
    fixture.Fill("bbbb");
    ASSERT_EQ(fixture.file.Put(), AsciiStatus::Ok);
    EXPECT_EQ(fixture.file.Pointer(), 7U);
    ASSERT_EQ(fixture.file.Next(), AsciiStatus::Ok) << "the sequence goes on after the PUT";
    EXPECT_EQ(fixture.record, "CCCC");

    fixture.Fill("xyzw");
    ASSERT_EQ(fixture.file.PutAtLength(1, 2), AsciiStatus::Ok);
    EXPECT_EQ(fixture.file.Bytes(), 4U);
    EXPECT_EQ(fixture.file.PutAtLength(1, 5), AsciiStatus::InvalidParameter);
    EXPECT_EQ(fixture.file.AppendLength(5), AsciiStatus::InvalidParameter);
    ASSERT_EQ(fixture.file.Close(), AsciiStatus::Ok);
    EXPECT_EQ(ReadText(path), "xy\r\n\r\nbbbb\r\nCCCC\r\n") << "a shorter line leaves the rest";

    ASSERT_EQ(fixture.file.Open(path, kReadWriteDenyAll), AsciiStatus::Ok);
    ASSERT_EQ(fixture.file.PutAtLength(7, 0), AsciiStatus::Ok) << "length 0 cuts the file";
    EXPECT_EQ(fixture.file.Bytes(), 0U);
    EXPECT_EQ(fixture.file.FileSize(), 6U);
    ASSERT_EQ(fixture.file.Close(), AsciiStatus::Ok);
    EXPECT_EQ(ReadText(path), "xy\r\n\r\n");
}

TEST(AsciiFileWrite, CachedAppendsAreReadBackBeforeTheyReachTheDisk)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, "OLD\r\n");
    Fixture fixture(8);
    ASSERT_EQ(fixture.file.Open(path, kReadWriteDenyAll), AsciiStatus::Ok);
    for (const char* line : { "ONE", "TWO", "THREE" }) {
        fixture.Fill(line);
        ASSERT_EQ(fixture.file.Append(), AsciiStatus::Ok);
    }
    EXPECT_EQ(fixture.file.Bytes(), 7U);
    EXPECT_EQ(ReadAll(fixture.file, fixture.record),
        (std::vector<std::string> { "OLD", "ONE", "TWO", "THREE" }));
    ASSERT_EQ(fixture.file.Flush(), AsciiStatus::Ok);
    EXPECT_EQ(ReadText(path), "OLD\r\nONE\r\nTWO\r\nTHREE\r\n");
}

TEST(AsciiFileWrite, RefusesWhatItMayNotDo)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, "KEEP\r\n");
    {
        Fixture fixture;
        ASSERT_EQ(fixture.file.Open(path, kReadOnly), AsciiStatus::Ok);
        fixture.Fill("NEW");
        EXPECT_EQ(fixture.file.Append(), AsciiStatus::AccessDenied);
        EXPECT_EQ(fixture.file.PutAt(1), AsciiStatus::AccessDenied);
        EXPECT_EQ(fixture.file.Empty(), AsciiStatus::ExclusiveAccessRequired)
            << "exclusive access is checked before write access";
    }
    {
        Fixture fixture;
        ASSERT_EQ(fixture.file.Open(path, kReadOnly | 0x10), AsciiStatus::Ok);
        EXPECT_EQ(fixture.file.Empty(), AsciiStatus::AccessDenied);
    }
    for (const std::uint32_t mode : { kReadWriteDenyNone, kReadWriteCompatible, 0x32U }) {
        SCOPED_TRACE(mode);
        Fixture fixture;
        ASSERT_EQ(fixture.file.Open(path, mode), AsciiStatus::Ok);
        EXPECT_EQ(fixture.file.Empty(), AsciiStatus::ExclusiveAccessRequired);
        fixture.Fill("NEW");
        EXPECT_EQ(fixture.file.AppendLength(41), AsciiStatus::InvalidParameter);
    }
    EXPECT_EQ(ReadText(path), "KEEP\r\n");
    {
        Fixture fixture;
        ASSERT_EQ(fixture.file.Open(path, kReadWriteDenyNone), AsciiStatus::Ok);
        ASSERT_EQ(fixture.file.Lock(), AsciiStatus::Ok);
        EXPECT_EQ(fixture.file.Empty(), AsciiStatus::Ok) << "a LOCK makes access exclusive";
    }
    EXPECT_EQ(ReadText(path), "");

    Fixture closed;
    EXPECT_EQ(closed.file.Append(), AsciiStatus::FileNotOpen);
    EXPECT_EQ(closed.file.Next(), AsciiStatus::FileNotOpen);
    EXPECT_EQ(closed.file.Close(), AsciiStatus::Ok);
}

// --- the result file -----------------------------------------------------------------------

/// CLOSE, OPEN mode 0x12, EMPTY, fill the record, APPEND, as the program writes its result.
AsciiStatus WriteResult(
    AsciiFile& file, std::string& record, const std::string& path, std::string_view digest)
{
    if (const AsciiStatus status = file.Close(); status != AsciiStatus::Ok)
        return status;
    if (const AsciiStatus status = file.Open(path, kReadWriteDenyAll); status != AsciiStatus::Ok)
        return status;
    if (const AsciiStatus status = file.Empty(); status != AsciiStatus::Ok)
        return status;
    record.replace(0, digest.size(), digest);
    return file.Append();
}

TEST(AsciiFileResult, HoldsExactlyOneLineHoweverOftenWritten)
{
    TempDirectory directory;
    const std::string path = directory / "HASHBROJ.TXT";
    WriteText(path, "an older and much longer result\r\nsecond line\r\n");
    AsciiFileTraits traits;
    traits.oem = true;
    traits.createAttribute = true;
    traits.thread = true;
    traits.oemText = { { 0, 40 } };
    Fixture fixture(40, traits);
    const std::string first = "0123456789ABCDEF0123456789ABCDEF01234567";
    const std::string second = "FEDCBA9876543210FEDCBA9876543210FEDCBA98";

    ASSERT_EQ(WriteResult(fixture.file, fixture.record, path, first), AsciiStatus::Ok);
    ASSERT_EQ(fixture.file.Close(), AsciiStatus::Ok);
    EXPECT_EQ(ReadText(path), first + "\r\n");

    ASSERT_EQ(WriteResult(fixture.file, fixture.record, path, first), AsciiStatus::Ok);
    ASSERT_EQ(WriteResult(fixture.file, fixture.record, path, second), AsciiStatus::Ok);
    ASSERT_EQ(fixture.file.Close(), AsciiStatus::Ok);
    EXPECT_EQ(ReadText(path), second + "\r\n");
}

TEST(AsciiFileResult, SecondOpenFailsWhileTheFirstHoldsIt)
{
    TempDirectory directory;
    const std::string path = directory / "HASHBROJ.TXT";
    WriteText(path, "");
    Fixture holder;
    ASSERT_EQ(holder.file.Open(path, kReadWriteDenyAll), AsciiStatus::Ok);

    AsciiStatus fromThread = AsciiStatus::Ok;
    std::thread([&] {
        Fixture other;
        fromThread = other.file.Open(path, kReadWriteDenyAll);
    }).join();
    EXPECT_EQ(fromThread, AsciiStatus::AccessDenied);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Fixture other;
        const AsciiStatus status = other.file.Open(path, kReadOnly | 0x40);
        ::_exit(static_cast<int>(status));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(AsciiStatus::AccessDenied));

    ASSERT_EQ(holder.file.Close(), AsciiStatus::Ok);
    Fixture after;
    EXPECT_EQ(after.file.Open(path, kReadWriteDenyAll), AsciiStatus::Ok);
}

// --- sharing -------------------------------------------------------------------------------

TEST(AsciiFileShared, AppendsFromTwoHandlesInterleaveWholeLines)
{
    TempDirectory directory;
    const std::string path = directory / "SHARED.TXT";
    WriteText(path, "");
    Fixture first(8);
    Fixture second(8);
    ASSERT_EQ(first.file.Open(path, kReadWriteDenyNone), AsciiStatus::Ok);
    ASSERT_EQ(second.file.Open(path, kReadWriteDenyNone), AsciiStatus::Ok);
    for (int round = 0; round < 3; ++round) {
        first.Fill("A" + std::to_string(round));
        ASSERT_EQ(first.file.Append(), AsciiStatus::Ok);
        second.Fill("B" + std::to_string(round));
        ASSERT_EQ(second.file.Append(), AsciiStatus::Ok);
    }
    EXPECT_EQ(ReadText(path), "A0\r\nB0\r\nA1\r\nB1\r\nA2\r\nB2\r\n");
    EXPECT_EQ(ReadAll(first.file, first.record),
        (std::vector<std::string> { "A0", "B0", "A1", "B1", "A2", "B2" }))
        << "without QUICKSCAN a reader sees the other handle's lines";
}

TEST(AsciiFileShared, ConcurrentAppendsKeepEveryLineWhole)
{
    TempDirectory directory;
    const std::string path = directory / "SHARED.TXT";
    WriteText(path, "");
    constexpr int kLines = 200;
    const auto writer = [&](char letter, AsciiStatus& result) {
        Fixture fixture(16);
        result = fixture.file.Open(path, kReadWriteDenyNone);
        for (int i = 0; i < kLines && result == AsciiStatus::Ok; ++i) {
            fixture.Fill(std::string(10, letter) + std::to_string(i));
            result = fixture.file.Append();
        }
    };
    AsciiStatus first = AsciiStatus::Ok;
    AsciiStatus second = AsciiStatus::Ok;
    std::thread one(writer, 'a', std::ref(first));
    std::thread two(writer, 'b', std::ref(second));
    one.join();
    two.join();
    ASSERT_EQ(first, AsciiStatus::Ok);
    ASSERT_EQ(second, AsciiStatus::Ok);

    Fixture reader(16);
    ASSERT_EQ(reader.file.Open(path, kReadOnly), AsciiStatus::Ok);
    const auto lines = ReadAll(reader.file, reader.record);
    ASSERT_EQ(lines.size(), std::size_t { 2 * kLines });
    int nextA = 0;
    int nextB = 0;
    for (const std::string& line : lines) {
        int& next = line[0] == 'a' ? nextA : nextB;
        EXPECT_EQ(line, std::string(10, line[0]) + std::to_string(next++));
    }
}

TEST(AsciiFileShared, LocksAreCountedAndKeepOthersOut)
{
    TempDirectory directory;
    const std::string path = directory / "SHARED.TXT";
    WriteText(path, "");
    Fixture first;
    Fixture second;
    ASSERT_EQ(first.file.Open(path, kReadWriteDenyNone), AsciiStatus::Ok);
    ASSERT_EQ(second.file.Open(path, kReadWriteDenyNone), AsciiStatus::Ok);

    ASSERT_EQ(first.file.Lock(), AsciiStatus::Ok);
    ASSERT_EQ(first.file.Lock(3), AsciiStatus::Ok) << "nested";
    EXPECT_EQ(first.file.LockCount(), 2U);
    EXPECT_EQ(second.file.Lock(), AsciiStatus::RecordNotAvailable);
    EXPECT_EQ(second.file.Lock(0), AsciiStatus::RecordNotAvailable);

    first.Fill("LOCKED");
    ASSERT_EQ(first.file.Append(), AsciiStatus::Ok) << "a write nests in the holder's lock";
    EXPECT_EQ(first.file.LockCount(), 2U);

    ASSERT_EQ(first.file.Unlock(), AsciiStatus::Ok);
    EXPECT_EQ(second.file.Lock(), AsciiStatus::RecordNotAvailable) << "one lock still held";
    ASSERT_EQ(first.file.Unlock(), AsciiStatus::Ok);
    EXPECT_EQ(second.file.Lock(), AsciiStatus::Ok);
    EXPECT_EQ(first.file.Unlock(), AsciiStatus::Ok) << "nothing left to undo";
    EXPECT_EQ(ReadText(path), "LOCKED\r\n");
}

// --- opening and names ---------------------------------------------------------------------

TEST(AsciiFileOpen, RefusesBadNamesAndDeclarations)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, "X\r\n");
    Fixture fixture;
    EXPECT_EQ(fixture.file.Open("", kReadOnly), AsciiStatus::InvalidFilename);
    EXPECT_EQ(fixture.file.Open("   ", kReadOnly), AsciiStatus::InvalidFilename);
    EXPECT_EQ(
        fixture.file.Open("/" + std::string(259, 'n'), kReadOnly), AsciiStatus::InvalidFilename);
    EXPECT_EQ(fixture.file.Open(directory / "MISSING.TXT", kReadOnly), AsciiStatus::FileNotFound);
    EXPECT_EQ(fixture.file.Open(directory / "NO/DATA.TXT", kReadOnly), AsciiStatus::PathNotFound);
    EXPECT_FALSE(fixture.file.IsOpen());

    ASSERT_EQ(fixture.file.Open(path + "   ", kReadOnly), AsciiStatus::Ok)
        << "trailing blanks are no part of the name";
    EXPECT_EQ(fixture.file.Name(), path);
    EXPECT_EQ(fixture.file.Open(path, kReadOnly), AsciiStatus::FileAlreadyOpen);

    std::string huge(65280, ' ');
    AsciiFile tooLong { std::span<char>(huge) };
    EXPECT_EQ(tooLong.Open(path, kReadOnly), AsciiStatus::InvalidRecordDeclaration);
    EXPECT_FALSE(tooLong.IsOpen());
    std::string largest(65279, ' ');
    AsciiFile fits { std::span<char>(largest) };
    EXPECT_EQ(fits.Open(path, kReadOnly), AsciiStatus::Ok);
    EXPECT_EQ(fits.BufferSize(), 2U * 65279U);
}

TEST(AsciiFileOpen, CreateRemoveRenameCopy)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, "OLD\r\n");
    Fixture plain;
    EXPECT_EQ(plain.file.Create(path), AsciiStatus::NoCreateAttribute);
    EXPECT_EQ(ReadText(path), "OLD\r\n");

    AsciiFileTraits traits;
    traits.createAttribute = true;
    Fixture fixture(40, traits);
    ASSERT_EQ(fixture.file.Create(path), AsciiStatus::Ok);
    EXPECT_EQ(ReadText(path), "") << "an existing file is replaced";
    EXPECT_FALSE(fixture.file.IsOpen());
    EXPECT_EQ(fixture.file.Create(""), AsciiStatus::InvalidFilename);
    EXPECT_EQ(fixture.file.Create(directory / "NO/X.TXT"), AsciiStatus::PathNotFound);

    WriteText(path, "DATA\r\n");
    ASSERT_EQ(fixture.file.Copy(path, directory / "COPY.TXT"), AsciiStatus::Ok);
    EXPECT_EQ(ReadText(directory / "COPY.TXT"), "DATA\r\n");
    ASSERT_EQ(
        fixture.file.Rename(directory / "COPY.TXT", directory / "MOVED.TXT"), AsciiStatus::Ok);
    EXPECT_FALSE(std::filesystem::exists(directory / "COPY.TXT"));
    EXPECT_EQ(fixture.file.Rename(directory / "MOVED.TXT", path), AsciiStatus::AccessDenied)
        << "an existing target is kept";
    ASSERT_EQ(fixture.file.Remove(directory / "MOVED.TXT"), AsciiStatus::Ok);
    EXPECT_EQ(fixture.file.Remove(directory / "MOVED.TXT"), AsciiStatus::FileNotFound);
    EXPECT_EQ(fixture.file.Remove(directory / "NO/X.TXT"), AsciiStatus::PathNotFound);
    EXPECT_EQ(fixture.file.Copy(directory / "GONE.TXT", path), AsciiStatus::FileNotFound);

    Fixture holder;
    ASSERT_EQ(holder.file.Open(path, kReadWriteDenyAll), AsciiStatus::Ok);
    EXPECT_EQ(fixture.file.Remove(path), AsciiStatus::AccessDenied) << "the file is in use";
    EXPECT_EQ(holder.file.Remove(path), AsciiStatus::FileAlreadyOpen);
}

// --- commands ------------------------------------------------------------------------------

struct SendCase {
    const char* command;
    std::string answer;
    std::string thenQuery; // a query after the command
    std::string thenAnswer;
};

TEST(AsciiFileSend, AnswersTheValueBeforeTheCommand)
{
    const std::vector<SendCase> cases {
        { "QUICKSCAN", "OFF", "", "" },
        { "QUICKSCAN=ON", "OFF", "QUICKSCAN", "ON" },
        { "QUICKSCAN=MAYBE", "OFF", "QUICKSCAN", "OFF" },
        { "CLIP=OFF", "ON", "CLIP", "OFF" },
        { "clip=off", "ON", "CLIP", "OFF" },
        { "CLIP=NO", "ON", "CLIP", "ON" },
        { "TAB=-3", "8", "TAB", "-3" },
        { "TAB=12abc", "8", "TAB", "12" },
        { "FILEBUFFERS", "512", "", "" },
        { "FILEBUFFERS=4", "512", "FILEBUFFERS", "2048" },
        { "FILEBUFFERS=0", "512", "FILEBUFFERS", "40" },
        { "FILEBUFFERS=-5", "512", "FILEBUFFERS", "40" },
        { "ENDOFRECORD", "\r\n", "", "" },
        { "ENDOFRECORD=1,10", "\r\n", "ENDOFRECORD", "\n" },
        { "ENDOFRECORD=2,13", "\r\n", "ENDOFRECORD", "\r\n" },
        { "ENDOFRECORD=1,300", "\r\n", "ENDOFRECORD", "\r\n" },
        { "ENDOFRECORD=0", "\r\n", "ENDOFRECORD", "" },
        { "CTRLZISEOF=OFFICIAL", "ON", "CTRLZISEOF", "OFF" },
        { "CTRLZISEOF=NO", "ON", "CTRLZISEOF", "ON" },
        { "REGISTER", "4660", "", "" },
        { "BOGUS=1", "", "", "" },
        { "CLIPPER", "", "CLIP", "ON" },
        { "", "", "", "" },
    };
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, "");
    for (const SendCase& row : cases) {
        SCOPED_TRACE(row.command);
        AsciiFileTraits traits;
        traits.registration = 0x1234;
        Fixture fixture(40, traits);
        ASSERT_EQ(fixture.file.Open(path, kReadWriteDenyNone), AsciiStatus::Ok);
        EXPECT_EQ(fixture.file.Send(row.command), row.answer);
        if (!row.thenQuery.empty()) {
            EXPECT_EQ(fixture.file.Send(row.thenQuery), row.thenAnswer);
        }
    }
}

TEST(AsciiFileSend, DefaultsFollowTheAccessModeAndReturnAtEveryOpen)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, "A\nB\n");
    struct ModeCase {
        std::uint32_t mode;
        const char* quickScan;
        const char* bufferSize;
    };
    for (const ModeCase& row : { ModeCase { 0x00, "OFF", "512" }, ModeCase { 0x10, "ON", "1024" },
             ModeCase { 0x22, "ON", "1024" }, ModeCase { 0x30, "ON", "1024" },
             ModeCase { 0x40, "OFF", "512" } }) {
        SCOPED_TRACE(row.mode);
        Fixture fixture;
        ASSERT_EQ(fixture.file.Open(path, row.mode), AsciiStatus::Ok);
        EXPECT_EQ(fixture.file.Send("QUICKSCAN"), row.quickScan);
        EXPECT_EQ(fixture.file.Send("FILEBUFFERS"), row.bufferSize);
        EXPECT_EQ(fixture.file.ReadOnly(), (row.mode & 3) == 0);
        EXPECT_EQ(fixture.file.Shared(), row.mode == 0x40);
    }

    Fixture fixture(600);
    ASSERT_EQ(fixture.file.Open(path, kReadOnly, "ignored/FILEBUFFERS=8/ENDOFRECORD=1,10/CLIP=OFF"),
        AsciiStatus::Ok);
    EXPECT_EQ(fixture.file.Send("FILEBUFFERS"), "4096");
    EXPECT_EQ(fixture.file.Send("CLIP"), "OFF");
    EXPECT_EQ(ReadAll(fixture.file, fixture.record), (std::vector<std::string> { "A", "B" }));
    EXPECT_EQ(fixture.file.Send("ENDOFRECORD=2,13,10"), "\n");
    EXPECT_EQ(ReadAll(fixture.file, fixture.record), (std::vector<std::string> { "A\nB\n" }));
    EXPECT_EQ(fixture.file.GetProperty(files::kPropertyDriverString),
        "ignored/FILEBUFFERS=8/ENDOFRECORD=1,10/CLIP=OFF");
    ASSERT_EQ(fixture.file.Close(), AsciiStatus::Ok);
    ASSERT_EQ(fixture.file.Open(path, kReadOnly), AsciiStatus::Ok);
    EXPECT_EQ(fixture.file.Send("FILEBUFFERS"), "1200") << "twice the record length";
    EXPECT_EQ(fixture.file.Send("CLIP"), "ON");
    EXPECT_EQ(fixture.file.Send("ENDOFRECORD"), "\r\n");
}

TEST(AsciiFileSend, SwitchingTheCacheKeepsWrittenLines)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, "");
    Fixture fixture(8);
    ASSERT_EQ(fixture.file.Open(path, kReadWriteDenyAll), AsciiStatus::Ok);
    fixture.Fill("ONE");
    ASSERT_EQ(fixture.file.Append(), AsciiStatus::Ok);
    EXPECT_EQ(fixture.file.Send("QUICKSCAN=OFF"), "ON");
    EXPECT_EQ(ReadText(path), "ONE\r\n") << "the cache was written back";
    fixture.Fill("TWO");
    ASSERT_EQ(fixture.file.Append(), AsciiStatus::Ok);
    EXPECT_EQ(ReadText(path), "ONE\r\nTWO\r\n") << "without the cache writes go straight out";
    EXPECT_EQ(fixture.file.Send("FILEBUFFERS=1"), "1024");
    EXPECT_EQ(fixture.file.Send("QUICKSCAN=ON"), "OFF");
    fixture.Fill("THREE");
    ASSERT_EQ(fixture.file.Append(), AsciiStatus::Ok);
    EXPECT_EQ(ReadAll(fixture.file, fixture.record),
        (std::vector<std::string> { "ONE", "TWO", "THREE" }));
    ASSERT_EQ(fixture.file.Close(), AsciiStatus::Ok);
    EXPECT_EQ(ReadText(path), "ONE\r\nTWO\r\nTHREE\r\n");
}

TEST(AsciiFileProperties, AnswerTheSettledNumbers)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, "");
    AsciiFileTraits traits;
    traits.owner = "secret";
    traits.thread = true;
    Fixture fixture(40, traits);
    EXPECT_EQ(fixture.file.GetProperty(files::kPropertyName), "");
    ASSERT_EQ(fixture.file.Open(path, kReadOnly, "/CLIP=OFF"), AsciiStatus::Ok);
    EXPECT_EQ(fixture.file.GetProperty(files::kPropertyName), path);
    EXPECT_EQ(fixture.file.GetProperty(files::kPropertyOwner), "secret");
    EXPECT_EQ(fixture.file.GetProperty(files::kPropertyDriverString), "/CLIP=OFF");
    EXPECT_EQ(fixture.file.GetProperty(files::kPropertyThread), "1");
    EXPECT_EQ(fixture.file.GetProperty(files::kPropertyRemoteRoute), "");
    EXPECT_EQ(fixture.file.GetProperty(0x1234), "");
    Fixture other;
    EXPECT_EQ(other.file.GetProperty(files::kPropertyThread), "");
}

// --- trace ---------------------------------------------------------------------------------

/// Points the profile at a file of the test's own for the fixture's life.
class ProfileFile {
public:
    ProfileFile(const std::string& path, std::string_view text)
    {
        WriteText(path, text);
        const char* old = std::getenv("VARN_WIN_INI");
        m_had = old != nullptr;
        if (m_had)
            m_old = old;
        ::setenv("VARN_WIN_INI", path.c_str(), 1);
    }
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;
    ~ProfileFile()
    {
        if (m_had)
            ::setenv("VARN_WIN_INI", m_old.c_str(), 1);
        else
            ::unsetenv("VARN_WIN_INI");
    }

private:
    bool m_had = false;
    std::string m_old;
};

TEST(AsciiFileTrace, SettingsComeFromTheProfileSection)
{
    TempDirectory directory;
    struct TraceCase {
        const char* what;
        std::string profile;
        bool encrypted;
        std::string options;
        bool on;
        bool details;
        std::string file;
    };
    const std::vector<TraceCase> cases {
        { "no section", "[other]\nProfile=1\n", false, "", false, false, "ASCII.LOG" },
        { "all set", "[qwascii]\nProfile=1\nTraceFile=T.LOG\nDetails=1\n", false, "", true, true,
            "T.LOG" },
        { "empty trace file", "[QWASCII]\nProfile=2\nTraceFile=\n", false, "", true, false,
            "ASCII.LOG" },
        { "encrypted hides details", "[QWASCII]\nProfile=1\nDetails=1\n", true, "/CLIP=OFF", true,
            false, "ASCII.LOG" },
        { "unless allowed", "[QWASCII]\nProfile=1\nDetails=1\n", true, "x/clip=off/allowdetails",
            true, true, "ASCII.LOG" },
        { "long name cut", "[QWASCII]\nTraceFile=" + std::string(300, 'n') + "\n", false, "", false,
            false, std::string(260, 'n') },
    };
    for (const TraceCase& row : cases) {
        SCOPED_TRACE(row.what);
        ProfileFile profile(directory / "win.ini", row.profile);
        const files::AsciiTrace trace = files::ReadAsciiTrace(row.encrypted, row.options);
        EXPECT_EQ(trace.on, row.on);
        EXPECT_EQ(trace.details, row.details);
        EXPECT_EQ(trace.file, row.file);
    }
}

TEST(AsciiFileTrace, EntriesAreAppendedToTheTraceFile)
{
    EXPECT_EQ(files::FormatAsciiTraceEntry("NEXT", "A.TXT", "", 7, "", false, 123),
        "NEXT(A.TXT 7)     Time Taken: 1.23 secs\r\n");
    EXPECT_EQ(files::FormatAsciiTraceEntry(
                  "APPEND", "/d/DATA.TXT", ",KEY[1]", 12, "Access Denied", false, 5),
        "APPEND(/d/DATA.TXT,KEY[1] 12) Error: Access Denied Time Taken: 0.05 secs\r\n");
    EXPECT_EQ(files::FormatAsciiTraceEntry("GETfileptr", "B", "", 1, "Disk", true, 100),
        "GETfileptr(B 1)   File Error: Disk Time Taken: 1.00 secs\r\n");

    TempDirectory directory;
    const std::string path = directory / "ASCII.LOG";
    ASSERT_TRUE(files::AppendAsciiTrace(path, "one\r\n"));
    Fixture holder; // a FILE holding the log deny-none does not stop the trace
    ASSERT_EQ(holder.file.Open(path, kReadWriteDenyNone), AsciiStatus::Ok);
    ASSERT_TRUE(files::AppendAsciiTrace(path, "two\r\n"));
    EXPECT_EQ(ReadText(path), "one\r\ntwo\r\n");
    EXPECT_FALSE(files::AppendAsciiTrace(directory / "NO/ASCII.LOG", "x"));

    EXPECT_EQ(holder.file.GetProperty(files::kPropertyTraceFile), "") << "tracing is off";
    holder.file.SetTrace({ true, false, "T.LOG" });
    EXPECT_EQ(holder.file.GetProperty(files::kPropertyTraceFile), "T.LOG");
}

// --- the block cache -----------------------------------------------------------------------

TEST(FileBuffer, CachesWritesOnlyWhenCachingIsOn)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, "0123456789");
    for (const bool caching : { true, false }) {
        SCOPED_TRACE(caching);
        WriteText(path, "0123456789");
        auto file = files::RealFileSystem().Open(path, kReadWriteDenyAll);
        ASSERT_TRUE(file);
        auto buffer = files::FileBuffer::Make(std::move(*file), 4, caching);
        ASSERT_NE(buffer, nullptr);

        const files::CachedBytes bytes = buffer->Get(2, 1);
        ASSERT_EQ(std::string(bytes.data, bytes.size), "2345");
        ASSERT_TRUE(buffer->Seek(3));
        ASSERT_TRUE(buffer->Put("ab", 2));
        EXPECT_EQ(ReadText(path), caching ? "0123456789" : "012ab56789");
        const files::CachedBytes after = buffer->Get(4, 1);
        ASSERT_GE(after.size, 1U);
        EXPECT_EQ(after.data[0], 'b') << "reads see unwritten bytes";
        std::uint64_t size = 0;
        ASSERT_TRUE(buffer->Size(size));
        EXPECT_EQ(size, 10U);

        ASSERT_TRUE(buffer->Seek(12));
        ASSERT_TRUE(buffer->Put("XYZ!+", 5)) << "larger than the cache";
        ASSERT_TRUE(buffer->Size(size));
        EXPECT_EQ(size, 17U);
        ASSERT_TRUE(buffer->WriteBack());
        EXPECT_EQ(ReadText(path), std::string("012ab56789\0\0XYZ!+", 17));
        EXPECT_FALSE(buffer->Dirty());

        ASSERT_TRUE(buffer->Put("q", 1));
        ASSERT_TRUE(buffer->Truncate(5));
        EXPECT_EQ(ReadText(path), "012ab");
        EXPECT_EQ(buffer->Get(5, 1).size, 0U);
    }
}

} // namespace
