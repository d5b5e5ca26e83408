#pragma once
// framework/BrixStatsStore.h
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class IKetrelApplication;

// Value types of a settings entry, as stored in "stats.dat".
enum
{
    BRIX_STAT_INT  = 0,
    BRIX_STAT_BOOL = 1,
    BRIX_STAT_TEXT = 2,
    BRIX_STAT_RAW  = 3
};

// One named value. The setters keep only the field of the entry's own type; the other
// three are 0 or empty. Readers take the field of the type they expect directly.
class CBrixStatsEntry
{
public:
    CBrixStatsEntry() : type(BRIX_STAT_INT), intValue(0), boolValue(0), rawValue(0) {}

    int SetName(const CKetrelString& value) { name = value; return 1; }
    void SetInt(i32 value);
    void SetBool(u32 value);                  // any value; non-zero is true
    void SetString(const CKetrelString& value);
    void SetRawValue(u32 value);              // only loading makes raw entries

    i32 type;                   // BRIX_STAT_*; a loaded unknown type reads as 0
    CKetrelString name;         // compared ordinally, case-sensitive
    i32 intValue;
    u32 boolValue;
    CKetrelString textValue;
    u32 rawValue;
};

// The program's one persistent key/value store, "stats.dat" in the user data folder:
//   u32 version 1, u32 count, count x { u32 name length in units, UTF-16LE name,
//   u16 type, then i32 | u32 | u32 length + UTF-16LE text | u32 }, little-endian.
// Entries keep insertion order (a load keeps the file's order); the store owns them.
// Callers look a key up with FindEntry, add it when missing, then set it; a missing
// key reads as the caller's default. Main thread only.
class CBrixStatsStore
{
public:
    enum { Version = 1 };
    // A larger "stats.dat" is not read.
    enum { MaxFileBytes = 16 * 1024 * 1024 };

    CBrixStatsStore();
    ~CBrixStatsStore();                       // deletes the entries still held

    // Keeps app (its user data folder holds the file) and loads. Always 1.
    int Init(IKetrelApplication* app);

    // KE_OK; KE_ERR_OPEN (no file; the entries stay); 11 for another version and
    // KE_ERR_FORMAT for a file above MaxFileBytes or shorter than its version (the
    // entries stay); KE_ERR_FORMAT also for a file that ends inside a record: the
    // records read completely before that point replace the entries. Nothing is read
    // past the data, whatever lengths the file claims.
    int Load();
    int LoadFromMemory(const u8* data, u32 size);

    // Writes every entry with a non-empty name, through a temporary file renamed over
    // "stats.dat", so the old file survives any failure or kill. KE_OK; KE_ERR_NOT_READY
    // without Init; KE_ERR_OPEN; KE_ERR_DEVICE when a write fails.
    int Save();
    // The bytes Save writes; the caller delete[]s *out. KE_OK or KE_ERR_MEMORY.
    int SaveToMemory(u8** out, u32* size) const;

    // A new integer entry of value 0, appended; no check for an entry of that name.
    CBrixStatsEntry* AddEntry(const CKetrelString& name);
    // The first entry of that name, in list order; null when none.
    CBrixStatsEntry* FindEntry(const CKetrelString& name) const;
    // These take the entry out of the list without deleting it (the caller owns it
    // then). 1, or 0 for a bad index, an entry not in the list or an unknown name.
    int RemoveAt(i32 index);
    int RemoveEntry(CBrixStatsEntry* entry);
    int RemoveByName(const CKetrelString& name);
    void Clear();                             // deletes every entry

    i32 GetCount() const { return m_entries.GetCount(); }
    CBrixStatsEntry* GetAt(i32 index) const
    { return static_cast<CBrixStatsEntry*>(m_entries.GetAt(index)); }

private:
    CBrixStatsStore(const CBrixStatsStore&) = delete;
    CBrixStatsStore& operator=(const CBrixStatsStore&) = delete;

    int GetPath(CKetrelString& out) const;

    IKetrelApplication* m_app;   // not owned; null until Init
    CKetrelPtrArray m_entries;   // CBrixStatsEntry*, owned, insertion order
};
