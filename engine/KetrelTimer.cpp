// engine/KetrelTimer.cpp
#include "engine/KetrelTimer.h"

#include <atomic>
#include <new>
#include <time.h>

namespace
{
// Base seconds of each clock kind; 0 = not taken yet. A monotonic reading of exactly
// 0 s is taken as 1 so that the sentinel stays free (the clock runs from boot).
std::atomic<i64> g_baseSeconds[2];

i64 ReadNowNs(i32 kind)
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::atomic<i64>& base = g_baseSeconds[kind == 1 ? 1 : 0];
    i64 seconds = base.load(std::memory_order_acquire);
    if (seconds == 0)
    {
        // The first reader in the process wins; every thread then uses its base.
        i64 mine = ts.tv_sec != 0 ? (i64)ts.tv_sec : 1;
        i64 expected = 0;
        if (base.compare_exchange_strong(expected, mine, std::memory_order_acq_rel))
            seconds = mine;
        else
            seconds = expected;
    }
    return ((i64)ts.tv_sec - seconds) * 1000000000LL + (i64)ts.tv_nsec;
}
}

CKetrelTimer::CKetrelTimer()
    : m_nsToSeconds(0), m_nsToMs(0), m_nsToUs(0), m_deltaSeconds(0), m_deltaMs(0),
      m_deltaUs(0), m_clockKind(0), m_markNs(0), m_reserved(0)
{
}

CKetrelTimer::~CKetrelTimer()
{
}

CKetrelTimer* CKetrelTimer::Create()
{
    return new (std::nothrow) CKetrelTimer();
}

void CKetrelTimer::Init(i32)
{
    m_nsToSeconds = 1e-9;
    m_nsToMs = 1e-6;
    m_nsToUs = 1e-3;
    m_clockKind = 0;
    m_reserved = 10000000;
}

i64 CKetrelTimer::GetNowNs() const
{
    return ReadNowNs(m_clockKind);
}

u64 CKetrelTimer::GetNowMs() const
{
    return (u64)((f64)GetNowNs() * 1e-6);
}

u64 CKetrelTimer::GetNowUs() const
{
    return (u64)((f64)GetNowNs() * 1e-3);
}

void CKetrelTimer::Mark()
{
    m_markNs = GetNowNs();
}

void CKetrelTimer::Update()
{
    i64 d = GetNowNs() - m_markNs;
    if (d == 0)
    {
        m_deltaSeconds = 1e-6f;
        m_deltaMs = 0.0f;
        m_deltaUs = 1.0f;
        return;
    }
    m_deltaSeconds = (f32)((f64)d * m_nsToSeconds);
    m_deltaMs = (f32)((f64)d * m_nsToMs);
    m_deltaUs = (f32)((f64)d * m_nsToUs);
}
