#pragma once
// engine/KetrelTimer.h
#include "engine/KetrelTypes.h"

// Stopwatch on the monotonic clock. "Now" counts from a process-wide base taken at the
// first reading, so it starts near 0. The base is set once, safely from any thread;
// a timer object itself belongs to one thread.
class CKetrelTimer
{
public:
    CKetrelTimer();                   // every field 0; call Init before use
    virtual ~CKetrelTimer();

    // A zeroed timer without Init. The caller owns it (delete).
    static CKetrelTimer* Create();

    // Sets the conversion factors and clock kind 0. The argument is not used.
    void Init(i32 unused = 0);

    i64 GetNowNs() const;             // nanoseconds since the process base
    u64 GetNowMs() const;             // truncated; callers may keep the low 32 bits
    u64 GetNowUs() const;

    void Mark();                      // mark := now
    // Deltas from the mark to now (the mark stays). A zero difference gives 1e-6 s,
    // 0 ms and 1 us, so a frame never has a zero step in seconds.
    void Update();
    f32 GetDeltaSeconds() const { return m_deltaSeconds; }
    i32 GetDeltaMs() const { return (i32)m_deltaMs; }   // truncated toward zero

    void Stop() {}                    // nothing to release

private:
    f64 m_nsToSeconds;
    f64 m_nsToMs;
    f64 m_nsToUs;
    f32 m_deltaSeconds;
    f32 m_deltaMs;
    f32 m_deltaUs;
    i32 m_clockKind;                  // 1, or anything else; each kind has its own base
    i64 m_markNs;
    i64 m_reserved;                   // set by Init, not read
};
