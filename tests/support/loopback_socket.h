// TCP sockets on 127.0.0.1 for tests and benchmarks: a listener on a port the system
// chooses, a port that nothing listens on, and a connection to a local port.
#pragma once

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// The loopback address with this port.
inline sockaddr_in LoopbackAddress(uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// A socket bound to a free loopback port, which is stored in `port`; it listens with
// this backlog unless the backlog is negative.
inline int BindLoopback(uint16_t& port, int backlog = -1)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = LoopbackAddress(0);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    if (backlog >= 0) listen(fd, backlog);
    return fd;
}

// A loopback port on which nothing listens (it was free a moment ago).
inline uint16_t UnusedLoopbackPort()
{
    uint16_t port = 0;
    close(BindLoopback(port));
    return port;
}

// Connects a new socket of this type (SOCK_STREAM with flags) to a loopback port;
// the socket is returned whether or not the connection succeeded, and `connected` tells.
inline int ConnectLoopback(uint16_t port, bool& connected, int type = SOCK_STREAM | SOCK_CLOEXEC)
{
    const int fd = socket(AF_INET, type, 0);
    const sockaddr_in address = LoopbackAddress(port);
    connected = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    return fd;
}
