#include "EncodedDescriptor.h"

#include <descriptor/Printer.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::filesystem::path> CorpusFiles()
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(VARN_DESCRIPTOR_CORPUS_DIR)) {
        if (entry.is_regular_file())
            files.push_back(entry.path());
    }
    return files;
}

/// Replays the declaration fuzzer's corpus (fuzz/corpus/descriptor-source), crashing inputs
/// included, with the fuzzer's checks, so every build runs them and not only the fuzzing one.
TEST(CorpusTest, EveryInputParsesPrintsAndEncodesSoundly)
{
    const auto files = CorpusFiles();
    ASSERT_FALSE(files.empty()) << "no corpus at " << VARN_DESCRIPTOR_CORPUS_DIR;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        std::ifstream in(path, std::ios::binary);
        const std::string text(
            (std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const descriptor::ParseResult result = descriptor::Parse(text);
        if (result.IsError()) {
            EXPECT_GE(result.Error().line, 1u);
            EXPECT_FALSE(result.Error().message.empty());
            continue;
        }
        const descriptor::ParseResult again = descriptor::Parse(descriptor::Print(result.Value()));
        ASSERT_FALSE(again.IsError()) << again.Error().message;
        EXPECT_EQ(again.Value(), result.Value());
        descriptor_test::WalkRecords(
            descriptor_test::EncodedDescriptor(descriptor::Encode(result.Value())));
    }
}

} // namespace
