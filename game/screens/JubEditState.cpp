#include "game/screens/JubEditState.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "game/match/JubBlock.h"
#include "game/match/JubCamera.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubPhysicsBody.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubScene.h"
#include "game/screens/JubScreenKit.h"
#include "game/screens/StateGame.h"

#include <cstdio>
#include <new>

namespace
{
const u32 kPickKinds = 7;
const u32 kPickGroups = 3;
const f32 kEditorWater = 0.1f;     // the renderer's water level in the editor's view
}

CJubEditState::CJubEditState()
    : m_scene(nullptr), m_mirror(0), m_modified(0), m_testView(0), m_selectedMarker(-1),
      m_fileName("newscene.scn"), m_hideTexts(0), m_elapsed(0.0f), m_pan(0), m_paletteDrag(0),
      m_grid(1), m_paletteType(0), m_material(0), m_flags(0), m_layer(1), m_paletteCell(0),
      m_paletteChosen(0), m_blockSelected(0), m_pinchHeld(0)
{
}

CJubEditState::~CJubEditState()
{
    Deinit();
}

int CJubEditState::Init(CJubGameHost* game)
{
    int rc = CJubState::Init(game);
    if (rc != KE_OK)
        return rc;
    if (!m_world || !m_renderer)
        return KE_ERR_ARGUMENT;
    m_stateId = JUB_SCREEN_EDITOR;
    m_grid = 1;
    for (i32 i = 0; i < JUB_IMAGE_COUNT; ++i)
        game->GetAssets()->GetImage(i);
    if (CStateGame* shell = JubShellGame(game))
    {
        shell->GetFont();
        m_fileName = shell->GetEditorFileName();
    }
    m_selectedMarker = -1;
    m_testView = m_hideTexts = m_modified = m_pan = m_paletteDrag = 0;
    LayOut();
    delete m_scene;
    m_scene = new (std::nothrow) CJubScene();
    if (!m_scene)
        return KE_ERR_MEMORY;
    m_scene->Init(game->GetAssets() ? game->GetAssets()->GetSource() : nullptr,
                  &m_renderer->GetCamera(), m_world, 1);
    m_mirror = 0;
    Reset();
    return KE_OK;
}

void CJubEditState::Deinit()
{
    delete m_scene;
    m_scene = nullptr;
}

void CJubEditState::Reset()
{
    CJubState::Reset();
    if (m_scene)
        m_scene->Reset();
    if (m_renderer)
    {
        CJubCamera& camera = m_renderer->GetCamera();
        camera.StopFollowing();
        camera.SetViewOffset(CKetrelVector2(0.0f, 1.5f));
        camera.SetZoom(0.3f);
        camera.SetZoomTarget(0.3f);
    }
    m_grab.Set(0.0f, 0.0f);
    m_layer = 1;
    m_material = m_flags = 0;
    m_paletteType = m_paletteCell = m_paletteChosen = 0;
    m_pan = m_paletteDrag = m_pinchHeld = 0;
    ClearSelection();
}

void CJubEditState::LayOut()
{
    const f32 w = m_renderer->GetScreenWidth();
    const f32 h = m_renderer->GetScreenHeight();
    const f32 c = w / 40.0f;
    const f32 p = w / 16.0f;
    for (i32 i = 0; i < JUB_EDIT_PALETTE_CELLS; ++i)
    {
        const f32 x = 2.5f * p + (f32)i * 2.2f * p;
        m_palette[i] = CKetrelRectF(x - p, 1.1f * p - p, x + p, 1.1f * p + p);
    }
    m_tools[JUB_TOOL_TEST_VIEW] = CKetrelRectF(0.0f, h - 2.0f * c, 2.0f * c, h);
    m_tools[JUB_TOOL_HIDE_TEXTS] = CKetrelRectF(w - 2.0f * c, h - 2.0f * c, w, h);
    m_tools[JUB_TOOL_SAVE] = CKetrelRectF(w / 2.0f - c, h - 2.0f * c, w / 2.0f + c, h);
    m_tools[JUB_TOOL_DELETE] = CKetrelRectF(w / 2.0f - c, h / 2.0f - c, w / 2.0f + c, h / 2.0f + c);
    m_tools[JUB_TOOL_GRID] = CKetrelRectF(w - 2.0f * c, h / 2.0f - c, w, h / 2.0f + c);
    m_tools[JUB_TOOL_MIRROR] = CKetrelRectF(w - 2.0f * c, 0.75f * h - c, w, 0.75f * h + c);
    const f32 columns[4] = {c, 4.0f * c, 7.0f * c, 10.0f * c};
    for (i32 i = 0; i < 4; ++i)
        m_tools[JUB_TOOL_MATERIAL0 + i] =
            CKetrelRectF(columns[i], h / 2.0f - 4.0f * c, columns[i] + 2.0f * c, h / 2.0f - 2.0f * c);
    for (i32 i = 0; i < 3; ++i)
    {
        m_tools[JUB_TOOL_FLAGS0 + i] =
            CKetrelRectF(columns[i], h / 2.0f - c, columns[i] + 2.0f * c, h / 2.0f + c);
        m_tools[JUB_TOOL_LAYER0 + i] =
            CKetrelRectF(columns[i], h / 2.0f + 2.0f * c, columns[i] + 2.0f * c, h / 2.0f + 4.0f * c);
    }
}

