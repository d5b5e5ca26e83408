// framework/BrixSafeFile.cpp
#include "framework/BrixSafeFile.h"

#include "engine/KetrelResult.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <stdio.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Bytes per write call: a large store is written in several steps, each checked.
const u32 kWriteChunk = 4096;

BrixSafeFileStepHook g_stepHook = nullptr;

// Paths are 8-bit text, one byte per unit, as the engine's file layer narrows them.
bool Narrow(const CKetrelString& path, std::string& out)
{
    out.clear();
    for (i32 i = 0; i < path.GetLength(); ++i)
    {
        u16 ch = path.GetAt(i);
        if (ch == 0 || ch > 0xFF)
            return false;
        out.push_back((char)ch);
    }
    return !out.empty();
}

void SyncFolderOf(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
    {
        fsync(fd);
        close(fd);
    }
}

struct Steps
{
    int next = 0;
    void operator()() { if (g_stepHook) g_stepHook(next++); }
};
}

void BrixSetSafeFileStepHook(BrixSafeFileStepHook hook)
{
    g_stepHook = hook;
}

int BrixWriteFileSafely(const CKetrelString& path, const u8* data, u32 size)
{
    std::string target;
    if (!Narrow(path, target) || (size > 0 && !data))
        return KE_ERR_OPEN;
    const std::string temp = target + ".tmp";
    Steps step;

    step();
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return KE_ERR_OPEN;
    // A temporary file left behind by an earlier run keeps its own mode through O_CREAT:
    // the new content is readable by its owner only in every case.
    bool ok = fchmod(fd, 0600) == 0;
    u32 done = 0;
    while (ok && done < size)
    {
        u32 chunk = size - done < kWriteChunk ? size - done : kWriteChunk;
        step();
        ssize_t n = write(fd, data + done, chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += (u32)n;
    }
    if (ok)
    {
        step();
        ok = fsync(fd) == 0;
    }
    step();
    if (close(fd) != 0)
        ok = false;
    if (ok)
    {
        step();
        ok = rename(temp.c_str(), target.c_str()) == 0;
    }
    if (!ok)
    {
        unlink(temp.c_str());
        return KE_ERR_DEVICE;
    }
    SyncFolderOf(target);
    return KE_OK;
}

int BrixSetFileAside(const CKetrelString& path, const char* suffix)
{
    std::string from;
    if (!Narrow(path, from) || !suffix || !*suffix)
        return KE_ERR_OPEN;
    const std::string to = from + suffix;
    if (rename(from.c_str(), to.c_str()) != 0)
        return KE_ERR_DEVICE;
    SyncFolderOf(to);
    return KE_OK;
}

int BrixReadWholeFile(const CKetrelString& path, u32 maxBytes, u8** out, u32* size)
{
    *out = nullptr;
    *size = 0;
    std::string name;
    if (!Narrow(path, name))
        return KE_ERR_OPEN;
    int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return KE_ERR_OPEN;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        close(fd);
        return KE_ERR_OPEN;
    }
    if ((u64)st.st_size > maxBytes)
    {
        close(fd);
        return KE_ERR_FORMAT;
    }
    const u32 length = (u32)st.st_size;
    u8* buffer = new (std::nothrow) u8[length + 1];
    if (!buffer)
    {
        close(fd);
        return KE_ERR_MEMORY;
    }
    u32 done = 0;
    while (done < length)
    {
        ssize_t n = read(fd, buffer + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;   // the file shrank under us: keep what was there
        done += (u32)n;
    }
    close(fd);
    *out = buffer;
    *size = done;
    return KE_OK;
}
