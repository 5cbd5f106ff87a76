#include <platform/Path.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace platform;

namespace {

// Each test that moves into a directory of its own puts the process's current directory back
// afterwards, and removes the directory.
class PathTest : public testing::Test {
protected:
    void SetUp() override
    {
        const Result<std::string> current = CurrentDirectory();
        ASSERT_TRUE(current);
        m_saved = *current;
        const char* base = std::getenv("TMPDIR");
        std::string pattern
            = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/varn-path-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        // The directory as the system names it, with any symbolic link on the way resolved.
        m_directory = std::filesystem::canonical(pattern).string();
    }

    void TearDown() override
    {
        EXPECT_EQ(SetCurrentDirectory(m_saved), SystemError::None);
        std::error_code ignored;
        if (!m_directory.empty())
            std::filesystem::remove_all(m_directory, ignored);
    }

    std::string m_saved;
    std::string m_directory;
};

TEST_F(PathTest, FullPath)
{
    const std::string work = m_directory + "/one/two";
    std::filesystem::create_directories(work);
    ASSERT_EQ(SetCurrentDirectory(work), SystemError::None);
    const std::string parent = m_directory + "/one";

    struct Row {
        std::string path;
        std::string expected;
    };
    const Row rows[] = {
        { "file.txt", work + "/file.txt" },
        { "./file.txt", work + "/file.txt" },
        { "sub/../file.txt", work + "/file.txt" },
        { "../file.txt", parent + "/file.txt" },
        { "..", parent },
        { ".", work },
        { "a//b///c", work + "/a/b/c" },
        { "sub/", work + "/sub/" }, // a trailing separator stays
        { "sub/./", work + "/sub/" },
        { "missing/../../x", parent + "/x" }, // names need not exist
        { "/abs/olute", "/abs/olute" },
        { "/abs/./x/../y", "/abs/y" },
        { "//twice//over", "/twice/over" },
        { "/", "/" },
        { "//", "/" },
        { "/..", "/" },
        { "/../../up", "/up" }, // ".." at the root stays at the root
        { "/a/b/..", "/a" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const Result<std::string> full = FullPath(row.path);
        ASSERT_TRUE(full);
        EXPECT_EQ(*full, row.expected);
    }
    EXPECT_EQ(FullPath("").Error(), SystemError::InvalidName);
    EXPECT_EQ(FullPath(std::string("a\0b", 3)).Error(), SystemError::InvalidName);
}

TEST_F(PathTest, CurrentDirectoryRoundTrip)
{
    ASSERT_EQ(SetCurrentDirectory(m_directory), SystemError::None);
    EXPECT_EQ(*CurrentDirectory(), m_directory);
    std::filesystem::create_directory(m_directory + "/sub");
    ASSERT_EQ(SetCurrentDirectory("sub"), SystemError::None);
    EXPECT_EQ(*CurrentDirectory(), m_directory + "/sub");
    ASSERT_EQ(SetCurrentDirectory(".."), SystemError::None);
    EXPECT_EQ(*CurrentDirectory(), m_directory);
}

TEST_F(PathTest, SetCurrentDirectoryFailures)
{
    std::ofstream(m_directory + "/file.txt") << "x";
    struct Row {
        const char* name;
        std::string path;
        SystemError expected;
    };
    const Row rows[] = {
        { "missing directory", m_directory + "/missing", SystemError::FileNotFound },
        { "missing on the way", m_directory + "/missing/sub", SystemError::PathNotFound },
        { "a file", m_directory + "/file.txt", SystemError::PathNotFound },
        { "empty", "", SystemError::InvalidName },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SetCurrentDirectory(row.path), row.expected);
        EXPECT_EQ(*CurrentDirectory(), m_saved) << "a failure moved the current directory";
    }
}

TEST(Paths, OwnProgramPathNamesThisProgram)
{
    const Result<std::string> path = OwnProgramPath();
    ASSERT_TRUE(path);
    ASSERT_FALSE(path->empty());
    EXPECT_EQ(path->front(), '/');
    EXPECT_TRUE(std::filesystem::equivalent(*path, "/proc/self/exe"));
}

TEST(Paths, EnvironmentFilePath)
{
    struct Row {
        const char* program;
        const char* expected;
    };
    const Row rows[] = {
        { "/usr/bin/varn", "/usr/bin/varn.ENV" }, // no extension: one is added
        { "/x/varn.exe", "/x/varn.ENV" },
        { "/x/varn.tar.gz", "/x/varn.tar.ENV" },  // only the last extension goes
        { "/opt/a.b/varn", "/opt/a.b/varn.ENV" }, // a dot in a directory is no extension
        { "/opt/a.b/varn.exe", "/opt/a.b/varn.ENV" },
        { "/x/.varn", "/x/.varn.ENV" }, // a hidden file's leading dot is no extension
        { "/x/.varn.exe", "/x/.varn.ENV" },
        { "/x/..varn", "/x/..varn.ENV" },
        { "/x/varn.", "/x/varn.ENV" }, // an empty extension is still one
        { "varn.exe", "varn.ENV" },
        { "varn", "varn.ENV" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.program);
        EXPECT_EQ(EnvironmentFilePath(row.program), row.expected);
    }
}

} // namespace
