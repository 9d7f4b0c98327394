// The far side of a converter: a module simulator over loopback TCP, or the line wired
// back; and the event notification that tells the waiter about arriving bytes.
#include "tests/transports/ftdi/fake_d2xx/fake_d2xx.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int ConnectTo(const std::string& host, uint16_t port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return -1;
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd >= 0 && ::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    if (fd >= 0) {
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return fd;
}

// Moves what the module sends into the converter's receive queue until the connection
// ends (the module closes it, or the converter shuts it down).
void ReceiveFromModule(TFakeConverter* converter, int fd)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        std::lock_guard lock(FakeLock());
        converter->Received.append(buffer, size_t(n));
        FakeNotify(*converter, FT_EVENT_RXCHAR);
    }
}

} // namespace

void FakeNotify(TFakeConverter& converter, uint32_t kind)
{
    if (converter.Event && (converter.EventMask & kind)) SignalD2xxEvent(*converter.Event);
}

void FakeTransmit(TFakeConverter& converter, const char* bytes, size_t count)
{
    if (converter.ModuleSocket < 0) {
        converter.Received.append(bytes, count);
        if (count) FakeNotify(converter, FT_EVENT_RXCHAR);
        return;
    }
    while (count > 0) {
        const ssize_t n = ::send(converter.ModuleSocket, bytes, count, MSG_NOSIGNAL);
        if (n <= 0) return; // the module is gone: like a line without a listener
        bytes += n;
        count -= size_t(n);
    }
}

bool FakeConnectModule(TFakeConverter& converter)
{
    if (converter.ModulePort == 0) return true;
    converter.ModuleSocket = ConnectTo(converter.ModuleHost, converter.ModulePort);
    if (converter.ModuleSocket < 0) return false;
    converter.ModuleReceiver = std::thread(ReceiveFromModule, &converter, converter.ModuleSocket);
    return true;
}

TFakeModuleConnection FakeTakeModule(TFakeConverter& converter)
{
    TFakeModuleConnection connection;
    connection.Socket = std::exchange(converter.ModuleSocket, -1);
    connection.Receiver = std::move(converter.ModuleReceiver);
    if (connection.Socket >= 0) ::shutdown(connection.Socket, SHUT_RDWR);
    return connection;
}

void FakeEndModule(TFakeModuleConnection connection)
{
    if (connection.Receiver.joinable()) connection.Receiver.join();
    if (connection.Socket >= 0) ::close(connection.Socket);
}
