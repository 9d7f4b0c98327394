#include "transports/tcp/uTcpConnect.h"

#include "framework/uTimeoutManager.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int IdleSliceMs = 10;

// Resolves host:port; returns 0 or an error code.
int Resolve(const std::string& host, uint16_t port, bool numericOnly, std::vector<TTcpAddress>& out)
{
    if (host.empty()) return TcpErrorHostNotFound;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | (numericOnly ? AI_NUMERICHOST : 0);
    addrinfo* list = nullptr;
    const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (rc != 0) return rc == EAI_SYSTEM ? errno : TcpErrorHostNotFound;
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        TTcpAddress a;
        std::memcpy(&a.Address, ai->ai_addr, ai->ai_addrlen);
        a.Length = ai->ai_addrlen;
        a.Family = ai->ai_family;
        out.push_back(a);
    }
    freeaddrinfo(list);
    return out.empty() ? TcpErrorHostNotFound : 0;
}

// A name lookup on its helper thread; the thread keeps it alive after the caller gave up.
struct TLookup {
    std::mutex Lock;
    TPollEvent Done;
    bool Finished = false;
    int Code = 0;
    std::vector<TTcpAddress> Addresses;
};

// Waits for the events or the descriptors, in slices when there is an idle function.
void WaitSlice(std::vector<pollfd>& fds, int64_t ms, const TTcpIdle& idle)
{
    const int wait = int(std::clamp<int64_t>(ms, 0, idle ? IdleSliceMs : INT32_MAX));
    while (poll(fds.data(), fds.size(), wait) < 0 && errno == EINTR) {
    }
    if (idle) idle();
}

int LookUp(const std::string& host, uint16_t port, TTimeoutRecord& deadline, const TPollEvent& cancel,
           const TTcpIdle& idle, std::vector<TTcpAddress>& out)
{
    if (Resolve(host, port, true, out) == 0) return 0;
    auto lookup = std::make_shared<TLookup>();
    std::thread([lookup, host, port] {
        std::vector<TTcpAddress> found;
        const int code = Resolve(host, port, false, found);
        std::lock_guard lock(lookup->Lock);
        lookup->Code = code;
        lookup->Addresses = std::move(found);
        lookup->Finished = true;
        lookup->Done.Set();
    }).detach();
    for (;;) {
        {
            std::lock_guard lock(lookup->Lock);
            if (lookup->Finished) {
                out = std::move(lookup->Addresses);
                return lookup->Code;
            }
        }
        if (deadline.Expired()) return 0;
        std::vector<pollfd> fds{{lookup->Done.Fd(), POLLIN, 0}, {cancel.Fd(), POLLIN, 0}};
        WaitSlice(fds, deadline.Remaining(), idle);
        if (fds[1].revents) return ECANCELED;
    }
}

// Starts a connect to one address: the socket (connected or connecting), or -1 and errno.
int StartConnect(const TTcpAddress& a, int& error)
{
    const int fd = socket(a.Family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    // Requests are small and wait for their answers: send them without delay.
    const int noDelay = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
    if (connect(fd, reinterpret_cast<const sockaddr*>(&a.Address), a.Length) == 0 || errno == EINPROGRESS) return fd;
    error = errno;
    close(fd);
    return -1;
}

int PendingError(int fd)
{
    int err = 0;
    socklen_t len = sizeof(err);
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
    return err;
}

} // namespace

TTcpConnectResult ConnectFirst(const std::vector<TTcpAddress>& addresses, uint32_t timeoutMs, const TPollEvent& cancel,
                               const TTcpIdle& idle)
{
    TTimeoutRecord deadline(timeoutMs);
    TTimeoutRecord stagger(0);
    std::vector<int> pending;
    size_t next = 0;
    int lastError = addresses.empty() ? TcpErrorHostNotFound : 0;
    const auto giveUp = [&](int error) {
        for (int fd : pending) close(fd);
        return TTcpConnectResult{-1, error};
    };
    for (;;) {
        while (next < addresses.size() && (pending.empty() || stagger.Expired())) {
            const int fd = StartConnect(addresses[next++], lastError);
            if (fd < 0) {
                stagger.Start(0); // failed at once: the next address goes now
                continue;
            }
            pending.push_back(fd);
            stagger.Start(TcpStaggerMs);
        }
        if (pending.empty()) return {-1, lastError};
        std::vector<pollfd> fds{{cancel.Fd(), POLLIN, 0}};
        for (int fd : pending) fds.push_back({fd, POLLOUT, 0});
        if (deadline.Expired()) return giveUp(0);
        int64_t waitMs = deadline.Remaining();
        if (next < addresses.size()) waitMs = std::min(waitMs, stagger.Remaining());
        WaitSlice(fds, waitMs, idle);
        if (fds[0].revents) return giveUp(ECANCELED);
        for (size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            const int fd = fds[i].fd;
            pending.erase(std::find(pending.begin(), pending.end(), fd));
            const int err = PendingError(fd);
            if (err == 0) {
                giveUp(0);
                return {fd, 0};
            }
            lastError = err;
            close(fd);
            stagger.Start(0); // a refusal moves on to the next address at once
        }
    }
}

TTcpConnectResult ConnectTcp(const std::string& host, uint16_t port, uint32_t timeoutMs, const TPollEvent& cancel,
                             const TTcpIdle& idle)
{
    TTimeoutRecord deadline(timeoutMs);
    std::vector<TTcpAddress> addresses;
    const int code = LookUp(host, port, deadline, cancel, idle, addresses);
    if (code != 0 || addresses.empty()) return {-1, code};
    return ConnectFirst(addresses, uint32_t(std::max<int64_t>(deadline.Remaining(), 0)), cancel, idle);
}
