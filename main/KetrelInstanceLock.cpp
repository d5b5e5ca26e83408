#include "main/KetrelInstanceLock.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

static const char* const kLockPath = "/tmp/brix_app.lock";

int KetrelParseLockPid(const char* text, size_t len, i32* pid)
{
    if (!text || !pid)
        return 0;
    size_t i = 0;
    while (i < len && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        i++;
    int negative = 0;
    if (i < len && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Accumulated in 64 bits and stopped at the first value above 31 bits, so a
    // long run of digits neither overflows nor wraps into a plausible id.
    i64 value = 0;
    size_t digits = 0;
    while (i < len && text[i] >= '0' && text[i] <= '9')
    {
        value = value * 10 + (text[i++] - '0');
        digits++;
        if (value > INT_MAX)
            return 0;
    }
    if (digits == 0 || negative || value == 0)
        return 0;
    *pid = (i32)value;
    return 1;
}

// Reads the id stored in an open lock file; 0 when it names none.
static i32 ReadStoredPid(int fd)
{
    char text[256];
    ssize_t n = pread(fd, text, sizeof(text) - 1, 0);
    i32 pid = 0;
    if (n > 0)
        KetrelParseLockPid(text, (size_t)n, &pid);
    return pid;
}

// Where flock is not supported the stored id is the only evidence: it counts
// only when it names another live process running this same executable.
static int StoredPidRunsUs(i32 pid)
{
    if (pid <= 0 || pid == (i32)getpid())
        return 0;
    char path[64];
    snprintf(path, sizeof(path), "/proc/%d/exe", (int)pid);
    char theirs[1024];
    char ours[1024];
    ssize_t a = readlink(path, theirs, sizeof(theirs) - 1);
    ssize_t b = readlink("/proc/self/exe", ours, sizeof(ours) - 1);
    if (a < 1 || b < 1 || a != b)
        return 0;
    return memcmp(theirs, ours, (size_t)a) == 0;
}

static void WriteOwnPid(int fd)
{
    char text[32];
    int n = snprintf(text, sizeof(text), "%d", (int)getpid());
    if (ftruncate(fd, 0) == 0 && n > 0)
    {
        ssize_t written = pwrite(fd, text, (size_t)n, 0);
        (void)written;                   // a read-only file keeps its old text
    }
}

CKetrelInstanceLock::CKetrelInstanceLock() : m_fd(-1) {}

CKetrelInstanceLock::~CKetrelInstanceLock()
{
    Release();
}

void CKetrelInstanceLock::Release()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}

int CKetrelInstanceLock::TakeFile(const char* path)
{
    // O_NONBLOCK keeps a planted FIFO from stalling the open; anything but a
    // regular file is then refused. A planted link is removed and the name
    // made afresh, never followed.
    const int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    int fd = open(path, flags, 0644);
    if (fd < 0 && errno == ELOOP && unlink(path) == 0)
        fd = open(path, flags | O_EXCL, 0644);
    if (fd < 0 && errno == EACCES)       // another user's file: it can still be locked
        fd = open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        close(fd);
        return -1;
    }
    return fd;
}

int CKetrelInstanceLock::Acquire(const char* path, i32* otherPid)
{
    if (otherPid)
        *otherPid = 0;
    if (m_fd >= 0)
        return 0;
    if (!path)
        return 0;
    int fd = TakeFile(path);
    if (fd < 0)
        return 0;

    if (flock(fd, LOCK_EX | LOCK_NB) == 0)
    {
        WriteOwnPid(fd);                 // a stale id is replaced by ours
        m_fd = fd;
        return 0;
    }
    if (errno == EWOULDBLOCK)
    {
        if (otherPid)
            *otherPid = ReadStoredPid(fd);
        close(fd);
        return 1;
    }
    // No advisory locks on this file system.
    i32 stored = ReadStoredPid(fd);
    if (StoredPidRunsUs(stored))
    {
        if (otherPid)
            *otherPid = stored;
        close(fd);
        return 1;
    }
    WriteOwnPid(fd);
    m_fd = fd;
    return 0;
}

int AcquireInstanceLock(i32* otherPid)
{
    // Held until the process ends; closing the file at exit drops the lock.
    static CKetrelInstanceLock lock;
    return lock.Acquire(kLockPath, otherPid);
}
