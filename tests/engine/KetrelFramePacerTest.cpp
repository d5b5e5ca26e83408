// The idle pacing of the run loop against a clock the test sets: when frames run,
// which of them draw, and how long the loop may wait for input in between.
#include "engine/KetrelFramePacer.h"

#include <gtest/gtest.h>

namespace
{

// One pass of the loop: what happens before it, then what the pacer must decide.
struct PassCase
{
    const char* what;
    u32 nowMs;
    bool activity;        // NoteActivity(now) before deciding
    bool drawRequest;     // RequestDraw before deciding
    i32 runFrame;
    i32 draw;
    u32 waitMs;
};

} // namespace

TEST(KetrelFramePacer, DecidesEachPassOfALoopThatGoesIdle)
{
    // Idle after 3000 ms. A frame that runs is reported back at the time it began.
    const PassCase cases[] = {
        {"start: draws", 0, false, false, 1, 1, 0},
        {"a drawn frame's period has not passed", 10, false, false, 0, 0, 6},
        {"the next drawn frame", 16, false, false, 1, 1, 0},
        {"still within the idle time", 2950, false, false, 1, 1, 0},
        {"idle: an update frame without drawing", 3050, false, false, 1, 0, 0},
        {"idle, next update not due: wait", 3090, false, false, 0, 0, 60},
        {"idle, just before the update", 3149, false, false, 0, 0, 1},
        {"idle update due", 3150, false, false, 1, 0, 0},
        {"exposed while idle: one drawn frame", 3200, false, true, 1, 1, 0},
        {"after the drawn frame: wait again", 3210, false, false, 0, 0, 90},
        {"input: draws once the frame period is over", 3210, true, false, 0, 0, 6},
        {"input: draws", 3220, false, false, 1, 1, 0},
        {"input keeps drawing for the idle time", 6209, false, false, 1, 1, 0},
        {"idle again, right after a frame: wait", 6220, false, false, 0, 0, 89},
        {"a long stall: the update is overdue", 60000, false, false, 1, 0, 0},
    };
    CKetrelFramePacer pacer;
    pacer.Start(3000, 0);
    for (const PassCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        if (c.activity)
            pacer.NoteActivity(c.nowMs);
        if (c.drawRequest)
            pacer.RequestDraw();
        const CKetrelFramePacer::Step step = pacer.Next(c.nowMs);
        EXPECT_EQ(c.runFrame, step.runFrame);
        EXPECT_EQ(c.draw, step.draw);
        EXPECT_EQ(c.waitMs, step.waitMs);
        if (step.runFrame)
            pacer.FrameRan(c.nowMs, step.draw);
    }
}

TEST(KetrelFramePacer, ClockWrapAndScreenNotes)
{
    // The clock's low 32 bits wrap: differences still count.
    CKetrelFramePacer pacer;
    const u32 start = 0xFFFFF000u;
    pacer.Start(3000, start);
    EXPECT_FALSE(pacer.IsIdle(start + 2999u));
    EXPECT_TRUE(pacer.IsIdle(start + 3000u));
    pacer.FrameRan(start + 3000u, 0);
    EXPECT_EQ(50u, pacer.Next(start + 3050u).waitMs);

    // A note is taken once.
    CKetrelFramePacer::TakeScreenActivity();
    EXPECT_FALSE(CKetrelFramePacer::TakeScreenActivity());
    CKetrelFramePacer::NoteScreenActivity();
    CKetrelFramePacer::NoteScreenActivity();
    EXPECT_TRUE(CKetrelFramePacer::TakeScreenActivity());
    EXPECT_FALSE(CKetrelFramePacer::TakeScreenActivity());
    // A step is a note of its own, taken once.
    CKetrelFramePacer::TakeScreenStep();
    CKetrelFramePacer::NoteScreenStep();
    EXPECT_FALSE(CKetrelFramePacer::TakeScreenActivity());
    EXPECT_TRUE(CKetrelFramePacer::TakeScreenStep());
    EXPECT_FALSE(CKetrelFramePacer::TakeScreenStep());

    // A frame that did not draw leaves an exposure's request pending.
    pacer.RequestDraw();
    pacer.FrameRan(start + 3100u, 0);
    EXPECT_TRUE(pacer.IsDrawing(start + 3110u));
    EXPECT_EQ(1, pacer.Next(start + 3116u).draw);
    pacer.FrameRan(start + 3116u, 1);
    EXPECT_FALSE(pacer.IsDrawing(start + 3120u));
}
