// Grid layout and lists: cell placement per mode; the infinite list's window under
// scrolling (loads, forgets and batches recorded by a fake data source; rows named by
// their index; separators only between items; the view kept still while rows are
// recycled); groups; the running list's cap, names and growth.
#include "WidgetKit.h"

#include "ui/GridLayout.h"
#include "ui/InfiniteList.h"
#include "ui/RunningList.h"

#include <set>

using kit::App;
using kit::New;

namespace
{
struct Source
{
    CInfiniteList* list = nullptr;
    std::map<int, int> loaded;     // item index -> times loaded
    std::map<int, int> forgotten;
    std::vector<std::pair<int, int>> batches;
    int groups = 0;
    bool badIndex = false;

    // The list may outlive the source (it is freed with the fixture's tree).
    ~Source()
    {
        if (list)
            for (auto set : {&CInfiniteList::SetLoadItemCallback, &CInfiniteList::SetForgetItemCallback,
                             &CInfiniteList::SetLoadItemBatchCallback, &CInfiniteList::SetLoadGroupCallback})
                (list->*set)(CUIActionCallback{});
    }
    void Bind()
    {
        list->SetLoadItemCallback(MakeUIActionCallback(
            [](void* w, void* c) {
                Source* s = static_cast<Source*>(c);
                const i32 i = s->list->GetLoadingItemIndex(static_cast<CWidget*>(w));
                s->badIndex |= i < 0;
                ++s->loaded[i];
                return 1;
            }, this));
        list->SetForgetItemCallback(MakeUIActionCallback(
            [](void* w, void* c) {
                Source* s = static_cast<Source*>(c);
                ++s->forgotten[s->list->GetLoadingItemIndex(static_cast<CWidget*>(w))];
                return 1;
            }, this));
        list->SetLoadItemBatchCallback(MakeUIActionCallback(
            [](void*, void* c) {
                Source* s = static_cast<Source*>(c);
                i32 n, first;
                s->list->GetLoadBatch(&n, &first);
                s->batches.push_back({n, first});
                return 1;
            }, this));
        list->SetLoadGroupCallback(MakeUIActionCallback(
            [](void*, void* c) { ++static_cast<Source*>(c)->groups; return 1; }, this));
    }
};

struct ListTest : ::testing::Test
{
    App app;
    CWidget* root = nullptr;
    void SetUp() override { root = New<CWidget>(app, nullptr, "root", 0, 0, 800, 480); }
    void TearDown() override { CWidget::Destroy(root); }

    // A 200 x 400 list of 80-pixel rows (a page is 6 rows), optionally with
    // 10-pixel separators and 20-pixel group headers.
    CInfiniteList* MakeList(Source& source, bool separators = false, bool groups = false)
    {
        CInfiniteList* list = New<CInfiniteList>(app, root, "list", 0, 0, 200, 400);
        list->SetPageSize(0);   // derive from the row height
        CWidget* t = New<CWidget>(app, list, "item_template", 0, 0, 200, 80);
        New<CWidget>(app, t, "row", 0, 0, 200, 80);
        if (separators)
        {
            CWidget* s = New<CWidget>(app, list, "item_separator_template", 0, 0, 200, 10);
            New<CWidget>(app, s, "sep", 0, 0, 200, 10);
        }
        if (groups)
        {
            CWidget* g = New<CWidget>(app, list, "group_template", 0, 0, 200, 20);
            New<CWidget>(app, g, "hdr", 0, 0, 200, 20);
        }
        source.list = list;
        source.Bind();
        list->Update(0.0f);   // takes the templates
        return list;
    }

    // Rows named by their index, in order, with separators only between two items.
    static void CheckWindow(CInfiniteList* list)
    {
        i32 expected = -1;
        CWidget* previous = nullptr;
        for (i32 i = 0; i < list->GetChildCount(); ++i)
        {
            CWidget* c = list->GetChild(i);
            const std::string name = uitest::Narrow(c->GetName());
            if (name == "separator")
            {
                // Only between two rows.
                ASSERT_NE(previous, nullptr) << "separator at the top";
                ASSERT_NE(uitest::Narrow(previous->GetName()), "separator");
                ASSERT_LT(i + 1, list->GetChildCount()) << "separator at the bottom";
            }
            else if (name != "group")
            {
                const i32 index = atoi(name.c_str());
                if (expected >= 0)
                {
                    ASSERT_EQ(index, expected);
                }
                expected = index + 1;
            }
            previous = c;
        }
    }
};
}  // namespace

