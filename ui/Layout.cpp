// ui/Layout.cpp
#include "ui/Layout.h"

#include "engine/KetrelResult.h"

#include <cmath>

int CLayout::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    int r = CWidget::Init(app, resources, rect);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    m_layoutNeeded = false;
    return KE_OK;
}

void CLayout::OnRectChanged(const CKetrelRect& old, const CKetrelRect& now)
{
    if (old.left != now.left || old.top != now.top || old.right != now.right ||
        old.bottom != now.bottom)
        m_layoutNeeded = true;
}

void CLayout::OnChildChanged(CWidget*, const CKetrelRect&) { m_layoutNeeded = true; }

void CLayout::OnChildAdded(CWidget*)
{
    DoLayout();
    m_layoutNeeded = false;
}

void CLayout::OnChildRemoved(CWidget*) { m_layoutNeeded = true; }

int CLayout::UpdateSelf(f32 dt)
{
    int r = CWidget::UpdateSelf(dt);
    if (m_layoutNeeded)
    {
        if (GetWidth() > 0 && GetHeight() > 0)
            DoLayout();
        // Placing the children reported back through OnChildChanged: that is done.
        m_layoutNeeded = false;
    }
    return r;
}

namespace
{
// Held inside the i32 range (NaN gives 0): document values can be anything.
f32 ClampToIntRange(f32 v)
{
    if (v != v)
        return 0.0f;
    if (v < -2147483520.0f)
        return -2147483520.0f;
    if (v > 2147483520.0f)
        return 2147483520.0f;
    return v;
}

// Nearest integer, halves away from zero.
i32 RoundToInt(f32 v) { return (i32)lroundf(ClampToIntRange(v)); }

i32 FloorToInt(f32 v) { return (i32)floorf(ClampToIntRange(v)); }
}  // namespace

bool FitRectToAspect(CKetrelRect& rect, f32 aspect, f32 positioning)
{
    const i32 w = rect.Width();
    const i32 h = rect.Height();
    if (w <= 0 || h <= 0 || !(aspect > 0.0f))
        return false;
    if (((f32)w / (f32)h) / aspect <= 1.0f)
    {
        const i32 nh = RoundToInt((f32)w / aspect);
        rect.top += FloorToInt(0.5f + (f32)(h - nh) * positioning);
        rect.bottom = rect.top + nh;
    }
    else
    {
        const i32 nw = RoundToInt(aspect * (f32)h);
        rect.left += FloorToInt(0.5f + (f32)(w - nw) * positioning);
        rect.right = rect.left + nw;
    }
    return true;
}
