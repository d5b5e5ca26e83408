// framework/BrixStatsStore.cpp
#include "framework/BrixStatsStore.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "framework/BrixSafeFile.h"

#include <cstring>
#include <new>
#include <vector>

namespace
{
const char* const kFileName = "stats.dat";

// Little-endian fields from a block of bytes; every read is checked against the end.
struct Reader
{
    const u8* data;
    u32 size;
    u32 pos;

    bool U16(u16& v)
    {
        if (size - pos < 2)
            return false;
        v = (u16)(data[pos] | (data[pos + 1] << 8));
        pos += 2;
        return true;
    }
    bool U32(u32& v)
    {
        if (size - pos < 4)
            return false;
        v = (u32)data[pos] | ((u32)data[pos + 1] << 8) | ((u32)data[pos + 2] << 16) |
            ((u32)data[pos + 3] << 24);
        pos += 4;
        return true;
    }
    // length units of UTF-16LE text, made into a string the way a 0-terminated buffer
    // would be (an embedded 0 ends it).
    bool Text(u32 length, CKetrelString& out)
    {
        if ((u64)length * 2 > (u64)(size - pos))
            return false;
        std::vector<u16> units((size_t)length + 1, 0);
        for (u32 i = 0; i < length; ++i)
            units[i] = (u16)(data[pos + 2 * i] | (data[pos + 2 * i + 1] << 8));
        pos += length * 2;
        out.Assign(units.data());
        return true;
    }
};

struct Writer
{
    std::vector<u8> bytes;

    void U16(u16 v) { bytes.push_back((u8)v); bytes.push_back((u8)(v >> 8)); }
    void U32(u32 v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back((u8)(v >> (8 * i)));
    }
    void Text(const CKetrelString& s)
    {
        U32((u32)s.GetLength());
        for (i32 i = 0; i < s.GetLength(); ++i)
            U16(s.GetAt(i));
    }
};
}

void CBrixStatsEntry::SetInt(i32 value)
{
    type = BRIX_STAT_INT;
    intValue = value;
    boolValue = 0;
    rawValue = 0;
    textValue.Clear();
}

void CBrixStatsEntry::SetBool(u32 value)
{
    type = BRIX_STAT_BOOL;
    boolValue = value;
    intValue = 0;
    rawValue = 0;
    textValue.Clear();
}

void CBrixStatsEntry::SetString(const CKetrelString& value)
{
    type = BRIX_STAT_TEXT;
    textValue = value;
    intValue = 0;
    boolValue = 0;
    rawValue = 0;
}

void CBrixStatsEntry::SetRawValue(u32 value)
{
    type = BRIX_STAT_RAW;
    rawValue = value;
    intValue = 0;
    boolValue = 0;
    textValue.Clear();
}

CBrixStatsStore::CBrixStatsStore() : m_app(nullptr) {}

CBrixStatsStore::~CBrixStatsStore()
{
    Clear();
}

int CBrixStatsStore::Init(IKetrelApplication* app)
{
    m_app = app;
    Load();
    return KE_OK;
}

int CBrixStatsStore::GetPath(CKetrelString& out) const
{
    if (!m_app)
        return KE_ERR_NOT_READY;
    m_app->GetUserDataPath(out, CKetrelString(kFileName));
    return KE_OK;
}

int CBrixStatsStore::Load()
{
    CKetrelString path;
    int rc = GetPath(path);
    if (rc != KE_OK)
        return KE_ERR_OPEN;
    u8* data = nullptr;
    u32 size = 0;
    rc = BrixReadWholeFile(path, MaxFileBytes, &data, &size);
    if (rc == KE_OK)
        rc = LoadFromMemory(data, size);
    delete[] data;
    return rc;
}

