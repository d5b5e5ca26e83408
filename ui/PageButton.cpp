// ui/PageButton.cpp
#include "ui/PageButton.h"

#include "engine/KetrelResult.h"

CPageButton::~CPageButton() { SetPageView(nullptr); }

int CPageButton::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    const int r = CToggleButton::Init(app, resources, rect);
    SetPageView(nullptr);
    return r;
}

void CPageButton::Close()
{
    SetPageView(nullptr);
    CToggleButton::Close();
}

void CPageButton::CopyFrom(const CWidget* source)
{
    CToggleButton::CopyFrom(source);
    if (const CPageButton* other = CPageButton::Cast(const_cast<CWidget*>(source)))
        SetTarget(other->m_viewName, other->m_pageName);
}

void CPageButton::SetPageView(CPageView* view)
{
    if (view == m_view)
        return;
    if (m_view)
        m_view->UnregisterPageButton(this);
    m_view = view;
    if (m_view)
        m_view->RegisterPageButton(this);
}

int CPageButton::UpdateSelf(f32 dt)
{
    const int r = CToggleButton::UpdateSelf(dt);
    if (r == KE_OK && !m_view)
        if (CPageView* view = CPageView::Cast(FindByPath(m_viewName)))
            SetPageView(view);
    return r;
}

void CPageButton::Click()
{
    CToggleButton::Click();
    if (m_view)
        m_view->Navigate(m_pageName);
}
