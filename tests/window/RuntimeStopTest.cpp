#include <files/FileDeclaration.h>
#include <files/FileOps.h>
#include <files/Operations.h>
#include <platform/Display.h>
#include <platform/TestDriver.h>
#include <value/MessageOverrides.h>
#include <value/Module.h>
#include <value/RuntimeFault.h>
#include <value/StringStack.h>
#include <window/Engine.h>
#include <window/EngineErrors.h>
#include <window/InternalError.h>
#include <window/MessageBox.h>
#include <window/RuntimeLock.h>
#include <window/RuntimeMain.h>
#include <window/RuntimeStop.h>

#include <gtest/gtest.h>

#include <common/RuntimeBesideDisplay.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

using namespace window;
namespace test = platform::test;

using testsupport::RunWithController;

namespace {

// --- the message --------------------------------------------------------------------------

TEST(RuntimeErrorMessage, NumberTextThenExtraText)
{
    struct Row {
        int number;
        const char* extra;
        const char* message;
    };
    const Row rows[] = {
        { 502, "WSLDIAL", "Internal error 02 : WSLDIAL" },
        { 501, "String Stack Error", "Internal error 01 : String Stack Error" },
        { 515, "", "Internal error 15" },
        { 526, "", "Unable to open APPLICATION (APPLICATION already active)" },
        { 403, "", "Termination caused by signal.  (User break or Floating point)" },
        { 0, "Samo dodatni tekst", "Samo dodatni tekst" },
        { 0, "", "" },
        { 516, "CTLMAIN", "Unknown Error Posted : 516 : CTLMAIN" },
    };
    for (const Row& row : rows)
        EXPECT_EQ(RuntimeErrorMessage(row.number, row.extra), row.message) << row.number;
}

TEST(RuntimeErrorMessage, OverriddenTextLosesLeadingBlanksAndIsCut)
{
    value::ClearMessageOverrides();
    value::SetMessageOverride(401, "   Preljev stoga");
    value::SetMessageOverride(402, std::string(100, 'x'));
    EXPECT_EQ(RuntimeErrorMessage(401, "CTLTEXT"), "Preljev stoga : CTLTEXT");
    EXPECT_EQ(RuntimeErrorMessage(402, "t"), std::string(79, 'x') + " : t");
    value::ClearMessageOverrides();
}

TEST(RuntimeErrorStopHook, InternalErrorPassesTheModuleTag)
{
    static std::vector<std::pair<int, std::string>> stops;
    stops.clear();
    const auto previous = value::SetRuntimeErrorStopHook(
        [](int number, std::string_view extra) { stops.emplace_back(number, std::string(extra)); });
    InternalError(504, kTagListUtilities);
    RaiseEngineError(EngineError::NotOpen);
    value::SetRuntimeErrorStopHook(previous);
    EXPECT_EQ(
        stops, (std::vector<std::pair<int, std::string>> { { 504, "CTLLUTIL" }, { 536, "" } }));
    EXPECT_EQ(EngineErrorText(EngineError::NotOpen), "Window is not open");
}

TEST(Halt, AnInstalledHookTakesTheExitCodeInstead)
{
    static int halted = -1;
    const HaltHook previous = SetHaltHook([](int exitCode) { halted = exitCode; });
    Halt(3, "Ne prikazuje se");
    SetHaltHook(previous);
    EXPECT_EQ(halted, 3);
}

// --- ending the process (each in a child process) -------------------------------------------

/// Writes the box that is up to standard error as "box <caption>: <text>" (line breaks as
/// " NL "), then presses its button `buttonId`; writes "no box" when none comes up.
void ReportAndPress(std::uint32_t buttonId)
{
    if (!test::WaitUntilIdle()) {
        std::fprintf(stderr, "not idle\n");
        return;
    }
    const platform::WindowHandle box = test::ActiveDialog();
    if (box == 0) {
        std::fprintf(stderr, "no box\n");
        return;
    }
    std::string text = test::TextOf(platform::FindControl(box, kMessageTextId));
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at))
        text.replace(at, 1, " NL ");
    std::fprintf(stderr, "box %s: %s%s\n", test::TextOf(box).c_str(), text.c_str(),
        platform::FindControl(box, kMessageIconId) != 0 ? " [icon]" : "");
    std::fflush(stderr);
    if (buttonId == 0x0D)
        test::PressKey(box, 0x0D);
    else
        test::Click(platform::FindControl(box, buttonId));
}

/// RunWithController for a program that ends the process: the controller, its part done, stays
/// until the end. A controller that had returned would be a finished thread nobody joined when
/// the process ends, which ThreadSanitizer reports as leaked. Should the program not end the
/// process, the controller gives up after a minute and the test fails on the exit code.
void RunToTheEnd(const std::function<void()>& program, const std::function<void()>& controller)
{
    RunWithController(program, [&controller] {
        controller();
        std::this_thread::sleep_for(std::chrono::minutes(1));
    });
}

class RuntimeStopDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(RuntimeStopDeathTest, InternalErrorShowsItsTextAndEndsWithCode2)
{
    EXPECT_EXIT(RunToTheEnd([] { RaiseDescriptorNotFound(); }, [] { ReportAndPress(0x0D); }),
        ::testing::ExitedWithCode(2),
        "box Runtime error: Internal error 02 : WSLDIAL NL Do you want to GPF\\? \\[icon\\]");
}