// ------------------------------------------------------------------ editing

void CJubEditState::ScreenToWorld(const CKetrelVector2& screen, CKetrelVector2& world) const
{
    m_renderer->GetCamera().ScreenToWorld(screen, world);
}

void CJubEditState::Snap(const CKetrelVector2& world, CKetrelVector2& snapped) const
{
    m_renderer->GetCamera().SnapToGrid(world, snapped);
}

void CJubEditState::Mirrored(const CKetrelVector2& snapped, CKetrelVector2& out, i32* onAxis) const
{
    i8 gx = 0, gy = 0;
    const CJubCamera& camera = m_renderer->GetCamera();
    camera.WorldToGrid(snapped, gx, gy);
    camera.GridToWorld(-(i32)gx, gy, out);
    if (onAxis)
        *onAxis = gx == 0 ? 1 : 0;
}

CJubBlock* CJubEditState::GetSelected() const
{
    if (!m_scene || !m_blockSelected)
        return nullptr;
    return m_scene->GetBlocks()->FindBlock((u8)m_scene->GetSelection());
}

void CJubEditState::ClearSelection()
{
    m_blockSelected = 0;
    if (m_scene)
        m_scene->SetSelection(-1);
}

CJubBlock* CJubEditState::PlaceBlock(const CKetrelVector2& world)
{
    if (!m_scene)
        return nullptr;
    CJubBlockSet* blocks = m_scene->GetBlocks();
    CKetrelVector2 snapped;
    Snap(world, snapped);
    CJubBlock* block = blocks->GetCount() < JUB_EDIT_MAX_BLOCKS
                           ? blocks->CreateBlock((u8)m_paletteType, snapped, (u8)m_material,
                                                 (u8)m_flags, (u8)m_layer)
                           : nullptr;
    if (!block)
    {
        ClearSelection();
        return nullptr;
    }
    if (m_mirror)
    {
        CKetrelVector2 mirrored;
        i32 onAxis = 0;
        Mirrored(snapped, mirrored, &onAxis);
        if (!onAxis && blocks->GetCount() < JUB_EDIT_MAX_BLOCKS)
        {
            const u8 id = block->id;
            CJubBlock* twin = blocks->CreateBlock((u8)m_paletteType, mirrored, (u8)m_material,
                                                  (u8)m_flags, (u8)m_layer);
            block = blocks->FindBlock(id);
            if (twin && block)
                blocks->LinkTwins(block, twin);
        }
    }
    if (!block)
    {
        ClearSelection();
        return nullptr;
    }
    m_scene->SetSelection(block->id);
    m_blockSelected = 1;
    return block;
}

void CJubEditState::MoveSelected(const CKetrelVector2& world)
{
    CJubBlock* block = GetSelected();
    if (!block || !block->body)
        return;
    CKetrelVector2 snapped;
    Snap(world, snapped);
    block->body->SetPosition(snapped);
    block->body->SetLastPosition(snapped);
    if (m_mirror && block->twin && block->twin->body)
    {
        CKetrelVector2 mirrored;
        Mirrored(snapped, mirrored, nullptr);
        block->twin->body->SetPosition(mirrored);
        block->twin->body->SetLastPosition(mirrored);
    }
    m_modified = 1;
}

void CJubEditState::DeleteSelected()
{
    CJubBlock* block = GetSelected();
    if (!block)
        return;
    CJubBlockSet* blocks = m_scene->GetBlocks();
    const u8 id = block->id;
    if (m_mirror && block->twin)
    {
        const u8 twinId = block->twin->id;
        blocks->LinkTwins(block, nullptr);
        blocks->RemoveBlock(twinId);
    }
    blocks->RemoveBlock(id);
    ClearSelection();
}

