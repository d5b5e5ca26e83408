// fuzz/ui_list_model.cpp: an infinite list (with or without separators and group
// headers) and a running list under random counts, group sizes, reloads, additions,
// removals, scrolls, drags and page sizes. After every operation the list's window
// is checked: rows named by consecutive indices inside the row count, separators
// only between two rows, at most five pages of rows alive.
// Input: one byte of options, then opcode bytes with their operands.
#include "engine/KetrelResult.h"
#include "ui/InfiniteList.h"
#include "ui/RunningList.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
struct Reader
{
    const uint8_t* p;
    size_t n;
    u8 Byte() { return n ? (--n, *p++) : 0; }
    i32 Int16() { return (i32)(int16_t)(Byte() | Byte() << 8); }
};

i32 ReadName(const CWidget* w)
{
    const CKetrelString& s = w->GetName();
    i64 v = 0;
    if (s.GetLength() == 0 || s.GetLength() > 10)
        return -1;
    for (i32 i = 0; i < s.GetLength(); ++i)
    {
        if (s.GetAt(i) < '0' || s.GetAt(i) > '9')
            return -1;
        v = v * 10 + (s.GetAt(i) - '0');
    }
    return v > 0x7FFFFFFF ? -1 : (i32)v;
}

bool Named(const CWidget* w, const char* name) { return w->GetName().Equals(CKetrelString(name)); }

// largestPage: the largest page size the list had since it was made (a smaller page
// size set later does not shrink rows already loaded).
void Check(CInfiniteList* list, i32 largestPage)
{
    const i32 count = list->GetChildCount();
    i32 expected = -1;
    i32 separators = 0;
    for (i32 i = 0; i < count; ++i)
    {
        const CWidget* c = list->GetChild(i);
        if (Named(c, "separator"))
        {
            ++separators;
            if (i == 0 || i == count - 1 || Named(list->GetChild(i - 1), "separator"))
                abort();
            continue;
        }
        if (Named(c, "group"))
            continue;
        const i32 index = ReadName(c);
        if (index < 0 || index >= list->GetItemCount())
            abort();
        if (expected >= 0 && index != expected)
            abort();
        expected = index + 1;
    }
    if (separators != list->GetSeparatorCount())
        abort();
    if (list->GetLoadedRowCount() > CInfiniteList::WindowPages * largestPage)
        abort();
    if (list->GetRowsAbove() < 0 ||
        (i64)list->GetRowsAbove() + list->GetLoadedRowCount() > list->GetItemCount())
        abort();
}

CWidget* Plain(const char* name, i32 l, i32 t, i32 r, i32 b)
{
    CWidget* w = new CWidget();
    w->Init(nullptr, nullptr, CKetrelRect(l, t, r, b));
    w->SetName(CKetrelString(name));
    return w;
}

// A template shell named name holding a row of height h.
void AddTemplate(CWidget* list, const char* name, i32 h)
{
    CWidget* shell = Plain(name, 0, 0, 100, h);
    shell->AddChild(Plain("row", 0, 0, 100, h));
    list->AddChild(shell);
}

int Forget(void* w, void* list)
{
    // The handler may look its row up; the index must be valid while it runs.
    if (static_cast<CInfiniteList*>(list)->GetLoadingItemIndex(static_cast<CWidget*>(w)) < 0)
        abort();
    return 1;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4096)
        return 0;
    Reader in{data, size};
    const u8 options = in.Byte();

    CWidget root;
    root.Init(nullptr, nullptr, CKetrelRect(0, 0, 200, 400));
    CInfiniteList* list = new CInfiniteList();
    list->Init(nullptr, nullptr, CKetrelRect(0, 0, 100, 90 + (options >> 4) * 10));
    root.AddChild(list);
    list->SetScrollEnabled(true);
    AddTemplate(list, "item_template", (options & 1) ? 7 : 23);
    if (options & 2)
        AddTemplate(list, "item_separator_template", 2);
    if (options & 4)
        AddTemplate(list, "group_template", 11);
    if (options & 8)
        list->SetPageSize(0);
    list->SetForgetItemCallback(MakeUIActionCallback(Forget, list));
    list->SetLoadItemCallback(MakeUIActionCallback(Forget, list));

    CRunningList* log = new CRunningList();
    log->Init(nullptr, nullptr, CKetrelRect(100, 200, 200, 400));
    root.AddChild(log);
    AddTemplate(log, "item_template", 13);

    i32 largestPage = CInfiniteList::MinPageSize;
    int ops = 0;
    while (in.n && ops++ < 200)
    {
        switch (in.Byte() % 12)
        {
        case 0: list->SetItemCount(in.Int16() * (i32)in.Byte()); break;
        case 1:
        {
            CKetrelArray<i32> sizes;
            const i32 groups = in.Byte() % 16;
            for (i32 i = 0; i < groups; ++i)
                sizes.Add(in.Int16());
            list->SetGroupSizes(sizes);
            break;
        }
        case 2: list->RequestReload(); break;
        case 3: list->ScrollTo(0, list->GetScrollY() + in.Int16(), 0.0f); break;
        case 4: list->ScrollTo(0, in.Int16() * 16, (f32)(in.Byte() % 4) * 0.25f); break;
        case 5:
        {
            const i32 y0 = in.Byte(), y1 = (int8_t)in.Byte() * 4;
            root.DispatchPointerDown(0, 50, y0);
            root.Update((f32)(in.Byte() % 8) / 60.0f);
            root.DispatchPointerMove(0, 50, y1);
            root.DispatchPointerUp(0, 50, y1);
            break;
        }
        case 6: list->SetPageSize((int8_t)in.Byte()); break;
        case 7: list->SetSpacingY(in.Byte() % 16); break;
        case 8:
            if (log->GetListItemTemplate())
                log->AddItem(log->GetListItemTemplate()->Clone());
            break;
        case 9: log->RemoveOldest(); break;
        case 10: log->SetMaxItemCount((int8_t)in.Byte()); break;
        default: log->Clear(); break;
        }
        root.Update((f32)(in.Byte() % 16) / 60.0f);
        if (list->GetPageSize() > largestPage)
            largestPage = list->GetPageSize();
        Check(list, largestPage);
    }
    CWidget::SetCapture(nullptr);
    root.Close();
    return 0;
}
