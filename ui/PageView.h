#pragma once
// ui/PageView.h: a layout whose children are pages ("page_layout"). One page is shown
// at a time and every page fills the view. Navigation by page name keeps an optional
// history, so that ":back", ":back#<n>" and ":back:<name>" work like a browser's back;
// with a history, forward moves play the "in" transition and backward moves the "out"
// transition, but only below a visible ancestor named "menu_root".
#include "engine/KetrelArray.h"
#include "engine/KetrelString.h"
#include "ui/Layout.h"
#include "ui/Transition.h"

class CPageView;

// What a page view needs of a button bound to one of its pages (CPageButton).
class IPageViewButton
{
public:
    virtual ~IPageViewButton() {}
    // Path of the page, resolved from the view.
    virtual const CKetrelString& GetTargetPage() const = 0;
    // Shows whether the page is the visible one.
    virtual void SetPageToggled(bool toggled) = 0;
    // Binds the button to view (null: unbinds it).
    virtual void SetPageView(CPageView* view) = 0;
};

class CPageView : public CLayout, public CTransitionable
{
public:
    CPageView();
    ~CPageView() override;

    const CWidgetType& GetType() const override { return CWidgetType::PageLayout(); }
    static CPageView* Cast(CWidget* w) { return WidgetCast<CPageView>(w, CWidgetType::PageLayout()); }
    static const CWidgetType& Kind() { return CWidgetType::PageLayout(); }

    // The layout's Init, no transitions, no current page, back prefix ":back".
    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    // Unbinds every page button, the widget's Close, deletes the transitions and the
    // saved page path.
    void Close() override;
    CWidget* CreateInstance() const override { return new CPageView(); }
    // The widget's broadcast, then ApplyHistory(null).
    void Broadcast() override;
    // SetHistory(null): the page path survives a reload of the tree.
    void ResetState() override;
    void OnChildAdded(CWidget* child) override;
    void OnChildRemoved(CWidget* child) override;
    // Transitions first; while one runs, only the buttons follow; else the layout.
    int UpdateSelf(f32 dt) override;
    void DoLayout() override;
    // The rectangle origin plus the running transition's offset along x.
    void ParentToLocal(i32* x, i32* y) const override;
    void LocalToParent(i32* x, i32* y) const override;

    // A page path, or the back forms with a history. The page shown afterwards, or
    // null (also for an unknown page, which changes nothing).
    CWidget* Navigate(const CKetrelString& target);
    void SetCurrentPage(i32 index, bool animate);
    CWidget* GetCurrentPage() const { return GetChild(m_current); }
    CWidget* GetPreviousPage() const { return GetChild(m_previous); }
    i32 GetCurrentIndex() const { return m_current; }
    i32 IndexOfPage(const CWidget* page) const;

    void SetHistorySize(i32 size) { m_historySize = size; }
    i32 GetHistorySize() const { return m_historySize; }
    void ClearHistory() { m_history.SetSize(0); }
    const CKetrelArray<i32>& GetHistory() const { return m_history; }
    // Back n pages (n < 1 does nothing); with a history only.
    void GoBack(i32 n);
    // Back to the named page, or forward to it when it is not in the history.
    void GoBackTo(const CKetrelString& name);
    // Saves the page path (names) into list, or into an owned list for null.
    void SetHistory(CKetrelArray<CKetrelString>* list);
    // Restores a saved path by page names (null: the owned one, which is then freed).
    void ApplyHistory(const CKetrelArray<CKetrelString>* list);

    void RegisterPageButton(IPageViewButton* button);
    void UnregisterPageButton(IPageViewButton* button);
    i32 GetPageButtonCount() const { return m_buttons.GetCount(); }
    // Every button toggled to its page's visibility (untoggled without a page).
    void UpdatePageButtons();
    // Every page gets the view's local rectangle; only the current one is visible.
    void LayoutPages();
    const CKetrelString& GetBackPrefix() const { return m_backPrefix; }
    // A flag of the page-view kind that nothing sets: always 0.
    virtual int QueryFlag() const { return 0; }

private:
    // "<menu_root" exists and is visible: transitions may play.
    bool MayAnimate();
    // Appends index, dropping the oldest entries beyond the history size.
    void RecordInHistory(i32 index);

    CKetrelArray<i32> m_history;            // page indices, oldest first
    i32 m_historySize;                      // 0 or less: no history
    CKetrelString m_backPrefix;
    i32 m_current;
    i32 m_previous;
    CKetrelArray<IPageViewButton*> m_buttons;   // by address; not owned
    CKetrelArray<CKetrelString>* m_savedPath;   // owned or null
};
