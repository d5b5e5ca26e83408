#include "E2EKit.h"
#include "E2EInput.h"
#include "E2EMounts.h"

#include "framework/BrixStatsStore.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <functional>
#include <vector>

namespace e2e
{

long long NowMs()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

const char* ProgramPath()
{
    return KETREL_BINARY_DIR "/main/brix";
}

std::string ScreenshotFolder()
{
    std::string folder = KETREL_BINARY_DIR "/tests";
    mkdir(folder.c_str(), 0755);
    folder += "/e2e";
    mkdir(folder.c_str(), 0755);
    return folder;
}

bool NamespacesAvailable()
{
    static int available = -1;
    if (available < 0)
        available = system("unshare -rmn --propagation private true >/dev/null 2>&1") == 0;
    return available == 1;
}

std::string MakeTempFolder(const char* tag)
{
    std::string pattern = std::string("/tmp/brix-e2e-") + tag + "-XXXXXX";
    std::vector<char> text(pattern.begin(), pattern.end());
    text.push_back(0);
    if (!mkdtemp(text.data()))
        return std::string();
    return std::string(text.data());
}

void RemoveTree(const std::string& path)
{
    if (path.size() < 14 || path.compare(0, 14, "/tmp/brix-e2e-") != 0)
        return;                          // only folders this kit made
    pid_t pid = fork();
    if (pid == 0)
    {
        execlp("rm", "rm", "-rf", "--one-file-system", path.c_str(), (char*)nullptr);
        _exit(127);
    }
    if (pid > 0)
        waitpid(pid, nullptr, 0);
}

// Ends a child: SIGTERM (or the signal given), then SIGKILL after graceMs.
static int EndChild(pid_t pid, int graceMs, int signal = SIGTERM)
{
    if (pid <= 0)
        return -1;
    kill(pid, signal);
    long long deadline = NowMs() + graceMs;
    int status = 0;
    for (;;)
    {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD))
            return status;
        if (NowMs() > deadline)
        {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return status;
        }
        usleep(5000);
    }
}

// Reads until a newline arrives on fd or timeoutMs pass.
static bool ReadLine(int fd, int timeoutMs, std::string* line)
{
    long long deadline = NowMs() + timeoutMs;
    char c;
    while (NowMs() < deadline)
    {
        struct pollfd p = {fd, POLLIN, 0};
        int r = poll(&p, 1, 100);
        if (r < 0 && errno != EINTR)
            return false;
        if (r <= 0)
            continue;
        ssize_t n = read(fd, &c, 1);
        if (n <= 0)
            return false;
        if (c == '\n')
            return true;
        line->push_back(c);
    }
    return false;
}

// ---------------------------------------------------------------------------
// CNetwork

CNetwork::CNetwork() : m_holder(-1), m_server(-1) {}

CNetwork::~CNetwork()
{
    StopServer();
    if (m_holder > 0)
        EndChild(m_holder, 1000, SIGKILL);
    RemoveTree(m_folder);
}

