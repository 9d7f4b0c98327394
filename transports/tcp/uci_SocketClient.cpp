#include "transports/tcp/uci_SocketClient.h"

#include "framework/uExceptions.h"
#include "transports/uTransportErrors.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

// One connection, shared by the socket and its watcher thread: the descriptor is closed
// when both have let go of it, so no thread ever waits on a number already reused.
struct TClientSocket::TConnection {
    explicit TConnection(int fd) : Fd(fd) {}
    ~TConnection() { close(Fd); }
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

    size_t Queued() const { return Out.size() - OutSent; }

    const int Fd;
    std::atomic<bool> Connected{true}; // cleared once by whichever side ends the link
    std::atomic<bool> Announced{false}; // OnRead was called and nobody has read since
    std::atomic<int> ReadError{0};      // a failure met behind bytes already read, raised next time
    TPollEvent Ended;                   // set by Close and never reset: every wait sees it
    TPollEvent Kick;                    // wakes the watcher: bytes were read or queued
    std::mutex OutLock;
    std::string Out; // queued bytes; the first OutSent of them are sent already
    size_t OutSent = 0;
};

// Calls the socket's handlers for its watcher threads while the socket lives.
struct TClientSocket::TNotifier {
    explicit TNotifier(TClientSocket* socket) : Socket(socket) {}

    void Call(std::function<void()> TClientSocket::*handler)
    {
        std::function<void()> fn;
        {
            std::lock_guard lock(Lock);
            if (!Socket) return;
            fn = Socket->*handler;
            RunningOn.push_back(std::this_thread::get_id());
        }
        try {
            if (fn) fn();
        } catch (...) {
            ReportTransportError(std::current_exception());
        }
        std::lock_guard lock(Lock);
        RunningOn.erase(std::find(RunningOn.begin(), RunningOn.end(), std::this_thread::get_id()));
        Idle.notify_all();
    }

    // No handler is called after this returns; waits for those running on other threads.
    void Retire()
    {
        const auto self = std::this_thread::get_id();
        std::unique_lock lock(Lock);
        Socket = nullptr;
        Idle.wait(lock, [&] { return std::all_of(RunningOn.begin(), RunningOn.end(), [&](auto id) { return id == self; }); });
    }

    std::mutex Lock;
    std::condition_variable Idle;
    TClientSocket* Socket;
    std::vector<std::thread::id> RunningOn;
};

