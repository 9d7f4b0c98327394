#include "sim/SimTcpLink.h"

#include "framework/uExceptions.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

sockaddr_in ResolveIPv4(const std::string& host, uint16_t port)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        throw Exception("cannot resolve host " + host);
    sockaddr_in address = *reinterpret_cast<sockaddr_in*>(found->ai_addr);
    freeaddrinfo(found);
    address.sin_port = htons(port);
    return address;
}

}

TSimTcpLink::TSimTcpLink(TSimSide side, ISimPacketSink& sink, const std::string& host, uint16_t port)
    : TSimLink(side, sink), FHost(host)
{
    sockaddr_in address = ResolveIPv4(host, port);
    FListen = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    if (FListen < 0 || setsockopt(FListen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 || bind(FListen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(FListen, 4) != 0) {
        const std::string reason = strerror(errno);
        if (FListen >= 0) close(FListen);
        throw Exception("cannot listen on " + host + ":" + std::to_string(port) + ": " + reason);
    }
    socklen_t length = sizeof address;
    getsockname(FListen, reinterpret_cast<sockaddr*>(&address), &length);
    FPort = ntohs(address.sin_port);
}

TSimTcpLink::~TSimTcpLink()
{
    CloseClient();
    close(FListen);
}

std::string TSimTcpLink::Describe() const { return FHost + ":" + std::to_string(FPort); }

void TSimTcpLink::Hangup()
{
    if (FClient < 0) return;
    Flush(FClient);
    CloseClient();
}

void TSimTcpLink::Watches(std::vector<TSimLoop::TWatch>& watches)
{
    watches.push_back({FListen, POLLIN, [this](short) { Accept(); }});
    if (FClient >= 0) {
        const int fd = FClient;
        const short events = short(POLLIN | (HasOutput() ? POLLOUT : 0));
        watches.push_back({fd, events, [this, fd](short revents) { OnClient(fd, revents); }});
    }
}

void TSimTcpLink::Accept()
{
    const int fd = accept4(FListen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    CloseClient();
    FClient = fd;
    StartSession();
}

void TSimTcpLink::OnClient(int fd, short revents)
{
    if (fd != FClient) return; // replaced earlier in this turn
    if (revents & POLLIN) {
        char chunk[16384];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            CloseClient();
            return;
        }
        if (n > 0) Received(std::string_view(chunk, size_t(n)));
    } else if (revents & (POLLERR | POLLHUP | POLLNVAL)) {
        CloseClient();
        return;
    }
    if (fd == FClient && !Flush(fd)) CloseClient();
}

void TSimTcpLink::CloseClient()
{
    if (FClient < 0) return;
    close(FClient);
    FClient = -1;
    StartSession();
}
