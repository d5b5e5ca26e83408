// ui/Alignment.cpp
#include "ui/Alignment.h"

#include "engine/KetrelResult.h"

CAlignment::CAlignment() : m_alignment(0), m_borders{0, 0, 0, 0} {}

int CAlignment::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    int r = CLayout::Init(app, resources, rect);
    if (r != KE_OK)
        return r;
    m_alignment = 0;
    for (i32& b : m_borders)
        b = 0;
    SetTransparent(true);
    return KE_OK;
}

void CAlignment::CopyFrom(const CWidget* source)
{
    CLayout::CopyFrom(source);
    if (!source || !source->IsKindOf(CWidgetType::Alignment()))
        return;
    const CAlignment* s = static_cast<const CAlignment*>(source);
    SetAlignment(s->m_alignment);
    for (i32 i = 0; i < 4; ++i)
        SetBorder(i, s->m_borders[i]);
}

void CAlignment::SetAlignment(u32 alignment)
{
    m_alignment = alignment;
    SetLayoutNeeded(true);
}

void CAlignment::SetBorder(i32 index, i32 size)
{
    if (index < 0 || index > 3)
        return;
    m_borders[index] = size;
    SetLayoutNeeded(true);
}

i32 CAlignment::GetBorder(i32 index) const
{
    return (index >= 0 && index <= 3) ? m_borders[index] : 0;
}

void CAlignment::DoLayout()
{
    const CKetrelRect area = GetLocalRect();
    for (i32 i = 0; i < GetChildCount(); ++i)
    {
        CWidget* c = GetChild(i);
        CKetrelRect r = c->GetRect();
        const i32 cw = r.Width();
        const i32 ch = r.Height();
        switch (m_alignment & ALIGN_HMASK)
        {
        case ALIGN_LEFT:
            r.left = area.left + m_borders[BORDER_LEFT];
            r.right = r.left + cw;
            break;
        case ALIGN_HCENTER:
            r.left = area.left + (area.Width() - cw) / 2;
            r.right = r.left + cw;
            break;
        case ALIGN_HSCALED:
            r.left = area.left + m_borders[BORDER_LEFT];
            r.right = area.right - m_borders[BORDER_RIGHT];
            break;
        default:
            r.right = area.right - m_borders[BORDER_RIGHT];
            r.left = r.right - cw;
            break;
        }
        switch (m_alignment & ALIGN_VMASK)
        {
        case ALIGN_TOP:
            r.top = area.top + m_borders[BORDER_TOP];
            r.bottom = r.top + ch;
            break;
        case ALIGN_VCENTER:
            r.top = area.top + (area.Height() - ch) / 2;
            r.bottom = r.top + ch;
            break;
        case ALIGN_VSCALED:
            r.top = area.top + m_borders[BORDER_TOP];
            r.bottom = area.bottom - m_borders[BORDER_BOTTOM];
            break;
        default:
            r.bottom = area.bottom - m_borders[BORDER_BOTTOM];
            r.top = r.bottom - ch;
            break;
        }
        c->SetRect(r);
    }
}
