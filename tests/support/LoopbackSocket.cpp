#include "support/LoopbackSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int BindLoopback(int port, int backlog, int* boundPort)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons((uint16_t)port);
    socklen_t length = sizeof(address);
    const int one = 1;
    // A fixed port is taken again while connections of an earlier holder linger.
    if (fd < 0 || (port != 0 && setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one)) != 0) ||
        bind(fd, (sockaddr*)&address, sizeof(address)) != 0 ||
        (backlog >= 0 && listen(fd, backlog) != 0) ||
        getsockname(fd, (sockaddr*)&address, &length) != 0)
    {
        if (fd >= 0)
            close(fd);
        *boundPort = 0;
        return -1;
    }
    *boundPort = ntohs(address.sin_port);
    return fd;
}
