// THREAD files: each thread works on a copy of its own, kept in its RuntimeThread; and the
// error state, which the runtime's threads share, is touched only under the runtime lock.
#include <files/ErrorState.h>
#include <files/FileDeclaration.h>
#include <files/FileOps.h>
#include <value/RuntimeLock.h>
#include <value/RuntimeThread.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <thread>

using files::FileDeclaration;

namespace {

/// A THREAD declaration whose record starts with "A".
struct ThreadFile {
    ThreadFile()
    {
        declaration.name = "THREAD.TXT";
        declaration.nameLength = files::kNameNulTerminated;
        declaration.attributes = files::DeclarationAttributes::kThread;
        declaration.recordLength = sizeof record;
        declaration.record = record;
        record[0] = std::byte { 'A' };
    }
    std::byte record[8] = {};
    FileDeclaration declaration;
};

TEST(ThreadCopyTest, EachThreadHasItsOwnCopyForItsWholeLife)
{
    ThreadFile file;
    ThreadFile other;
    FileDeclaration* mine = files::DeclarationForThread(&file.declaration);
    ASSERT_NE(mine, &file.declaration);
    EXPECT_EQ(mine->original, &file.declaration);
    EXPECT_EQ(files::DeclarationForThread(&file.declaration), mine) << "made once";
    EXPECT_EQ(files::DeclarationForThread(mine), mine) << "a copy is its own declaration";
    EXPECT_NE(files::DeclarationForThread(&other.declaration), mine);
    mine->record[0] = std::byte { 'M' };

    FileDeclaration* theirs = nullptr;
    std::byte theirFirst {};
    std::thread worker([&] {
        theirs = files::DeclarationForThread(&file.declaration);
        theirFirst = theirs->record[0];
    });
    worker.join();
    EXPECT_NE(theirs, mine);
    EXPECT_EQ(theirFirst, std::byte { 'A' }) << "copied from the declaration, not from a copy";
    files::UsedFileList::CloseAll();
}

// Operating-system thread ids are reused once a thread has ended; copies are not keyed by them,
// so a thread never inherits what an ended thread wrote into its copy.
TEST(ThreadCopyTest, ANewThreadNeverSeesAnEndedThreadsCopy)
{
    ThreadFile file;
    for (int round = 0; round < 4; ++round) {
        std::byte seen {};
        std::thread worker([&] {
            FileDeclaration* copy = files::DeclarationForThread(&file.declaration);
            seen = copy->record[0];
            copy->record[0] = std::byte { 'X' };
        });
        worker.join();
        EXPECT_EQ(seen, std::byte { 'A' }) << "round " << round;
    }
}

// A runtime thread ends its state under the lock; the same operating-system thread, should it
// run the runtime again, starts with fresh copies.
TEST(ThreadCopyTest, EndingTheThreadsStateDropsItsCopies)
{
    ThreadFile file;
    std::byte seen {};
    std::thread worker([&] {
        files::DeclarationForThread(&file.declaration)->record[0] = std::byte { 'X' };
        value::EndRuntimeThread();
        seen = files::DeclarationForThread(&file.declaration)->record[0];
    });
    worker.join();
    EXPECT_EQ(seen, std::byte { 'A' });
}

#ifdef NDEBUG
constexpr bool kAssertionsOn = false;
#else
constexpr bool kAssertionsOn = true;
#endif

TEST(ErrorStateLockDeathTest, PostingWithoutTheLockWhileTheRuntimeRunsStops)
{
    if (!kAssertionsOn)
        GTEST_SKIP() << "the lock's rule is asserted in debug builds";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char* const kMessage = "shared runtime state touched without the runtime lock";
    EXPECT_DEATH(
        {
            value::EnterRuntime();
            files::PostError(5);
        },
        kMessage);
    EXPECT_DEATH(
        {
            value::EnterRuntime();
            static_cast<void>(files::ErrorFile());
        },
        kMessage);
    {
        value::EnterRuntime();
        {
            const value::RuntimeLockHold held;
            files::PostError(5);
            EXPECT_EQ(files::ErrorCode(), 5);
            files::ClearErrorState();
        }
        value::LeaveRuntime();
    }
}

} // namespace
