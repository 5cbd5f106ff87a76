// DescriptorCompiler run as the build runs it.

#include "EncodedDescriptor.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;

class CompilerTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        m_directory = fs::temp_directory_path()
            / ("varn-descriptor-compiler-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(m_directory);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_directory, ignored);
    }

    fs::path Write(const std::string& name, const std::string& text)
    {
        const fs::path path = m_directory / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    static std::string Read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    static std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

    /// Runs the compiler and answers its exit status; what it printed is in `m_errors`.
    int Compile(const fs::path& input, const fs::path& output)
    {
        const fs::path errors = m_directory / "errors.txt";
        const std::string command = Quoted(VARN_DESCRIPTOR_COMPILER) + " " + Quoted(input) + " "
            + Quoted(output) + " 2>" + Quoted(errors);
        const int status = std::system(command.c_str());
        m_errors = Read(errors);
        return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path m_directory;
    std::string m_errors;
};

TEST_F(CompilerTest, WritesTheEncodedDeclaration)
{
    const std::string text = "descriptor \"varn$varn009\"\nwindow \"P1$WINDOW\" { title \"čž\" }\n";
    const fs::path input = Write("VARN009_RSC.wnd", text);
    const fs::path output = m_directory / "VARN009_RSC.bin";
    ASSERT_EQ(Compile(input, output), 0) << m_errors;
    EXPECT_EQ(m_errors, "");
    const std::string written = Read(output);
    const auto expected = descriptor_test::EncodeText(text);
    EXPECT_EQ(
        written, std::string(reinterpret_cast<const char*>(expected.data()), expected.size()));
    EXPECT_FALSE(fs::exists(m_directory / "VARN009_RSC.bin.part"));
}

TEST_F(CompilerTest, ReportsErrorsWithFileAndLine)
{
    const fs::path input
        = Write("VARN009_RSC.wnd", "descriptor \"varn$varn009\"\nwindow \"W\" {\n  timer x\n}\n");
    const fs::path output = m_directory / "out.bin";
    EXPECT_EQ(Compile(input, output), 1);
    EXPECT_EQ(m_errors, input.string() + ":3: `timer` needs a number, found `x`\n");
    EXPECT_FALSE(fs::exists(output)) << "no output for a refused declaration";
}

TEST_F(CompilerTest, RefusesAModuleNotNamedLikeItsFile)
{
    const fs::path input
        = Write("VARN009_RSC.wnd", "\ndescriptor \"varn$varn010\"\nwindow \"W\"\n");
    EXPECT_EQ(Compile(input, m_directory / "out.bin"), 1);
    EXPECT_EQ(m_errors,
        input.string()
            + ":2: module \"varn$varn010\" is stored as VARN010_RSC, but "
              "the file is named for VARN009_RSC\n");
}

TEST_F(CompilerTest, KeepsThePreviousOutputWhenRefusing)
{
    const fs::path output = Write("OLD_RSC.bin", "old");
    const fs::path input = Write("OLD_RSC.wnd", "descriptor \"old\"\nwindow \"W\" {\n");
    EXPECT_EQ(Compile(input, output), 1);
    EXPECT_EQ(Read(output), "old");
}

TEST_F(CompilerTest, ReportsAnUnreadableInput)
{
    const fs::path input = m_directory / "MISSING_RSC.wnd";
    EXPECT_EQ(Compile(input, m_directory / "out.bin"), 1);
    EXPECT_EQ(m_errors, input.string() + ": cannot be read\n");
}

} // namespace
