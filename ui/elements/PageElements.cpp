// ui/elements/PageElements.cpp: "page_layout" and "web_view".
#include "ui/EasingCurve.h"
#include "ui/PageView.h"
#include "ui/elements/ElementSupport.h"

using namespace uielements;

namespace
{
// The first "transition" from the first one on whose "$type" is wanted; none when
// the first one has no "$type".
void ReadTransition(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CPageView* view,
                    const char* wanted, i32 kind)
{
    const CKetrelXMLDataNode* first = Child(node, "transition");
    if (!first || !Attr(first, "$type"))
        return;
    const CKetrelXMLDataNode* t = first;
    for (; t; t = t->GetNextSibling())
    {
        if (t->IsValueNode())
            continue;
        const char* type = Attr(t, "$type");
        if (Equals(type ? type : "", wanted))
            break;
    }
    if (!t)
        return;
    i32 direction = CTransition::DIRECTION_NONE;
    const char* d = Attr(t, "$direction");
    if (Equals(d, "up"))
        direction = CTransition::DIRECTION_UP;
    else if (Equals(d, "down"))
        direction = CTransition::DIRECTION_DOWN;
    else if (Equals(d, "right"))
        direction = CTransition::DIRECTION_RIGHT;
    else if (Equals(d, "left"))
        direction = CTransition::DIRECTION_LEFT;
    else if (Equals(d, "center"))
        direction = CTransition::DIRECTION_CENTER;
    CTransition* transition = new CTransition();
    transition->Init(CXMLLoaderWrapper::GetIntAttribute(t, "$move_other", 0) != 0, direction, kind,
                     CUIXMLLoader::ReadFloat(t, "$duration", 0.0f));
    IEasingCurve* in = loader->ReadEasingCurve(t, "easing_in", 0);
    IEasingCurve* out = loader->ReadEasingCurve(t, "easing_out", 0);
    transition->SetEasingIn(in ? in : new CEasingCurveLinear());
    transition->SetEasingOut(out ? out : new CEasingCurveLinear());
    view->AddTransition(transition);
}

CWidget* CreatePageView(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                        CWidget* reuse)
{
    CPageView* w = MakeOrReuse<CPageView>(loader, parent, reuse, ELEMENT_TRANSPARENT);
    // A history longer than this serves no screen; the bound keeps it small.
    const i32 history = CUIXMLLoader::ReadIntClamped(Child(node, "history"), "$max-size", 0, 0, 1024);
    if (history > 0)
    {
        w->SetHistorySize(history);
        ReadTransition(loader, node, w, "in", CTransition::KIND_IN);
        ReadTransition(loader, node, w, "out", CTransition::KIND_OUT);
    }
    return w;
}

// Documents may name web views; this toolkit has none, so the element and its
// subtree are left out.
CWidget* CreateWebView(CUIXMLLoader*, CKetrelXMLDataNode*, CWidget*, CWidget*) { return nullptr; }

const char* const kPageWords[] = {"history", "transition", nullptr};

const CUIElementKind kPageLayout = {"page_layout", &CWidgetType::PageLayout, &CreatePageView,
                                    kPageWords, nullptr};
const CUIElementKind kWebView = {"web_view", &CWidgetType::WebView, &CreateWebView, nullptr,
                                 nullptr};
}  // namespace

UI_ELEMENT_SOURCE(PageElements)
{
    CUIElementRegistry::Add(&kPageLayout);
    CUIElementRegistry::Add(&kWebView);
}
