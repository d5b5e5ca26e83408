#include "engine/KetrelResult.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubScene.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
typedef std::vector<u8> Bytes;

CKetrelString Widen(const std::string& s)
{
    return CKetrelString(s.c_str());
}

std::string Narrow(const CKetrelString& s)
{
    std::string out;
    for (int i = 0; i < s.GetLength(); ++i)
        out.push_back((char)s.GetAt(i));
    return out;
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

Bytes Written(const CJubScene& scene)
{
    CKetrelArray<u8> out;
    scene.WriteLevel(out);
    return Bytes(out.GetData(), out.GetData() + out.GetCount());
}

void PutU32(Bytes& out, u32 v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back((u8)(v >> (8 * i)));
}

// The tables, player count and three entries per player of a level.
Bytes Head(int version, i8 x0, i8 y0, i8 x1, i8 y1)
{
    Bytes out;
    if (version)
    {
        const char* magic = version == 110 ? "v110" : "v100";
        for (int i = 0; i < 4; ++i)
            out.push_back((u8)magic[i]);
        for (u32 i = 0; i < 4; ++i)
            PutU32(out, 4 - i);            // not the defaults, so they show
        for (u32 i = 0; i < 16; ++i)
            PutU32(out, 100 + i);
    }
    out.push_back(2);
    const i8 cells[2][2] = {{x0, y0}, {x1, y1}};
    for (int p = 0; p < 2; ++p)
    {
        for (int k = 0; k < 3; ++k)
        {
            out.push_back((u8)(cells[p][0] + k));
            out.push_back((u8)cells[p][1]);
            PutU32(out, 0x12345678);
        }
    }
    return out;
}

void AddBlock(Bytes& out, i8 x, i8 y, u8 type, u8 material, u8 flags, u8 layer)
{
    const u8 record[6] = {(u8)x, (u8)y, type, material, flags, layer};
    out.insert(out.end(), record, record + 6);
}

struct TempDir
{
    TempDir()
    {
        char pattern[] = "/tmp/jubscene.XXXXXX";
        path = mkdtemp(pattern);
    }
    // Removed in-process: a shell per fixture made the table-driven tests crawl.
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string File(const char* name) const { return path + "/" + name; }
    std::string path;
};

struct FileFixture
{
    FileFixture()
    {
        world.SetStep(1.0f / 30.0f, 4);
        camera.SetScreenSize(800.0f, 480.0f);
        scene.Init(nullptr, &camera, &world, 0);
    }
    int Load(const Bytes& bytes)
    {
        std::string path = dir.File("level.scn");
        WriteFile(path, bytes);
        return scene.Load(Widen(path));
    }
    CJubPhysicsWorld world;
    CJubCamera camera;
    CJubScene scene;
    TempDir dir;
};

// A resource source that hands out one level's bytes.
class LevelSource : public CJubAssetSource
{
public:
    CKetrelSurface* GetImage(const CKetrelString&) override { return nullptr; }
    int ReleaseImage(CKetrelSurface**) override { return 0; }
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 0; }
    i32 ReadResource(const CKetrelString& name, u8** data) override
    {
        asked = Narrow(name);
        *data = nullptr;
        if (bytes.empty())
            return 0;
        *data = new u8[bytes.size()];
        std::copy(bytes.begin(), bytes.end(), *data);
        return (i32)bytes.size();
    }
    Bytes bytes;
    std::string asked;
};

const char* const kSampleLevels[] = {
    "01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12", "13", "14", "15",
    "Balconies", "Bridge", "Castle", "Cave_In", "Farm", "Golden_Stairs", "Graveyard", "Henge",
    "Jungle", "Land_Ahoy", "Medieval_Madness", "Old_Mill", "Paradise", "Piece_of_Cake",
    "Pillars", "Polis", "Siege", "Brix_War", "Tower", "Underground",
};

std::string SamplePath(const std::string& name)
{
    return std::string(KETREL_BINARY_DIR) + "/main/" + name + ".scn";
}
}

