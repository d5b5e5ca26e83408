#pragma once
// ui/GridLayout.h: a slide area that arranges its visible children in rows and
// columns: mode 0 uniform cells (children resized to the cell), 1 flowing rows of
// the children's own sizes, 2 rows of cells the size of the largest child; any other
// mode leaves the children where they are. An "item_template" child is taken out on
// the first update for the code that fills the grid.
#include "ui/SlideArea.h"

class CGridLayout : public CSlideArea
{
public:
    enum { MODE_GRID = 0, MODE_LIST = 1, MODE_UNIFORM_LIST = 2 };
    enum { BORDER_LEFT, BORDER_TOP, BORDER_RIGHT, BORDER_BOTTOM };

    CGridLayout();
    ~CGridLayout() override;

    static CGridLayout* Cast(CWidget* w) { return WidgetCast<CGridLayout>(w, CWidgetType::GridLayout()); }
    const CWidgetType& GetType() const override { return CWidgetType::GridLayout(); }

    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    void Close() override;
    CWidget* CreateInstance() const override;
    int UpdateSelf(f32 dt) override;
    void CopyFrom(const CWidget* source) override;
    void DoLayout() override;

    i32 GetLayoutMode() const { return m_layoutMode; }
    void SetLayoutMode(i32 mode) { m_layoutMode = mode; SetLayoutNeeded(true); }
    // Side 0 left, 1 top, 2 right, 3 bottom; other sides read 0 and are ignored.
    i32 GetBorder(i32 side) const { return (side >= 0 && side < 4) ? m_border[side] : 0; }
    void SetBorder(i32 side, i32 pixels);
    i32 GetSpacingX() const { return m_spacingX; }
    void SetSpacingX(i32 pixels) { m_spacingX = pixels; SetLayoutNeeded(true); }
    i32 GetSpacingY() const { return m_spacingY; }
    void SetSpacingY(i32 pixels) { m_spacingY = pixels; SetLayoutNeeded(true); }
    i32 GetNumRows() const { return m_numRows; }
    // Negative counts are taken as 0 (derived).
    void SetNumRows(i32 rows);
    i32 GetNumColumns() const { return m_numColumns; }
    void SetNumColumns(i32 columns);
    // Cell size of mode 0; 0 when neither count is set or the cells have no room.
    i32 GetItemWidth() const;
    i32 GetItemHeight() const;
    CWidget* GetItemTemplate() const { return m_itemTemplate; }

private:
    i32 VisibleChildCount() const;

    i32 m_layoutMode;
    i32 m_numRows;
    i32 m_numColumns;
    i32 m_border[4];
    i32 m_spacingX, m_spacingY;
    CWidget* m_itemTemplate;   // owned
    u32 m_templatePending;
};
