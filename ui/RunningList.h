#pragma once
// ui/RunningList.h: an append-only log of items (a chat backlog). New items go to
// the end (the list then grows upwards inside its parent) or to the top; beyond the
// maximum count the oldest item is dropped; after each addition the list can scroll
// itself to the newest item. Items are named with a running counter ("1", "2", ...).
#include "ui/GridLayout.h"

class CRunningList : public CGridLayout
{
public:
    CRunningList();
    ~CRunningList() override;

    static CRunningList* Cast(CWidget* w)
    { return WidgetCast<CRunningList>(w, CWidgetType::RunningList()); }
    const CWidgetType& GetType() const override { return CWidgetType::RunningList(); }

    // The grid's Init; then one column of rows of their own heights.
    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    void Close() override;
    int UpdateSelf(f32 dt) override;

    // Takes item (null: nothing).
    void AddItem(CWidget* item);
    void RemoveOldest();
    void Clear();

    // The item template taken from "item_template" (null until the first update);
    // callers clone it to make items.
    CWidget* GetListItemTemplate() const { return m_itemTemplate; }
    bool IsAppendAtBottom() const { return m_appendAtBottom != 0; }
    void SetAppendAtBottom(bool bottom) { m_appendAtBottom = bottom ? 1 : 0; }
    bool IsAutoscroll() const { return m_autoscroll != 0; }
    void SetAutoscroll(bool on) { m_autoscroll = on ? 1 : 0; }
    i32 GetMaxItemCount() const { return m_maxItemCount; }
    // < 1: unlimited.
    void SetMaxItemCount(i32 count) { m_maxItemCount = count; }
    f32 GetScrollSeconds() const { return m_scrollSeconds; }
    void SetScrollSeconds(f32 seconds) { m_scrollSeconds = seconds; }
    u32 GetCounter() const { return m_counter; }

private:
    CWidget* m_itemTemplate;   // owned
    u32 m_appendAtBottom;
    u32 m_templatePending;
    u32 m_autoscroll;
    i32 m_maxItemCount;
    u32 m_counter;
    f32 m_scrollSeconds;
};
