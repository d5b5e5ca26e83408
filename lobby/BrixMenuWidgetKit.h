// lobby/BrixMenuWidgetKit.h: the small widget look-ups and setters that the lobby's pages
// share. Each finds a widget by name below a given one and does nothing when it is missing
// or of another kind.
#pragma once
#include "engine/KetrelString.h"
#include "ui/Expandable.h"
#include "ui/TextWidget.h"
#include "ui/ToggleButton.h"
#include "ui/Widget.h"

namespace BrixMenuKit
{

inline CKetrelString Text(const char* s) { return CKetrelString(s); }

// The first widget named name anywhere below w; null for a null w.
inline CWidget* Child(const CWidget* w, const char* name)
{
    return w ? w->FindChild(Text(name), -1) : nullptr;
}

// The expandable row that holds w: w itself, or the nearest expandable above it.
inline CExpandable* RowOf(CWidget* w)
{
    if (CExpandable* e = CExpandable::Cast(w))
        return e;
    return CExpandable::FindAncestor(w);
}

inline void SetTextOf(CWidget* under, const char* name, const CKetrelString& text)
{
    if (CTextWidget* t = CTextWidget::Cast(Child(under, name)))
        t->SetText(text);
}

inline void SetNumberOf(CWidget* under, const char* name, i32 value)
{
    CKetrelString s;
    s.Format(L"%d", value);
    SetTextOf(under, name, s);
}

inline void SetVisibleOf(CWidget* under, const char* name, bool visible)
{
    if (CWidget* w = Child(under, name))
        w->SetVisible(visible);
}

inline void SetToggledOf(CWidget* under, const char* name, bool toggled)
{
    if (CToggleButton* t = CToggleButton::Cast(Child(under, name)))
        t->SetToggled(toggled);
}

}  // namespace BrixMenuKit
