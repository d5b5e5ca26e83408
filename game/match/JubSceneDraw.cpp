// The scene's drawing: blocks in layers and batches, creatures with their aim dots and worn
// items, floating numbers and health, and the editor's markers; all through the renderer.
#include "game/match/JubScene.h"

#include "engine/KetrelColor.h"
#include "engine/KetrelMath.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubBlock.h"
#include "game/match/JubPhysicsBody.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubPlayer.h"
#include "game/match/JubRenderer.h"

#include <cmath>

namespace
{
const i32 kLayers = 4;
const i32 kStyles = 4;              // block flags 0..3 pick the shape picture
const f32 kPi = 3.14159265358979f;

// Pictures of the asset-name table.
const i32 kImageCreatureSheet = 4;  // + player
const i32 kImageStretch = 9;        // + player
const i32 kImageBlockStyle = 28;    // + flags
const i32 kImageMaterial = 32;      // + material x 3 + variant
const i32 kImageMarker = 61;
const i32 kMarkerCells = 16;
const i32 kSheetColumns = 8;
const i32 kSheetRows = 10;

const f32 kCreatureScale = 1.75f;
const f32 kItemScale = 1.75f * 24.0f / 13.0f;
const f32 kOutlineMargin = 0.01f;
const f32 kAimDotHalf = 0.02f;

CKetrelColor White()
{
    CKetrelColor c;
    c.Set(1.0f, 1.0f, 1.0f, 1.0f);
    return c;
}

// The material picture of a layer: the main layer 1 gets the clean variant, the layers
// before and after it the worn ones, so the depth of a level reads at a glance.
i32 MaterialVariant(u8 layer)
{
    return layer == 1 ? 0 : (layer == 2 ? 1 : 2);
}

// Damaged blocks darken: full health as painted, none at 0.55.
f32 BlockShade(const CJubBlock* block)
{
    i32 health = block->shownHealth;
    if (health < 0)
        health = 0;
    if (health > JUB_BLOCK_FULL_HEALTH)
        health = JUB_BLOCK_FULL_HEALTH;
    return 0.55f + 0.45f * (f32)health / (f32)JUB_BLOCK_FULL_HEALTH;
}

CJubBlockQuad BlockQuad(const CJubBlock* block)
{
    CJubBlockQuad quad;
    quad.centre = block->body->GetPosition();
    quad.centre.Add(block->wobble);
    quad.halfSize = block->body->GetHalfSize();
    quad.shade = BlockShade(block);
    return quad;
}

bool OverlapByMargin(const CJubPhysicsWorld* world, const CJubBlock* a, const CJubBlock* b)
{
    const CKetrelRectF boxA = a->body->GetBox();
    const CKetrelRectF boxB = b->body->GetBox();
    if (world)
        return world->BoxesOverlapByMargin(boxA, boxB);
    const f32 margin = 0.001f;
    return boxA.right - boxB.left > margin && boxB.right - boxA.left > margin &&
           boxA.bottom - boxB.top > margin && boxB.bottom - boxA.top > margin;
}
} // namespace

void CJubScene::RenderBlocks(CJubRenderer& renderer, i32 outlines)
{
    m_blockBatches = 0;
    if (!m_blocks)
        return;
    CJubAssetCache* assets = renderer.GetAssets();
    // Lists by layer, in block order; every array is sized for a full level, so a frame
    // allocates nothing.
    CJubBlock* lists[kLayers][JUB_BLOCK_MAX_COUNT];
    i32 counts[kLayers] = {0, 0, 0, 0};
    const i32 total = m_blocks->GetCount();
    for (i32 i = 0; i < total; ++i)
    {
        CJubBlock* block = m_blocks->GetBlock(i);
        if (!block || !block->body || block->layer >= kLayers)
            continue;
        i32& n = counts[block->layer];
        if (n < JUB_BLOCK_MAX_COUNT)
            lists[block->layer][n++] = block;
    }

    CJubBlockQuad quads[JUB_BLOCK_MAX_COUNT];
    const CJubBlock* batch[JUB_BLOCK_MAX_COUNT];
    bool drawn[JUB_BLOCK_MAX_COUNT];
    for (i32 layer = 0; layer < kLayers; ++layer)
    {
        CJubBlock** list = lists[layer];
        const i32 n = counts[layer];
        if (n == 0)
            continue;
        if (layer >= 1 && outlines)
        {
            i32 k = 0;
            for (i32 i = 0; i < n; ++i)
                if (list[i]->material != 2)
                    quads[k++] = BlockQuad(list[i]);
            CKetrelColor rim;
            rim.Set(0.45f, 0.45f, 0.45f, 1.0f);
            CKetrelSurface* shape = assets ? assets->GetImage(kImageBlockStyle) : nullptr;
            renderer.DrawBlockOutlines(quads, k, shape, rim, kOutlineMargin);
        }
        for (i32 i = 0; i < n; ++i)
            drawn[i] = false;
        for (u8 material = 0; material < JUB_BLOCK_MATERIAL_COUNT; ++material)
        {
            for (u8 flags = 0; flags < kStyles; ++flags)
            {
                for (;;)
                {
                    i32 size = 0;
                    for (i32 i = 0; i < n; ++i)
                    {
                        CJubBlock* block = list[i];
                        if (drawn[i] || block->material != material || block->flags != flags)
                            continue;
                        bool clear = true;
                        for (i32 j = 0; j < size && clear; ++j)
                            clear = !OverlapByMargin(m_world, block, batch[j]);
                        if (!clear)
                            continue;
                        batch[size] = block;
                        quads[size] = BlockQuad(block);
                        ++size;
                        drawn[i] = true;
                    }
                    if (size == 0)
                        break;
                    CKetrelSurface* shape =
                        assets ? assets->GetImage(kImageBlockStyle + flags) : nullptr;
                    CKetrelSurface* surface =
                        assets ? assets->GetImage(kImageMaterial + material * 3 +
                                                  MaterialVariant((u8)layer))
                               : nullptr;
                    renderer.DrawBlockBatch(quads, size, shape, surface);
                    ++m_blockBatches;
                }
            }
        }
    }
}

