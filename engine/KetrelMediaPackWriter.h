#pragma once
// engine/KetrelMediaPackWriter.h
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

// Builds media packs in the layout CKetrelMediaPack reads ("KMP2"; records in directory
// order, each with a 0 word before its size). Used by the pack tool and by tests; the
// program itself only reads packs.
//
// Names must be usable for lookups: 1 to 65535 characters of 8 bits, and no name may
// contain another (or equal it), since a lookup by name selects the first entry whose
// name contains the one asked for.
class CKetrelMediaPackWriter
{
public:
    CKetrelMediaPackWriter();
    ~CKetrelMediaPackWriter();

    // Copies the name and the bytes. KE_OK; KE_ERR_ARGUMENT for a name that is empty,
    // too long or holds a character above 0xFF or a 0, or that contains or is contained
    // in a name already added (GetConflict then gives that entry); KE_ERR_MEMORY.
    int AddEntry(const CKetrelString& name, const void* data, u32 size);

    i32 GetEntryCount() const { return m_entries.GetCount(); }
    const CKetrelString& GetName(i32 index) const;
    // The entry that made the last AddEntry fail with a name clash, or -1.
    i32 GetConflict() const { return m_conflict; }

    // Writes the pack. KE_OK; KE_ERR_ARGUMENT with no entries or when the pack would
    // reach 2 GiB; KE_ERR_OPEN when the file cannot be written (a partly written file
    // is deleted).
    int Write(const CKetrelString& path) const;

    // The whole pack in memory (new[], the caller deletes it), or null with the same
    // conditions as Write.
    u8* WriteToMemory(u32& size) const;

private:
    CKetrelMediaPackWriter(const CKetrelMediaPackWriter&) = delete;
    CKetrelMediaPackWriter& operator=(const CKetrelMediaPackWriter&) = delete;

    bool ComputeSize(u64& total) const;

    CKetrelPtrArray m_entries;        // owned records: name and a copy of the data
    i32 m_conflict;
};
