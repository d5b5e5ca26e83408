#pragma once
// ui/UIActionCallback.h: the pair through which every widget event and UI action is
// delivered.
#include "engine/KetrelTypes.h"

// Called as function(argument, context): the argument is the widget (or value) that
// fires the event, the context what was registered with the function. The result is
// ignored except by a timed sequence's start function, which returns 1.
typedef int (*CUIActionFunction)(void* argument, void* context);

struct CUIActionCallback
{
    CUIActionFunction function;   // null: no action
    void* context;

    bool IsSet() const { return function != nullptr; }
    // Calls the function when there is one; 0 otherwise.
    int Fire(void* argument) const { return function ? function(argument, context) : 0; }
    bool operator==(const CUIActionCallback& other) const
    { return function == other.function && context == other.context; }
};

inline CUIActionCallback MakeUIActionCallback(CUIActionFunction function, void* context)
{
    CUIActionCallback callback = {function, context};
    return callback;
}
