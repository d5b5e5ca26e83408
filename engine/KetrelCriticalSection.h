#pragma once
// engine/KetrelCriticalSection.h

// The one process-wide lock: every instance enters the same mutex, so all critical
// sections of the program exclude each other. It is not re-entrant: entering it again
// on the thread that holds it is reported and aborts.
class CKetrelCriticalSection
{
public:
    CKetrelCriticalSection() {}
    virtual ~CKetrelCriticalSection() {}

    static CKetrelCriticalSection* Create();   // the caller owns it (delete)

    void Enter();
    void Leave();                               // only by the thread that entered
};
