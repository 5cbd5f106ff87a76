#include <app/Globals.h>
#include <app/ProgramModule.h>
#include <value/Module.h>
#include <value/Random.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>

namespace {

void IgnoreNotice(std::string_view /*title*/, std::string_view /*text*/)
{
}

TEST(ProgramModuleTest, ProgramRoutinesComeBelowEveryRuntimeEntry)
{
    // The program's routines must start after every runtime module and end before them, so
    // nothing else may sit at or below their level.
    int programRoutines = 0;
    for (const value::InitEntry& entry : app::ProgramInitialisers()) {
        SCOPED_TRACE(entry.level);
        EXPECT_NE(entry.initialiser, nullptr);
        EXPECT_EQ(entry.initialiser, entry.terminator);
        if (entry.level == app::kProgramLevel)
            ++programRoutines;
        else
            EXPECT_GT(entry.level, app::kProgramLevel);
    }
    EXPECT_EQ(programRoutines, 10);
}

TEST(ProgramModuleTest, StartUpClearsTheGlobalsAndTheEndLeavesThem)
{
    app::DialogFileName = "/tmp/old";
    app::ThreadRequest() = 3;
    app::ThreadResponse() = 4;
    app::ThreadScrollRequest() = -5;

    value::ModuleRegistry registry(&IgnoreNotice);
    registry.RegisterModule(app::ProgramModule(), 0);
    EXPECT_EQ(app::DialogFileName.View(), std::string(255, ' '));
    EXPECT_EQ(app::ThreadRequest(), 0);
    EXPECT_EQ(app::ThreadResponse(), 0);
    EXPECT_EQ(app::ThreadScrollRequest(), 0);

    app::DialogFileName = "/tmp/chosen";
    registry.FinishProgram();
    EXPECT_EQ(app::DialogFileName.View().substr(0, 12), "/tmp/chosen ");
    EXPECT_EQ(registry.Head(), nullptr);
}

// The per-thread globals are each thread's own, and a thread that starts after another has
// ended never finds what the ended one left (its operating-system id may be the same).
TEST(ProgramModuleTest, ThreadGlobalsAreEachThreadsOwn)
{
    app::ThreadResponse() = 9;
    for (int round = 0; round < 3; ++round) {
        int request = -1;
        int response = -1;
        int scrollRequest = -1;
        std::thread worker([&] {
            request = app::ThreadRequest();
            response = app::ThreadResponse();
            scrollRequest = app::ThreadScrollRequest();
            app::ThreadRequest() = 1;
            app::ThreadResponse() = 2;
            app::ThreadScrollRequest() = 3;
        });
        worker.join();
        EXPECT_EQ(request, 0) << "round " << round;
        EXPECT_EQ(response, 0) << "round " << round;
        EXPECT_EQ(scrollRequest, 0) << "round " << round;
    }
    EXPECT_EQ(app::ThreadResponse(), 9);
    app::ThreadResponse() = 0;
}

TEST(ProgramModuleTest, RandomSequenceIsSeededOncePerProcess)
{
    value::ModuleRegistry first(&IgnoreNotice);
    first.RegisterModule(app::ProgramModule(), 0);
    value::SeedRandom(42);

    // A second start-up in the same process must not restart the sequence.
    value::ModuleRegistry second(&IgnoreNotice);
    second.RegisterModule(app::ProgramModule(), 0);
    std::mt19937 expected(42);
    EXPECT_EQ(value::NextRandom(), static_cast<std::uint32_t>(expected()));
}

} // namespace
