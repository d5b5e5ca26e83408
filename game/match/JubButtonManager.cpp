// Touch buttons. One update per row                     button state after   click?
//   down inside A, held                                 pressing, pressed    no
//   up inside A (also before the pressed scale)         releasing            yes
//   down inside A, then slides off A                    releasing            no
//   slides back onto A, then up inside A                releasing            no
//   down outside every button, then up inside A         idle                 no
//   two fingers down (pinch)                            unchanged            no
#include "game/match/JubButtonManager.h"

#include "KetrelSound/KetrelSoundSource.h"
#include "engine/KetrelColor.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubTouchState.h"

#include <cmath>

namespace
{
const f32 kBusyLimit = 2.0f;           // seconds after the last accepted touch
const f32 kPressedScale = 0.8f;
const f32 kRestScale = 1.0f;
const f32 kPressSpeed = 2.0f;          // scale per second
const f32 kTwoPi = 6.2831855f;
const f32 kBobPerHeight = 1.0f / 120.0f;   // pulse offset: screen height / 120
const f32 kBreathe = 0.05f;            // pulse scale amplitude
const u32 kEnabledColour = 0xFFFFFFFFu;
const u32 kDisabledColour = 0x80FFFFFFu;
const u32 kLabelFlags = 0x4110u;       // three-quarter size, centred, unclipped
} // namespace

CJubButton::CJubButton(CJubButtonListener* owner_, const CKetrelVector2& centre_,
                       const CKetrelVector2& halfSize_, i32 textureIndex_, i32 id_, i32 frame_)
    : owner(owner_), state(JUB_BUTTON_IDLE), textureIndex(textureIndex_), frame(frame_),
      pressedInside(0), visible(1), labelShown(0), disabled(0), pulse(1), touchable(1),
      halfSize(halfSize_), centre(centre_), drawScale(1.0f),
      hitRect(centre_.x - halfSize_.x, centre_.y - halfSize_.y, centre_.x + halfSize_.x,
              centre_.y + halfSize_.y),
      animScale(kRestScale), id(id_)
{
}

void CJubButton::SetState(i32 wanted)
{
    if (!visible)
        state = JUB_BUTTON_IDLE;
    else if (wanted == JUB_BUTTON_PRESSING && animScale == kPressedScale)
        state = JUB_BUTTON_PRESSED;
    else if (wanted == JUB_BUTTON_RELEASING && animScale == kRestScale)
        state = JUB_BUTTON_IDLE;
    else
        state = wanted;
}

CJubButtonManager::CJubButtonManager()
    : m_busyLimit(kBusyLimit), m_sinceTouch(0.0f), m_busy(0), m_renderer(nullptr),
      m_game(nullptr), m_listener(nullptr), m_pulsePhase(0.0f), m_edits(0)
{
}

CJubButtonManager::~CJubButtonManager()
{
    Clear();
}

void CJubButtonManager::Init(CJubRenderer* renderer, CJubGameHost* game)
{
    m_renderer = renderer;
    m_game = game;
    CJubAssetCache* assets = game ? game->GetAssets() : nullptr;
    if (assets)
    {
        assets->GetSound(JUB_SOUND_BUTTON_DOWN);
        assets->GetSound(JUB_SOUND_BUTTON_UP);
    }
}

void CJubButtonManager::LoadTextures()
{
    CJubAssetCache* assets = m_game ? m_game->GetAssets() : nullptr;
    if (!assets)
        return;
    for (i32 i = 0; i < m_buttons.GetCount(); ++i)
    {
        const CJubButton* button = GetButton(i);
        if (!assets->PeekImage(button->textureIndex))
            assets->GetImage(button->textureIndex);
    }
}

CJubButton* CJubButtonManager::AddButton(const CKetrelVector2& centre,
                                         const CKetrelVector2& halfSize, i32 textureIndex,
                                         i32 id, i32 frame)
{
    CJubButton* button = new CJubButton(this, centre, halfSize, textureIndex, id, frame);
    m_buttons.Add(button);
    ++m_edits;
    return button;
}

