#pragma once
// ui/PageButton.h: a toggle button bound to one page of a page view
// ("page_button"). A click navigates the view to the page; the button shows itself
// toggled while that page is the visible one. It finds its view by path on its
// first update that succeeds.
#include "engine/KetrelString.h"
#include "ui/PageView.h"
#include "ui/ToggleButton.h"

class CPageButton : public CToggleButton, public IPageViewButton
{
public:
    CPageButton() : m_view(nullptr) {}
    ~CPageButton() override;   // unbinds from the view

    static CPageButton* Cast(CWidget* w) { return WidgetCast<CPageButton>(w, CWidgetType::PageButton()); }
    static const CWidgetType& Kind() { return CWidgetType::PageButton(); }
    const CWidgetType& GetType() const override { return CWidgetType::PageButton(); }

    // The toggle button's Init; no view.
    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    // Unbinds from the view, then the button's Close.
    void Close() override;
    CWidget* CreateInstance() const override { return new CPageButton(); }
    // The toggle button's copy and both target names (not the view).
    void CopyFrom(const CWidget* source) override;
    // The button's update; after a successful one, an unbound button looks its view
    // up by path.
    int UpdateSelf(f32 dt) override;
    // The toggle button's click, then the view navigates to the page.
    void Click() override;

    // Path of the view (from this button) and of the page (from the view).
    void SetTarget(const CKetrelString& viewName, const CKetrelString& pageName)
    {
        m_viewName = viewName;
        m_pageName = pageName;
    }
    const CKetrelString& GetViewName() const { return m_viewName; }
    CPageView* GetPageView() const { return m_view; }
    // A flag of the page-button kind that nothing sets: always 0.
    virtual int QueryFlag() const { return 0; }

    // IPageViewButton
    const CKetrelString& GetTargetPage() const override { return m_pageName; }
    void SetPageToggled(bool toggled) override { SetToggled(toggled); }
    void SetPageView(CPageView* view) override;

private:
    CKetrelString m_viewName;
    CKetrelString m_pageName;
    CPageView* m_view;   // not owned; null until found
};
