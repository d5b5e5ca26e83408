#include "engine/KetrelApplication.h"

#include "engine/KetrelResult.h"
#include "engine/KetrelRunnable.h"
#include "engine/KetrelThread.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <gtk/gtk.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <poll.h>
#include <unistd.h>
#include <sys/eventfd.h>
#include <sys/ipc.h>
#include <sys/shm.h>

struct IKetrelApplication::TimerRecord
{
    CKetrelTimer timer;
    u32 id;
    u32 lastFire;        // ms of the record's own timer
    u32 interval;        // ms
};

static volatile sig_atomic_t g_quitRequested = 0;
static int g_lastCreateResult = KE_OK;

// Set while a call whose X errors we want to see (XShmAttach) is in flight.
static volatile int g_trapXErrors = 0;
static volatile int g_trappedXError = 0;

// The default X error handler ends the process on any protocol error; one bad
// request must not take the game down, so errors are logged and ignored.
static int LogXError(Display* display, XErrorEvent* error)
{
    if (g_trapXErrors)
    {
        g_trappedXError = error->error_code;
        return 0;
    }
    char text[128];
    XGetErrorText(display, error->error_code, text, sizeof(text));
    fprintf(stderr, "X error: %s (request %d.%d)\n", text, error->request_code,
            error->minor_code);
    return 0;
}

// An 8-bit copy of a string, for Xlib and GTK. The caller deletes it.
static char* NewNarrow(const CKetrelString& text)
{
    int size = text.ToNarrow(nullptr);
    char* out = new char[size > 0 ? size + 1 : 1];
    out[0] = 0;
    if (size > 0)
        text.ToNarrow(out);
    return out;
}

static int BytesPerPixelOf(i32 format)
{
    switch (format)
    {
    case 1: return 1;
    case 2: case 3: case 4: return 2;
    case 5: return 3;
    case 6: case 7: return 4;
    default: return 0;
    }
}

// ---------------------------------------------------------------------------

IKetrelApplication::IKetrelApplication()
    : m_frameDelta(1e-5f), m_window(0), m_presentHook(nullptr), m_active(0),
      m_windowExists(0), m_callOnCreate(1), m_pacingMode(0), m_pacingValue(10),
      m_pacingStart(0), m_throttled(0), m_drawFrame(1), m_drawLatched(0), m_woken(0), m_wakeFd(-1), m_palette(nullptr), m_colorLookup(nullptr),
      m_runWalkNext(0), m_runWalkEnd(0),
      m_buttonMask(0), m_pointerX(0), m_pointerY(0), m_running(0), m_display(nullptr),
      m_screen(0), m_image(nullptr), m_gc(nullptr), m_wmDeleteWindow(0), m_eventMask(0),
      m_graphicsExt(nullptr), m_paused(0), m_shmInfo(nullptr), m_shmAttached(0), m_swapRedBlue(0),
      m_drawPixels(nullptr)
{
    memset(&m_mode, 0, sizeof(m_mode));
    memset(m_keyStates, 0, sizeof(m_keyStates));
    m_frameTimer.Init(0);
    m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);

    if (!gtk_init_check(nullptr, nullptr))
        fprintf(stderr, "GTK could not be initialised (no display?)\n");
    m_display = XOpenDisplay(nullptr);
    if (!m_display)
    {
        fprintf(stderr, "The X display \"%s\" cannot be opened\n",
                getenv("DISPLAY") ? getenv("DISPLAY") : "");
        return;
    }
    XSetErrorHandler(LogXError);
    m_screen = DefaultScreen(m_display);
    // The OpenGL ES 2.0 renderer is the drawing target from Create on. Only an
    // application without it (after DestroyWindow) draws into the back buffer.
    m_graphicsExt = new (std::nothrow) CKetrelGraphicsExt_GLES2();
}

IKetrelApplication::~IKetrelApplication()
{
    DestroyWindow();
    ReleaseBackBuffer();
    if (m_display)
        XCloseDisplay(m_display);
    m_display = nullptr;
    if (m_wakeFd >= 0)
        close(m_wakeFd);
    m_wakeFd = -1;
}

