#pragma once
// Single-instance lock of the program: the file "/tmp/brix_app.lock" holds the
// process id of the running copy, written with "%d". The file is opened without
// following links and held with an advisory lock (flock) for the life of the
// process, so the lock, not the stored id, decides whether another copy runs:
// a stale or recycled id never blocks a start. The file is never removed.
#include "engine/KetrelTypes.h"
#include <cstddef>

// Reads the text of a lock file as "%d" would: leading white space, an optional
// sign, then decimal digits up to the first other character. At most len bytes
// are looked at; the text need not be terminated. Returns 1 and stores the id in
// *pid when it names a usable process id (1 to 2^31 - 1), else 0 with *pid
// untouched (no digits, zero, a negative value, or more than 31 bits).
int KetrelParseLockPid(const char* text, size_t len, i32* pid);

class CKetrelInstanceLock
{
public:
    CKetrelInstanceLock();
    ~CKetrelInstanceLock();              // closes the file, which drops the lock

    // Returns 1 when another copy holds the lock; its id, when the file names
    // one, goes to *otherPid (else 0). Returns 0 otherwise: the lock is ours and
    // the file holds our id, or the file could not be used at all (the program
    // then starts anyway). A second call on a held lock returns 0 at once.
    int Acquire(const char* path, i32* otherPid);

    void Release();                      // for tests; the program keeps its lock

private:
    int TakeFile(const char* path);      // opens the file; -1 when unusable
    int m_fd;                            // -1 while no lock is held
};

// The program's lock on "/tmp/brix_app.lock", held until the process ends.
// 1 when another copy runs (its id in *otherPid, 0 when unknown), else 0.
int AcquireInstanceLock(i32* otherPid);