TEST_F(RuntimeStopDeathTest, AnsweringYesEndsTheSameWay)
{
    EXPECT_EXIT(
        RunToTheEnd([] { value::RuntimeErrorStop(0, "Samo tekst"); }, [] { ReportAndPress(6); }),
        ::testing::ExitedWithCode(2), "box Runtime error: Samo tekst NL Do you want to GPF\\?");
}

TEST_F(RuntimeStopDeathTest, EngineErrorTakesItsTextFromTheStringTable)
{
    EXPECT_EXIT(RunToTheEnd([] { Accept([] { return 0; }); }, [] { ReportAndPress(7); }),
        ::testing::ExitedWithCode(2),
        "box Runtime error: ACCEPT loop requires a window NL Do you want to GPF\\?");
}

TEST_F(RuntimeStopDeathTest, ErrorHookGetsTheMessageOnTheStringStackAndNoBoxShows)
{
    const auto program = [] {
        SetErrorHook([](int number) {
            const std::uint32_t length = value::PeekLength();
            std::string message(length, ' ');
            value::PopToString(message.data(), length);
            std::fprintf(stderr, "hook %d: %s\n", number, message.c_str());
        });
        RuntimeErrorStop(404, "detalj");
    };
    EXPECT_EXIT(RunToTheEnd(program, [] {}), ::testing::ExitedWithCode(2),
        "hook 404: Arithmetic Overflow : detalj");
}

TEST_F(RuntimeStopDeathTest, WithoutTheDisplayTheMessageGoesToStandardError)
{
    EXPECT_EXIT(RuntimeErrorStop(409, "CTLLUTIL"), ::testing::ExitedWithCode(2),
        "Runtime error: Index out of range : CTLLUTIL");
}

/// A driver that writes each operation reaching it to standard error, as "driver <code>".
class ReportingDriver final : public files::FileDriver {
public:
    std::string_view Name() const override { return "REPORT"; }
    std::unique_ptr<files::FileControlBlock> NewControlBlock() override
    {
        return std::make_unique<files::FileControlBlock>();
    }
    files::FileError Attach(files::FileControlBlock&) override { return files::FileError::None; }
    void ReadTraceSettings(files::FileControlBlock&) override { }
    files::HandlerResult Run(files::Operation operation, files::FileControlBlock&,
        const files::OperationArguments&) override
    {
        std::fprintf(stderr, "driver %d\n", files::CodeOf(operation));
        return {};
    }
    void Trace(files::Operation, files::FileControlBlock&, const files::OperationArguments&,
        files::FileError, std::int64_t) override
    {
    }
};

std::int32_t ReportingEntry(files::Operation operation, files::FileDeclaration* file,
    const files::OperationArguments* arguments)
{
    static ReportingDriver driver;
    return files::RunFileOperation(driver, operation, file, *arguments);
}

TEST_F(RuntimeStopDeathTest, OpenFilesAreClosedBeforeTheEnd)
{
    const auto program = [] {
        static const std::vector<std::uint8_t> type
            = files::TypeDescriptorBuilder().Group().String("R:TEKST", 10).End().Build();
        static char name[] = "STOP.TXT";
        static std::byte record[10] = {};
        static files::FileDeclaration file;
        file.driverEntry = &ReportingEntry;
        file.name = name;
        file.nameLength = files::kNameNulTerminated;
        file.recordLength = 10;
        file.recordType = type.data();
        file.record = record;
        if (files::Open(&file, 0x12) != 0)
            std::_Exit(9);
        std::fprintf(stderr, "opened\n");
        RuntimeErrorStop(405, "");
    };
    const std::string closeLine
        = "driver " + std::to_string(files::CodeOf(files::Operation::Close));
    EXPECT_EXIT(program(), ::testing::ExitedWithCode(2),
        "opened\nRuntime error: Variable out of range\nDo you want to GPF\\?\n" + closeLine);
}

TEST_F(RuntimeStopDeathTest, HaltShowsItsTextAndEndsWithItsCode)
{
    EXPECT_EXIT(RunToTheEnd([] { Halt(7, "Kraj rada"); }, [] { ReportAndPress(1); }),
        ::testing::ExitedWithCode(7), "box Halt: Kraj rada \\[icon\\]");
}

TEST_F(RuntimeStopDeathTest, HaltWithoutTextShowsNothing)
{
    EXPECT_EXIT(RunToTheEnd([] { Halt(5, ""); },
                    [] {
                        if (test::WaitUntilIdle() && test::ActiveDialog() != 0)
                            std::_Exit(9); // a box came up
                    }),
        ::testing::ExitedWithCode(5), "");
}

// --- the start-up refusal -----------------------------------------------------------------

TEST(RuntimeVersionRefusal, ShowsTheMessageBoxWithTheStopIcon)
{
    bool accepted = true;
    std::string caption;
    std::string text;
    bool icon = false;
    RunWithController(
        [&] {
            value::ModuleRegistry registry;
            accepted = registry.CheckRuntimeVersion(0x104, 0, 0);
        },
        [&] {
            ASSERT_TRUE(test::WaitUntilIdle());
            const platform::WindowHandle box = test::ActiveDialog();
            ASSERT_NE(box, 0u);
            caption = test::TextOf(box);
            text = test::TextOf(platform::FindControl(box, kMessageTextId));
            icon = platform::FindControl(box, kMessageIconId) != 0;
            test::Click(platform::FindControl(box, 1));
        });
    EXPECT_FALSE(accepted);
    EXPECT_EQ(caption, "Runtime version");
    EXPECT_EQ(
        text, "This program needs runtime version 4.000.00; this runtime is version 5.000.00.");
    EXPECT_TRUE(icon);
}

} // namespace
