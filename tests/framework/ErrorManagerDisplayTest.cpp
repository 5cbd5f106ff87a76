#include <files/ErrorState.h>
#include <framework/ErrorManager.h>
#include <platform/Display.h>
#include <platform/TestDriver.h>
#include <window/MessageBox.h>
#include <window/RuntimeStop.h>

#include <gtest/gtest.h>

#include <common/RuntimeBesideDisplay.h>

#include <cstdint>
#include <string>
#include <vector>

namespace test = platform::test;
using testsupport::RunWithController;

namespace {

std::vector<int> g_halts;

void RecordHalt(int exitCode)
{
    g_halts.push_back(exitCode);
}

TEST(ErrorManagerDisplay, FatalOpenErrorShowsTheFilledTextThenHalts)
{
    g_halts.clear();
    const window::HaltHook previous = window::SetHaltHook(RecordHalt);
    std::uint32_t result = 0;
    std::string title;
    std::string text;
    RunWithController(
        [&] {
            framework::ErrorManager errors;
            errors.Setup();
            files::PostFileError(2, nullptr);
            errors.SetFileName("X.DAT");
            result = errors.Raise(23);
            errors.Teardown();
        },
        [&] {
            ASSERT_TRUE(test::WaitUntilIdle());
            const platform::WindowHandle box = test::ActiveDialog();
            ASSERT_NE(box, 0u);
            title = test::TextOf(box);
            text = test::TextOf(platform::FindControl(box, window::kMessageTextId));
            EXPECT_NE(platform::FindControl(box, window::kMessageIconId), 0u);
            test::Click(platform::FindControl(box, 1));
        });
    window::SetHaltHook(previous);
    files::ClearErrorState();
    EXPECT_EQ(title, "File Access Error");
    EXPECT_EQ(text,
        "File (X.DAT) could not be opened.  Error: File Not Found (2).  Press OK to end this "
        "application");
    EXPECT_EQ(g_halts, std::vector<int> { 0 });
    EXPECT_EQ(result, 3u) << "the halt hook returned";
}

TEST(ErrorManagerDisplay, ConfirmDeleteAnswersByTheButtonPressed)
{
    std::vector<std::uint32_t> results;
    std::string text;
    RunWithController(
        [&] {
            framework::ErrorManager errors;
            errors.Setup();
            test::AnswerNextDialog(6);
            results.push_back(errors.Raise(9));
            test::AnswerNextDialog(7);
            results.push_back(errors.Raise(9));
            results.push_back(errors.Raise(9));
        },
        [&] {
            ASSERT_TRUE(test::WaitUntilIdle());
            const platform::WindowHandle box = test::ActiveDialog();
            ASSERT_NE(box, 0u);
            text = test::TextOf(platform::FindControl(box, window::kMessageTextId));
            test::PressKey(box, 0x0D);
        });
    EXPECT_EQ(results, (std::vector<std::uint32_t> { 0, 4, 0 })) << "Enter takes the default, Yes";
    EXPECT_EQ(text, "Jeste li sigurni da želite obrisati označeni zapis?");
}

} // namespace
