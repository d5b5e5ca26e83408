// ui/Divider.cpp
#include "ui/Divider.h"

#include "engine/KetrelResult.h"

#include <cmath>

namespace
{
const i32 kNoLimit = 0x7FFFFFFF;

// floor(x + 0.5), held inside the i32 range (a huge aspect must not overflow).
i32 Near(f32 x)
{
    const f32 v = floorf(x + 0.5f);
    if (!(v > -2147483520.0f))
        return v != v ? 0 : (i32)-2147483520;
    if (v > 2147483520.0f)
        return 2147483520;
    return (i32)v;
}

i32 Min(i32 a, i32 b) { return a < b ? a : b; }
}  // namespace

CDivider::CDivider()
    : m_aspect(1.0f), m_maxItemWidth(kNoLimit), m_maxItemHeight(kNoLimit), m_mode(MODE_LEFT)
{
}

int CDivider::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    return CLayout::Init(app, resources, rect);
}

void CDivider::CopyFrom(const CWidget* source)
{
    CLayout::CopyFrom(source);
    if (!source || !source->IsKindOf(CWidgetType::Divider()))
        return;
    const CDivider* s = static_cast<const CDivider*>(source);
    SetAspect(s->m_aspect);
    SetMaxItemWidth(s->m_maxItemWidth);
    SetMaxItemHeight(s->m_maxItemHeight);
    SetMode(s->m_mode);
}

void CDivider::SetAspect(f32 aspect)
{
    m_aspect = aspect;
    SetLayoutNeeded(true);
}

void CDivider::SetMaxItemWidth(i32 width)
{
    m_maxItemWidth = width;
    SetLayoutNeeded(true);
}

void CDivider::SetMaxItemHeight(i32 height)
{
    m_maxItemHeight = height;
    SetLayoutNeeded(true);
}

void CDivider::SetMode(i32 mode)
{
    m_mode = mode;
    SetLayoutNeeded(true);
}

void CDivider::DoLayout()
{
    if (GetChildCount() == 0 || !(m_aspect > 0.0f) || m_mode < 0 || m_mode > 3)
        return;
    const i32 w = GetWidth();
    const i32 h = GetHeight();
    CKetrelRect even, odd;
    if (m_mode == MODE_LEFT || m_mode == MODE_RIGHT)
    {
        const i32 ih = Min(h, m_maxItemHeight);
        i32 s = Min(m_maxItemWidth, Near(m_aspect * (f32)h));
        if (m_mode == MODE_RIGHT)
            s = w - s;
        even.Set(0, 0, s, ih);
        odd.Set(s, 0, w, ih);
    }
    else
    {
        const i32 iw = Min(w, m_maxItemWidth);
        i32 s = Min(m_maxItemHeight, Near((f32)w / m_aspect));
        if (m_mode == MODE_BOTTOM)
            s = h - s;
        even.Set(0, 0, iw, s);
        odd.Set(0, s, iw, h);
    }
    for (i32 i = 0; i < GetChildCount(); ++i)
        GetChild(i)->SetRect((i % 2) == 0 ? even : odd);
}