int CBrixStatsStore::LoadFromMemory(const u8* data, u32 size)
{
    Reader in{data, data ? size : 0, 0};
    u32 version = 0;
    if (!in.U32(version))
        return KE_ERR_FORMAT;
    if (version != Version)
        return KE_ERR_NO_FORMAT;   // 11: a stored file of another version

    Clear();
    u32 count = 0;
    if (!in.U32(count))
        return KE_ERR_FORMAT;
    if ((i32)count <= 0)
        return KE_OK;

    for (u32 i = 0; i < count; ++i)
    {
        u32 nameLength = 0;
        u16 type = 0;
        CKetrelString name;
        if (!in.U32(nameLength) || !in.Text(nameLength, name) || !in.U16(type))
            return KE_ERR_FORMAT;
        CBrixStatsEntry* entry = AddEntry(name);
        if (!entry)
            return KE_ERR_MEMORY;
        u32 value = 0;
        switch (type)
        {
        case BRIX_STAT_INT:
            if (!in.U32(value))
                break;
            entry->SetInt((i32)value);
            continue;
        case BRIX_STAT_BOOL:
            if (!in.U32(value))
                break;
            entry->SetBool(value);
            continue;
        case BRIX_STAT_TEXT:
        {
            CKetrelString text;
            if (!in.U32(value) || !in.Text(value, text))
                break;
            entry->SetString(text);
            continue;
        }
        case BRIX_STAT_RAW:
            if (!in.U32(value))
                break;
            entry->SetRawValue(value);
            continue;
        default:
            // An unknown type has no value: an integer 0, and the next record
            // starts right after the type field.
            continue;
        }
        // The value ran past the end: the half-read record goes.
        RemoveEntry(entry);
        delete entry;
        return KE_ERR_FORMAT;
    }
    return KE_OK;
}

int CBrixStatsStore::SaveToMemory(u8** out, u32* size) const
{
    *out = nullptr;
    *size = 0;
    Writer w;
    u32 count = 0;
    for (i32 i = 0; i < GetCount(); ++i)
        if (!GetAt(i)->name.IsEmpty())
            ++count;
    try
    {
        w.U32(Version);
        w.U32(count);
        for (i32 i = 0; i < GetCount(); ++i)
        {
            const CBrixStatsEntry* e = GetAt(i);
            if (e->name.IsEmpty())
                continue;
            w.Text(e->name);
            w.U16((u16)e->type);
            switch (e->type)
            {
            case BRIX_STAT_INT:  w.U32((u32)e->intValue); break;
            case BRIX_STAT_BOOL: w.U32(e->boolValue); break;
            case BRIX_STAT_TEXT: w.Text(e->textValue); break;
            case BRIX_STAT_RAW:  w.U32(e->rawValue); break;
            default: break;
            }
        }
    }
    catch (const std::bad_alloc&)
    {
        return KE_ERR_MEMORY;
    }
    u8* bytes = new (std::nothrow) u8[w.bytes.size()];
    if (!bytes)
        return KE_ERR_MEMORY;
    memcpy(bytes, w.bytes.data(), w.bytes.size());
    *out = bytes;
    *size = (u32)w.bytes.size();
    return KE_OK;
}

int CBrixStatsStore::Save()
{
    CKetrelString path;
    int rc = GetPath(path);
    if (rc != KE_OK)
        return rc;
    u8* bytes = nullptr;
    u32 size = 0;
    rc = SaveToMemory(&bytes, &size);
    if (rc == KE_OK)
        rc = BrixWriteFileSafely(path, bytes, size);
    delete[] bytes;
    return rc;
}

CBrixStatsEntry* CBrixStatsStore::AddEntry(const CKetrelString& name)
{
    CBrixStatsEntry* entry = new (std::nothrow) CBrixStatsEntry();
    if (!entry)
        return nullptr;
    entry->name = name;
    m_entries.Add(entry);
    return entry;
}

CBrixStatsEntry* CBrixStatsStore::FindEntry(const CKetrelString& name) const
{
    // Equal names have equal lengths: most entries are passed over on that alone, and
    // the keys' common "__Brix_" start is compared only for names of the same length.
    const i32 length = name.GetLength();
    const u16* units = name.GetBuffer();
    for (i32 i = 0; i < GetCount(); ++i)
    {
        const CKetrelString& candidate = GetAt(i)->name;
        if (candidate.GetLength() != length)
            continue;
        if (length == 0 || memcmp(candidate.GetBuffer(), units, (size_t)length * sizeof(u16)) == 0)
            return GetAt(i);
    }
    return nullptr;
}

int CBrixStatsStore::RemoveAt(i32 index)
{
    if (index < 0 || index >= GetCount())
        return 0;
    m_entries.RemoveAt(index);
    return 1;
}

int CBrixStatsStore::RemoveEntry(CBrixStatsEntry* entry)
{
    for (i32 i = 0; i < GetCount(); ++i)
        if (GetAt(i) == entry)
            return RemoveAt(i);
    return 0;
}

int CBrixStatsStore::RemoveByName(const CKetrelString& name)
{
    for (i32 i = 0; i < GetCount(); ++i)
        if (GetAt(i)->name.Compare(name) == 0)
            return RemoveAt(i);
    return 0;
}

void CBrixStatsStore::Clear()
{
    for (i32 i = 0; i < GetCount(); ++i)
        delete GetAt(i);
    m_entries.RemoveAll();
}
