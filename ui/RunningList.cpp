// ui/RunningList.cpp
#include "ui/RunningList.h"

#include "engine/KetrelResult.h"

CRunningList::CRunningList()
    : m_itemTemplate(nullptr), m_appendAtBottom(1), m_templatePending(1), m_autoscroll(1),
      m_maxItemCount(0), m_counter(0), m_scrollSeconds(0.0f)
{
}

CRunningList::~CRunningList() { CWidget::Destroy(m_itemTemplate); }

int CRunningList::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
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
    return KE_OK;
}

void CRunningList::Close()
{
    Clear();
    CWidget::Destroy(m_itemTemplate);
    m_itemTemplate = nullptr;
    CGridLayout::Close();
}

void CRunningList::AddItem(CWidget* item)
{
    if (!item)
        return;
    CWidgetWalkGuard guard;
    const i32 before = GetChildCount();
    ++m_counter;
    CKetrelString name;
    name.FromUnsigned(m_counter);
    item->SetName(name);
    if (m_appendAtBottom)
    {
        if (!AddChild(item))
        {
            CWidget::Destroy(item);
            return;
        }
        // The list grows upwards inside its parent until it fills it.
        const CWidget* parent = GetParent();
        if (parent && GetHeight() < parent->GetHeight())
        {
            CKetrelRect r = GetRect();
            r.top -= item->GetHeight() + GetSpacingY();
            if (r.top < r.bottom - parent->GetHeight())
                r.top = r.bottom - parent->GetHeight();
            SetRect(r);
        }
    }
    else if (!InsertChild(item, 0))
    {
        CWidget::Destroy(item);
        return;
    }
    if (m_maxItemCount >= 1 && before > m_maxItemCount)
        RemoveOldest();
    if (m_autoscroll)
    {
        if (m_appendAtBottom)
            ScrollTo(0, GetRect().bottom, 0.0f);
        else
            ScrollTo(0, 0, m_scrollSeconds);
    }
}

void CRunningList::RemoveOldest()
{
    if (GetChildCount() == 0)
        return;
    CWidget* oldest;
    if (m_appendAtBottom)
    {
        oldest = GetChild(0);
        // The rows below move up by its height and the spacing: the view follows.
        SetScrollY(GetScrollY() - (oldest->GetHeight() + GetSpacingY()));
    }
    else
        oldest = GetChild(GetChildCount() - 1);
    DeleteChild(oldest);
}

void CRunningList::Clear()
{
    CWidgetWalkGuard guard;
    while (GetChildCount() > 0)
        DeleteChild(GetChild(GetChildCount() - 1));
    if (m_appendAtBottom)
    {
        CKetrelRect r = GetRect();
        r.top = r.bottom - 2 * GetSpacingY();
        if (r.top > r.bottom)
            r.top = r.bottom;
        SetRect(r);
    }
    ScrollTo(0, 0, 0.0f);
}

int CRunningList::UpdateSelf(f32 dt)
{
    if (m_templatePending)
    {
        CWidget* t = TakeTemplate(CKetrelString("item_template"));
        if (t)
        {
            CWidget::Destroy(m_itemTemplate);
            m_itemTemplate = t;
            m_templatePending = 0;
            Clear();
        }
    }
    int r = CGridLayout::UpdateSelf(dt);
    if (r != KE_OK)
        ReportError(r);
    return r;
}
