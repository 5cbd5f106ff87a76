// The ASCII driver's file engine against plain C++ and C file loops: reading a 100 MB text file
// of 80-character lines with NEXT, and appending 1 million 40-character records.

#include <files/AsciiDriver.h>
#include <files/AsciiFile.h>
#include <files/FileOps.h>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kLineLength = 80;
constexpr std::size_t kFileBytes = std::size_t { 100 } * 1024 * 1024;
constexpr std::int64_t kAppends = 1'000'000;
constexpr std::size_t kRecordLength = 40;

std::filesystem::path Scratch(const std::string& name)
{
    return std::filesystem::temp_directory_path()
        / ("varn-bench-ascii-" + std::to_string(::getpid()) + "-" + name);
}

/// The 100 MB text file, made once per run and removed at exit.
const std::string& TextFile()
{
    struct Made {
        Made()
        {
            path = Scratch("read.txt").string();
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            std::string line(kLineLength, ' ');
            for (std::size_t written = 0, number = 0; written < kFileBytes; ++number) {
                for (std::size_t i = 0; i < kLineLength; ++i)
                    line[i] = static_cast<char>('A' + (number + i) % 26);
                out << line << "\r\n";
                written += kLineLength + 2;
            }
        }
        ~Made() { std::filesystem::remove(path); }
        std::string path;
    };
    static const Made kMade;
    return kMade.path;
}

void ReadWithNext(benchmark::State& state, std::uint32_t mode, const char* options)
{
    const std::string& path = TextFile();
    std::string record(kLineLength, ' ');
    std::int64_t records = 0;
    for (auto _ : state) {
        files::AsciiFile file { std::span<char>(record) };
        if (file.Open(path, mode, options) != files::AsciiStatus::Ok) {
            state.SkipWithError("open failed");
            return;
        }
        file.Set();
        while (file.Next() == files::AsciiStatus::Ok) {
            benchmark::DoNotOptimize(record.data());
            ++records;
        }
    }
    state.SetItemsProcessed(records);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kFileBytes));
}

void BM_AsciiNext(benchmark::State& state)
{
    ReadWithNext(state, 0x12, "");
}
BENCHMARK(BM_AsciiNext)->Unit(benchmark::kMillisecond);

void BM_AsciiNext64K(benchmark::State& state)
{
    ReadWithNext(state, 0x12, "/FILEBUFFERS=128");
}
BENCHMARK(BM_AsciiNext64K)->Unit(benchmark::kMillisecond);

void BM_AsciiNextShared(benchmark::State& state)
{
    ReadWithNext(state, 0x42, "");
}
BENCHMARK(BM_AsciiNextShared)->Unit(benchmark::kMillisecond);

/// A FILE declaration of the ASCII driver with one STRING field over `record`.
struct Declaration {
    Declaration(const std::string& path, std::string& record)
        : name(path)
        , type(files::TypeDescriptorBuilder()
                   .Group()
                   .String("LINE", static_cast<std::uint32_t>(record.size()))
                   .End()
                   .Build())
    {
        file.driverEntry = &files::AsciiDriverEntry;
        file.name = name.c_str();
        file.nameLength = files::kNameNulTerminated;
        file.recordLength = static_cast<std::uint32_t>(record.size());
        file.recordType = type.data();
        file.record = reinterpret_cast<std::byte*>(record.data());
    }
    Declaration(const Declaration&) = delete;
    Declaration& operator=(const Declaration&) = delete;
    ~Declaration() { files::Close(&file); }

    std::string name;
    std::vector<std::uint8_t> type;
    files::FileDeclaration file;
};

// The same reads as generated code makes them: SET and NEXT statements through the driver
// entry and the common path.
void BM_StatementNext(benchmark::State& state)
{
    std::string record(kLineLength, ' ');
    Declaration declaration(TextFile(), record);
    std::int64_t records = 0;
    for (auto _ : state) {
        if (files::Open(&declaration.file, 0x12) != 0) {
            state.SkipWithError("open failed");
            return;
        }
        files::Set(&declaration.file);
        while (files::Next(&declaration.file) == 0) {
            benchmark::DoNotOptimize(record.data());
            ++records;
        }
        files::Close(&declaration.file);
    }
    state.SetItemsProcessed(records);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kFileBytes));
}
BENCHMARK(BM_StatementNext)->Unit(benchmark::kMillisecond);

void BM_Getline(benchmark::State& state)
{
    const std::string& path = TextFile();
    std::string line;
    std::int64_t records = 0;
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        while (std::getline(in, line)) {
            benchmark::DoNotOptimize(line.data());
            ++records;
        }
    }
    state.SetItemsProcessed(records);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kFileBytes));
}
BENCHMARK(BM_Getline)->Unit(benchmark::kMillisecond);

void AppendWithEngine(benchmark::State& state, std::uint32_t mode)
{
    const std::string path = Scratch("append.txt").string();
    std::string record(kRecordLength, 'x');
    for (auto _ : state) {
        std::ofstream(path, std::ios::binary | std::ios::trunc).flush();
        files::AsciiFile file { std::span<char>(record) };
        if (file.Open(path, mode) != files::AsciiStatus::Ok) {
            state.SkipWithError("open failed");
            return;
        }
        for (std::int64_t i = 0; i < kAppends; ++i) {
            record[0] = static_cast<char>('A' + i % 26);
            if (file.Append() != files::AsciiStatus::Ok) {
                state.SkipWithError("append failed");
                return;
            }
        }
        static_cast<void>(file.Close());
    }
    std::filesystem::remove(path);
    state.SetItemsProcessed(state.iterations() * kAppends);
}

void BM_AsciiAppend(benchmark::State& state)
{
    AppendWithEngine(state, 0x12);
}
BENCHMARK(BM_AsciiAppend)->Unit(benchmark::kMillisecond);

void BM_AsciiAppendShared(benchmark::State& state)
{
    AppendWithEngine(state, 0x42);
}
BENCHMARK(BM_AsciiAppendShared)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_StatementAppend(benchmark::State& state)
{
    const std::string path = Scratch("statement-append.txt").string();
    std::string record(kRecordLength, 'x');
    Declaration declaration(path, record);
    for (auto _ : state) {
        std::ofstream(path, std::ios::binary | std::ios::trunc).flush();
        if (files::Open(&declaration.file, 0x12) != 0) {
            state.SkipWithError("open failed");
            return;
        }
        for (std::int64_t i = 0; i < kAppends; ++i) {
            record[0] = static_cast<char>('A' + i % 26);
            if (files::Append(&declaration.file) != 0) {
                state.SkipWithError("append failed");
                return;
            }
        }
        files::Close(&declaration.file);
    }
    std::filesystem::remove(path);
    state.SetItemsProcessed(state.iterations() * kAppends);
}
BENCHMARK(BM_StatementAppend)->Unit(benchmark::kMillisecond);

void BM_Fwrite(benchmark::State& state)
{
    const std::string path = Scratch("fwrite.txt").string();
    std::string record(kRecordLength, 'x');
    for (auto _ : state) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (out == nullptr) {
            state.SkipWithError("fopen failed");
            return;
        }
        for (std::int64_t i = 0; i < kAppends; ++i) {
            record[0] = static_cast<char>('A' + i % 26);
            std::fwrite(record.data(), 1, record.size(), out);
            std::fwrite("\r\n", 1, 2, out);
        }
        std::fclose(out);
    }
    std::filesystem::remove(path);
    state.SetItemsProcessed(state.iterations() * kAppends);
}
BENCHMARK(BM_Fwrite)->Unit(benchmark::kMillisecond);

} // namespace
