// ui/GridLayout.cpp
#include "ui/GridLayout.h"

#include "engine/KetrelResult.h"

CGridLayout::CGridLayout()
    : m_layoutMode(MODE_GRID), m_numRows(0), m_numColumns(0), m_border{}, m_spacingX(0),
      m_spacingY(0), m_itemTemplate(nullptr), m_templatePending(1)
{
}

CGridLayout::~CGridLayout() { CWidget::Destroy(m_itemTemplate); }

int CGridLayout::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    int r = CSlideArea::Init(app, resources, rect);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    m_layoutMode = MODE_GRID;
    m_numRows = m_numColumns = 0;
    for (i32& b : m_border)
        b = 0;
    m_spacingX = m_spacingY = 0;
    CWidget::Destroy(m_itemTemplate);
    m_itemTemplate = nullptr;
    m_templatePending = 1;
    return KE_OK;
}

void CGridLayout::Close()
{
    m_numRows = 0;
    m_numColumns = 0;
    CWidget::Destroy(m_itemTemplate);
    m_itemTemplate = nullptr;
    CSlideArea::Close();
}

CWidget* CGridLayout::CreateInstance() const { return new CGridLayout(); }

void CGridLayout::SetBorder(i32 side, i32 pixels)
{
    if (side < 0 || side >= 4)
        return;
    m_border[side] = pixels;
    SetLayoutNeeded(true);
}

void CGridLayout::SetNumRows(i32 rows)
{
    m_numRows = rows > 0 ? rows : 0;
    SetLayoutNeeded(true);
}

void CGridLayout::SetNumColumns(i32 columns)
{
    m_numColumns = columns > 0 ? columns : 0;
    SetLayoutNeeded(true);
}

namespace
{
// ceil(a / b) for a >= 0, b > 0.
i32 CeilDiv(i32 a, i32 b) { return (a + b - 1) / b; }
}  // namespace

i32 CGridLayout::GetItemWidth() const
{
    i32 columns = m_numColumns;
    if (columns == 0 && m_numRows > 0)
        columns = CeilDiv(GetChildCount(), m_numRows);
    if (columns <= 0)
        return 0;
    const i64 room = (i64)GetWidth() - m_border[BORDER_LEFT] - m_border[BORDER_RIGHT] -
                     (i64)m_spacingX * (columns - 1);
    return room > 0 ? (i32)(room / columns) : 0;
}

i32 CGridLayout::GetItemHeight() const
{
    i32 rows = m_numRows;
    if (rows == 0 && m_numColumns > 0)
        rows = CeilDiv(GetChildCount(), m_numColumns);
    if (rows <= 0)
        return 0;
    const i64 room = (i64)GetHeight() - m_border[BORDER_TOP] - m_border[BORDER_BOTTOM] -
                     (i64)m_spacingY * (rows - 1);
    return room > 0 ? (i32)(room / rows) : 0;
}

i32 CGridLayout::VisibleChildCount() const
{
    i32 n = 0;
    for (i32 i = 0; i < GetChildCount(); ++i)
        if (GetChild(i)->IsVisible())
            ++n;
    return n;
}

void CGridLayout::DoLayout()
{
    if (GetChildCount() == 0 || (m_numRows == 0 && m_numColumns == 0))
        return;
    CWidgetWalkGuard guard;   // children's hooks may run callbacks
    const i32 count = GetChildCount();
    if (m_layoutMode == MODE_GRID)
    {
        const i32 w = GetItemWidth(), h = GetItemHeight();
        i32 k = 0;
        for (i32 i = 0; i < count && i < GetChildCount(); ++i)
        {
            CWidget* c = GetChild(i);
            if (!c->IsVisible())
                continue;
            i32 column, row;
            if (m_numColumns != 0)
            {
                column = k % m_numColumns;
                row = k / m_numColumns;
            }
            else
            {
                column = k / m_numRows;
                row = k % m_numRows;
            }
            const i32 x = m_border[BORDER_LEFT] + column * (w + m_spacingX);
            const i32 y = m_border[BORDER_TOP] + row * (h + m_spacingY);
            c->SetRect(CKetrelRect(x, y, x + w, y + h));
            ++k;
        }
    }
    else if (m_layoutMode == MODE_LIST || m_layoutMode == MODE_UNIFORM_LIST)
    {
        const i32 visible = VisibleChildCount();
        const i32 rows = m_numRows >= 1 ? m_numRows : visible / m_numColumns;
        const i32 columns = m_numColumns >= 1 ? m_numColumns : visible / m_numRows;
        i32 maxW = 0, maxH = 0;
        if (m_layoutMode == MODE_UNIFORM_LIST)
            for (i32 i = 0; i < count; ++i)
            {
                CWidget* c = GetChild(i);
                if (!c->IsVisible())
                    continue;
                if (c->GetWidth() > maxW)
                    maxW = c->GetWidth();
                if (c->GetHeight() > maxH)
                    maxH = c->GetHeight();
            }
        i32 i = 0;
        i32 y = m_border[BORDER_TOP];
        for (i32 row = 0; row < rows && i < GetChildCount(); ++row)
        {
            i32 x = m_border[BORDER_LEFT];
            i32 rowHeight = 0;
            for (i32 placed = 0; placed < columns && i < GetChildCount(); ++i)
            {
                CWidget* c = GetChild(i);
                if (!c->IsVisible())
                    continue;
                c->SetPosition(x, y);
                const i32 w = m_layoutMode == MODE_UNIFORM_LIST ? maxW : c->GetWidth();
                const i32 h = m_layoutMode == MODE_UNIFORM_LIST ? maxH : c->GetHeight();
                x += w + m_spacingX;
                if (h > rowHeight)
                    rowHeight = h;
                ++placed;
            }
            y += rowHeight + m_spacingY;
        }
    }
    CSlideArea::DoLayout();
}

int CGridLayout::UpdateSelf(f32 dt)
{
    if (m_templatePending)
    {
        CWidget::Destroy(m_itemTemplate);
        m_itemTemplate = TakeTemplate(CKetrelString("item_template"));
        m_templatePending = 0;
    }
    int r = CSlideArea::UpdateSelf(dt);
    if (r != KE_OK)
        ReportError(r);
    return r;
}

void CGridLayout::CopyFrom(const CWidget* source)
{
    CSlideArea::CopyFrom(source);
    const CGridLayout* o = CGridLayout::Cast(const_cast<CWidget*>(source));
    if (!o || o == this)
        return;
    for (i32 i = 0; i < 4; ++i)
        m_border[i] = o->m_border[i];
    m_spacingX = o->m_spacingX;
    m_spacingY = o->m_spacingY;
    m_layoutMode = o->m_layoutMode;
    m_numRows = o->m_numRows;
    m_numColumns = o->m_numColumns;
    SetLayoutNeeded(true);
}
