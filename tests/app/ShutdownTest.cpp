#include <app/ProgramMain.h>
#include <files/AsciiDriver.h>
#include <files/FileDeclaration.h>
#include <files/FileOps.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using testsupport::ReadText;
using testsupport::TempDirectory;
using testsupport::WriteText;

/// A text file of the ASCII driver with one 8-byte STRING record.
struct TextFile {
    explicit TextFile(std::string path)
        : name(std::move(path))
    {
        declaration.driverEntry = &files::AsciiDriverEntry;
        declaration.name = name.c_str();
        declaration.nameLength = files::kNameNulTerminated;
        declaration.recordLength = sizeof record;
        declaration.recordType = type.data();
        declaration.record = reinterpret_cast<std::byte*>(record);
    }
    std::string name;
    std::vector<std::uint8_t> type
        = files::TypeDescriptorBuilder().Group().String("LINE", 8).End().Build();
    char record[8] = {};
    files::FileDeclaration declaration;
};

TEST(ShutdownTest, ClosesEveryFileStillOpenSoCachedLinesReachTheDisk)
{
    TempDirectory directory;
    WriteText(directory / "A.TXT", "");
    WriteText(directory / "B.TXT", "");
    TextFile first(directory / "A.TXT");
    TextFile second(directory / "B.TXT");
    for (TextFile* file : { &first, &second }) {
        ASSERT_EQ(files::Open(&file->declaration, 0x12), 0); // deny all: writes are cached
        std::memcpy(file->record, "line    ", 8);
        ASSERT_EQ(files::Append(&file->declaration), 0);
    }

    app::RuntimeShutdown();

    EXPECT_TRUE(files::UsedFileList::Entries().empty());
    EXPECT_EQ(ReadText(directory / "A.TXT"), "line\r\n");
    EXPECT_EQ(ReadText(directory / "B.TXT"), "line\r\n");
    TextFile again(directory / "A.TXT");
    EXPECT_EQ(files::Open(&again.declaration, 0x12), 0) << "nothing holds the file any more";
    files::Close(&again.declaration);
}

} // namespace
