#include <gtest/gtest.h>

#include <fcntl.h>
#include <pelnix.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr char kAbcDigest[] = "A9993E364706816ABA3E25717850C26C9CD0D89D";

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

    /// A file of `size` bytes, all zero but a few at the start and at the end, that takes no room
    /// on the disk.
    fs::path Sparse(const std::string& name, unsigned long long size) const
    {
        fs::path path = m_path / name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::pwrite(fd, "head", 4, 0), 4);
        EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
        EXPECT_EQ(::pwrite(fd, "tail", 4, static_cast<off_t>(size - 4)), 4);
        ::close(fd);
        return path;
    }

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

TEST(DoShaOnFile, KnownAnswersOfFiles)
{
    TempDirectory directory;
    ASSERT_FALSE(directory.Path().empty());
    for (const KnownAnswer& answer : KnownAnswers()) {
        const fs::path path = directory.Write("known.bin", answer.data);
        GuardedDigest digest;
        doSHAOnFile(path.c_str(), digest.Dig());
        EXPECT_EQ(digest.Text(), answer.digest) << answer.name;
    }
}

constexpr unsigned long long kBuffer = 128 * 1024;

/// What a progress callback was told, and when it asks to stop.
struct ProgressLog {
    struct Call {
        unsigned long long done;
        unsigned long long total;
    };
    std::vector<Call> calls;
    std::size_t stopAtCall = 0; // 1 for the first call; 0 never stops
    /// Runs inside a call, before it answers: the test's way of changing the file meanwhile.
    std::function<void(unsigned long long done)> during;

    static int Record(unsigned long long done, unsigned long long total, void* userData)
    {
        ProgressLog& log = *static_cast<ProgressLog*>(userData);
        log.calls.push_back({ done, total });
        if (log.during && log.calls.size() == 1)
            log.during(done);
        return log.calls.size() == log.stopAtCall ? 1 : 0;
    }

    /// No call's done falls, no total is below its done, and the last call is at the end.
    ::testing::AssertionResult Consistent(unsigned long long end) const
    {
        if (calls.empty())
            return ::testing::AssertionFailure() << "no call";
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (calls[i].total < calls[i].done)
                return ::testing::AssertionFailure() << "call " << i << ": total below done";
            if (i > 0 && calls[i].done < calls[i - 1].done)
                return ::testing::AssertionFailure() << "call " << i << ": done fell";
        }
        if (calls.back().done != end || calls.back().total != end)
            return ::testing::AssertionFailure() << "the last call is at " << calls.back().done
                                                 << " of " << calls.back().total << ", not " << end;
        return ::testing::AssertionSuccess();
    }
};

/// A listening Unix socket bound to a name in the file system, closed with the object.
class BoundSocket {
public:
    explicit BoundSocket(const fs::path& path)
        : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        m_bound = m_fd >= 0
            && ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~BoundSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    BoundSocket(const BoundSocket&) = delete;
    BoundSocket& operator=(const BoundSocket&) = delete;
    bool Bound() const { return m_bound; }

private:
    int m_fd;
    bool m_bound = false;
};

TEST(PelnixSha1File, GivesTheDigestsDoShaOnFileGives)
{
    TempDirectory directory;
    ASSERT_FALSE(directory.Path().empty());
    std::string large(3 * kBuffer + 7, '\0');
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 31 + i / 977);
    struct Row {
        const char* name;
        std::string contents;
    };
    const Row rows[] = {
        { "empty.bin", "" },
        { "abc.txt", "abc" },
        { "one buffer.bin", large.substr(0, kBuffer) },
        { "large.bin", large },
        { "čćđšž.txt",
            "\x9E"
            "aba" },
    };
    for (const Row& row : rows) {
        const fs::path path = directory.Write(row.name, row.contents);
        GuardedDigest expected;
        doSHAOnFile(path.c_str(), expected.Dig());
        for (const bool withProgress : { false, true }) {
            GuardedDigest digest;
            ProgressLog log;
            EXPECT_EQ(pelnix_sha1_file(path.c_str(), digest.Dig(),
                          withProgress ? ProgressLog::Record : nullptr, &log),
                PELNIX_OK)
                << row.name;
            EXPECT_EQ(digest.Text(), expected.Text()) << row.name;
            EXPECT_TRUE(digest.WrittenOnlyUpTo(40)) << row.name;
            if (withProgress) {
                EXPECT_TRUE(log.Consistent(row.contents.size())) << row.name;
            }
        }
    }
}

