#include "engine/KetrelFramePacer.h"

#include <atomic>

namespace
{
std::atomic<int> g_screenActivity{0};
std::atomic<int> g_screenStep{0};
}

CKetrelFramePacer::CKetrelFramePacer()
    : m_idleAfter(0), m_lastActivity(0), m_lastFrame(0), m_framed(0), m_drawRequested(0)
{
}

void CKetrelFramePacer::Start(u32 idleAfterMs, u32 nowMs)
{
    m_idleAfter = idleAfterMs;
    m_lastActivity = nowMs;
    m_framed = 0;
    m_drawRequested = 0;
}

void CKetrelFramePacer::NoteActivity(u32 nowMs) { m_lastActivity = nowMs; }

CKetrelFramePacer::Step CKetrelFramePacer::Next(u32 nowMs) const
{
    Step step = {1, 1, 0};
    const bool drawing = IsDrawing(nowMs);
    const u32 period = drawing ? (u32)MIN_FRAME_MS : (u32)IDLE_UPDATE_MS;
    step.draw = drawing ? 1 : 0;
    const u32 since = nowMs - m_lastFrame;
    if (m_framed && since < period)
    {
        step.runFrame = 0;
        step.draw = 0;
        step.waitMs = period - since;
    }
    return step;
}

void CKetrelFramePacer::FrameRan(u32 startMs, i32 drew)
{
    m_lastFrame = startMs;
    m_framed = 1;
    if (drew)
        m_drawRequested = 0;
}

void CKetrelFramePacer::NoteScreenActivity() { g_screenActivity.store(1, std::memory_order_release); }

bool CKetrelFramePacer::TakeScreenActivity()
{
    return g_screenActivity.exchange(0, std::memory_order_acq_rel) != 0;
}

void CKetrelFramePacer::NoteScreenStep() { g_screenStep.store(1, std::memory_order_release); }

bool CKetrelFramePacer::TakeScreenStep()
{
    return g_screenStep.exchange(0, std::memory_order_acq_rel) != 0;
}
