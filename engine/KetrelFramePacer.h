#pragma once
// engine/KetrelFramePacer.h: when the run loop draws while the program sits idle.
//
// Drawing a frame with a software renderer costs far more than updating one, so once
// nothing has happened for the idle time the loop keeps updating (network, timers,
// fixed game steps) a few times a second but stops drawing: the last frame stays on
// screen. Anything that may change the picture counts as activity and brings back
// drawing at the full rate for the next idle time: input and other window events,
// network deliveries, due timers, and the screen activity any layer notes while it
// animates or changes what is shown. A screen step (a blink) draws one frame only.
//
// Times are milliseconds of one monotonic clock; differences are taken unsigned, so a
// wrapped clock still works. Main thread only, except NoteScreenActivity.
#include "engine/KetrelTypes.h"

class CKetrelFramePacer
{
public:
    enum
    {
        IDLE_UPDATE_MS = 100,    // frames of an idle program: fixed steps never pile up
        // Drawn frames start at least this far apart: a display's refresh. Where the
        // swap waits for the refresh this never holds a frame back; where it does not
        // (a software renderer on a virtual screen) frames beyond it would go unseen.
        MIN_FRAME_MS = 16
    };

    struct Step
    {
        i32 runFrame;            // 1: run a frame now
        i32 draw;                // 1: that frame draws and presents
        u32 waitMs;              // without a frame: the longest wait for input first
    };

    CKetrelFramePacer();
    // Drawing goes on until idleAfterMs have passed since now without activity.
    void Start(u32 idleAfterMs, u32 nowMs);
    // Restarts the idle countdown.
    void NoteActivity(u32 nowMs);
    // The next frame draws even when idle (the window was exposed or resized).
    void RequestDraw() { m_drawRequested = 1; }
    bool IsIdle(u32 nowMs) const { return nowMs - m_lastActivity >= m_idleAfter; }
    // Whether a frame run at now draws.
    bool IsDrawing(u32 nowMs) const { return !IsIdle(nowMs) || m_drawRequested; }
    // What the loop does at now.
    Step Next(u32 nowMs) const;
    // A frame began at startMs; a drawn one satisfies a pending draw request.
    void FrameRan(u32 startMs, i32 drew);

    // Any thread, any layer: something on screen moves or has changed. The run loop
    // takes the note once per frame and counts it as activity.
    static void NoteScreenActivity();
    // True when a note is pending; clears it.
    static bool TakeScreenActivity();
    // Any thread, any layer: something on screen changed in one step that repeats
    // (a cursor's blink). The frame that takes the note draws it, but the idle
    // countdown goes on, so a steady blink never keeps the loop drawing every frame.
    static void NoteScreenStep();
    // True when a step is pending; clears it.
    static bool TakeScreenStep();

private:
    u32 m_idleAfter;
    u32 m_lastActivity;
    u32 m_lastFrame;
    i32 m_framed;                // a frame ran since Start
    i32 m_drawRequested;
};
