#include "game/match/JubCamera.h"

#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubPlayer.h"
#include "game/match/JubScene.h"

namespace
{
const f32 kGridCells = 128.0f;      // cells per world unit on each side of 0
const f32 kFloorOffset = 65536.0f;
const f32 kMinZoom = 0.3f;
const f32 kMaxZoom = 1.0f;
}

CJubCamera::CJubCamera()
    : m_mode(JUB_CAMERA_NONE), m_worldUnit(3.2f), m_screenWidth(0.0f), m_screenHeight(0.0f),
      m_halfWidth(0.0f), m_halfHeight(0.0f), m_target(nullptr), m_world(nullptr),
      m_scene(nullptr), m_zoom(1.0f), m_zoomTarget(1.0f), m_aspect(1.0f)
{
    m_viewMatrix.SetIdentity();
    StopFollowing();
}

void CJubCamera::FollowBody(CJubPhysicsBody* body)
{
    m_mode = JUB_CAMERA_FOLLOW;
    m_target = body;
}

void CJubCamera::FrameWorld(CJubPhysicsWorld* world)
{
    m_mode = JUB_CAMERA_FRAME;
    m_world = world;
    m_target = nullptr;
}

void CJubCamera::StopFollowing()
{
    m_mode = JUB_CAMERA_NONE;
    m_target = nullptr;
}

void CJubCamera::SetScreenSize(f32 width, f32 height)
{
    m_screenWidth = width;
    m_screenHeight = height;
    m_halfWidth = width / 2.0f;
    m_halfHeight = height / 2.0f;
}

bool CJubCamera::IsVisible(const CJubPhysicsBody* body) const
{
    if (!m_scene || !body)
        return false;
    bool counts = false;
    for (i32 p = 0; p < 2 && !counts; ++p)
    {
        const CJubPlayer& player = m_scene->GetPlayer(p);
        if (player.alive && player.body == body)
            counts = true;
        for (i32 s = 0; s < JUB_PROJECTILE_SLOTS && !counts; ++s)
        {
            const CJubProjectile* projectile = player.projectiles[s];
            if (projectile && projectile->body == body)
                counts = true;
        }
    }
    return counts && body->GetPosition().y >= 0.0f;
}

void CJubCamera::Update()
{
    if (m_mode == JUB_CAMERA_FOLLOW && m_target && m_scene)
    {
        if (IsVisible(m_target))
        {
            m_focus = m_target->GetPosition();
            f32 z = 2.0f - 75.0f * m_target->GetVelocity().Length();
            if (z < m_zoomTarget)
                m_zoomTarget = z;
        }
    }
    if (m_mode == JUB_CAMERA_FOLLOW)
    {
        m_viewOffset.x += (-m_focus.x - m_viewOffset.x) / 6.0f;
        m_viewOffset.y += (m_focus.y - m_viewOffset.y) / 6.0f;
    }
    else if (m_mode == JUB_CAMERA_FRAME && m_world)
    {
        f32 minX = 1000.0f, maxX = -1000.0f, minY = 1000.0f, maxY = -1000.0f;
        i32 counted = 0;
        for (i32 i = 0; i < m_world->GetBodyCount(); ++i)
        {
            const CJubPhysicsBody* body = m_world->GetBody(i);
            u32 kind = body->GetKind();
            if ((kind != JUB_BODY_STUCK && kind != JUB_BODY_MOVING) || !IsVisible(body))
                continue;
            const CKetrelVector2& p = body->GetPosition();
            if (p.x < minX) minX = p.x;
            if (p.x > maxX) maxX = p.x;
            if (p.y < minY) minY = p.y;
            if (p.y > maxY) maxY = p.y;
            ++counted;
        }
        if (counted > 0)
        {
            if (minY < 0.0f) minY = 0.0f;
            if (maxY > 2.0f * m_worldUnit) maxY = 2.0f * m_worldUnit;
            if (minX < -m_worldUnit) minX = -m_worldUnit;
            if (maxX > m_worldUnit) maxX = m_worldUnit;
            f32 height = maxY - minY;
            f32 width = maxX - minX;
            CKetrelVector2 centre(minX + width / 2.0f, minY + height / 2.0f);
            f32 a = m_aspect > 1.8f ? m_aspect : 1.8f;
            if (width < a * height)
                width = a * height;
            f32 z = 1.0f - 0.2f * width;
            if (z < m_zoomTarget)
                m_zoomTarget = z;
            m_viewOffset.x += (-centre.x - m_viewOffset.x) / 10.0f;
            m_viewOffset.y += (centre.y - m_viewOffset.y) / 10.0f;
        }
    }

    if (m_viewOffset.x < -m_worldUnit) m_viewOffset.x = -m_worldUnit;
    if (m_viewOffset.x > m_worldUnit) m_viewOffset.x = m_worldUnit;
    if (m_viewOffset.y < 0.0f) m_viewOffset.y = 0.0f;
    if (m_viewOffset.y > 1.2f * m_worldUnit) m_viewOffset.y = 1.2f * m_worldUnit;

    m_zoom += (m_zoomTarget - m_zoom) / 10.0f;
    if (m_zoom < kMinZoom) m_zoom = kMinZoom;
    if (m_zoom > kMaxZoom) m_zoom = kMaxZoom;

    // Before the renderer gives a screen size the last aspect is kept.
    if (m_screenHeight > 0.0f)
        m_aspect = m_screenWidth / m_screenHeight;
    m_viewMatrix.SetIdentity();
    m_viewMatrix.m[0] = m_zoom;
    m_viewMatrix.m[3] = m_viewOffset.x * m_zoom;
    m_viewMatrix.m[5] = m_aspect * m_zoom;
    m_viewMatrix.m[7] = -m_viewOffset.y * m_aspect * m_zoom;
    m_viewMatrix.m[10] = 1.0f;
}

