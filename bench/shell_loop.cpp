// The application shell's run loop against a bare loop doing the same work, both on
// one private Xvfb, in the shell's two ways of presenting:
//   gl_frame_loop     as the program runs, with its OpenGL ES renderer: time per frame
//                     with an empty OnFrame (drain the X queue, swap the EGL buffers)
//                     against a bare Xlib + EGL loop;
//   gl_input_latency  the same two loops: time from an XTest button press (sent from
//                     a second connection) to OnPointerDown, each frame of both loops
//                     spending 1 ms on work of its own and then presenting;
//   frame_loop, input_latency   the same with an application made without the
//                     renderer, which presents its 800 x 480 back buffer through
//                     shared memory, against a bare Xlib shared-memory loop.
// Prints a table and one "BENCH <name> ratio=<r>" line per comparison measured, where
// r is our speed over the bare loop's (above 1 = faster); a comparison that could not
// be measured (no OpenGL ES, say) is named, and only then is the exit status non-zero.
#include "BenchEgl.h"
#include "BenchSupport.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"

#include <GLES2/gl2.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

using bench::NowUs;
using bench::StartXvfb;

static const int kFrames = 2000;
static const int kSamples = 400;
static const int kWidth = 800;
static const int kHeight = 480;
// In the latency runs every frame of both loops spends this long on work of
// its own, as a real frame does; a loop that never lets the server idle
// measures the server's scheduling instead of its own reaction.
static const int kFrameWorkUs = 1000;



// Sends button presses from its own connection, as another client would.
class CInjector
{
public:
    CInjector() : m_display(XOpenDisplay(nullptr)) {}
    ~CInjector()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    bool Ok() const { return m_display != nullptr; }
    void PointAt(int x, int y)
    {
        XTestFakeMotionEvent(m_display, 0, x, y, CurrentTime);
        XSync(m_display, False);
    }
    double Click()
    {
        double t0 = NowUs();
        XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
        XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
        XFlush(m_display);
        return t0;
    }

private:
    Display* m_display;
};

// ---------------------------------------------------------------------------
// Ours

class CLoopApplication : public IKetrelApplication
{
public:
    int frames = 0;
    int frameLimit = 0;
    CInjector* injector = nullptr;
    bool waiting = false;
    double sentAt = 0;
    std::vector<double> latencies;

    void OnFrame() override
    {
        frames++;
        if (injector)
        {
            usleep(kFrameWorkUs);
            if (!waiting && (int)latencies.size() < kSamples)
            {
                sentAt = injector->Click();
                waiting = true;
            }
            if ((int)latencies.size() >= kSamples)
                Quit();
        }
        else if (frames >= frameLimit)
        {
            Quit();
        }
    }
    void OnPointerDown(i32, i32, i32) override
    {
        latencies.push_back(NowUs() - sentAt);
        waiting = false;
    }
};

// Without the renderer (`software`) the shell presents its back buffer: format 6 is
// the X visual's own layout, so the present is the bare loop's one shared-memory put;
// format 7 (the default) adds the colour-order copy.
static bool MakeOurs(CLoopApplication& app, bool software, i32 pixelFormat = 7)
{
    if (software)
        app.DestroyWindow();   // before any window: drops the OpenGL ES renderer
    CKetrelDisplayMode mode;
    IKetrelApplication::GetDefaultDisplayMode(&mode);
    mode.windowed = 1;
    mode.pixelFormat = pixelFormat;
    return app.Create(0, &mode) == KE_OK;
}

static double OurFrameUs(bool software, i32 pixelFormat)
{
    CLoopApplication app;
    app.frameLimit = kFrames;
    if (!MakeOurs(app, software, pixelFormat))
        return -1;
    double t0 = NowUs();
    app.Run();
    return (NowUs() - t0) / app.frames;
}

static double OurLatencyUs(bool software, std::vector<double>* all)
{
    CInjector injector;
    CLoopApplication app;
    if (!injector.Ok() || !MakeOurs(app, software, software ? 6 : 7))
        return -1;
    injector.PointAt(100, 100);
    app.injector = &injector;
    app.Run();
    *all = app.latencies;
    std::sort(all->begin(), all->end());
    return all->empty() ? -1 : (*all)[all->size() / 2];
}

// ---------------------------------------------------------------------------
// The bare loop: one window, the same drain and present per frame; the present is
// an EGL buffer swap (`gl`) or a put of one shared-memory image.

struct CBareLoop
{
    bool gl = false;
    Display* display = nullptr;
    Window window = 0;
    bench::EglWindow egl;
    XImage* image = nullptr;
    XShmSegmentInfo info;
    GC gc = nullptr;

