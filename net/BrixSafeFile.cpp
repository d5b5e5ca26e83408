// net/BrixSafeFile.cpp
#include "net/BrixSafeFile.h"

#include "engine/KetrelResult.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <new>

namespace
{
const int kMaxNameLength = 64;
// A file name made of safe names (such as "brixtheme_<name>.vad") may be longer; with the
// temporary's '.' and ".part" it still fits the system's 255.
const int kMaxFileNameLength = 249;

bool IsSafeName(const CKetrelString& name, int maxLength)
{
    const int length = name.GetLength();
    if (length < 1 || length > maxLength || name.GetAt(0) == '.')
        return false;
    for (int i = 0; i < length; ++i)
    {
        const u16 c = name.GetAt(i);
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                        c == '_' || c == '.' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

// Creates the temporary anew, never through a link or file planted under its name: one
// found there is removed (a link itself, not what it names) and the creation tried once
// more. -1 when it cannot be had.
int CreateTemporary(const char* path)
{
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = open(path, flags, 0644);
    if (fd < 0 && errno == EEXIST && unlink(path) == 0)
        fd = open(path, flags, 0644);
    return fd;
}

// The folder and name as one narrow path; the name is known to be ASCII.
char* NarrowPath(const CKetrelString& folder, const CKetrelString& name, const char* suffix)
{
    int suffixLength = 0;
    while (suffix[suffixLength])
        ++suffixLength;
    const int length = folder.GetLength() * 4 + name.GetLength() + suffixLength + 2;
    char* path = new (std::nothrow) char[length];
    if (!path)
        return nullptr;
    int at = folder.ToUTF8(path);      // counts its 0
    at = at > 0 ? at - 1 : 0;
    name.ToNarrow(path + at);
    at += name.GetLength();
    for (int i = 0; i <= suffixLength; ++i)
        path[at + i] = suffix[i];
    return path;
}

bool WriteAll(int fd, const u8* data, i32 size)
{
    while (size > 0)
    {
        const ssize_t n = write(fd, data, (size_t)size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= (i32)n;
    }
    return true;
}
}

bool BrixIsSafeFileName(const CKetrelString& name) { return IsSafeName(name, kMaxNameLength); }

int BrixWriteFileSafely(const CKetrelString& folder, const CKetrelString& name, const u8* data, i32 size)
{
    if (!IsSafeName(name, kMaxFileNameLength) || folder.IsEmpty() || size < 0 || (size > 0 && !data))
        return KE_ERR_ARGUMENT;
    // The temporary name starts with '.', which no safe name does, so it never meets a
    // real file of the folder.
    CKetrelString hidden(".");
    hidden.Append(name);
    char* target = NarrowPath(folder, name, "");
    char* temporary = NarrowPath(folder, hidden, ".part");
    int rc = KE_ERR_MEMORY;
    if (target && temporary)
    {
        rc = KE_ERR_OPEN;
        const int fd = CreateTemporary(temporary);
        if (fd >= 0)
        {
            const bool written = WriteAll(fd, data, size) && fsync(fd) == 0;
            const bool closed = close(fd) == 0;
            if (written && closed && rename(temporary, target) == 0)
                rc = KE_OK;
            else
                unlink(temporary);
        }
    }
    delete[] target;
    delete[] temporary;
    return rc;
}
