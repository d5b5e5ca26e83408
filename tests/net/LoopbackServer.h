#pragma once
// A scripted TCP server on 127.0.0.1 at a port the system chooses, for the network
// tests. Each accepted client runs the script on the server's own thread.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

class CLoopbackServer
{
public:
    // script(fd): talks to one client; the server closes fd when it returns.
    // clients: how many connections to accept before the thread ends.
    explicit CLoopbackServer(std::function<void(int)> script, int clients = 1, int backlog = 8);
    ~CLoopbackServer();                  // stops accepting, joins the thread

    int Port() const { return m_port; }
    int ListenFd() const { return m_listen; }

    // Helpers for scripts.
    static bool SendAll(int fd, const void* data, size_t size);
    // Reads until size bytes came or the peer closed; returns the bytes read.
    static size_t ReadAll(int fd, void* data, size_t size);
    // Echoes everything until the peer closes; returns the bytes echoed.
    static size_t Echo(int fd);

private:
    void Loop(int clients);

    std::function<void(int)> m_script;
    int m_listen;
    int m_wake[2];
    int m_port;
    std::thread m_thread;
};

// A port on 127.0.0.1 that nobody listens on (bound, then released).
int UnusedLoopbackPort();