void IKetrelApplication::OnNotify(u32, u32) {}
void IKetrelApplication::OnPointerDown(i32, i32, i32) {}
void IKetrelApplication::OnPointerDownRelative(i32, const CKetrelVector2&) {}
void IKetrelApplication::OnPointerMove(i32, i32, i32) {}
void IKetrelApplication::OnPointerMoveRelative(i32, const CKetrelVector2&) {}
void IKetrelApplication::OnPointerUp(i32, i32, i32) {}
void IKetrelApplication::OnPointerUpRelative(i32, const CKetrelVector2&) {}
int IKetrelApplication::OnCreate() { return KE_OK; }
void IKetrelApplication::OnDestroy() {}
void IKetrelApplication::OnKeyDown(u32) {}
void IKetrelApplication::OnChar(u32) {}
void IKetrelApplication::OnTimer(u32) {}

int IKetrelApplication::GetLastCreateResult() { return g_lastCreateResult; }
void IKetrelApplication::SetLastCreateResult(int result) { g_lastCreateResult = result; }

void IKetrelApplication::RequestQuit()
{
    g_quitRequested = 1;
}

static void OnQuitSignal(int)
{
    IKetrelApplication::RequestQuit();
}

void IKetrelApplication::InstallQuitSignals()
{
    struct sigaction action;
    memset(&action, 0, sizeof(action));
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a sleep of the run loop ends early and the quit is seen.
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// ---------------------------------------------------------------------------
// Window

void IKetrelApplication::GetDefaultDisplayMode(CKetrelDisplayMode* mode)
{
    if (!mode)
        return;
    mode->width = 800;
    mode->height = 480;
    mode->pixelFormat = 7;
    mode->reserved = 0;
    mode->windowed = 0;
    mode->flags = 0;
}

void IKetrelApplication::EnumerateDisplayModes(CKetrelPtrArray* list)
{
    if (!list)
        return;
    CKetrelDisplayMode* small = new CKetrelDisplayMode;
    GetDefaultDisplayMode(small);
    small->windowed = 0;
    list->Add(small);
    CKetrelDisplayMode* whole = new CKetrelDisplayMode;
    GetDefaultDisplayMode(whole);
    if (m_display)
    {
        whole->width = XDisplayWidth(m_display, m_screen);
        whole->height = XDisplayHeight(m_display, m_screen);
    }
    list->Add(whole);
}

void IKetrelApplication::SetApplicationName(const CKetrelString& name)
{
    m_name = name;
    if (!m_display || !m_window)
        return;
    char* text = NewNarrow(m_name);
    XSetStandardProperties(m_display, m_window, text, text, 0, nullptr, 0, nullptr);
    XStoreName(m_display, m_window, text);
    delete[] text;
}

int IKetrelApplication::Create(i32 reserved, CKetrelDisplayMode* mode)
{
    if (!mode)
    {
        g_lastCreateResult = KE_ERR_ARGUMENT;
        return KE_ERR_ARGUMENT;
    }
    if (!m_display)
    {
        g_lastCreateResult = KE_ERR_DEVICE;
        return KE_ERR_DEVICE;
    }
    if (m_name.IsEmpty())
        SetApplicationName(CKetrelString("KetrelApplication"));

    Window root = RootWindow(m_display, m_screen);
    const int fullScreen = mode->windowed == 0;
    m_eventMask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                  PointerMotionMask | ExposureMask | StructureNotifyMask |
                  SubstructureNotifyMask | FocusChangeMask;
    if (fullScreen)
        m_eventMask |= PropertyChangeMask;

    XWindowAttributes rootAttributes;
    memset(&rootAttributes, 0, sizeof(rootAttributes));
    XGetWindowAttributes(m_display, root, &rootAttributes);
    XSetWindowAttributes attributes;
    memset(&attributes, 0, sizeof(attributes));
    attributes.event_mask = m_eventMask;
    Window window;
    if (!fullScreen)
    {
        attributes.colormap = DefaultColormap(m_display, m_screen);
        window = XCreateWindow(m_display, root, 0, 0, (unsigned)mode->width,
                               (unsigned)mode->height, 0, DefaultDepth(m_display, 0),
                               InputOutput, rootAttributes.visual,
                               CWEventMask | CWBorderPixel | CWColormap, &attributes);
    }
    else
    {
        window = XCreateWindow(m_display, root, 0, 0, (unsigned)mode->width,
                               (unsigned)mode->height, 0, rootAttributes.depth, InputOutput,
                               rootAttributes.visual, CWEventMask, &attributes);
    }
    if (!window)
    {
        g_lastCreateResult = KE_ERR_DEVICE;
        return KE_ERR_DEVICE;
    }

    static const char kClass[] = "KetrelEngineApp";
    XChangeProperty(m_display, window, XA_WM_CLASS, XA_STRING, 8, PropModeReplace,
                    (const unsigned char*)kClass, 15);
    m_wmDeleteWindow = XInternAtom(m_display, "WM_DELETE_WINDOW", False);
    Atom protocols = m_wmDeleteWindow;
    XSetWMProtocols(m_display, window, &protocols, 1);

    char* name = NewNarrow(m_name);
    if (!fullScreen)
    {
        XSetStandardProperties(m_display, window, name, name, 0, nullptr, 0, nullptr);
        XMapRaised(m_display, window);
    }
    else
    {
        Atom fullScreenAtom = XInternAtom(m_display, "_NET_WM_STATE_FULLSCREEN", True);
        if (fullScreenAtom)
        {
            Atom state = XInternAtom(m_display, "_NET_WM_STATE", False);
            XChangeProperty(m_display, window, state, XA_ATOM, 32, PropModeReplace,
                            (const unsigned char*)&fullScreenAtom, 1);
            XStoreName(m_display, window, name);
            XEvent event;
            memset(&event, 0, sizeof(event));
            event.xclient.type = ClientMessage;
            event.xclient.window = window;
            event.xclient.message_type = state;
            event.xclient.format = 32;
            event.xclient.data.l[0] = 1;             // add
            event.xclient.data.l[1] = (long)fullScreenAtom;
            XSendEvent(m_display, root, False, SubstructureNotifyMask, &event);
        }
    }
    delete[] name;

    XMapWindow(m_display, window);
    XWMHints hints;
    memset(&hints, 0, sizeof(hints));
    hints.flags = InputHint;
    hints.input = True;
    XSetWMHints(m_display, window, &hints);
    m_gc = DefaultGC(m_display, m_screen);

    if (fullScreen)
    {
        Atom nonComposited = XInternAtom(m_display, "_HILDON_NON_COMPOSITED_WINDOW", True);
        if (nonComposited)
        {
            long one = 1;
            XChangeProperty(m_display, window, nonComposited, XA_CARDINAL, 32,
                            PropModeReplace, (const unsigned char*)&one, 1);
        }
    }

    mode->flags |= KE_DISPLAY_OWN_WINDOW;
    m_callOnCreate = 1;
    int result = CreateOnWindow(reserved, mode, window);
    if (result != KE_OK)
        g_lastCreateResult = result;
    return result;
}

int IKetrelApplication::CreateOnWindow(i32 reserved, CKetrelDisplayMode* mode,
                                       unsigned long window)
{
    (void)reserved;
    if (!mode)
        return KE_ERR_ARGUMENT;
    if (!m_display)
        return KE_ERR_DEVICE;
    m_mode = *mode;
    m_window = window;
    if (m_name.IsEmpty() && (m_mode.flags & KE_DISPLAY_OWN_WINDOW))
        SetApplicationName(CKetrelString("KetrelEngine"));

    i32 format = m_mode.pixelFormat;
    if (format == 0)
    {
        format = 7;
        if (m_mode.windowed == 0)
            m_mode.pixelFormat = 7;
    }
    UpdateWindowRect();
    int result;
    if (m_graphicsExt)
    {
        // Without OpenGL ES (no EGL for this display, or a built-in program that
        // does not build) the application cannot draw: the failure goes back to
        // the caller. The extension stays until DestroyWindow releases it.
        result = m_graphicsExt->Create(this);
        if (result == KE_OK)
            result = m_graphicsExt->Resize(m_mode.width, m_mode.height);
        if (result != KE_OK)
            fprintf(stderr, "OpenGL ES 2.0 cannot be started (%d)\n", result);
    }
    else
    {
        result = CreateBackBuffer(format);
    }
    if (result != KE_OK)
        return result;

    if (m_callOnCreate)
    {
        if (GetPixelFormat() == 1)
            BuildPalette(nullptr);
        result = OnCreate();
        if (result != KE_OK)
        {
            OnDestroy();
            DestroyWindow();
            return result;
        }
    }
    m_frameTimer.Mark();
    SeedRandomFromClock();
    m_windowExists = 1;
    if (!m_active)
    {
        m_active = 1;
        ClearInputState();
        m_frameTimer.Mark();
    }
    return KE_OK;
}

void IKetrelApplication::UpdateWindowRect()
{
    if (!m_display || !m_window)
        return;
    Window root;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(m_display, m_window, &root, &x, &y, &width, &height, &border, &depth))
        return;
    m_clientRect.Set(0, 0, (i32)width, (i32)height);
    m_windowRect.Set(x, y, x + (i32)width, y + (i32)height);
}

