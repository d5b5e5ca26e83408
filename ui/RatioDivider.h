#pragma once
// ui/RatioDivider.h: two parts side by side or stacked, the first taking a share of
// the layout ("ratio_layout"). Only the first two children are placed.
#include "ui/Layout.h"

class CRatioDivider : public CLayout
{
public:
    enum { ORIENTATION_HORIZONTAL = 0, ORIENTATION_VERTICAL = 1 };

    CRatioDivider();

    const CWidgetType& GetType() const override { return CWidgetType::RatioDivider(); }
    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    CWidget* CreateInstance() const override { return new CRatioDivider(); }
    void CopyFrom(const CWidget* source) override;
    // Nothing without children, with a ratio <= 0 or another orientation. The first
    // part's size is clamped to the minimum, then to the maximum (which wins).
    void DoLayout() override;

    void SetRatio(f32 ratio);
    f32 GetRatio() const { return m_ratio; }
    // A negative value is stored as 0.
    void SetMinFirstItemSize(i32 size);
    i32 GetMinFirstItemSize() const { return m_minFirst; }
    // A negative value is stored as 0x40000000.
    void SetMaxFirstItemSize(i32 size);
    i32 GetMaxFirstItemSize() const { return m_maxFirst; }
    void SetOrientation(i32 orientation);
    i32 GetOrientation() const { return m_orientation; }

private:
    f32 m_ratio;         // share of the first part
    i32 m_minFirst;
    i32 m_maxFirst;
    i32 m_orientation;   // ORIENTATION_*
};
