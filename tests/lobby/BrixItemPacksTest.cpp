// Item data packs: which announced packs are current, and downloads written piece by
// piece into the user data folder, checked against their digest before they count.
#include "LobbyTestKit.h"

#include "engine/KetrelMD5.h"
#include "engine/KetrelResult.h"
#include "lobby/BrixItemPacks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace lobbytest;

namespace
{
typedef std::vector<std::string> Calls;

std::string PackBytes(int size, int seed)
{
    std::string s;
    for (int i = 0; i < size; ++i)
        s.push_back((char)((i * 7 + seed) & 0xFF));
    return s;
}

CItemData Record(int id, int kind, const std::string& bytes)
{
    CItemData r;
    r.value0 = id;
    r.value1 = kind;
    CKetrelMD5 md5;
    md5.DigestBuffer((const u8*)bytes.data(), (u32)bytes.size());
    std::memcpy(r.block, md5.GetDigest(), 16);
    r.value3 = (int)bytes.size();
    return r;
}

// One of the user's items in the seven-word layout: enabled, item id, amount, pack id, ...
CItemData OwnedItem(int itemId, int packId)
{
    CItemData r;
    r.value0 = 1;
    r.value1 = itemId;
    const u32 words[2] = {1, (u32)packId};
    for (int w = 0; w < 2; ++w)
        for (int b = 0; b < 4; ++b)
            r.block[w * 4 + b] = (u8)(words[w] >> (8 * b));
    return r;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

struct Rig
{
    Rig() { table.SetHost(&host); }
    std::string Path(int id) { return host.dataDir + "/data_64_" + std::to_string(id) + ".vad"; }
    // The server announces one required pack of these bytes.
    void Announce(int id, const std::string& bytes)
    {
        CKetrelArray<CItemData> list;
        list.Add(Record(id, 1, bytes));
        table.OnItemDataList(list, nullptr);
    }
    void Chunk(int id, const std::string& bytes, int offset, int length)
    {
        const int remaining = (int)bytes.size() - offset - length;
        table.OnDataChunk(id, offset, (const u8*)bytes.data() + offset, length, remaining);
    }
    // Answers every piece asked for, in the order asked, until none is; returns how many.
    int Serve(const std::string& bytes)
    {
        int served = 0;
        for (Calls asked = host.Take(); !asked.empty(); asked = host.Take())
            for (const std::string& call : asked)
            {
                std::istringstream in(call);
                std::string what;
                int id = 0, offset = 0, length = 0;
                if (in >> what >> id >> offset >> length && what == "RequestDataChunk")
                {
                    Chunk(id, bytes, offset, length);
                    ++served;
                }
            }
        return served;
    }
    FakeHost host;
    CBrixItemPackTable table;
};
}

TEST(BrixItemPacks, ListMarksPacksCurrentOrToFetch)
{
    const std::string a = PackBytes(100, 1), b = PackBytes(50, 2), c = PackBytes(10, 3);
    struct Case
    {
        const char* what;
        int kind;          // of the second announcement
        int owned;         // 0 not owned, 1 an item with the pack id, 2 only its item id is the pack's
        bool fileThere;
        bool sameDigest;
        int current;       // after the second announcement
    };
    const Case cases[] = {
        {"kind 1, file there", 1, 0, true, true, 1},
        {"kind 1, file gone", 1, 0, false, true, 0},
        {"kind 0 not owned counts as present", 0, 0, false, true, 1},
        {"kind 0 owned, file gone", 0, 1, false, true, 0},
        {"kind 0 owned, file there", 0, 1, true, true, 1},
        {"kind 0, another pack's item with this id counts as present", 0, 2, false, true, 1},
        {"changed digest, file there", 1, 0, true, false, 0},
    };
    for (const Case& k : cases)
    {
        Rig rig;
        CKetrelArray<CItemData> list, owned;
        list.Add(Record(5, k.kind, a));
        list.Add(Record(6, 1, b));
        rig.table.OnItemDataList(list, &owned);
        ASSERT_EQ(rig.table.GetCount(), 2) << k.what;
        EXPECT_EQ(rig.table.IsListReceived(), 1);
        for (int i = 0; i < 2; ++i)
        {
            EXPECT_EQ(rig.table.GetAt(i)->current, 0) << k.what;
            EXPECT_EQ(rig.table.GetAt(i)->verify, -1) << k.what;
        }
        if (k.owned == 1)
            owned.Add(OwnedItem(40, 5));
        else if (k.owned == 2)
            owned.Add(OwnedItem(5, 9));
        if (k.fileThere)
            std::ofstream(rig.Path(5), std::ios::binary) << a;
        CKetrelArray<CItemData> again;
        again.Add(Record(5, k.kind, k.sameDigest ? a : c));
        rig.table.OnItemDataList(again, &owned);
        EXPECT_EQ(rig.table.GetCount(), 2);
        EXPECT_EQ(rig.table.Find(5)->current, k.current) << k.what;
        EXPECT_EQ(rig.table.Find(5)->verify, k.current ? 1 : -1) << k.what;
        EXPECT_EQ(rig.table.Find(6)->current, 0) << k.what;
    }
}

TEST(BrixItemPacks, DownloadsInPiecesAndChecksTheDigest)
{
    struct Case
    {
        const char* what;
        int size;
        bool repeatFirst;      // the first piece arrives twice
        bool corrupt;          // the second piece's bytes are wrong
        bool done;
    };
    const Case cases[] = {
        {"one piece", 1000, false, false, true},
        {"exact pieces", 32768, false, false, true},
        {"three pieces", 40000, false, false, true},
        {"a repeated piece is not written and asks for nothing", 40000, true, false, true},
        {"wrong bytes fail the digest", 40000, false, true, false},
    };
    for (const Case& k : cases)
    {
        Rig rig;
        const std::string bytes = PackBytes(k.size, 9);
        rig.Announce(8, bytes);
        rig.host.Take();
        ASSERT_EQ(rig.table.StartDownload(8), KE_OK);
        Calls expected = {"RequestDataChunk 8 0 " + std::to_string(std::min(k.size, 16384))};
        for (int offset = 0; offset < k.size; offset += 16384)
        {
            const int length = std::min(16384, k.size - offset);
            std::string sent = bytes;
            if (k.corrupt && offset == 16384)
                sent[offset + 3] ^= 0x55;
            rig.Chunk(8, sent, offset, length);
            if (k.repeatFirst && offset == 0)
                rig.Chunk(8, sent, offset, length);
            const int next = offset + length;
            if (next < k.size)
            {
                expected.push_back("RequestDataChunk 8 " + std::to_string(next) + " " +
                                   std::to_string(std::min(16384, k.size - next)));
            }
        }
        EXPECT_EQ(rig.host.Take(), expected) << k.what;
        EXPECT_EQ(rig.table.Find(8)->current, k.done ? 1 : 0) << k.what;
        EXPECT_EQ(rig.table.Find(8)->downloading, 0) << k.what;
        EXPECT_EQ(std::filesystem::exists(rig.Path(8)), k.done) << k.what;
        EXPECT_FALSE(std::filesystem::exists(rig.Path(8) + ".tmp")) << k.what;
        if (k.done)
        {
            EXPECT_EQ(ReadFile(rig.Path(8)), bytes) << k.what;
        }
    }
}

TEST(BrixItemPacks, UnaskedAndOversizedPiecesAreDropped)
{
    Rig rig;
    const std::string bytes = PackBytes(100, 4);
    rig.Announce(3, bytes);
    rig.host.Take();
    // Not being downloaded, or not announced at all: nothing written, nothing asked.
    rig.Chunk(3, bytes, 0, 100);
    rig.Chunk(99, bytes, 0, 100);
    rig.table.OnDataChunk(3, 0, nullptr, 10, 0);
    rig.table.OnDataChunk(3, 0, (const u8*)bytes.data(), 0, 0);
    EXPECT_TRUE(rig.host.Take().empty());
    EXPECT_FALSE(std::filesystem::exists(rig.Path(3)));
    EXPECT_FALSE(std::filesystem::exists(rig.Path(99)));
    // More than the announced size ends the download.
    ASSERT_EQ(rig.table.StartDownload(3), KE_OK);
    rig.host.Take();
    const std::string more = PackBytes(200, 4);
    rig.table.OnDataChunk(3, 0, (const u8*)more.data(), 150, 50);
    EXPECT_TRUE(rig.host.Take().empty());
    EXPECT_EQ(rig.table.Find(3)->downloading, 0);
    EXPECT_FALSE(std::filesystem::exists(rig.Path(3) + ".tmp"));
    // Downloads per run are capped; unknown items and no session refuse to start.
    EXPECT_EQ(rig.table.StartDownload(3), KE_OK);
    EXPECT_EQ(rig.table.StartDownload(3), KE_OK);
    EXPECT_EQ(rig.table.StartDownload(3), KE_ERR_NOT_READY);
    EXPECT_EQ(rig.table.StartDownload(77), KE_ERR_NOT_FOUND);
    rig.host.session = 0;
    rig.Announce(4, bytes);
    EXPECT_EQ(rig.table.StartDownload(4), KE_ERR_NOT_READY);
}

// A download with no new piece for 30 s is given up and counts as one of its attempts;
// a new piece restarts the clock, a repeated one does not.
TEST(BrixItemPacks, StalledDownloadIsGivenUp)
{
    Rig rig;
    const std::string bytes = PackBytes(40000, 6);
    rig.Announce(9, bytes);
    ASSERT_EQ(rig.table.StartDownload(9), KE_OK);
    rig.table.Tick(20.0f);
    rig.Chunk(9, bytes, 0, 16384);
    rig.table.Tick(20.0f);
    rig.Chunk(9, bytes, 0, 16384);      // not new
    rig.table.Tick(9.9f);
    EXPECT_EQ(rig.table.Find(9)->downloading, 1);
    rig.host.Take();
    rig.table.Tick(0.2f);
    EXPECT_EQ(rig.table.Find(9)->downloading, 0);
    EXPECT_EQ(rig.table.Find(9)->current, 0);
    EXPECT_FALSE(std::filesystem::exists(rig.Path(9) + ".tmp"));
    // A late piece of the given-up download is dropped.
    rig.Chunk(9, bytes, 16384, 16384);
    EXPECT_TRUE(rig.host.Take().empty());
    EXPECT_EQ(rig.table.StartDownload(9), KE_OK);
    rig.table.Tick(30.0f);
    EXPECT_EQ(rig.table.StartDownload(9), KE_OK);
    rig.table.Tick(30.0f);
    EXPECT_EQ(rig.table.Find(9)->downloading, 0);
    EXPECT_EQ(rig.table.StartDownload(9), KE_ERR_NOT_READY);
}

// A download given up and started again in the same update, then a late piece of the
// given-up one, past the start or at it: the restart completes in one chain of requests.
TEST(BrixItemPacks, LatePieceOfAGivenUpDownloadLeavesTheRestartWhole)
{
    for (int late : {16384, 0})
    {
        Rig rig;
        const std::string bytes = PackBytes(40000, 5);
        rig.Announce(7, bytes);
        ASSERT_EQ(rig.table.StartDownload(7), KE_OK);
        if (late > 0)
            rig.Chunk(7, bytes, 0, late);
        rig.table.Tick(30.0f);
        rig.host.Take();
        ASSERT_EQ(rig.table.StartDownload(7), KE_OK);
        rig.Chunk(7, bytes, late, 16384);
        EXPECT_EQ(rig.Serve(bytes), 3) << late;
        EXPECT_EQ(rig.table.Find(7)->current, 1) << late;
        EXPECT_EQ(rig.table.Find(7)->attempts, 2) << late;
        EXPECT_TRUE(ReadFile(rig.Path(7)) == bytes) << late;
    }
}
