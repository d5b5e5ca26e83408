// Frame logic of the application shell against a clock the test moves: due
// timers, the clamped frame delta, runnables, pause and frame pacing.
//
// The monotonic clock and nanosleep of this program are replaced: the clock
// reads the real one plus an offset the test advances, and while sleeps are
// virtual a sleep is recorded and advances the offset instead of waiting.
#include "KetrelRecordingApplication.h"

#include "engine/KetrelResult.h"
#include "engine/KetrelRunnable.h"
#include "support/KetrelTestXServer.h"

#include <X11/Xlib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>
#include <vector>

static std::atomic<long long> g_offsetNs{0};
static std::atomic<bool> g_virtualSleep{false};
static std::atomic<bool> g_sleepAdvancesClock{true};
static std::vector<long long> g_sleepsMs;    // main thread only

extern "C" int clock_gettime(clockid_t id, struct timespec* ts)
{
    if (syscall(SYS_clock_gettime, id, ts) != 0)
        return -1;
    long long offset = g_offsetNs.load();
    if (id == CLOCK_MONOTONIC && offset != 0)
    {
        long long ns = (long long)ts->tv_sec * 1000000000LL + ts->tv_nsec + offset;
        ts->tv_sec = (time_t)(ns / 1000000000LL);
        ts->tv_nsec = (long)(ns % 1000000000LL);
    }
    return 0;
}

extern "C" int nanosleep(const struct timespec* request, struct timespec* remaining)
{
    if (!g_virtualSleep.load())
        return (int)syscall(SYS_nanosleep, request, remaining);
    long long ns = (long long)request->tv_sec * 1000000000LL + request->tv_nsec;
    g_sleepsMs.push_back(ns / 1000000LL);
    if (g_sleepAdvancesClock.load())
        g_offsetNs += ns;
    return 0;
}

static void Advance(long long ms)
{
    g_offsetNs += ms * 1000000LL;
}

static std::vector<long long> TakeSleeps()
{
    std::vector<long long> out;
    out.swap(g_sleepsMs);
    return out;
}

static ::testing::Environment* const g_xserver =
    ::testing::AddGlobalTestEnvironment(new CKetrelTestXServerEnvironment());

class KetrelApplicationFrame : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CKetrelTestXServer* server = CKetrelTestXServerEnvironment::Get();
        if (!server || !server->IsRunning())
            GTEST_SKIP() << "no X server";
        ASSERT_EQ(KE_OK, app.CreateWindowed());
        app.Take();
        TakeSleeps();
        g_virtualSleep = true;
    }
    void TearDown() override
    {
        g_virtualSleep = false;
        g_sleepAdvancesClock = true;
    }
    CKetrelRecordingApplication app;
};

TEST_F(KetrelApplicationFrame, AtMostOneTimerFiresPerFrame)
{
    // Intervals far above the real time of a frame (a sanitized build draws
    // slowly), so that only the test's clock makes timers due.
    app.AddTimer(1, 10000);
    app.AddTimer(2, 10000);
    app.AddTimer(3, 100000);
    app.Tick();
    EXPECT_TRUE(app.Take().empty());
    Advance(15000);                               // 1 and 2 are both due
    app.Tick();
    EXPECT_EQ(std::vector<std::string>{"timer 1"}, app.Take());
    app.Tick();
    EXPECT_EQ(std::vector<std::string>{"timer 2"}, app.Take());
    app.Tick();
    EXPECT_TRUE(app.Take().empty());
    Advance(10000);
    app.RemoveTimer(1);
    app.Tick();
    EXPECT_EQ(std::vector<std::string>{"timer 2"}, app.Take());
}

TEST_F(KetrelApplicationFrame, FrameDeltaIsClampedToOneSecond)
{
    struct Case { const char* name; long long stallMs; f32 low, high; };
    const Case cases[] = {
        {"a quarter second", 250, 0.25f, 0.6f},
        {"exactly at the limit", 1000, 1.0f, 1.0f},
        {"a five-second stall", 5000, 1.0f, 1.0f},
        {"a minute", 60000, 1.0f, 1.0f},
    };
    for (const Case& c : cases)
    {
        app.Tick();
        Advance(c.stallMs);
        app.Tick();
        EXPECT_GE(app.GetFrameDelta(), c.low) << c.name;
        EXPECT_LE(app.GetFrameDelta(), c.high) << c.name;
    }
}

