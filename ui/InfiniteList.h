#pragma once
// ui/InfiniteList.h: a virtual list of any number of rows that keeps only a window
// of about five pages of row widgets alive. Rows are made from the templates
// "item_template", "group_template" (a header before each group) and
// "item_separator_template" (between two items), and filled by the application
// through "onloaditem" / "onloadgroup"; a row that scrolls out of the window is
// handed to "onforgetitem" and made into the row that scrolls in. Every set of rows
// made at once is reported to "onloaditembatch" (count, first item index).
//
// Item rows are named with their item index in decimal, headers "group",
// separators "separator". Separators are never made into rows: they leave and come
// with the items they separate.
#include "engine/KetrelArray.h"
#include "ui/GridLayout.h"

class CInfiniteList : public CGridLayout
{
public:
    // Pages of rows kept alive.
    enum { WindowPages = 5, MinPageSize = 3 };

    CInfiniteList();
    ~CInfiniteList() override;

    static CInfiniteList* Cast(CWidget* w)
    { return WidgetCast<CInfiniteList>(w, CWidgetType::InfiniteList()); }
    const CWidgetType& GetType() const override { return CWidgetType::InfiniteList(); }
    // The nearest infinite list above w (w itself excluded); null when none or w is null.
    static CInfiniteList* FindAncestor(CWidget* w)
    { return w ? Cast(w->FindAncestorOfType(CWidgetType::InfiniteList())) : nullptr; }

    // The grid's Init; then one column of rows of their own heights, page size 10.
    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    void Close() override;
    int Draw(IKetrelGraphicsContext* gc, const CKetrelRect& area) override;
    void RefreshText() override;
    int UpdateSelf(f32 dt) override;

    // A new count empties the list (rows are made again on the next update).
    void SetItemCount(i32 count);
    // One group per entry; with a group template each group gets a header row.
    void SetGroupSizes(const CKetrelArray<i32>& sizes);
    // Total rows: items plus headers.
    i32 GetItemCount() const { return m_rowCount; }
    i32 GetPageSize() const { return m_pageSize; }
    // n >= 1: max(n, 3); n <= 0 before the templates are taken: derived from the row
    // height; otherwise ignored.
    void SetPageSize(i32 n);
    // The index of the row w is loaded (or forgotten) as, inside the callbacks; else -1.
    i32 GetLoadingItemIndex(const CWidget* w) const;
    void GetLoadBatch(i32* count, i32* firstIndex) const;
    // Empties the list on the next update (after the templates were taken).
    void RequestReload();
    bool IsReloadPending() const { return m_reloadPending != 0; }
    void SetDrawEnabled(bool enabled) { m_drawEnabled = enabled ? 1 : 0; }
    bool IsDrawEnabled() const { return m_drawEnabled != 0; }
    // Index of the first loaded row.
    i32 GetRowsAbove() const { return m_rowsAbove; }
    i32 GetSeparatorCount() const { return m_separatorCount; }
    // Loaded rows (children that are not separators).
    i32 GetLoadedRowCount() const { return GetChildCount() - m_separatorCount; }
    CWidget* GetListItemTemplate() const { return m_itemTemplate; }

    void SetLoadItemCallback(const CUIActionCallback& cb) { m_onLoadItem = cb; }
    void SetForgetItemCallback(const CUIActionCallback& cb) { m_onForgetItem = cb; }
    void SetLoadItemBatchCallback(const CUIActionCallback& cb) { m_onLoadItemBatch = cb; }
    void SetLoadGroupCallback(const CUIActionCallback& cb) { m_onLoadGroup = cb; }
    const CUIActionCallback& GetLoadItemCallback() const { return m_onLoadItem; }
    const CUIActionCallback& GetForgetItemCallback() const { return m_onForgetItem; }
    const CUIActionCallback& GetLoadItemBatchCallback() const { return m_onLoadItemBatch; }
    const CUIActionCallback& GetLoadGroupCallback() const { return m_onLoadGroup; }

private:
    void TakeTemplates();
    void Reset();
    void Fill(i32 target);
    void LoadBelow();
    void LoadAbove();
    i32 EffectivePageSize() const;
    bool IsGroupRow(i32 row) const;
    i32 ItemIndexOfRow(i32 row) const;
    // The row widget of row, made from recycled when it matches the template.
    CWidget* MakeRow(i32 row, CWidget* recycled);
    void Forget(CWidget* w);
    CWidget* TakeSeparator(CKetrelArray<CWidget*>& spare);
    void ReportBatch(i32 made, i32 lowest);
    // Adds row's widget w at the bottom, after a separator when an item follows an item,
    // and counts it into made and lowest when it is an item. False (w destroyed) when it
    // could not be added.
    bool AppendRow(i32 row, CWidget* w, CKetrelArray<CWidget*>& spare, i32* made, i32* lowest);

    CUIActionCallback m_onLoadItem;
    CUIActionCallback m_onForgetItem;
    CUIActionCallback m_onLoadItemBatch;
    CUIActionCallback m_onLoadGroup;
    i32 m_rowCount;
    i32 m_rowsAbove;
    i32 m_pageSize;
    i32 m_separatorCount;
    CWidget* m_itemTemplate;        // owned
    CWidget* m_groupTemplate;       // owned
    CWidget* m_separatorTemplate;   // owned
    u32 m_templatesPending;
    u32 m_reloadPending;
    CKetrelArray<i32> m_groupStarts;
    i32 m_loadingIndex;
    const CWidget* m_loadingWidget;
    i32 m_batchCount;
    i32 m_batchFirst;
    u32 m_drawEnabled;
};