    bool Open()
    {
        display = XOpenDisplay(nullptr);
        if (!display)
            return false;
        int screen = DefaultScreen(display);
        XSetWindowAttributes attributes;
        memset(&attributes, 0, sizeof(attributes));
        attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask |
                                ButtonReleaseMask | PointerMotionMask | ExposureMask |
                                StructureNotifyMask | FocusChangeMask;
        window = XCreateWindow(display, RootWindow(display, screen), 0, 0, kWidth, kHeight, 0,
                               DefaultDepth(display, screen), InputOutput,
                               DefaultVisual(display, screen), CWEventMask, &attributes);
        XMapWindow(display, window);
        if (gl)
        {
            XSync(display, False);
            if (!egl.Open(display, window))
            {
                egl.Close();
                XCloseDisplay(display);
                return false;
            }
            glViewport(0, 0, kWidth, kHeight);
            return true;
        }
        gc = DefaultGC(display, screen);
        memset(&info, 0, sizeof(info));
        info.shmid = shmget(IPC_PRIVATE, (size_t)kWidth * kHeight * 4, IPC_CREAT | 0600);
        info.shmaddr = (char*)shmat(info.shmid, nullptr, 0);
        info.readOnly = True;
        image = XShmCreateImage(display, DefaultVisual(display, screen),
                                (unsigned)DefaultDepth(display, screen), ZPixmap, info.shmaddr,
                                &info, kWidth, kHeight);
        XShmAttach(display, &info);
        XSync(display, False);
        shmctl(info.shmid, IPC_RMID, nullptr);
        memset(info.shmaddr, 0, (size_t)kWidth * kHeight * 4);
        return image != nullptr;
    }
    void Close()
    {
        if (gl)
        {
            egl.Close();
            XCloseDisplay(display);
            return;
        }
        XShmDetach(display, &info);
        image->data = nullptr;
        image->obdata = nullptr;
        XDestroyImage(image);
        shmdt(info.shmaddr);
        XCloseDisplay(display);
    }
    // Returns true when a button press was among the events.
    bool Drain()
    {
        bool pressed = false;
        while (XPending(display))
        {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ButtonPress)
                pressed = true;
        }
        return pressed;
    }
    void Present()
    {
        if (gl)
        {
            eglSwapBuffers(egl.display, egl.surface);
            return;
        }
        XShmPutImage(display, window, gc, image, 0, 0, 0, 0, kWidth, kHeight, False);
        XSync(display, False);
    }
};

static double BareFrameUs(bool gl)
{
    CBareLoop loop;
    loop.gl = gl;
    if (!loop.Open())
        return -1;
    double t0 = NowUs();
    for (int i = 0; i < kFrames; i++)
    {
        loop.Drain();
        loop.Present();
    }
    double perFrame = (NowUs() - t0) / kFrames;
    loop.Close();
    return perFrame;
}

static double BareLatencyUs(bool gl, std::vector<double>* all)
{
    CInjector injector;
    CBareLoop loop;
    loop.gl = gl;
    if (!injector.Ok() || !loop.Open())
        return -1;
    injector.PointAt(100, 100);
    loop.Drain();
    bool waiting = false;
    double sentAt = 0;
    while ((int)all->size() < kSamples)
    {
        if (loop.Drain() && waiting)
        {
            all->push_back(NowUs() - sentAt);
            waiting = false;
        }
        // The same order as the shell's frame: the frame's own work, the
        // next press sent from inside it, then the present.
        usleep(kFrameWorkUs);
        if (!waiting)
        {
            sentAt = injector.Click();
            waiting = true;
        }
        loop.Present();
    }
    loop.Close();
    std::sort(all->begin(), all->end());
    return (*all)[all->size() / 2];
}

static double P90(const std::vector<double>& sorted)
{
    return sorted.empty() ? -1 : sorted[sorted.size() * 9 / 10];
}

int main()
{
    pid_t server = StartXvfb();
    if (server < 0)
    {
        fprintf(stderr, "Xvfb could not be started\n");
        return 1;
    }

    // Warm every path once, then measure ours and the bare loop side by side.
    OurFrameUs(false, 7);
    BareFrameUs(true);
    OurFrameUs(true, 6);
    BareFrameUs(false);
    const double ourGlFrame = OurFrameUs(false, 7);
    const double bareGlFrame = BareFrameUs(true);
    std::vector<double> ourGlAll, bareGlAll;
    const double ourGlLatency = OurLatencyUs(false, &ourGlAll);
    const double bareGlLatency = BareLatencyUs(true, &bareGlAll);
    const double ourFrame = OurFrameUs(true, 6);
    const double bareFrame = BareFrameUs(false);
    const double ourFrame7 = OurFrameUs(true, 7);
    std::vector<double> ourAll, bareAll;
    const double ourLatency = OurLatencyUs(true, &ourAll);
    const double bareLatency = BareLatencyUs(false, &bareAll);

    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);

    // Each half is reported on its own: a row is printed when both its loops were
    // measured, and a comparison that was not is named and fails the run.
    struct Row
    {
        const char* label;
        double ours, bare;   // bare 0: the row has no bare loop
        const char* name;    // named when it failed; null: goes with the row above
        bool bench;          // has a BENCH line
    };
    const Row rows[] = {
        {"OpenGL ES frame (us)", ourGlFrame, bareGlFrame, "gl_frame_loop", true},
        {"OpenGL ES press p50 (us)", ourGlLatency, bareGlLatency, "gl_input_latency", true},
        {"OpenGL ES press p90 (us)", P90(ourGlAll), P90(bareGlAll), nullptr, false},
        {"back buffer frame (us)", ourFrame, bareFrame, "frame_loop", true},
        {"  the same in format 7 (us)", ourFrame7, 0, "frame_loop in format 7", false},
        {"back buffer press p50 (us)", ourLatency, bareLatency, "input_latency", true},
        {"back buffer press p90 (us)", P90(ourAll), P90(bareAll), nullptr, false},
    };
    auto measured = [](const Row& r) { return r.ours > 0 && r.bare >= 0; };
    printf("%-30s %14s %14s\n", "800x480, Xvfb", "shell", "bare loop");
    for (const Row& r : rows)
    {
        if (!measured(r))
            continue;
        if (r.bare > 0)
            printf("%-30s %14.1f %14.1f\n", r.label, r.ours, r.bare);
        else
            printf("%-30s %14.1f %14s\n", r.label, r.ours, "-");
    }
    bool failed = false;
    for (const Row& r : rows)
    {
        if (measured(r) && r.bench)
            printf("BENCH %s ratio=%.3f\n", r.name, r.bare / r.ours);
        else if (!measured(r) && r.name)
        {
            fprintf(stderr, "not measured: %s\n", r.name);
            failed = true;
        }
    }
    return failed ? 1 : 0;
}
