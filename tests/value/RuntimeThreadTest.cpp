// Each thread's own runtime state (RuntimeThread), the shared Runtime, and the runtime lock's
// rule: shared state is touched only under the lock while runtime threads run.
#include <value/BindScope.h>
#include <value/ErrorCode.h>
#include <value/Heap.h>
#include <value/Random.h>
#include <value/Runtime.h>
#include <value/RuntimeLock.h>
#include <value/RuntimeThread.h>
#include <value/StringStack.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace value;

namespace {

std::string TopText()
{
    return std::string(StackTop().View());
}

/// Strict turns between numbered threads: Await(n) returns once Pass(n) was called.
class Turns {
public:
    void Pass(int to)
    {
        std::lock_guard lock(m_mutex);
        m_turn = to;
        m_changed.notify_all();
    }
    void Await(int self)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_turn == self; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_turn = 0;
};

/// Counts the runtime threads of a test as runtime threads, so that the lock's rule applies.
class InRuntime {
public:
    InRuntime() { EnterRuntime(); }
    ~InRuntime() { LeaveRuntime(); }
    InRuntime(const InRuntime&) = delete;
    InRuntime& operator=(const InRuntime&) = delete;
};

// Two runtime threads take turns holding the lock, each pushing and popping on its own stack
// and binding in its own scopes; after every hand-over each finds exactly what it left.
TEST(RuntimeThreadTest, StacksAndScopesStayTheirThreadsAcrossHandOvers)
{
    constexpr int kRounds = 5;
    Turns turns;
    std::vector<std::string> failures;
    std::mutex failuresMutex;
    auto fail = [&](const std::string& what) {
        std::lock_guard lock(failuresMutex);
        failures.push_back(what);
    };

    auto runner = [&](int self, const char* name) {
        const InRuntime counted;
        std::int32_t variable = self;
        for (int round = 0; round < kRounds; ++round) {
            turns.Await(self);
            const RuntimeLockHold held;
            if (StackDepth() != round)
                fail(std::string(name) + ": depth " + std::to_string(StackDepth()));
            if (round > 0 && TopText() != std::string(name) + std::to_string(round - 1))
                fail(std::string(name) + ": top " + TopText());
            if (BindScopeDepth() != static_cast<std::size_t>(round))
                fail(std::string(name) + ": scopes " + std::to_string(BindScopeDepth()));
            // An owned entry and an inline one, then drop the inline one: the pop must not
            // reach the other thread's entries.
            const std::string text = std::string(name) + std::to_string(round);
            char* block = AllocateBlock(text.size());
            std::memcpy(block, text.data(), text.size());
            PushOwned(block, static_cast<std::uint32_t>(text.size()));
            PushLong(round);
            Drop();
            PushBindScope();
            Bind("VALUE", *ValueReference::Make(TypeCode::Long, &variable, sizeof variable));
            const auto found = FindBinding("value");
            if (!found || found->Address() != &variable)
                fail(std::string(name) + ": binding");
            turns.Pass(1 - self);
        }
        ResetStringStack();
        while (BindScopeDepth() > 0)
            PopBindScope();
    };
    std::thread first(runner, 0, "first");
    std::thread second(runner, 1, "second");
    first.join();
    second.join();
    EXPECT_EQ(failures, std::vector<std::string> {});
}

// A thread that ends with owned values on its stack and scopes open releases them with its
// RuntimeThread (a leak would fail the program under LeakSanitizer), and a later thread starts
// from nothing.
TEST(RuntimeThreadTest, AnEndedThreadLeavesNothingBehind)
{
    std::int32_t variable = 0;
    std::thread ending([&] {
        PushString("a value longer than the inline buffer of an entry");
        Materialize();
        PushString("another value longer than the inline buffer");
        Materialize();
        PushBindScope();
        Bind("V", *ValueReference::Make(TypeCode::Long, &variable, sizeof variable));
    });
    ending.join();

    int depth = -1;
    std::size_t scopes = 99;
    bool bound = true;
    std::thread later([&] {
        depth = StackDepth();
        scopes = BindScopeDepth();
        bound = FindBinding("V").has_value();
    });
    later.join();
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(scopes, 0u);
    EXPECT_FALSE(bound);
}

// --- extensions --------------------------------------------------------------------------------

std::vector<std::string>& Destroyed()
{
    static std::vector<std::string> destroyed;
    return destroyed;
}

template<ThreadExtensionSlot Slot> struct Recorder final : ThreadExtension {
    static constexpr ThreadExtensionSlot kSlot = Slot;
    ~Recorder() override
    {
        static const char* const kNames[] = { "files", "window", "app" };
        Destroyed().push_back(kNames[static_cast<int>(Slot)]);
    }
    int value = 0;
};

TEST(RuntimeThreadTest, ExtensionsAreMadeOnceAndEndHighestLayerFirst)
{
    Destroyed().clear();
    std::thread worker([] {
        RuntimeThread& thread = CurrentRuntimeThread();
        EXPECT_EQ(thread.FindExtension<Recorder<ThreadExtensionSlot::Window>>(), nullptr);
        thread.Extension<Recorder<ThreadExtensionSlot::Files>>().value = 1;
        thread.Extension<Recorder<ThreadExtensionSlot::App>>().value = 3;
        thread.Extension<Recorder<ThreadExtensionSlot::Window>>().value = 2;
        auto& again = thread.Extension<Recorder<ThreadExtensionSlot::Window>>();
        EXPECT_EQ(again.value, 2);
        EXPECT_EQ(thread.FindExtension<Recorder<ThreadExtensionSlot::Window>>(), &again);
    });
    worker.join();
    EXPECT_EQ(Destroyed(), (std::vector<std::string> { "app", "window", "files" }));

    // Another thread's extensions are its own.
    Destroyed().clear();
    int seen = -1;
    std::thread other([&] {
        seen = CurrentRuntimeThread().Extension<Recorder<ThreadExtensionSlot::Files>>().value;
    });
    other.join();
    EXPECT_EQ(seen, 0);
}

TEST(RuntimeThreadTest, EndingTheThreadsStateStartsItAfresh)
{
    std::thread worker([] {
        PushString("a value longer than the inline buffer of an entry");
        Materialize();
        PushBindScope();
        CurrentRuntimeThread().Extension<Recorder<ThreadExtensionSlot::Files>>().value = 4;
        EndRuntimeThread();
        EXPECT_EQ(StackDepth(), 0);
        EXPECT_EQ(BindScopeDepth(), 0u);
        EXPECT_EQ(
            CurrentRuntimeThread().FindExtension<Recorder<ThreadExtensionSlot::Files>>(), nullptr);
    });
    worker.join();
}

struct SharedCounter final : SharedExtension {
    static constexpr SharedExtensionSlot kSlot = SharedExtensionSlot::WindowThreads;
    int count = 0;
};

TEST(RuntimeTest, ASharedExtensionIsOneObjectForEveryThread)
{
    SharedCounter* fromMain = &TheRuntime().Extension<SharedCounter>();
    SharedCounter* fromOther = nullptr;
    std::thread other([&] { fromOther = &TheRuntime().Extension<SharedCounter>(); });
    other.join();
    EXPECT_EQ(fromMain, fromOther);
}

// --- the lock's rule ---------------------------------------------------------------------------

TEST(RuntimeLockTest, HolderAndCoverage)
{
    ASSERT_EQ(RunningRuntimeThreads(), 0);
    EXPECT_EQ(TheRuntimeLock.Holder(), 0u);
    EXPECT_TRUE(RuntimeLockCoversCaller()) << "no runtime thread runs: the caller is alone";
    {
        const InRuntime counted;
        EXPECT_FALSE(RuntimeLockCoversCaller());
        const RuntimeLockHold held;
        EXPECT_TRUE(TheRuntimeLock.HeldByCaller());
        EXPECT_NE(TheRuntimeLock.Holder(), 0u);
        EXPECT_TRUE(RuntimeLockCoversCaller());
        bool coveredElsewhere = true;
        std::thread other([&] { coveredElsewhere = RuntimeLockCoversCaller(); });
        other.join();
        EXPECT_FALSE(coveredElsewhere) << "another thread while this one holds the lock";
        {
            const RuntimeLockRelease released;
            EXPECT_FALSE(TheRuntimeLock.HeldByCaller());
            EXPECT_EQ(TheRuntimeLock.Holder(), 0u);
        }
        EXPECT_TRUE(TheRuntimeLock.HeldByCaller());
    }
    EXPECT_EQ(TheRuntimeLock.Holder(), 0u);
    EXPECT_EQ(RunningRuntimeThreads(), 0);
}

#ifdef NDEBUG
constexpr bool kAssertionsOn = false;
#else
constexpr bool kAssertionsOn = true;
#endif

// Posting the error number and drawing a random number touch shared state: without the lock,
// while a runtime thread runs, a debug build stops there.
TEST(RuntimeLockDeathTest, SharedValueStateWithoutTheLockStops)
{
    if (!kAssertionsOn)
        GTEST_SKIP() << "the lock's rule is asserted in debug builds";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char* const kMessage = "shared runtime state touched without the runtime lock";
    EXPECT_DEATH(
        {
            EnterRuntime();
            PostErrorCode(5);
        },
        kMessage);
    EXPECT_DEATH(
        {
            EnterRuntime();
            SeedRandom(1);
        },
        kMessage);
    // The same calls under the lock, or with no runtime thread running, are fine.
    {
        const InRuntime counted;
        const RuntimeLockHold held;
        PostErrorCode(5);
        SeedRandom(1);
        EXPECT_EQ(ErrorCode(), 5);
    }
    PostErrorCode(0);
    EXPECT_EQ(ErrorCode(), 0);
}

} // namespace
