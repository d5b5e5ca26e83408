#pragma once
// framework/BrixState.h
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class IKetrelApplication;

// A screen state on the application's state list (intro, title, the lobby menu, the
// game). The application owns a pushed state: it calls Init when pushing, Activate when
// the state becomes first, Deactivate when another one takes the front, and Release and
// delete when the state reports IsFinished or at shut-down. SendToBack and Finish only
// raise flags; the application acts on them in its next frame. Main thread only.
//
// Input and focus operations return non-zero when they took the event, which keeps it
// from the states behind. The defaults return 1: a state takes every event it does not
// override. Update returns non-zero to keep the states behind it from being updated in
// that frame.
class IBrixState
{
public:
    IBrixState() : m_sentToBack(0), m_finished(0) {}
    virtual ~IBrixState() {}

    virtual int Init(IKetrelApplication* app) = 0;     // result code; not 1: deleted
    virtual void Release() = 0;
    virtual void Activate() = 0;
    virtual void Deactivate() = 0;
    virtual i32 Update(f32 dt) = 0;                     // dt in seconds
    virtual void Render() = 0;

    virtual void SendToBack() { m_sentToBack = 1; }
    virtual void ClearSendToBack() { m_sentToBack = 0; }
    virtual void Finish() { m_finished = 1; }
    virtual i32 IsSentToBack() { return m_sentToBack; }
    virtual i32 IsFinished() { return m_finished; }
    virtual void ClearFinished() { m_finished = 0; }

    virtual i32 OnScreenSizeChanged(i32 width, i32 height);
    virtual i32 OnFocusChanged(i32 active);
    virtual int ReloadGraphics();
    virtual int ReleaseGraphics();
    virtual i32 OnPointerDown(i32 pointer, i32 x, i32 y);   // screen pixels
    virtual i32 OnPointerMove(i32 pointer, i32 x, i32 y);
    virtual i32 OnPointerUp(i32 pointer, i32 x, i32 y);
    virtual i32 OnKeyDown(u32 keysym);                       // X key symbol
    virtual i32 OnChar(u32 character);
    virtual int OnLanguageChanged(const CKetrelString& code);

private:
    i32 m_sentToBack;   // 1: move me to the end of the list
    i32 m_finished;     // 1: remove and delete me
};
