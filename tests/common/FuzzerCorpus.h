#pragma once

// Replays a fuzzer's corpus through the fuzzer's own entry point, so that every build checks
// the inputs (crashing ones included) and not only the fuzzing build.

#include <gtest/gtest.h>

#include <common/TestSupport.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace testsupport {

/// The libFuzzer entry point a replaying test is linked with.
using FuzzerEntry = int (*)(const std::uint8_t* data, std::size_t size);

/// Feeds every file of `directory` to `entry`, which must answer 0 (a broken invariant aborts
/// inside it with the fuzzer's message). An empty or missing corpus fails the test.
inline void ReplayFuzzerCorpus(const std::filesystem::path& directory, FuzzerEntry entry)
{
    const auto files = CorpusFiles(directory);
    ASSERT_FALSE(files.empty()) << "no corpus at " << directory;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const std::string bytes = ReadText(path);
        EXPECT_EQ(entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
    }
}

} // namespace testsupport