class CountingRunnable : public IKetrelRunnable
{
public:
    explicit CountingRunnable(std::vector<int>* order, int tag) : m_order(order), m_tag(tag) {}
    void Run(f32 seconds) override
    {
        lastDelta = seconds;
        m_order->push_back(m_tag);
    }
    f32 lastDelta = 0.0f;

private:
    std::vector<int>* m_order;
    int m_tag;
};

TEST_F(KetrelApplicationFrame, RunnablesRunEveryFrameEvenWhenPaused)
{
    std::vector<int> order;
    CountingRunnable first(&order, 1), second(&order, 2);
    app.AddRunnable(&first);
    app.AddRunnable(&second);
    EXPECT_TRUE(first.IsRegistered());
    Advance(5000);
    app.Tick();
    EXPECT_EQ((std::vector<int>{1, 2}), order);
    EXPECT_EQ(1.0f, first.lastDelta);
    EXPECT_EQ(1, app.frames);

    app.SetPaused(1);
    app.Tick();
    EXPECT_EQ((std::vector<int>{1, 2, 1, 2}), order);
    EXPECT_EQ(1, app.frames);                     // no OnFrame while paused
    app.SetPaused(0);

    app.RemoveRunnable(&first);
    EXPECT_FALSE(first.IsRegistered());
    app.Tick();
    EXPECT_EQ((std::vector<int>{1, 2, 1, 2, 2}), order);

    // Closing the window unregisters the rest without deleting them.
    app.Close();
    EXPECT_FALSE(second.IsRegistered());
    app.Tick();                                   // no window: nothing runs
    EXPECT_EQ(5u, order.size());
}

// A runnable that, on its first run, removes and adds runnables of the same set (by
// tag, 1 to 4).
class EditingRunnable : public IKetrelRunnable
{
public:
    void Run(f32) override
    {
        order->push_back(tag);
        if (edited++)
            return;
        for (int t : removes)
            app->RemoveRunnable((*set)[t - 1]);
        for (int t : adds)
            app->AddRunnable((*set)[t - 1]);
    }
    IKetrelApplication* app = nullptr;
    std::vector<EditingRunnable*>* set = nullptr;
    std::vector<int>* order = nullptr;
    int tag = 0, edited = 0;
    std::vector<int> removes, adds;
};

// Runnables that remove or add runnables while the frame walks the list: every other
// runnable keeps its turn, none runs twice, and one added runs from the next frame on.
TEST_F(KetrelApplicationFrame, RunnablesEditedDuringTheWalkEachRunOnce)
{
    struct Case
    {
        const char* name;
        int editor;                       // the tag that edits, registered 1..3 in order
        std::vector<int> removes, adds;
        std::vector<int> first, second;   // the runs of two frames
    };
    const Case cases[] = {
        {"removes itself", 2, {2}, {}, {1, 2, 3}, {1, 3}},
        {"removes itself and comes back", 2, {2}, {2}, {1, 2, 3}, {1, 3, 2}},
        {"removes an earlier one", 2, {1}, {}, {1, 2, 3}, {2, 3}},
        {"removes a later one", 2, {3}, {}, {1, 2}, {1, 2}},
        {"adds a new one", 2, {}, {4}, {1, 2, 3}, {1, 2, 3, 4}},
        {"the last removes itself", 3, {3}, {}, {1, 2, 3}, {1, 2}},
    };
    for (const Case& c : cases)
    {
        std::vector<int> order;
        std::vector<EditingRunnable> runnables(4);
        std::vector<EditingRunnable*> set;
        for (EditingRunnable& r : runnables)
            set.push_back(&r);
        for (int i = 0; i < 4; ++i)
        {
            runnables[i].app = &app;
            runnables[i].set = &set;
            runnables[i].order = &order;
            runnables[i].tag = i + 1;
        }
        runnables[c.editor - 1].removes = c.removes;
        runnables[c.editor - 1].adds = c.adds;
        for (int i = 0; i < 3; ++i)
            app.AddRunnable(set[i]);
        app.Tick();
        EXPECT_EQ(c.first, order) << c.name;
        order.clear();
        app.Tick();
        EXPECT_EQ(c.second, order) << c.name;
        for (EditingRunnable* r : set)
            app.RemoveRunnable(r);
    }
}

