// engine/KetrelCriticalSection.cpp
#include "engine/KetrelCriticalSection.h"
#include "engine/KetrelMutex.h"

#include <errno.h>
#include <new>
#include <pthread.h>

namespace
{
// Error-checking, so that a second Enter on the same thread is caught instead of
// hanging the program.
pthread_mutex_t g_processLock = PTHREAD_ERRORCHECK_MUTEX_INITIALIZER_NP;
}

CKetrelCriticalSection* CKetrelCriticalSection::Create()
{
    return new (std::nothrow) CKetrelCriticalSection();
}

void CKetrelCriticalSection::Enter()
{
    if (pthread_mutex_lock(&g_processLock) == EDEADLK)
        KetrelReportSelfLock("CKetrelCriticalSection", &g_processLock);
}

void CKetrelCriticalSection::Leave()
{
    pthread_mutex_unlock(&g_processLock);
}