void CJubButtonManager::RemoveButton(i32 id)
{
    for (i32 i = m_buttons.GetCount() - 1; i >= 0; --i)
    {
        CJubButton* button = GetButton(i);
        if (button->id == id)
        {
            m_buttons.RemoveAt(i);
            delete button;
            ++m_edits;
        }
    }
}

CJubButton* CJubButtonManager::FindButton(i32 id) const
{
    for (i32 i = 0; i < m_buttons.GetCount(); ++i)
    {
        CJubButton* button = GetButton(i);
        if (button->id == id)
            return button;
    }
    return nullptr;
}

CJubButton* CJubButtonManager::GetButton(i32 index) const
{
    if (index < 0 || index >= m_buttons.GetCount())
        return nullptr;
    return static_cast<CJubButton*>(m_buttons.GetAt(index));
}

void CJubButtonManager::HideAll()
{
    for (i32 i = 0; i < m_buttons.GetCount(); ++i)
    {
        CJubButton* button = GetButton(i);
        button->state = JUB_BUTTON_IDLE;
        button->visible = 0;
        button->animScale = kRestScale;
    }
}

void CJubButtonManager::Clear()
{
    for (i32 i = 0; i < m_buttons.GetCount(); ++i)
        delete GetButton(i);
    m_buttons.RemoveAll();
    ++m_edits;
}

bool CJubButtonManager::Touchable(const CJubButton* button) const
{
    return button->visible && !button->disabled && button->touchable;
}

i32 CJubButtonManager::HandleTouch()
{
    if (!m_game)
        return 0;
    const CJubTouchState& touch = m_game->GetTouchState();
    if (touch.pinch)
        return 0;
    const CJubTouchPoint& finger = touch.Primary();
    const CKetrelVector2& at = finger.position;
    const i32 count = m_buttons.GetCount();

    if (finger.down)
    {
        if (finger.pressed)
        {
            for (i32 i = 0; i < count; ++i)
            {
                CJubButton* button = GetButton(i);
                if (!Touchable(button))
                    continue;
                if (button->hitRect.Contains(at))
                {
                    button->pressedInside = 1;
                    button->SetState(JUB_BUTTON_PRESSING);
                    m_game->PlaySound(JUB_SOUND_BUTTON_DOWN, 0, 0);
                    m_sinceTouch = 0.0f;
                    return 1;
                }
                button->pressedInside = 0;
            }
        }
        // A finger that still holds its button keeps it; one that slid off releases
        // every button without a click, even if it comes back.
        for (i32 i = 0; i < count; ++i)
        {
            CJubButton* button = GetButton(i);
            if (!Touchable(button))
                continue;
            if (button->hitRect.Contains(at) && button->pressedInside)
            {
                m_sinceTouch = 0.0f;
                return 1;
            }
            button->pressedInside = 0;
            button->SetState(JUB_BUTTON_RELEASING);
        }
    }

    if (finger.released)
    {
        for (i32 i = 0; i < count; ++i)
        {
            CJubButton* button = GetButton(i);
            if (!Touchable(button) || !button->pressedInside || !button->hitRect.Contains(at))
                continue;
            if (button->state != JUB_BUTTON_PRESSING && button->state != JUB_BUTTON_PRESSED)
                continue;
            button->SetState(JUB_BUTTON_RELEASING);
            m_game->PlaySound(JUB_SOUND_BUTTON_UP, 0, 0);
            m_sinceTouch = 0.0f;
            if (m_listener)
                m_listener->OnButtonClicked(button);
            return 1;
        }
    }

    const bool idle = !finger.down && !finger.released;
    for (i32 i = 0; i < count; ++i)
    {
        CJubButton* button = GetButton(i);
        button->pressedInside = 0;
        if (idle)
            button->SetState(JUB_BUTTON_RELEASING);
    }
    return 0;
}