IKetrelGraphicsContext* IKetrelApplication::GetGraphicsContext()
{
    if (m_graphicsExt)
        return m_graphicsExt;
    return &m_backBuffer;
}

i32 IKetrelApplication::GetPixelFormat()
{
    i32 format = GetGraphicsContext()->GetPixelFormat();
    return format == 0 ? 7 : format;
}

i32 IKetrelApplication::IsLandscape()
{
    IKetrelGraphicsContext* context = GetGraphicsContext();
    return context->GetWidth() > context->GetHeight() ? 1 : 0;
}

void IKetrelApplication::ClearInputState()
{
    memset(m_keyStates, 0, sizeof(m_keyStates));
    m_buttonMask = 0;
}

void IKetrelApplication::Deactivate()
{
    if (!m_active)
        return;
    GetGraphicsContext()->FillRect(0, nullptr);
    m_active = 0;
    ClearInputState();
    m_frameTimer.Mark();
}

void IKetrelApplication::DestroyWindow()
{
    m_windowExists = 0;
    Deactivate();
    if (m_graphicsExt)
    {
        m_graphicsExt->Release();
        delete m_graphicsExt;
        m_graphicsExt = nullptr;
    }
    m_backBuffer.Release();
    ReleaseBackBuffer();
    m_presentHook = nullptr;
    if (m_window)
    {
        m_running = 0;
        m_gc = nullptr;
    }
    m_window = 0;
    memset(&m_mode, 0, sizeof(m_mode));
    delete[] m_palette;
    m_palette = nullptr;
    delete[] m_colorLookup;
    m_colorLookup = nullptr;
    for (i32 i = 0; i < m_timers.GetCount(); i++)
    {
        TimerRecord* record = (TimerRecord*)m_timers.GetAt(i);
        record->timer.Stop();
        delete record;
    }
    m_timers.RemoveAll();
    for (i32 i = 0; i < m_runnables.GetCount(); i++)
        ((IKetrelRunnable*)m_runnables.GetAt(i))->SetRegistered(0);
    m_runnables.RemoveAll();
    m_runWalkEnd = 0;   // a walk under way ends here
}