TEST_F(ListTest, GridModes)
{
    struct Case { i32 mode; i32 columns; i32 rows; std::vector<std::pair<i32, i32>> at; };
    // 5 children of 30 x 20 (child 2 is 50 x 40) in a 200 x 300 grid.
    const Case cases[] = {
        {0, 2, 0, {{0, 0}, {100, 0}, {0, 100}, {100, 100}, {0, 200}}},
        {0, 0, 2, {{0, 0}, {0, 150}, {66, 0}, {66, 150}, {132, 0}}},
        // Flowing rows: floor(5 / 2) = 2 rows, the fifth child is not moved.
        {1, 2, 0, {{0, 0}, {30, 0}, {0, 20}, {50, 20}, {7, 7}}},
        {2, 2, 0, {{0, 0}, {50, 0}, {0, 40}, {50, 40}, {7, 7}}},
    };
    for (const Case& c : cases)
    {
        CGridLayout* g = New<CGridLayout>(app, root, "g", 0, 0, 200, 300);
        for (int i = 0; i < 5; ++i)
            New<CWidget>(app, g, "c", 7, 7, i == 2 ? 57 : 37, i == 2 ? 47 : 27);
        g->SetLayoutMode(c.mode);
        g->SetNumColumns(c.columns);
        g->SetNumRows(c.rows);
        g->Update(0.0f);
        for (int i = 0; i < 5; ++i)
        {
            EXPECT_EQ(g->GetChild(i)->GetRect().left, c.at[(size_t)i].first) << c.mode << " " << i;
            EXPECT_EQ(g->GetChild(i)->GetRect().top, c.at[(size_t)i].second) << c.mode << " " << i;
        }
        root->DeleteChild(g);
    }
    CGridLayout* g = New<CGridLayout>(app, root, "g", 0, 0, 200, 300);
    EXPECT_EQ(g->GetItemWidth(), 0);   // no counts: no division
    g->SetNumColumns(-3);
    EXPECT_EQ(g->GetNumColumns(), 0);
    g->SetBorder(9, 5);                // unknown side ignored
    EXPECT_EQ(g->GetBorder(9), 0);
}

TEST_F(ListTest, ShortListFillsOnceWithoutEmptyBatches)
{
    Source s;
    CInfiniteList* list = MakeList(s, true);
    EXPECT_EQ(list->GetPageSize(), 6);   // 400 / 80 = 5, plus one
    list->SetItemCount(7);
    for (int i = 0; i < 5; ++i)
        list->Update(0.016f);
    EXPECT_EQ(list->GetLoadedRowCount(), 7);
    EXPECT_EQ(list->GetSeparatorCount(), 6);
    ASSERT_EQ(s.batches.size(), 1u);   // not one (empty) batch per frame
    EXPECT_EQ(s.batches[0], std::make_pair(7, 0));
    CheckWindow(list);
    // A row finds its list; the list itself looks only above.
    EXPECT_EQ(CInfiniteList::FindAncestor(list->GetChild(0)), list);
    EXPECT_EQ(CInfiniteList::FindAncestor(list), nullptr);
    list->SetItemCount(7);   // the same count: nothing reloads
    list->Update(0.016f);
    EXPECT_EQ(s.loaded[0], 1);
    list->SetPageSize(2);
    EXPECT_EQ(list->GetPageSize(), 3);
}

TEST_F(ListTest, TenThousandItemsScrolledOneScreenPerFrame)
{
    for (bool separators : {false, true})
    {
        Source s;
        CInfiniteList* list = MakeList(s, separators);
        list->SetItemCount(10000);
        list->Update(0.016f);
        const i32 window = CInfiniteList::WindowPages * list->GetPageSize();
        EXPECT_EQ(list->GetLoadedRowCount(), window);
        i32 most = 0;
        for (int frame = 0; frame < 3000 && list->GetRowsAbove() + list->GetLoadedRowCount() < 10000; ++frame)
        {
            list->ScrollTo(0, list->GetScrollY() + 400, 0.0f);
            list->Update(0.016f);
            most = std::max(most, list->GetLoadedRowCount());
            ASSERT_NO_FATAL_FAILURE(CheckWindow(list));
        }
        EXPECT_LE(most, window);
        EXPECT_EQ(list->GetRowsAbove() + list->GetLoadedRowCount(), 10000);
        // Every item was loaded exactly once on the way down; those that left the
        // window were forgotten once.
        EXPECT_EQ(s.loaded.size(), 10000u);
        EXPECT_FALSE(s.badIndex);
        for (auto& l : s.loaded)
            ASSERT_EQ(l.second, 1) << l.first;
        EXPECT_EQ((i32)s.forgotten.size(), 10000 - list->GetLoadedRowCount());
        // And back up to the top.
        for (int frame = 0; frame < 3000 && list->GetRowsAbove() > 0; ++frame)
        {
            list->ScrollTo(0, list->GetScrollY() - 400, 0.0f);
            list->Update(0.016f);
            ASSERT_NO_FATAL_FAILURE(CheckWindow(list));
            ASSERT_LE(list->GetLoadedRowCount(), window);
        }
        EXPECT_EQ(list->GetRowsAbove(), 0);
        root->DeleteChild(list);
        s.list = nullptr;
    }
}

