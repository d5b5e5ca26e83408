#include "engine/KetrelFile.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <string>

#include <unistd.h>

namespace
{
// The 8-bit form of a path; false when a unit does not fit a byte or is 0,
// which would name another file or cut the path short.
bool NarrowPath(const CKetrelString& path, std::string& out)
{
    const u16* units = path.GetBuffer();
    i32 length = path.GetLength();
    out.clear();
    out.reserve(length);
    for (i32 i = 0; i < length; ++i)
    {
        if (units[i] == 0 || units[i] > 0xFF)
            return false;
        out.push_back((char)(u8)units[i]);
    }
    return true;
}

// How many bytes a transfer of count at position may move: none outside
// 0..size, and never so many that the position leaves the i32 range.
u32 TransferLimit(i32 position, i32 size, u32 count)
{
    if (position < 0 || position > size)
        return 0;
    u32 room = (u32)(INT_MAX - position);
    return count < room ? count : room;
}
}

CKetrelFile* CKetrelFile::Create()
{
    return new CKetrelFile();
}

CKetrelFile::CKetrelFile()
    : m_memory(nullptr), m_size(0), m_position(0), m_opened(0), m_flags(KE_FILE_READ),
      m_stream(nullptr), m_writable(0)
{
}

CKetrelFile::~CKetrelFile()
{
    Close();
}

int CKetrelFile::Open(const CKetrelString& path, i32 flags)
{
    Close();
    std::string narrow;
    if (!NarrowPath(path, narrow) || narrow.empty())
        return KE_ERR_OPEN;

    const char* mode = "rb";
    if (flags & KE_FILE_APPEND)
        mode = "ab";
    else if (flags & KE_FILE_WRITE)
        mode = "wb";
    FILE* stream = std::fopen(narrow.c_str(), mode);
    if (!stream)
        return KE_ERR_OPEN;

    long size = -1;
    if (std::fseek(stream, 0, SEEK_END) == 0)
        size = std::ftell(stream);
    if (size < 0 || size > INT_MAX || std::fseek(stream, 0, SEEK_SET) != 0)
    {
        // A file whose size cannot be had, or that an i32 cannot address.
        std::fclose(stream);
        return KE_ERR_OPEN;
    }

    m_stream = stream;
    m_size = (i32)size;
    m_position = (flags & KE_FILE_APPEND) ? m_size : 0;
    m_flags = flags;
    m_writable = (flags & (KE_FILE_WRITE | KE_FILE_APPEND)) ? 1 : 0;
    m_opened = 1;
    return KE_OK;
}

int CKetrelFile::OpenMemory(void* buffer, u32 size, i32 flags)
{
    Close();
    if (!buffer || size == 0 || size > (u32)INT_MAX)
        return KE_ERR_ARGUMENT;
    u8* memory = static_cast<u8*>(buffer);
    if (flags & KE_FILE_OWN_BUFFER)
    {
        memory = new (std::nothrow) u8[size];
        if (!memory)
            return KE_ERR_MEMORY;
        std::memcpy(memory, buffer, size);
    }
    m_memory = memory;
    m_size = (i32)size;
    m_position = 0;
    m_flags = flags;
    m_writable = (flags & (KE_FILE_WRITE | KE_FILE_APPEND)) ? 1 : 0;
    return KE_OK;
}

int CKetrelFile::OpenShared(const CKetrelFile& other)
{
    if (&other == this)
        return KE_OK;
    Close();
    m_memory = other.m_memory;
    m_stream = other.m_stream;
    m_size = other.m_size;
    m_position = other.m_position;
    m_writable = other.m_writable;
    m_flags = other.m_flags & ~KE_FILE_OWN_BUFFER;
    m_opened = 0;
    return KE_OK;
}

void CKetrelFile::Close()
{
    if (m_stream && m_opened)
        std::fclose(m_stream);
    if (m_flags & KE_FILE_OWN_BUFFER)
        delete[] m_memory;
    m_memory = nullptr;
    m_stream = nullptr;
    m_size = 0;
    m_position = 0;
    m_opened = 0;
    m_flags = 0;
    m_writable = 0;
}

u32 CKetrelFile::Read(void* buffer, u32 count)
{
    if (!buffer)
        return 0;
    count = TransferLimit(m_position, m_size, count);
    if (count == 0)
        return 0;
    u32 done = 0;
    if (m_memory)
    {
        u32 left = (u32)(m_size - m_position);
        done = count < left ? count : left;
        std::memcpy(buffer, m_memory + m_position, done);
    }
    else if (m_stream)
    {
        if (std::fseek(m_stream, m_position, SEEK_SET) != 0)
            return 0;
        done = (u32)std::fread(buffer, 1, count, m_stream);
    }
    m_position += (i32)done;
    return done;
}

u32 CKetrelFile::Write(const void* data, u32 count)
{
    if (!m_writable || !data)
        return 0;
    count = TransferLimit(m_position, m_size, count);
    if (count == 0)
        return 0;
    u32 done = 0;
    if (m_memory)
    {
        u32 left = (u32)(m_size - m_position);
        done = count < left ? count : left;
        std::memcpy(m_memory + m_position, data, done);
    }
    else if (m_stream)
    {
        if (std::fseek(m_stream, m_position, SEEK_SET) != 0)
            return 0;
        done = (u32)std::fwrite(data, 1, count, m_stream);
    }
    m_position += (i32)done;
    if (m_position > m_size)
        m_size = m_position;
    return done;
}

i32 CKetrelFile::Seek(i32 offset, i32 origin)
{
    i64 position = m_position;
    if (origin == KE_SEEK_SET)
        position = offset;
    else if (origin == KE_SEEK_CUR)
        position = (i64)m_position + offset;
    else if (origin == KE_SEEK_FROM_END)
        position = (i64)m_size - offset - 1;
    // Out of the i32 range is out of the stream as well: keep it out of range.
    if (position > INT_MAX)
        position = INT_MAX;
    else if (position < INT_MIN)
        position = INT_MIN;
    m_position = (i32)position;
    return m_position;
}

int CKetrelFile::Exists(const CKetrelString& path)
{
    std::string narrow;
    if (!NarrowPath(path, narrow) || narrow.empty())
        return 0;
    FILE* stream = std::fopen(narrow.c_str(), "r");
    if (!stream)
        return 0;
    std::fclose(stream);
    return 1;
}

int CKetrelFile::Delete(const CKetrelString& path)
{
    std::string narrow;
    if (!NarrowPath(path, narrow))
        return KE_ERR_OPEN;
    // Removed directly, never through a shell: a path is only ever a path.
    if (::unlink(narrow.c_str()) == 0)
        return KE_OK;
    if (errno == ENOENT || errno == ENOTDIR)
        return KE_ERR_NOT_FOUND;
    return KE_ERR_DEVICE;
}
