// ui/InfiniteList.cpp
#include "ui/InfiniteList.h"

#include "engine/KetrelResult.h"
#include "ui/Expandable.h"

#include <climits>

namespace
{
const CKetrelString& GroupName()
{
    static const CKetrelString name("group");
    return name;
}

const CKetrelString& SeparatorName()
{
    static const CKetrelString name("separator");
    return name;
}

bool IsSeparator(const CWidget* w) { return w->GetName().Equals(SeparatorName()); }
bool IsGroup(const CWidget* w) { return w->GetName().Equals(GroupName()); }

// A decimal integer name ("0", "17"); false for anything else.
bool ReadIndex(const CKetrelString& name, i32* out)
{
    const i32 n = name.GetLength();
    if (n == 0 || n > 10)
        return false;
    i64 v = 0;
    for (i32 i = 0; i < n; ++i)
    {
        const u16 c = name.GetAt(i);
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (v > INT_MAX)
        return false;
    *out = (i32)v;
    return true;
}
}  // namespace

CInfiniteList::CInfiniteList()
    : m_onLoadItem{}, m_onForgetItem{}, m_onLoadItemBatch{}, m_onLoadGroup{}, m_rowCount(0),
      m_rowsAbove(0), m_pageSize(10), m_separatorCount(0), m_itemTemplate(nullptr),
      m_groupTemplate(nullptr), m_separatorTemplate(nullptr), m_templatesPending(1),
      m_reloadPending(0), m_loadingIndex(-1), m_loadingWidget(nullptr), m_batchCount(0),
      m_batchFirst(-1), m_drawEnabled(1)
{
}

CInfiniteList::~CInfiniteList()
{
    CWidget::Destroy(m_itemTemplate);
    CWidget::Destroy(m_groupTemplate);
    CWidget::Destroy(m_separatorTemplate);
}

int CInfiniteList::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    int r = CGridLayout::Init(app, resources, rect);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    SetLayoutMode(MODE_LIST);
    SetNumColumns(1);
    SetNumRows(0);
    m_rowCount = m_rowsAbove = m_separatorCount = 0;
    m_pageSize = 10;
    m_templatesPending = 1;
    m_reloadPending = 0;
    m_groupStarts.RemoveAll();
    m_loadingIndex = -1;
    m_loadingWidget = nullptr;
    m_batchCount = 0;
    m_batchFirst = -1;
    m_drawEnabled = 1;
    return KE_OK;
}

void CInfiniteList::Close()
{
    CWidgetWalkGuard guard;
    if (m_onForgetItem.IsSet())
        for (i32 i = 0; i < GetChildCount(); ++i)
        {
            CWidget* c = GetChild(i);
            i32 index;
            if (!IsGroup(c) && ReadIndex(c->GetName(), &index))
            {
                m_loadingIndex = index;
                m_loadingWidget = c;
                FireCallback(m_onForgetItem, c);
                m_loadingWidget = nullptr;
            }
        }
    CWidget::Destroy(m_itemTemplate);
    CWidget::Destroy(m_groupTemplate);
    CWidget::Destroy(m_separatorTemplate);
    m_itemTemplate = m_groupTemplate = m_separatorTemplate = nullptr;
    m_groupStarts.RemoveAll();
    m_loadingIndex = -1;
    m_loadingWidget = nullptr;
    CGridLayout::Close();
}

void CInfiniteList::RefreshText()
{
    if (m_groupTemplate)
        m_groupTemplate->RefreshText();
    if (m_itemTemplate)
        m_itemTemplate->RefreshText();
    CGridLayout::RefreshText();
}

int CInfiniteList::Draw(IKetrelGraphicsContext* gc, const CKetrelRect& area)
{
    if (!m_drawEnabled)
        return KE_OK;
    return CGridLayout::Draw(gc, area);
}

void CInfiniteList::SetPageSize(i32 n)
{
    if (n >= 1)
        m_pageSize = n > MinPageSize ? n : MinPageSize;
    else if (m_templatesPending)
        m_pageSize = -1;
}

i32 CInfiniteList::EffectivePageSize() const
{
    return m_pageSize >= MinPageSize ? m_pageSize : MinPageSize;
}

