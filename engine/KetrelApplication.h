#pragma once
// The engine's application shell on X11 and GTK+ 2: one window, a drawing target
// (the graphics extension when there is one, else a software back buffer in X
// shared memory), the X event loop that turns events into input hooks, and the
// frame loop: one due timer, the frame time, per-frame runnables, OnFrame,
// presentation and frame pacing. Applications derive from it and override the
// hooks; everything here runs on the main thread and nothing is locked.
#include "engine/KetrelFramePacer.h"
#include "engine/KetrelNotify.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTimer.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"
#include "engine/graphics/KetrelSurface.h"

// Xlib's handle types, declared as Xlib declares them, so that this header does
// not bring Xlib's macros (None, Bool, Status, ...) into every user.
typedef struct _XDisplay Display;
typedef union _XEvent XEvent;
struct _XImage;

class IKetrelGraphicsContext;
class IKetrelGraphicsExt;
class IKetrelRunnable;

// Window settings. Copied by value.
struct CKetrelDisplayMode
{
    i32 width;
    i32 height;
    i32 pixelFormat;     // 1 to 7; 0 is read as 7
    i32 reserved;        // passed along, never read
    i32 windowed;        // 0 = full screen
    u32 flags;           // KE_DISPLAY_OWN_WINDOW when Create made the window
};

enum : u32 { KE_DISPLAY_OWN_WINDOW = 0x80000000u };

// Pointer and key event records handed to the dispatchers.
enum
{
    KE_EVENT_KEY_DOWN = 500, KE_EVENT_KEY_UP = 501, KE_EVENT_CHAR = 502,
    KE_EVENT_POINTER_DOWN = 800, KE_EVENT_POINTER_UP = 801, KE_EVENT_POINTER_MOVE = 802
};

struct CKetrelPointerEvent
{
    i32 type;            // KE_EVENT_POINTER_*
    i32 button;          // X button - 1; moves carry 0
    i32 x;               // window pixels
    i32 y;
};

struct CKetrelKeyEvent
{
    i32 type;            // KE_EVENT_KEY_DOWN, _UP or KE_EVENT_CHAR
    u32 keysym;          // X key symbol
    u32 character;
};

class IKetrelApplication : public IKetrelNotify
{
public:
    // Opens the X display and initialises GTK. When either fails the object
    // still exists, without a display, and Create returns KE_ERR_DEVICE.
    IKetrelApplication();
    virtual ~IKetrelApplication();       // DestroyWindow, then closes the display
    IKetrelApplication(const IKetrelApplication&) = delete;
    IKetrelApplication& operator=(const IKetrelApplication&) = delete;

    // ---- hooks, in the order of the engine's interface ----
    void OnNotify(u32 code, u32 argument) override;   // ignores everything
    virtual void Tick();                 // one frame; nothing unless active with a window
    virtual int HandleXEvent(XEvent* event);         // 1, or 0 while paused
    virtual void OnResize(i32 width, i32 height);
    virtual void OnPointerDown(i32 button, i32 x, i32 y);
    virtual void OnPointerDownRelative(i32 button, const CKetrelVector2& point);
    virtual void OnPointerMove(i32 button, i32 x, i32 y);
    virtual void OnPointerMoveRelative(i32 button, const CKetrelVector2& point);
    virtual void OnPointerUp(i32 button, i32 x, i32 y);
    virtual void OnPointerUpRelative(i32 button, const CKetrelVector2& point);
    // A change clears the key states and the button mask; deactivation also
    // clears the drawing target.
    virtual void SetActive(i32 active);
    virtual int RestoreGraphics(i32 argument);       // 1 without an extension
    virtual void OnFrame() = 0;
    virtual void UpdateFrameTime();      // frame delta in seconds, at most 1.0
    virtual int OnCreate();              // anything but 1 tears the window down
    virtual void OnDestroy();
    virtual void OnKeyDown(u32 keysym);
    virtual void OnChar(u32 character);
    virtual void OnTimer(u32 id);
    virtual int CreateBackBuffer(i32 pixelFormat);   // used only without an extension

    // ---- window ----
    // Makes a window on the root of the default screen and calls
    // CreateOnWindow. 2 for a null mode, 9 without a display; an extension's,
    // a back buffer's or OnCreate's failure is passed back.
    int Create(i32 reserved, CKetrelDisplayMode* mode);
    // Takes over an existing window (also the tail of Create).
    int CreateOnWindow(i32 reserved, CKetrelDisplayMode* mode, unsigned long window);
    // Ends the run loop for a window that Create made: OnDestroy, then
    // DestroyWindow. For a window given to CreateOnWindow: OnDestroy and
    // DestroyWindow only.
    void Quit();
    void Close();                        // OnDestroy, then DestroyWindow
    // Forgets the window and frees what the shell built on it (extension, back
    // buffer, palette, timers); runnables are unregistered, not deleted. The
    // X window itself is left to the display's closing.
    void DestroyWindow();

