#include <app/Globals.h>
#include <app/ProgramMain.h>

#include <gtest/gtest.h>

namespace {

TEST(ProgramMainTest, BindsTheSettingsFileAndLeavesItBound)
{
    app::ProgramMain();
    // The settings file has no finalisation: the name stays bound after the main routine.
    EXPECT_EQ(app::AppIni.FileName(), "varn.INI");
}

} // namespace