TEST_F(ListTest, RecyclingKeepsTheViewStill)
{
    Source s;
    CInfiniteList* list = MakeList(s, true);
    list->SetSpacingY(6);
    list->SetItemCount(1000);
    list->Update(0.016f);
    // Scroll until a recycle happens; the item at the top of the view stays there.
    for (int step = 0; step < 200; ++step)
    {
        const i32 before = list->GetRowsAbove();
        list->ScrollTo(0, list->GetScrollY() + 37, 0.0f);
        CKetrelRect v;
        list->GetVisibleRect(&v);
        CWidget* top = nullptr;
        for (i32 i = 0; i < list->GetChildCount() && !top; ++i)
            if (list->GetChild(i)->GetRect().bottom > v.top)
                top = list->GetChild(i);
        ASSERT_NE(top, nullptr);
        const i32 y = top->GetRect().top - v.top;
        list->Update(0.016f);
        list->GetVisibleRect(&v);
        if (list->GetRowsAbove() != before)
        {
            EXPECT_EQ(top->GetParent(), list);
            EXPECT_EQ(top->GetRect().top - v.top, y) << "view moved at step " << step;
            return;
        }
    }
    FAIL() << "no recycling happened";
}

TEST_F(ListTest, GroupsGetHeaders)
{
    Source s;
    CInfiniteList* list = MakeList(s, false, true);
    CKetrelArray<i32> sizes;
    sizes.Add(2);
    sizes.Add(3);
    list->SetGroupSizes(sizes);
    EXPECT_EQ(list->GetItemCount(), 7);
    list->Update(0.016f);
    const char* names[] = {"group", "0", "1", "group", "2", "3", "4"};
    ASSERT_EQ(list->GetChildCount(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(uitest::Narrow(list->GetChild(i)->GetName()), names[i]);
    EXPECT_EQ(s.groups, 2);
    list->RequestReload();
    list->Update(0.016f);
    EXPECT_EQ(list->GetChildCount(), 0);
    EXPECT_EQ(list->GetItemCount(), 0);
}

TEST_F(ListTest, RunningListCapNamesAndGrowth)
{
    CWidget* holder = New<CWidget>(app, root, "holder", 0, 0, 200, 300);
    CRunningList* log = New<CRunningList>(app, holder, "log", 0, 200, 200, 300);
    CWidget* t = New<CWidget>(app, log, "item_template", 0, 0, 200, 40);
    New<CWidget>(app, t, "line", 0, 0, 200, 40);
    log->SetMaxItemCount(3);
    log->Update(0.0f);
    ASSERT_NE(log->GetListItemTemplate(), nullptr);
    for (int i = 0; i < 6; ++i)
    {
        log->AddItem(log->GetListItemTemplate()->Clone());
        log->Update(0.016f);
    }
    // The cap compares the count before the addition: four stay.
    ASSERT_EQ(log->GetChildCount(), 4);
    EXPECT_EQ(uitest::Narrow(log->GetChild(0)->GetName()), "3");
    EXPECT_EQ(uitest::Narrow(log->GetChild(3)->GetName()), "6");
    EXPECT_EQ(log->GetRect().top, 300 - 6 * 40);   // grew upwards by each item
    EXPECT_EQ(log->GetScrollY(), log->ClampScrollY(1 << 20));   // scrolled to the newest
    log->Clear();
    EXPECT_EQ(log->GetChildCount(), 0);
    log->AddItem(nullptr);
    EXPECT_EQ(log->GetChildCount(), 0);
}
