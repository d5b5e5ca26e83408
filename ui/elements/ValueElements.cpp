// ui/elements/ValueElements.cpp: "text", "slider", "pie", "progressbar", "frame",
// "gradient", "rotating_image" and "bubble".
#include "ui/Bubble.h"
#include "ui/FrameWidget.h"
#include "ui/GradientWidget.h"
#include "ui/PieWidget.h"
#include "ui/ProgressBar.h"
#include "ui/RotatingImageWidget.h"
#include "ui/Slider.h"
#include "ui/TextWidget.h"
#include "ui/elements/ElementSupport.h"

using namespace uielements;

namespace
{
// The font named by "$font" with ".fnt" appended, else the built-in "default"; the
// caller gives the reference back.
CKetrelBitmapFont* ReadFont(IUIResourceManager* resources, const CKetrelXMLDataNode* text)
{
    if (!resources)
        return nullptr;
    CKetrelBitmapFont* font = nullptr;
    if (const char* name = Attr(text, "$font"))
    {
        CKetrelString file(name);
        file.Append(CKetrelString(".fnt"));
        font = resources->GetFont(file);
    }
    return font ? font : resources->GetFont(CKetrelString("default"));
}

CWidget* CreateText(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent, CWidget* reuse)
{
    IUIApplication* app = loader->GetApplication();
    IUIResourceManager* resources = app ? app->GetUIResources() : nullptr;
    const CKetrelXMLDataNode* text = Child(node, "text");
    CTextWidget* w = static_cast<CTextWidget*>(reuse);
    CKetrelBitmapFont* font = (text || !w) ? ReadFont(resources, text) : nullptr;
    if (!w)
    {
        // A new widget is a plain label.
        w = new CTextWidget();
        w->InitWithFont(app, resources, parent ? parent->GetLocalRect() : CKetrelRect(), font);
        w->SetTransparent(true);
        w->SetEditable(false, 0);
    }
    else if (font)
        w->SetFont(font);
    // The widget holds its own reference.
    if (font && resources && !resources->ReleaseFont(&font))
        font = nullptr;
    if (!text)
        return w;

    const char* local = Attr(text, "$local");
    if (local)
        w->SetTextId(CXMLLoaderWrapper::GetIntAttribute(text, "$local", -1));
    if (const char* value = Attr(text, "$value"))
        if (w->GetDisplayText().IsEmpty())
            w->SetDisplayText(CKetrelString(value));
    if (const char* colour = Attr(text, "$color"))
        w->SetColor(loader->ReadColorAlphaFix(colour));
    const char* display = Attr(text, "$displaycolor");
    w->SetDisplayColor(display ? loader->ReadColorAlphaFix(display) : w->GetColor());
    if (const char* type = Attr(text, "$type"))
    {
        if (Equals(type, "input"))
        {
            w->SetEditable(true, CTextWidget::MaxInputLength);
            w->SetTransparent(false);
        }
        else if (Equals(type, "password"))
        {
            w->SetEditable(true, CTextWidget::MaxPasswordLength);
            w->SetPassword(true);
            w->SetTransparent(false);
        }
        if (Attr(text, "$title"))
            w->SetTitleId(CXMLLoaderWrapper::GetIntAttribute(text, "$title", -1));
    }
    u32 flags = 0;
    const char* align = Attr(text, "$align");
    if (Equals(align, "left-middle") || Equals(align, "middle"))
        flags = CTextWidget::TEXT_CENTER_Y;
    else if (Equals(align, "right-middle"))
        flags = CTextWidget::TEXT_RIGHT | CTextWidget::TEXT_CENTER_Y;
    else if (Equals(align, "right"))
        flags = CTextWidget::TEXT_RIGHT;
    else if (Equals(align, "center"))
        flags = CTextWidget::TEXT_CENTER_X;
    else if (Equals(align, "center-middle"))
        flags = CTextWidget::TEXT_CENTER_X | CTextWidget::TEXT_CENTER_Y;
    if (CXMLLoaderWrapper::GetIntAttribute(text, "$multiline", 0) == 1)
        flags |= CTextWidget::TEXT_MULTILINE;
    w->SetTextFlags(flags);
    return w;
}

CWidget* CreateSlider(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent, CWidget* reuse)
{
    CSlider* w = MakeOrReuse<CSlider>(loader, parent, reuse, ELEMENT_OPAQUE);
    w->SetMinValue(CUIXMLLoader::ReadFloat(node, "$min-value", w->GetMinValue()));
    w->SetMaxValue(CUIXMLLoader::ReadFloat(node, "$max-value", w->GetMaxValue()));
    w->SetValue(CUIXMLLoader::ReadFloat(node, "$value", w->GetValue()));
    return w;
}

CWidget* CreatePie(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent, CWidget* reuse)
{
    CPieWidget* w = MakeOrReuse<CPieWidget>(loader, parent, reuse, ELEMENT_TRANSPARENT);
    if (const char* colour = Attr(Child(node, "color"), "$value"))
        w->SetColor(loader->ReadColorAlphaFix(colour));
    if (const CKetrelXMLDataNode* c = Child(node, "segments"))
        w->SetSegments(CXMLLoaderWrapper::GetIntAttribute(c, "$value", w->GetSegments()));
    if (const CKetrelXMLDataNode* c = Child(node, "angle"))
        w->SetAngle(CUIXMLLoader::ReadFloat(c, "$value", w->GetAngle()));
    return w;
}

// Reads the image child and hands it over with setter; the reader's reference goes back.
template <class T>
void ApplyExtraImage(CUIXMLLoader* loader, const CKetrelXMLDataNode* node, const char* child, T* w,
                     void (T::*setter)(CKetrelSurface*))
{
    CUIImageSpec spec;
    if (!loader->ReadImage(node, child, &spec))
        return;
    (w->*setter)(spec.image);
    loader->ReleaseImage(&spec.image);
}

CWidget* CreateProgressBar(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                           CWidget* reuse)
{
    CProgressBar* w = MakeOrReuse<CProgressBar>(loader, parent, reuse, ELEMENT_TRANSPARENT);
    CUIImageSpec spec;
    ApplyImage(loader, node, "background", w, &spec);
    ApplyExtraImage(loader, node, "progress", w, &CProgressBar::SetProgressImage);
    ApplyExtraImage(loader, node, "progresslow", w, &CProgressBar::SetLowImage);
    if (const CKetrelXMLDataNode* c = Child(node, "progresslowlimit"))
        w->SetLowLimit(CUIXMLLoader::ReadFloat(c, "$value", w->GetLowLimit()));
    if (const CKetrelXMLDataNode* c = Child(node, "side"))
        w->SetSide(CXMLLoaderWrapper::GetIntAttribute(c, "$value", w->GetSide()));
    return w;
}

CWidget* CreateFrame(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent, CWidget* reuse)
{
    CFrameWidget* w = MakeOrReuse<CFrameWidget>(loader, parent, reuse, ELEMENT_TRANSPARENT);
    CUIImageSpec spec;
    ApplyImage(loader, node, "background_image", w, &spec);
    ApplyExtraImage(loader, node, "mask_image", w, &CFrameWidget::SetMaskImage);
    ApplyExtraImage(loader, node, "border_image", w, &CFrameWidget::SetBorderImage);
    return w;
}

CWidget* CreateGradient(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                        CWidget* reuse)
{
    CGradientWidget* w = MakeOrReuse<CGradientWidget>(loader, parent, reuse, ELEMENT_TRANSPARENT);
    const char* dir = Attr(Child(node, "dir"), "$value");
    if (Equals(dir, "vertical"))
        w->SetDirection(CGradientWidget::DIR_VERTICAL);
    else if (Equals(dir, "horizontal"))
        w->SetDirection(CGradientWidget::DIR_HORIZONTAL);
    else if (Equals(dir, "radial"))
        w->SetDirection(CGradientWidget::DIR_RADIAL);
    const f32 radius = CUIXMLLoader::ReadFloat(Child(node, "radius"), "$value", 0.0f);
    if (radius != 0.0f)
        w->SetRadius(radius);
    const CKetrelXMLDataNode* colours = Child(node, "colors");
    u32 c = 0;
    if (loader->ReadColorRaw(Attr(colours, "$color1"), &c))
        w->SetColor1(c);
    if (loader->ReadColorRaw(Attr(colours, "$color2"), &c))
        w->SetColor2(c);
    CUIImageSpec spec;
    ApplyImage(loader, node, "image", w, &spec);
    return w;
}

CWidget* CreateRotatingImage(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent,
                             CWidget* reuse)
{
    // Transparent as the image widget's Init leaves it.
    CRotatingImageWidget* w =
        MakeOrReuse<CRotatingImageWidget>(loader, parent, reuse, ELEMENT_AS_INIT);
    CUIImageSpec spec;
    ApplyImage(loader, node, "image", w, &spec);
    ApplyBlendColor(loader, node, w);
    if (const CKetrelXMLDataNode* r = Child(node, "rotation"))
    {
        w->SetSpeed(CUIXMLLoader::ReadFloat(r, "$speed", 0.0f));
        w->SetAngle(CUIXMLLoader::ReadFloat(r, "$angle", 0.0f));
        w->SetSteps(CUIXMLLoader::ReadIntClamped(r, "$steps", 0, 0, 0x7FFFFFFF));
    }
    return w;
}

CWidget* CreateBubble(CUIXMLLoader* loader, CKetrelXMLDataNode* node, CWidget* parent, CWidget* reuse)
{
    // Opaque as the button's Init leaves it; the button reader is not applied.
    CBubble* w = MakeOrReuse<CBubble>(loader, parent, reuse, ELEMENT_AS_INIT);
    const CKetrelXMLDataNode* arrow = Child(node, "arrow");
    if (!arrow)
        return w;
    static const char* const kArrows[] = {"left-up",  "left-down", "right-up",    "right-down",
                                          "top-left", "top-right", "bottom-left", "bottom-right"};
    const char* value = Attr(arrow, "$value");
    i32 code = CBubble::ARROW_NONE;
    for (i32 i = 0; i < 8; ++i)
        if (Equals(value, kArrows[i]))
            code = i + 1;
    w->SetArrow(code);
    return w;
}

bool BindText(CWidget* w, EUIElementEvent event, const CUIActionCallback& cb)
{
    CTextWidget* t = static_cast<CTextWidget*>(w);
    if (event == UI_EVENT_CHANGED)
        t->SetChangedCallback(cb);
    else if (event == UI_EVENT_FINISHED)
        t->SetFinishedCallback(cb);
    else
        return false;
    return true;
}

bool BindSlider(CWidget* w, EUIElementEvent event, const CUIActionCallback& cb)
{
    if (event != UI_EVENT_VALUE_CHANGED)
        return false;
    static_cast<CSlider*>(w)->SetValueChangedCallback(cb);
    return true;
}

const char* const kTextWords[] = {"text", nullptr};
const char* const kSliderWords[] = {"$min-value", "$max-value", "$value", nullptr};
const char* const kPieWords[] = {"color", "segments", "angle", nullptr};
const char* const kProgressWords[] = {"background", "progress", "progresslow", "progresslowlimit",
                                      "side", nullptr};
const char* const kFrameWords[] = {"background_image", "mask_image", "border_image", nullptr};
const char* const kGradientWords[] = {"dir", "radius", "colors", "image", nullptr};
const char* const kRotatingWords[] = {"image", "blend_color", "rotation", nullptr};
const char* const kBubbleWords[] = {"arrow", nullptr};

const CUIElementKind kText = {"text", &CWidgetType::TextWidget, &CreateText, kTextWords, &BindText};
const CUIElementKind kSlider = {"slider", &CWidgetType::Slider, &CreateSlider, kSliderWords,
                                &BindSlider};
const CUIElementKind kPie = {"pie", &CWidgetType::Pie, &CreatePie, kPieWords, nullptr};
const CUIElementKind kProgress = {"progressbar", &CWidgetType::ProgressBar, &CreateProgressBar,
                                  kProgressWords, nullptr};
const CUIElementKind kFrame = {"frame", &CWidgetType::Frame, &CreateFrame, kFrameWords, nullptr};
const CUIElementKind kGradient = {"gradient", &CWidgetType::Gradient, &CreateGradient,
                                  kGradientWords, nullptr};
const CUIElementKind kRotating = {"rotating_image", &CWidgetType::RotatingImage,
                                  &CreateRotatingImage, kRotatingWords, nullptr};
const CUIElementKind kBubble = {"bubble", &CWidgetType::Bubble, &CreateBubble, kBubbleWords,
                                nullptr};
}  // namespace

UI_ELEMENT_SOURCE(ValueElements)
{
    CUIElementRegistry::Add(&kText);
    CUIElementRegistry::Add(&kSlider);
    CUIElementRegistry::Add(&kPie);
    CUIElementRegistry::Add(&kProgress);
    CUIElementRegistry::Add(&kFrame);
    CUIElementRegistry::Add(&kGradient);
    CUIElementRegistry::Add(&kRotating);
    CUIElementRegistry::Add(&kBubble);
}
