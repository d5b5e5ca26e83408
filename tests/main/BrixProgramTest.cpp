// The built program, started as a user starts it: each copy runs in a private
// mount and network namespace whose /tmp is a folder of this test (so the lock
// file never touches the machine's own), on a private X server.
#include "e2e/E2EMounts.h"
#include "support/KetrelTestXServer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static ::testing::Environment* const g_xserver =
    ::testing::AddGlobalTestEnvironment(new CKetrelTestXServerEnvironment());

static const char* const kProgram = KETREL_BINARY_DIR "/main/brix";

static long long NowMs()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

// One started copy of the program and what it printed.
struct Copy
{
    pid_t pid = -1;
    int output = -1;                     // read end of its stdout and stderr
    std::string text;

    // Collects the output until the process ends or timeoutMs pass; returns
    // the exit status, or -1 when it is still running.
    int Wait(int timeoutMs)
    {
        long long deadline = NowMs() + timeoutMs;
        int status = 0;
        for (;;)
        {
            Drain();
            pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid)
            {
                Drain();
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (NowMs() > deadline)
                return -1;
            usleep(10000);
        }
    }
    void Drain()
    {
        char buffer[512];
        ssize_t n;
        while (output >= 0 && (n = read(output, buffer, sizeof(buffer))) > 0)
            text.append(buffer, (size_t)n);
    }
    ~Copy()
    {
        if (pid > 0)
        {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (output >= 0)
            close(output);
    }
};

class BrixProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CKetrelTestXServer* server = CKetrelTestXServerEnvironment::Get();
        if (!server || !server->IsRunning())
            GTEST_SKIP() << "no X server";
        if (access(kProgram, X_OK) != 0)
            GTEST_SKIP() << "the program is not built";
        if (system("unshare -rmn --propagation private true 2>/dev/null") != 0)
            GTEST_SKIP() << "no private namespaces here";
        char pattern[] = "/tmp/brix-program-test-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root = pattern;
        privateTmp = root + "/tmp";
        ASSERT_EQ(0, mkdir(privateTmp.c_str(), 01777));
        privateHome = root + "/home";
        ASSERT_EQ(0, mkdir(privateHome.c_str(), 0755));
        // Inside the namespace the program is user 0, whose home folder holds its data.
        const struct passwd* user = getpwuid(0);
        homeDir = user && user->pw_dir ? user->pw_dir : "/root";
        lockPath = privateTmp + "/brix_app.lock";
        // A window that closes between a look-up and a read must not end the test program.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        display = XOpenDisplay(nullptr);
        ASSERT_NE(nullptr, display);
    }
    void TearDown() override
    {
        if (display)
            XCloseDisplay(display);
        if (!root.empty())
        {
            std::string command = "rm -rf '" + root + "'";
            if (system(command.c_str()) != 0)
                fprintf(stderr, "could not remove %s\n", root.c_str());
        }
    }

    // Starts the program with /tmp replaced by the test's folder; the X
    // server's socket folder is carried into it.
    void Start(Copy& copy, bool withDisplay = true, bool ownIpc = false, bool withEgl = true)
    {
        int fds[2];
        ASSERT_EQ(0, pipe2(fds, O_CLOEXEC));
        // The program is handed over as an open file; its folder is carried
        // into the namespace at its own path.
        int program = open(kProgram, O_RDONLY);
        ASSERT_GE(program, 0);
        const std::string programFolder = e2e::FolderOf(kProgram);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
        {
            dup2(fds[1], 1);
            dup2(fds[1], 2);
            if (program != 3)
                dup2(program, 3);        // without close-on-exec
            if (!withDisplay)
                unsetenv("DISPLAY");
            // No EGL vendor library to load: no OpenGL ES, as on a machine without it.
            if (!withEgl)
                setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent", 1);
            // With IPC of its own the program's shared memory is out of the
            // server's reach.
            execlp("unshare", "unshare", ownIpc ? "-rmni" : "-rmn", "--propagation", "private",
                   "sh", "-c", e2e::kPrivateMounts, "sh", privateTmp.c_str(),
                   privateHome.c_str(), homeDir.c_str(), programFolder.c_str(), (char*)nullptr);
            _exit(127);
        }
        close(program);
        close(fds[1]);
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
        copy.pid = pid;
        copy.output = fds[0];
    }

    // The program's window, found by its class; 0 when none appears in time.
    Window FindWindow(Copy& copy, int timeoutMs)
    {
        long long deadline = NowMs() + timeoutMs;
        while (NowMs() < deadline && copy.Wait(0) == -1)
        {
            Window rootWindow, parent, *children = nullptr;
            unsigned count = 0;
            Window found = 0;
            if (XQueryTree(display, DefaultRootWindow(display), &rootWindow, &parent, &children,
                           &count))
            {
                for (unsigned i = 0; i < count && !found; i++)
                {
                    Atom type;
                    int format;
                    unsigned long n = 0, after;
                    unsigned char* data = nullptr;
                    if (XGetWindowProperty(display, children[i], XA_WM_CLASS, 0, 16, False,
                                           XA_STRING, &type, &format, &n, &after, &data) ==
                            Success &&
                        n == 15 && memcmp(data, "KetrelEngineApp", 15) == 0)
                        found = children[i];
                    if (data)
                        XFree(data);
                }
                if (children)
                    XFree(children);
            }
            if (found)
                return found;
            usleep(20000);
        }
        return 0;
    }

    // The colour the server shows at (x, y) of the window once something was
    // drawn there, 0xRRGGBB; -1 when nothing but the initial black appears.
    long ShownColour(Window window, int x, int y)
    {
        long long deadline = NowMs() + 10000;
        while (NowMs() < deadline)
        {
            XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
            long pixel = image ? (long)(XGetPixel(image, 0, 0) & 0xFFFFFF) : -1;
            if (image)
                XDestroyImage(image);
            if (pixel > 0)
                return pixel;
            usleep(20000);
        }
        return -1;
    }

    void SendClose(Window window)
    {
        XEvent close;
        memset(&close, 0, sizeof(close));
        close.xclient.type = ClientMessage;
        close.xclient.window = window;
        close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        close.xclient.format = 32;
        close.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSendEvent(display, window, False, NoEventMask, &close);
        XSync(display, False);
    }

    std::string ReadLock() const
    {
        std::string text;
        FILE* f = fopen(lockPath.c_str(), "r");
        if (!f)
            return "<missing>";
        char buffer[256];
        size_t n = fread(buffer, 1, sizeof(buffer), f);
        text.assign(buffer, n);
        fclose(f);
        return text;
    }
    void WriteLock(const std::string& text)
    {
        FILE* f = fopen(lockPath.c_str(), "w");
        ASSERT_NE(nullptr, f);
        fputs(text.c_str(), f);
        fclose(f);
    }

    std::string root;
    std::string privateTmp;
    std::string privateHome;
    std::string homeDir;
    std::string lockPath;
    Display* display = nullptr;
};

