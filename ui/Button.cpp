// ui/Button.cpp
#include "ui/Button.h"

#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "ui/WidgetMath.h"

#include <cmath>

CButton::CButton()
    : m_toggled(0), m_onClick{}, m_onCancel{}, m_hitScale(1.0f), m_hitExtra(0.25f),
      m_inputLockTime(0.0f), m_pressed(0), m_cancellable(1), m_layoutWidgets(0), m_clickCount(0),
      m_clickDelay(0.15f), m_clickTimer(0.0f)
{
}

int CButton::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    int r = CImageWidget::Init(app, resources, rect);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    m_clickTimer = 0.0f;
    m_inputLockTime = 0.0f;
    m_hitScale = 1.0f;
    m_cancellable = 1;
    m_hitExtra = 0.25f;
    m_clickDelay = 0.15f;
    m_layoutWidgets = 0;
    m_toggled = 0;
    m_pressed = 0;
    SetTransparent(false);
    m_clickCount = 0;
    UpdateHitRect();
    return KE_OK;
}

void CButton::Close()
{
    m_onClick = CUIActionCallback{};
    m_onCancel = CUIActionCallback{};
    CImageWidget::Close();
}

CWidget* CButton::CreateInstance() const { return new CButton(); }

void CButton::UpdateHitRect()
{
    m_hitRect = GetLocalRect();
    if (m_hitScale != 1.0f)
    {
        const f32 d = (1.0f - m_hitScale) * -0.5f;
        const i32 dx = widgetmath::RoundHalfUp((f32)m_hitRect.Width() * d);
        const i32 dy = widgetmath::RoundHalfUp((f32)m_hitRect.Height() * d);
        m_hitRect.left -= dx;
        m_hitRect.right += dx;
        m_hitRect.top -= dy;
        m_hitRect.bottom += dy;
    }
}

void CButton::SetHitScale(f32 scale)
{
    m_hitScale = scale > 0.0f ? scale : 0.0f;
    UpdateHitRect();
}

bool CButton::HitTest(i32 x, i32 y) const
{
    return x >= m_hitRect.left && x <= m_hitRect.right && y >= m_hitRect.top &&
           y <= m_hitRect.bottom;
}

void CButton::OnRectChanged(const CKetrelRect& old, const CKetrelRect& now)
{
    CImageWidget::OnRectChanged(old, now);
    if (m_layoutWidgets)
    {
        const CKetrelRect local = GetLocalRect();
        for (i32 i = 0; i < GetChildCount(); ++i)
            GetChild(i)->SetRect(local);
    }
    UpdateHitRect();
}

void CButton::SetPressed(bool pressed)
{
    const u32 p = pressed ? 1 : 0;
    if (p == m_pressed)
        return;
    CKetrelFramePacer::NoteScreenActivity();
    CWidgetWalkGuard guard;   // face changes may fire show/hide callbacks
    m_pressed = p;
    SetHitScale(pressed ? m_hitScale + m_hitExtra : m_hitScale - m_hitExtra);
    if (m_layoutWidgets)
    {
        if (CWidget* normal = GetChild(0))
            normal->SetVisible(!pressed);
        if (CWidget* down = GetChild(1))
            down->SetVisible(pressed);
        OnRectChanged(GetRect(), GetRect());
    }
}

bool CButton::OnPointerDown(i32 button, i32 x, i32 y)
{
    if (button != 0 || m_inputLockTime > 0.0f)
        return CImageWidget::OnPointerDown(button, x, y);
    SetPressed(true);
    SetCapture(this);
    return true;
}

bool CButton::OnPointerUp(i32 button, i32 x, i32 y)
{
    if (button != 0)
        return CImageWidget::OnPointerUp(button, x, y);
    CWidgetWalkGuard guard;   // the click may destroy this button
    if (GetCapture() != this)
    {
        SetPressed(false);
        return true;
    }
    SetCapture(nullptr);
    if (m_cancellable && !HitTest(x, y))
    {
        FireSecondaryCallback();
        SetPressed(false);
        return true;
    }
    if (m_inputLockTime > 0.0f)
    {
        SetPressed(false);
        return true;
    }
    if (GetImage())
        FadeIn();
    else
        FadeInBelow(this);
    if (m_clickDelay > 0.0f)
        m_clickTimer = m_clickDelay;
    else
        Click();
    SetPressed(false);
    return true;
}

void CButton::ReleaseCapture()
{
    CWidgetWalkGuard guard;
    SetPressed(false);
    FireSecondaryCallback();
    CImageWidget::ReleaseCapture();
}

int CButton::UpdateSelf(f32 dt)
{
    int r = CImageWidget::UpdateSelf(dt);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    if (m_inputLockTime > 0.0f)
        m_inputLockTime -= dt;
    if (m_clickTimer > 0.0f)
    {
        CKetrelFramePacer::NoteScreenActivity();   // the delayed click changes the screen
        m_clickTimer -= dt;
        if (m_clickTimer <= 0.0f)
        {
            m_clickTimer = 0.0f;
            Click();
        }
    }
    return KE_OK;
}

void CButton::OnVisibilityChanged(bool visible)
{
    if (!visible)
        m_clickTimer = 0.0f;
    CImageWidget::OnVisibilityChanged(visible);
}

void CButton::Click()
{
    if (!m_onClick.IsSet())
        return;
    ++m_clickCount;
    FireCallback(m_onClick, this);
}

void CButton::FireSecondaryCallback() { FireCallback(m_onCancel, this); }

void CButton::CopyFrom(const CWidget* source)
{
    CImageWidget::CopyFrom(source);
    const CButton* o = CButton::Cast(const_cast<CWidget*>(source));
    if (!o || o == this)
        return;
    m_toggled = o->m_toggled;
    m_onClick = o->m_onClick;
    m_cancellable = o->m_cancellable;
    m_layoutWidgets = o->m_layoutWidgets;
    if (m_layoutWidgets)
    {
        SetPressed(!m_pressed);
        SetPressed(!m_pressed);
    }
    SetHitScale(o->m_hitScale);
    m_clickDelay = o->m_clickDelay;
}
