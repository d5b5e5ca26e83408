#pragma once
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"
#include "engine/graphics/KetrelMatrix4.h"

class CJubPhysicsBody;
class CJubPhysicsWorld;
class CJubScene;

enum
{
    JUB_CAMERA_NONE   = 0,
    JUB_CAMERA_FOLLOW = 1,    // follow one flying body
    JUB_CAMERA_FRAME  = 2     // frame every visible creature and projectile of a world
};

// Decides which part of the battlefield is on screen, and converts between world units,
// screen pixels and the level file's grid of signed-byte cells (one cell is 1/128 of the
// world unit). The camera keeps links only; the scene and world must outlive it or be
// unlinked. Main thread only.
class CJubCamera
{
public:
    CJubCamera();

    // The scene whose creatures and projectiles count as visible; null unlinks.
    void SetScene(CJubScene* scene) { m_scene = scene; }
    CJubScene* GetScene() const { return m_scene; }
    void FollowBody(CJubPhysicsBody* body);
    void FrameWorld(CJubPhysicsWorld* world);
    void StopFollowing();

    // Once per frame: eases the view towards what the mode watches, lowers the zoom target
    // for fast or spread-out action, eases the zoom, clamps the view to the level and
    // rebuilds the view matrix.
    void Update();

    // Screen pixels; both axes scale by the half width.
    void WorldToScreen(const CKetrelVector2& world, CKetrelVector2& screen) const;
    void ScreenToWorld(const CKetrelVector2& screen, CKetrelVector2& world) const;

    // cell / 128 × unit per axis.
    void GridToWorld(i32 gx, i32 gy, CKetrelVector2& world) const;
    // Floors each axis to its cell and clamps it to -128..127. The floor goes through an
    // offset of 65536 in single precision, which rounds values within a few thousandths of
    // the next cell up to it: that is what lets every cell survive GridToWorld and back,
    // so levels save, load and save again unchanged.
    void WorldToGrid(const CKetrelVector2& world, i8& gx, i8& gy) const;
    // The cell of WorldToGrid turned back into world units.
    void SnapToGrid(const CKetrelVector2& world, CKetrelVector2& snapped) const;
    // The same with the nearest cell; halves round up.
    void SnapToGridRounded(const CKetrelVector2& world, CKetrelVector2& snapped) const;

    // Set by the renderer, in pixels.
    void SetScreenSize(f32 width, f32 height);
    f32 GetScreenWidth() const { return m_screenWidth; }
    f32 GetScreenHeight() const { return m_screenHeight; }

    i32 GetMode() const { return m_mode; }
    f32 GetWorldUnit() const { return m_worldUnit; }
    const CKetrelMatrix4& GetViewMatrix() const { return m_viewMatrix; }
    // x is the negated world x of the view centre, y the world y of the view centre.
    const CKetrelVector2& GetViewOffset() const { return m_viewOffset; }
    void SetViewOffset(const CKetrelVector2& offset) { m_viewOffset = offset; }
    const CKetrelVector2& GetFocusPoint() const { return m_focus; }
    // Where a follow eases to while its body is out of sight.
    void SetFocusPoint(const CKetrelVector2& focus) { m_focus = focus; }
    CJubPhysicsBody* GetTargetBody() const { return m_target; }
    f32 GetZoom() const { return m_zoom; }
    void SetZoom(f32 zoom) { m_zoom = zoom; }
    // The follow and frame modes only lower the target; the play screen raises it.
    f32 GetZoomTarget() const { return m_zoomTarget; }
    void SetZoomTarget(f32 zoom) { m_zoomTarget = zoom; }
    f32 GetAspect() const { return m_aspect; }

    // A creature body of a living player or a projectile body of either player, at or
    // above the water line. False without a scene.
    bool IsVisible(const CJubPhysicsBody* body) const;

private:
    // Floor and round-to-nearest through the +65536 offset in single precision.
    static i32 OffsetFloor(f32 value);
    static i32 OffsetRound(f32 value);
    static i8 ClampCell(i32 cell);

    i32 m_mode;
    f32 m_worldUnit;               // half the level's width in world units
    CKetrelMatrix4 m_viewMatrix;   // row layout, translation in elements 3 and 7
    CKetrelVector2 m_viewOffset;
    f32 m_screenWidth;
    f32 m_screenHeight;
    f32 m_halfWidth;
    f32 m_halfHeight;
    CKetrelVector2 m_focus;        // last position of the followed body
    CJubPhysicsBody* m_target;     // mode 1; not owned
    CJubPhysicsWorld* m_world;     // mode 2; not owned
    CJubScene* m_scene;            // not owned
    f32 m_zoom;                    // 0.3..1.0
    f32 m_zoomTarget;
    f32 m_aspect;                  // width / height at the last update
};