void IKetrelApplication::Quit()
{
    if (m_mode.flags & KE_DISPLAY_OWN_WINDOW)
    {
        Deactivate();
        OnDestroy();
        DestroyWindow();
        m_running = 0;
    }
    else
    {
        OnDestroy();
        DestroyWindow();
    }
}

void IKetrelApplication::Close()
{
    OnDestroy();
    DestroyWindow();
}

// ---------------------------------------------------------------------------
// Back buffer

void IKetrelApplication::ReleaseBackBuffer()
{
    XShmSegmentInfo* info = (XShmSegmentInfo*)m_shmInfo;
    if (info && m_shmAttached && m_display)
    {
        XShmDetach(m_display, info);
        XSync(m_display, False);
    }
    if (m_image)
    {
        if (info)
        {
            // The segment and its record are not XDestroyImage's to free.
            m_image->data = nullptr;
            m_image->obdata = nullptr;
        }
        XDestroyImage(m_image);          // frees a plain image's pixels
        m_image = nullptr;
    }
    if (info)
    {
        if (info->shmaddr)
            shmdt(info->shmaddr);
        delete info;
    }
    m_shmInfo = nullptr;
    m_shmAttached = 0;
    delete[] m_drawPixels;
    m_drawPixels = nullptr;
    m_swapRedBlue = 0;
}

