// engine/KetrelMediaPackWriter.cpp
#include "engine/KetrelMediaPackWriter.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelResult.h"

#include <cstring>
#include <new>

namespace
{
struct PackEntry
{
    CKetrelString name;
    u8* data;
    u32 size;
};

const u64 kMaxPackSize = 0x7FFFFFFFu;   // streams count their size in an i32

u8* PutLE32(u8* p, u32 v)
{
    p[0] = (u8)v;
    p[1] = (u8)(v >> 8);
    p[2] = (u8)(v >> 16);
    p[3] = (u8)(v >> 24);
    return p + 4;
}
}

CKetrelMediaPackWriter::CKetrelMediaPackWriter() : m_conflict(-1)
{
}

CKetrelMediaPackWriter::~CKetrelMediaPackWriter()
{
    for (i32 i = 0; i < m_entries.GetCount(); ++i)
    {
        PackEntry* e = static_cast<PackEntry*>(m_entries.GetAt(i));
        delete[] e->data;
        delete e;
    }
    m_entries.RemoveAll();
}

const CKetrelString& CKetrelMediaPackWriter::GetName(i32 index) const
{
    static const CKetrelString kEmpty;
    const PackEntry* e = static_cast<const PackEntry*>(m_entries.GetAt(index));
    return e ? e->name : kEmpty;
}

int CKetrelMediaPackWriter::AddEntry(const CKetrelString& name, const void* data, u32 size)
{
    m_conflict = -1;
    const i32 length = name.GetLength();
    if (length == 0 || length > 65535 || (size > 0 && data == nullptr))
        return KE_ERR_ARGUMENT;
    const u16* units = name.GetBuffer();
    for (i32 i = 0; i < length; ++i)
        if (units[i] == 0 || units[i] > 0xFF)
            return KE_ERR_ARGUMENT;
    for (i32 i = 0; i < m_entries.GetCount(); ++i)
    {
        const CKetrelString& other = static_cast<PackEntry*>(m_entries.GetAt(i))->name;
        if (other.Find(name, 0) >= 0 || name.Find(other, 0) >= 0)
        {
            m_conflict = i;
            return KE_ERR_ARGUMENT;
        }
    }

    PackEntry* e = new (std::nothrow) PackEntry();
    if (!e)
        return KE_ERR_MEMORY;
    e->name = name;
    e->size = size;
    e->data = size > 0 ? new (std::nothrow) u8[size] : nullptr;
    if (e->name.GetLength() != length || (size > 0 && !e->data))
    {
        delete[] e->data;
        delete e;
        return KE_ERR_MEMORY;
    }
    if (size > 0)
        std::memcpy(e->data, data, size);
    m_entries.Add(e);
    return KE_OK;
}

bool CKetrelMediaPackWriter::ComputeSize(u64& total) const
{
    const i32 count = m_entries.GetCount();
    if (count == 0)
        return false;
    total = 8;
    for (i32 i = 0; i < count; ++i)
    {
        const PackEntry* e = static_cast<const PackEntry*>(m_entries.GetAt(i));
        total += 2 + (u64)e->name.GetLength() + 4 + 8 + e->size;
    }
    return total <= kMaxPackSize;
}

u8* CKetrelMediaPackWriter::WriteToMemory(u32& size) const
{
    size = 0;
    u64 total;
    if (!ComputeSize(total))
        return nullptr;
    u8* out = new (std::nothrow) u8[(size_t)total];
    if (!out)
        return nullptr;

    const i32 count = m_entries.GetCount();
    u8* p = out;
    std::memcpy(p, "KMP2", 4);
    p = PutLE32(p + 4, (u32)count);
    u64 directoryEnd = 8;
    for (i32 i = 0; i < count; ++i)
        directoryEnd += 2 + (u64)static_cast<const PackEntry*>(m_entries.GetAt(i))->name.GetLength() + 4;

    // Directory, then the records in the same order.
    u64 record = directoryEnd;
    for (i32 i = 0; i < count; ++i)
    {
        const PackEntry* e = static_cast<const PackEntry*>(m_entries.GetAt(i));
        const i32 length = e->name.GetLength();
        const u16* units = e->name.GetBuffer();
        *p++ = (u8)length;
        *p++ = (u8)(length >> 8);
        for (i32 c = 0; c < length; ++c)
            *p++ = (u8)units[c];
        p = PutLE32(p, (u32)record);
        record += 8 + (u64)e->size;
    }
    for (i32 i = 0; i < count; ++i)
    {
        const PackEntry* e = static_cast<const PackEntry*>(m_entries.GetAt(i));
        p = PutLE32(p, 0);
        p = PutLE32(p, e->size);
        if (e->size > 0)
            std::memcpy(p, e->data, e->size);
        p += e->size;
    }
    size = (u32)total;
    return out;
}

int CKetrelMediaPackWriter::Write(const CKetrelString& path) const
{
    u32 size;
    u8* bytes = WriteToMemory(size);
    if (!bytes)
    {
        u64 total;
        return ComputeSize(total) ? KE_ERR_MEMORY : KE_ERR_ARGUMENT;
    }
    CKetrelFile file;
    int rc = file.Open(path, KE_FILE_WRITE);
    if (rc == KE_OK)
    {
        const u32 written = file.Write(bytes, size);
        file.Close();
        if (written != size)
        {
            CKetrelFile::Delete(path);
            rc = KE_ERR_OPEN;
        }
    }
    delete[] bytes;
    return rc;
}
