// The play screen's touch input of each update: the zoom bar, the HUD buttons, panning,
// the two-finger zoom and the aim.
#include "game/match/JubPlayState.h"

#include "game/match/JubButtonManager.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubPhysicsBody.h"
#include "game/match/JubPlayer.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubScene.h"
#include "game/match/JubTouchState.h"

namespace
{
const f32 kZoomMin = 0.3f;
const f32 kZoomMax = 1.0f;
const i32 kTextWeaponHelp = 22;   // language texts 22..27: what weapons 0..5 do

// The buttons animate on without seeing the touch (it belongs to something else).
void AnimateOnly(CJubButtonManager* buttons, CJubTouchState& touch, f32 dt)
{
    if (!buttons)
        return;
    CJubTouchPoint& primary = touch.Primary();
    const CJubTouchPoint kept = primary;
    const i32 pinch = touch.pinch;
    primary.down = primary.pressed = primary.released = 0;
    touch.pinch = 0;
    buttons->Update(dt);
    primary = kept;
    touch.pinch = pinch;
}

bool InBar(const CKetrelVector2& p, f32 h)
{
    const f32 cx = h / 16.0f, cy = h / 2.0f, hx = h / 32.0f, hy = h / 4.0f;
    return p.x >= cx - hx && p.x <= cx + hx && p.y >= cy - hy && p.y <= cy + hy;
}
} // namespace

void CJubPlayState::HandleInput(f32 dt)
{
    UpdateHudVisibility();
    CJubTouchState& touch = m_game->GetTouchState();
    CJubTouchPoint& primary = touch.Primary();
    const f32 h = m_renderer ? m_renderer->GetScreenHeight() : 0.0f;

    // A decided match shows the local creature up close.
    if (m_f.matchDecided && m_f.winner == m_f.localPlayer && m_liveScene)
    {
        CJubPlayer& me = m_liveScene->GetPlayer(m_f.localPlayer);
        if (me.body && m_camera->GetTargetBody() != me.body)
            m_camera->FollowBody(me.body);
        m_camera->SetZoomTarget(1.0f);
    }

    // Touches kept from the match: the buttons animate without them.
    if (m_game->IsInputBlocked())
    {
        m_zoomDrag = 0;
        AnimateOnly(m_buttons, touch, dt);
        // An aim let go before the block still fires.
        if (m_f.phase == JUB_PHASE_LOCAL_TURN && m_f.aimRelease && m_liveScene
            && m_liveScene->GetPlayer(m_f.localPlayer).aiming)
            HandleAimTouch();
        return;
    }

    // The zoom bar takes a touch that goes down on it, until the finger lifts.
    if (primary.pressed && !touch.pinch && h > 0.0f && InBar(primary.position, h))
        m_zoomDrag = 1;
    if (!primary.down)
        m_zoomDrag = 0;
    if (m_zoomDrag)
    {
        m_zoomTarget = ZoomFromBar(primary.position.y, h);
        f32 zoom = m_camera->GetZoom();
        zoom += (m_zoomTarget - zoom) / 2.0f;
        m_camera->SetZoom(zoom);
        m_camera->SetZoomTarget(m_zoomTarget);
        m_camera->StopFollowing();
        m_localZoom = m_zoomTarget;
        AnimateOnly(m_buttons, touch, dt);   // the buttons animate on without the touch
        return;
    }

    const i32 aiming = m_f.aimStarted
                       || (m_liveScene && m_liveScene->GetPlayer(m_f.localPlayer).aiming
                           && m_f.phase == JUB_PHASE_LOCAL_TURN);
    i32 taken = 0;
    const i32 weaponBefore = m_liveScene ? m_liveScene->GetPlayer(m_f.localPlayer).selectedWeapon : -1;
    if (m_buttons)
    {
        if (!aiming)
            taken = m_buttons->Update(dt);
        else
            AnimateOnly(m_buttons, touch, dt);
    }
    // Training: a weapon newly chosen says what it does, in the opponent's bubble.
    if (m_singlePlayer && m_liveScene && m_renderer)
    {
        const i32 weapon = m_liveScene->GetPlayer(m_f.localPlayer).selectedWeapon;
        if (weapon != weaponBefore && weapon >= 0 && weapon < JUB_WEAPON_COUNT)
        {
            const f32 w = m_renderer->GetScreenWidth();
            const CKetrelVector2 at(0.9f * w, 0.825f * h);
            m_game->ClearChatBubbles();
            m_game->AddChatBubble(m_game->GetText(kTextWeaponHelp + weapon),
                                  CKetrelString(L"Opponent"),
                                  m_liveScene->GetPlayer(m_f.remotePlayer).colour.GetARGB(), at, at);
        }
    }

    if (!aiming && !taken && m_timerRunning)
    {
        if (touch.pinch)
        {
            f32 zoom = m_camera->GetZoom() * (1.0f + touch.pinchChange * 0.01f);
            if (!(zoom >= kZoomMin))
                zoom = kZoomMin;
            if (zoom > kZoomMax)
                zoom = kZoomMax;
            m_camera->SetZoom(zoom);
            m_camera->SetZoomTarget(zoom);
            m_localZoom = zoom;
        }
        else if (primary.down && !primary.pressed && primary.moved && m_renderer)
        {
            // The world follows the finger: pixels to world units at the current zoom.
            const f32 halfWidth = m_renderer->GetScreenWidth() / 2.0f;
            const f32 scale = halfWidth * m_camera->GetZoom();
            if (scale > 0.0f)
            {
                CKetrelVector2 offset = m_camera->GetViewOffset();
                offset.x += primary.stepDelta.x / scale;
                offset.y += primary.stepDelta.y / scale;
                m_camera->SetViewOffset(offset);
                m_camera->StopFollowing();
            }
        }
    }

    // Nothing is aimed before the turn's timer runs (the round's intro holds it).
    if (m_f.phase == JUB_PHASE_LOCAL_TURN && !m_confirmation && !taken && m_timerRunning)
        HandleAimTouch();
}
