#pragma once
// framework/BrixNotification.h
#include "engine/KetrelTypes.h"

class IBrixFrameworkHost;

// The base of the overlays that float above the state list (the toast, the
// advertisement). The application updates, draws and offers input to them in a fixed
// order, and deletes one that reports IsFinished. Main thread only.
class CBrixNotification
{
public:
    CBrixNotification() : m_app(nullptr), m_finished(0) {}
    virtual ~CBrixNotification() {}

    // Keeps the application (not owned). 1.
    virtual int Init(IBrixFrameworkHost* app);
    virtual void Release() {}
    virtual i32 OnScreenSizeChanged(i32 width, i32 height);
    // Screen pixels; non-zero when the overlay took the event. The base takes them all.
    virtual i32 OnPointerDown(i32 pointer, i32 x, i32 y);
    virtual i32 OnPointerUp(i32 pointer, i32 x, i32 y);
    virtual i32 OnPointerMove(i32 pointer, i32 x, i32 y);
    virtual void Finish() { m_finished = 1; }
    virtual i32 IsFinished() { return m_finished; }
    virtual void Render() {}
    virtual void Update(f32 dt);   // seconds

    IBrixFrameworkHost* GetApplication() const { return m_app; }

protected:
    IBrixFrameworkHost* m_app;   // not owned; null before Init
    i32 m_finished;
};