void CJubEditState::ApplyStyle(i32 material, i32 flags, i32 layer)
{
    if (material >= 0)
        m_material = material;
    if (flags >= 0)
        m_flags = flags;
    if (layer >= 0)
        m_layer = layer;
    CJubBlock* block = GetSelected();
    CJubBlock* targets[2] = {block, (block && m_mirror) ? block->twin : nullptr};
    for (CJubBlock* b : targets)
    {
        if (!b)
            continue;
        if (material >= 0)
            b->material = (u8)material;
        if (flags >= 0)
            b->flags = (u8)flags;
        if (layer >= 0)
            b->layer = (u8)layer;
    }
}

void CJubEditState::ToggleMarker(const CKetrelVector2& world)
{
    if (!m_scene)
        return;
    CJubSceneMarker* marker = m_scene->FindMarkerAt(world);
    if (marker)
    {
        m_scene->RemoveMarker(marker);
        return;
    }
    CKetrelVector2 snapped;
    Snap(world, snapped);
    m_scene->AddMarker(snapped, CKetrelVector2(0.03f, 0.03f));
}

CKetrelString CJubEditState::GetSavePath() const
{
    CStateGame* shell = JubShellGame(m_game);
    return shell ? shell->GetUserDataPath(m_fileName) : m_fileName;
}

int CJubEditState::Save()
{
    if (!m_scene)
        return KE_ERR_NOT_READY;
    ClearSelection();
    const int rc = m_scene->Save(GetSavePath());
    if (rc != KE_OK)
    {
        // The level stays in the editor so that nothing is lost.
        std::fprintf(stderr, "ERROR: %d saving the level\n", rc);
        return rc;
    }
    m_nextState = JUB_SCREEN_MENU;
    SetDone();
    return KE_OK;
}

// ------------------------------------------------------------------ update

f32 CJubEditState::PanFactor(f32 zoom)
{
    const f32 k = (zoom - 0.4f) / -3.6f + 1.0f;
    if (k < 0.3f)
        return 0.0009f;
    if (k > 1.0f)
        return 0.01f;
    return k * k * 0.01f;
}

u32 CJubEditState::CounterColour(i32 blocks)
{
    if (blocks <= 50)
        return 0xFFFFFFFFu;
    if (blocks <= 100)
        return 0xFFFFFF56u;
    if (blocks < JUB_EDIT_MAX_BLOCKS)
        return 0xFFFF8C26u;
    return 0xFFFF0000u;
}

void CJubEditState::SpringBack()
{
    const f32 cell = m_palette[0].Width();
    const f32 w = m_renderer->GetScreenWidth();
    f32 move = 0.0f;
    if (m_palette[0].left > cell)
        move = -(m_palette[0].left - cell) / 10.0f;
    else if (m_palette[JUB_EDIT_PALETTE_CELLS - 1].right < w - 10.0f)
        move = (w - 10.0f - m_palette[JUB_EDIT_PALETTE_CELLS - 1].right) / 10.0f;
    if (move != 0.0f)
        for (CKetrelRectF& r : m_palette)
            r.Offset(move, 0.0f);
}

i32 CJubEditState::HandleTool(const CKetrelVector2& point)
{
    i32 hit = -1;
    for (i32 tool = 0; tool < JUB_TOOL_COUNT && hit < 0; ++tool)
        if (m_tools[tool].Contains(point) && (tool != JUB_TOOL_DELETE || m_blockSelected))
            hit = tool;
    switch (hit)
    {
    case -1: return 0;
    case JUB_TOOL_TEST_VIEW:
        m_selectedMarker = -1;
        ClearSelection();
        m_testView = 1;
        break;
    case JUB_TOOL_HIDE_TEXTS: m_hideTexts = 1; break;
    case JUB_TOOL_GRID: m_grid = !m_grid; break;
    case JUB_TOOL_MIRROR: m_mirror = !m_mirror; break;
    case JUB_TOOL_SAVE: Save(); break;
    case JUB_TOOL_DELETE: DeleteSelected(); break;
    default:
        if (hit < JUB_TOOL_FLAGS0)
            ApplyStyle(hit - JUB_TOOL_MATERIAL0, -1, -1);
        else if (hit < JUB_TOOL_LAYER0)
            ApplyStyle(-1, hit - JUB_TOOL_FLAGS0, -1);
        else
            ApplyStyle(-1, -1, hit - JUB_TOOL_LAYER0);
        break;
    }
    return 1;
}

