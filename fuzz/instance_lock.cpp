// The lock file lives in a world-writable folder, so any local user can put any
// bytes in it: its parser must never read past the text or accept a value that
// is not a process id.
#include "main/KetrelInstanceLock.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // 255 bytes at most are read from the file.
    if (size > 255)
        size = 255;
    i32 pid = -7;
    int ok = KetrelParseLockPid((const char*)data, size, &pid);
    if (ok && (pid < 1 || pid > INT_MAX))
        abort();
    if (!ok && pid != -7)
        abort();                         // a failed parse leaves the output alone
    return 0;
}