bool CNetwork::Start()
{
    if (m_holder > 0)
        return true;
    m_folder = MakeTempFolder("net");
    if (m_folder.empty())
        return false;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0)
    {
        dup2(fds[1], 1);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        execlp("unshare", "unshare", "-rn", "sh", "-c",
               "ip link set lo up && echo ready && exec sleep 3600", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    m_holder = pid;
    std::string line;
    bool ready = ReadLine(fds[0], 10000, &line) && line == "ready";
    close(fds[0]);
    return ready;
}

bool CNetwork::Accepts(int port) const
{
    if (m_holder <= 0)
        return false;
    pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0)
    {
        // A forked child has one thread, so it may join the namespaces itself.
        char path[64];
        snprintf(path, sizeof(path), "/proc/%d/ns/user", (int)m_holder);
        int user = open(path, O_RDONLY);
        snprintf(path, sizeof(path), "/proc/%d/ns/net", (int)m_holder);
        int net = open(path, O_RDONLY);
        if (user >= 0)
            setns(user, CLONE_NEWUSER);  // not needed, and refused, when already privileged
        if (net < 0 || setns(net, CLONE_NEWNET) != 0)
            _exit(2);
        int s = socket(AF_INET, SOCK_STREAM, 0);
        struct sockaddr_in address;
        memset(&address, 0, sizeof(address));
        address.sin_family = AF_INET;
        address.sin_port = htons((uint16_t)port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        _exit(s >= 0 && connect(s, (struct sockaddr*)&address, sizeof(address)) == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool CNetwork::StartServer(int timeoutMs)
{
    if (m_holder <= 0)
        return false;
    if (m_server > 0)
        return true;
    std::string log = m_folder + "/server.log";
    std::string db = m_folder + "/lobby.db";
    std::string holder = std::to_string(m_holder);
    pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0)
    {
        int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0)
        {
            dup2(out, 1);
            dup2(out, 2);
        }
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        execlp("nsenter", "nsenter", "-t", holder.c_str(), "-U", "-n", "--", "python3",
               KETREL_SOURCE_DIR "/tools/lobbyserver/server.py", "--host", "127.0.0.1",
               "--port", "5000", "--db", db.c_str(), "--packs", KETREL_BINARY_DIR "/main",
               (char*)nullptr);
        _exit(127);
    }
    m_server = pid;
    long long deadline = NowMs() + timeoutMs;
    while (NowMs() < deadline)
    {
        if (waitpid(m_server, nullptr, WNOHANG) == m_server)
        {
            m_server = -1;
            return false;
        }
        if (Accepts(5000))
            return true;
        usleep(50000);
    }
    return false;
}

void CNetwork::StopServer()
{
    if (m_server > 0)
        EndChild(m_server, 3000);
    m_server = -1;
}

std::string CNetwork::GetServerLog() const
{
    std::string text;
    FILE* f = fopen((m_folder + "/server.log").c_str(), "r");
    if (!f)
        return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
        text.append(buffer, n);
    fclose(f);
    return text;
}

// ---------------------------------------------------------------------------
// CProgramCopy

// A window that goes away between a look-up and a read is an answer, not a
// reason for Xlib to end the test program.
static int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

CProgramCopy::CProgramCopy(const char* name)
    : m_name(name), m_program(ProgramPath()), m_display(nullptr), m_window(0), m_pid(-1), m_output(-1), m_startMs(0)
{
}

CProgramCopy::~CProgramCopy()
{
    if (m_pid > 0)
        EndChild(m_pid, 0, SIGKILL);
    if (m_output >= 0)
        close(m_output);
    if (m_display)
        XCloseDisplay(m_display);
    m_xserver.Stop();
    RemoveTree(m_root);
}

bool CProgramCopy::Start(CNetwork* network)
{
    if (m_pid > 0)
        return false;
    if (m_root.empty())
    {
        m_root = MakeTempFolder(m_name.c_str());
        if (m_root.empty() || mkdir((m_root + "/tmp").c_str(), 01777) != 0 ||
            chmod((m_root + "/tmp").c_str(), 01777) != 0 ||
            mkdir((m_root + "/home").c_str(), 0755) != 0)
            return false;
    }
    if (!m_xserver.IsRunning())
    {
        if (!m_xserver.Start(800, 480, 24))
            return false;
        m_displayName = m_xserver.GetDisplayName();
        XSetErrorHandler(IgnoreXError);
        m_display = XOpenDisplay(m_displayName.c_str());
        if (!m_display)
            return false;
    }
    m_window = 0;
    m_text.clear();

    // Inside the namespace the program runs as user 0, whose home folder the
    // program takes from the password database: the private home is mounted there.
    const struct passwd* user = getpwuid(0);
    std::string homeDir = user && user->pw_dir ? user->pw_dir : "/root";
    std::string privateTmp = m_root + "/tmp";
    std::string privateHome = m_root + "/home";
    std::string programFolder = FolderOf(m_program);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    // The program goes in as an open file; its folder is carried into the namespace.
    int program = open(m_program.c_str(), O_RDONLY);
    if (program < 0)
    {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    m_startMs = NowMs();
    pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0)
    {
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        if (program != 3)
            dup2(program, 3);            // without close-on-exec
        setenv("DISPLAY", m_displayName.c_str(), 1);
        setenv("HOME", homeDir.c_str(), 1);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (network)
        {
            std::string holder = std::to_string(network->GetHolder());
            execlp("nsenter", "nsenter", "-t", holder.c_str(), "-U", "-n", "--", "unshare",
                   "-m", "--propagation", "private", "sh", "-c", kPrivateMounts, "sh",
                   privateTmp.c_str(), privateHome.c_str(), homeDir.c_str(),
                   programFolder.c_str(), (char*)nullptr);
        }
        else
        {
            std::string script = std::string("ip link set lo up && ") + kPrivateMounts;
            execlp("unshare", "unshare", "-rmn", "--propagation", "private", "sh", "-c",
                   script.c_str(), "sh", privateTmp.c_str(), privateHome.c_str(),
                   homeDir.c_str(), programFolder.c_str(), (char*)nullptr);
        }
        _exit(127);
    }
    close(program);
    close(fds[1]);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    if (m_output >= 0)
        close(m_output);
    m_output = fds[0];
    m_pid = pid;
    return true;
}

const std::string& CProgramCopy::GetOutput()
{
    char buffer[1024];
    ssize_t n;
    while (m_output >= 0 && (n = read(m_output, buffer, sizeof(buffer))) > 0)
        m_text.append(buffer, (size_t)n);
    return m_text;
}

int CProgramCopy::Wait(int timeoutMs)
{
    if (m_pid <= 0)
        return -1;
    long long deadline = NowMs() + timeoutMs;
    for (;;)
    {
        GetOutput();
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid)
        {
            GetOutput();
            m_pid = -1;
            m_window = 0;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (NowMs() >= deadline)
            return -1;
        usleep(10000);
    }
}

bool CProgramCopy::IsRunning()
{
    return m_pid > 0 && Wait(0) == -1;
}

void CProgramCopy::Signal(int signal)
{
    if (m_pid > 0)
        kill(m_pid, signal);
}

Window CProgramCopy::FindWindow(int timeoutMs)
{
    if (m_window)
        return m_window;
    if (!m_display)
        return 0;
    long long deadline = NowMs() + timeoutMs;
    while (NowMs() < deadline && IsRunning())
    {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        if (XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children,
                       &count))
        {
            for (unsigned i = 0; i < count && !m_window; i++)
            {
                XWindowAttributes attributes;
                if (XGetWindowAttributes(m_display, children[i], &attributes) &&
                    attributes.map_state == IsViewable)
                    m_window = children[i];
            }
            if (children)
                XFree(children);
        }
        if (m_window)
            return m_window;
        usleep(10000);
    }
    return 0;
}

std::string CProgramCopy::GetWindowName()
{
    std::string name;
    char* text = nullptr;
    if (m_window && XFetchName(m_display, m_window, &text) && text)
    {
        name = text;
        XFree(text);
    }
    return name;
}

long CProgramCopy::Pixel(int x, int y)
{
    if (!m_window)
        return -1;
    XImage* image = XGetImage(m_display, m_window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return -1;
    long pixel = (long)(XGetPixel(image, 0, 0) & 0xFFFFFF);
    XDestroyImage(image);
    return pixel;
}

long long CProgramCopy::WaitFirstFrame(int timeoutMs)
{
    long long deadline = m_startMs + timeoutMs;
    if (!FindWindow(timeoutMs))
        return -1;
    while (NowMs() < deadline && IsRunning())
    {
        for (int y = 60; y < 480; y += 120)
            for (int x = 100; x < 800; x += 200)
                if (Pixel(x, y) > 0)
                    return NowMs() - m_startMs;
        usleep(2000);
    }
    return -1;
}

// The whole window as packed RGB rows; empty without a window.
static std::vector<unsigned char> ReadWindow(Display* display, Window window, int* width,
                                             int* height)
{
    std::vector<unsigned char> rgb;
    XWindowAttributes attributes;
    if (!window || !XGetWindowAttributes(display, window, &attributes))
        return rgb;
    XImage* image = XGetImage(display, window, 0, 0, (unsigned)attributes.width,
                              (unsigned)attributes.height, AllPlanes, ZPixmap);
    if (!image)
        return rgb;
    *width = attributes.width;
    *height = attributes.height;
    rgb.resize((size_t)*width * (size_t)*height * 3);
    size_t at = 0;
    for (int y = 0; y < *height; y++)
        for (int x = 0; x < *width; x++)
        {
            unsigned long p = XGetPixel(image, x, y);
            rgb[at++] = (unsigned char)(p >> 16);
            rgb[at++] = (unsigned char)(p >> 8);
            rgb[at++] = (unsigned char)p;
        }
    XDestroyImage(image);
    return rgb;
}

bool CProgramCopy::Screenshot(const char* step)
{
    int width = 0, height = 0;
    std::vector<unsigned char> rgb = ReadWindow(m_display, FindWindow(0), &width, &height);
    if (rgb.empty())
        return false;
    GdkPixbuf* picture = gdk_pixbuf_new_from_data(rgb.data(), GDK_COLORSPACE_RGB, FALSE, 8,
                                                  width, height, width * 3, nullptr, nullptr);
    if (!picture)
        return false;
    std::string path = ScreenshotFolder() + "/" + m_name + "-" + step + ".png";
    gboolean saved = gdk_pixbuf_save(picture, path.c_str(), "png", nullptr, nullptr);
    g_object_unref(picture);
    return saved;
}

bool CProgramCopy::WaitStill(int stableMs, int timeoutMs)
{
    long long deadline = NowMs() + timeoutMs;
    int width = 0, height = 0;
    std::vector<unsigned char> last = ReadWindow(m_display, FindWindow(0), &width, &height);
    long long since = NowMs();
    while (NowMs() < deadline && IsRunning())
    {
        usleep(100000);
        std::vector<unsigned char> now = ReadWindow(m_display, FindWindow(0), &width, &height);
        if (now != last)
        {
            last.swap(now);
            since = NowMs();
        }
        else if (NowMs() - since >= stableMs)
            return true;
    }
    return false;
}

bool CProgramCopy::FindColour(int x0, int y0, int x1, int y1, long rgb, int tolerance,
                              int minimum, double* cx, double* cy)
{
    int width = 0, height = 0;
    std::vector<unsigned char> picture = ReadWindow(m_display, FindWindow(0), &width, &height);
    if (picture.empty())
        return false;
    const int want[3] = {(int)(rgb >> 16) & 0xFF, (int)(rgb >> 8) & 0xFF, (int)rgb & 0xFF};
    double sumX = 0.0, sumY = 0.0;
    int count = 0;
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(width, x1); ++x)
        {
            const unsigned char* p = &picture[((size_t)y * width + x) * 3];
            if (std::abs(p[0] - want[0]) <= tolerance && std::abs(p[1] - want[1]) <= tolerance
                && std::abs(p[2] - want[2]) <= tolerance)
            {
                sumX += x;
                sumY += y;
                count++;
            }
        }
    if (count < minimum || count == 0)
        return false;
    *cx = sumX / count;
    *cy = sumY / count;
    return true;
}

size_t CProgramCopy::Fingerprint()
{
    int width = 0, height = 0;
    std::vector<unsigned char> rgb = ReadWindow(m_display, FindWindow(0), &width, &height);
    return std::hash<std::string>()(std::string(rgb.begin(), rgb.end()));
}

bool CProgramCopy::WaitChange(size_t before, int timeoutMs)
{
    long long deadline = NowMs() + timeoutMs;
    while (NowMs() < deadline && IsRunning())
    {
        if (Fingerprint() != before)
            return true;
        usleep(50000);
    }
    return false;
}

void CProgramCopy::Click(int x, int y)
{
    if (FindWindow(0))
        FakeTap(m_display, m_window, x, y);
}

void CProgramCopy::Drag(int x0, int y0, int x1, int y1)
{
    if (!FindWindow(0))
        return;
    Window child;
    int rootX = x0, rootY = y0;
    XTranslateCoordinates(m_display, m_window, DefaultRootWindow(m_display), x0, y0, &rootX,
                          &rootY, &child);
    XTestFakeMotionEvent(m_display, DefaultScreen(m_display), rootX, rootY, CurrentTime);
    XSync(m_display, False);
    usleep(50000);
    XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
    XSync(m_display, False);
    usleep(400000);
    const int steps = 8;
    for (int i = 1; i <= steps; ++i)
    {
        XTestFakeMotionEvent(m_display, DefaultScreen(m_display),
                             rootX + (x1 - x0) * i / steps, rootY + (y1 - y0) * i / steps,
                             CurrentTime);
        XSync(m_display, False);
        usleep(120000);                  // a few frames per step, as a finger moves
    }
    usleep(200000);
    XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
    XSync(m_display, False);
    usleep(30000);
}

static void FakeKey(Display* display, KeySym symbol, bool shift)
{
    KeyCode code = XKeysymToKeycode(display, symbol);
    if (!code)
        return;
    KeyCode shiftCode = XKeysymToKeycode(display, XK_Shift_L);
    if (shift)
        XTestFakeKeyEvent(display, shiftCode, True, CurrentTime);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    if (shift)
        XTestFakeKeyEvent(display, shiftCode, False, CurrentTime);
    XSync(display, False);
    usleep(20000);
}

void CProgramCopy::TypeText(const char* text)
{
    for (const char* p = text; *p; p++)
    {
        char c = *p;
        bool upper = c >= 'A' && c <= 'Z';
        KeySym symbol = c == ' ' ? XK_space : (KeySym)(upper ? c - 'A' + 'a' : c);
        FakeKey(m_display, symbol, upper);
    }
}

void CProgramCopy::PressKey(const char* keysymName)
{
    KeySym symbol = XStringToKeysym(keysymName);
    if (symbol != NoSymbol)
        FakeKey(m_display, symbol, false);
}

// The first "stats.dat" in a data folder ("." + name) of the private home.
static bool ReadStatsFile(const std::string& home, std::vector<unsigned char>* bytes)
{
    DIR* folder = opendir(home.c_str());
    if (!folder)
        return false;
    bool found = false;
    while (struct dirent* entry = readdir(folder))
    {
        if (entry->d_name[0] != '.' || !strcmp(entry->d_name, ".") ||
            !strcmp(entry->d_name, ".."))
            continue;
        FILE* f = fopen((home + "/" + entry->d_name + "/stats.dat").c_str(), "rb");
        if (!f)
            continue;
        unsigned char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
            bytes->insert(bytes->end(), buffer, buffer + n);
        fclose(f);
        found = true;
        break;
    }
    closedir(folder);
    return found;
}

bool CProgramCopy::ReadSetting(const char* key, long* value)
{
    std::vector<unsigned char> bytes;
    if (!ReadStatsFile(GetHome(), &bytes) || bytes.empty())
        return false;
    CBrixStatsStore store;
    store.LoadFromMemory(bytes.data(), (u32)bytes.size());
    CBrixStatsEntry* entry = store.FindEntry(CKetrelString(key));
    if (!entry)
        return false;
    if (value)
        *value = entry->type == BRIX_STAT_BOOL ? (long)entry->boolValue : (long)entry->intValue;
    return true;
}

bool CProgramCopy::HasSetting(const char* key)
{
    return ReadSetting(key, nullptr);
}

} // namespace e2e
