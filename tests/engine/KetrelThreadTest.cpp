// tests/engine/KetrelThreadTest.cpp
#include "engine/KetrelCriticalSection.h"
#include "engine/KetrelMutex.h"
#include "engine/KetrelThread.h"
#include "engine/KetrelTimer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

// Spins (yielding) until pred holds or the time runs out; a hang becomes a failure.
template <typename Pred>
bool WaitUntil(Pred pred, int timeoutMs = 5000)
{
    Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred())
    {
        if (Clock::now() > end)
            return false;
        std::this_thread::yield();
    }
    return true;
}

// Counts its bodies and checks that two of them never overlap.
class CountingThread : public IKetrelThread
{
public:
    ~CountingThread() override { Stop(); }
    std::atomic<int> bodiesStarted{0};
    std::atomic<int> bodiesInside{0};
    std::atomic<int> overlaps{0};
    std::atomic<long> loops{0};

protected:
    void Run() override
    {
        bodiesStarted++;
        if (bodiesInside.fetch_add(1) != 0)
            overlaps++;
        while (IsRunning())
        {
            loops++;
            Sleep(1);
        }
        bodiesInside--;
    }
};

// Takes one unit of work per wake-up and reports it back.
class PingThread : public IKetrelThread
{
public:
    ~PingThread() override { Stop(); }
    std::atomic<int> requested{0};
    std::atomic<int> served{0};

protected:
    void Run() override
    {
        while (IsRunning())
        {
            Wait();
            // Tolerates waking without work, as every worker must.
            while (served.load() < requested.load())
                served++;
        }
    }
};

// Returns from its body after a few loops, without Stop.
class ShortThread : public IKetrelThread
{
public:
    ~ShortThread() override { Stop(); }

protected:
    void Run() override { Sleep(5); }
};

// Stops itself from inside its body; optionally deletes itself too.
class SelfStoppingThread : public IKetrelThread
{
public:
    SelfStoppingThread(std::atomic<int>* done, bool deleteSelf) : m_done(done), m_deleteSelf(deleteSelf) {}
    ~SelfStoppingThread() override { Stop(); }

protected:
    void Run() override
    {
        Stop();
        std::atomic<int>* done = m_done;
        if (m_deleteSelf)
            delete this;      // the entry must not touch the object after this
        done->store(1);
    }

private:
    std::atomic<int>* m_done;
    bool m_deleteSelf;
};
}

TEST(KetrelThreadLifecycle, StartRunsBodyAndStopEndsIt)
{
    CountingThread t;
    ASSERT_EQ(1, t.Start());
    EXPECT_TRUE(WaitUntil([&] { return t.loops.load() > 0; }));
    EXPECT_EQ(1, t.IsRunning());
    EXPECT_NE(0, t.IsAlive());
    t.Stop();
    EXPECT_EQ(0, t.IsRunning());
    EXPECT_EQ(0, t.IsAlive());
    EXPECT_EQ(0, t.bodiesInside.load());
}

TEST(KetrelThreadLifecycle, StartOnRunningThreadRestartsIt)
{
    CountingThread t;
    ASSERT_EQ(1, t.Start());
    ASSERT_TRUE(WaitUntil([&] { return t.bodiesStarted.load() == 1; }));
    ASSERT_EQ(1, t.Start());
    ASSERT_TRUE(WaitUntil([&] { return t.bodiesStarted.load() == 2; }));
    EXPECT_EQ(0, t.overlaps.load()) << "the first body must have ended before the second began";
    EXPECT_EQ(1, t.bodiesInside.load());
    t.Stop();
    // Stopped objects can be started again.
    ASSERT_EQ(1, t.Start());
    EXPECT_TRUE(WaitUntil([&] { return t.bodiesStarted.load() == 3; }));
    t.Stop();
    EXPECT_EQ(0, t.overlaps.load());
}

TEST(KetrelThreadLifecycle, StopWithoutThreadOnlyClearsFlags)
{
    CountingThread t;
    t.Stop();
    t.Stop();
    EXPECT_EQ(0, t.IsRunning());
    EXPECT_EQ(0, t.IsAlive());
    EXPECT_EQ(0, t.IsWaiting());
    EXPECT_EQ(0, t.bodiesStarted.load());
}

TEST(KetrelThreadLifecycle, BodyReturningClearsFlagsAndCanBeStartedAgain)
{
    ShortThread t;
    ASSERT_EQ(1, t.Start());
    EXPECT_TRUE(WaitUntil([&] { return t.IsAlive() == 0 && t.IsRunning() == 0; }));
    EXPECT_EQ(0, t.WaitForExit());          // already ended: returns without a poll
    ASSERT_EQ(1, t.Start());
    t.Stop();
    EXPECT_EQ(0, t.IsAlive());
}

