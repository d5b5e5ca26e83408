#pragma once
// ui/UIElementRegistry.h: the element kinds that UI documents can name. Each kind
// registers itself from its own source file (UI_REGISTER_ELEMENT): the "$type" name
// of its elements, the widget kind its creator builds, the creator, and its
// vocabulary (the attributes and child elements the creator reads). The UI loader
// builds its creator table from this registry without naming the widget classes.
//
// Sources that register kinds live in ui/elements/: each <Name>.cpp defines its
// registration with UI_ELEMENT_SOURCE(<Name>) { CUIElementRegistry::Add(...); }.
// The registry runs every one of them before its first answer.
#include "engine/KetrelTypes.h"
#include "ui/UIActionCallback.h"
#include "ui/UIElementCreator.h"

class CWidget;
class CWidgetType;

// The events an "events" block can bind, in the order the loader compares them.
enum EUIElementEvent
{
    UI_EVENT_VALUE_CHANGED,   // "onvaluechanged", sliders
    UI_EVENT_CLICK,           // "onclick", buttons
    UI_EVENT_LOAD_ITEM,       // "onloaditem", infinite lists
    UI_EVENT_FORGET_ITEM,     // "onforgetitem"
    UI_EVENT_LOAD_ITEM_BATCH, // "onloaditembatch"
    UI_EVENT_LOAD_GROUP,      // "onloadgroup"
    UI_EVENT_BEGIN_EXPAND,    // "onbeginexpand", expandables
    UI_EVENT_END_EXPAND,      // "onendexpand"
    UI_EVENT_BEGIN_SCROLL,    // "onbeginscroll", slide areas, grids and lists
    UI_EVENT_END_SCROLL,      // "onendscroll"
    UI_EVENT_SHOW,            // "onshow", every widget
    UI_EVENT_HIDE,            // "onhide"
    UI_EVENT_CLONE,           // "onclone"
    UI_EVENT_CLONED,          // "oncloned"
    UI_EVENT_STARTUP,         // "onstartup"
    UI_EVENT_SHUTDOWN,        // "onshutdown"
    UI_EVENT_CHANGED,         // "onchanged", text widgets
    UI_EVENT_FINISHED,        // "onfinished"
    UI_EVENT_COUNT
};

struct CUIElementKind
{
    const char* typeName;                 // "$type" of the elements, e.g. "button"
    const CWidgetType& (*kind)();         // the kind the creator builds; null: builds nothing
    CUIElementCreator creator;            // may return null: the element is skipped
    // Names the creator reads directly below the element ("$keep_aspect", "image"...),
    // ending with null. The common part of every element is known to the loader.
    const char* const* vocabulary;
    // Stores the callback of a kind-specific event on w (already checked to be of the
    // event's kind); false when this kind has no such event. The loader asks the
    // registered kinds along w's kind chain, nearest first. May be null.
    bool (*bindEvent)(CWidget* w, EUIElementEvent event, const CUIActionCallback& callback);
};

class CUIElementRegistry
{
public:
    // The 24 built-in "$type" names, in the order the loader registers them.
    enum { BuiltinCount = 24 };
    static const char* GetBuiltinName(i32 index);
    // Index of name among the built-in names, or -1.
    static i32 FindBuiltin(const char* name);

    // Registers a kind (the record must live for the whole process); called by the
    // sources of ui/elements/. 1; 0 when the name is not a built-in one, is already
    // registered or the creator is null.
    static int Add(const CUIElementKind* kind);
    // The registered kind of that built-in name, or null when it has not registered.
    static const CUIElementKind* Find(const char* typeName);
    static const CUIElementKind* GetBuiltin(i32 index);
    static i32 GetRegisteredCount();
    // The registered kind whose widget kind is exactly kind, or null.
    static const CUIElementKind* FindByKind(const CWidgetType& kind);
};

// Opens the registration function of the source ui/elements/<name>.cpp.
#define UI_ELEMENT_SOURCE(name) void UIRegisterElements_##name()
