// ui/PageView.cpp
#include "ui/PageView.h"

#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"

#include <cmath>

namespace
{
i32 RoundOffset(f32 offset)
{
    if (offset != offset)
        return 0;
    if (offset > 1048576.0f)
        offset = 1048576.0f;
    if (offset < -1048576.0f)
        offset = -1048576.0f;
    return (i32)floorf(offset + 0.5f);
}
}  // namespace

CPageView::CPageView()
    : m_historySize(0), m_current(-1), m_previous(-1), m_savedPath(nullptr)
{
}

CPageView::~CPageView()
{
    // Buttons must not keep a pointer to a view that is gone.
    const CKetrelArray<IPageViewButton*> buttons = m_buttons;
    for (i32 i = 0; i < buttons.GetCount(); ++i)
        buttons[i]->SetPageView(nullptr);
    delete m_savedPath;
}

int CPageView::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    int r = CLayout::Init(app, resources, rect);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    // A fresh view holds none; a view initialised again must not leak its old ones.
    DeleteAllTransitions();
    r = RemoveAllTransitions();
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    m_current = -1;
    m_previous = -1;
    m_buttons.SetSize(0);
    m_backPrefix = CKetrelString(":back");
    return KE_OK;
}

void CPageView::Close()
{
    // Each detach unregisters the button: walk a copy.
    const CKetrelArray<IPageViewButton*> buttons = m_buttons;
    for (i32 i = 0; i < buttons.GetCount(); ++i)
        buttons[i]->SetPageView(nullptr);
    m_buttons.SetSize(0);
    CLayout::Close();
    DeleteAllTransitions();
    delete m_savedPath;
    m_savedPath = nullptr;
}

void CPageView::Broadcast()
{
    CLayout::Broadcast();
    ApplyHistory(nullptr);
}

void CPageView::ResetState() { SetHistory(nullptr); }

i32 CPageView::IndexOfPage(const CWidget* page) const
{
    if (!page)
        return -1;
    for (i32 i = 0; i < GetChildCount(); ++i)
        if (GetChild(i) == page)
            return i;
    return -1;
}

bool CPageView::MayAnimate()
{
    CWidget* menuRoot = FindByPath(CKetrelString("<menu_root"));
    return menuRoot && menuRoot->IsVisible();
}

void CPageView::SetCurrentPage(i32 index, bool animate)
{
    if (index == m_current)
        return;
    m_previous = m_current;
    m_current = index;
    // A slide still running would keep its pages on screen over the new current one.
    FinishTransitions();
    if (m_historySize <= 0)
        return;
    RecordInHistory(index);
    if (!animate || index <= 0 || !MayAnimate())
        return;
    CWidget* from = GetChild(m_previous);
    CWidget* to = GetChild(m_current);
    if (!from || !to)
        return;
    StartTransitions(CTransition::KIND_IN, from, to);
}

void CPageView::RecordInHistory(i32 index)
{
    if (m_history.GetCount() >= m_historySize)
        m_history.RemoveAt(0, m_history.GetCount() - m_historySize + 1);
    m_history.Add(index);
}

CWidget* CPageView::Navigate(const CKetrelString& target)
{
    if (m_historySize > 0 && target.StartsWith(m_backPrefix))
    {
        if (target.GetLength() == m_backPrefix.GetLength())
            GoBack(1);
        else
        {
            CKetrelString rest(target, m_backPrefix.GetLength(), -1);
            if (rest.GetAt(0) == ':')
                rest = CKetrelString(rest, 1, -1);
            if (rest.Find((u16)'#') < 0)
            {
                if (!rest.IsEmpty())
                    GoBackTo(rest);
            }
            else if (rest.GetAt(0) == '#')
            {
                i32 n = 0;
                CKetrelString(rest, 1, -1).Scan(L"%d", &n);
                if (n > 0)
                    GoBack(n);
            }
        }
        return GetCurrentPage();
    }
    const i32 index = IndexOfPage(FindByPath(target));
    if (index < 0)
        return nullptr;
    SetCurrentPage(index, true);
    return GetCurrentPage();
}

void CPageView::GoBack(i32 n)
{
    if (n < 1 || m_historySize <= 0)
        return;
    // Never the first entry; the count of removals is bounded by the history.
    const i32 count = m_history.GetCount();
    const i32 removable = count > 1 ? count - 1 : 0;
    if (n > removable)
    {
        if (removable > 0)
            m_history.RemoveAt(1, removable);
        SetCurrentPage(0, false);
        return;
    }
    m_history.RemoveAt(count - n, n);
    const i32 target = m_history[m_history.GetCount() - 1];
    CWidget* from = GetChild(m_current);
    CWidget* to = GetChild(target);
    FinishTransitions();
    if (from && to && IsVisible() && MayAnimate())
        StartTransitions(CTransition::KIND_OUT, from, to);
    m_current = target;
}

