#pragma once
// ui/Layout.h: widgets that place their children. A layout lays out at once when a
// child is added, and otherwise in its next update after a child, its size or one of
// its settings changed (only while it has a non-empty size). Placements are SetRect
// calls on the children, in the layout's own coordinates (0, 0, width, height).
#include "ui/Widget.h"

class CLayout : public CWidget
{
public:
    CLayout() : m_layoutNeeded(false) {}

    const CWidgetType& GetType() const override { return CWidgetType::Layout(); }
    // The widget's Init; a failure is reported and returned. Clears layout needed.
    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    void OnRectChanged(const CKetrelRect& old, const CKetrelRect& now) override;
    void OnChildChanged(CWidget* child, const CKetrelRect& rect) override;
    void OnChildAdded(CWidget* child) override;
    void OnChildRemoved(CWidget* child) override;
    int UpdateSelf(f32 dt) override;

    // Places the children.
    virtual void DoLayout() = 0;

    void SetLayoutNeeded(bool needed) { m_layoutNeeded = needed; }
    bool IsLayoutNeeded() const { return m_layoutNeeded; }

private:
    bool m_layoutNeeded;
};

// The largest box of the given width/height aspect inside rect, placed in the spare
// space by positioning (0 at the start, 1 at the end). False, rect unchanged, for an
// empty rect or an aspect <= 0.
bool FitRectToAspect(CKetrelRect& rect, f32 aspect, f32 positioning);
