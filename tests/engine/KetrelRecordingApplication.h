#pragma once
// An application for tests: records every hook call as one line of text
// ("down 0 10 20", "downrel 0 0.0125 0.0417", "key ff0d", "char 65", ...),
// fills the drawing target with a set colour in OnFrame, and can fail OnCreate.
// Header only, so the folder's other test programs do not compile it.
// gtest before Xlib: Xlib's macros (None, Bool) would break gtest's headers.
#include <gtest/gtest.h>

#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <string>
#include <vector>

class CKetrelRecordingApplication : public IKetrelApplication
{
public:
    std::vector<std::string> calls;
    int onCreateResult = KE_OK;
    int frames = 0;
    std::vector<int> drawn;              // IsDrawFrame of each frame, in order
    u32 fillColour = 0xFF000000;
    bool quitInFrame = false;            // Quit from inside OnFrame
    bool noteInFrame = false;            // a screen change noted before the draw check
    bool noteAfterCheck = false;         // and one noted after it
    bool stepInFrame = false;            // a screen step noted before the draw check

    void Record(const char* format, double a = 0, double b = 0, double c = 0)
    {
        char line[128];
        snprintf(line, sizeof(line), format, a, b, c);
        calls.push_back(line);
    }
    // Calls recorded since the last Take, then forgets them.
    std::vector<std::string> Take()
    {
        std::vector<std::string> out;
        out.swap(calls);
        return out;
    }

    int OnCreate() override
    {
        Record("create");
        return onCreateResult;
    }
    void OnDestroy() override { Record("destroy"); }
    void OnFrame() override
    {
        frames++;
        if (noteInFrame)
            CKetrelFramePacer::NoteScreenActivity();
        if (stepInFrame)
            CKetrelFramePacer::NoteScreenStep();
        drawn.push_back(IsDrawFrame());
        if (noteAfterCheck)
        {
            CKetrelFramePacer::NoteScreenActivity();
            ResetIdleTimer();
            drawn.back() = IsDrawFrame() * 10 + drawn.back();   // must not change
        }
        GetGraphicsContext()->FillRect(fillColour, nullptr);
        if (quitInFrame)
            Quit();
    }
    void OnResize(i32 width, i32 height) override
    {
        Record("resize %.0f %.0f", width, height);
        IKetrelApplication::OnResize(width, height);
    }
    void SetActive(i32 active) override
    {
        Record("active %.0f", active);
        IKetrelApplication::SetActive(active);
    }
    void OnPointerDown(i32 button, i32 x, i32 y) override { Record("down %.0f %.0f %.0f", button, x, y); }
    void OnPointerMove(i32 button, i32 x, i32 y) override { Record("move %.0f %.0f %.0f", button, x, y); }
    void OnPointerUp(i32 button, i32 x, i32 y) override { Record("up %.0f %.0f %.0f", button, x, y); }
    void OnPointerDownRelative(i32 button, const CKetrelVector2& p) override
    {
        Record("downrel %.0f %.4f %.4f", button, p.x, p.y);
    }
    void OnPointerMoveRelative(i32 button, const CKetrelVector2& p) override
    {
        Record("moverel %.0f %.4f %.4f", button, p.x, p.y);
    }
    void OnPointerUpRelative(i32 button, const CKetrelVector2& p) override
    {
        Record("uprel %.0f %.4f %.4f", button, p.x, p.y);
    }
    void OnKeyDown(u32 keysym) override
    {
        char line[32];
        snprintf(line, sizeof(line), "key %x", keysym);
        calls.push_back(line);
    }
    void OnChar(u32 character) override { Record("char %.0f", character); }
    void OnTimer(u32 id) override { Record("timer %.0f", id); }

    // Makes an 800 x 480 window (windowed unless told otherwise).
    int CreateWindowed(i32 width = 800, i32 height = 480, i32 windowed = 1)
    {
        CKetrelDisplayMode mode;
        GetDefaultDisplayMode(&mode);
        mode.width = width;
        mode.height = height;
        mode.windowed = windowed;
        return Create(0, &mode);
    }

    // Waits until the server has seen every request, then hands every queued
    // event to HandleXEvent as the run loop does. Returns the events handled.
    int Pump()
    {
        Display* display = GetDisplay();
        XSync(display, False);
        int handled = 0;
        while (XPending(display))
        {
            XEvent event;
            XNextEvent(display, &event);
            HandleXEvent(&event);
            handled++;
        }
        return handled;
    }
};
