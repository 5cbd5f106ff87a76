#include <platform/Clock.h>
#include <platform/Threads.h>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

// Runs the test under a fixed time zone and puts the process's own back afterwards.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* old = getenv("TZ"))
            m_old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_old)
            setenv("TZ", m_old->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> m_old;
};

// Readable in a failure message, where the struct's one-byte fields would print as characters.
std::string Format(const platform::LocalDateTime& value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d (weekday %d) %02d:%02d:%02d.%02d",
        static_cast<int>(value.year), value.month, value.day, value.dayOfWeek, value.hour,
        value.minute, value.second, value.hundredths);
    return text;
}

system_clock::time_point At(
    year_month_day date, hours hour, minutes minute, seconds second, milliseconds fraction)
{
    return sys_days(date) + hour + minute + second + fraction;
}

TEST(ClockTest, BreaksMomentsIntoLocalParts)
{
    const struct {
        const char* what;
        const char* zone;
        system_clock::time_point moment;
        platform::LocalDateTime expected;
    } cases[] = {
        { "leap day", "UTC0", At(2024y / 2 / 29, 13h, 45min, 7s, 239ms),
            { 2024, 2, 29, 4, 13, 45, 7, 23 } },
        // Hundredths are cut, never rounded into the next second.
        { "last hundredth", "UTC0", At(1999y / 12 / 31, 23h, 59min, 59s, 999ms),
            { 1999, 12, 31, 5, 23, 59, 59, 99 } },
        { "first hundredth", "UTC0", At(2000y / 1 / 1, 0h, 0min, 0s, 5ms),
            { 2000, 1, 1, 6, 0, 0, 0, 0 } },
        // Before 1970 the fraction still counts up from the second below.
        { "before 1970", "UTC0", sys_days(1970y / 1 / 1) - 100ms,
            { 1969, 12, 31, 3, 23, 59, 59, 90 } },
        // The local zone moves the date, not only the hour: 22:30 UTC is past midnight in
        // Central European summer time.
        { "local zone", "CET-1CEST,M3.5.0,M10.5.0/3", At(2024y / 7 / 1, 22h, 30min, 0s, 0ms),
            { 2024, 7, 2, 2, 0, 30, 0, 0 } },
        { "local zone in winter", "CET-1CEST,M3.5.0,M10.5.0/3",
            At(2024y / 1 / 15, 22h, 30min, 0s, 0ms), { 2024, 1, 15, 1, 23, 30, 0, 0 } },
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        ScopedTimeZone zone(row.zone);
        EXPECT_EQ(Format(platform::ToLocalDateTime(row.moment)), Format(row.expected));
    }
}

TEST(ClockTest, NowIsTheLocalTimeOfThisMoment)
{
    const time_t before = time(nullptr);
    const platform::LocalDateTime now = platform::Now();
    const time_t after = time(nullptr);

    struct tm parts { };
    parts.tm_year = now.year - 1900;
    parts.tm_mon = now.month - 1;
    parts.tm_mday = now.day;
    parts.tm_hour = now.hour;
    parts.tm_min = now.minute;
    parts.tm_sec = now.second;
    parts.tm_isdst = -1;
    const time_t seconds = mktime(&parts);
    // One second of slack either way covers the hour a change to winter time repeats.
    EXPECT_GE(seconds, before - 1);
    EXPECT_LE(seconds, after + 1);
    EXPECT_EQ(now.dayOfWeek, parts.tm_wday);
    EXPECT_LE(now.hundredths, 99);
}

