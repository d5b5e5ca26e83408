#pragma once
// A tap of the first pointer button through XTest, as a finger gives it.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <unistd.h>

namespace e2e
{

// Moves to (x, y) of window (of the root window when 0), presses, holds across a few
// frames and lets go.
inline void FakeTap(Display* display, Window window, int x, int y)
{
    int rootX = x, rootY = y;
    Window child;
    if (window)
        XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY,
                              &child);
    XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
    XSync(display, False);
    usleep(30000);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XSync(display, False);
    usleep(80000);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    usleep(30000);
}

} // namespace e2e
