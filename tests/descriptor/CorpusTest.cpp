#include "EncodedDescriptor.h"

#include <descriptor/Printer.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

/// Replays the declaration fuzzer's corpus (fuzz/corpus/descriptor-source), crashing inputs
/// included, with the fuzzer's checks, so every build runs them and not only the fuzzing one.
TEST(CorpusTest, EveryInputParsesPrintsAndEncodesSoundly)
{
    const auto files = testsupport::CorpusFiles(VARN_DESCRIPTOR_CORPUS_DIR);
    ASSERT_FALSE(files.empty()) << "no corpus at " << VARN_DESCRIPTOR_CORPUS_DIR;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const std::string text = testsupport::ReadText(path);
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