    static void GetDefaultDisplayMode(CKetrelDisplayMode* mode);  // 800 x 480, format 7, full screen
    // Appends two new records (800 x 480, and the whole display), both format
    // 7; the caller deletes them.
    void EnumerateDisplayModes(CKetrelPtrArray* list);

    void SetApplicationName(const CKetrelString& name);   // also retitles the window
    const CKetrelString& GetApplicationName() const { return m_name; }

    unsigned long GetWindow() const { return m_window; }
    Display* GetDisplay() const { return m_display; }
    // The extension when there is one, else the back buffer.
    IKetrelGraphicsContext* GetGraphicsContext();
    i32 GetPixelFormat();                // the drawing target's format; 7 for 0
    i32 IsLandscape();
    void UpdateWindowRect();             // re-reads the window geometry
    const CKetrelRect& GetClientRect() const { return m_clientRect; }
    const CKetrelRect& GetWindowRect() const { return m_windowRect; }
    CKetrelSurface* GetBackBuffer() { return &m_backBuffer; }

    // ---- run loop and frame services ----
    // Dispatches pending X events one at a time, then runs a frame; returns 0
    // once the running flag drops (quit, window closed, SIGINT or SIGTERM).
    int Run();
    // Registration does not transfer ownership. Either may be called from a Run: a
    // runnable removed before its turn in the frame does not run, one added first runs
    // in the next frame, and every other runs once.
    void AddRunnable(IKetrelRunnable* runnable);
    void RemoveRunnable(IKetrelRunnable* runnable);
    // At most one timer fires per frame, the first due one in list order; a
    // timer due every frame (interval below a frame's time) therefore keeps
    // the timers after it from firing.
    void AddTimer(u32 id, u32 intervalMs);
    void RemoveTimer(u32 id);
    // Mode 1: sleep towards a frame of value ms. Mode 2: frames start at most every
    // CKetrelFramePacer::MIN_FRAME_MS; after value ms without activity they stop
    // drawing and run every CKetrelFramePacer::IDLE_UPDATE_MS, the loop waiting for
    // input in between. Mode 0 and others: no pacing.
    void SetFramePacing(i32 mode, i32 value);
    // Mode 2: restarts the idle countdown; the frame being run, if any, draws.
    void ResetIdleTimer();
    // Whether the frame being run draws and presents. A screen activity noted
    // during the frame (CKetrelFramePacer::NoteScreenActivity) counts as activity
    // here, so that an update that changes the picture also draws it; a screen step
    // (NoteScreenStep) draws this frame without restarting the idle countdown. The
    // first answer of a frame holds for the rest of it; later activity draws the next one.
    i32 IsDrawFrame();
    // Any thread: ends the run loop's idle wait early (data arrived for the frame).
    void Wake();
    void SetPaused(i32 paused) { m_paused = paused; }
    i32 IsPaused() const { return m_paused; }
    f32 GetFrameDelta() const { return m_frameDelta; }
    i32 IsActive() const { return m_active; }
    i32 HasWindow() const { return m_windowExists; }
    i32 IsRunning() const { return m_running; }

    // ---- input state ----
    u8 GetKeyState(u32 code) const { return m_keyStates[code & 255]; }  // 128 while held
    u32 GetPointerButtons() const { return m_buttonMask; }
    i32 GetLastPointerX() const { return m_pointerX; }
    i32 GetLastPointerY() const { return m_pointerY; }
    // Both do nothing without a window.
    void DispatchPointerEvent(const CKetrelPointerEvent& event);
    void DispatchKeyEvent(const CKetrelKeyEvent& event);

    // ---- random numbers (rand and srand of the platform) ----
    i32 RandomInt(i32 min, i32 max);     // both ends included
    f32 RandomFloat(f32 min, f32 max);
    f64 RandomDouble(f64 min, f64 max);
    void SeedRandom(u32 seed);
    void SeedRandomFromClock();

    // ---- folders ----
    // The folder of the running executable, ending in '/'; 0 and out unchanged
    // when it cannot be read.
    int GetExecutableDir(CKetrelString& out);
    // Executable folder + name; a leading backslash of name is dropped.
    void GetAppFilePath(CKetrelString& out, const CKetrelString& name);
    // home + "/." + the name with every character but ASCII letters and digits
    // turned into '_' + "/" + name; the folder is created when missing.
    void GetUserDataPath(CKetrelString& out, const CKetrelString& name);

