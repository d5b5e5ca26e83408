// engine/KetrelMediaPack.cpp
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelResult.h"

#include <cstring>
#include <new>

namespace
{
// Smallest directory entry: a u16 length, one name byte, a u32 offset.
const u32 kMinDirectoryEntry = 7;
// u32 (not read) and u32 size before an entry's data.
const u32 kRecordHeader = 8;

u32 ReadLE32(const u8* p)
{
    return (u32)p[0] | ((u32)p[1] << 8) | ((u32)p[2] << 16) | ((u32)p[3] << 24);
}

// Sequential reads through a small buffer, so that a directory of thousands of entries
// is not read field by field from the disk stream.
class DirectoryReader
{
public:
    DirectoryReader(CKetrelFile* file, u32 start) : m_file(file), m_next(start), m_used(0), m_filled(0) {}

    // False when the file ends first.
    bool Read(void* out, u32 count)
    {
        u8* dst = static_cast<u8*>(out);
        while (count > 0)
        {
            if (m_used == m_filled && !Refill())
                return false;
            u32 n = m_filled - m_used;
            if (n > count)
                n = count;
            std::memcpy(dst, m_buffer + m_used, n);
            m_used += n;
            dst += n;
            count -= n;
        }
        return true;
    }

private:
    bool Refill()
    {
        m_file->Seek((i32)m_next, KE_SEEK_SET);
        m_filled = m_file->Read(m_buffer, sizeof(m_buffer));
        m_used = 0;
        m_next += m_filled;
        return m_filled > 0;
    }

    CKetrelFile* m_file;
    u32 m_next;                       // file offset of the next refill
    u32 m_used;
    u32 m_filled;
    u8 m_buffer[4096];
};
}

CKetrelMediaPack::CKetrelMediaPack() : m_file(nullptr), m_key(nullptr)
{
}

CKetrelMediaPack::~CKetrelMediaPack()
{
    Close();
}

CKetrelMediaPack* CKetrelMediaPack::Create()
{
    return new (std::nothrow) CKetrelMediaPack();
}

void CKetrelMediaPack::Close()
{
    if (m_file)
    {
        m_file->Close();
        delete m_file;
        m_file = nullptr;
    }
    for (i32 i = 0; i < m_entries.GetCount(); ++i)
        delete static_cast<CKetrelMediaPackEntry*>(m_entries.GetAt(i));
    m_entries.RemoveAll();
    delete m_key;
    m_key = nullptr;
}

int CKetrelMediaPack::Open(const CKetrelString& path, const CKetrelString& key)
{
    CKetrelFile* file = new (std::nothrow) CKetrelFile();
    if (!file)
        return KE_ERR_MEMORY;
    int rc = file->Open(path, KE_FILE_READ);
    if (rc != KE_OK)
    {
        delete file;
        return rc;
    }
    return OpenStream(file, key);
}

int CKetrelMediaPack::OpenStream(CKetrelFile* stream, const CKetrelString& key)
{
    if (!stream)
        return KE_ERR_ARGUMENT;

    u8 magic[4];
    stream->Seek(0, KE_SEEK_SET);
    if (stream->Read(magic, 4) != 4 ||
        !((magic[0] == 'K' && magic[1] == 'M' && magic[2] == 'P' && magic[3] == '2') ||
          (magic[0] == 'V' && magic[1] == 'A' && magic[2] == 'D' && magic[3] == '2')))
    {
        delete stream;                // the pack keeps what it had
        return KE_ERR_FORMAT;
    }

    Close();
    m_file = stream;
    int rc = ReadDirectory();
    if (rc != KE_OK)
    {
        Close();
        return rc;
    }
    if (key.GetLength() > 0)
    {
        m_key = new (std::nothrow) CKetrelString(key);
        if (!m_key || m_key->GetLength() != key.GetLength())
        {
            Close();
            return KE_ERR_MEMORY;
        }
    }
    return KE_OK;
}