// The bytes of a small known scene, written out by hand.
TEST(JubSceneFileWrite, GoldenBytes)
{
    FileFixture f;
    f.scene.GetPlayer(0).body->SetPosition(CKetrelVector2(-0.1f, 0.2f));   // cells -4, 8
    f.scene.GetPlayer(1).body->SetPosition(CKetrelVector2(0.1f, 0.2f));    // cells 4, 8
    f.scene.GetBlocks()->CreateBlock(10, CKetrelVector2(0.0f, 0.1f), 1, 2, 3);
    f.scene.GetBlocks()->CreateBlock(0, CKetrelVector2(-3.2f, 3.175f), 3, 0, 0);
    f.scene.AddMarker(CKetrelVector2(0.25f, -0.25f), CKetrelVector2(0.03f, 0.03f));

    Bytes expected = {'v', '1', '1', '0', 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
    for (int row = 0; row < 4; ++row)
        for (u8 i = 0; i < 4; ++i)
            PutU32(expected, i);
    expected.push_back(2);
    for (int k = 0; k < 3; ++k)
    {
        const u8 entry[6] = {0xFC, 0x08, 0x37, 0x5D, 0xFF, 0xFF};
        expected.insert(expected.end(), entry, entry + 6);
    }
    for (int k = 0; k < 3; ++k)
    {
        const u8 entry[6] = {0x04, 0x08, 0xFF, 0x92, 0x3A, 0xFF};
        expected.insert(expected.end(), entry, entry + 6);
    }
    const u8 rest[] = {2, 0x00, 0x04, 10, 1, 2, 3, 0x80, 0x7F, 0, 3, 0, 0, 1, 0x0A, 0xF6};
    expected.insert(expected.end(), rest, rest + sizeof(rest));

    EXPECT_EQ(expected, Written(f.scene));
    std::string path = f.dir.File("golden.scn");
    ASSERT_EQ(KE_OK, f.scene.Save(Widen(path)));
    EXPECT_EQ(expected, ReadFile(path));
    EXPECT_NE(0, access((path + ".tmp").c_str(), F_OK));
}

TEST(JubSceneFileWrite, PositionsOutsideTheGridClamp)
{
    FileFixture f;
    f.scene.GetPlayer(0).body->SetPosition(CKetrelVector2(-3.3f, 3.2f));
    f.scene.GetPlayer(1).body->SetPosition(CKetrelVector2(-0.0001f, 0.0126f));
    Bytes bytes = Written(f.scene);
    EXPECT_EQ(0x80, bytes[85]);
    EXPECT_EQ(0x7F, bytes[86]);
    EXPECT_EQ(0xFF, bytes[103]);   // -1: floored
    EXPECT_EQ(0x00, bytes[104]);
}

// Save, load and save again give the same bytes, and the first save keeps every block and
// marker record of the sample level as it was.
TEST(JubSceneFileRoundTrip, EverySampleLevel)
{
    for (const char* name : kSampleLevels)
    {
        Bytes original = ReadFile(SamplePath(name));
        ASSERT_GT(original.size(), 122u) << name << ": build the levels target";
        FileFixture f;
        ASSERT_EQ(KE_OK, f.scene.Load(Widen(SamplePath(name)))) << name;
        EXPECT_EQ(110, f.scene.GetVersion()) << name;
        std::string first = f.dir.File("first.scn");
        std::string second = f.dir.File("second.scn");
        ASSERT_EQ(KE_OK, f.scene.Save(Widen(first))) << name;
        int blocks = f.scene.GetBlocks()->GetCount();
        int markers = f.scene.GetMarkerCount();

        FileFixture g;
        ASSERT_EQ(KE_OK, g.scene.Load(Widen(first))) << name;
        ASSERT_EQ(KE_OK, g.scene.Save(Widen(second))) << name;
        EXPECT_EQ(blocks, g.scene.GetBlocks()->GetCount()) << name;
        EXPECT_EQ(markers, g.scene.GetMarkerCount()) << name;

        Bytes once = ReadFile(first);
        EXPECT_EQ(once, ReadFile(second)) << name;
        ASSERT_EQ(original.size(), once.size()) << name;
        EXPECT_TRUE(std::equal(original.begin() + 121, original.end(), once.begin() + 121)) << name;
        EXPECT_TRUE(std::equal(original.begin(), original.begin() + 85, once.begin())) << name;
        // The writer repeats the creature's cell, which is start entry 0.
        for (int p = 0; p < 2; ++p)
            for (int k = 0; k < 3; ++k)
                for (int b = 0; b < 2; ++b)
                    EXPECT_EQ(original[85 + 18 * p + b], once[85 + 18 * p + 6 * k + b]) << name;
    }
}

// Every start entry of every sample level puts a creature on a block above the water, a
// few cells above it, where it comes to rest without sliding off.
TEST(JubSceneFileSamples, CreaturesLandOnTheirBlocks)
{
    for (const char* name : kSampleLevels)
    {
        bool battle = !(name[0] >= '0' && name[0] <= '9');
        for (int k = 0; k < 3; ++k)
        {
            FileFixture f;
            ASSERT_EQ(KE_OK, f.scene.Load(Widen(SamplePath(name)))) << name;
            ASSERT_GT(f.scene.GetBlocks()->GetCount(), 0) << name;
            CKetrelVector2 start[2];
            for (int p = 0; p < 2; ++p)
            {
                start[p] = f.scene.GetHomePosition(p, k);
                f.scene.GetPlayer(p).body->SetPosition(start[p]);
            }
            for (int step = 0; step < 90; ++step)
                f.world.Step();
            for (int p = 0; p < 2; ++p)
            {
                const CJubPhysicsBody* body = f.scene.GetPlayer(p).body;
                CKetrelVector2 at = body->GetPosition();
                EXPECT_NEAR(start[p].x, at.x, 0.001f) << name << " player " << p << " entry " << k;
                EXPECT_LT(at.y, start[p].y) << name << " player " << p << " entry " << k;
                EXPECT_GT(at.y, start[p].y - 0.1f) << name << " player " << p << " entry " << k;
                EXPECT_GT(at.y - 0.05f, 0.0f) << name << " player " << p << " entry " << k;
                EXPECT_EQ(1u, body->GetResting()) << name << " player " << p << " entry " << k;
            }
        }
        if (battle)
        {
            FileFixture f;
            ASSERT_EQ(KE_OK, f.scene.Load(Widen(SamplePath(name))));
            for (int p = 0; p < 2; ++p)
            {
                const CKetrelVector2& a = f.scene.GetHomePosition(p, 0);
                const CKetrelVector2& b = f.scene.GetHomePosition(p, 1);
                const CKetrelVector2& c = f.scene.GetHomePosition(p, 2);
                EXPECT_FALSE(a.x == b.x && a.y == b.y) << name;
                EXPECT_FALSE(a.x == c.x && a.y == c.y) << name;
                EXPECT_FALSE(b.x == c.x && b.y == c.y) << name;
            }
        }
    }
}

TEST(JubSceneFileRead, VersionsTablesAndEntries)
{
    struct Case
    {
        const char* name;
        int version;          // of the file written
        bool appendMarkers;   // marker bytes after the blocks
        int readVersion;
        int markers;
        u32 table0;
    };
    const Case cases[] = {
        {"v110 with markers", 110, true, 110, 2, 4},
        {"v100 ignores marker bytes", 100, true, 100, 0, 4},
        {"headerless keeps the default tables", 0, true, 0, 0, 0},
        {"v110 without the marker count", 110, false, 110, 0, 4},
    };
    for (const Case& c : cases)
    {
        FileFixture f;
        Bytes bytes = Head(c.version, -40, 20, 40, 30);
        bytes.push_back(1);
        AddBlock(bytes, 0, 10, 1, 1, 2, 3);
        if (c.appendMarkers)
        {
            const u8 markers[] = {2, 5, 6, 0xFB, 0xFA};
            bytes.insert(bytes.end(), markers, markers + sizeof(markers));
        }
        ASSERT_EQ(KE_OK, f.Load(bytes)) << c.name;
        EXPECT_EQ(c.readVersion, f.scene.GetVersion()) << c.name;
        EXPECT_EQ(c.markers, f.scene.GetMarkerCount()) << c.name;
        EXPECT_EQ(c.table0, f.scene.GetIndexTable(0)) << c.name;
        EXPECT_EQ(c.version ? 103u : 3u, f.scene.GetIndexMatrix(0, 3)) << c.name;
        EXPECT_EQ(c.version ? 115u : 3u, f.scene.GetIndexMatrix(3, 3)) << c.name;
        ASSERT_EQ(1, f.scene.GetBlocks()->GetCount()) << c.name;
        const CJubBlock* block = f.scene.GetBlocks()->GetBlock(0);
        EXPECT_EQ(1, block->material) << c.name;
        EXPECT_EQ(2, block->flags) << c.name;
        EXPECT_EQ(3, block->layer) << c.name;
        EXPECT_FLOAT_EQ(0.25f, block->body->GetPosition().y) << c.name;

        // Entry 0 places the creature; all three are home positions.
        EXPECT_FLOAT_EQ(-1.0f, f.scene.GetPlayer(0).body->GetPosition().x) << c.name;
        EXPECT_FLOAT_EQ(0.75f, f.scene.GetPlayer(1).body->GetPosition().y) << c.name;
        EXPECT_FLOAT_EQ(-0.95f, f.scene.GetHomePosition(0, 2).x) << c.name;
        EXPECT_FLOAT_EQ(1.05f, f.scene.GetHomePosition(1, 2).x) << c.name;
        if (c.markers)
        {
            EXPECT_FLOAT_EQ(0.125f, f.scene.GetMarker(0)->position.x);
            EXPECT_FLOAT_EQ(-0.15f, f.scene.GetMarker(1)->position.y);
            EXPECT_FLOAT_EQ(0.03f, f.scene.GetMarker(1)->halfSize.x);
        }
        // The tables go out again as they came in.
        Bytes out = Written(f.scene);
        if (c.version)
        {
            EXPECT_TRUE(std::equal(bytes.begin() + 4, bytes.begin() + 84, out.begin() + 4)) << c.name;
        }
        EXPECT_EQ('v', out[0]);
    }
}

TEST(JubSceneFileRead, BlockRecords)
{
    struct Case
    {
        const char* name;
        std::vector<std::array<u8, 6>> records;
        int declared;             // the block count byte; -1: the record count
        int made;
        int firstMaterial;
    };
    const Case cases[] = {
        {"type 40 is skipped", {{0, 10, 40, 0, 0, 1}, {4, 10, 39, 2, 0, 1}}, -1, 1, 2},
        {"material 4 is paper", {{0, 10, 1, 4, 1, 1}}, -1, 1, 0},
        {"material 255 is paper", {{0, 10, 1, 255, 1, 1}}, -1, 1, 0},
        {"flags and layer above 3 are kept", {{0, 10, 1, 3, 9, 200}}, -1, 1, 3},
        {"count larger than the records", {{0, 10, 1, 1, 0, 1}}, 5, 1, 1},
    };
    for (const Case& c : cases)
    {
        FileFixture f;
        Bytes bytes = Head(110, 0, 40, 10, 40);
        bytes.push_back((u8)(c.declared < 0 ? c.records.size() : c.declared));
        for (const auto& r : c.records)
            AddBlock(bytes, (i8)r[0], (i8)r[1], r[2], r[3], r[4], r[5]);
        ASSERT_EQ(KE_OK, f.Load(bytes)) << c.name;
        ASSERT_EQ(c.made, f.scene.GetBlocks()->GetCount()) << c.name;
        EXPECT_EQ(c.firstMaterial, f.scene.GetBlocks()->GetBlock(0)->material) << c.name;
    }
    FileFixture f;
    Bytes bytes = Head(110, 0, 40, 10, 40);
    bytes.push_back(1);
    AddBlock(bytes, 0, 10, 1, 3, 9, 200);
    ASSERT_EQ(KE_OK, f.Load(bytes));
    EXPECT_EQ(9, f.scene.GetBlocks()->GetBlock(0)->flags);
    EXPECT_EQ(200, f.scene.GetBlocks()->GetBlock(0)->layer);
}

// 255 records, of which the 223 ids make 223 blocks; the markers after them still count.
TEST(JubSceneFileRead, TwoHundredFiftyFiveBlocks)
{
    FileFixture f;
    Bytes bytes = Head(110, -100, 100, 100, 100);
    bytes.push_back(255);
    for (int i = 0; i < 255; ++i)
        AddBlock(bytes, (i8)(i % 250 - 125), (i8)(i / 5), 0, (u8)(i % 4), 0, 1);
    const u8 markers[] = {1, 7, 8};
    bytes.insert(bytes.end(), markers, markers + sizeof(markers));
    ASSERT_EQ(KE_OK, f.Load(bytes));
    EXPECT_EQ(223, f.scene.GetBlocks()->GetCount());
    EXPECT_EQ(254, f.scene.GetBlocks()->GetBlock(222)->id);
    EXPECT_EQ(1, f.scene.GetMarkerCount());
    EXPECT_EQ(2 + 223, f.world.GetBodyCount());
    Bytes out = Written(f.scene);
    EXPECT_EQ(223, out[121]);
}

TEST(JubSceneFileRead, PlayerCounts)
{
    struct Case { const char* name; u8 count; int blocksAfter; f32 player1X; };
    const Case cases[] = {
        {"no players", 0, 1, 0.1f},
        {"one player", 1, 1, 0.1f},
        {"three players", 3, 1, 0.5f},
    };
    for (const Case& c : cases)
    {
        FileFixture f;
        Bytes bytes;
        bytes.push_back(c.count);
        for (int p = 0; p < c.count; ++p)
            for (int k = 0; k < 3; ++k)
            {
                const u8 entry[6] = {(u8)(20 * p), 40, 0, 0, 0, 0};
                bytes.insert(bytes.end(), entry, entry + 6);
            }
        bytes.push_back(1);
        AddBlock(bytes, 0, 10, 1, 0, 0, 1);
        ASSERT_EQ(KE_OK, f.Load(bytes)) << c.name;
        EXPECT_EQ(c.blocksAfter, f.scene.GetBlocks()->GetCount()) << c.name;
        EXPECT_FLOAT_EQ(c.player1X, f.scene.GetPlayer(1).body->GetPosition().x) << c.name;
    }
}

// Short files keep the defaults for what is missing; no prefix of a level is read beyond
// its end (the sanitizer build checks the reads).
TEST(JubSceneFileRead, ShortFilesKeepTheDefaults)
{
    Bytes full = Head(110, -8, 40, 8, 40);
    full.push_back(2);
    AddBlock(full, 0, 10, 10, 2, 3, 0);
    AddBlock(full, 20, 10, 5, 1, 1, 2);
    full.push_back(1);
    full.push_back(3);
    full.push_back(4);

    struct Case { const char* name; size_t size; int blocks; int material, flags, layer; int markers; };
    const Case cases[] = {
        {"empty", 0, 0, 0, 0, 0, 0},
        {"magic only", 4, 0, 0, 0, 0, 0},
        {"cut in the tables", 50, 0, 0, 0, 0, 0},
        {"cut in the entries", 100, 0, 0, 0, 0, 0},
        {"no block count", 121, 0, 0, 0, 0, 0},
        {"block cut after its type", 125, 1, 0, 0, 1, 0},
        {"block cut after its material", 126, 1, 2, 0, 1, 0},
        {"block cut after its flags", 127, 1, 2, 3, 1, 0},
        {"one whole block", 128, 1, 2, 3, 0, 0},
        {"second block half there", 130, 1, 2, 3, 0, 0},
        {"no marker count", 134, 2, 2, 3, 0, 0},
        {"marker cut", 136, 2, 2, 3, 0, 0},
        {"whole", 137, 2, 2, 3, 0, 1},
    };
    ASSERT_EQ(137u, full.size());
    for (const Case& c : cases)
    {
        FileFixture f;
        ASSERT_EQ(KE_OK, f.Load(Bytes(full.begin(), full.begin() + c.size))) << c.name;
        ASSERT_EQ(c.blocks, f.scene.GetBlocks()->GetCount()) << c.name;
        if (c.blocks)
        {
            const CJubBlock* block = f.scene.GetBlocks()->GetBlock(0);
            EXPECT_EQ(c.material, block->material) << c.name;
            EXPECT_EQ(c.flags, block->flags) << c.name;
            EXPECT_EQ(c.layer, block->layer) << c.name;
        }
        EXPECT_EQ(c.markers, f.scene.GetMarkerCount()) << c.name;
        if (c.size < 85)
        {
            EXPECT_FLOAT_EQ(-0.1f, f.scene.GetPlayer(0).body->GetPosition().x) << c.name;
            EXPECT_FLOAT_EQ(0.1f, f.scene.GetPlayer(1).body->GetPosition().x) << c.name;
        }
    }
    for (size_t size = 0; size <= full.size(); ++size)
    {
        FileFixture f;
        EXPECT_EQ(KE_OK, f.Load(Bytes(full.begin(), full.begin() + size))) << size;
    }
}

TEST(JubSceneFileRead, NameFromTheFileName)
{
    struct Case { const char* file; const char* name; };
    const Case cases[] = {
        {"Cave_In.scn", "Cave In"},
        {"Medieval_Madness.scn", "Medieval Madness"},
        {"/data/levels/Old_Mill.scn", "Old Mill"},
        {"01.scn", "01"},
        {"a_b_c.scn", "a b c"},
        {".scn", ""},
        {"ab", ""},
        {"", ""},
        {"dir_x/level", "l"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.name, Narrow(CJubScene::NameFromFileName(Widen(c.file)))) << c.file;

    FileFixture f;
    std::string path = f.dir.File("Land_Ahoy.scn");
    WriteFile(path, Head(110, 0, 40, 10, 40));
    ASSERT_EQ(KE_OK, f.scene.Load(Widen(path)));
    EXPECT_EQ("Land Ahoy", Narrow(f.scene.GetName()));
}

TEST(JubSceneFileRead, MissingFileLeavesTheSceneReset)
{
    FileFixture f;
    ASSERT_EQ(KE_OK, f.Load(Head(110, -40, 20, 40, 30)));
    f.scene.GetBlocks()->CreateBlock(1, CKetrelVector2(0.0f, 1.0f), 0, 0, 1);
    f.scene.GetPlayer(0).body->SetPosition(CKetrelVector2(2.0f, 2.0f));
    EXPECT_EQ(KE_ERR_OPEN, f.scene.Load(Widen(f.dir.File("nothing.scn"))));
    // Nothing of the level read before is left: no home positions, default tables.
    EXPECT_EQ(0.0f, f.scene.GetHomePosition(0, 1).x);
    EXPECT_EQ(0u, f.scene.GetIndexTable(0));
    EXPECT_EQ(0, f.scene.GetVersion());
    EXPECT_EQ(0, f.scene.GetBlocks()->GetCount());
    EXPECT_EQ(2, f.world.GetBodyCount());
    EXPECT_FLOAT_EQ(-0.1f, f.scene.GetPlayer(0).body->GetPosition().x);
    EXPECT_EQ("nothing", Narrow(f.scene.GetName()));
}

TEST(JubSceneFileRead, FromMemoryPlacesAtEveryEntry)
{
    FileFixture f;
    LevelSource source;
    f.scene.Init(&source, &f.camera, &f.world, 0);
    EXPECT_EQ(0, f.scene.LoadFromMemory(Widen("Old_Mill.scn")));
    EXPECT_EQ("Old_Mill.scn", source.asked);
    EXPECT_EQ("Old Mill", Narrow(f.scene.GetName()));

    source.bytes = Head(110, -40, 20, 40, 30);
    source.bytes.push_back(0);
    ASSERT_EQ(KE_OK, f.scene.LoadFromMemory(Widen("Old_Mill.scn")));
    // Head() moves each entry one cell right: the creature ends at entry 2.
    EXPECT_FLOAT_EQ(-0.95f, f.scene.GetPlayer(0).body->GetPosition().x);
    EXPECT_FLOAT_EQ(1.05f, f.scene.GetPlayer(1).body->GetPosition().x);
}

TEST(JubSceneFileRead, EditorScenesRecordNoHomePositions)
{
    CJubPhysicsWorld world;
    world.SetStep(1.0f / 30.0f, 4);
    CJubCamera camera;
    CJubScene scene;
    scene.Init(nullptr, &camera, &world, 1);
    TempDir dir;
    WriteFile(dir.File("e.scn"), Head(110, -40, 20, 40, 30));
    ASSERT_EQ(KE_OK, scene.Load(Widen(dir.File("e.scn"))));
    EXPECT_EQ(0.0f, scene.GetHomePosition(0, 0).x);
    EXPECT_FLOAT_EQ(-1.0f, scene.GetPlayer(0).body->GetPosition().x);
}

TEST(JubSceneFileWrite, MarkersUpToTheCountByte)
{
    FileFixture f;
    for (int i = 0; i < 300; ++i)
        f.scene.AddMarker(CKetrelVector2(0.025f * (i % 200 - 100), 1.0f), CKetrelVector2(0.03f, 0.03f));
    Bytes out = Written(f.scene);
    ASSERT_EQ(122u + 1 + 2 * 255, out.size());
    EXPECT_EQ(255, out[122]);
    FileFixture g;
    ASSERT_EQ(KE_OK, g.Load(out));
    EXPECT_EQ(255, g.scene.GetMarkerCount());
    EXPECT_EQ(out, Written(g.scene));
}

// A failed save says so and leaves what was there before.
TEST(JubSceneFileWrite, FailuresAreReportedAndKeepTheOldFile)
{
    FileFixture f;
    EXPECT_EQ(KE_ERR_OPEN, f.scene.Save(Widen(f.dir.File("no/such/dir.scn"))));
    EXPECT_EQ(KE_ERR_OPEN, f.scene.Save(CKetrelString()));

    // The target is a folder: the rename fails and the temporary file goes.
    std::string folder = f.dir.File("folder.scn");
    ASSERT_EQ(0, mkdir(folder.c_str(), 0700));
    WriteFile(folder + "/inside", Bytes{1, 2, 3});
    EXPECT_EQ(KE_ERR_DEVICE, f.scene.Save(Widen(folder)));
    EXPECT_NE(0, access((folder + ".tmp").c_str(), F_OK));
    EXPECT_EQ((Bytes{1, 2, 3}), ReadFile(folder + "/inside"));

    // Saving over an existing level replaces it whole.
    std::string level = f.dir.File("level.scn");
    WriteFile(level, Bytes(500, 0xAB));
    ASSERT_EQ(KE_OK, f.scene.Save(Widen(level)));
    EXPECT_EQ(Written(f.scene), ReadFile(level));
}

// The level tool's text holds a whole level: dumped and built again, it gives the same
// bytes. A broken text is refused and leaves no file.
TEST(JubSceneFileTool, DumpAndBuildAgain)
{
    const std::string tool = std::string(KETREL_BINARY_DIR) + "/tools/leveltool";
    TempDir dir;
    for (const char* name : kSampleLevels)
    {
        std::string text = dir.File("level.txt");
        std::string out = dir.File("level.scn");
        ASSERT_EQ(0, std::system((tool + " dump '" + SamplePath(name) + "' > '" + text + "'").c_str()));
        ASSERT_EQ(0, std::system((tool + " build '" + text + "' '" + out + "'").c_str())) << name;
        EXPECT_EQ(ReadFile(SamplePath(name)), ReadFile(out)) << name;
    }

    const char* const broken[] = {
        "block 0 0 40 0 0 1\n",        // type out of range
        "block 0 0 1 4 0 1\n",         // material out of range
        "block 200 0 1 0 0 1\n",       // cell out of range
        "entry 0 1 1\n",               // two entries missing
        "version 100\nmarker 1 1\n",   // markers need version 110
        "wall 1 2\n",
    };
    for (const char* text : broken)
    {
        std::string in = dir.File("broken.txt");
        std::string out = dir.File("broken.scn");
        std::ofstream(in) << text;
        EXPECT_NE(0, std::system((tool + " build '" + in + "' '" + out + "' 2>/dev/null").c_str())) << text;
        EXPECT_NE(0, access(out.c_str(), F_OK)) << text;
    }
}

// In the first training scene only the jump is allowed: a jump from start entry 0 onto the
// opponent's ledge pushes it into the water while the jumper stays dry. A jump adds the
// stretch × 6.9 / mass to the creature's velocity (stretches up to 0.4 long).
TEST(JubSceneFileSamples, FirstTrainingSceneIsWonByAJump)
{
    struct Case { int degrees; f32 stretch; };
    const Case cases[] = {{12, 0.31f}, {21, 0.25f}, {39, 0.19f}};
    for (const Case& c : cases)
    {
        FileFixture f;
        ASSERT_EQ(KE_OK, f.scene.Load(Widen(SamplePath("01"))));
        for (int step = 0; step < 60; ++step)
            f.world.Step();
        CJubPhysicsBody* jumper = f.scene.GetPlayer(0).body;
        f32 radians = (f32)c.degrees * 3.14159265f / 180.0f;
        f32 speed = c.stretch * 6.9f / jumper->GetMass();
        jumper->SetVelocity(CKetrelVector2(std::cos(radians) * speed, std::sin(radians) * speed));
        jumper->SetResting(0);
        for (int step = 0; step < 400; ++step)
            f.world.Step();
        EXPECT_LT(f.scene.GetPlayer(1).body->GetPosition().y, 0.0f) << c.degrees;
        EXPECT_GT(jumper->GetPosition().y, 0.5f) << c.degrees;
    }
}