void CInfiniteList::TakeTemplates()
{
    i32 rowHeight = GetHeight();
    CWidget::Destroy(m_groupTemplate);
    m_groupTemplate = TakeTemplate(CKetrelString("group_template"));
    if (m_groupTemplate && m_groupTemplate->GetHeight() < rowHeight)
        rowHeight = m_groupTemplate->GetHeight();
    CWidget::Destroy(m_itemTemplate);
    m_itemTemplate = TakeTemplate(CKetrelString("item_template"));
    if (m_itemTemplate)
    {
        rowHeight = m_itemTemplate->GetHeight();
        if (CExpandable* e = CExpandable::Cast(m_itemTemplate))
            if (e->GetHeights().GetCount() > 0)
                rowHeight = e->GetHeights()[0];
    }
    if (m_pageSize == -1 && rowHeight > 0)
    {
        const i32 n = GetHeight() / rowHeight;
        m_pageSize = n + 1 > 2 ? n + 1 : MinPageSize;
    }
    CWidget::Destroy(m_separatorTemplate);
    m_separatorTemplate = TakeTemplate(CKetrelString("item_separator_template"));
    m_templatesPending = 0;
}

void CInfiniteList::SetItemCount(i32 count)
{
    if (count < 0)
        count = 0;
    if (count == m_rowCount && !m_reloadPending)
        return;
    Reset();
    m_rowCount = count;
}

void CInfiniteList::SetGroupSizes(const CKetrelArray<i32>& sizes)
{
    Reset();
    if (m_templatesPending)
        TakeTemplates();
    // Totals from the server are held inside the i32 range.
    i64 total = 0;
    for (i32 i = 0; i < sizes.GetCount() && total < INT_MAX; ++i)
    {
        if (m_groupTemplate)
        {
            m_groupStarts.Add((i32)total);
            ++total;
        }
        if (sizes[i] > 0)
            total += sizes[i];
    }
    m_rowCount = total > INT_MAX ? INT_MAX : (i32)total;
}

i32 CInfiniteList::GetLoadingItemIndex(const CWidget* w) const
{
    return (w && w == m_loadingWidget) ? m_loadingIndex : -1;
}

void CInfiniteList::GetLoadBatch(i32* count, i32* firstIndex) const
{
    if (count)
        *count = m_batchCount;
    if (firstIndex)
        *firstIndex = m_batchFirst;
}

void CInfiniteList::RequestReload()
{
    if (!m_templatesPending)
        m_reloadPending = 1;
}

