#pragma once
// ui/Divider.h: a box of fixed aspect on one side and the rest of the area beside it
// ("divider_layout"). Children at even indexes take the left or top part, odd ones
// the other part, whichever side the fixed box is on.
#include "ui/Layout.h"

class CDivider : public CLayout
{
public:
    // Where the fixed box lies.
    enum { MODE_LEFT = 0, MODE_TOP = 1, MODE_RIGHT = 2, MODE_BOTTOM = 3 };

    CDivider();

    const CWidgetType& GetType() const override { return CWidgetType::Divider(); }
    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    CWidget* CreateInstance() const override { return new CDivider(); }
    void CopyFrom(const CWidget* source) override;
    // Nothing without children, with an aspect <= 0 or a mode outside 0..3.
    void DoLayout() override;

    void SetAspect(f32 aspect);
    f32 GetAspect() const { return m_aspect; }
    void SetMaxItemWidth(i32 width);
    i32 GetMaxItemWidth() const { return m_maxItemWidth; }
    void SetMaxItemHeight(i32 height);
    i32 GetMaxItemHeight() const { return m_maxItemHeight; }
    void SetMode(i32 mode);
    i32 GetMode() const { return m_mode; }

private:
    f32 m_aspect;          // width / height of the fixed box
    i32 m_maxItemWidth;    // 0x7FFFFFFF: no limit
    i32 m_maxItemHeight;
    i32 m_mode;            // MODE_*
};