void CJubScene::RenderCreature(CJubRenderer& renderer, i32 player, u32 clockMs, i32 row)
{
    if (player < 0 || player >= JUB_SCENE_PLAYERS)
        return;
    const CJubPlayer& p = m_players[player];
    if (!p.alive || !p.body)
        return;
    CJubAssetCache* assets = renderer.GetAssets();
    const CKetrelVector2 half = p.body->GetHalfSize();

    if (p.aiming)
    {
        // The stretch picture lies along +u from the pulled tail to the head: the tail
        // follows the whip vector, the head stays at the creature.
        CKetrelVector2 back = p.whipVector;
        f32 pull = back.Length();
        if (pull < 1e-4f)
            back.Set(-1.0f, 0.0f);
        else
            back.Scale(1.0f / pull);
        const f32 hx = kCreatureScale * half.x, hy = kCreatureScale * half.y;
        const CKetrelVector2 centre = p.body->GetPosition();
        const CKetrelVector2 side(back.y * hy, -back.x * hy);   // left of the head's way
        const CKetrelVector2 tail(centre.x + back.x * (hx + pull), centre.y + back.y * (hx + pull));
        const CKetrelVector2 head(centre.x - back.x * hx, centre.y - back.y * hx);
        const CKetrelVector2 corners[4] = {
            CKetrelVector2(tail.x + side.x, tail.y + side.y),
            CKetrelVector2(head.x + side.x, head.y + side.y),
            CKetrelVector2(head.x - side.x, head.y - side.y),
            CKetrelVector2(tail.x - side.x, tail.y - side.y)};
        CKetrelSurface* stretch = assets ? assets->GetImage(kImageStretch + player) : nullptr;
        renderer.DrawCreatureQuad(corners, stretch, p.colour);
        if (p.aimPreview)
            RenderAimDots(renderer, player);
        return;
    }

    // Breathing: a half-second cycle, the two players out of phase.
    const f32 phase = (f32)player * 3.0f * kPi / 4.0f +
                      (f32)(clockMs % 500u) / 500.0f * 2.0f * kPi;
    const f32 breath = 1.0f + 0.18f * std::sin(phase);
    const CKetrelVector2& last = p.body->GetLastPosition();
    CKetrelSurface* sheet = assets ? assets->GetImage(kImageCreatureSheet + player) : nullptr;
    const CKetrelRectF cell =
        CJubRenderer::SheetCell(p.aimDirection, row, kSheetColumns, kSheetRows);
    const CKetrelVector2 size(kCreatureScale * half.x * breath, kCreatureScale * half.y * breath);
    const CKetrelVector2 at(last.x, last.y + half.y / 5.0f);
    const CKetrelVector2 corners[4] = {
        CKetrelVector2(at.x - size.x, at.y + size.y), CKetrelVector2(at.x + size.x, at.y + size.y),
        CKetrelVector2(at.x + size.x, at.y - size.y), CKetrelVector2(at.x - size.x, at.y - size.y)};
    renderer.DrawCreatureQuad(corners, sheet, p.colour, &cell);

    if (p.wearsItem && p.wornItemTexture)
    {
        const CKetrelVector2 itemAt(last.x, last.y + half.y / 0.575f);
        const CKetrelVector2 itemSize(kItemScale * half.x * breath, kItemScale * half.y * breath);
        const CKetrelVector2 item[4] = {
            CKetrelVector2(itemAt.x - itemSize.x, itemAt.y + itemSize.y),
            CKetrelVector2(itemAt.x + itemSize.x, itemAt.y + itemSize.y),
            CKetrelVector2(itemAt.x + itemSize.x, itemAt.y - itemSize.y),
            CKetrelVector2(itemAt.x - itemSize.x, itemAt.y - itemSize.y)};
        renderer.DrawCreatureQuad(item, p.wornItemTexture, White());
    }
}

