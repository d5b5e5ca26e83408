// The play screen's HUD buttons: where they sit, which the phase shows, and which
// weapons they offer.
#include "game/match/JubPlayState.h"

#include "game/match/JubButtonManager.h"
#include "game/match/JubPlayer.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubScene.h"

namespace
{
// Pictures of the image table.
enum
{
    kImageExit = 11, kImageSnow = 21, kImageCluster = 22, kImageNoBomb = 23,
    kImageYes = 25, kImageNo = 26, kImageJump = 49, kImageBomb = 50, kImageWhip = 51,
    kImageJumpOther = 52, kImageBombOther = 53, kImageWhipOther = 54, kImageSticky = 55,
    kImageNextRound = 60, kImageChat = 64, kImageRestart = 66
};

const u32 kBackgrounds[10][2] = {   // bottom, top
    {0xFEA800, 0x20BCD2}, {0x20BCD2, 0x002F5F}, {0xFF75AC, 0x20BCD2}, {0xC6F6FF, 0x74DDFF},
    {0x8BCFFF, 0x38005B}, {0x8BCFFF, 0xB764B0}, {0xFFDC71, 0xB764B0}, {0xFFDC71, 0x003391},
    {0x008AFF, 0x002C51}, {0xFFEA00, 0xC63D00}};

const f32 kZoomMin = 0.3f;
const f32 kZoomRange = 0.7f;

// The weapon of each weapon button and the button of each weapon.
const i32 kWeaponButtons[] = {2, 3, 4, 5, 8};

// The owned-bomb button's picture names the bomb it fires: the snow bomb when both are
// owned, none once the bomb was used.
i32 OwnedBombImage(const CJubPlayer& me)
{
    if (me.bombUsed)
        return kImageNoBomb;
    if (me.ownsSnowBomb)
        return kImageSnow;
    return me.ownsClusterBomb ? kImageCluster : kImageNoBomb;
}
} // namespace

u32 CJubPlayState::BackgroundColour(i32 number, i32 top)
{
    if (number < 0 || number > 9)
        number = 0;
    return kBackgrounds[number][top ? 1 : 0];
}

f32 CJubPlayState::ZoomIndicatorY(f32 zoom, f32 h)
{
    f32 t = (zoom - kZoomMin) / kZoomRange;
    // Also catches NaN: the indicator stays inside the bar whatever the zoom.
    if (!(t >= 0.058928575f))
        t = 0.058928575f;
    if (t > 0.94107145f)
        t = 0.94107145f;
    return 1.5f * h / 2.0f - h / 2.0f * t;
}

f32 CJubPlayState::ZoomFromBar(f32 y, f32 h)
{
    // The bar runs from h/4 (top) to 3h/4 (bottom).
    f32 t = h > 0.0f ? (0.75f * h - y) / (0.5f * h) : 0.0f;
    if (!(t >= 0.0f))
        t = 0.0f;
    if (t > 1.0f)
        t = 1.0f;
    return kZoomMin + kZoomRange * t;
}

CKetrelRectF CJubPlayState::GetHudButtonRect(i32 id) const
{
    if (id < 0 || id >= 14)
        return CKetrelRectF();
    return m_hudRects[id];
}

