#include "tests/support/fault_peers.h"

#include "tests/support/child_processes.h"
#include "tests/support/loopback_socket.h"

#include <poll.h>

#include <chrono>
#include <random>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto TrickleGap = std::chrono::milliseconds(100);

bool SendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

std::string RandomBytes(size_t size)
{
    std::mt19937 random(97);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = char(random());
    return bytes;
}

} // namespace

TFaultPeer::TFaultPeer(TPeerFault fault, int modulePort) : FFault(fault), FModulePort(modulePort)
{
    FListener = BindLoopback(FPort, 4);
    if (::pipe(FStop) != 0) throw std::runtime_error("pipe failed");
    FThread = std::thread([this] { Serve(); });
}

TFaultPeer::~TFaultPeer()
{
    (void)!::write(FStop[1], "x", 1);
    FThread.join();
    for (int fd : {FListener, FStop[0], FStop[1]}) ::close(fd);
}

std::string TFaultPeer::Connection() const { return LoopbackConnection(FPort); }

void TFaultPeer::Serve()
{
    for (;;) {
        pollfd fds[2] = {{FStop[0], POLLIN, 0}, {FListener, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || fds[0].revents) return;
        const int client = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        // A client that stops reading does not hold the peer for ever.
        const timeval sendLimit{10, 0};
        ::setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
        Relay(client);
        ::close(client);
    }
}

void TFaultPeer::Relay(int client)
{
    int module = -1;
    if (FFault != TPeerFault::Silent) {
        bool connected = false;
        module = ConnectLoopback(uint16_t(FModulePort), connected);
        if (!connected) {
            ::close(module);
            return;
        }
    }
    bool flooded = false;
    std::string trickle; // answer bytes not passed on yet
    Clock::time_point lastByte{};
    for (bool open = true; open;) {
        pollfd fds[3] = {{FStop[0], POLLIN, 0}, {client, POLLIN, 0}, {module, POLLIN, 0}};
        const int wait = trickle.empty() ? -1 : int(TrickleGap.count());
        if (::poll(fds, 3, wait) < 0 || fds[0].revents) break;
        char buffer[4096];
        if (fds[1].revents) {
            const ssize_t n = ::read(client, buffer, sizeof buffer);
            open = n > 0 && (module < 0 || SendAll(module, buffer, size_t(n)));
        }
        if (open && fds[2].revents) {
            const ssize_t n = ::read(module, buffer, sizeof buffer);
            open = n > 0;
            if (open && FFault == TPeerFault::Trickle) trickle.append(buffer, size_t(n));
            if (open && FFault == TPeerFault::Flood) {
                if (!flooded) {
                    const std::string noise = RandomBytes(FloodBytes);
                    open = SendAll(client, noise.data(), noise.size());
                    flooded = true;
                }
                open = open && SendAll(client, buffer, size_t(n));
            }
        }
        if (open && !trickle.empty() && Clock::now() - lastByte >= TrickleGap) {
            open = SendAll(client, trickle.data(), 1);
            trickle.erase(0, 1);
            lastByte = Clock::now();
        }
    }
    if (module >= 0) ::close(module);
}