int CKetrelMediaPack::ReadDirectory()
{
    const i32 fileSize = m_file->GetSize();
    if (fileSize < 8)
        return KE_ERR_FORMAT;
    DirectoryReader reader(m_file, 4);
    u8 word[4];
    if (!reader.Read(word, 4))
        return KE_ERR_FORMAT;
    const u32 count = ReadLE32(word);
    // Each entry takes at least kMinDirectoryEntry bytes: a larger count cannot be
    // real, and must not drive the loop below.
    if (count == 0 || count > ((u32)fileSize - 8) / kMinDirectoryEntry)
        return KE_ERR_FORMAT;

    for (u32 i = 0; i < count; ++i)
    {
        u8 lengthBytes[2];
        if (!reader.Read(lengthBytes, 2))
            return KE_ERR_FORMAT;
        const u32 nameLength = (u32)lengthBytes[0] | ((u32)lengthBytes[1] << 8);
        if (nameLength == 0)
            return KE_ERR_FORMAT;

        CKetrelMediaPackEntry* entry = new (std::nothrow) CKetrelMediaPackEntry();
        if (!entry)
            return KE_ERR_MEMORY;
        u16* units = entry->m_name.AllocBuffer((int)nameLength + 1);
        if (!units)
        {
            delete entry;
            return KE_ERR_MEMORY;
        }
        // The name bytes go to the front of the character buffer and are widened in
        // place from the back.
        u8* bytes = reinterpret_cast<u8*>(units);
        if (!reader.Read(bytes, nameLength) || !reader.Read(word, 4))
        {
            delete entry;
            return KE_ERR_FORMAT;
        }
        for (u32 c = nameLength; c-- > 0;)
            units[c] = bytes[c];
        entry->m_offset = ReadLE32(word);
        m_entries.Add(entry);
    }

    // Every record header and its data must lie inside the file before anything is
    // handed to a loader.
    u32 size;
    for (i32 i = 0; i < m_entries.GetCount(); ++i)
        if (!LocateRecord(GetEntryAt(i), size))
            return KE_ERR_FORMAT;
    return KE_OK;
}

// Positions the stream at the entry's data and gives its size. False for a record that
// does not fit in the file; the position is then left at -1, where nothing can be read.
bool CKetrelMediaPack::LocateRecord(const CKetrelMediaPackEntry* entry, u32& size)
{
    const u64 fileSize = (u64)m_file->GetSize();
    const u64 offset = entry->m_offset;
    u8 header[kRecordHeader];
    size = 0;
    if (offset + kRecordHeader <= fileSize)
    {
        m_file->Seek((i32)offset, KE_SEEK_SET);
        if (m_file->Read(header, kRecordHeader) == kRecordHeader)
        {
            const u32 declared = ReadLE32(header + 4);
            if (offset + kRecordHeader + declared <= fileSize)
            {
                size = declared;
                return true;
            }
        }
    }
    m_file->Seek(-1, KE_SEEK_SET);
    return false;
}

u32 CKetrelMediaPack::SeekRecord(const CKetrelMediaPackEntry* entry)
{
    u32 size;
    return LocateRecord(entry, size) ? size : 0;
}

u32 CKetrelMediaPack::SeekEntry(const CKetrelString& name, u32 index)
{
    const u32 count = (u32)m_entries.GetCount();
    if (!m_file || index >= count)
        return 0;
    if (name.GetLength() == 0)
        return SeekRecord(GetEntryAt((i32)index));
    for (u32 i = 0; i < count; ++i)
    {
        const CKetrelMediaPackEntry* entry = GetEntryAt((i32)i);
        if (entry->m_name.Find(name, 0) >= 0)
            return SeekRecord(entry);
    }
    return 0;
}

u32 CKetrelMediaPack::SeekEntryByFileName(const CKetrelString& name)
{
    const i32 nameLength = name.GetLength();
    if (!m_file || nameLength == 0)
        return 0;
    const u16* wanted = name.GetBuffer();
    for (i32 i = 0; i < m_entries.GetCount(); ++i)
    {
        const CKetrelMediaPackEntry* entry = GetEntryAt(i);
        const i32 length = entry->m_name.GetLength();
        const i32 start = entry->m_name.ReverseFind('/', -1) + 1;
        if (length - start == nameLength &&
            std::memcmp(entry->m_name.GetBuffer() + start, wanted, (size_t)nameLength * sizeof(u16)) == 0)
            return SeekRecord(entry);
    }
    return 0;
}
