// ui/RatioDivider.cpp
#include "ui/RatioDivider.h"

#include "engine/KetrelResult.h"

#include <cmath>

namespace
{
const i32 kDefaultMax = 0x40000000;
}

CRatioDivider::CRatioDivider()
    : m_ratio(1.0f), m_minFirst(0), m_maxFirst(kDefaultMax), m_orientation(ORIENTATION_HORIZONTAL)
{
}

int CRatioDivider::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    return CLayout::Init(app, resources, rect);
}

void CRatioDivider::CopyFrom(const CWidget* source)
{
    CLayout::CopyFrom(source);
    if (!source || !source->IsKindOf(CWidgetType::RatioDivider()))
        return;
    const CRatioDivider* s = static_cast<const CRatioDivider*>(source);
    SetRatio(s->m_ratio);
    SetMinFirstItemSize(s->m_minFirst);
    SetMaxFirstItemSize(s->m_maxFirst);
    SetOrientation(s->m_orientation);
}

void CRatioDivider::SetRatio(f32 ratio)
{
    m_ratio = ratio;
    SetLayoutNeeded(true);
}

void CRatioDivider::SetMinFirstItemSize(i32 size)
{
    m_minFirst = size < 0 ? 0 : size;
    SetLayoutNeeded(true);
}

void CRatioDivider::SetMaxFirstItemSize(i32 size)
{
    m_maxFirst = size < 0 ? kDefaultMax : size;
    SetLayoutNeeded(true);
}

void CRatioDivider::SetOrientation(i32 orientation)
{
    m_orientation = orientation;
    SetLayoutNeeded(true);
}

void CRatioDivider::DoLayout()
{
    if (GetChildCount() == 0 || !(m_ratio > 0.0f) ||
        (m_orientation != ORIENTATION_HORIZONTAL && m_orientation != ORIENTATION_VERTICAL))
        return;
    const i32 w = GetWidth();
    const i32 h = GetHeight();
    const i32 size = m_orientation == ORIENTATION_HORIZONTAL ? w : h;
    // Held inside the i32 range before converting: a huge ratio must not overflow.
    f32 v = floorf(0.5f + m_ratio * (f32)size);
    if (v > 2147483520.0f)
        v = 2147483520.0f;
    else if (!(v > -2147483520.0f))
        v = v != v ? 0.0f : -2147483520.0f;
    i32 s = (i32)v;
    if (s < m_minFirst)
        s = m_minFirst;
    if (s >= m_maxFirst)
        s = m_maxFirst;
    CWidget* first = GetChild(0);
    CWidget* second = GetChild(1);
    if (m_orientation == ORIENTATION_HORIZONTAL)
    {
        first->SetRect(CKetrelRect(0, 0, s, h));
        if (second)
            second->SetRect(CKetrelRect(s, 0, w, h));
    }
    else
    {
        first->SetRect(CKetrelRect(0, 0, w, s));
        if (second)
            second->SetRect(CKetrelRect(0, s, w, h));
    }
}