TEST_F(BrixProgram, SecondCopyExitsWithANoticeWhileTheFirstRuns)
{
    Copy first;
    Start(first);
    Window window = FindWindow(first, 15000);
    ASSERT_NE(0u, window) << first.text;
    const std::string firstPid = std::to_string(first.pid);
    EXPECT_EQ(std::to_string(first.pid), ReadLock());

    EXPECT_GT(ShownColour(window, 400, 240), 0) << "the first frame reaches the window";

    Copy second;
    Start(second);
    EXPECT_EQ(0, second.Wait(15000)) << second.text;
    EXPECT_NE(std::string::npos, second.text.find("Another copy of the program is already running"))
        << second.text;
    EXPECT_NE(std::string::npos, second.text.find(std::to_string(first.pid))) << second.text;
    EXPECT_EQ(-1, first.Wait(0)) << "the first copy keeps running";

    // Closing the window from the window manager ends the program normally.
    SendClose(window);
    EXPECT_EQ(0, first.Wait(15000)) << first.text;
    EXPECT_EQ(firstPid, ReadLock()) << "the file stays";
}

// Whatever an old lock file names, a lock nobody holds never blocks a start;
// SIGTERM then ends the program through its normal quit path.
TEST_F(BrixProgram, StaleLockIsReplacedAndSigtermQuits)
{
    pid_t dead = fork();
    if (dead == 0)
        _exit(0);
    waitpid(dead, nullptr, 0);
    struct Case { const char* name; std::string content; int signal; };
    const Case cases[] = {
        {"a process that is gone", std::to_string(dead), SIGTERM},
        {"a live process of another program", std::to_string(getpid()), SIGINT},
    };
    for (const Case& c : cases)
    {
        WriteLock(c.content);
        Copy copy;
        Start(copy);
        Window window = FindWindow(copy, 15000);
        ASSERT_NE(0u, window) << c.name << ": " << copy.text;
        EXPECT_EQ(std::to_string(copy.pid), ReadLock()) << c.name;
        kill(copy.pid, c.signal);
        EXPECT_EQ(0, copy.Wait(15000)) << c.name << ": " << copy.text;
    }
}

// Neither without a display nor without OpenGL ES does the program start: it
// reports the device failure and exits with a failure status.
TEST_F(BrixProgram, StartWithoutADisplayOrOpenGLReportsTheError)
{
    struct Case { const char* name; bool display; bool egl; };
    const Case cases[] = {{"no display", false, true}, {"no OpenGL ES", true, false}};
    for (const Case& c : cases)
    {
        Copy copy;
        Start(copy, c.display, false, c.egl);
        int status = copy.Wait(15000);
        EXPECT_NE(0, status) << c.name << ": " << copy.text;
        EXPECT_NE(-1, status) << c.name;
        EXPECT_NE(std::string::npos, copy.text.find("ERROR: 9")) << c.name << ": " << copy.text;
    }
}

// A server that cannot attach the program's shared memory (here: the program
// has IPC of its own) still gets every frame.
TEST_F(BrixProgram, DrawsWithoutSharedMemory)
{
    Copy copy;
    Start(copy, true, true);
    Window window = FindWindow(copy, 15000);
    ASSERT_NE(0u, window) << copy.text;
    EXPECT_GT(ShownColour(window, 10, 10), 0) << copy.text;
    kill(copy.pid, SIGTERM);
    EXPECT_EQ(0, copy.Wait(15000)) << copy.text;
}
