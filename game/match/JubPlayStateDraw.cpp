// The play screen's picture: the background, the scene, projectiles, water and effects,
// then the HUD (portraits, health, names, the turn timer, weapon marks, the zoom bar),
// the status messages and the buttons.
#include "game/match/JubPlayState.h"

#include "engine/KetrelColor.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubBlock.h"
#include "game/match/JubButtonManager.h"
#include "game/match/JubEffectList.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubPhysicsBody.h"
#include "game/match/JubPlayer.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubScene.h"

#include <cmath>

namespace
{
const f32 kPi = 3.14159265358979f;
const u32 kStatusFlags = 0x181;    // blended, centred across

enum
{
    kImageTitle = 0, kImageSpinner = 1, kImageBattle = 2, kImageUnique = 3,
    kImageSheet = 4, kImageMarker = 6, kImageShotRed = 17, kImageShotBlue = 18,
    kImageShotSticky = 19, kImageShotSnow = 20, kImageTimer = 27, kImageZoomBar = 67,
    kImageZoomIndicator = 68
};

// Language texts of the match.
enum
{
    kTextIntro = 0, kTextYourTurn = 1, kTextTheirTurn = 2, kTextYouWon = 3, kTextTheyWon = 4,
    kTextDraw = 5, kTextTurnHint = 6, kTextWaiting = 7, kTextYourTimeOuts = 8,
    kTextTheirTimeOuts = 9, kTextLeft = 10, kTextWaitingForRound = 11, kTextQuitQuestion = 12,
    kTextQuitHint = 13, kTextTrainingWon = 16, kTextTrainingLost = 17
};

CKetrelColor Tint(u32 argb)
{
    CKetrelColor c;
    c.SetARGB(argb);
    return c;
}

CKetrelSurface* Image(CJubRenderer* renderer, i32 index)
{
    CJubAssetCache* assets = renderer->GetAssets();
    return assets ? assets->GetImage(index) : nullptr;
}

// The button that marks each weapon.
i32 WeaponButton(i32 weapon)
{
    switch (weapon)
    {
    case JUB_WEAPON_JUMP: return 2;
    case JUB_WEAPON_BOMB: return 3;
    case JUB_WEAPON_STICKY: return 4;
    case JUB_WEAPON_WHIP: return 5;
    default: return 8;
    }
}
} // namespace

void CJubPlayState::DrawCentredText(const CKetrelString& text, f32 y, u32 colour)
{
    if (text.IsEmpty() || (colour >> 24) == 0)
        return;
    CKetrelBitmapFont* font = m_renderer->GetFont(0);
    const f32 line = font ? (f32)font->GetLineHeight() : 16.0f;
    const f32 w = m_renderer->GetScreenWidth();
    m_renderer->DrawShadowedText(text, CKetrelRectF(0.0f, y - line / 2.0f, w, y + line / 2.0f),
                                 colour, kStatusFlags, 0);
}

void CJubPlayState::Render()
{
    if (!m_renderer || !m_game)
        return;
    IKetrelGraphicsContext* graphics = m_renderer->GetGraphics();
    const f32 h = m_renderer->GetScreenHeight();

    if (m_f.phase == JUB_PHASE_LEAVING || m_leave)
    {
        if (graphics)
            graphics->DimRect(nullptr, 0.0f);
        return;
    }

    if (!m_singlePlayer
        && (m_f.phase == JUB_PHASE_NONE || m_f.phase == JUB_PHASE_ROUND_START))
    {
        RenderPreRound();
        return;
    }

    CJubScene* scene = GetDrawnScene();
    if (!scene)
        return;
    const u32 ms = m_game->GetTimeMs();
    RenderBackground(*scene);
    scene->RenderMarkers(*m_renderer);
    scene->RenderBlocks(*m_renderer, 1);

    // The creatures: the winner of a decided match cheers; the local player's creature
    // stands on its marker while its turn waits for the action.
    if (m_f.phase == JUB_PHASE_LOCAL_TURN && !m_f.acted)
    {
        const CJubPlayer& me = scene->GetPlayer(m_f.localPlayer);
        if (me.alive && me.body)
        {
            CKetrelVector2 half = me.body->GetHalfSize();
            half.Scale(2.5f);
            m_renderer->DrawWorldSprite(JUB_SHADER_WORLD, me.body->GetPosition(), half,
                                        Image(m_renderer, kImageMarker), Tint(0xFFFFFFFFu));
        }
    }
    for (i32 p = 0; p < 2; ++p)
    {
        const i32 cheer = m_f.matchDecided && m_f.winner == p;
        scene->RenderCreature(*m_renderer, p, ms, cheer ? 8 : 0);
    }
    scene->DrawCreatureNumbers(*m_renderer);
    RenderProjectiles(*scene, ms);
    m_renderer->DrawWater(0);
    if (!m_liveSimulation && m_effects)
        m_effects->Render();

    RenderHud(*scene, ms);
    RenderStatus(*scene);
    m_game->RenderChatBubbles();
    if (m_confirmation && graphics)
    {
        graphics->DimRect(nullptr, 0.2f);
        DrawCentredText(m_game->GetText(kTextQuitQuestion), 0.3f * h, 0xFFFFFFFFu);
        DrawCentredText(m_game->GetText(kTextQuitHint), 0.4f * h, 0xFFFFFFFFu);
    }
    if (m_buttons)
        m_buttons->Render();
}