TEST_F(KetrelApplicationFrame, IdlePacingStopsDrawingAndActivityRestoresIt)
{
    app.SetFramePacing(2, 3000);
    auto frame = [this]() {
        app.drawn.clear();
        app.Tick();
        return app.drawn.size() == 1 ? app.drawn[0] : -1;
    };
    EXPECT_EQ(1, frame());
    Advance(2000);
    EXPECT_EQ(1, frame()) << "idle before the idle time";
    Advance(1000);
    EXPECT_EQ(0, frame());
    EXPECT_EQ(0, frame());
    EXPECT_TRUE(TakeSleeps().empty()) << "an idle frame never sleeps; the loop waits instead";

    // Any X event restarts the idle countdown.
    XEvent event;
    memset(&event, 0, sizeof(event));
    event.type = PropertyNotify;
    event.xproperty.window = app.GetWindow();
    app.HandleXEvent(&event);
    EXPECT_EQ(1, frame());
    EXPECT_EQ(1, frame());

    // So does the explicit restart of an input handler, and a screen change noted
    // anywhere, even during the frame itself.
    Advance(3000);
    EXPECT_EQ(0, frame());
    app.ResetIdleTimer();
    EXPECT_EQ(1, frame());
    Advance(3000);
    CKetrelFramePacer::NoteScreenActivity();
    EXPECT_EQ(1, frame());
    Advance(3000);
    app.noteInFrame = true;
    EXPECT_EQ(1, frame());
    app.noteInFrame = false;
    // Activity after the frame's answer leaves that frame undrawn; the next one draws.
    Advance(3000);
    app.noteAfterCheck = true;
    EXPECT_EQ(0, frame());
    app.noteAfterCheck = false;
    EXPECT_EQ(1, frame());

    // A screen step (a blink) draws one frame, noted between frames or during one;
    // the idle countdown goes on, so the next frame is idle again.
    Advance(3000);
    EXPECT_EQ(0, frame());
    CKetrelFramePacer::NoteScreenStep();
    EXPECT_EQ(1, frame());
    EXPECT_EQ(0, frame());
    app.stepInFrame = true;
    EXPECT_EQ(1, frame());
    app.stepInFrame = false;
    EXPECT_EQ(0, frame());

    // The frame time keeps running across idle frames: nothing of it is dropped.
    Advance(3000);
    frame();
    Advance(80);
    frame();
    EXPECT_NEAR(0.08f, app.GetFrameDelta(), 0.03f);
}

TEST_F(KetrelApplicationFrame, FixedPacingSleepsTheRestOfTheBudget)
{
    // Sleeps leave the clock alone here, so each frame's time is only what
    // the test advances plus the frame's own real work.
    g_sleepAdvancesClock = false;
    app.SetFramePacing(1, 1000);
    app.Tick();
    TakeSleeps();
    Advance(10);
    app.Tick();
    std::vector<long long> sleeps = TakeSleeps();
    ASSERT_EQ(1u, sleeps.size());
    EXPECT_LE(sleeps[0], 990);
    EXPECT_GE(sleeps[0], 500);                    // real time of the frame itself counts
    Advance(2000);
    app.Tick();
    EXPECT_TRUE(TakeSleeps().empty()) << "a frame over budget does not sleep";

    app.SetFramePacing(0, 500);                   // no pacing
    Advance(1);
    app.Tick();
    EXPECT_TRUE(TakeSleeps().empty());
}
