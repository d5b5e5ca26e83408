// engine/KetrelThread.cpp
#include "engine/KetrelThread.h"

#include <errno.h>
#include <sched.h>
#include <time.h>

namespace
{
// The thread object whose body runs on this thread, or null once that body stopped
// itself: the entry then leaves the object alone after Run returns.
thread_local IKetrelThread* t_currentThread = nullptr;
}

IKetrelThread::IKetrelThread()
    : m_running(0), m_thread(), m_waiting(0), m_alive(0),
      m_priority(KE_PRIORITY_UNCHANGED), m_hasThread(0), m_pending(0)
{
    pthread_mutex_init(&m_mutex, NULL);
    pthread_cond_init(&m_cond, NULL);
}

IKetrelThread::~IKetrelThread()
{
    Stop();
    pthread_cond_destroy(&m_cond);
    pthread_mutex_destroy(&m_mutex);
}

void* IKetrelThread::ThreadEntry(void* arg)
{
    IKetrelThread* self = static_cast<IKetrelThread*>(arg);
    t_currentThread = self;
    self->Run();
    if (t_currentThread == self)
    {
        self->m_running.store(0, std::memory_order_release);
        self->m_alive.store(0, std::memory_order_release);
    }
    t_currentThread = nullptr;
    return NULL;
}

i32 IKetrelThread::Start(i32 priority)
{
    if (m_hasThread.load(std::memory_order_acquire))
        Stop();

    pthread_mutex_lock(&m_mutex);
    m_pending = 0;                    // a Signal from an earlier run must not leak in
    pthread_mutex_unlock(&m_mutex);

    m_alive.store(-1, std::memory_order_release);
    m_running.store(1, std::memory_order_release);
    m_waiting.store(0, std::memory_order_release);
    m_hasThread.store(1, std::memory_order_release);
    if (pthread_create(&m_thread, NULL, ThreadEntry, this) != 0)
    {
        m_hasThread.store(0, std::memory_order_release);
        m_alive.store(0, std::memory_order_release);
        m_running.store(0, std::memory_order_release);
        return 0;
    }
    if (priority != KE_PRIORITY_UNCHANGED)
        SetPriority(priority);
    return 1;
}

void IKetrelThread::Stop()
{
    if (!m_hasThread.load(std::memory_order_acquire))
    {
        m_running.store(0, std::memory_order_release);
        m_alive.store(0, std::memory_order_release);
        m_waiting.store(0, std::memory_order_release);
        return;
    }

    m_running.store(0, std::memory_order_release);

    if (t_currentThread == this)
    {
        // Joining ourselves would fail (or hang); the thread ends by itself after Run
        // returns, and the entry no longer touches this object, which the owner may
        // now delete.
        t_currentThread = nullptr;
        pthread_detach(pthread_self());
        m_hasThread.store(0, std::memory_order_release);
        m_alive.store(0, std::memory_order_release);
        m_waiting.store(0, std::memory_order_release);
        return;
    }

    // Wake it whether or not it is blocked yet: the pending flag keeps the wake-up
    // for a worker that is just about to Wait.
    Signal();
    if (pthread_join(m_thread, NULL) != 0)
    {
        for (int i = 0; i < 200 && m_alive.load(std::memory_order_acquire) != 0; ++i)
            Sleep(10);
    }
    m_hasThread.store(0, std::memory_order_release);
    m_alive.store(0, std::memory_order_release);
    m_running.store(0, std::memory_order_release);
    m_waiting.store(0, std::memory_order_release);
}

void IKetrelThread::Wait()
{
    if (!m_hasThread.load(std::memory_order_acquire))
        return;
    pthread_mutex_lock(&m_mutex);
    m_waiting.store(1, std::memory_order_release);
    while (!m_pending)
        pthread_cond_wait(&m_cond, &m_mutex);
    m_pending = 0;
    m_waiting.store(0, std::memory_order_release);
    pthread_mutex_unlock(&m_mutex);
}

void IKetrelThread::Signal()
{
    if (!m_hasThread.load(std::memory_order_acquire))
        return;
    pthread_mutex_lock(&m_mutex);
    m_pending = 1;
    m_waiting.store(0, std::memory_order_release);
    pthread_cond_signal(&m_cond);
    pthread_mutex_unlock(&m_mutex);
}

i32 IKetrelThread::WaitForExit()
{
    while (m_running.load(std::memory_order_acquire) != 0)
        Sleep(1000);
    return 0;
}

void IKetrelThread::SetPriority(i32 priority)
{
    m_priority = priority;
    if (m_hasThread.load(std::memory_order_acquire))
    {
        sched_param param;
        param.sched_priority = priority;
        // Linux allows only priority 0 with SCHED_OTHER; a refusal changes nothing.
        (void)pthread_setschedparam(m_thread, SCHED_OTHER, &param);
    }
}

void IKetrelThread::Sleep(u32 milliseconds)
{
    timespec ts;
    ts.tv_sec = (time_t)(milliseconds / 1000);
    ts.tv_nsec = (long)(milliseconds % 1000) * 1000000L;
    // A signal handler interrupting the sleep must not cut it short.
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR)
    {
    }
}

pthread_t IKetrelThread::GetCurrentThreadId()
{
    return pthread_self();
}