namespace {

int32_t Waiting(int fd)
{
    int waiting = 0;
    return ioctl(fd, FIONREAD, &waiting) == 0 ? waiting : 0;
}

// Sends queued bytes until the socket takes no more; 0 or the errno of the failure.
int Flush(int fd, std::string& out, size_t& sent)
{
    while (sent < out.size()) {
        const ssize_t n = send(fd, out.data() + sent, out.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            sent += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
        return n < 0 ? errno : EPIPE;
    }
    out.clear();
    sent = 0;
    return 0;
}

// The peer has closed or the connection failed, seen by a wait that returned `r`.
bool LinkEnded(const TWaitResult& r, int fd)
{
    if (r.HungUp() || (r.Device & POLLRDHUP)) return true;
    if (!(r.Device & POLLIN)) return false;
    char probe = 0;
    const ssize_t n = recv(fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

} // namespace

TClientSocket::TClientSocket() : FNotifier(std::make_shared<TNotifier>(this)) {}

TClientSocket::~TClientSocket()
{
    Close(false);
    RetireHandlers();
}

void TClientSocket::RetireHandlers() { FNotifier->Retire(); }

std::shared_ptr<TClientSocket::TConnection> TClientSocket::Connection() const
{
    std::lock_guard lock(FLock);
    return FConnection;
}

bool TClientSocket::Open(const std::string& host, uint16_t port, uint32_t timeoutMs, const TTcpIdle& idle, int& error)
{
    Close(false);
    {
        std::lock_guard lock(FLock);
        FCancelled = false;
        FCancel.Reset();
    }
    TTcpConnectResult result = ConnectTcp(host, port, timeoutMs, FCancel, idle);
    std::unique_lock lock(FLock);
    if (result.Fd >= 0 && FCancelled) {
        close(result.Fd);
        result = {-1, ECANCELED};
    }
    error = result.Error;
    if (result.Fd < 0) return false;
    auto c = std::make_shared<TConnection>(result.Fd);
    try {
        std::thread(&TClientSocket::Watch, c, FNotifier).detach();
    } catch (const std::system_error& e) {
        error = e.code().value();
        return false;
    }
    FConnection = std::move(c);
    return true;
}

bool TClientSocket::Close(bool reset)
{
    std::shared_ptr<TConnection> c;
    {
        std::lock_guard lock(FLock);
        c = std::move(FConnection);
        FCancelled = true;
        FCancel.Set();
    }
    if (!c) return false;
    const bool wasConnected = c->Connected.exchange(false);
    if (reset) {
        const linger abort{1, 0};
        setsockopt(c->Fd, SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
    } else {
        // The peer sees the end now, even while the watcher still holds the descriptor.
        shutdown(c->Fd, SHUT_RDWR);
    }
    c->Ended.Set();
    return wasConnected;
}

bool TClientSocket::Active() const
{
    const auto c = Connection();
    return c && c->Connected;
}

void TClientSocket::Watch(std::shared_ptr<TConnection> c, std::shared_ptr<TNotifier> notifier)
{
    while (c->Connected) {
        c->Kick.Reset();
        short events = POLLRDHUP;
        if (!c->Announced) events |= POLLIN;
        {
            std::lock_guard lock(c->OutLock);
            if (c->Queued() > 0) events |= POLLOUT;
        }
        const TWaitResult r = WaitForEvents({&c->Ended, &c->Kick}, -1, c->Fd, events);
        if (!c->Connected) break;
        int sendError = 0;
        if (r.Device & POLLOUT) {
            std::lock_guard lock(c->OutLock);
            sendError = Flush(c->Fd, c->Out, c->OutSent);
        }
        if (sendError != 0 || LinkEnded(r, c->Fd)) {
            if (!c->Connected.exchange(false)) break;
            // What came before the end is announced first: it is still readable.
            if (Waiting(c->Fd) > 0) notifier->Call(&TClientSocket::OnRead);
            notifier->Call(&TClientSocket::OnDisconnected);
            break;
        }
        if (!(r.Device & POLLIN)) continue;
        // Announced once: the readable socket is left alone until someone reads, so unread
        // bytes do not spin this loop.
        c->Announced = true;
        if (Waiting(c->Fd) > 0)
            notifier->Call(&TClientSocket::OnRead);
        else
            c->Announced = false; // read meanwhile by another thread
    }
}

int TClientSocket::SendText(const std::string& bytes)
{
    const auto c = Connection();
    if (!c || !c->Connected) return ENOTCONN;
    int error;
    bool rest;
    {
        std::lock_guard lock(c->OutLock);
        if (c->Queued() + bytes.size() > MaxQueuedBytes) return ENOBUFS;
        if (c->OutSent > c->Out.size() / 2) {
            c->Out.erase(0, c->OutSent);
            c->OutSent = 0;
        }
        c->Out += bytes;
        error = Flush(c->Fd, c->Out, c->OutSent);
        rest = c->Queued() > 0;
    }
    // The watcher sends the rest when the socket takes it, or reports the failed link.
    if (rest || error != 0) c->Kick.Set();
    return error;
}

std::string TClientSocket::ReceiveText()
{
    std::string result;
    const auto c = Connection();
    if (!c) return result;
    if (const int failed = c->ReadError.exchange(0))
        throw Exception(std::string("Socket receive failed: ") + std::strerror(failed));
    char chunk[4096];
    while (result.size() < MaxReceiveText) {
        const ssize_t n = recv(c->Fd, chunk, std::min(sizeof(chunk), MaxReceiveText - result.size()), MSG_DONTWAIT);
        if (n > 0) {
            result.append(chunk, size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n == 0) break; // the peer closed: the watcher reports it
        // The bytes read before the failure (a reset right behind them) are handed out first.
        if (!result.empty()) {
            c->ReadError = errno;
            break;
        }
        throw Exception(std::string("Socket receive failed: ") + std::strerror(errno));
    }
    if (c->Announced.exchange(false)) c->Kick.Set();
    return result;
}

int32_t TClientSocket::ReceiveLength() const
{
    const auto c = Connection();
    return c ? Waiting(c->Fd) : 0;
}

TCiWaitResult TClientSocket::WaitForData(uint32_t timeoutMs) const
{
    const auto c = Connection();
    if (!c) return TCiWaitResult::Closed;
    if (Waiting(c->Fd) > 0) return TCiWaitResult::Data;
    if (!c->Connected) return TCiWaitResult::Closed;
    const TWaitResult r = WaitForEvents({&c->Ended}, WaitTimeoutMs(timeoutMs), c->Fd, POLLIN | POLLRDHUP);
    if (r.Signalled != 0) return TCiWaitResult::Closed; // closed by this side
    if (Waiting(c->Fd) > 0) return TCiWaitResult::Data;
    // Readable with nothing to read is the end of the stream; a hang-up or an error ends it too.
    return r.TimedOut() ? TCiWaitResult::TimedOut : TCiWaitResult::Closed;
}

int32_t TClientSocket::LocalPort() const
{
    const auto c = Connection();
    sockaddr_storage local{};
    socklen_t len = sizeof(local);
    if (!c || !c->Connected || getsockname(c->Fd, reinterpret_cast<sockaddr*>(&local), &len) != 0) return -1;
    if (local.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&local)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&local)->sin_port);
}
