// The ".scn" level file: reading and writing. All multi-byte values are little-endian.
//
//   offset 0   "v100" or "v110" (optional; without it parsing starts at the player count)
//          4   index table, 4 x u32
//         20   index matrix, 16 x u32, row by row
//         84   player count (u8)
//              per player, 3 start entries: grid x (i8), grid y (i8), colour (u32, ignored)
//              block count (u8), then per block: grid x, grid y, type, material, flags, layer
//              version 110 only: marker count (u8), then per marker: grid x, grid y
#include "game/match/JubScene.h"

#include "engine/KetrelFile.h"
#include "engine/KetrelResult.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubPhysicsWorld.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
const u8 kMagic100[4] = {'v', '1', '0', '0'};
const u8 kMagic110[4] = {'v', '1', '1', '0'};
// Larger than any level can be (255 start entries of 255 players, 255 blocks, 255
// markers); bytes beyond it are never parsed, so they are not read either.
const i32 kMaxLevelBytes = 64 * 1024;
const f32 kMarkerHalfSize = 0.03f;

// Reads fields from a byte range; a field that does not fit is not read.
class CLevelReader
{
public:
    CLevelReader(const u8* data, i32 size) : m_data(data), m_size(size > 0 ? size : 0), m_at(0) {}

    bool Has(i32 count) const { return m_data && count <= m_size - m_at; }
    u8 U8() { return m_data[m_at++]; }
    i8 I8() { return (i8)U8(); }
    u32 U32()
    {
        u32 value = (u32)m_data[m_at] | ((u32)m_data[m_at + 1] << 8)
            | ((u32)m_data[m_at + 2] << 16) | ((u32)m_data[m_at + 3] << 24);
        m_at += 4;
        return value;
    }
    // Moves past up to count bytes.
    void Skip(i32 count) { m_at += count < m_size - m_at ? count : m_size - m_at; }
    void SetPosition(i32 at) { m_at = at; }
    const u8* Here() const { return m_data + m_at; }

private:
    const u8* m_data;
    i32 m_size;
    i32 m_at;
};

void PutU8(CKetrelArray<u8>& out, u8 value)
{
    out.Add(value);
}

void PutU32(CKetrelArray<u8>& out, u32 value)
{
    for (i32 i = 0; i < 4; ++i)
        out.Add((u8)(value >> (8 * i)));
}

// The engine's 8-bit path: one byte per unit; a unit of 0 or above 0xFF cannot be kept.
bool NarrowPath(const CKetrelString& path, std::string& out)
{
    out.clear();
    for (i32 i = 0; i < path.GetLength(); ++i)
    {
        u16 unit = path.GetAt(i);
        if (unit == 0 || unit > 0xFF)
            return false;
        out.push_back((char)(u8)unit);
    }
    return !out.empty();
}
}

CKetrelString CJubScene::NameFromFileName(const CKetrelString& fileName)
{
    i32 start = fileName.ReverseFind((u16)'/') + 1;
    i32 length = fileName.GetLength() - start - 4;
    if (length <= 0)
        return CKetrelString();
    CKetrelString name(fileName, start, length);
    for (i32 i = 0; i < name.GetLength(); ++i)
    {
        if (name.GetAt(i) == (u16)'_')
            name.SetAt(i, (u16)' ');
    }
    return name;
}

int CJubScene::Load(const CKetrelString& fileName)
{
    Reset();
    ResetTables();
    m_version = 0;
    m_name = NameFromFileName(fileName);

    CKetrelFile file;
    int rc = file.Open(fileName, KE_FILE_READ);
    if (rc != KE_OK)
        return rc;
    i32 size = file.GetSize();
    if (size > kMaxLevelBytes)
        size = kMaxLevelBytes;
    CKetrelArray<u8> bytes;
    if (size > 0)
    {
        bytes.SetSize(size);
        size = (i32)file.Read(bytes.GetData(), (u32)size);
    }
    file.Close();
    return ParseLevel(bytes.GetData(), size, false);
}

int CJubScene::LoadFromMemory(const CKetrelString& fileName)
{
    Reset();
    ResetTables();
    m_version = 0;
    m_name = NameFromFileName(fileName);
    if (!m_assets)
        return 0;
    u8* data = nullptr;
    i32 size = m_assets->ReadResource(fileName, &data);
    if (size <= 0 || !data)
    {
        delete[] data;
        return 0;
    }
    int rc = ParseLevel(data, size, true);
    delete[] data;
    return rc;
}