    // ---- errors ----
    // A modal GTK dialog; nothing for an empty message.
    void ShowErrorDialog(const CKetrelString& title, const CKetrelString& message);
    static void FormatErrorCode(i32 code, CKetrelString& out);   // "Error: %d"
    // The result of the last Create that failed in this process (KE_OK when
    // none did), so that the entry point can report why start-up failed.
    static int GetLastCreateResult();
    static void SetLastCreateResult(int result);

    // ---- 8-bit palette ----
    // Copies the 256 given 0x00RRGGBB entries, or builds the 3-3-2 default for
    // null, then fills the 4096-entry colour table. 7 when out of memory.
    int BuildPalette(const u32* palette);
    static u8 FindNearestPaletteIndex(const u32* palette, u32 rgb);
    u32* GetPalette() { return m_palette; }
    u8* GetColorLookup();                // built with the default palette on first use

    // ---- signals ----
    // Async-signal-safe: asks every running loop to quit through Quit, so that
    // OnDestroy runs. InstallQuitSignals routes SIGINT and SIGTERM here.
    static void RequestQuit();
    static void InstallQuitSignals();

protected:
    void PresentBackBuffer();
    void Present();                      // the extension's Present, else the present hook

private:
    struct TimerRecord;
    void ClearInputState();
    void Deactivate();                   // the deactivation part of Quit and a close
    void ReleaseBackBuffer();            // the shared segment or plain image, if any
    bool CreateSharedImage(i32 width, i32 height, size_t size);
    void HandleKeyPress(XEvent* event);
    void HandleClientMessage(XEvent* event);
    // True when Wake ended the wait.
    bool WaitForXEvents(i32 ms, bool withWake);
    // Mode 2: how long the loop waits for input before the next frame (0: run it
    // now): the rest of a drawn frame's period or of an idle frame's.
    u32 FrameWaitMs();

    CKetrelTimer m_frameTimer;
    f32 m_frameDelta;                    // seconds, initially 1e-5
    CKetrelRect m_clientRect;            // (0, 0, width, height)
    CKetrelRect m_windowRect;            // on the screen
    unsigned long m_window;              // 0 before a window exists
    CKetrelSurface m_surface;            // not drawn to by the shell
    CKetrelSurface m_backBuffer;         // drawing target without an extension
    void (IKetrelApplication::*m_presentHook)();
    CKetrelPtrArray m_timers;            // TimerRecord*, owned
    CKetrelDisplayMode m_mode;           // the mode the window was made with
    i32 m_active;
    i32 m_windowExists;
    i32 m_callOnCreate;
    i32 m_pacingMode;
    i32 m_pacingValue;                   // ms
    u32 m_pacingStart;                   // ms of the frame timer's clock
    i32 m_throttled;                     // mode 2: idle, frames do not draw
    CKetrelFramePacer m_pacer;           // mode 2
    i32 m_drawFrame;                     // the frame being run draws
    i32 m_drawLatched;                   // IsDrawFrame answered in this frame: fixed now
    i32 m_woken;                         // Wake ended a wait: the next frame runs now
    int m_wakeFd;                        // eventfd that Wake writes; -1 without one
    CKetrelString m_name;
    u32* m_palette;                      // 256 entries, null until built
    u8* m_colorLookup;                   // 4096 entries, null until built
    CKetrelPtrArray m_runnables;         // IKetrelRunnable*, not owned
    i32 m_runWalkNext;                   // Tick's walk of m_runnables: the next index
    i32 m_runWalkEnd;                    // and the end; 0 outside the walk
    u8 m_keyStates[256];                 // by engine key code, 128 = held
    u32 m_buttonMask;                    // bit n while button n is held
    i32 m_pointerX;
    i32 m_pointerY;
    i32 m_running;
    Display* m_display;
    i32 m_screen;
    struct _XImage* m_image;             // back buffer image, null without one
    void* m_gc;                          // X GC of the default screen
    unsigned long m_wmDeleteWindow;      // atom
    long m_eventMask;
    IKetrelGraphicsExt* m_graphicsExt;   // owned; null until an extension exists
    i32 m_paused;
    // Back buffer storage: an X shared-memory segment, or plain memory when
    // the server cannot share memory with us.
    void* m_shmInfo;                     // XShmSegmentInfo, owned; null without a segment
    i32 m_shmAttached;
    i32 m_swapRedBlue;                   // the visual orders red and blue the other way
    u32* m_drawPixels;                   // then the surface draws here, owned
};
