// ui/AspectLayout.cpp
#include "ui/AspectLayout.h"

#include "engine/KetrelResult.h"

CAspectLayout::CAspectLayout() : m_aspect(1.0f), m_positioning(0.5f) {}

int CAspectLayout::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    m_aspect = 1.0f;
    m_positioning = 0.5f;
    int r = CLayout::Init(app, resources, rect);
    if (r == KE_OK)
        m_fitted = rect;
    return r;
}

void CAspectLayout::CopyFrom(const CWidget* source)
{
    CLayout::CopyFrom(source);
    if (!source || !source->IsKindOf(CWidgetType::AspectLayout()))
        return;
    const CAspectLayout* s = static_cast<const CAspectLayout*>(source);
    SetAspect(s->m_aspect);
    SetPositioning(s->m_positioning);
}

void CAspectLayout::SetAspect(f32 aspect)
{
    m_aspect = aspect;
    SetLayoutNeeded(true);
}

void CAspectLayout::SetPositioning(f32 positioning)
{
    m_positioning = positioning;
    SetLayoutNeeded(true);
}

void CAspectLayout::DoLayout()
{
    CKetrelRect fitted = GetLocalRect();
    if (!FitRectToAspect(fitted, m_aspect, m_positioning))
        return;
    m_fitted = fitted;
    for (i32 i = 0; i < GetChildCount(); ++i)
        GetChild(i)->SetRect(fitted);
}