bool CInfiniteList::IsGroupRow(i32 row) const
{
    if (!m_groupTemplate)
        return false;
    i32 lo = 0, hi = m_groupStarts.GetCount() - 1;
    while (lo <= hi)
    {
        const i32 mid = lo + (hi - lo) / 2;
        if (m_groupStarts[mid] == row)
            return true;
        if (m_groupStarts[mid] < row)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return false;
}

i32 CInfiniteList::ItemIndexOfRow(i32 row) const
{
    // Headers at or above the row: the first start greater than row.
    i32 lo = 0, hi = m_groupStarts.GetCount();
    while (lo < hi)
    {
        const i32 mid = lo + (hi - lo) / 2;
        if (m_groupStarts[mid] <= row)
            lo = mid + 1;
        else
            hi = mid;
    }
    return row - lo;
}

CWidget* CInfiniteList::MakeRow(i32 row, CWidget* recycled)
{
    const bool group = IsGroupRow(row);
    CWidget* tmpl = group ? m_groupTemplate : m_itemTemplate;
    CWidget* w = recycled;
    if (w && !w->CopyTreeFrom(tmpl))
    {
        CWidget::Destroy(w);
        w = nullptr;
    }
    if (!w)
        w = tmpl->Clone();
    if (!w)
        return nullptr;
    i32 index;
    if (group)
    {
        index = 0;
        while (index < m_groupStarts.GetCount() && m_groupStarts[index] != row)
            ++index;
        w->SetName(GroupName());
    }
    else
    {
        index = ItemIndexOfRow(row);
        CKetrelString name;
        name.FromInt(index);
        w->SetName(name);
    }
    const CUIActionCallback& cb = group ? m_onLoadGroup : m_onLoadItem;
    if (cb.IsSet())
    {
        m_loadingIndex = index;
        m_loadingWidget = w;
        // Handlers look things up from the row, as if it were in the list already.
        w->SetParent(this);
        FireCallback(cb, w);
        if (w->GetParent() == this)
            w->SetParent(nullptr);
        m_loadingWidget = nullptr;
    }
    w->Update(0.0f);
    return w;
}

void CInfiniteList::Forget(CWidget* w)
{
    i32 index;
    if (!IsGroup(w) && m_onForgetItem.IsSet() && ReadIndex(w->GetName(), &index))
    {
        m_loadingIndex = index;
        m_loadingWidget = w;
        FireCallback(m_onForgetItem, w);
        m_loadingWidget = nullptr;
    }
    RemoveChild(w);
}

CWidget* CInfiniteList::TakeSeparator(CKetrelArray<CWidget*>& spare)
{
    CWidget* s = nullptr;
    if (spare.GetCount() > 0)
    {
        s = spare[spare.GetCount() - 1];
        spare.RemoveAt(spare.GetCount() - 1);
    }
    else if (m_separatorTemplate)
        s = m_separatorTemplate->Clone();
    if (s)
    {
        s->SetName(SeparatorName());
        s->Update(0.0f);
    }
    return s;
}

void CInfiniteList::ReportBatch(i32 made, i32 lowest)
{
    // An empty batch would become an empty page request.
    if (made <= 0)
        return;
    m_batchCount = made;
    m_batchFirst = lowest;
    FireCallback(m_onLoadItemBatch, this);
}

void CInfiniteList::Reset()
{
    if (m_templatesPending)
        return;
    CWidgetWalkGuard guard;
    while (GetChildCount() > 0)
    {
        CWidget* c = GetChild(GetChildCount() - 1);
        Forget(c);
        if (c->GetParent() == nullptr)
            CWidget::Destroy(c);
        else
            DeleteChild(c);
    }
    m_rowsAbove = 0;
    m_rowCount = 0;
    m_separatorCount = 0;
    m_groupStarts.RemoveAll();
    ScrollTo(0, 0, 0.0f);
    m_reloadPending = 0;
}

void CInfiniteList::Fill(i32 target)
{
    const i32 rows = GetLoadedRowCount();
    if (target < 1 || rows >= m_rowCount || target <= rows)
        return;
    CWidgetWalkGuard guard;
    i32 made = 0, lowest = -1;
    CKetrelArray<CWidget*> spare;
    for (i32 k = rows; k < target; ++k)
    {
        const i32 row = m_rowsAbove + k;
        if (row >= m_rowCount)
            break;
        CWidget* w = MakeRow(row, nullptr);
        if (!w || !AppendRow(row, w, spare, &made, &lowest))
            break;
    }
    ReportBatch(made, lowest);
}

bool CInfiniteList::AppendRow(i32 row, CWidget* w, CKetrelArray<CWidget*>& spare, i32* made, i32* lowest)
{
    const bool item = !IsGroup(w);
    CWidget* last = GetChild(GetChildCount() - 1);
    if (item && last && !IsGroup(last) && !IsSeparator(last))
        if (CWidget* s = TakeSeparator(spare))
        {
            if (AddChild(s))
                ++m_separatorCount;
            else
                CWidget::Destroy(s);
        }
    if (!AddChild(w))
    {
        CWidget::Destroy(w);
        return false;
    }
    if (item)
    {
        const i32 index = ItemIndexOfRow(row);
        ++*made;
        if (*lowest < 0 || index < *lowest)
            *lowest = index;
    }
    return true;
}

void CInfiniteList::LoadBelow()
{
    const i32 p = EffectivePageSize();
    i32 n = m_rowCount - m_rowsAbove - GetLoadedRowCount();
    if (n > p)
        n = p;
    if (n < 1)
        return;
    CWidgetWalkGuard guard;
    const i32 spacing = GetSpacingY();
    const i32 loaded = GetLoadedRowCount();
    CKetrelArray<CWidget*> spare;
    i32 made = 0, lowest = -1, done = 0;
    for (i32 i = 0; i < n; ++i)
    {
        // Separators above the first row leave with it: removing anything at the top
        // moves the content up by its height and the spacing, so the view follows.
        auto dropLeadingSeparators = [&]() {
            while (GetChildCount() > 0 && IsSeparator(GetChild(0)))
            {
                CWidget* s = GetChild(0);
                SetScrollY(GetScrollY() - (s->GetHeight() + spacing));
                RemoveChild(s);
                --m_separatorCount;
                spare.Add(s);
            }
        };
        dropLeadingSeparators();
        CWidget* first = GetChild(0);
        if (!first)
            break;
        SetScrollY(GetScrollY() - (first->GetHeight() + spacing));
        Forget(first);
        dropLeadingSeparators();
        const i32 row = m_rowsAbove + loaded + i;
        CWidget* w = MakeRow(row, first);
        ++done;
        if (!w)
            continue;
        AppendRow(row, w, spare, &made, &lowest);
    }
    for (i32 i = 0; i < spare.GetCount(); ++i)
        CWidget::Destroy(spare[i]);
    m_rowsAbove += done;
    ReportBatch(made, lowest);
}

void CInfiniteList::LoadAbove()
{
    const i32 p = EffectivePageSize();
    i32 n = m_rowsAbove > 0 ? m_rowsAbove : 0;
    if (n > p)
        n = p;
    if (n < 1)
        return;
    CWidgetWalkGuard guard;
    const i32 spacing = GetSpacingY();
    CKetrelArray<CWidget*> spare;
    i32 made = 0, lowest = -1, done = 0;
    for (i32 i = 0; i < n; ++i)
    {
        // Separators below the last row leave with it (the view does not move).
        auto dropTrailingSeparators = [&]() {
            while (GetChildCount() > 0 && IsSeparator(GetChild(GetChildCount() - 1)))
            {
                CWidget* s = GetChild(GetChildCount() - 1);
                RemoveChild(s);
                --m_separatorCount;
                spare.Add(s);
            }
        };
        dropTrailingSeparators();
        CWidget* last = GetChild(GetChildCount() - 1);
        if (!last)
            break;
        Forget(last);
        dropTrailingSeparators();
        const i32 row = m_rowsAbove - i - 1;
        CWidget* w = MakeRow(row, last);
        ++done;
        if (!w)
            continue;
        const bool item = !IsGroup(w);
        CWidget* first = GetChild(0);
        if (item && first && !IsGroup(first) && !IsSeparator(first))
            if (CWidget* s = TakeSeparator(spare))
            {
                if (InsertChild(s, 0))
                {
                    ++m_separatorCount;
                    SetScrollY(GetScrollY() + s->GetHeight() + spacing);
                }
                else
                    CWidget::Destroy(s);
            }
        if (!InsertChild(w, 0))
        {
            CWidget::Destroy(w);
            continue;
        }
        // What was inserted at the top pushes the content down: the view follows.
        SetScrollY(GetScrollY() + w->GetHeight() + spacing);
        if (item)
        {
            const i32 index = ItemIndexOfRow(row);
            ++made;
            if (lowest < 0 || index < lowest)
                lowest = index;
        }
    }
    for (i32 i = 0; i < spare.GetCount(); ++i)
        CWidget::Destroy(spare[i]);
    m_rowsAbove -= done;
    ReportBatch(made, lowest);
}

int CInfiniteList::UpdateSelf(f32 dt)
{
    if (m_templatesPending)
        TakeTemplates();
    if (!m_itemTemplate)
        return KE_OK;
    if (m_reloadPending)
    {
        m_reloadPending = 0;
        Reset();
        return KE_OK;
    }
    const i32 p = EffectivePageSize();
    CKetrelRect v;
    GetVisibleRect(&v);
    const i32 count = GetChildCount();
    if ((i64)WindowPages * p > GetLoadedRowCount())
    {
        const i64 want = (i64)WindowPages * p;
        Fill(want < m_rowCount ? (i32)want : m_rowCount);
    }
    else if (count - p >= 0 && GetChild(count - p)->GetRect().top < v.bottom)
        LoadBelow();
    else if (p - 1 < count && GetChild(p - 1)->GetRect().bottom > v.top && m_rowsAbove > 0)
        LoadAbove();
    int r = CGridLayout::UpdateSelf(dt);
    if (r != KE_OK)
        ReportError(r);
    return r;
}
