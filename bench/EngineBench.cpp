// The event engine against bare Qt, in the same run: events from PostEvent to the ACCEPT loop
// body of one window, next to QCoreApplication::postEvent to a receiver on the GUI thread; and
// a marshalled call's round trip to the GUI thread, next to a blocking queued Qt call. The
// runtime lock's hand-over between two runtime threads, each with values on its string stack,
// is timed beside the same ping-pong between two bare threads, which is its floor.
//
// The benchmarks run on the runtime's first thread beside the display, as the program does.
// Without a display the offscreen platform is used. Times are wall-clock: the work is shared
// between two threads.

#include <platform/Display.h>
#include <platform/Threads.h>
#include <value/StringStack.h>
#include <window/Engine.h>
#include <window/EventCodes.h>
#include <window/RuntimeLock.h>
#include <window/ThreadTable.h>
#include <window/WindowObject.h>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kBatch = 10'000;
constexpr std::int32_t kNotify = window::EventCode::kNotify - window::kEventBase;

// Opening and closing the window is part of each iteration: it is small next to the batch.
void BM_EnginePostEventToBody(benchmark::State& state)
{
    std::int64_t delivered = 0;
    for (auto _ : state) {
        window::WindowObject target;
        if (!window::OpenWindow(target)) {
            state.SkipWithError("the window did not open");
            return;
        }
        for (int i = 0; i < kBatch; ++i)
            window::PostEvent(kNotify);
        int seen = 0;
        window::Accept([&] {
            if (window::CurrentEvent() == kNotify && ++seen == kBatch)
                return -1;
            return 0;
        });
        delivered += seen;
    }
    state.SetItemsProcessed(delivered);
}
BENCHMARK(BM_EnginePostEventToBody)->Unit(benchmark::kMillisecond)->UseRealTime();

/// Counts the posted events it receives and ends the event loop after the batch.
class Receiver final : public QObject {
public:
    explicit Receiver(QEventLoop& loop)
        : m_loop(loop)
    {
    }
    static QEvent::Type Type()
    {
        static const auto kType = static_cast<QEvent::Type>(QEvent::registerEventType());
        return kType;
    }
    int seen = 0;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() == Type() && ++seen == kBatch)
            m_loop.quit();
    }

private:
    QEventLoop& m_loop;
};

void BM_QtPostEvent(benchmark::State& state)
{
    std::int64_t delivered = 0;
    for (auto _ : state) {
        platform::InvokeOnGui([&] {
            QEventLoop loop;
            Receiver receiver(loop);
            for (int i = 0; i < kBatch; ++i)
                QCoreApplication::postEvent(&receiver, new QEvent(Receiver::Type()));
            loop.exec();
            delivered += receiver.seen;
        });
    }
    state.SetItemsProcessed(delivered);
}
BENCHMARK(BM_QtPostEvent)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MarshalledRoundTrip(benchmark::State& state)
{
    int calls = 0;
    for (auto _ : state)
        platform::InvokeOnGui([&calls] { ++calls; });
    benchmark::DoNotOptimize(calls);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MarshalledRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_QtBlockingQueuedCall(benchmark::State& state)
{
    int calls = 0;
    QObject* const guiObject = QCoreApplication::instance();
    for (auto _ : state) {
        QMetaObject::invokeMethod(
            guiObject, [&calls] { ++calls; }, Qt::BlockingQueuedConnection);
    }
    benchmark::DoNotOptimize(calls);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_QtBlockingQueuedCall)->Unit(benchmark::kMicrosecond)->UseRealTime();

/// Leaves a few values on the calling thread's string stack, as a procedure in the middle of
/// an expression would: a borrowed one, an inline number and an owned text.
void PushPendingValues(const char* who)
{
    value::PushString(who);
    value::PushLong(1234567);
    value::PushString("a value longer than the inline buffer of an entry");
    value::Materialize();
    value::PushReal(2.5);
}

/// How the two threads of a hand-over benchmark wake each other: through a semaphore, as
/// the runtime's waits do, or by spinning on a turn flag, which leaves mostly the hand-over.
class Turns {
public:
    explicit Turns(bool spinning)
        : m_spinning(spinning)
    {
    }
    void Pass(int to)
    {
        if (m_spinning)
            m_turn.store(to);
        else
            (to == 0 ? m_toFirst : m_toSecond).Release();
    }
    void Await(int self)
    {
        if (!m_spinning) {
            (self == 0 ? m_toFirst : m_toSecond).Acquire();
            return;
        }
        while (m_turn.load() != self)
            std::this_thread::yield();
    }

private:
    const bool m_spinning;
    std::atomic<int> m_turn { -1 };
    platform::Semaphore m_toFirst { 0, 1 };
    platform::Semaphore m_toSecond { 0, 1 };
};

// Each iteration hands the runtime lock to a second runtime thread and back: two hand-overs.
// Each side gives the lock up (RuntimeLockRelease) before it wakes the other, so the taking
// thread never finds the lock held. Argument 0 wakes through semaphores, 1 by spinning.
void BM_RuntimeLockHandOver(benchmark::State& state)
{
    Turns turns(state.range(0) == 1);
    platform::Semaphore secondEnded(0, 1);
    std::atomic<bool> done { false };
    PushPendingValues("first thread");
    const std::int32_t second = window::StartThread(
        [&](std::vector<std::string>) {
            PushPendingValues("second thread");
            while (!done.load()) {
                window::AssertHoldsRuntimeLock();
                window::RuntimeLockRelease released;
                turns.Pass(0);
                turns.Await(1);
            }
            value::ResetStringStack();
            secondEnded.Release();
        },
        0);
    if (second == 0) {
        value::ResetStringStack();
        state.SkipWithError("the second thread did not start");
        return;
    }
    window::AssertHoldsRuntimeLock();
    {
        // The second thread takes the lock, fills its stack and hands the lock back.
        window::RuntimeLockRelease released;
        turns.Await(0);
    }
    for (auto _ : state) {
        window::RuntimeLockRelease released;
        turns.Pass(1);
        turns.Await(0);
    }
    done.store(true);
    {
        window::RuntimeLockRelease released;
        turns.Pass(1);
        secondEnded.Acquire();
    }
    if (value::StackDepth() != 4)
        state.SkipWithError("the first thread's string stack changed");
    value::ResetStringStack();
    state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_RuntimeLockHandOver)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The floor of the hand-over: the same ping-pong between two threads with no runtime lock.
void BM_PingPong(benchmark::State& state)
{
    Turns turns(state.range(0) == 1);
    std::atomic<bool> done { false };
    std::thread second([&] {
        for (;;) {
            turns.Await(1);
            if (done.load())
                return;
            turns.Pass(0);
        }
    });
    for (auto _ : state) {
        turns.Pass(1);
        turns.Await(0);
    }
    done.store(true);
    turns.Pass(1);
    second.join();
    state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_PingPong)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return platform::RunDisplay([] {
        int result = 0;
        {
            window::RuntimeSession session;
            if (session.Started())
                benchmark::RunSpecifiedBenchmarks();
            else
                result = 1;
        }
        benchmark::Shutdown();
        platform::QuitDisplay();
        return result;
    });
}
