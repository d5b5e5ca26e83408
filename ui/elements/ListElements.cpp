// ui/elements/ListElements.cpp: "slidearea", "grid_layout", "infinite_list" and
// "running_list".
#include "engine/KetrelVector.h"
#include "ui/GridLayout.h"
#include "ui/InfiniteList.h"
#include "ui/RunningList.h"
#include "ui/SlideArea.h"
#include "ui/elements/ElementSupport.h"

using namespace uielements;

namespace
{
// Rows and columns of a screen's grid; the bound keeps counts from reaching the
// divisions of the grid layout as nonsense.
const i32 kMaxCells = 10000;

void ReadScroll(CUIXMLLoader* loader, const CKetrelXMLDataNode* node, CSlideArea* w)
{
    bool enabled = false;
    i32 tx = 0, ty = 0;
    loader->ReadScroll(node, &enabled, &tx, &ty);
    w->SetScrollEnabled(enabled);
    w->SetThreshold(CKetrelVector2((f32)tx, (f32)ty));
}

void ReadSpacing(CUIXMLLoader* loader, const CKetrelXMLDataNode* node, CGridLayout* w)
{
    i32 h = 0, v = 0;
    loader->ReadItemSpacing(node, &h, &v);
    w->SetSpacingX(h);
    w->SetSpacingY(v);
}

void ReadBorders(CUIXMLLoader* loader, const CKetrelXMLDataNode* node, CGridLayout* w)
{
    i32 borders[4];
    if (!loader->ReadBorders(node, borders))
        return;
    for (i32 i = 0; i < 4; ++i)
        w->SetBorder(i, borders[i]);
}

void ReadLayoutMode(const CKetrelXMLDataNode* node, CGridLayout* w)
{
    const char* mode = Attr(node, "$layout_mode");
    if (!mode)
        return;
    w->SetLayoutMode(Equals(mode, "list") ? CGridLayout::MODE_LIST
                     : Equals(mode, "uniform_list") ? CGridLayout::MODE_UNIFORM_LIST
                                                      : CGridLayout::MODE_GRID);
}

CWidget* CreateSlideArea(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                         CWidget* reuse)
{
    CSlideArea* w = MakeOrReuse<CSlideArea>(loader, parent, reuse, ELEMENT_AS_INIT);
    ReadScroll(loader, node, w);
    return w;
}

CWidget* CreateGrid(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent, CWidget* reuse)
{
    CGridLayout* w = MakeOrReuse<CGridLayout>(loader, parent, reuse, ELEMENT_AS_INIT);
    w->SetNumColumns(CUIXMLLoader::ReadIntClamped(node, "$num_columns", 0, 0, kMaxCells));
    w->SetNumRows(CUIXMLLoader::ReadIntClamped(node, "$num_rows", 0, 0, kMaxCells));
    ReadSpacing(loader, node, w);
    ReadScroll(loader, node, w);
    ReadBorders(loader, node, w);
    ReadLayoutMode(node, w);
    return w;
}

CWidget* CreateInfiniteList(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                            CWidget* reuse)
{
    CInfiniteList* w = MakeOrReuse<CInfiniteList>(loader, parent, reuse, ELEMENT_AS_INIT);
    ReadLayoutMode(node, w);
    ReadSpacing(loader, node, w);
    ReadBorders(loader, node, w);
    ReadScroll(loader, node, w);
    if (const CKetrelXMLDataNode* page = Child(node, "page-size"))
        w->SetPageSize(CUIXMLLoader::ReadIntClamped(page, "$value", 10, -1, kMaxCells));
    return w;
}

CWidget* CreateRunningList(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                           CWidget* reuse)
{
    CRunningList* w = MakeOrReuse<CRunningList>(loader, parent, reuse, ELEMENT_AS_INIT);
    ReadSpacing(loader, node, w);
    ReadBorders(loader, node, w);
    ReadScroll(loader, node, w);
    if (const CKetrelXMLDataNode* c = Child(node, "max-item-count"))
        w->SetMaxItemCount(CUIXMLLoader::ReadIntClamped(c, "$value", 20, 0, kMaxCells));
    if (const char* to = Attr(Child(node, "expands-to"), "$value"))
        w->SetAppendAtBottom(!Equals(to, "top"));
    ReadLayoutMode(node, w);
    if (const CKetrelXMLDataNode* c = Child(node, "autoscroll"))
    {
        w->SetAutoscroll(CXMLLoaderWrapper::GetIntAttribute(c, "$enabled", 1) != 0);
        w->SetScrollSeconds(CUIXMLLoader::ReadFloat(c, "$speed", 0.0f));
    }
    return w;
}

bool BindSlideArea(CWidget* w, EUIElementEvent event, const CUIActionCallback& cb)
{
    CSlideArea* a = static_cast<CSlideArea*>(w);
    if (event == UI_EVENT_BEGIN_SCROLL)
        a->SetBeginScrollCallback(cb);
    else if (event == UI_EVENT_END_SCROLL)
        a->SetEndScrollCallback(cb);
    else
        return false;
    return true;
}

bool BindInfiniteList(CWidget* w, EUIElementEvent event, const CUIActionCallback& cb)
{
    CInfiniteList* l = static_cast<CInfiniteList*>(w);
    switch (event)
    {
    case UI_EVENT_LOAD_ITEM: l->SetLoadItemCallback(cb); return true;
    case UI_EVENT_FORGET_ITEM: l->SetForgetItemCallback(cb); return true;
    case UI_EVENT_LOAD_ITEM_BATCH: l->SetLoadItemBatchCallback(cb); return true;
    case UI_EVENT_LOAD_GROUP: l->SetLoadGroupCallback(cb); return true;
    default: return false;
    }
}

const char* const kSlideWords[] = {"scroll", nullptr};
const char* const kGridWords[] = {"$num_columns", "$num_rows", "item-spacing", "scroll",
                                  "border-size", "$layout_mode", nullptr};
const char* const kInfiniteWords[] = {"$layout_mode", "item-spacing", "border-size", "scroll",
                                      "page-size", nullptr};
const char* const kRunningWords[] = {"item-spacing", "border-size", "scroll", "max-item-count",
                                     "expands-to", "$layout_mode", "autoscroll", nullptr};

const CUIElementKind kSlideArea = {"slidearea", &CWidgetType::SlideArea, &CreateSlideArea,
                                   kSlideWords, &BindSlideArea};
const CUIElementKind kGrid = {"grid_layout", &CWidgetType::GridLayout, &CreateGrid, kGridWords,
                              nullptr};
const CUIElementKind kInfinite = {"infinite_list", &CWidgetType::InfiniteList, &CreateInfiniteList,
                                  kInfiniteWords, &BindInfiniteList};
const CUIElementKind kRunning = {"running_list", &CWidgetType::RunningList, &CreateRunningList,
                                 kRunningWords, nullptr};
}  // namespace

UI_ELEMENT_SOURCE(ListElements)
{
    CUIElementRegistry::Add(&kSlideArea);
    CUIElementRegistry::Add(&kGrid);
    CUIElementRegistry::Add(&kInfinite);
    CUIElementRegistry::Add(&kRunning);
}
