// The application shell on a private X server: the window and its properties,
// the close request, resizing, pointer and key input through XTest, focus, and
// the back buffer as the server shows it.
#include "KetrelRecordingApplication.h"

#include "engine/KetrelKeyCodes.h"
#include "engine/KetrelResult.h"
#include "support/KetrelTestXServer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

static ::testing::Environment* const g_xserver =
    ::testing::AddGlobalTestEnvironment(new CKetrelTestXServerEnvironment());

// These tests look at the software back buffer: an application that gives up its
// OpenGL ES renderer before its first window draws in software.
class CSoftwareApplication : public CKetrelRecordingApplication
{
public:
    CSoftwareApplication() { DestroyWindow(); }
};

#define REQUIRE_X()                                                                  \
    do                                                                               \
    {                                                                                \
        CKetrelTestXServer* server = CKetrelTestXServerEnvironment::Get();           \
        if (!server || !server->IsRunning())                                         \
            GTEST_SKIP() << "no X server";                                           \
    } while (0)

typedef std::vector<std::string> Calls;

static bool Contains(const Calls& calls, const std::string& call)
{
    for (const std::string& c : calls)
        if (c == call)
            return true;
    return false;
}

// Pixel of the window as the server holds it, 0xRRGGBB.
static unsigned long ServerPixel(Display* display, unsigned long window, int x, int y)
{
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0xDEADBEEF;
    unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

TEST(KetrelApplicationWindow, ClassSizeAndProtocols)
{
    REQUIRE_X();
    CSoftwareApplication app;
    ASSERT_EQ(KE_OK, app.CreateWindowed());
    Display* display = app.GetDisplay();
    Window window = app.GetWindow();
    ASSERT_NE(0u, window);

    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(Success, XGetWindowProperty(display, window, XA_WM_CLASS, 0, 64, False, XA_STRING,
                                          &type, &format, &count, &after, &data));
    ASSERT_EQ(15u, count);
    EXPECT_EQ(0, memcmp(data, "KetrelEngineApp", 15));
    XFree(data);

    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    EXPECT_EQ(800, attributes.width);
    EXPECT_EQ(480, attributes.height);

    Atom* protocols = nullptr;
    int protocolCount = 0;
    ASSERT_TRUE(XGetWMProtocols(display, window, &protocols, &protocolCount));
    ASSERT_EQ(1, protocolCount);
    EXPECT_EQ(XInternAtom(display, "WM_DELETE_WINDOW", False), protocols[0]);
    XFree(protocols);

    EXPECT_EQ(Calls{"create"}, app.Take());
    EXPECT_TRUE(app.IsActive());
    EXPECT_TRUE(app.HasWindow());
}

TEST(KetrelApplicationWindow, FullScreenRequestNamesTheWindow)
{
    REQUIRE_X();
    // The state atoms exist once some client has named them, as a window
    // manager does.
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(nullptr, other);
    Atom fullScreen = XInternAtom(other, "_NET_WM_STATE_FULLSCREEN", False);
    XSync(other, False);

    CSoftwareApplication app;
    app.SetApplicationName(CKetrelString("Wobblix"));
    ASSERT_EQ(KE_OK, app.CreateWindowed(800, 480, 0));
    Display* display = app.GetDisplay();
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    ASSERT_EQ(Success, XGetWindowProperty(display, app.GetWindow(), state, 0, 8, False, XA_ATOM,
                                          &type, &format, &count, &after, &data));
    ASSERT_EQ(1u, count);
    EXPECT_EQ(fullScreen, ((Atom*)data)[0]);
    XFree(data);

    char* name = nullptr;
    ASSERT_TRUE(XFetchName(display, app.GetWindow(), &name));
    EXPECT_STREQ("Wobblix", name);
    XFree(name);
    XCloseDisplay(other);
}

TEST(KetrelApplicationWindow, FailedOnCreateTearsTheWindowDown)
{
    REQUIRE_X();
    CSoftwareApplication app;
    app.onCreateResult = KE_ERR_FORMAT;
    EXPECT_EQ(KE_ERR_FORMAT, app.CreateWindowed());
    EXPECT_EQ((Calls{"create", "destroy"}), app.Take());
    EXPECT_FALSE(app.HasWindow());
    EXPECT_FALSE(app.IsActive());
    EXPECT_EQ(0u, app.GetWindow());
    EXPECT_EQ(KE_ERR_FORMAT, IKetrelApplication::GetLastCreateResult());

    EXPECT_EQ(KE_ERR_ARGUMENT, app.Create(0, nullptr));
}

// The window manager's close request: OnDestroy, then Run returns 0, and an
// event queued behind the request reaches no hook.
TEST(KetrelApplicationWindow, CloseFromWindowManagerEndsRun)
{
    REQUIRE_X();
    CSoftwareApplication app;
    ASSERT_EQ(KE_OK, app.CreateWindowed());
    app.Take();

    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(nullptr, other);
    XEvent close;
    memset(&close, 0, sizeof(close));
    close.xclient.type = ClientMessage;
    close.xclient.window = app.GetWindow();
    close.xclient.message_type = XInternAtom(other, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = (long)XInternAtom(other, "WM_DELETE_WINDOW", False);
    XSendEvent(other, app.GetWindow(), False, NoEventMask, &close);
    XEvent press;
    memset(&press, 0, sizeof(press));
    press.xbutton.type = ButtonPress;
    press.xbutton.window = app.GetWindow();
    press.xbutton.button = 1;
    press.xbutton.x = 5;
    press.xbutton.y = 5;
    XSendEvent(other, app.GetWindow(), False, ButtonPressMask, &press);
    XSync(other, False);

    EXPECT_EQ(0, app.Run());
    EXPECT_EQ(Calls{"destroy"}, app.Take());
    EXPECT_FALSE(app.HasWindow());
    EXPECT_FALSE(app.IsRunning());
    XCloseDisplay(other);
}

// SIGTERM goes through Quit, so OnDestroy still runs, also while the window
// is inactive.
TEST(KetrelApplicationWindow, SignalEndsRunThroughQuit)
{
    REQUIRE_X();
    IKetrelApplication::InstallQuitSignals();
    CSoftwareApplication app;
    ASSERT_EQ(KE_OK, app.CreateWindowed());
    XEvent out;
    memset(&out, 0, sizeof(out));
    out.xfocus.type = FocusOut;
    app.HandleXEvent(&out);
    app.Take();
    raise(SIGTERM);
    EXPECT_EQ(0, app.Run());
    EXPECT_EQ(Calls{"destroy"}, app.Take());
    EXPECT_FALSE(app.HasWindow());
    signal(SIGTERM, SIG_DFL);
}

// An application that quits from inside a frame while an input event waits.
class CQuitInFrameApplication : public CSoftwareApplication
{
public:
    void OnFrame() override
    {
        XEvent press;
        memset(&press, 0, sizeof(press));
        press.xbutton.type = ButtonPress;
        press.xbutton.window = GetWindow();
        press.xbutton.button = 1;
        XSendEvent(GetDisplay(), GetWindow(), False, ButtonPressMask, &press);
        XSync(GetDisplay(), False);
        Quit();
    }
};

TEST(KetrelApplicationWindow, NothingIsDispatchedAfterQuit)
{
    REQUIRE_X();
    CQuitInFrameApplication app;
    ASSERT_EQ(KE_OK, app.CreateWindowed());
    app.Take();
    EXPECT_EQ(0, app.Run());
    EXPECT_EQ(Calls{"destroy"}, app.Take());
    // Without a window, dispatch does nothing at all.
    app.DispatchPointerEvent(CKetrelPointerEvent{KE_EVENT_POINTER_DOWN, 0, 10, 10});
    EXPECT_TRUE(app.Take().empty());
    EXPECT_EQ(0u, app.GetPointerButtons());
}

TEST(KetrelApplicationWindow, ResizeReachesOnResizeAndRemakesTheBackBuffer)
{
    REQUIRE_X();
    CSoftwareApplication app;
    ASSERT_EQ(KE_OK, app.CreateWindowed());
    app.Pump();
    app.Take();
    XResizeWindow(app.GetDisplay(), app.GetWindow(), 641, 300);
    app.Pump();
    EXPECT_TRUE(Contains(app.Take(), "resize 641 300"));
    // An odd width gives a back buffer one pixel narrower.
    EXPECT_EQ(640, app.GetBackBuffer()->GetWidth());
    EXPECT_EQ(300, app.GetBackBuffer()->GetHeight());

    // The new buffer is the one presented.
    app.fillColour = 0xFF00FF00;
    app.Tick();
    EXPECT_EQ(0x00FF00u, ServerPixel(app.GetDisplay(), app.GetWindow(), 639, 299));
}

// A protocol error is logged; the default handler would end the process.
TEST(KetrelApplicationWindow, XErrorsAreLoggedNotFatal)
{
    REQUIRE_X();
    CSoftwareApplication app;
    ASSERT_EQ(KE_OK, app.CreateWindowed());
    ::testing::internal::CaptureStderr();
    XMapWindow(app.GetDisplay(), 0x7FFFFFF);      // no such window
    XSync(app.GetDisplay(), False);
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, log.find("X error")) << log;
    app.Tick();                                   // still drawing
    EXPECT_TRUE(app.HasWindow());
}

TEST(KetrelApplicationWindow, OddWidthGivesAnEvenBackBuffer)
{
    REQUIRE_X();
    CSoftwareApplication app;
    ASSERT_EQ(KE_OK, app.CreateWindowed(801, 480));
    EXPECT_EQ(800, app.GetBackBuffer()->GetWidth());
    EXPECT_EQ(480, app.GetBackBuffer()->GetHeight());
    EXPECT_EQ(7, app.GetPixelFormat());
    EXPECT_TRUE(app.IsLandscape());
}

// What the frame draws is what the server shows, in the right colours.
TEST(KetrelApplicationBackBuffer, PresentedPixelsReadBack)
{
    REQUIRE_X();
    struct Case { const char* name; u32 colour; unsigned long shown; };
    const Case cases[] = {
        {"red", 0xFFFF0000, 0xFF0000},
        {"green", 0xFF00FF00, 0x00FF00},
        {"blue", 0xFF0000FF, 0x0000FF},
        {"mixed", 0xFF123456, 0x123456},
    };
    CSoftwareApplication app;
    ASSERT_EQ(KE_OK, app.CreateWindowed());
    for (const Case& c : cases)
    {
        app.fillColour = c.colour;
        app.Tick();
        EXPECT_EQ(c.shown, ServerPixel(app.GetDisplay(), app.GetWindow(), 5, 5)) << c.name;
        EXPECT_EQ(c.shown, ServerPixel(app.GetDisplay(), app.GetWindow(), 799, 479)) << c.name;
    }
    // The colours in memory stay in the surface's own order after a present.
    u32 word = 0;
    memcpy(&word, app.GetBackBuffer()->Lock(nullptr, 1), 4);
    EXPECT_EQ(0xFF563412u, word);
}

static XEvent FocusEvent(int type, Window window)
{
    XEvent event;
    memset(&event, 0, sizeof(event));
    event.xfocus.type = type;
    event.xfocus.window = window;
    event.xfocus.mode = NotifyNormal;
    event.xfocus.detail = NotifyNonlinear;
    return event;
}

TEST(KetrelApplicationFocus, FocusChangesActivityAndClearsState)
{
    REQUIRE_X();
    CSoftwareApplication app;
    ASSERT_EQ(KE_OK, app.CreateWindowed());
    app.fillColour = 0xFFFFFFFF;
    app.Tick();
    app.DispatchPointerEvent(CKetrelPointerEvent{KE_EVENT_POINTER_DOWN, 0, 1, 1});
    app.Take();

    XEvent out = FocusEvent(FocusOut, app.GetWindow());
    EXPECT_EQ(1, app.HandleXEvent(&out));
    EXPECT_FALSE(app.IsActive());
    EXPECT_EQ(0u, app.GetPointerButtons());
    EXPECT_EQ(0u, app.GetBackBuffer()->GetPixel(3, 3) & 0xFFFFFF);
    app.HandleXEvent(&out);                      // already inactive: no second call
    XEvent in = FocusEvent(FocusIn, app.GetWindow());
    app.HandleXEvent(&in);
    EXPECT_TRUE(app.IsActive());
    EXPECT_EQ((Calls{"active 0", "active 1"}), app.Take());

    // While paused every event is consumed without effect.
    app.SetPaused(1);
    EXPECT_EQ(0, app.HandleXEvent(&out));
    EXPECT_TRUE(app.IsActive());
    EXPECT_TRUE(app.Take().empty());
}

// The dispatcher's rules, one record after another.
TEST(KetrelApplicationPointer, DispatchRules)
{
    REQUIRE_X();
    struct Step { const char* name; CKetrelPointerEvent event; Calls calls; u32 mask; };
    const Step steps[] = {
        {"first press", {800, 0, 10, 20}, {"down 0 10 20", "downrel 0 0.0125 0.0417"}, 1},
        {"second press ignored", {800, 0, 11, 21}, {}, 1},
        {"move of a held button", {802, 0, 40, 48}, {"move 0 40 48", "moverel 0 0.0500 0.1000"}, 1},
        {"release", {801, 0, 400, 240}, {"up 0 400 240", "uprel 0 0.5000 0.5000"}, 0},
        {"release of a free button ignored", {801, 0, 1, 1}, {}, 0},
        {"move without the button counts as its press", {802, 0, 8, 8}, {"down 0 8 8"}, 1},
        {"the next move is a move", {802, 0, 9, 9}, {"move 0 9 9", "moverel 0 0.0113 0.0188"}, 1},
        {"second button", {800, 2, 0, 0}, {"down 2 0 0", "downrel 2 0.0000 0.0000"}, 5},
        {"button 40 has no bit", {800, 40, 1, 1}, {"down 40 1 1", "downrel 40 0.0012 0.0021"}, 5},
    };
    CSoftwareApplication app;
    ASSERT_EQ(KE_OK, app.CreateWindowed());
    app.Take();
    for (const Step& s : steps)
    {
        app.DispatchPointerEvent(s.event);
        EXPECT_EQ(s.calls, app.Take()) << s.name;
        EXPECT_EQ(s.mask, app.GetPointerButtons()) << s.name;
    }
    EXPECT_EQ(1, app.GetLastPointerX());
}

TEST(KetrelApplicationPointer, XTestPressMoveAndRelease)
{
    REQUIRE_X();
    CSoftwareApplication app;
    ASSERT_EQ(KE_OK, app.CreateWindowed());
    Display* display = app.GetDisplay();
    app.Pump();
    app.Take();
    // Without a window manager the window sits at (0, 0) of the screen.
    XTestFakeMotionEvent(display, 0, 10, 20, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeMotionEvent(display, 0, 30, 40, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XTestFakeMotionEvent(display, 0, 50, 60, CurrentTime);   // no button: dropped
    app.Pump();
    EXPECT_EQ((Calls{"down 0 10 20", "downrel 0 0.0125 0.0417", "move 0 30 40",
                     "moverel 0 0.0375 0.0833", "up 0 30 40", "uprel 0 0.0375 0.0833"}),
              app.Take());

    // Motion while only the second X button is held arrives as a press of button 0.
    XTestFakeButtonEvent(display, 2, True, CurrentTime);
    XTestFakeMotionEvent(display, 0, 70, 80, CurrentTime);
    XTestFakeMotionEvent(display, 0, 71, 81, CurrentTime);
    XTestFakeButtonEvent(display, 2, False, CurrentTime);
    app.Pump();
    EXPECT_EQ((Calls{"down 1 50 60", "downrel 1 0.0625 0.1250", "down 0 70 80", "move 0 71 81",
                     "moverel 0 0.0887 0.1688", "up 1 71 81", "uprel 1 0.0887 0.1688"}),
              app.Take());
}

TEST(KetrelApplicationKeys, XTestKeysReachTheHooks)
{
    REQUIRE_X();
    CSoftwareApplication app;
    ASSERT_EQ(KE_OK, app.CreateWindowed());
    Display* display = app.GetDisplay();
    // Keys follow the pointer when no window manager sets the focus.
    XTestFakeMotionEvent(display, 0, 100, 100, CurrentTime);
    app.Pump();
    app.Take();

    KeyCode enter = XKeysymToKeycode(display, XK_KP_Enter);
    KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    KeyCode a = XKeysymToKeycode(display, XK_a);
    KeyCode escape = XKeysymToKeycode(display, XK_Escape);
    ASSERT_NE(0, enter);
    ASSERT_NE(0, a);

    XTestFakeKeyEvent(display, enter, True, CurrentTime);
    app.Pump();
    EXPECT_EQ(128, app.GetKeyState(KE_KEY_ENTER));
    XTestFakeKeyEvent(display, enter, False, CurrentTime);
    app.Pump();
    EXPECT_EQ(0, app.GetKeyState(KE_KEY_ENTER));
    EXPECT_EQ((Calls{"key ff0d", "char 13"}), app.Take());

    XTestFakeKeyEvent(display, shift, True, CurrentTime);
    XTestFakeKeyEvent(display, a, True, CurrentTime);
    app.Pump();
    EXPECT_EQ(128, app.GetKeyState(KE_KEY_LSHIFT));
    EXPECT_EQ(128, app.GetKeyState(KE_KEY_A));
    XTestFakeKeyEvent(display, a, False, CurrentTime);
    XTestFakeKeyEvent(display, shift, False, CurrentTime);
    XTestFakeKeyEvent(display, escape, True, CurrentTime);
    XTestFakeKeyEvent(display, escape, False, CurrentTime);
    app.Pump();
    EXPECT_EQ((Calls{"key ffe1", "key 61", "char 65", "key ff1b", "char 27"}), app.Take());
    EXPECT_EQ(0, app.GetKeyState(KE_KEY_A));
}

TEST(KetrelApplicationKeys, DispatchedKeyRecords)
{
    REQUIRE_X();
    CSoftwareApplication app;
    ASSERT_EQ(KE_OK, app.CreateWindowed());
    app.Take();
    app.DispatchKeyEvent(CKetrelKeyEvent{KE_EVENT_KEY_DOWN, 'q', 0});
    EXPECT_EQ(128, app.GetKeyState(KE_KEY_A + ('q' - 'a')));
    app.DispatchKeyEvent(CKetrelKeyEvent{KE_EVENT_CHAR, 0, 0xE9});
    app.DispatchKeyEvent(CKetrelKeyEvent{KE_EVENT_KEY_UP, 'q', 0});
    app.DispatchKeyEvent(CKetrelKeyEvent{KE_EVENT_KEY_DOWN, 'Q', 0});   // no code: slot 255
    app.DispatchKeyEvent(CKetrelKeyEvent{499, 'q', 0});
    EXPECT_EQ(0, app.GetKeyState(KE_KEY_A + ('q' - 'a')));
    EXPECT_EQ(128, app.GetKeyState(KE_KEY_NONE));
    EXPECT_EQ((Calls{"key 71", "char 233", "key 51"}), app.Take());
}

// ---------------------------------------------------------------------------
// Services that need no window

TEST(KetrelApplicationServices, RandomIntStaysInItsInclusiveRange)
{
    REQUIRE_X();
    CSoftwareApplication app;
    app.SeedRandom(7);
    bool seen[3] = {false, false, false};
    for (int i = 0; i < 300; i++)
    {
        EXPECT_EQ(3, app.RandomInt(3, 3));
        i32 v = app.RandomInt(-1, 1);
        ASSERT_GE(v, -1);
        ASSERT_LE(v, 1);
        seen[v + 1] = true;
        f32 f = app.RandomFloat(2.0f, 4.0f);
        ASSERT_GE(f, 2.0f);
        ASSERT_LE(f, 4.0f);
        i32 wide = app.RandomInt(INT_MIN, INT_MAX);   // no overflow, no division by 0
        (void)wide;
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2]);
    EXPECT_EQ(5, app.RandomInt(5, 4));               // an empty range gives its minimum
}

static std::string Narrow(const CKetrelString& text)
{
    std::string out;
    for (i32 i = 0; i < text.GetLength(); i++)
        out += (char)text.GetAt(i);
    return out;
}

TEST(KetrelApplicationServices, Folders)
{
    REQUIRE_X();
    CSoftwareApplication app;
    CKetrelString dir;
    ASSERT_EQ(1, app.GetExecutableDir(dir));
    std::string exeDir = Narrow(dir);
    ASSERT_FALSE(exeDir.empty());
    EXPECT_EQ('/', exeDir.back());

    CKetrelString path;
    app.GetAppFilePath(path, CKetrelString("\\x.png"));
    EXPECT_EQ(exeDir + "x.png", Narrow(path));
    app.GetAppFilePath(path, CKetrelString("y.png"));
    EXPECT_EQ(exeDir + "y.png", Narrow(path));

    // Unusual characters become '_' and are never seen by a shell.
    char name[64];
    snprintf(name, sizeof(name), "Ketrel Test;$(x) %d", (int)getpid());
    app.SetApplicationName(CKetrelString(name));
    app.GetUserDataPath(path, CKetrelString("a.dat"));
    std::string folder = Narrow(path);
    folder = folder.substr(0, folder.size() - strlen("/a.dat"));
    char expected[64];
    snprintf(expected, sizeof(expected), "/.Ketrel_Test___x__%d", (int)getpid());
    ASSERT_GE(folder.size(), strlen(expected));
    EXPECT_EQ(expected, folder.substr(folder.size() - strlen(expected)));
    struct stat st;
    EXPECT_EQ(0, stat(folder.c_str(), &st));
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    rmdir(folder.c_str());
}

TEST(KetrelApplicationServices, ErrorCodeText)
{
    CKetrelString text;
    IKetrelApplication::FormatErrorCode(9, text);
    EXPECT_EQ("Error: 9", Narrow(text));
    IKetrelApplication::FormatErrorCode(-3, text);
    EXPECT_EQ("Error: -3", Narrow(text));
}

TEST(KetrelApplicationServices, DefaultPaletteAndNearestColours)
{
    REQUIRE_X();
    CSoftwareApplication app;
    u8* lookup = app.GetColorLookup();
    ASSERT_NE(nullptr, lookup);
    const u32* palette = app.GetPalette();
    ASSERT_NE(nullptr, palette);
    struct Entry { int index; u32 rgb; };
    const Entry entries[] = {
        {0, 0x000000}, {0xFF, 0xFFFFFF}, {0xE0, 0xFF0000}, {0x1C, 0x00FF00}, {0x03, 0x0000FF},
        {0x25, 0x242455}, {0x92, 0x9191AA},
    };
    for (const Entry& e : entries)
        EXPECT_EQ(e.rgb, palette[e.index]) << e.index;

    struct Nearest { const char* name; u32 rgb; int index; };
    const Nearest nearest[] = {
        {"exact white", 0xFFFFFF, 0xFF}, {"exact black", 0x000000, 0},
        {"alpha byte ignored", 0xAAFF0000, 0xE0}, {"near red", 0xF01010, 0xE0},
        {"near black", 0x000020, 0x00}, {"tie keeps the first", 0x001200, 0x00},
    };
    for (const Nearest& n : nearest)
        EXPECT_EQ(n.index, IKetrelApplication::FindNearestPaletteIndex(palette, n.rgb)) << n.name;
    EXPECT_EQ(0xFF, lookup[0xFFF]);
    EXPECT_EQ(0, lookup[0x000]);
    EXPECT_EQ(0xE0, lookup[0xF00]);

    u32 grey[256];
    for (int i = 0; i < 256; i++)
        grey[i] = (u32)i * 0x010101;
    ASSERT_EQ(KE_OK, app.BuildPalette(grey));
    EXPECT_EQ(0x808080u, app.GetPalette()[0x80]);
    EXPECT_EQ(0x10, app.GetColorLookup()[0x111]);
}

TEST(KetrelApplicationServices, DisplayModes)
{
    REQUIRE_X();
    CKetrelDisplayMode mode;
    memset(&mode, 0x55, sizeof(mode));
    IKetrelApplication::GetDefaultDisplayMode(&mode);
    EXPECT_EQ(800, mode.width);
    EXPECT_EQ(480, mode.height);
    EXPECT_EQ(7, mode.pixelFormat);
    EXPECT_EQ(0, mode.windowed);
    EXPECT_EQ(0u, mode.flags);

    CSoftwareApplication app;
    CKetrelPtrArray list;
    app.EnumerateDisplayModes(&list);
    ASSERT_EQ(2, list.GetCount());
    const CKetrelDisplayMode* whole = (const CKetrelDisplayMode*)list.GetAt(1);
    EXPECT_EQ(XDisplayWidth(app.GetDisplay(), 0), whole->width);
    EXPECT_EQ(XDisplayHeight(app.GetDisplay(), 0), whole->height);
    for (i32 i = 0; i < list.GetCount(); i++)
        delete (CKetrelDisplayMode*)list.GetAt(i);
    list.RemoveAll();
}

// An idle run loop waits between its frames instead of spinning, draws none of them,
// and a Wake from another thread (data for the next frame) runs that frame early.
class CIdleApplication : public CSoftwareApplication
{
public:
    std::vector<std::chrono::steady_clock::time_point> frameTimes;
    std::chrono::steady_clock::time_point quitAt;
    void OnFrame() override
    {
        CSoftwareApplication::OnFrame();
        frameTimes.push_back(std::chrono::steady_clock::now());
        if (frameTimes.back() >= quitAt)
            Quit();
    }
};

TEST(KetrelApplicationWindow, IdleLoopWaitsAndWakesForData)
{
    REQUIRE_X();
    CIdleApplication app;
    ASSERT_EQ(KE_OK, app.CreateWindowed());
    app.SetFramePacing(2, 0);                    // idle from the start
    const auto start = std::chrono::steady_clock::now();
    app.quitAt = start + std::chrono::milliseconds(450);
    std::thread waker([&app]() {
        std::this_thread::sleep_for(std::chrono::milliseconds(230));
        app.Wake();
    });
    EXPECT_EQ(0, app.Run());
    waker.join();
    // About ten idle frames a second: a spinning loop would run thousands.
    EXPECT_GE(app.frameTimes.size(), 3u);
    EXPECT_LE(app.frameTimes.size(), 12u);
    for (size_t i = 1; i < app.drawn.size(); ++i)
        EXPECT_EQ(0, app.drawn[i]) << "frame " << i;
    // The wake ended a wait: some frame began less than an idle period after the one
    // before it.
    bool early = false;
    for (size_t i = 1; i < app.frameTimes.size(); ++i)
        early = early || app.frameTimes[i] - app.frameTimes[i - 1] <
                             std::chrono::milliseconds(CKetrelFramePacer::IDLE_UPDATE_MS - 20);
    EXPECT_TRUE(early);
}