void CJubScene::RenderCreatures(CJubRenderer& renderer, u32 clockMs)
{
    for (i32 p = 0; p < JUB_SCENE_PLAYERS; ++p)
        RenderCreature(renderer, p, clockMs, 0);
}

void CJubScene::RenderAimDots(CJubRenderer& renderer, i32 player)
{
    const CJubPlayer& p = m_players[player & 1];
    if (!p.body)
        return;
    CKetrelVector2 direction(-p.aimVector.x, -p.aimVector.y);
    if (direction.Length() < 1e-4f)
        return;
    direction.Normalize();
    // The whip vector arrives in game events: held to 1..10 dots, NaN included.
    const i32 dots = KetrelClampToInt(1.0f + p.whipVector.Length() / 0.4f * 10.0f, 1, 10);
    CJubAssetCache* assets = renderer.GetAssets();
    CKetrelSurface* strip = assets ? assets->GetImage(kImageMarker) : nullptr;
    const CKetrelVector2& from = p.body->GetPosition();
    for (i32 i = 0; i < dots; ++i)
    {
        const f32 along = 0.1f + 0.06f * (f32)i;
        const CKetrelVector2 at(from.x + direction.x * along, from.y + direction.y * along);
        const CKetrelRectF cell = CJubRenderer::SheetCell(i, 0, kMarkerCells, 1);
        renderer.DrawWorldSprite(JUB_SHADER_WORLD, at, CKetrelVector2(kAimDotHalf, kAimDotHalf),
                                 strip, White(), &cell);
    }
}

void CJubScene::RenderMarkers(CJubRenderer& renderer)
{
    CJubAssetCache* assets = renderer.GetAssets();
    CKetrelSurface* strip = assets ? assets->GetImage(kImageMarker) : nullptr;
    const CKetrelRectF cell = CJubRenderer::SheetCell(0, 0, kMarkerCells, 1);
    for (i32 i = 0; i < m_markers.GetCount(); ++i)
    {
        const CJubSceneMarker* marker = GetMarker(i);
        if (marker)
            renderer.DrawWorldSprite(JUB_SHADER_WORLD, marker->position, marker->halfSize, strip,
                                     White(), &cell);
    }
}

void CJubScene::DrawCreatureNumbers(CJubRenderer& renderer)
{
    CKetrelBitmapFont* font = renderer.GetFont(0);
    const CJubCamera& camera = renderer.GetCamera();
    const f32 line = font ? (f32)font->GetLineHeight() : 0.0f;
    const f32 wrap = 0.6f * renderer.GetScreenWidth();
    for (i32 player = 0; player < JUB_SCENE_PLAYERS; ++player)
    {
        const CJubPlayer& p = m_players[player];
        if (!p.displayFlag || !p.body)
            continue;
        CKetrelVector2& anchor = m_numberAnchor[player];
        if (p.alive && p.body->GetPosition().y > 0.0f)
            anchor = p.body->GetPosition();
        const f32 half = p.body->GetHalfSize().y;
        CKetrelVector2 at(anchor.x, (anchor.y < 0.0f ? 0.0f : anchor.y) + half + p.displayTimer);
        CKetrelVector2 screen;
        camera.WorldToScreen(at, screen);
        CKetrelString text;
        for (i32 slot = 0; slot < JUB_DISPLAY_SLOTS; ++slot)
        {
            if (p.displaySlots[slot] <= 0)
                continue;
            text.Format(L"-%d", p.displaySlots[slot]);
            renderer.DrawText(text, CKetrelRectF(screen.x, screen.y - line / 2, screen.x + wrap,
                                                 screen.y + line / 2),
                              0xFFFFFFFFu, 0x410, 0);
            screen.y -= line;
        }
        camera.WorldToScreen(CKetrelVector2(anchor.x, anchor.y - 2.0f * half), screen);
        text.Format(L"%d", p.health);
        renderer.DrawText(text, CKetrelRectF(screen.x, screen.y - line / 2, screen.x + wrap,
                                             screen.y + line / 2),
                          0xFFFFFFFFu, 0x210, 0);
    }
}