TEST(PelnixSha1File, EachRefusalHasItsStatus)
{
    TempDirectory directory;
    ASSERT_FALSE(directory.Path().empty());
    const fs::path plain = directory.Write("plain.txt", "abc");
    const fs::path pipe = directory.Path() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const fs::path socketPath = directory.Path() / "socket";
    BoundSocket socket(socketPath);
    ASSERT_TRUE(socket.Bound());
    struct Case {
        const char* what;
        std::string name;
        int expected;
    };
    const Case cases[] = {
        { "a missing file", (directory.Path() / "missing.txt").string(), PELNIX_NOT_FOUND },
        { "a missing directory", (directory.Path() / "no/file.txt").string(), PELNIX_NOT_FOUND },
        { "a file used as a directory", (plain / "x").string(), PELNIX_NOT_FOUND },
        { "a directory", directory.Path().string(), PELNIX_IS_DIRECTORY },
        // Opening it for reading the usual way would wait for a writer for ever.
        { "a named pipe", pipe.string(), PELNIX_NOT_REGULAR },
        { "a socket", socketPath.string(), PELNIX_NOT_REGULAR },
        { "a device", "/dev/null", PELNIX_NOT_REGULAR },
        // A regular file by its status whose reading fails at once.
        { "a file whose reading fails", "/proc/self/mem", PELNIX_READ_ERROR },
        { "a name too long", (directory.Path() / std::string(300, 'n')).string(),
            PELNIX_READ_ERROR },
    };
    for (const Case& c : cases) {
        GuardedDigest digest;
        doSHA(reinterpret_cast<const unsigned char*>("abc"), 3, digest.Dig()); // a stale digest
        ProgressLog log;
        EXPECT_EQ(
            pelnix_sha1_file(c.name.c_str(), digest.Dig(), ProgressLog::Record, &log), c.expected)
            << c.what;
        EXPECT_TRUE(digest.IsEmptyString()) << c.what;
        EXPECT_EQ(digest.Text().substr(1), std::string(kAbcDigest).substr(1))
            << c.what << ": a failure writes dig[0] and nothing else";
        EXPECT_TRUE(log.calls.empty()) << c.what << ": nothing was read, so nothing reported";
    }
}

TEST(PelnixSha1File, NullArgumentsAreRefused)
{
    GuardedDigest digest;
    EXPECT_EQ(pelnix_sha1_file(nullptr, digest.Dig(), nullptr, nullptr), PELNIX_INVALID_ARGUMENT);
    EXPECT_TRUE(digest.IsEmptyString());
    EXPECT_TRUE(digest.WrittenOnlyUpTo(1));
    EXPECT_EQ(pelnix_sha1_file("/dev/null", nullptr, nullptr, nullptr), PELNIX_INVALID_ARGUMENT);
}

TEST(PelnixSha1File, WhatMayNotBeReadIsRefused)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser reads every file";
    TempDirectory directory;
    ASSERT_FALSE(directory.Path().empty());
    const fs::path secret = directory.Write("secret.txt", "abc");
    ASSERT_EQ(::chmod(secret.c_str(), 0), 0);
    const fs::path closed = directory.Path() / "closed";
    fs::create_directory(closed);
    directory.Write("closed/inside.txt", "abc");
    ASSERT_EQ(::chmod(closed.c_str(), 0), 0);
    for (const fs::path& path : { secret, closed / "inside.txt" }) {
        GuardedDigest digest;
        EXPECT_EQ(
            pelnix_sha1_file(path.c_str(), digest.Dig(), nullptr, nullptr), PELNIX_NO_PERMISSION)
            << path;
        EXPECT_TRUE(digest.IsEmptyString()) << path;
        EXPECT_TRUE(digest.WrittenOnlyUpTo(1)) << path;
    }
    ::chmod(closed.c_str(), 0700); // so the directory can be removed
}

TEST(PelnixSha1File, ProgressOfALargeFileGrowsToItsSize)
{
    TempDirectory directory;
    ASSERT_FALSE(directory.Path().empty());
    constexpr unsigned long long kSize = 300ULL * 1024 * 1024 + 5;
    const fs::path path = directory.Sparse("large.bin", kSize);
    GuardedDigest expected;
    doSHAOnFile(path.c_str(), expected.Dig());
    ASSERT_FALSE(expected.IsEmptyString());

    GuardedDigest digest;
    ProgressLog log;
    EXPECT_EQ(pelnix_sha1_file(path.c_str(), digest.Dig(), ProgressLog::Record, &log), PELNIX_OK);
    EXPECT_EQ(digest.Text(), expected.Text());
    EXPECT_TRUE(log.Consistent(kSize));
    ASSERT_GE(log.calls.size(), 2u);
    EXPECT_EQ(log.calls.front().done, kBuffer) << "the first call comes after the first buffer";
    for (std::size_t i = 0; i < log.calls.size(); ++i) {
        EXPECT_EQ(log.calls[i].total, kSize);
        if (i > 0) {
            EXPECT_GT(log.calls[i].done, log.calls[i - 1].done) << "a file that stays put";
        }
    }
}