// Makes the image over a new shared-memory segment; false when the server
// cannot attach it (another machine, or another IPC namespace).
bool IKetrelApplication::CreateSharedImage(i32 width, i32 height, size_t size)
{
    if (!XShmQueryExtension(m_display))
        return false;
    XShmSegmentInfo* info = new XShmSegmentInfo;
    memset(info, 0, sizeof(*info));
    m_shmInfo = info;
    info->shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (info->shmid < 0)
    {
        ReleaseBackBuffer();
        return false;
    }
    void* address = shmat(info->shmid, nullptr, 0);
    // The segment goes away once every side has detached from it.
    if (address == (void*)-1)
    {
        shmctl(info->shmid, IPC_RMID, nullptr);
        ReleaseBackBuffer();
        return false;
    }
    info->shmaddr = (char*)address;
    info->readOnly = True;
    memset(address, 0xFF, size);
    m_image = XShmCreateImage(m_display, DefaultVisual(m_display, m_screen),
                              (unsigned)DefaultDepth(m_display, 0), ZPixmap, info->shmaddr,
                              info, (unsigned)width, (unsigned)height);
    // Attach errors come back asynchronously; trap them over a round trip.
    g_trappedXError = 0;
    g_trapXErrors = 1;
    Status attached = m_image ? XShmAttach(m_display, info) : 0;
    XSync(m_display, False);
    g_trapXErrors = 0;
    shmctl(info->shmid, IPC_RMID, nullptr);
    m_shmAttached = attached && !g_trappedXError;
    if (!m_shmAttached)
    {
        ReleaseBackBuffer();
        return false;
    }
    return true;
}