void CJubCamera::WorldToScreen(const CKetrelVector2& world, CKetrelVector2& screen) const
{
    screen.x = m_halfWidth + (world.x + m_viewOffset.x) * m_zoom * m_halfWidth;
    screen.y = m_halfHeight - (world.y - m_viewOffset.y) * m_zoom * m_halfWidth;
}

void CJubCamera::ScreenToWorld(const CKetrelVector2& screen, CKetrelVector2& world) const
{
    world.x = (screen.x - m_halfWidth) / m_halfWidth / m_zoom - m_viewOffset.x;
    world.y = (m_halfHeight - screen.y) / m_halfWidth / m_zoom + m_viewOffset.y;
}

void CJubCamera::GridToWorld(i32 gx, i32 gy, CKetrelVector2& world) const
{
    world.x = (f32)gx / kGridCells * m_worldUnit;
    world.y = (f32)gy / kGridCells * m_worldUnit;
}

i32 CJubCamera::OffsetFloor(f32 value)
{
    // Far outside the level (and NaN) only needs to land beyond the cell clamp.
    if (!(value > -kFloorOffset))
        return -(i32)kFloorOffset;
    if (value > kFloorOffset)
        return (i32)kFloorOffset;
    f32 shifted = value + kFloorOffset;
    return (i32)shifted - (i32)kFloorOffset;
}

i32 CJubCamera::OffsetRound(f32 value)
{
    if (!(value > -kFloorOffset))
        return -(i32)kFloorOffset;
    if (value > kFloorOffset)
        return (i32)kFloorOffset;
    f32 shifted = value + kFloorOffset;
    i32 whole = (i32)shifted;
    f32 fraction = shifted - (f32)whole;
    return whole - (i32)kFloorOffset + (fraction >= 0.5f ? 1 : 0);
}

i8 CJubCamera::ClampCell(i32 cell)
{
    if (cell < -128)
        return -128;
    if (cell > 127)
        return 127;
    return (i8)cell;
}

void CJubCamera::WorldToGrid(const CKetrelVector2& world, i8& gx, i8& gy) const
{
    gx = ClampCell(OffsetFloor(world.x / m_worldUnit * kGridCells));
    gy = ClampCell(OffsetFloor(world.y / m_worldUnit * kGridCells));
}

void CJubCamera::SnapToGrid(const CKetrelVector2& world, CKetrelVector2& snapped) const
{
    i8 gx, gy;
    WorldToGrid(world, gx, gy);
    GridToWorld(gx, gy, snapped);
}

void CJubCamera::SnapToGridRounded(const CKetrelVector2& world, CKetrelVector2& snapped) const
{
    i8 gx = ClampCell(OffsetRound(world.x / m_worldUnit * kGridCells));
    i8 gy = ClampCell(OffsetRound(world.y / m_worldUnit * kGridCells));
    GridToWorld(gx, gy, snapped);
}
