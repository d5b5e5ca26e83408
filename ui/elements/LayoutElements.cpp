// ui/elements/LayoutElements.cpp: "divider_layout", "ratio_layout", "aspect_layout"
// and "anchor_layout".
#include "ui/Alignment.h"
#include "ui/AspectLayout.h"
#include "ui/Divider.h"
#include "ui/RatioDivider.h"
#include "ui/elements/ElementSupport.h"

using namespace uielements;

namespace
{
CWidget* CreateDivider(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                       CWidget* reuse)
{
    CDivider* w = MakeOrReuse<CDivider>(loader, parent, reuse, ELEMENT_TRANSPARENT);
    if (const char* o = Attr(node, "$orientation"))
    {
        i32 mode = CDivider::MODE_LEFT;
        if (Equals(o, "vertical") || Equals(o, "top"))
            mode = CDivider::MODE_TOP;
        else if (Equals(o, "right"))
            mode = CDivider::MODE_RIGHT;
        else if (Equals(o, "bottom"))
            mode = CDivider::MODE_BOTTOM;
        w->SetMode(mode);
    }
    w->SetAspect(CUIXMLLoader::ReadFloat(node, "$aspect", 1.0f));
    const f32 maxW = CUIXMLLoader::ReadFloat(node, "$max_item_width", 0.0f);
    if (maxW != 0.0f)
        w->SetMaxItemWidth(CUIXMLLoader::ScaleRound(maxW, loader->GetReferenceWidth()));
    const f32 maxH = CUIXMLLoader::ReadFloat(node, "$max_item_height", 0.0f);
    if (maxH != 0.0f)
        w->SetMaxItemHeight(CUIXMLLoader::ScaleRound(maxH, loader->GetReferenceHeight()));
    return w;
}

CWidget* CreateRatioDivider(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                            CWidget* reuse)
{
    CRatioDivider* w = MakeOrReuse<CRatioDivider>(loader, parent, reuse, ELEMENT_TRANSPARENT);
    if (const char* o = Attr(node, "$orientation"))
        w->SetOrientation(Equals(o, "vertical") ? CRatioDivider::ORIENTATION_VERTICAL
                                                : CRatioDivider::ORIENTATION_HORIZONTAL);
    w->SetRatio(CUIXMLLoader::ReadFloat(node, "$ratio", 1.0f));
    const i32 r = w->GetOrientation() == CRatioDivider::ORIENTATION_VERTICAL
                      ? loader->GetReferenceHeight()
                      : loader->GetReferenceWidth();
    w->SetMinFirstItemSize(
        CUIXMLLoader::ScaleFloorHalf(CUIXMLLoader::ReadFloat(node, "$min_first_item_size", 0.0f), r));
    // Without a maximum the first part is practically unbounded.
    if (Attr(node, "$max_first_item_size"))
        w->SetMaxFirstItemSize(CUIXMLLoader::ScaleFloorHalf(
            CUIXMLLoader::ReadFloat(node, "$max_first_item_size", 0.0f), r));
    else
        w->SetMaxFirstItemSize(1000000000);
    return w;
}

CWidget* CreateAspectLayout(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                            CWidget* reuse)
{
    CAspectLayout* w = MakeOrReuse<CAspectLayout>(loader, parent, reuse, ELEMENT_TRANSPARENT);
    const f32 aspect = CUIXMLLoader::ReadFloat(node, "$aspect", 1.0f);
    const f32 positioning = CUIXMLLoader::ReadFloat(node, "$positioning", 0.0f);
    w->SetAspect(aspect);
    w->SetPositioning(positioning);
    CKetrelString name;
    name.Format(L"aspect(%f,%f)", aspect, positioning);
    w->SetName(name);
    return w;
}

CWidget* CreateAlignment(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                         CWidget* reuse)
{
    CAlignment* w = MakeOrReuse<CAlignment>(loader, parent, reuse, ELEMENT_TRANSPARENT);
    CKetrelString name;
    name.Format(L"alignment(%d)", (i32)w->GetAlignment());
    w->SetName(name);
    u32 alignment = 0;
    const char* v = Attr(node, "$vertical");
    if (Equals(v, "center"))
        alignment |= CAlignment::ALIGN_VCENTER;
    else if (Equals(v, "scaled"))
        alignment |= CAlignment::ALIGN_VSCALED;
    else if (Equals(v, "bottom"))
        alignment |= CAlignment::ALIGN_BOTTOM;
    const char* h = Attr(node, "$horizontal");
    if (Equals(h, "center"))
        alignment |= CAlignment::ALIGN_HCENTER;
    else if (Equals(h, "scaled"))
        alignment |= CAlignment::ALIGN_HSCALED;
    else if (Equals(h, "right"))
        alignment |= CAlignment::ALIGN_RIGHT;
    w->SetAlignment(alignment);
    i32 borders[4] = {0, 0, 0, 0};
    loader->ReadBorders(node, borders);
    for (i32 i = 0; i < 4; ++i)
        w->SetBorder(i, borders[i]);
    return w;
}

const char* const kDividerWords[] = {"$orientation", "$aspect", "$max_item_width",
                                     "$max_item_height", nullptr};
const char* const kRatioWords[] = {"$orientation", "$ratio", "$min_first_item_size",
                                   "$max_first_item_size", nullptr};
const char* const kAspectWords[] = {"$aspect", "$positioning", nullptr};
const char* const kAnchorWords[] = {"$vertical", "$horizontal", "border-size", nullptr};

const CUIElementKind kDivider = {"divider_layout", &CWidgetType::Divider, &CreateDivider,
                                 kDividerWords, nullptr};
const CUIElementKind kRatio = {"ratio_layout", &CWidgetType::RatioDivider, &CreateRatioDivider,
                               kRatioWords, nullptr};
const CUIElementKind kAspect = {"aspect_layout", &CWidgetType::AspectLayout, &CreateAspectLayout,
                                kAspectWords, nullptr};
const CUIElementKind kAnchor = {"anchor_layout", &CWidgetType::Alignment, &CreateAlignment,
                                kAnchorWords, nullptr};
}  // namespace

UI_ELEMENT_SOURCE(LayoutElements)
{
    CUIElementRegistry::Add(&kDivider);
    CUIElementRegistry::Add(&kRatio);
    CUIElementRegistry::Add(&kAspect);
    CUIElementRegistry::Add(&kAnchor);
}
