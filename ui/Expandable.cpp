// ui/Expandable.cpp
#include "ui/Expandable.h"

#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "ui/WidgetMath.h"

CExpandable::CExpandable()
    : m_state(-1), m_fromWidth(0), m_fromHeight(0), m_pendingFirst(0), m_remaining(0.0f),
      m_deltaWidth(0.0f), m_deltaHeight(0.0f), m_transitionTime(0.0f), m_onBegin{}, m_onEnd{}
{
}

int CExpandable::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    int r = CButton::Init(app, resources, rect);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    m_widths.RemoveAll();
    m_heights.RemoveAll();
    m_state = -1;
    m_pendingFirst = 1;
    m_transitionTime = 0.25f;
    m_remaining = 0.0f;
    return KE_OK;
}

void CExpandable::Close()
{
    m_widths.RemoveAll();
    m_heights.RemoveAll();
    CButton::Close();
}

CWidget* CExpandable::CreateInstance() const { return new CExpandable(); }

void CExpandable::CopyFrom(const CWidget* source)
{
    CButton::CopyFrom(source);
    const CExpandable* o = CExpandable::Cast(const_cast<CWidget*>(source));
    if (!o || o == this)
        return;
    for (i32 i = 0; i < o->m_widths.GetCount(); ++i)
        m_widths.Add(o->m_widths[i]);
    for (i32 i = 0; i < o->m_heights.GetCount(); ++i)
        m_heights.Add(o->m_heights[i]);
    m_transitionTime = o->m_transitionTime;
    m_onBegin = o->m_onBegin;
    m_onEnd = o->m_onEnd;
    m_state = -1;
    m_remaining = 0.0f;
}

void CExpandable::SetStates(const CKetrelArray<i32>& widths, const CKetrelArray<i32>& heights)
{
    m_widths = widths;
    m_heights = heights;
}

i32 CExpandable::GetStateCount() const
{
    return m_widths.GetCount() > m_heights.GetCount() ? m_widths.GetCount() : m_heights.GetCount();
}

i32 CExpandable::WidthOf(i32 s) const
{
    const i32 n = m_widths.GetCount();
    if (n == 0 || s < 0)
        return GetWidth();
    return m_widths[s % n];
}

i32 CExpandable::HeightOf(i32 s) const
{
    const i32 n = m_heights.GetCount();
    if (n == 0 || s < 0)
        return GetHeight();
    return m_heights[s % n];
}

i32 CExpandable::GetHeightOfState(i32 s) const
{
    if (s >= 0 && s < m_heights.GetCount())
        return m_heights[s];
    return GetHeight();
}

i32 CExpandable::TargetIndex(i32 s) const
{
    const i32 n = GetStateCount();
    const i32 t = s % n;
    return t < 0 ? 0 : t;
}

void CExpandable::SetState(i32 s)
{
    if (GetStateCount() == 0)
        return;
    const i32 next = TargetIndex(s);
    if (next == m_state)
        return;
    CWidgetWalkGuard guard;   // the callbacks may destroy this widget
    m_state = next;
    m_fromWidth = GetWidth();
    m_fromHeight = GetHeight();
    FireCallback(m_onBegin, this);
    const CKetrelRect& r = GetRect();
    SetRect(CKetrelRect(r.left, r.top, r.left + WidthOf(m_state), r.top + HeightOf(m_state)));
    FireCallback(m_onEnd, this);
}

void CExpandable::ExpandTo(i32 s)
{
    if (GetStateCount() == 0)
        return;
    const i32 next = TargetIndex(s);
    if (next == m_state)
        return;
    CWidgetWalkGuard guard;   // the callbacks may destroy this widget
    m_state = next;
    m_fromWidth = GetWidth();
    m_fromHeight = GetHeight();
    m_remaining = m_transitionTime;
    m_deltaWidth = m_widths.GetCount() ? (f32)(WidthOf(m_state) - m_fromWidth) : 0.0f;
    m_deltaHeight = m_heights.GetCount() ? (f32)(HeightOf(m_state) - m_fromHeight) : 0.0f;
    FireCallback(m_onBegin, this);
    if (m_transitionTime > 0.0f)
        return;
    // No time to animate over: the update would never see a change running.
    m_remaining = 0.0f;
    const CKetrelRect& r = GetRect();
    SetRect(CKetrelRect(r.left, r.top, r.left + WidthOf(m_state), r.top + HeightOf(m_state)));
    FireCallback(m_onEnd, this);
}

int CExpandable::UpdateSelf(f32 dt)
{
    CWidgetWalkGuard guard;   // the callbacks may destroy this widget
    if (m_pendingFirst)
    {
        m_pendingFirst = 0;
        SetState(0);
        // A change asked for before this update is cut to half a step. Without a
        // transition time nothing is running: a remaining time would only fire
        // "onendexpand" a second time.
        if (m_transitionTime > 0.0f && m_remaining >= m_transitionTime)
            m_remaining = dt * 0.5f;
    }
    int r = CButton::UpdateSelf(dt);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    if (m_remaining > 0.0f)
    {
        CKetrelFramePacer::NoteScreenActivity();
        m_remaining -= dt;
        const CKetrelRect& rc = GetRect();
        if (m_remaining <= 0.0f)
        {
            m_remaining = 0.0f;
            SetRect(CKetrelRect(rc.left, rc.top, rc.left + WidthOf(m_state),
                                rc.top + HeightOf(m_state)));
            FireCallback(m_onEnd, this);
        }
        else
        {
            const f32 p = m_transitionTime > 0.0f ? 1.0f - m_remaining / m_transitionTime : 1.0f;
            const i32 w = widgetmath::ClampTrunc((f32)m_fromWidth + p * p * m_deltaWidth);
            const i32 h = widgetmath::ClampTrunc((f32)m_fromHeight + p * p * m_deltaHeight);
            SetRect(CKetrelRect(rc.left, rc.top, rc.left + w, rc.top + h));
        }
    }
    return r;
}

void CExpandable::FitChildren()
{
    const CKetrelRect local = GetLocalRect();
    for (i32 i = 0; i < GetChildCount(); ++i)
        GetChild(i)->SetRect(local);
}

void CExpandable::OnRectChanged(const CKetrelRect& old, const CKetrelRect& now)
{
    CButton::OnRectChanged(old, now);
    FitChildren();
}

void CExpandable::OnChildAdded(CWidget* child)
{
    CButton::OnChildAdded(child);
    FitChildren();
}

void CExpandable::OnChildRemoved(CWidget* child)
{
    CButton::OnChildRemoved(child);
    FitChildren();
}

int CExpandable::Draw(IKetrelGraphicsContext* gc, const CKetrelRect& area)
{
    if (!gc)
        return CButton::Draw(gc, area);
    CKetrelRect saved;
    gc->GetClipRect(&saved);
    CKetrelRect clip = widgetmath::Intersect(saved, area);
    gc->SetClipRect(&clip);
    int r = CButton::Draw(gc, area);
    gc->SetClipRect(&saved);
    return r;
}
