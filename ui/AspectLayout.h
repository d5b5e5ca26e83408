#pragma once
// ui/AspectLayout.h: gives every child the same box of a fixed aspect, fitted into
// the layout ("aspect_layout").
#include "ui/Layout.h"

class CAspectLayout : public CLayout
{
public:
    CAspectLayout();

    const CWidgetType& GetType() const override { return CWidgetType::AspectLayout(); }
    // Aspect 1.0 and positioning 0.5, then the layout's Init; the initial rectangle
    // becomes the fitted one.
    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    CWidget* CreateInstance() const override { return new CAspectLayout(); }
    void CopyFrom(const CWidget* source) override;
    void DoLayout() override;

    // Width / height of the box.
    void SetAspect(f32 aspect);
    f32 GetAspect() const { return m_aspect; }
    // Where the box lies in the spare space: 0 at the start, 1 at the end.
    void SetPositioning(f32 positioning);
    f32 GetPositioning() const { return m_positioning; }
    // The last rectangle given to the children.
    const CKetrelRect& GetFittedRect() const { return m_fitted; }

private:
    f32 m_aspect;
    f32 m_positioning;
    CKetrelRect m_fitted;
};