void CJubPlayState::RenderPreRound()
{
    const f32 w = m_renderer->GetScreenWidth();
    const f32 h = m_renderer->GetScreenHeight();
    IKetrelGraphicsContext* graphics = m_renderer->GetGraphics();
    const CKetrelVector2 centre(w / 2.0f, h / 2.0f);
    m_renderer->DrawSprite(centre, centre, Image(m_renderer, kImageTitle), Tint(0xFFFFFFFFu));
    if (graphics)
        graphics->DimRect(nullptr, 0.2f);
    const f32 angle = (m_now - m_phaseClock) * 3.0f;
    m_renderer->DrawSpriteFrameRotated(centre, CKetrelVector2(w / 15.0f, w / 15.0f),
                                       Image(m_renderer, kImageSpinner), 0, 0, 1, 1, angle,
                                       Tint(0xFFFFFFFFu));
    DrawCentredText(m_game->GetText(kTextWaitingForRound), 0.75f * h, 0xFFFFFFFFu);
    m_game->RenderChatBubbles();
    if (m_confirmation)
    {
        if (graphics)
            graphics->DimRect(nullptr, 0.2f);
        DrawCentredText(m_game->GetText(kTextQuitQuestion), 0.3f * h, 0xFFFFFFFFu);
        DrawCentredText(m_game->GetText(kTextQuitHint), 0.4f * h, 0xFFFFFFFFu);
    }
    if (m_buttons)
        m_buttons->Render();
}

void CJubPlayState::RenderBackground(CJubScene& scene)
{
    IKetrelGraphicsContext* graphics = m_renderer->GetGraphics();
    if (graphics)
    {
        const u32 top = 0xFF000000u | BackgroundColour(m_background, 1);
        const u32 bottom = 0xFF000000u | BackgroundColour(m_background, 0);
        graphics->FillGradient(top, top, bottom, bottom, nullptr);
    }
    // The far layer once across the level, the near one three times side by side; a
    // battleground item replaces both.
    const f32 unit = scene.GetCamera() ? scene.GetCamera()->GetWorldUnit() : 3.2f;
    CKetrelSurface* unique = m_battleImages[1] ? m_battleImages[1] : Image(m_renderer, kImageUnique);
    CKetrelSurface* battle = m_battleImages[0] ? m_battleImages[0] : Image(m_renderer, kImageBattle);
    const CKetrelColor white = Tint(0xFFFFFFFFu);
    // Wide enough for the camera at either end of the level.
    m_renderer->DrawBackground(CKetrelVector2(0.0f, 0.75f * unit),
                               CKetrelVector2(2.0f * unit, unit), unique, white, 0);
    for (i32 i = -1; i <= 1; ++i)
        m_renderer->DrawBackground(CKetrelVector2(1.5f * (f32)i * unit, 0.3f * unit),
                                   CKetrelVector2(0.75f * unit, 0.375f * unit), battle, white, 0);
}

void CJubPlayState::RenderProjectiles(CJubScene& scene, u32 ms)
{
    const f32 cycle = 2.0f * kPi * (f32)(ms % 400u) / 400.0f;
    for (i32 p = 0; p < 2; ++p)
    {
        const CJubPlayer& player = scene.GetPlayer(p);
        for (i32 slot = 0; slot < JUB_PROJECTILE_SLOTS; ++slot)
        {
            const CJubProjectile* shot = player.projectiles[slot];
            if (!shot || !shot->body)
                continue;
            i32 image = kImageShotSticky;
            if (shot->kind == JUB_KIND_BOMB || shot->kind == JUB_KIND_FRAGMENT)
                image = p == 0 ? kImageShotRed : kImageShotBlue;
            else if (shot->kind == JUB_KIND_SNOW)
                image = kImageShotSnow;
            const f32 scale =
                2.2f + 0.25f * (1.0f + std::sin((f32)slot * kPi / 2.0f + cycle));
            CKetrelVector2 half = shot->body->GetHalfSize();
            half.Scale(scale);
            CKetrelVector2 at = shot->body->GetPosition();
            if (shot->stuckBlock >= 0 && shot->stuckBlock < 256 && scene.GetBlocks())
            {
                const CJubBlock* block = scene.GetBlocks()->FindBlock((u8)shot->stuckBlock);
                if (block)
                    at.Add(block->wobble);
            }
            m_renderer->DrawWorldSprite(JUB_SHADER_WORLD, at, half, Image(m_renderer, image),
                                        Tint(0xFFFFFFFFu));
        }
    }
}

