#pragma once
// Helpers shared by the benchmark programs: a monotonic clock, best-of-N timing, the
// median of rounds and a private X server.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace bench
{
typedef std::chrono::steady_clock Clock;

inline double NowUs()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec * 1e6 + (double)ts.tv_nsec / 1e3;
}

// The shortest of `rounds` runs, in seconds.
template <class F>
double BestSeconds(int rounds, F&& run)
{
    double best = 1e30;
    for (int r = 0; r < rounds; ++r)
    {
        const Clock::time_point start = Clock::now();
        run();
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        if (s < best)
            best = s;
    }
    return best;
}

// The middle value of rounds (the upper one of an even count); there is at least one.
inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A private Xvfb on a display number of its own choosing; DISPLAY is set to it.
// Returns its process id, or -1 when it did not start.
inline pid_t StartXvfb()
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0)
    {
        close(fds[0]);
        if (fds[1] != 3)
        {
            dup2(fds[1], 3);
            close(fds[1]);
        }
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "800x480x24", "-nolisten",
               "tcp", "-noreset", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    char text[32] = {0};
    size_t got = 0;
    struct pollfd p = {fds[0], POLLIN, 0};
    while (got < sizeof(text) - 1 && !memchr(text, '\n', got) && poll(&p, 1, 10000) > 0)
    {
        ssize_t n = read(fds[0], text + got, sizeof(text) - 1 - got);
        if (n <= 0)
            break;
        got += (size_t)n;
    }
    close(fds[0]);
    if (!memchr(text, '\n', got))
    {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    char name[32];
    snprintf(name, sizeof(name), ":%d", atoi(text));
    setenv("DISPLAY", name, 1);
    return pid;
}

// Ends a server StartXvfb started.
inline void StopXvfb(pid_t server)
{
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
}
} // namespace bench
