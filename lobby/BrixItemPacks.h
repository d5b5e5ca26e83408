#pragma once
// lobby/BrixItemPacks.h
#include "engine/KetrelArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "net/ASN1Records.h"

class IBrixMenuHost;

// One item data pack the server announced.
struct CBrixItemPack
{
    enum { DigestSize = 16 };
    i32 itemId = 0;
    i32 kind = 0;
    u8 digest[DigestSize] = {};
    i32 size = 0;           // bytes
    i32 current = 0;        // 1: the file on disk is this pack
    i32 verify = -1;        // 1 verified, -1 to be fetched and verified
    i32 downloading = 0;    // 1 while chunks are asked for
    i32 asked = 0;          // offset of the piece asked for last
    i32 attempts = 0;       // downloads started in this run
    f32 idle = 0.0f;        // seconds of the download without a new piece
};

// The item data packs of the shop: which ones the server announced, which of them are on
// disk, and the download of the others, chunk by chunk, into "data_<game>_<item>.vad" in
// the user data folder.
//
// A download is written to "<pack>.tmp" only while each chunk starts exactly where the
// file ends and stays within the announced size; the finished file must have the
// announced MD5 digest before it is renamed over the pack. Chunks for an item that is
// not being downloaded are dropped: the server cannot make the program write anything
// else. Only the piece at the offset asked for last is taken; any other (a repeated one,
// or a late one of a download given up) is dropped and asks for nothing, so one download
// never runs two chains of requests. A download that gets no new piece for STALL_SECONDS
// is given up; it counts as one of the pack's attempts. Main thread only.
class CBrixItemPackTable
{
public:
    enum
    {
        CHUNK_SIZE = 16384,     // bytes asked for at a time
        MAX_ATTEMPTS = 3        // downloads of one pack per run
    };
    static constexpr f32 STALL_SECONDS = 30.0f;

    CBrixItemPackTable() : m_host(nullptr), m_listReceived(0) {}

    void SetHost(IBrixMenuHost* host) { m_host = host; }
    void Clear();

    // The server's list of packs; owned holds the items the user owns (may be null).
    void OnItemDataList(const CKetrelArray<CItemData>& list, const CKetrelArray<CItemData>* owned);
    // A piece of a pack; asks for the next piece, or finishes the pack.
    void OnDataChunk(i32 itemId, i32 offset, const u8* data, i32 length, i32 remaining);
    // Starts fetching a pack from its beginning. KE_OK; KE_ERR_NOT_FOUND for an unknown
    // item; KE_ERR_NOT_READY without a session or after MAX_ATTEMPTS downloads.
    int StartDownload(i32 itemId);
    // Advances the downloads' clocks by dt seconds and gives up those that stalled.
    void Tick(f32 dt);

    i32 IsListReceived() const { return m_listReceived; }
    void SetListReceived(i32 received) { m_listReceived = received; }
    i32 GetCount() const { return m_packs.GetCount(); }
    const CBrixItemPack* GetAt(i32 index) const
    { return (index >= 0 && index < m_packs.GetCount()) ? &m_packs[index] : nullptr; }
    CBrixItemPack* Find(i32 itemId);
    // The pack id of one of the user's item data records (CBrixItemRecord's layout).
    static i32 PackIdOf(const CItemData& record);
    // The pack file's full path.
    CKetrelString GetPackPath(i32 itemId);

private:
    // Checks the finished temporary file and renames it over the pack.
    bool FinishDownload(CBrixItemPack* pack);
    void FailDownload(CBrixItemPack* pack);

    IBrixMenuHost* m_host;             // not owned
    CKetrelArray<CBrixItemPack> m_packs;
    i32 m_listReceived;
};
