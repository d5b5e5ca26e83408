// ui/UIElementRegistry.cpp
#include "ui/UIElementRegistry.h"

#include "ui/WidgetType.h"

#include <cstring>

namespace
{
const char* const kBuiltinNames[CUIElementRegistry::BuiltinCount] = {
    "button",       "toggle_button", "image",          "gradient",      "text",
    "page_layout",  "page_button",   "slidearea",      "grid_layout",   "divider_layout",
    "ratio_layout", "aspect_layout", "anchor_layout",  "expand_layout", "frame",
    "infinite_list", "running_list", "web_button",     "slider",        "progressbar",
    "web_view",     "pie",           "rotating_image", "bubble"};

const CUIElementKind** Table()
{
    static const CUIElementKind* table[CUIElementRegistry::BuiltinCount] = {};
    return table;
}
}  // namespace

// Generated from the files of ui/elements/: runs each one's registration.
void UIRegisterElementKinds();

namespace
{
const CUIElementKind** Registered()
{
    static bool done = false;
    if (!done)
    {
        done = true;
        UIRegisterElementKinds();
    }
    return Table();
}
}  // namespace

const char* CUIElementRegistry::GetBuiltinName(i32 index)
{
    return (index >= 0 && index < BuiltinCount) ? kBuiltinNames[index] : nullptr;
}

i32 CUIElementRegistry::FindBuiltin(const char* name)
{
    if (!name)
        return -1;
    for (i32 i = 0; i < BuiltinCount; ++i)
        if (std::strcmp(kBuiltinNames[i], name) == 0)
            return i;
    return -1;
}

int CUIElementRegistry::Add(const CUIElementKind* kind)
{
    if (!kind || !kind->creator)
        return 0;
    const i32 index = FindBuiltin(kind->typeName);
    if (index < 0 || Table()[index])
        return 0;
    Table()[index] = kind;
    return 1;
}

const CUIElementKind* CUIElementRegistry::Find(const char* typeName)
{
    const i32 index = FindBuiltin(typeName);
    return index >= 0 ? Registered()[index] : nullptr;
}

const CUIElementKind* CUIElementRegistry::GetBuiltin(i32 index)
{
    return (index >= 0 && index < BuiltinCount) ? Registered()[index] : nullptr;
}

i32 CUIElementRegistry::GetRegisteredCount()
{
    i32 n = 0;
    for (i32 i = 0; i < BuiltinCount; ++i)
        n += Registered()[i] ? 1 : 0;
    return n;
}

const CUIElementKind* CUIElementRegistry::FindByKind(const CWidgetType& kind)
{
    for (i32 i = 0; i < BuiltinCount; ++i)
    {
        const CUIElementKind* k = Registered()[i];
        if (k && k->kind && k->kind().IsSameKind(kind))
            return k;
    }
    return nullptr;
}
