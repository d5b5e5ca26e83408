// ui/elements/ButtonElements.cpp: "button", "toggle_button", "page_button",
// "web_button", "expand_layout" and "image", with the shared button and image readers.
#include "engine/KetrelArray.h"
#include "ui/Button.h"
#include "ui/Expandable.h"
#include "ui/ImageWidget.h"
#include "ui/PageButton.h"
#include "ui/ToggleButton.h"
#include "ui/WebButton.h"
#include "ui/elements/ElementSupport.h"

using namespace uielements;

namespace uielements
{
bool ApplyImage(CUIXMLLoader* loader, const CKetrelXMLDataNode* node, const char* childName,
                CImageWidget* w, CUIImageSpec* spec)
{
    if (!loader->ReadImage(node, childName, spec))
        return false;
    w->SetImage(spec->image);
    loader->ReleaseImage(&spec->image);
    return true;
}

void ApplyBlendColor(CUIXMLLoader* loader, const CKetrelXMLDataNode* node, CWidget* w)
{
    u32 colour = 0;
    if (loader->ReadColorRaw(Attr(Child(node, "blend_color"), "$value"), &colour))
        w->SetBlendColor(colour);
}
}  // namespace uielements

namespace
{
i32 Int(const CKetrelXMLDataNode* node, const char* name, i32 def)
{
    return CXMLLoaderWrapper::GetIntAttribute(node, name, def);
}

// The reader shared by every button kind but the bubble.
void ReadButton(CUIXMLLoader* loader, const CKetrelXMLDataNode* node, CButton* b)
{
    b->SetTransparent(false);
    if (Int(node, "$keep_aspect", 0) == 1)
        b->SetFlags(b->GetFlags() | CImageWidget::IMAGE_KEEP_ASPECT);
    CUIImageSpec spec;
    if (ApplyImage(loader, node, "image", b, &spec))
    {
        b->SetFrameDuration(spec.frameDuration);
        if (spec.frame >= 0)
        {
            b->SetFrame(spec.frame);
            b->SetFlags(b->GetFlags() | CImageWidget::IMAGE_SKIP_ANIMATION);
        }
    }
    ApplyBlendColor(loader, node, b);
    if (const CKetrelXMLDataNode* c = Child(node, "cancellable"))
        b->SetCancellable(Int(c, "$value", b->IsCancellable() ? 1 : 0) != 0);
    if (const CKetrelXMLDataNode* c = Child(node, "layout_widgets"))
    {
        const bool faces = Int(c, "$value", b->HasLayoutWidgets() ? 1 : 0) != 0;
        b->SetLayoutWidgets(faces);
        if (faces)
        {
            // Twice inverted: the state stays, the faces are laid out.
            b->SetPressed(!b->IsPressed());
            b->SetPressed(!b->IsPressed());
        }
    }
    if (const CKetrelXMLDataNode* c = Child(node, "hitarea"))
    {
        b->SetHitScale(CUIXMLLoader::ReadFloat(c, "$size", b->GetHitScale()));
        b->SetHitExtra(CUIXMLLoader::ReadFloat(c, "$extra", b->GetHitExtra()));
    }
    if (const CKetrelXMLDataNode* c = Child(node, "clickdelay"))
        b->SetClickDelay(CUIXMLLoader::ReadFloat(c, "$value", b->GetClickDelay()));
}

template <class T>
CWidget* CreateButtonKind(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                          CWidget* reuse)
{
    T* b = MakeOrReuse<T>(loader, parent, reuse, ELEMENT_OPAQUE);
    ReadButton(loader, node, b);
    return b;
}

CWidget* CreatePageButton(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                          CWidget* reuse)
{
    CPageButton* b = MakeOrReuse<CPageButton>(loader, parent, reuse, ELEMENT_OPAQUE);
    ReadButton(loader, node, b);
    const CKetrelXMLDataNode* target = Child(node, "target");
    b->SetTarget(CKetrelString(Attr(target, "$name")), CKetrelString(Attr(target, "$page")));
    return b;
}

CWidget* CreateWebButton(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                         CWidget* reuse)
{
    CWebButton* b = MakeOrReuse<CWebButton>(loader, parent, reuse, ELEMENT_OPAQUE);
    ReadButton(loader, node, b);
    if (const char* url = Attr(Child(node, "target"), "$url"))
        b->SetUrl(CKetrelString(url));
    return b;
}

CWidget* CreateExpandable(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                          CWidget* reuse)
{
    // A screen needs a handful of states; the bound keeps hostile lists small.
    const i32 maxStates = 256;
    CExpandable* w = MakeOrReuse<CExpandable>(loader, parent, reuse, ELEMENT_OPAQUE);
    CKetrelArray<i32> widths, heights;
    for (const CKetrelXMLDataNode* c = CXMLLoaderWrapper::GetFirstChild(node); c;
         c = c->GetNextSibling())
    {
        const f32 v = CUIXMLLoader::ReadFloat(c, "$value", 0.0f);
        if (Equals(c->GetName(), "width") && widths.GetCount() < maxStates)
            widths.Add(CUIXMLLoader::ScaleFloorHalf(v, loader->GetReferenceWidth()));
        else if (Equals(c->GetName(), "height") && heights.GetCount() < maxStates)
            heights.Add(CUIXMLLoader::ScaleFloorHalf(v, loader->GetReferenceHeight()));
    }
    w->SetStates(widths, heights);
    if (const CKetrelXMLDataNode* t = Child(node, "transition-time"))
        w->SetTransitionTime(CUIXMLLoader::ReadFloat(t, "$value", 0.0f));
    return w;
}

CWidget* CreateImage(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                     CWidget* reuse)
{
    CImageWidget* w = MakeOrReuse<CImageWidget>(loader, parent, reuse, ELEMENT_TRANSPARENT);
    CUIImageSpec spec;
    if (ApplyImage(loader, node, "image", w, &spec))
    {
        w->SetFrameDuration(w->GetImage() ? spec.frameDuration : 0.0f);
        if (spec.frame >= 0)
        {
            w->SetFrame(spec.frame);
            w->SetFlags(w->GetFlags() | CImageWidget::IMAGE_SKIP_ANIMATION);
        }
    }
    const struct
    {
        const char* child;
        u32 flag;
    } switches[] = {{"skip_clipped_draw", CImageWidget::IMAGE_SKIP_CLIPPED_DRAW},
                    {"skip_clipping", CImageWidget::IMAGE_NO_CLIP},
                    {"skip_animation", CImageWidget::IMAGE_SKIP_ANIMATION}};
    for (const auto& s : switches)
        if (const CKetrelXMLDataNode* c = Child(node, s.child))
            w->SetFlags(Int(c, "$value", 0) == 1 ? (w->GetFlags() | s.flag) : (w->GetFlags() & ~s.flag));
    if (const CKetrelXMLDataNode* c = Child(node, "animation_frame"))
        w->SetFrame(CUIXMLLoader::ReadIntClamped(c, "$value", 0, 0, 0x7FFFFFFF));
    if (Int(node, "$keep_aspect", 0) == 1)
        w->SetFlags(w->GetFlags() | CImageWidget::IMAGE_KEEP_ASPECT);
    ApplyBlendColor(loader, node, w);
    return w;
}

bool BindButton(CWidget* w, EUIElementEvent event, const CUIActionCallback& cb)
{
    if (event != UI_EVENT_CLICK)
        return false;
    static_cast<CButton*>(w)->SetClickCallback(cb);
    return true;
}

bool BindExpandable(CWidget* w, EUIElementEvent event, const CUIActionCallback& cb)
{
    if (event == UI_EVENT_BEGIN_EXPAND)
        static_cast<CExpandable*>(w)->SetBeginExpandCallback(cb);
    else if (event == UI_EVENT_END_EXPAND)
        static_cast<CExpandable*>(w)->SetEndExpandCallback(cb);
    else
        return false;
    return true;
}

#define BUTTON_WORDS "$keep_aspect", "image", "blend_color", "cancellable", "layout_widgets", \
                     "hitarea", "clickdelay"
const char* const kButtonWords[] = {BUTTON_WORDS, nullptr};
const char* const kTargetButtonWords[] = {BUTTON_WORDS, "target", nullptr};
#undef BUTTON_WORDS
const char* const kExpandWords[] = {"width", "height", "transition-time", nullptr};
const char* const kImageWords[] = {"image", "skip_clipped_draw", "skip_clipping", "skip_animation",
                                   "animation_frame", "$keep_aspect", "blend_color", nullptr};

const CUIElementKind kButton = {"button", &CWidgetType::Button, &CreateButtonKind<CButton>,
                                kButtonWords, &BindButton};
const CUIElementKind kToggle = {"toggle_button", &CWidgetType::ToggleButton,
                                &CreateButtonKind<CToggleButton>, kButtonWords, nullptr};
const CUIElementKind kPageButton = {"page_button", &CWidgetType::PageButton, &CreatePageButton,
                                    kTargetButtonWords, nullptr};
const CUIElementKind kWebButton = {"web_button", &CWidgetType::WebButton, &CreateWebButton,
                                   kTargetButtonWords, nullptr};
const CUIElementKind kExpandable = {"expand_layout", &CWidgetType::Expandable, &CreateExpandable,
                                    kExpandWords, &BindExpandable};
const CUIElementKind kImage = {"image", &CWidgetType::Image, &CreateImage, kImageWords, nullptr};
}  // namespace

UI_ELEMENT_SOURCE(ButtonElements)
{
    CUIElementRegistry::Add(&kButton);
    CUIElementRegistry::Add(&kToggle);
    CUIElementRegistry::Add(&kPageButton);
    CUIElementRegistry::Add(&kWebButton);
    CUIElementRegistry::Add(&kExpandable);
    CUIElementRegistry::Add(&kImage);
}
