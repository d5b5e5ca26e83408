#pragma once
// A receiver of engine notifications. The application shell derives from it and
// ignores every notification; subclasses may override OnNotify.
#include "engine/KetrelTypes.h"

class IKetrelNotify
{
public:
    virtual ~IKetrelNotify() {}
    // code names the event, argument is its value; neither is interpreted here.
    virtual void OnNotify(u32 code, u32 argument) = 0;
};
