// ui/WidgetType.cpp
#include "ui/WidgetType.h"

CWidgetType::CWidgetType(const CWidgetType* parent, const CKetrelString& name)
    : m_parent(parent), m_name(name)
{
}

bool CWidgetType::IsSameKind(const CWidgetType& other) const
{
    return m_parent == other.m_parent && m_name.GetHash() == other.m_name.GetHash() &&
           m_name.GetText().Compare(other.m_name.GetText()) == 0;
}

bool CWidgetType::IsKindOf(const CWidgetType& other) const
{
    // Chains are at most six kinds long.
    for (const CWidgetType* t = this; t; t = t->m_parent)
        if (t->IsSameKind(other))
            return true;
    return false;
}

// The parent's getter runs first, so a descriptor's parent always exists before it.
#define UI_WIDGET_KIND(getter, parentExpr, text)                  \
    const CWidgetType& CWidgetType::getter()                      \
    {                                                             \
        static const CWidgetType kind(parentExpr, CKetrelString(text)); \
        return kind;                                              \
    }

UI_WIDGET_KIND(Widget, nullptr, "widget")
UI_WIDGET_KIND(Image, &Widget(), "image")
UI_WIDGET_KIND(Button, &Image(), "button")
UI_WIDGET_KIND(ToggleButton, &Button(), "toggle_button")
UI_WIDGET_KIND(PageButton, &ToggleButton(), "page_button")
UI_WIDGET_KIND(Expandable, &Button(), "expandable")
UI_WIDGET_KIND(Bubble, &Button(), "bubble")
UI_WIDGET_KIND(WebButton, &Button(), "web_button")
UI_WIDGET_KIND(Frame, &Image(), "frame")
UI_WIDGET_KIND(Gradient, &Image(), "gradient")
UI_WIDGET_KIND(ProgressBar, &Image(), "progressbar")
UI_WIDGET_KIND(RotatingImage, &Image(), "rotating_image")
UI_WIDGET_KIND(Layout, &Widget(), "layout")
UI_WIDGET_KIND(Alignment, &Layout(), "alignment")
UI_WIDGET_KIND(AspectLayout, &Layout(), "aspect_layout")
UI_WIDGET_KIND(Divider, &Layout(), "divider")
UI_WIDGET_KIND(RatioDivider, &Layout(), "ratio_divider_layout")
UI_WIDGET_KIND(PageLayout, &Layout(), "page_layout")
UI_WIDGET_KIND(SlideArea, &Layout(), "slide_area")
UI_WIDGET_KIND(GridLayout, &SlideArea(), "grid_layout")
UI_WIDGET_KIND(InfiniteList, &GridLayout(), "infinite_list")
UI_WIDGET_KIND(RunningList, &GridLayout(), "running_list")
UI_WIDGET_KIND(Pie, &Widget(), "pie")
UI_WIDGET_KIND(Slider, &Widget(), "slider")
UI_WIDGET_KIND(TextWidget, &Widget(), "text_widget")
UI_WIDGET_KIND(WebView, &Widget(), "web_view")

#undef UI_WIDGET_KIND