int IKetrelApplication::CreateBackBuffer(i32 pixelFormat)
{
    if (!m_display || !m_window)
        return KE_ERR_DEVICE;
    i32 width = m_clientRect.Width() & ~1;
    i32 height = m_clientRect.Height();
    if (m_mode.width == 0)
        m_mode.width = width;
    if (m_mode.height == 0)
        m_mode.height = height;
    if (m_image && m_backBuffer.GetWidth() == width && m_backBuffer.GetHeight() == height)
        return KE_OK;

    const int bytesPerPixel = BytesPerPixelOf(pixelFormat);
    const i32 rowSize = width * bytesPerPixel;
    const size_t size = (size_t)rowSize * (size_t)height;
    if (size == 0)
        return KE_ERR_DEVICE;

    // The old buffer goes first: a resize must not leave its segment behind.
    m_backBuffer.Release();
    ReleaseBackBuffer();
    m_presentHook = nullptr;

    Visual* visual = DefaultVisual(m_display, m_screen);
    if (!CreateSharedImage(width, height, size))
    {
        char* pixels = (char*)malloc(size);
        if (!pixels)
            return KE_ERR_DEVICE;
        memset(pixels, 0xFF, size);
        m_image = XCreateImage(m_display, visual, (unsigned)DefaultDepth(m_display, 0), ZPixmap,
                               0, pixels, (unsigned)width, (unsigned)height, 32, rowSize);
        if (!m_image)
        {
            free(pixels);
            return KE_ERR_DEVICE;
        }
    }
    // The server reads the pixels in the visual's layout: only a format with
    // the image's row size can be shown.
    if (m_image->bytes_per_line != rowSize)
    {
        ReleaseBackBuffer();
        return KE_ERR_DEVICE;
    }
    // Formats 6 and 7 differ only in the order of red and blue; the visual
    // decides which one the server expects.
    m_swapRedBlue = (pixelFormat == 7 && visual->red_mask == 0xFF0000) ||
                    (pixelFormat == 6 && visual->red_mask == 0xFF);
    void* pixels = m_image->data;
    if (m_swapRedBlue)
    {
        // The surface then draws in memory of its own, and each present
        // copies it to the image with red and blue exchanged.
        m_drawPixels = new (std::nothrow) u32[size / 4];
        if (!m_drawPixels)
        {
            ReleaseBackBuffer();
            return KE_ERR_MEMORY;
        }
        pixels = m_drawPixels;
    }

    CKetrelSurfaceDesc desc;
    memset(&desc, 0, sizeof(desc));
    desc.width = width;
    desc.height = height;
    desc.pitch = rowSize;
    desc.pixelFormat = pixelFormat;
    desc.bytesPerPixel = bytesPerPixel;
    int result = m_backBuffer.CreateFromBuffer(this, &desc, pixels);
    if (result != KE_OK)
    {
        ReleaseBackBuffer();
        return result;
    }
    m_backBuffer.FillRect(0, nullptr);
    m_presentHook = &IKetrelApplication::PresentBackBuffer;
    return KE_OK;
}

