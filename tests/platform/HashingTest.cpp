// The hashing library as the runtime calls it: the number of bytes and of a file's contents,
// and why a file gave none.

#include <platform/Hashing.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <string>

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

} // namespace
