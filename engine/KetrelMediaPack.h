#pragma once
// engine/KetrelMediaPack.h
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class CKetrelFile;

// One directory entry of a pack: where its record starts and its name (8-bit bytes
// widened to one character each).
class CKetrelMediaPackEntry
{
public:
    CKetrelMediaPackEntry() : m_offset(0) {}
    u32 GetOffset() const { return m_offset; }
    const CKetrelString& GetName() const { return m_name; }

private:
    friend class CKetrelMediaPack;
    u32 m_offset;              // absolute offset of the entry's record
    CKetrelString m_name;
};

// A media pack: one file with a directory of named entries and their data, all
// little-endian:
//   "KMP2" (or "VAD2"), u32 count (not 0),
//   count x { u16 name length n (not 0), n name bytes, u32 record offset },
//   records { u32 (not read), u32 data size, data }.
// Open reads the directory and checks every record against the file length; a seek
// then leaves the pack's stream at an entry's first data byte, and the loaders read
// the entry's size in bytes from there. One thread at a time.
class CKetrelMediaPack
{
public:
    CKetrelMediaPack();
    virtual ~CKetrelMediaPack();      // Close()

    static CKetrelMediaPack* Create(); // the caller owns it (delete)

    // KE_OK; KE_ERR_FORMAT for a file that is not a pack or has a malformed directory
    // (a record outside the file counts as malformed); KE_ERR_MEMORY; or the file's
    // own code (KE_ERR_OPEN). A wrong magic keeps what was open before; every other
    // failure leaves the pack closed. A non-empty key is kept for the loaders, who
    // descramble what they read with it.
    int Open(const CKetrelString& path, const CKetrelString& key);
    // The same on a stream that is already open, positioned anywhere. The pack takes
    // the stream and deletes it when it is done with it (at once on a failure).
    int OpenStream(CKetrelFile* stream, const CKetrelString& key);
    void Close();

    i32 GetEntryCount() const { return m_entries.GetCount(); }
    // Directory order; null for an index outside 0..count-1.
    CKetrelMediaPackEntry* GetEntryAt(i32 index) const
    { return static_cast<CKetrelMediaPackEntry*>(m_entries.GetAt(index)); }

    // With a name: the first entry, in directory order, whose name contains it
    // (case-sensitive). With an empty name: the entry at index. Leaves the stream at
    // the entry's first data byte and returns its size; 0 when index >= count, when
    // nothing matches or when the record cannot be read (a 0-byte entry also gives 0).
    u32 SeekEntry(const CKetrelString& name, u32 index);
    // The first entry whose name after its last '/' (or whole, without '/') equals
    // name; positioned and sized as SeekEntry.
    u32 SeekEntryByFileName(const CKetrelString& name);

    // The pack's stream, for the loaders: read the size SeekEntry returned. Null
    // while closed. Owned by the pack.
    CKetrelFile* GetFile() const { return m_file; }
    // Null when the pack was opened without a key.
    const CKetrelString* GetKey() const { return m_key; }

private:
    CKetrelMediaPack(const CKetrelMediaPack&) = delete;
    CKetrelMediaPack& operator=(const CKetrelMediaPack&) = delete;

    int ReadDirectory();
    bool LocateRecord(const CKetrelMediaPackEntry* entry, u32& size);
    u32 SeekRecord(const CKetrelMediaPackEntry* entry);

    CKetrelFile* m_file;              // owned; open while the pack is open
    CKetrelPtrArray m_entries;        // CKetrelMediaPackEntry*, owned, directory order
    CKetrelString* m_key;             // owned; null without a key
};
