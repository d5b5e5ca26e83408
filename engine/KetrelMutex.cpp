// engine/KetrelMutex.cpp
#include "engine/KetrelMutex.h"

#include <errno.h>
#include <new>
#include <stdio.h>
#include <stdlib.h>

void KetrelReportSelfLock(const char* what, const void* lock)
{
    fprintf(stderr, "%s %p: locked again by the thread that holds it (deadlock)\n", what, lock);
    fflush(stderr);
    abort();
}

CKetrelMutex::CKetrelMutex()
{
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_ERRORCHECK);
    pthread_mutex_init(&m_mutex, &attr);
    pthread_mutexattr_destroy(&attr);
}

CKetrelMutex::~CKetrelMutex()
{
    pthread_mutex_destroy(&m_mutex);
}

CKetrelMutex* CKetrelMutex::Create()
{
    return new (std::nothrow) CKetrelMutex();
}

void CKetrelMutex::Lock()
{
    if (pthread_mutex_lock(&m_mutex) == EDEADLK)
        KetrelReportSelfLock("CKetrelMutex", this);
}

void CKetrelMutex::Unlock()
{
    pthread_mutex_unlock(&m_mutex);
}
