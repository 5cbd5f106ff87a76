#include <gtest/gtest.h>

#include <pelnix.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

/// A digest buffer with guard bytes on both sides: dig points at byte 8, the 40 digest
/// characters may be written, nothing else.
class GuardedDigest {
public:
    GuardedDigest() { m_bytes.fill(kGuard); }

    char* Dig() { return m_bytes.data() + kFront; }
    std::string Text() const { return std::string(m_bytes.data() + kFront, 40); }
    bool IsEmptyString() const { return m_bytes[kFront] == '\0'; }

    /// True when only dig[0] .. dig[limit - 1] were touched.
    bool WrittenOnlyUpTo(std::size_t limit) const
    {
        for (std::size_t i = 0; i < m_bytes.size(); ++i) {
            bool inside = i >= kFront && i < kFront + limit;
            if (!inside && m_bytes[i] != kGuard)
                return false;
        }
        return true;
    }

private:
    static constexpr char kGuard = '\x5A';
    static constexpr std::size_t kFront = 8;
    std::array<char, 8 + 41 + 8> m_bytes {};
};

std::string DigestOf(const std::string& data)
{
    GuardedDigest digest;
    doSHA(reinterpret_cast<const unsigned char*>(data.data()), static_cast<unsigned>(data.size()),
        digest.Dig());
    EXPECT_TRUE(digest.WrittenOnlyUpTo(40)) << "doSHA wrote outside dig[0..39]";
    return digest.Text();
}

struct KnownAnswer {
    const char* name;
    std::string data;
    const char* digest;
};

std::vector<KnownAnswer> KnownAnswers()
{
    return {
        { "empty", "", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709" },
        { "abc", "abc", "A9993E364706816ABA3E25717850C26C9CD0D89D" },
        { "448 bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
            "84983E441C3BD26EBAAE4AA1F95129E5E54670F1" },
        { "a million a", std::string(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F" },
        { "zaba in Windows-1250",
            "\x9E"
            "aba",
            "757988422B19ACC6BF44224381F6D7B729EA6C36" },
    };
}

class TempDirectory {
public:
    TempDirectory()
    {
        std::string pattern = (fs::temp_directory_path() / "pelnix-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~TempDirectory()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    fs::path Write(const std::string& name, const std::string& contents) const
    {
        fs::path path = m_path / fs::u8path(name);
        std::ofstream(path, std::ios::binary) << contents;
        return path;
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

TEST(DoSha, KnownAnswers)
{
    for (const KnownAnswer& answer : KnownAnswers())
        EXPECT_EQ(DigestOf(answer.data), answer.digest) << answer.name;
}

TEST(DoSha, NullDataWithZeroLengthIsTheEmptyInput)
{
    GuardedDigest digest;
    doSHA(nullptr, 0, digest.Dig());
    EXPECT_EQ(digest.Text(), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
}

TEST(DoSha, NullDataWithALengthLeavesTheEmptyString)
{
    GuardedDigest digest;
    doSHA(nullptr, 5, digest.Dig());
    EXPECT_TRUE(digest.IsEmptyString());
    EXPECT_TRUE(digest.WrittenOnlyUpTo(1)) << "a failure writes dig[0] and nothing else";
}

TEST(DoSha, SeveralThreadsAtOnce)
{
    const std::vector<KnownAnswer> answers = KnownAnswers();
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 200; ++round) {
                const KnownAnswer& answer = answers[static_cast<std::size_t>(round + t) % 3];
                char dig[40];
                doSHA(reinterpret_cast<const unsigned char*>(answer.data.data()),
                    static_cast<unsigned>(answer.data.size()), dig);
                if (std::string(dig, 40) != answer.digest)
                    ++wrong[static_cast<std::size_t>(t)];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

TEST(DoShaOnFile, HashesTheWholeFile)
{
    TempDirectory directory;
    ASSERT_FALSE(directory.Path().empty());
    // Longer than the read buffer and not a multiple of it.
    std::string large(300 * 1024 + 7, '\0');
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 31 + i / 977);
    struct Row {
        const char* name;
        std::string contents;
    };
    const Row rows[] = {
        { "empty.bin", "" }, { "abc.txt", "abc" }, { "large.bin", large },
        { "čćđšž ČĆĐŠŽ.txt",
            "\x9E"
            "aba" }, // the name in UTF-8, as the file system spells it
    };
    for (const Row& row : rows) {
        fs::path path = directory.Write(row.name, row.contents);
        GuardedDigest digest;
        doSHAOnFile(path.c_str(), digest.Dig());
        EXPECT_EQ(digest.Text(), DigestOf(row.contents)) << row.name;
        EXPECT_TRUE(digest.WrittenOnlyUpTo(40)) << row.name;
    }
}

TEST(DoShaOnFile, FailuresLeaveTheEmptyString)
{
    TempDirectory directory;
    ASSERT_FALSE(directory.Path().empty());
    const std::string missing = (directory.Path() / "missing.txt").string();
    const std::string inMissingDirectory = (directory.Path() / "no" / "file.txt").string();
    const std::string aDirectory = directory.Path().string();
    const char* names[]
        = { missing.c_str(), inMissingDirectory.c_str(), aDirectory.c_str(), nullptr };
    for (const char* name : names) {
        GuardedDigest digest;
        // A stale digest from an earlier call must not survive a failure.
        doSHA(reinterpret_cast<const unsigned char*>("abc"), 3, digest.Dig());
        doSHAOnFile(name, digest.Dig());
        EXPECT_TRUE(digest.IsEmptyString()) << (name ? name : "null");
        EXPECT_EQ(digest.Text().substr(1),
            std::string("A9993E364706816ABA3E25717850C26C9CD0D89D").substr(1))
            << "a failure writes dig[0] and nothing else";
    }
}

} // namespace