TEST(ClockTest, TickIsMonotonicMilliseconds)
{
    const std::uint32_t first = platform::TickMilliseconds();
    const auto start = steady_clock::now();
    std::uint32_t previous = first;
    // Watch the tick while the steady clock moves on by 20 ms; unsigned differences stay
    // correct across a wrap of the tick.
    while (steady_clock::now() - start < 20ms) {
        const std::uint32_t tick = platform::TickMilliseconds();
        ASSERT_LT(static_cast<std::uint32_t>(tick - previous), 1000U) << "the tick went back";
        previous = tick;
    }
    const std::uint32_t elapsed = platform::TickMilliseconds() - first;
    EXPECT_GE(elapsed, 19U);
    EXPECT_LT(elapsed, 60'000U);
}

TEST(ThreadIdTest, StablePerThreadAndDistinctBetweenLiveThreads)
{
    const platform::ThreadId mine = platform::CurrentThreadId();
    EXPECT_NE(mine, 0U);
    EXPECT_EQ(platform::CurrentThreadId(), mine);

    // The other thread stays alive until its id has been compared, so the two cannot share a
    // number.
    platform::Semaphore reported(0, 1);
    platform::Semaphore compared(0, 1);
    platform::ThreadId theirs = 0;
    platform::ThreadId theirsAgain = 0;
    std::thread other([&] {
        theirs = platform::CurrentThreadId();
        reported.Release();
        compared.Acquire();
        theirsAgain = platform::CurrentThreadId();
    });
    reported.Acquire();
    EXPECT_NE(theirs, 0U);
    EXPECT_NE(theirs, mine);
    compared.Release();
    other.join();
    EXPECT_EQ(theirsAgain, theirs);
}

TEST(SemaphoreTest, ReleaseRespectsTheMaximum)
{
    const struct {
        std::int32_t initial;
        std::int32_t maximum;
        std::int32_t release;
        bool accepted;
        std::int32_t countAfter;
    } cases[] = {
        { 0, 1, 1, true, 1 }, { 1, 1, 1, false, 1 }, { 0, 3, 3, true, 3 }, { 2, 5, 3, true, 5 },
        { 1, 3, 3, false, 1 }, // all or nothing: no part of the release is kept
        { 0, 3, 0, false, 0 }, { 0, 3, -1, false, 0 },
        { 0, 2147483647, 2147483647, true, 2147483647 },
        { 1, 2147483647, 2147483647, false, 1 }, // would overflow a naive sum
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(
            testing::Message() << row.initial << "/" << row.maximum << " + " << row.release);
        platform::Semaphore semaphore(row.initial, row.maximum);
        EXPECT_EQ(semaphore.Release(row.release), row.accepted);
        EXPECT_EQ(semaphore.Count(), row.countAfter);
    }
}

TEST(SemaphoreTest, TryAcquireTakesOnlyWhatIsThere)
{
    platform::Semaphore semaphore(2, 4);
    EXPECT_TRUE(semaphore.TryAcquire());
    EXPECT_TRUE(semaphore.TryAcquire());
    EXPECT_FALSE(semaphore.TryAcquire());
    EXPECT_EQ(semaphore.Count(), 0);
    EXPECT_TRUE(semaphore.Release());
    EXPECT_TRUE(semaphore.TryAcquire());
}

TEST(SemaphoreTest, AcquireForTimesOut)
{
    platform::Semaphore semaphore(0, 1);
    const auto start = steady_clock::now();
    EXPECT_FALSE(semaphore.AcquireFor(30ms));
    EXPECT_GE(steady_clock::now() - start, 30ms);

    EXPECT_FALSE(semaphore.AcquireFor(0ms));
    EXPECT_FALSE(semaphore.AcquireFor(-5ms));
    ASSERT_TRUE(semaphore.Release());
    EXPECT_TRUE(semaphore.AcquireFor(0ms));
    EXPECT_EQ(semaphore.Count(), 0);
}

TEST(SemaphoreTest, WakesAWaiterInAnotherThread)
{
    platform::Semaphore work(0, 1);
    platform::Semaphore started(0, 1);
    platform::Semaphore tookFirst(0, 1);
    bool timedWaitSucceeded = false;
    std::thread worker([&] {
        started.Release();
        work.Acquire();
        tookFirst.Release();
        // Long enough never to run out here: only the release below can end it.
        timedWaitSucceeded = work.AcquireFor(60s);
    });
    started.Acquire();
    EXPECT_TRUE(work.Release());
    tookFirst.Acquire();
    EXPECT_TRUE(work.Release());
    worker.join();
    EXPECT_TRUE(timedWaitSucceeded);
    EXPECT_EQ(work.Count(), 0);
}

TEST(SemaphoreTest, PingPongKeepsTurns)
{
    constexpr int kRounds = 1000;
    platform::Semaphore ping(0, 1);
    platform::Semaphore pong(0, 1);
    std::vector<int> order;
    std::thread partner([&] {
        for (int i = 0; i < kRounds; ++i) {
            ping.Acquire();
            order.push_back(2 * i + 1);
            EXPECT_TRUE(pong.Release());
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        order.push_back(2 * i);
        EXPECT_TRUE(ping.Release());
        pong.Acquire();
    }
    partner.join();
    ASSERT_EQ(order.size(), 2U * kRounds);
    for (std::size_t i = 0; i < order.size(); ++i)
        ASSERT_EQ(order[i], static_cast<int>(i));
}

TEST(SemaphoreTest, ReleaseOfManyWakesAsManyWaiters)
{
    constexpr int kWaiters = 6;
    platform::Semaphore gate(0, kWaiters);
    platform::Semaphore ready(0, kWaiters);
    std::atomic<int> through = 0;
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([&] {
            ready.Release();
            gate.Acquire();
            ++through;
        });
    }
    for (int i = 0; i < kWaiters; ++i)
        ready.Acquire();
    EXPECT_TRUE(gate.Release(kWaiters));
    for (std::thread& waiter : waiters)
        waiter.join();
    EXPECT_EQ(through.load(), kWaiters);
    EXPECT_EQ(gate.Count(), 0);
}

TEST(SemaphoreTest, ConcurrentReleasesStopAtTheMaximum)
{
    constexpr int kThreads = 8;
    platform::Semaphore semaphore(0, 3);
    std::atomic<int> accepted = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&] {
            if (semaphore.Release())
                ++accepted;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(accepted.load(), 3);
    EXPECT_EQ(semaphore.Count(), 3);
}

} // namespace