void CJubPlayState::RenderHud(CJubScene& scene, u32 ms)
{
    const f32 w = m_renderer->GetScreenWidth();
    const f32 h = m_renderer->GetScreenHeight();
    const f32 c = w / 30.0f;
    CKetrelBitmapFont* font = m_renderer->GetFont(0);
    const f32 line = font ? (f32)font->GetLineHeight() : 16.0f;

    // Portraits, health and names: the local player at the left edge, the other at the
    // right, pulsing in opposite phase.
    const f32 cycle = 2.0f * kPi * (f32)(ms % 500u) / 500.0f;
    for (i32 side = 0; side < 2; ++side)
    {
        const i32 p = side == 0 ? m_f.localPlayer : m_f.remotePlayer;
        const CJubPlayer& player = scene.GetPlayer(p);
        const f32 pulse = 1.0f + 0.18f * std::sin(side == 0 ? cycle : cycle + kPi);
        const f32 x = side == 0 ? 2.0f * c : w - 2.0f * c;
        const u32 alpha = (m_timerRunning && m_f.turnPlayer != p) ? 0x80u : 0xFFu;
        const u32 colour = (alpha << 24) | 0x00FFFFFFu;
        const u32 tint = (alpha << 24) | (player.colour.GetARGB() & 0x00FFFFFFu);
        m_renderer->DrawSpriteFrame(CKetrelVector2(x, 2.0f * c),
                                    CKetrelVector2(1.3f * c * pulse, 1.3f * c * pulse),
                                    Image(m_renderer, kImageSheet + p), side == 0 ? 2 : 6, 0, 8,
                                    10, Tint(tint));
        CKetrelString health;
        health.Format(L"%d", player.health);
        const u32 flags = 0x181;
        m_renderer->DrawShadowedText(health, CKetrelRectF(x - 3.0f * c, 3.4f * c, x + 3.0f * c,
                                                          3.4f * c + line),
                                     colour, flags, 0);
        m_renderer->DrawShadowedText(player.name,
                                     CKetrelRectF(x - 3.0f * c, 3.4f * c + line, x + 3.0f * c,
                                                  3.4f * c + 2.0f * line),
                                     colour, flags | JUB_TEXT_SCALE_3_4, 0);
    }

    // The turn: the local player's timer, or a turning wheel while the other player acts
    // or a replay runs.
    const CKetrelVector2 timerAt(0.5f * w, 3.6f * c);
    const i32 replaying = m_f.replayStarted || m_f.batchReceived;
    if (m_f.turnPlayer >= 0 && (m_f.turnPlayer != m_f.localPlayer || replaying)
        && m_f.phase != JUB_PHASE_MATCH_OVER)
    {
        const f32 angle = (m_now - m_phaseClock) * 3.0f;
        m_renderer->DrawSpriteFrameRotated(timerAt, CKetrelVector2(0.8f * c, 0.8f * c),
                                           Image(m_renderer, kImageSpinner), 0, 0, 1, 1, angle,
                                           Tint(0xFFFFFFFFu));
    }
    else if (m_timerRunning && m_f.phase == JUB_PHASE_LOCAL_TURN && !m_f.acted)
    {
        // A bar that empties with the turn, and the seconds left over a timer picture
        // that swells with each alert.
        const f32 fraction = GetTurnTimeFraction();
        IKetrelGraphicsContext* graphics = m_renderer->GetGraphics();
        if (graphics)
        {
            const f32 half = 6.0f * c;
            const u32 barColour = fraction < 0.2f ? 0xC0FF4030u : 0xC0FFFFFFu;
            CKetrelRect back((i32)(timerAt.x - half), (i32)(timerAt.y + 0.9f * c),
                             (i32)(timerAt.x + half), (i32)(timerAt.y + 1.1f * c));
            graphics->DimRect(&back, 0.5f);
            CKetrelRect bar((i32)(timerAt.x - half), back.top,
                            (i32)(timerAt.x - half + 2.0f * half * fraction), back.bottom);
            if (bar.right > bar.left)
                graphics->FillRect(barColour | 0xFF000000u, &bar);
        }
        const f32 swell = 1.0f + 0.5f * m_timerPulse[0];
        m_renderer->DrawSprite(timerAt, CKetrelVector2(0.8f * c * swell, 0.8f * c * swell),
                               Image(m_renderer, kImageTimer), Tint(0xFFFFFFFFu));
        CKetrelString seconds;
        i32 left = (i32)(fraction * m_turnTimeLimit + 0.999f);
        seconds.Format(L"%d", left);
        m_renderer->DrawShadowedText(seconds, CKetrelRectF(timerAt.x - 2.0f * c, timerAt.y - line / 2.0f,
                                                           timerAt.x + 2.0f * c, timerAt.y + line / 2.0f),
                                     0xFFFFFFFFu, 0x181, 0);
    }

    // The selected weapon's mark behind its button.
    if (m_buttons && m_liveScene)
    {
        const CJubPlayer& me = m_liveScene->GetPlayer(m_f.localPlayer);
        const CJubButton* b = m_buttons->FindButton(WeaponButton(me.selectedWeapon));
        if (b && b->visible)
        {
            CKetrelVector2 at = b->centre;
            at.Add(b->offset);
            CKetrelVector2 half = b->halfSize;
            half.Scale(1.5f);
            m_renderer->DrawSprite(at, half, Image(m_renderer, kImageMarker), Tint(0xFFFFFFFFu));
        }
    }

    // The zoom bar and its indicator.
    m_renderer->DrawSprite(CKetrelVector2(h / 16.0f, h / 2.0f), CKetrelVector2(h / 32.0f, h / 4.0f),
                           Image(m_renderer, kImageZoomBar), Tint(0xFFFFFFFFu));
    m_renderer->DrawSprite(CKetrelVector2(h / 16.0f, ZoomIndicatorY(m_camera->GetZoom(), h)),
                           CKetrelVector2(h / 32.0f, h / 32.0f),
                           Image(m_renderer, kImageZoomIndicator), Tint(0xFFFFFFFFu));
}

