#pragma once
// engine/KetrelThread.h
#include "engine/KetrelTypes.h"

#include <atomic>
#include <pthread.h>

// Base of the engine's worker threads. A subclass puts its body in Run, which polls
// IsRunning and returns soon after it drops to 0; when it has nothing to do it calls
// Wait, and the owner wakes it with Signal.
//
// Start, Stop and SetPriority belong to the owner's thread (Stop may also be called by
// the worker itself). A subclass whose Run uses its own members must call Stop in its
// own destructor: the base destructor runs after those members are gone.
class IKetrelThread
{
public:
    enum { KE_PRIORITY_UNCHANGED = 251 };

    IKetrelThread();
    virtual ~IKetrelThread();        // Stop()

    // Stops a thread that exists, then starts Run on a new one. A priority other than
    // 251 is applied with SCHED_OTHER (the system may refuse it; that is ignored).
    // 1 on success, 0 when no thread could be made.
    i32 Start(i32 priority = KE_PRIORITY_UNCHANGED);

    // Clears the running flag, wakes the worker and waits for it to end. From inside
    // the worker itself it only clears the flags and lets the thread end on its own
    // once Run returns; the object is not touched after that.
    void Stop();

    // For the worker only: blocks until Signal. A Signal given while the worker was
    // not yet blocked is kept, so it is never lost; a wake-up may still come without
    // new work, and the worker re-checks its own state after Wait returns.
    void Wait();
    // Wakes the worker (or makes its next Wait return at once). No effect without a thread.
    void Signal();

    i32 WaitForExit();                // polls every second until the running flag drops; 0
    void SetPriority(i32 priority);

    i32 IsRunning() const { return m_running.load(std::memory_order_acquire); }
    i32 IsWaiting() const { return m_waiting.load(std::memory_order_acquire); }
    i32 IsAlive() const { return m_alive.load(std::memory_order_acquire); }
    i32 GetPriority() const { return m_priority; }

    static void Sleep(u32 milliseconds);
    static pthread_t GetCurrentThreadId();

protected:
    virtual void Run() = 0;           // the thread body

private:
    IKetrelThread(const IKetrelThread&) = delete;
    IKetrelThread& operator=(const IKetrelThread&) = delete;

    static void* ThreadEntry(void* arg);

    std::atomic<i32> m_running;       // 1 while the body should keep going
    pthread_mutex_t m_mutex;          // guards m_pending and the condition
    pthread_cond_t m_cond;
    pthread_t m_thread;               // valid while m_hasThread
    std::atomic<i32> m_waiting;       // 1 while the worker is in Wait
    std::atomic<i32> m_alive;         // -1 from Start until the body has returned
    i32 m_priority;                   // 251 = leave the scheduling priority alone
    std::atomic<i32> m_hasThread;     // a thread was made and not yet joined or let go
    i32 m_pending;                    // a Signal not yet taken by Wait (under m_mutex)
};