TEST(KetrelThreadLifecycle, StopFromInsideTheThread)
{
    struct Case { const char* name; bool deleteSelf; };
    const Case cases[] = {{"stop, owner deletes", false}, {"stop and delete itself", true}};
    for (const Case& c : cases)
    {
        std::atomic<int> done{0};
        SelfStoppingThread* t = new SelfStoppingThread(&done, c.deleteSelf);
        ASSERT_EQ(1, t->Start()) << c.name;
        ASSERT_TRUE(WaitUntil([&] { return done.load() == 1; })) << c.name;
        if (!c.deleteSelf)
        {
            EXPECT_EQ(0, t->IsRunning()) << c.name;
            EXPECT_EQ(0, t->IsAlive()) << c.name;
            delete t;                        // must neither hang nor join itself
        }
    }
    // Give a detached thread time to finish before the process checks for leaks.
    IKetrelThread::Sleep(20);
}

TEST(KetrelThreadLifecycle, PriorityIsKeptAndRefusalIgnored)
{
    struct Case { const char* name; i32 priority; };
    const Case cases[] = {{"unchanged", 251}, {"five", 5}};
    for (const Case& c : cases)
    {
        CountingThread t;
        ASSERT_EQ(1, t.Start(c.priority)) << c.name;
        EXPECT_TRUE(WaitUntil([&] { return t.loops.load() > 0; })) << c.name;
        EXPECT_EQ(c.priority, t.GetPriority()) << c.name;
        t.Stop();
    }
}

TEST(KetrelThreadSignal, TenThousandRoundTripsLoseNoWakeUp)
{
    PingThread t;
    ASSERT_EQ(1, t.Start());
    for (int i = 1; i <= 10000; ++i)
    {
        t.requested.store(i);
        t.Signal();
        ASSERT_TRUE(WaitUntil([&] { return t.served.load() == i; })) << "round trip " << i;
    }
    t.Stop();
    EXPECT_EQ(10000, t.served.load());
}

TEST(KetrelThreadSignal, StopWakesAWaitingWorker)
{
    PingThread t;
    ASSERT_EQ(1, t.Start());
    ASSERT_TRUE(WaitUntil([&] { return t.IsWaiting() == 1; }));
    Clock::time_point start = Clock::now();
    t.Stop();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(0, t.IsWaiting());
}

TEST(KetrelThreadSignal, SignalBeforeStartIsNotKept)
{
    PingThread t;
    t.Signal();                              // no thread: no effect
    ASSERT_EQ(1, t.Start());
    EXPECT_TRUE(WaitUntil([&] { return t.IsWaiting() == 1; }));
    EXPECT_EQ(0, t.served.load());
    t.Stop();
}

TEST(KetrelThreadSleep, SleepsMilliseconds)
{
    Clock::time_point start = Clock::now();
    IKetrelThread::Sleep(250);
    long ms = (long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(ms, 250);
    EXPECT_LT(ms, 1000);
}

// Every instance shares one lock, so increments through different objects never race.
TEST(KetrelLocks, CriticalSectionsExcludeEachOtherAcrossInstances)
{
    const int kThreads = 8, kRounds = 5000;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&counter] {
            CKetrelCriticalSection cs;       // a separate object per thread
            for (int i = 0; i < kRounds; ++i)
            {
                cs.Enter();
                long v = counter;
                counter = v + 1;
                cs.Leave();
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ((long)kThreads * kRounds, counter);
}

TEST(KetrelLocks, MutexExcludes)
{
    const int kThreads = 8, kRounds = 5000;
    long counter = 0;
    CKetrelMutex mutex;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i)
            {
                mutex.Lock();
                long v = counter;
                counter = v + 1;
                mutex.Unlock();
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ((long)kThreads * kRounds, counter);
}

// The process-wide clock base is taken by whichever thread reads first; every thread
// must end up with the same base (readings a second apart would show a split).
TEST(KetrelTimerConcurrency, FirstReadingsFromManyThreadsShareOneBase)
{
    const int kThreads = 8;
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    i64 readings[kThreads];
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            CKetrelTimer timer;
            timer.Init();
            ready++;
            while (!go.load())
                std::this_thread::yield();
            readings[t] = timer.GetNowNs();
        });
    ASSERT_TRUE(WaitUntil([&] { return ready.load() == kThreads; }));
    go.store(true);
    for (std::thread& t : threads)
        t.join();
    CKetrelTimer after;
    after.Init();
    i64 now = after.GetNowNs();
    for (int t = 0; t < kThreads; ++t)
    {
        EXPECT_GE(readings[t], 0) << t;
        EXPECT_LE(readings[t], now) << t;
        EXPECT_LT(now - readings[t], 500000000LL) << t;
    }
}
