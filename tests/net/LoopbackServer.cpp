#include "LoopbackServer.h"
#include "support/LoopbackSocket.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

CLoopbackServer::CLoopbackServer(std::function<void(int)> script, int clients, int backlog)
    : m_script(std::move(script)), m_listen(-1), m_wake{-1, -1}, m_port(0)
{
    m_listen = BindLoopback(0, backlog, &m_port);
    if (pipe(m_wake) != 0)
        m_wake[0] = m_wake[1] = -1;
    if (m_listen >= 0 && clients > 0)
        m_thread = std::thread(&CLoopbackServer::Loop, this, clients);
}

CLoopbackServer::~CLoopbackServer()
{
    if (m_wake[1] >= 0)
        (void)!write(m_wake[1], "x", 1);
    if (m_thread.joinable())
        m_thread.join();
    if (m_listen >= 0)
        close(m_listen);
    if (m_wake[0] >= 0)
        close(m_wake[0]);
    if (m_wake[1] >= 0)
        close(m_wake[1]);
}

void CLoopbackServer::Loop(int clients)
{
    for (int i = 0; i < clients; ++i)
    {
        pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(fds, 2, -1) <= 0 || fds[1].revents)
            return;
        int fd = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        m_script(fd);
        close(fd);
    }
}

bool CLoopbackServer::SendAll(int fd, const void* data, size_t size)
{
    const char* p = (const char*)data;
    while (size > 0)
    {
        ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        p += n;
        size -= (size_t)n;
    }
    return true;
}

size_t CLoopbackServer::ReadAll(int fd, void* data, size_t size)
{
    size_t got = 0;
    while (got < size)
    {
        ssize_t n = recv(fd, (char*)data + got, size - got, 0);
        if (n <= 0)
            break;
        got += (size_t)n;
    }
    return got;
}

size_t CLoopbackServer::Echo(int fd)
{
    char buffer[65536];
    size_t total = 0;
    for (;;)
    {
        ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0 || !SendAll(fd, buffer, (size_t)n))
            return total;
        total += (size_t)n;
    }
}

int UnusedLoopbackPort()
{
    int port = 0;
    int fd = BindLoopback(0, 1, &port);
    if (fd >= 0)
        close(fd);
    return port;
}