int CJubScene::ParseLevel(const u8* data, i32 size, bool placeAtEveryEntry)
{
    ResetTables();
    CLevelReader in(data, size);

    m_version = 0;
    if (in.Has(4) && std::memcmp(in.Here(), kMagic100, 4) == 0)
        m_version = JUB_SCENE_VERSION_100;
    else if (in.Has(4) && std::memcmp(in.Here(), kMagic110, 4) == 0)
        m_version = JUB_SCENE_VERSION_110;
    if (m_version != 0)
    {
        in.Skip(4);
        for (i32 i = 0; i < 4 && in.Has(4); ++i)
            m_indexTable[i] = in.U32();
        for (i32 i = 0; i < 16 && in.Has(4); ++i)
            m_indexMatrix[i] = in.U32();
    }

    // Two players when the count is missing; the entries of any further ones are read past.
    i32 players = in.Has(1) ? (i32)in.U8() : (i32)JUB_SCENE_PLAYERS;
    for (i32 p = 0; p < players; ++p)
    {
        for (i32 k = 0; k < JUB_SCENE_START_ENTRIES && in.Has(2); ++k)
        {
            i8 gx = in.I8();
            i8 gy = in.I8();
            in.Skip(4);   // the colour: players always take the scene's own
            if (p >= JUB_SCENE_PLAYERS)
                continue;
            CKetrelVector2 position;
            m_camera->GridToWorld(gx, gy, position);
            CJubPhysicsBody* body = m_players[p].body;
            if (body && (k == 0 || placeAtEveryEntry))
                body->SetPosition(position);
            if (!m_editor)
                m_home[p][k] = position;
        }
    }

    // A block needs its cell and type; a record cut short after them takes material 0,
    // flags 0 and layer 1.
    i32 blocks = in.Has(1) ? in.U8() : 0;
    for (i32 b = 0; b < blocks && in.Has(3); ++b)
    {
        i8 gx = in.I8();
        i8 gy = in.I8();
        u8 type = in.U8();
        u8 material = in.Has(1) ? in.U8() : 0;
        u8 flags = in.Has(1) ? in.U8() : 0;
        u8 layer = in.Has(1) ? in.U8() : 1;
        // Material indexes the bounce, damage and texture tables: an unknown one is paper.
        if (material >= JUB_BLOCK_MATERIAL_COUNT)
            material = 0;
        CKetrelVector2 position;
        m_camera->GridToWorld(gx, gy, position);
        if (m_blocks)
            m_blocks->CreateBlock(type, position, material, flags, layer);
    }

    if (m_version > 109)
    {
        i32 markers = in.Has(1) ? in.U8() : 0;
        for (i32 i = 0; i < markers && in.Has(2); ++i)
        {
            i8 gx = in.I8();
            i8 gy = in.I8();
            CKetrelVector2 position;
            m_camera->GridToWorld(gx, gy, position);
            AddMarker(position, CKetrelVector2(kMarkerHalfSize, kMarkerHalfSize));
        }
    }
    return KE_OK;
}

void CJubScene::WriteLevel(CKetrelArray<u8>& out) const
{
    out.RemoveAll();
    for (u8 c : kMagic110)
        PutU8(out, c);
    for (i32 i = 0; i < 4; ++i)
        PutU32(out, m_indexTable[i]);
    for (i32 i = 0; i < 16; ++i)
        PutU32(out, m_indexMatrix[i]);

    PutU8(out, JUB_SCENE_PLAYERS);
    for (i32 p = 0; p < JUB_SCENE_PLAYERS; ++p)
    {
        const CJubPlayer& player = m_players[p];
        CKetrelVector2 position;
        if (player.body)
            position = player.body->GetPosition();
        i8 gx, gy;
        m_camera->WorldToGrid(position, gx, gy);
        u32 colour = m_colours[p].GetARGB();
        for (i32 k = 0; k < JUB_SCENE_START_ENTRIES; ++k)
        {
            PutU8(out, (u8)gx);
            PutU8(out, (u8)gy);
            PutU32(out, colour);
        }
    }

    i32 blocks = m_blocks ? m_blocks->GetCount() : 0;
    PutU8(out, (u8)blocks);   // a set holds at most 223 blocks
    for (i32 b = 0; b < blocks; ++b)
    {
        const CJubBlock* block = m_blocks->GetBlock(b);
        CKetrelVector2 position;
        if (block->body)
            position = block->body->GetPosition();
        i8 gx, gy;
        m_camera->WorldToGrid(position, gx, gy);
        PutU8(out, (u8)gx);
        PutU8(out, (u8)gy);
        PutU8(out, block->type);
        PutU8(out, block->material);
        PutU8(out, block->flags);
        PutU8(out, block->layer);
    }

    i32 markers = m_markers.GetCount();
    if (markers > JUB_SCENE_MAX_MARKERS)
        markers = JUB_SCENE_MAX_MARKERS;
    PutU8(out, (u8)markers);
    for (i32 i = 0; i < markers; ++i)
    {
        const CJubSceneMarker* marker = (const CJubSceneMarker*)m_markers.GetAt(i);
        i8 gx, gy;
        m_camera->WorldToGrid(marker->position, gx, gy);
        PutU8(out, (u8)gx);
        PutU8(out, (u8)gy);
    }
}

int CJubScene::Save(const CKetrelString& fileName) const
{
    std::string target;
    if (!NarrowPath(fileName, target))
        return KE_ERR_OPEN;
    std::string temporary = target + ".tmp";

    CKetrelArray<u8> bytes;
    WriteLevel(bytes);

    FILE* stream = std::fopen(temporary.c_str(), "wb");
    if (!stream)
        return KE_ERR_OPEN;
    size_t count = (size_t)bytes.GetCount();
    bool written = std::fwrite(bytes.GetData(), 1, count, stream) == count;
    written = std::fflush(stream) == 0 && written;
    // A full disk may only show when the last buffer goes out at close.
    written = std::fclose(stream) == 0 && written;
    if (!written || std::rename(temporary.c_str(), target.c_str()) != 0)
    {
        std::remove(temporary.c_str());
        return KE_ERR_DEVICE;
    }
    return KE_OK;
}