void CJubButtonManager::Animate(CJubButton* button, f32 dt)
{
    if (!button->visible)
    {
        button->state = JUB_BUTTON_IDLE;
        button->animScale = kRestScale;
        return;
    }
    switch (button->state)
    {
    case JUB_BUTTON_PRESSING:
        button->animScale -= kPressSpeed * dt;
        if (button->animScale < kPressedScale)
        {
            button->animScale = kPressedScale;
            button->state = JUB_BUTTON_PRESSED;
            if (button->owner)
                button->owner->OnButtonPressed(button);
        }
        break;
    case JUB_BUTTON_PRESSED:
        if (button->owner)
            button->owner->OnButtonHeld(button);
        break;
    case JUB_BUTTON_RELEASING:
        button->animScale += kPressSpeed * dt;
        if (button->animScale >= kRestScale)
        {
            button->animScale = kRestScale;
            button->state = JUB_BUTTON_IDLE;
            if (button->owner)
                button->owner->OnButtonClicked(button);
        }
        break;
    default:
        break;
    }
}

i32 CJubButtonManager::Update(f32 dt)
{
    m_pulsePhase += dt;
    if (m_pulsePhase > kTwoPi)
        m_pulsePhase -= kTwoPi;

    const i32 took = HandleTouch();

    const f32 bob = m_renderer ? m_renderer->GetScreenHeight() * kBobPerHeight : 0.0f;
    m_busy = 0;
    const u32 edits = m_edits;
    for (i32 i = 0; i < m_buttons.GetCount(); ++i)
    {
        CJubButton* button = GetButton(i);
        // Hidden buttons too: that is what resets a button hidden in mid-press.
        Animate(button, dt);
        // A listener that laid the buttons out again may have deleted this one; the new
        // ones start with the next update.
        if (m_edits != edits)
            break;
        if (button->state != JUB_BUTTON_IDLE)
            m_busy = 1;
        if (button->pulse)
        {
            button->offset.y = std::sin((f32)i + m_pulsePhase) * bob;
            button->drawScale = 1.0f + kBreathe * std::sin((f32)i + 2.0f * m_pulsePhase);
            const f32 cx = button->centre.x + button->offset.x;
            const f32 cy = button->centre.y + button->offset.y;
            const f32 hx = button->halfSize.x * button->drawScale;
            const f32 hy = button->halfSize.y * button->drawScale;
            button->hitRect = CKetrelRectF(cx - hx, cy - hy, cx + hx, cy + hy);
        }
    }

    CJubAssetCache* assets = m_game ? m_game->GetAssets() : nullptr;
    if (assets)
    {
        IKetrelSoundSource* down = assets->PeekSound(JUB_SOUND_BUTTON_DOWN);
        IKetrelSoundSource* up = assets->PeekSound(JUB_SOUND_BUTTON_UP);
        if ((down && down->IsPlaying()) || (up && up->IsPlaying()))
            m_busy = 1;
    }

    m_sinceTouch += dt;
    if (m_sinceTouch < 0.0f)
        m_sinceTouch = 0.0f;
    if (m_sinceTouch > m_busyLimit)
        m_busy = 0;
    return took;
}

void CJubButtonManager::Render()
{
    if (!m_renderer)
        return;
    CJubAssetCache* assets = m_game ? m_game->GetAssets() : nullptr;
    for (i32 i = 0; i < m_buttons.GetCount(); ++i)
    {
        const CJubButton* button = GetButton(i);
        if (!button->visible)
            continue;
        CKetrelVector2 size(button->halfSize.x * button->animScale,
                            button->halfSize.y * button->animScale);
        CKetrelVector2 at = button->centre;
        if (button->pulse)
        {
            size.Scale(button->drawScale);
            at.Add(button->offset);
        }
        const u32 argb = button->disabled ? kDisabledColour : kEnabledColour;
        CKetrelColor colour;
        colour.SetARGB(argb);
        CKetrelSurface* texture = assets ? assets->GetImage(button->textureIndex) : nullptr;
        m_renderer->DrawSprite(at, size, texture, colour);
        if (button->labelShown)
        {
            const f32 x = (f32)(i32)at.x;
            const f32 y = (f32)(i32)at.y;
            m_renderer->DrawText(button->label, CKetrelRectF(x, y, x, y), argb, kLabelFlags, 0);
        }
    }
}

void CJubButtonManager::OnButtonPressed(CJubButton* button)
{
    if (m_listener)
        m_listener->OnButtonPressed(button);
}

void CJubButtonManager::OnButtonClicked(CJubButton*) {}

void CJubButtonManager::OnButtonHeld(CJubButton* button)
{
    if (m_listener)
        m_listener->OnButtonHeld(button);
}