void CPageView::GoBackTo(const CKetrelString& name)
{
    if (m_historySize <= 0)
        return;
    if (m_history.GetCount() == 0)
    {
        GoBack(1);
        Navigate(name);
        return;
    }
    bool found = false;
    for (i32 i = 0; i < m_history.GetCount(); ++i)
    {
        CWidget* page = GetChild(m_history[i]);
        if (!page || !page->GetName().Equals(name))
            continue;
        found = true;
        while (m_history.GetCount() > i + 2)
        {
            const i32 last = m_history[m_history.GetCount() - 1];
            m_history.RemoveAt(m_history.GetCount() - 1);
            if (CWidget* removed = GetChild(last))
                removed->SetVisible(false);
        }
    }
    GoBack(1);
    if (!found)
        Navigate(name);
}

void CPageView::SetHistory(CKetrelArray<CKetrelString>* list)
{
    if (!list)
    {
        delete m_savedPath;
        m_savedPath = new CKetrelArray<CKetrelString>();
        list = m_savedPath;
    }
    list->SetSize(0);
    if (m_historySize < 1)
    {
        if (CWidget* page = GetCurrentPage())
            list->Add(page->GetName());
        return;
    }
    for (i32 i = 0; i < m_history.GetCount(); ++i)
        if (CWidget* page = GetChild(m_history[i]))
            list->Add(page->GetName());
}

void CPageView::ApplyHistory(const CKetrelArray<CKetrelString>* list)
{
    if (!list)
        list = m_savedPath;
    if (!list)
        return;
    ClearHistory();
    for (i32 i = 0; i < list->GetCount(); ++i)
    {
        const i32 index = IndexOfPage(FindByPath((*list)[i]));
        if (index < 0)
            continue;
        // The first saved page is often current already (a reloaded view shows its
        // first page): it still belongs in the history.
        if (index == m_current && m_historySize > 0)
            RecordInHistory(index);
        else
            SetCurrentPage(index, false);
    }
    delete m_savedPath;
    m_savedPath = nullptr;
}

void CPageView::RegisterPageButton(IPageViewButton* button)
{
    if (!button)
        return;
    i32 at = 0;
    while (at < m_buttons.GetCount() && m_buttons[at] < button)
        ++at;
    m_buttons.InsertAt(at, button);
    UpdatePageButtons();
}

void CPageView::UnregisterPageButton(IPageViewButton* button)
{
    for (i32 i = 0; i < m_buttons.GetCount(); ++i)
        if (m_buttons[i] == button)
        {
            m_buttons.RemoveAt(i);
            return;
        }
}

void CPageView::UpdatePageButtons()
{
    for (i32 i = 0; i < m_buttons.GetCount(); ++i)
    {
        IPageViewButton* button = m_buttons[i];
        CWidget* page = FindByPath(button->GetTargetPage());
        button->SetPageToggled(page && page->IsVisible());
    }
}

void CPageView::LayoutPages()
{
    const CKetrelRect local = GetLocalRect();
    for (i32 i = 0; i < GetChildCount(); ++i)
    {
        CWidget* page = GetChild(i);
        page->SetRect(local);
        page->SetVisible(i == m_current);
    }
    UpdatePageButtons();
}

void CPageView::DoLayout() { LayoutPages(); }

int CPageView::UpdateSelf(f32 dt)
{
    const bool busy = IsBusy();
    if (busy)
        CKetrelFramePacer::NoteScreenActivity();   // a page slides
    UpdateTransitions(dt);
    if (busy)
    {
        UpdatePageButtons();
        return KE_OK;
    }
    const int r = CLayout::UpdateSelf(dt);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    LayoutPages();
    return KE_OK;
}

void CPageView::OnChildAdded(CWidget* child)
{
    if (GetChildCount() == 1)
        SetCurrentPage(0, false);
    else if (child)
        child->SetVisible(false);
    CLayout::OnChildAdded(child);
}

void CPageView::OnChildRemoved(CWidget* child)
{
    SetCurrentPage(m_current, false);
    ForgetPage(child);
    CLayout::OnChildRemoved(child);
}

void CPageView::ParentToLocal(i32* x, i32* y) const
{
    CLayout::ParentToLocal(x, y);
    *x -= RoundOffset(GetOffset());
}

void CPageView::LocalToParent(i32* x, i32* y) const
{
    CLayout::LocalToParent(x, y);
    *x += RoundOffset(GetOffset());
}