void CJubEditState::Zoom(f32 factor)
{
    CJubCamera& camera = m_renderer->GetCamera();
    f32 zoom = camera.GetZoom() * factor;
    if (zoom < 0.05f)
        zoom = 0.05f;
    if (zoom > 10.0f)
        zoom = 10.0f;
    camera.SetZoom(zoom);
    camera.SetZoomTarget(zoom);
}

void CJubEditState::HandleInput()
{
    const CJubTouchState& touch = m_game->GetTouchState();
    const CJubTouchPoint& t0 = touch.points[0];
    const CJubTouchPoint& t1 = touch.points[1];
    const CJubTouchPoint& t2 = touch.points[2];
    CJubCamera& camera = m_renderer->GetCamera();
    CKetrelVector2 p0;
    ScreenToWorld(t0.position, p0);

    // A two-finger pinch only zooms: the selection, the pick and tools under the first
    // finger and a pan under way are held while it lasts.
    if (touch.pinch)
    {
        Zoom(1.0f + touch.pinchChange * 0.01f);
        m_pinchHeld = 1;
        return;
    }
    // The first finger left down after a pinch was not pressed for a pick of its own:
    // it does nothing until it lifts, so it neither drags the block selected before the
    // pinch (by that pick's offset) nor pans.
    if (m_pinchHeld)
    {
        if (t0.down)
            return;
        m_pinchHeld = 0;
    }
    if (m_pan)
    {
        if (t0.down)
        {
            const f32 f = PanFactor(camera.GetZoom());
            CKetrelVector2 offset = camera.GetViewOffset();
            offset.x += t0.stepDelta.x * f;
            offset.y += t0.stepDelta.y * f;
            camera.SetViewOffset(offset);
        }
        else
        {
            m_pan = 0;
        }
        return;
    }
    if (!t0.down && t2.down && t2.moved)
        Zoom(1.0f - t2.stepDelta.y * 0.01f);
    if (t0.down && t0.pressed && HandleTool(t0.position))
        return;
    if (t1.pressed && !t0.down)
    {
        CKetrelVector2 p1;
        ScreenToWorld(t1.position, p1);
        if (!PlaceBlock(p1))
            m_paletteDrag = 1;
    }
    if (t2.released && t2.drag.LengthSquared() <= 0.1f)
    {
        CKetrelVector2 p2;
        ScreenToWorld(t2.position, p2);
        ToggleMarker(p2);
    }
    const f32 stripBottom = 1.1f * m_palette[0].Height();
    if (t0.pressed && t0.position.y < stripBottom)
    {
        m_paletteDrag = 1;
        m_paletteChosen = 0;
        ClearSelection();
    }
    if (m_paletteDrag)
    {
        if (!t0.down)
        {
            // A chosen cell waits for the finger to come down in the scene.
            if (!m_paletteChosen)
                m_paletteDrag = 0;
            return;
        }
        for (CKetrelRectF& r : m_palette)
            r.Offset(t0.stepDelta.x * 1.5f, 0.0f);
        if (t0.position.y < stripBottom)
        {
            for (i32 i = 0; i < JUB_EDIT_PALETTE_CELLS; ++i)
                if (m_palette[i].Contains(t0.position))
                {
                    m_paletteCell = i;
                    m_paletteType = i;
                    m_paletteChosen = 1;
                }
        }
        else if (m_paletteChosen)
        {
            if (PlaceBlock(p0))
                m_grab.Set(0.0f, 0.0f);
            m_paletteDrag = 0;
            m_paletteChosen = 0;
        }
        return;
    }
    if (t0.pressed)
    {
        CJubPhysicsBody* body = m_world->PickBody(p0, kPickKinds, kPickGroups);
        CJubBlock* found = nullptr;
        CJubBlockSet* blocks = m_scene->GetBlocks();
        for (i32 i = 0; body && i < blocks->GetCount(); ++i)
            if (blocks->GetBlock(i)->body == body)
                found = blocks->GetBlock(i);
        if (found)
        {
            m_scene->SetSelection(found->id);
            m_blockSelected = 1;
            m_grab.Set(body->GetPosition().x - p0.x, body->GetPosition().y - p0.y);
            m_material = found->material;
            m_flags = found->flags;
            m_layer = found->layer;
            m_paletteType = found->type;
        }
        else
        {
            ClearSelection();
        }
        return;
    }
    if (t0.down && !m_blockSelected && t0.moved)
    {
        m_pan = 1;
        return;
    }
    if (t0.down && m_blockSelected && t0.moved)
        MoveSelected(CKetrelVector2(p0.x + m_grab.x, p0.y + m_grab.y));
}