TEST(PelnixSha1File, AStopFromTheCallbackLeavesNoDigest)
{
    TempDirectory directory;
    ASSERT_FALSE(directory.Path().empty());
    struct Case {
        const char* what;
        unsigned long long size;
        std::size_t stopAtCall;
        unsigned long long doneAtStop;
    };
    const Case cases[] = {
        // Read on, it would take minutes and report again every tenth of a second.
        { "at the first call of a long file", 64ULL << 30, 1, kBuffer },
        { "at the last call", 3 * kBuffer + 1, 2, 3 * kBuffer + 1 },
        { "at the only call of a short file", 10, 1, 10 },
    };
    for (const Case& c : cases) {
        const fs::path path = directory.Sparse("file.bin", c.size);
        GuardedDigest digest;
        ProgressLog log;
        log.stopAtCall = c.stopAtCall;
        EXPECT_EQ(pelnix_sha1_file(path.c_str(), digest.Dig(), ProgressLog::Record, &log),
            PELNIX_CANCELLED)
            << c.what;
        EXPECT_TRUE(digest.IsEmptyString()) << c.what;
        EXPECT_TRUE(digest.WrittenOnlyUpTo(1)) << c.what;
        ASSERT_EQ(log.calls.size(), c.stopAtCall) << c.what << ": no call after the stop";
        EXPECT_EQ(log.calls.back().done, c.doneAtStop) << c.what;
    }
}

TEST(PelnixSha1File, AFileThatChangesSizeWhileReadIsReadAsFarAsItGoes)
{
    TempDirectory directory;
    ASSERT_FALSE(directory.Path().empty());
    std::string contents(8 * kBuffer, '\0');
    for (std::size_t i = 0; i < contents.size(); ++i)
        contents[i] = static_cast<char>(i * 7 + i / 1009);
    struct Case {
        const char* what;
        unsigned long long newSize; // set at the first call, after the first buffer
        unsigned long long end;     // where the reading stops
        std::string hashed;         // the bytes the digest is of
    };
    const Case cases[] = {
        { "shrunk behind the part still to read", 200000, 200000, contents.substr(0, 200000) },
        // The next read finds the end at once: the digest is of what was read.
        { "shrunk below what was read", 1000, kBuffer, contents.substr(0, kBuffer) },
        { "emptied", 0, kBuffer, contents.substr(0, kBuffer) },
        { "grown to three times its size", 3 * contents.size(), 3 * contents.size(),
            contents + std::string(2 * contents.size(), '\0') },
    };
    for (const Case& c : cases) {
        const fs::path path = directory.Write("changing.bin", contents);
        GuardedDigest digest;
        ProgressLog log;
        log.during = [&](unsigned long long) {
            ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(c.newSize)), 0);
        };
        EXPECT_EQ(
            pelnix_sha1_file(path.c_str(), digest.Dig(), ProgressLog::Record, &log), PELNIX_OK)
            << c.what;
        EXPECT_EQ(digest.Text(), DigestOf(c.hashed)) << c.what;
        EXPECT_TRUE(log.Consistent(c.end)) << c.what;
    }
}

TEST(PelnixSha1File, SeveralThreadsAtOnce)
{
    TempDirectory directory;
    ASSERT_FALSE(directory.Path().empty());
    const std::vector<KnownAnswer> answers = KnownAnswers();
    std::vector<fs::path> paths;
    for (std::size_t i = 0; i < answers.size(); ++i)
        paths.push_back(directory.Write("known" + std::to_string(i), answers[i].data));
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (std::size_t round = 0; round < 40; ++round) {
                const std::size_t which = (round + static_cast<std::size_t>(t)) % answers.size();
                char dig[40];
                ProgressLog log;
                if (pelnix_sha1_file(paths[which].c_str(), dig, ProgressLog::Record, &log)
                        != PELNIX_OK
                    || std::string(dig, 40) != answers[which].digest)
                    ++wrong[static_cast<std::size_t>(t)];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

} // namespace
