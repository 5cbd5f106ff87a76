#include <platform/Path.h>
#include <value/ErrorCode.h>
#include <value/LocaleFile.h>
#include <value/LocaleTexts.h>
#include <value/MessageOverrides.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// The locale environment file of an installed program: /usr/bin/varn reads /usr/bin/varn.ENV,
// in a directory the user cannot write to, from a file the user can only read, or finds none
// there. Neither is worth a word on the terminal.

namespace {

namespace fs = std::filesystem;

class InstalledEnvironmentFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "varn-installed-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
        m_bin = m_root / "usr" / "bin";
        fs::create_directories(m_bin);
        value::ClearMessageOverrides();
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::permissions(m_bin, fs::perms::owner_all, ignored);
        fs::remove_all(m_root, ignored);
        value::ClearMessageOverrides();
        value::ResetLocaleTexts();
    }

    /// The environment file of a program installed as usr/bin/varn, the way start-up names it.
    [[nodiscard]] std::string EnvironmentFile() const
    {
        return platform::EnvironmentFilePath((m_bin / "varn").string());
    }

    /// Makes the directory the program lies in read-only, as /usr/bin is to a user.
    void SealDirectory() const
    {
        fs::permissions(m_bin,
            fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read
                | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    }

    fs::path m_root;
    fs::path m_bin;
};

TEST_F(InstalledEnvironmentFileTest, AMissingFileIsPostedAndNothingIsSaid)
{
    SealDirectory();
    value::PostErrorCode(0);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    value::LoadLocaleFile(EnvironmentFile());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(value::ErrorCode(), 2) << "file not found, for a program that asks";
    EXPECT_FALSE(value::FindMessageOverride(42));
}

TEST_F(InstalledEnvironmentFileTest, AReadOnlyFileInAReadOnlyDirectoryIsRead)
{
    const std::string path = EnvironmentFile();
    ASSERT_EQ(path, (m_bin / "varn.ENV").string());
    {
        std::ofstream out(path, std::ios::binary);
        out << "ORVMSG42=installed\r\n";
    }
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    SealDirectory();
    // Reading needs no write access to the file: its sharing is settled without it.
    value::PostErrorCode(77);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    value::LoadLocaleFile(path);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(value::FindMessageOverride(42), "installed");
    EXPECT_EQ(value::ErrorCode(), 77) << "success leaves the error code alone";
}

} // namespace