int CJubEditState::Update(f32 dt)
{
    if (!m_game || !m_scene)
        return KE_ERR_NOT_READY;
    m_elapsed += dt;
    if (!m_testView)
    {
        SpringBack();
        HandleInput();
    }
    m_renderer->GetCamera().StopFollowing();
    m_scene->UpdateProjectileMasks();
    m_scene->Update(dt);
    m_renderer->SetEditorWater(kEditorWater);
    m_renderer->Update(dt);
    m_world->SavePreviousPositions();
    return KE_OK;
}

// ------------------------------------------------------------------ drawing

void CJubEditState::DrawGuides()
{
    IKetrelGraphicsContext* gc = m_renderer->GetGraphics();
    if (!gc)
        return;
    const CJubCamera& camera = m_renderer->GetCamera();
    const f32 w = m_renderer->GetScreenWidth();
    const f32 h = m_renderer->GetScreenHeight();
    CKetrelVector2 a, b;
    auto line = [&](f32 x1, f32 y1, f32 x2, f32 y2, u32 colour) {
        camera.WorldToScreen(CKetrelVector2(x1, y1), a);
        camera.WorldToScreen(CKetrelVector2(x2, y2), b);
        gc->DrawLine((i32)a.x, (i32)a.y, (i32)b.x, (i32)b.y, colour, colour);
    };
    const f32 unit = camera.GetWorldUnit();
    if (m_grid)
        for (i32 i = -8; i < 8; ++i)
        {
            const f32 v = (f32)i * 16.0f / 128.0f * unit;
            line(v, -unit, v, unit, 0x40FFFFFFu);
            line(-unit, v, unit, v, 0x40FFFFFFu);
        }
    CKetrelVector2 origin;
    camera.WorldToScreen(CKetrelVector2(0.0f, -unit / 128.0f), origin);
    gc->DrawLine(0, (i32)origin.y, (i32)w, (i32)origin.y, 0xFFFF0000u, 0xFFFF0000u);
    gc->DrawLine((i32)origin.x, 0, (i32)origin.x, (i32)h, 0xFFFF0000u, 0xFFFF0000u);
    const f32 edge = 127.0f / 128.0f * unit;
    line(-edge, -unit * 4.0f, -edge, unit * 4.0f, 0xFF00FF00u);
    line(edge, -unit * 4.0f, edge, unit * 4.0f, 0xFF00FF00u);
    line(-unit * 4.0f, edge, unit * 4.0f, edge, 0xFF0000FFu);
    if (CJubBlock* block = GetSelected())
        if (block->body)
        {
            const CKetrelVector2& p = block->body->GetPosition();
            line(-unit, p.y, unit, p.y, 0xFFFFFFFFu);
            line(p.x, -unit, p.x, unit, 0xFFFFFFFFu);
        }
}

void CJubEditState::Render()
{
    if (!m_renderer || !m_scene)
        return;
    IKetrelGraphicsContext* gc = m_renderer->GetGraphics();
    if (gc)
    {
        CKetrelRectF all(0.0f, 0.0f, 1.0f, 1.0f);
        gc->FillGradientRelative(0xFF1FBCD3u, 0xFF1FBCD3u, 0xFFFFA800u, 0xFFFFA800u, &all);
    }
    DrawGuides();
    m_scene->RenderMarkers(*m_renderer);
    m_scene->RenderBlocks(*m_renderer, 1);
    m_renderer->DrawWater(1);
    if (m_testView || m_hideTexts)
        return;
    const f32 w = m_renderer->GetScreenWidth();
    const f32 h = m_renderer->GetScreenHeight();
    const f32 lh = JubScreenKit::LineHeight(m_renderer);
    const i32 count = m_scene->GetBlocks()->GetCount();
    CKetrelString text;
    text.Format(L"Blocks: %d/%d", count, (i32)JUB_EDIT_MAX_BLOCKS);
    m_renderer->DrawText(text, CKetrelRectF(0.0f, h - lh, w * 0.5f, h), CounterColour(count),
                         1040, 0);
    text.Format(L"BB: %d  SB: %d", m_scene->GetBlockBatchCount(), m_renderer->GetBatchDrawCount());
    m_renderer->DrawText(text, CKetrelRectF(w * 0.5f, h - lh, w, h), 0xFFFFFFFFu, 1040, 0);
}
