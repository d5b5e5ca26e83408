#include "support/KetrelTestXServer.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static CKetrelTestXServer* g_environmentServer = nullptr;

static long long NowMs()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

CKetrelTestXServer::CKetrelTestXServer()
    : m_pid(-1), m_display(-1), m_savedDisplay(nullptr), m_hadDisplay(false)
{
    m_name[0] = 0;
}

CKetrelTestXServer::~CKetrelTestXServer()
{
    Stop();
}

bool CKetrelTestXServer::Start(int width, int height, int depth)
{
    if (m_pid > 0)
        return true;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    char screen[64];
    snprintf(screen, sizeof(screen), "%dx%dx%d", width, height, depth);

    pid_t pid = fork();
    if (pid < 0)
    {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0)
    {
        // The write end must survive exec: move it to a known descriptor
        // without close-on-exec. Output of the server goes to /dev/null.
        if (fds[1] == 3)
            fcntl(3, F_SETFD, 0);
        else if (dup2(fds[1], 3) != 3)
            _exit(127);
        int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0)
        {
            dup2(devnull, 0);
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        // End with the test program even if it dies without calling Stop.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", screen,
               "-nolisten", "tcp", "-noreset", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);

    // Xvfb writes the display number and a newline once it accepts clients.
    char text[32];
    size_t got = 0;
    long long deadline = NowMs() + 10000;
    bool complete = false;
    while (!complete && got < sizeof(text) - 1)
    {
        long long left = deadline - NowMs();
        if (left <= 0)
            break;
        struct pollfd p = {fds[0], POLLIN, 0};
        int r = poll(&p, 1, (int)left);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        ssize_t n = read(fds[0], text + got, sizeof(text) - 1 - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += (size_t)n;
        complete = memchr(text, '\n', got) != nullptr;
    }
    close(fds[0]);
    text[got] = 0;
    if (!complete)
    {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return false;
    }
    m_pid = pid;
    m_display = atoi(text);
    snprintf(m_name, sizeof(m_name), ":%d", m_display);

    const char* old = getenv("DISPLAY");
    m_hadDisplay = old != nullptr;
    free(m_savedDisplay);
    m_savedDisplay = old ? strdup(old) : nullptr;
    setenv("DISPLAY", m_name, 1);
    return true;
}

void CKetrelTestXServer::Stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    // Give the server a moment to leave cleanly, then make sure it is gone.
    long long deadline = NowMs() + 3000;
    int status = 0;
    while (waitpid(m_pid, &status, WNOHANG) == 0)
    {
        if (NowMs() > deadline)
        {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            break;
        }
        usleep(5000);
    }
    m_pid = -1;
    m_display = -1;
    m_name[0] = 0;
    if (m_hadDisplay && m_savedDisplay)
        setenv("DISPLAY", m_savedDisplay, 1);
    else
        unsetenv("DISPLAY");
    free(m_savedDisplay);
    m_savedDisplay = nullptr;
}

void CKetrelTestXServerEnvironment::SetUp()
{
    if (!g_environmentServer)
        g_environmentServer = new CKetrelTestXServer();
    if (!g_environmentServer->Start(m_width, m_height))
        fprintf(stderr, "note: Xvfb could not be started; display tests will skip\n");
}

void CKetrelTestXServerEnvironment::TearDown()
{
    delete g_environmentServer;
    g_environmentServer = nullptr;
}

CKetrelTestXServer* CKetrelTestXServer::Shared()
{
    static CKetrelTestXServer server;
    if (!server.IsRunning())
        server.Start(800, 480, 24);
    return &server;
}

CKetrelTestXServer* CKetrelTestXServerEnvironment::Get()
{
    return g_environmentServer;
}
