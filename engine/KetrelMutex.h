#pragma once
// engine/KetrelMutex.h
#include <pthread.h>

// An error-checking mutex. It is not re-entrant: a thread that locks a mutex it
// already holds is a programming error, reported on the standard error stream and
// ended with abort() (it could never make progress).
class CKetrelMutex
{
public:
    CKetrelMutex();
    virtual ~CKetrelMutex();

    static CKetrelMutex* Create();    // the caller owns it (delete)

    void Lock();
    void Unlock();                    // only by the thread that holds it

private:
    CKetrelMutex(const CKetrelMutex&) = delete;
    CKetrelMutex& operator=(const CKetrelMutex&) = delete;

    pthread_mutex_t m_mutex;
};

// Reports a lock taken twice by the same thread and aborts. Shared by the engine's locks.
[[noreturn]] void KetrelReportSelfLock(const char* what, const void* lock);
