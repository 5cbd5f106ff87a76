// libFuzzer target for the ASCII driver's reading: any file contents, under any TAB, CLIP,
// ENDOFRECORD and CTRLZISEOF setting, must read without a crash or an out-of-bounds access;
// every NEXT must move forward within the file, and the cached and the uncached reader must
// read the same records. Its corpus, fuzz/corpus/ascii-read, is replayed by files_tests
// (AsciiReadCorpusTest) through this same entry point.
//
// Input: four setting bytes, then the file's contents.
//   byte 0: the TAB setting (see kTabs)
//   byte 1: bit 0 CLIP off, bit 1 CTRLZISEOF off, bits 2-3 the terminator (see kTerminators)
//   byte 2: the record length, 1 to 64
//   byte 3: FILEBUFFERS, 0 to 3 blocks (0 gives a cache of the record length)

#include <files/AsciiFile.h>

#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

constexpr std::array<int, 8> kTabs { 8, 0, -100, -3, 4, 1, -1, 3 };
constexpr std::array<std::string_view, 4> kTerminators { "/ENDOFRECORD=2,13,10",
    "/ENDOFRECORD=1,10", "/ENDOFRECORD=3,124,35,124", "/ENDOFRECORD=0" };

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

const std::string& ScratchPath()
{
    static const std::string kPath = (std::filesystem::temp_directory_path()
        / ("varn-fuzz-ascii-" + std::to_string(::getpid()) + ".txt"))
                                         .string();
    return kPath;
}

/// Reads every record with NEXT and answers them.
std::vector<std::string> ReadAll(const std::string& options, std::size_t recordLength,
    std::uint32_t mode, std::uint64_t fileSize)
{
    std::string record(recordLength, '#');
    files::AsciiFile file { std::span<char>(record) };
    Require(file.Open(ScratchPath(), mode, options) == files::AsciiStatus::Ok);
    std::vector<std::string> records;
    file.Set();
    std::uint64_t previous = 0;
    while (file.Next() == files::AsciiStatus::Ok) {
        const std::uint32_t pointer = file.Pointer();
        Require(pointer > previous && pointer <= fileSize);
        Require(file.Bytes() > 0 && pointer - 1 + std::uint64_t { file.Bytes() } <= fileSize);
        previous = pointer;
        records.push_back(record);
        Require(records.size() <= fileSize);
    }
    Require(file.Eof());
    Require(file.Close() == files::AsciiStatus::Ok);
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const int tab = kTabs[data[0] % kTabs.size()];
    const std::uint8_t flags = data[1];
    const std::size_t recordLength = std::size_t { data[2] } % 64 + 1;
    const int buffers = data[3] % 4;
    const std::string_view contents(reinterpret_cast<const char*>(data) + 4, size - 4);
    {
        std::ofstream out(ScratchPath(), std::ios::binary | std::ios::trunc);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    }

    std::string options = "/TAB=" + std::to_string(tab);
    options += (flags & 0x01) != 0 ? "/CLIP=OFF" : "/CLIP=ON";
    options += (flags & 0x02) != 0 ? "/CTRLZISEOF=OFF" : "/CTRLZISEOF=ON";
    options += kTerminators[(flags >> 2) & 0x3];
    options += "/FILEBUFFERS=" + std::to_string(buffers);

    const auto cached = ReadAll(options, recordLength, 0x12, contents.size());
    const auto uncached = ReadAll(options, recordLength, 0x42, contents.size());
    Require(cached == uncached);
    std::filesystem::remove(ScratchPath());
    return 0;
}