void CJubPlayState::RenderStatus(CJubScene& scene)
{
    const f32 h = m_renderer->GetScreenHeight();
    if (m_f.matchDecided)
    {
        const i32 won = m_f.winner == m_f.localPlayer;
        if (m_f.winner == JUB_WINNER_DRAW)
        {
            DrawCentredText(m_game->GetText(kTextDraw), 0.4f * h, 0xFFFFFFFFu);
        }
        else if (m_f.winner == 0 || m_f.winner == 1)
        {
            CKetrelString text(scene.GetPlayer(m_f.winner).name);
            text.Append(m_game->GetText(won ? (m_singlePlayer ? kTextTrainingWon : kTextYouWon)
                                            : (m_singlePlayer ? kTextTrainingLost : kTextTheyWon)));
            DrawCentredText(text, 0.4f * h, 0xFFFFFFFFu);
            if (m_playerLeft)
                DrawCentredText(m_game->GetText(kTextLeft), 0.25f * h, 0xFFFFFFFFu);
            else if (m_timeOutsFlag)
                DrawCentredText(m_game->GetText(won ? kTextTheirTimeOuts : kTextYourTimeOuts),
                                0.25f * h, 0xFFFFFFFFu);
        }
    }
    else if (m_turnMessage > 0.0f && (m_f.turnPlayer == 0 || m_f.turnPlayer == 1))
    {
        const u32 alpha = m_turnMessage > 255.0f ? 255u : (u32)m_turnMessage;
        const u32 colour = (alpha << 24) | 0x00FFFFFFu;
        CKetrelString text(scene.GetPlayer(m_f.turnPlayer).name);
        text.Append(m_game->GetText(m_f.turnPlayer == m_f.localPlayer ? kTextYourTurn
                                                                      : kTextTheirTurn));
        DrawCentredText(text, 0.4f * h, colour);
        DrawCentredText(m_game->GetText(kTextTurnHint), 0.3f * h, colour);
    }
    if (m_f.phase == JUB_PHASE_BETWEEN_ROUNDS
        && (m_f.readyPosted || scene.GetPlayer(m_f.localPlayer).ready))
        DrawCentredText(m_game->GetText(kTextWaiting), 0.6f * h, 0xFFFFFFFFu);
    // The round's intro runs while its first turn's timer is held (the turn itself has
    // begun at once, so the intro is no phase of its own).
    if (m_timerHeld && !m_f.matchDecided)
    {
        DrawCentredText(m_game->GetText(kTextIntro), 0.3f * h, 0xFFFFFFFFu);
        DrawCentredText(scene.GetName(), 0.4f * h, 0xFFFFFFFFu);
    }
}
