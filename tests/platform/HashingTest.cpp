// The hashing library as the runtime calls it: the number of bytes and of a file's contents,
// and why a file gave none.

#include <platform/Hashing.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using platform::FileHashError;
using testsupport::TempDirectory;
using testsupport::WriteText;

namespace {

constexpr char kAbc[] = "A9993E364706816ABA3E25717850C26C9CD0D89D";
constexpr char kEmpty[] = "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709";

/// A digest area as the runtime keeps one: 40 characters and a NUL, filled with a marker so
/// that what the library left in it shows.
struct Digest {
    std::array<char, platform::kControlNumberLength + 1> bytes {};
    Digest()
    {
        bytes.fill('#');
        bytes.back() = '\0';
    }
    std::string Text() const { return bytes.data(); }
};

TEST(Hashing, DataGivesTheNumberOfItsBytes)
{
    Digest digest;
    const unsigned char abc[] = { 'a', 'b', 'c' };
    platform::HashData(abc, 3, digest.bytes.data());
    EXPECT_EQ(digest.Text(), kAbc);
    platform::HashData(nullptr, 0, digest.bytes.data());
    EXPECT_EQ(digest.Text(), kEmpty) << "no bytes still have a number";
}

TEST(Hashing, FileNamedInWindows1250GivesTheNumberOfItsContents)
{
    TempDirectory directory;
    // "žaba.txt" as the file system spells it, and as the runtime holds the name.
    WriteText(directory
            / "\xC5\xBE"
              "aba.txt",
        "abc");
    Digest digest;
    EXPECT_EQ(platform::HashFile(directory
                      / "\x9E"
                        "aba.txt",
                  digest.bytes.data()),
        FileHashError::None);
    EXPECT_EQ(digest.Text(), kAbc);
}

TEST(Hashing, AFileThatGivesNoNumberSaysWhy)
{
    TempDirectory directory;
    WriteText(directory / "plain.txt", "abc");
    ASSERT_EQ(::mkfifo((directory / "pipe").c_str(), 0600), 0);
    struct Case {
        const char* what;
        std::string path; // Windows-1250
        FileHashError expected;
    };
    const Case cases[] = {
        { "an empty name", "", FileHashError::NoName },
        { "a name holding a NUL", std::string("plain.txt\0x", 11), FileHashError::InvalidName },
        // 0x81 is one of the bytes Windows-1250 leaves undefined: no file system spells it.
        { "a name the file system cannot spell", directory / "\x81", FileHashError::InvalidName },
        { "a missing file", directory / "missing.txt", FileHashError::FileNotFound },
        { "a missing directory", directory / "missing/plain.txt", FileHashError::PathNotFound },
        { "a file used as a directory", directory / "plain.txt/x", FileHashError::PathNotFound },
        { "a directory", directory.Path(), FileHashError::NotAFile },
        // Reading it would wait for a writer for ever.
        { "a named pipe", directory / "pipe", FileHashError::NotAFile },
        // A regular file by its status whose reading fails at once.
        { "a file whose reading fails", "/proc/self/mem", FileHashError::ReadFailed },
    };
    for (const Case& c : cases) {
        Digest digest;
        EXPECT_EQ(platform::HashFile(c.path, digest.bytes.data()), c.expected) << c.what;
        EXPECT_EQ(digest.Text(), "") << c.what << ": nothing stale or partial is left";
    }
}

TEST(Hashing, AFileThatMayNotBeReadIsRefused)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser reads every file";
    TempDirectory directory;
    WriteText(directory / "secret.txt", "abc");
    ASSERT_EQ(::chmod((directory / "secret.txt").c_str(), 0), 0);
    Digest digest;
    EXPECT_EQ(platform::HashFile(directory / "secret.txt", digest.bytes.data()),
        FileHashError::AccessDenied);
    EXPECT_EQ(digest.Text(), "");
}

TEST(Hashing, ProgressIsToldOnTheWayAndMayStop)
{
    TempDirectory directory;
    const std::string path = directory / "large.bin";
    constexpr std::uint64_t kSize = 5 * 128 * 1024 + 3;
    WriteText(path, std::string(kSize, 'x'));
    Digest expected;
    ASSERT_EQ(platform::HashFile(path, expected.bytes.data()), FileHashError::None);

    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
    Digest digest;
    EXPECT_EQ(platform::HashFile(path, digest.bytes.data(),
                  [&](std::uint64_t done, std::uint64_t total) {
                      calls.emplace_back(done, total);
                      return false;
                  }),
        FileHashError::None);
    EXPECT_EQ(digest.Text(), expected.Text());
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), std::make_pair(kSize, kSize));

    calls.clear();
    EXPECT_EQ(platform::HashFile(path, digest.bytes.data(),
                  [&](std::uint64_t done, std::uint64_t total) {
                      calls.emplace_back(done, total);
                      return true;
                  }),
        FileHashError::Cancelled);
    EXPECT_EQ(digest.Text(), "");
    EXPECT_EQ(calls.size(), 1u) << "nothing is told after the stop";

    EXPECT_EQ(platform::HashFile(path, digest.bytes.data(), platform::HashProgress()),
        FileHashError::None)
        << "no progress function is no progress";
    EXPECT_EQ(digest.Text(), expected.Text());
}

TEST(Hashing, WithProgressADirectoryIsToldApart)
{
    TempDirectory directory;
    WriteText(directory / "plain.txt", "abc");
    ASSERT_EQ(::mkfifo((directory / "pipe").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("loop", (directory / "loop").c_str()), 0);
    struct Case {
        const char* what;
        std::string path; // Windows-1250
        FileHashError expected;
    };
    const Case cases[] = {
        { "a plain file", directory / "plain.txt", FileHashError::None },
        { "a missing file", directory / "missing.txt", FileHashError::FileNotFound },
        { "a missing directory", directory / "missing/plain.txt", FileHashError::PathNotFound },
        { "a file used as a directory", directory / "plain.txt/x", FileHashError::PathNotFound },
        { "a directory", directory.Path(), FileHashError::IsDirectory },
        { "a named pipe", directory / "pipe", FileHashError::NotAFile },
        { "a device", "/dev/null", FileHashError::NotAFile },
        { "a file whose reading fails", "/proc/self/mem", FileHashError::ReadFailed },
        // Names that cannot be resolved say so as a name's errors do, not as a failed read.
        { "a name too long", directory / std::string(300, 'n'), FileHashError::InvalidName },
        { "a loop of links", directory / "loop", FileHashError::PathNotFound },
        { "an empty name", "", FileHashError::NoName },
    };
    for (const Case& c : cases) {
        Digest digest;
        EXPECT_EQ(platform::HashFile(c.path, digest.bytes.data(),
                      [](std::uint64_t, std::uint64_t) { return false; }),
            c.expected)
            << c.what;
        EXPECT_EQ(digest.Text().empty(), c.expected != FileHashError::None) << c.what;
        if (c.expected != FileHashError::IsDirectory) {
            EXPECT_EQ(platform::HashFile(c.path, Digest().bytes.data()), c.expected)
                << c.what << ": the same without progress";
        }
    }
}

} // namespace
