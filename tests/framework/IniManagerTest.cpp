#include <framework/IniManager.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(IniManager, KeepsTheNameUnchangedUpTo259Characters)
{
    struct Row {
        const char* name;
        std::string given;
        std::string kept;
    };
    const std::string longName = std::string(259, 'a') + std::string(41, 'b');
    const Row rows[] {
        { "bare name stays bare", "varn.INI", "varn.INI" },
        { "300 characters keep the first 259", longName, std::string(259, 'a') },
        { "259 characters kept whole", std::string(259, 'c'), std::string(259, 'c') },
        { "blanks and case kept", " Dir/x.ini  ", " Dir/x.ini  " },
        { "empty", "", "" },
    };
    for (const Row& row : rows) {
        framework::IniManager ini;
        ini.Setup(row.given);
        EXPECT_EQ(ini.FileName(), row.kept) << row.name;
    }
}

TEST(IniManager, SetupAgainReplacesTheName)
{
    framework::IniManager ini;
    ini.Setup(std::string(300, 'x'));
    ini.Setup("varn.INI");
    EXPECT_EQ(ini.FileName(), "varn.INI");
}

} // namespace