void CJubPlayState::PlaceHudButtons(i32 full)
{
    if (!m_buttons || !m_renderer || !m_liveScene)
        return;
    m_buttons->Clear();
    for (i32 i = 0; i < 14; ++i)
        m_hudRects[i] = CKetrelRectF();
    const f32 w = m_renderer->GetScreenWidth();
    const f32 h = m_renderer->GetScreenHeight();
    const f32 c = w / 30.0f;
    const i32 other = m_f.localPlayer == 1;
    const CJubPlayer& me = m_liveScene->GetPlayer(m_f.localPlayer);

    struct Placing
    {
        i32 id, image;
        f32 x, y, hx, hy;
        i32 shown;
    };
    Placing list[13];
    i32 n = 0;
    list[n++] = {10, kImageYes, 0.4f * w, 0.6f * h, w / 20.0f, w / 20.0f, 0};
    list[n++] = {11, kImageNo, 0.6f * w, 0.6f * h, w / 20.0f, w / 20.0f, 0};
    list[n++] = {0, kImageExit, (m_singlePlayer ? 0.4f : 0.5f) * w, h - 1.2f * c, c, c, 1};
    if (m_singlePlayer)
        list[n++] = {13, kImageRestart, 0.6f * w, h - 1.2f * c, c, c, 1};
    if (full)
    {
        const i32 bomb = OwnedBombImage(me);
        list[n++] = {6, kImageChat, c, h - c, c, c, 0};
        list[n++] = {7, kImageChat, w - c, h - c, c, c, 0};
        list[n++] = {2, other ? kImageJumpOther : kImageJump, 0.5f * w - 6.0f * c, 1.5f * c, c, c, 1};
        list[n++] = {5, other ? kImageWhipOther : kImageWhip, 0.5f * w - 3.0f * c, 1.5f * c, c, c, 1};
        list[n++] = {3, other ? kImageBombOther : kImageBomb, 0.5f * w, 1.5f * c, c, c, 1};
        list[n++] = {4, kImageSticky, 0.5f * w + 3.0f * c, 1.5f * c, c, c, 1};
        list[n++] = {8, bomb, 0.5f * w + 6.0f * c, 1.5f * c, c, c, 1};
    }
    list[n++] = {9, kImageNextRound, 0.5f * w, 0.75f * h, w / 15.0f, w / 15.0f, 0};
    list[n++] = {12, kImageNextRound, 0.5f * w, 0.75f * h, w / 15.0f, w / 15.0f, 0};

    for (i32 i = 0; i < n; ++i)
    {
        const Placing& at = list[i];
        CJubButton* b = m_buttons->AddButton(CKetrelVector2(at.x, at.y),
                                             CKetrelVector2(at.hx, at.hy), at.image, at.id, 0);
        if (!b)
            continue;
        if (!at.shown)
        {
            b->visible = 0;
            b->state = JUB_BUTTON_IDLE;
            b->animScale = 1.0f;
        }
        if (at.id == 8 && at.image == kImageNoBomb)
            b->disabled = 1;
        m_hudRects[at.id] = b->hitRect;
    }
    m_buttons->LoadTextures();
}

void CJubPlayState::ApplyHudWeapons()
{
    if (!m_buttons || !m_liveScene)
        return;
    const CJubPlayer& me = m_liveScene->GetPlayer(m_f.localPlayer);
    const u32 allowed = m_allowedWeapons;
    const i32 bits[] = {1 << JUB_WEAPON_JUMP, 1 << JUB_WEAPON_BOMB, 1 << JUB_WEAPON_STICKY,
                        1 << JUB_WEAPON_WHIP,
                        (1 << JUB_WEAPON_SNOW) | (1 << JUB_WEAPON_CLUSTER)};
    for (i32 i = 0; i < 5; ++i)
    {
        CJubButton* b = m_buttons->FindButton(kWeaponButtons[i]);
        if (!b)
            continue;
        b->disabled = (allowed & (u32)bits[i]) ? 0 : 1;
        if (kWeaponButtons[i] == 8)
        {
            const i32 image = OwnedBombImage(me);
            b->textureIndex = image;
            if (image == kImageNoBomb)
                b->disabled = 1;
        }
    }
    m_buttons->LoadTextures();
}

i32 CJubPlayState::IsNextRoundShown() const
{
    return m_f.phase == JUB_PHASE_BETWEEN_ROUNDS && !m_f.readyPosted && !m_leaveShown;
}

void CJubPlayState::UpdateHudVisibility()
{
    if (!m_buttons)
        return;
    const i32 phase = m_f.phase;
    const i32 roundStarting = phase == JUB_PHASE_NONE || phase == JUB_PHASE_ROUND_START;
    for (i32 i = 0; i < m_buttons->GetButtonCount(); ++i)
    {
        CJubButton* b = m_buttons->GetButton(i);
        i32 shown = 0;
        switch (b->id)
        {
        case 0:
            shown = 1;
            break;
        case 2: case 3: case 4: case 5: case 8:
            shown = !roundStarting;
            break;
        case 6: case 7:
            shown = !roundStarting && !m_singlePlayer;
            break;
        case 13:
            shown = !roundStarting && m_singlePlayer;
            break;
        case 10: case 11:
            shown = !roundStarting && m_confirmation;
            break;
        case 9:
            shown = IsNextRoundShown();
            break;
        case 12:
            shown = m_leaveShown;
            break;
        default:
            break;
        }
        if (!shown && b->visible)
        {
            b->visible = 0;
            b->state = JUB_BUTTON_IDLE;
            b->animScale = 1.0f;
            b->pressedInside = 0;
        }
        else if (shown)
        {
            b->visible = 1;
        }
    }
}