// Whole words, so that the compiler turns the loop into vector code.
static void CopySwappingRedBlue(u32* to, const u32* from, size_t count)
{
    for (size_t i = 0; i < count; i++)
    {
        const u32 v = from[i];
        to[i] = (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
    }
}

void IKetrelApplication::PresentBackBuffer()
{
    if (!m_image || !m_display || !m_window)
        return;
    const i32 width = m_backBuffer.GetWidth();
    const i32 height = m_backBuffer.GetHeight();
    if (m_drawPixels)
        CopySwappingRedBlue((u32*)m_image->data, m_drawPixels, (size_t)width * (size_t)height);
    if (m_shmAttached)
        XShmPutImage(m_display, m_window, (GC)m_gc, m_image, 0, 0, 0, 0, (unsigned)width,
                     (unsigned)height, False);
    else
        XPutImage(m_display, m_window, (GC)m_gc, m_image, 0, 0, 0, 0, (unsigned)width,
                  (unsigned)height);
    // The server has read the image once the round trip returns.
    XSync(m_display, False);
}

void IKetrelApplication::Present()
{
    if (m_graphicsExt)
        m_graphicsExt->Present();
    else if (m_presentHook)
        (this->*m_presentHook)();
}

// ---------------------------------------------------------------------------
// Focus, resize, graphics

void IKetrelApplication::SetActive(i32 active)
{
    if ((active != 0) == (m_active != 0))
        return;
    if (!active)
        GetGraphicsContext()->FillRect(0, nullptr);
    m_active = active;
    ClearInputState();
    m_frameTimer.Mark();
}

int IKetrelApplication::RestoreGraphics(i32 argument)
{
    (void)argument;
    if (!m_graphicsExt)
        return KE_OK;
    return m_graphicsExt->Restore();
}

void IKetrelApplication::OnResize(i32 width, i32 height)
{
    UpdateWindowRect();
    if (m_graphicsExt)
    {
        m_graphicsExt->Resize(width, height);
        return;
    }
    m_mode.width = width;
    m_mode.height = height;
    CreateBackBuffer(m_backBuffer.GetPixelFormat());
}

// ---------------------------------------------------------------------------
// Run loop

bool IKetrelApplication::WaitForXEvents(i32 ms, bool withWake)
{
    // An inactive or idle window still answers at once to the events that wake it;
    // an active one also to data that worker threads hand to the next frame.
    struct pollfd p[2] = {{ConnectionNumber(m_display), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    withWake = withWake && m_wakeFd >= 0;
    if (poll(p, withWake ? 2 : 1, ms) > 0 && withWake && (p[1].revents & POLLIN))
    {
        eventfd_t count;
        eventfd_read(m_wakeFd, &count);
        return true;
    }
    return false;
}

void IKetrelApplication::Wake()
{
    if (m_wakeFd >= 0)
        eventfd_write(m_wakeFd, 1);
}

u32 IKetrelApplication::FrameWaitMs()
{
    if (m_pacingMode != 2 || !m_window || m_woken)
        return 0;
    const u32 now = (u32)m_frameTimer.GetNowMs();
    if (CKetrelFramePacer::TakeScreenActivity())
        m_pacer.NoteActivity(now);
    if (CKetrelFramePacer::TakeScreenStep())
        m_pacer.RequestDraw();
    const CKetrelFramePacer::Step step = m_pacer.Next(now);
    if (step.runFrame)
        return 0;
    u32 wait = step.waitMs;
    // A timer due before the next frame shortens the wait.
    for (i32 i = 0; i < m_timers.GetCount(); i++)
    {
        TimerRecord* record = (TimerRecord*)m_timers.GetAt(i);
        const u32 due = record->lastFire + record->interval - (u32)record->timer.GetNowMs();
        if ((i32)due <= 0)
            return 0;
        if (due < wait)
            wait = due;
    }
    return wait;
}

int IKetrelApplication::Run()
{
    m_running = 1;
    if (!m_display)
    {
        m_running = 0;
        return 0;
    }
    for (;;)
    {
        // Checked before every event: nothing reaches the hooks after a quit.
        while (m_running && !g_quitRequested && XPending(m_display))
        {
            XEvent event;
            XNextEvent(m_display, &event);
            HandleXEvent(&event);
        }
        if (g_quitRequested)
        {
            g_quitRequested = 0;
            if (m_windowExists)
                Quit();
            m_running = 0;
        }
        if (!m_running)
            return 0;
        if (m_active)
        {
            const u32 wait = FrameWaitMs();
            if (wait > 0)
            {
                // Data for the next frame runs it once the events are in.
                if (WaitForXEvents((i32)wait, true))
                    m_woken = 1;
            }
            else
            {
                m_woken = 0;
                Tick();
            }
        }
        else
        {
            Present();
            WaitForXEvents(2000, false);
        }
    }
}

void IKetrelApplication::UpdateFrameTime()
{
    m_frameTimer.Update();
    f32 delta = m_frameTimer.GetDeltaSeconds();
    m_frameDelta = delta > 1.0f ? 1.0f : delta;
    m_frameTimer.Mark();
}

void IKetrelApplication::Tick()
{
    if (!m_active || !m_windowExists)
        return;

    const u32 frameStart = (u32)m_frameTimer.GetNowMs();
    m_drawLatched = 0;
    if (m_pacingMode == 2)
    {
        if (CKetrelFramePacer::TakeScreenActivity())
            m_pacer.NoteActivity(frameStart);
        if (CKetrelFramePacer::TakeScreenStep())
            m_pacer.RequestDraw();
        m_drawFrame = m_pacer.IsDrawing(frameStart) ? 1 : 0;
        m_throttled = m_pacer.IsIdle(frameStart) ? 1 : 0;
    }
    else
    {
        m_drawFrame = 1;
    }

    for (i32 i = 0; i < m_timers.GetCount(); i++)
    {
        TimerRecord* record = (TimerRecord*)m_timers.GetAt(i);
        u32 now = (u32)record->timer.GetNowMs();
        if (now >= record->lastFire + record->interval)
        {
            record->lastFire = now;
            ResetIdleTimer();
            OnTimer(record->id);
            break;
        }
    }

    UpdateFrameTime();
    // The delta of this frame in whole ms, before clamping, for mode-1 pacing.
    const i32 frameMs = m_frameTimer.GetDeltaMs();

    // The walk's place and end are members that RemoveRunnable moves: a runnable that
    // removes itself or another one leaves every other its turn, and one added during
    // the walk first runs in the next frame, so none runs twice in a frame.
    const f32 delta = m_frameDelta;
    m_runWalkEnd = m_runnables.GetCount();
    for (m_runWalkNext = 0; m_runWalkNext < m_runWalkEnd && m_runWalkNext < m_runnables.GetCount();)
        ((IKetrelRunnable*)m_runnables.GetAt(m_runWalkNext++))->Run(delta);
    m_runWalkNext = 0;
    m_runWalkEnd = 0;

    if (!m_paused)
    {
        OnFrame();
        // Only what the frame decided when it drew: activity noted after that point
        // must not present a picture that was never drawn.
        if (m_active && m_windowExists && m_drawFrame)
            Present();
    }

    if (m_pacingMode == 1)
    {
        if (m_pacingValue - frameMs > 0)
            IKetrelThread::Sleep((u32)(m_pacingValue - frameMs));
    }
    else if (m_pacingMode == 2)
    {
        // No sleep here: the run loop waits for input or for the next frame's
        // time, whichever comes first.
        m_pacer.FrameRan(frameStart, m_drawFrame);
    }
}

void IKetrelApplication::AddRunnable(IKetrelRunnable* runnable)
{
    if (!runnable)
        return;
    runnable->SetRegistered(1);
    m_runnables.Add(runnable);
}

void IKetrelApplication::RemoveRunnable(IKetrelRunnable* runnable)
{
    for (i32 i = 0; i < m_runnables.GetCount(); i++)
    {
        if (m_runnables.GetAt(i) == runnable)
        {
            runnable->SetRegistered(0);
            m_runnables.RemoveAt(i);
            // Inside Tick's walk (the end is 0 outside it): the entries after i moved
            // down by one.
            if (i < m_runWalkEnd)
            {
                --m_runWalkEnd;
                if (i < m_runWalkNext)
                    --m_runWalkNext;
            }
            return;
        }
    }
}

void IKetrelApplication::AddTimer(u32 id, u32 intervalMs)
{
    TimerRecord* record = new TimerRecord;
    record->timer.Init(0);
    record->id = id;
    record->interval = intervalMs;
    record->lastFire = (u32)record->timer.GetNowMs();
    m_timers.Add(record);
}

void IKetrelApplication::RemoveTimer(u32 id)
{
    for (i32 i = 0; i < m_timers.GetCount(); i++)
    {
        TimerRecord* record = (TimerRecord*)m_timers.GetAt(i);
        if (record->id == id)
        {
            record->timer.Stop();
            delete record;
            m_timers.RemoveAt(i);
            return;
        }
    }
}

void IKetrelApplication::SetFramePacing(i32 mode, i32 value)
{
    m_pacingMode = mode;
    m_pacingValue = mode == 0 ? 10 : value;
    m_pacingStart = (u32)m_frameTimer.GetNowMs();
    m_throttled = 0;
    m_pacer.Start((u32)m_pacingValue, m_pacingStart);
}

void IKetrelApplication::ResetIdleTimer()
{
    if (!m_window || m_pacingMode != 2)
        return;
    // The frame clock is left alone: idle frames kept running, so the time since
    // the last one is real time that the game's fixed steps must see.
    m_pacingStart = (u32)m_frameTimer.GetNowMs();
    m_pacer.NoteActivity(m_pacingStart);
    m_throttled = 0;
    if (!m_drawLatched)
        m_drawFrame = 1;
}

i32 IKetrelApplication::IsDrawFrame()
{
    if (!m_drawLatched && !m_drawFrame && m_pacingMode == 2 &&
        CKetrelFramePacer::TakeScreenActivity())
        ResetIdleTimer();
    // A step noted during the frame is drawn by it, the idle countdown left running.
    if (!m_drawLatched && m_pacingMode == 2 && CKetrelFramePacer::TakeScreenStep())
        m_drawFrame = 1;
    m_drawLatched = 1;
    return m_drawFrame;
}
