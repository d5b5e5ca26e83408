#pragma once
// ui/Alignment.h: places every child by an alignment within borders ("anchor_layout").
// A child keeps its size except along a scaled axis; centring ignores the borders.
// The layout is transparent, so a press on its empty area reaches the widgets below.
#include "ui/Layout.h"

class CAlignment : public CLayout
{
public:
    // Horizontal placement (bits 2-3) and vertical placement (bits 0-1).
    enum
    {
        ALIGN_LEFT = 0, ALIGN_HCENTER = 4, ALIGN_HSCALED = 8, ALIGN_RIGHT = 12,
        ALIGN_TOP = 0, ALIGN_VCENTER = 1, ALIGN_VSCALED = 2, ALIGN_BOTTOM = 3,
        ALIGN_HMASK = 12, ALIGN_VMASK = 3
    };
    // Border indices.
    enum { BORDER_LEFT = 0, BORDER_TOP = 1, BORDER_RIGHT = 2, BORDER_BOTTOM = 3 };

    CAlignment();

    const CWidgetType& GetType() const override { return CWidgetType::Alignment(); }
    // Alignment 0, borders 0, transparent.
    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    CWidget* CreateInstance() const override { return new CAlignment(); }
    void CopyFrom(const CWidget* source) override;
    void DoLayout() override;

    void SetAlignment(u32 alignment);
    u32 GetAlignment() const { return m_alignment; }
    // An index outside 0..3 is ignored (0 is read for it).
    void SetBorder(i32 index, i32 size);
    i32 GetBorder(i32 index) const;

private:
    u32 m_alignment;
    i32 m_borders[4];   // left, top, right, bottom
};
