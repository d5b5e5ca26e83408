#pragma once
// ui/WidgetType.h: the kind descriptors behind CWidget::GetType, IsKindOf and the
// per-class safe casts. One descriptor per kind for the whole process, made on the
// first call of its getter; compare kinds with IsKindOf or IsSameKind, never by
// address alone.
#include "engine/KetrelHashedString.h"
#include "engine/KetrelString.h"

class CWidget;

class CWidgetType
{
public:
    CWidgetType(const CWidgetType* parent, const CKetrelString& name);
    CWidgetType(const CWidgetType& other) = default;

    const CWidgetType* GetParent() const { return m_parent; }
    const CKetrelHashedString& GetName() const { return m_name; }

    // Equal parent pointers, hashes and texts.
    bool IsSameKind(const CWidgetType& other) const;
    // This kind is other or derives from it.
    bool IsKindOf(const CWidgetType& other) const;

    // The kinds of the toolkit (name, then parent):
    static const CWidgetType& Widget();         // "widget"
    static const CWidgetType& Image();          // "image", widget
    static const CWidgetType& Button();         // "button", image
    static const CWidgetType& ToggleButton();   // "toggle_button", button
    static const CWidgetType& PageButton();     // "page_button", toggle_button
    static const CWidgetType& Expandable();     // "expandable", button
    static const CWidgetType& Bubble();         // "bubble", button
    static const CWidgetType& WebButton();      // "web_button", button
    static const CWidgetType& Frame();          // "frame", image
    static const CWidgetType& Gradient();       // "gradient", image
    static const CWidgetType& ProgressBar();    // "progressbar", image
    static const CWidgetType& RotatingImage();  // "rotating_image", image
    static const CWidgetType& Layout();         // "layout", widget
    static const CWidgetType& Alignment();      // "alignment", layout
    static const CWidgetType& AspectLayout();   // "aspect_layout", layout
    static const CWidgetType& Divider();        // "divider", layout
    static const CWidgetType& RatioDivider();   // "ratio_divider_layout", layout
    static const CWidgetType& PageLayout();     // "page_layout", layout
    static const CWidgetType& SlideArea();      // "slide_area", layout
    static const CWidgetType& GridLayout();     // "grid_layout", slide_area
    static const CWidgetType& InfiniteList();   // "infinite_list", grid_layout
    static const CWidgetType& RunningList();    // "running_list", grid_layout
    static const CWidgetType& Pie();            // "pie", widget
    static const CWidgetType& Slider();         // "slider", widget
    static const CWidgetType& TextWidget();     // "text_widget", widget
    static const CWidgetType& WebView();        // "web_view", widget (no class has it)

private:
    const CWidgetType* m_parent;   // null only for "widget"
    CKetrelHashedString m_name;
};

// Down-cast helper for the per-class Cast functions: w when it is of the kind, else
// null (also for a null w).
template <class T>
T* WidgetCast(CWidget* w, const CWidgetType& kind);
