#pragma once
// A hardware renderer behind the drawing operations of IKetrelGraphicsContext.
// The application shell creates at most one, sets it up on its window, resizes
// it with the window, presents it once per frame and releases it with the
// window; while it exists it is the application's drawing target.
#include "engine/graphics/KetrelGraphicsContext.h"

class IKetrelApplication;

class IKetrelGraphicsExt : public IKetrelGraphicsContext
{
public:
    ~IKetrelGraphicsExt() override {}

    // Sets the renderer up on the owner's window. 1 on success; on any other
    // result the application shell deletes the renderer and draws into its
    // software back buffer instead.
    virtual int Create(IKetrelApplication* owner) = 0;
    // Size 0, then Shutdown.
    virtual void Release() = 0;
    // Shows the frame drawn since the last Present; 1 on success, else 0.
    virtual int Present() = 0;
    virtual int Resize(i32 width, i32 height) { (void)width; (void)height; return 1; }
    virtual void Shutdown() {}
    // Sets the renderer up again after its context was lost; 1 on success.
    virtual int Restore() { return 1; }
};
