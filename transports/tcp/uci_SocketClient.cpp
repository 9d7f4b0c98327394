#include "transports/tcp/uci_SocketClient.h"

#include "framework/uExceptions.h"
#include "transports/uThreadSync.h"

#include <QMetaObject>
#include <QObject>
#include <QSocketNotifier>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

struct TClientSocket::TAddress {
    sockaddr_storage Address{};
    socklen_t Length = 0;
    int Family = AF_INET;
};

// A name lookup running on its helper thread; `Context` is cleared when the socket
// no longer wants the answer.
struct TSocketLookup {
    std::mutex Lock;
    QObject* Context = nullptr;
};

namespace {

using TAddressList = std::vector<TClientSocket::TAddress>;

int ResolveError(int code) { return code == EAI_SYSTEM ? errno : TClientSocket::ErrorHostNotFound; }

int SocketErrorCode(int err) { return err == ETIMEDOUT ? TClientSocket::ErrorTimedOut : err; }

// Resolves host:port; returns 0 or an error code for OnError.
int Resolve(const std::string& host, uint16_t port, bool numericOnly, TAddressList& out)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | (numericOnly ? AI_NUMERICHOST : 0);
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    if (rc != 0) return ResolveError(rc);
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        TClientSocket::TAddress a;
        std::memcpy(&a.Address, ai->ai_addr, ai->ai_addrlen);
        a.Length = ai->ai_addrlen;
        a.Family = ai->ai_family;
        out.push_back(a);
    }
    freeaddrinfo(list);
    return out.empty() ? TClientSocket::ErrorHostNotFound : 0;
}

// Runs fn on the thread of `context` (at once when already there).
template <class Fn>
void RunOn(QObject* context, Fn fn)
{
    if (QThread::currentThread() == context->thread())
        fn();
    else
        QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
}

} // namespace

TClientSocket::TClientSocket() : FContext(std::make_unique<QObject>()), FAlive(std::make_shared<bool>(true)) {}

TClientSocket::~TClientSocket()
{
    FAlive.reset();
    OnConnected = nullptr;
    OnDisconnected = nullptr;
    OnRead = nullptr;
    OnError = nullptr;
    ReleaseConnection();
    // Destroyed from inside one of its own notifications: the notifier is still emitting.
    for (QSocketNotifier* n : FRetired) {
        if (FNotifying > 0)
            n->deleteLater();
        else
            delete n;
    }
}

void TClientSocket::Open()
{
    ReleaseConnection();
    if (FNotifying == 0) DisposeRetired();
    FState = State::Connecting;
    if (FHost.empty()) {
        Fail(ErrorHostNotFound);
        return;
    }
    TAddressList addresses;
    const int rc = Resolve(FHost, FPort, true, addresses);
    if (rc == 0) {
        StartConnect(std::move(addresses));
        return;
    }
    // Not a numeric address: look the name up without blocking this thread.
    auto lookup = std::make_shared<TSocketLookup>();
    lookup->Context = FContext.get();
    FLookup = lookup;
    std::weak_ptr<bool> alive = FAlive;
    std::thread([this, lookup, alive, host = FHost, port = FPort] {
        auto result = std::make_shared<TAddressList>();
        const int code = Resolve(host, port, false, *result);
        std::lock_guard lock(lookup->Lock);
        if (!lookup->Context) return;
        QMetaObject::invokeMethod(lookup->Context, [this, lookup, alive, result, code] {
            if (alive.expired() || FLookup != lookup) return;
            FLookup.reset();
            if (code != 0)
                Fail(code);
            else
                StartConnect(std::move(*result));
        }, Qt::QueuedConnection);
    }).detach();
}

void TClientSocket::StartConnect(std::vector<TAddress> addresses)
{
    FAddresses = std::move(addresses);
    TryNextAddress();
}

void TClientSocket::TryNextAddress()
{
    int lastError = ECONNREFUSED;
    while (!FAddresses.empty()) {
        const TAddress a = FAddresses.front();
        FAddresses.erase(FAddresses.begin());
        const int fd = socket(a.Family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        // Requests are small and wait for their answers: send them without delay.
        const int noDelay = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
        if (connect(fd, reinterpret_cast<const sockaddr*>(&a.Address), a.Length) == 0 || errno == EINPROGRESS) {
            FFd = fd;
            FWriteNotifier = new QSocketNotifier(fd, QSocketNotifier::Write);
            QObject::connect(FWriteNotifier, &QSocketNotifier::activated, FContext.get(), [this] { OnWritable(); });
            return;
        }
        lastError = errno;
        ::close(fd);
    }
    Fail(SocketErrorCode(lastError));
}

void TClientSocket::OnWritable()
{
    if (FState.load() == State::Connected) {
        FlushOutput();
        return;
    }
    int err = 0;
    socklen_t len = sizeof(err);
    if (getsockopt(FFd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
    if (err != 0) {
        // This address failed: drop it and try the next one of the name (releasing the
        // connection forgets the addresses, so the rest is kept aside).
        std::vector<TAddress> rest = std::move(FAddresses);
        ReleaseConnection();
        FState = State::Connecting;
        if (rest.empty()) {
            Fail(SocketErrorCode(err));
            return;
        }
        FAddresses = std::move(rest);
        TryNextAddress();
        return;
    }
    FAddresses.clear();
    FWriteNotifier->setEnabled(false);
    FReadNotifier = new QSocketNotifier(FFd, QSocketNotifier::Read);
    QObject::connect(FReadNotifier, &QSocketNotifier::activated, FContext.get(), [this] { OnReadable(); });
    FState = State::Connected;
    std::weak_ptr<bool> alive = FAlive;
    ++FNotifying;
    if (OnConnected) OnConnected();
    if (alive.expired()) return;
    --FNotifying;
}

void TClientSocket::OnReadable()
{
    std::weak_ptr<bool> alive = FAlive;
    ++FNotifying;
    char probe = 0;
    const ssize_t n = recv(FFd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
        // Paused until the bytes are taken, so unread bytes do not spin the event loop.
        FReadNotifier->setEnabled(false);
        if (OnRead) OnRead();
    } else if (n == 0) {
        ReleaseConnection();
        if (OnDisconnected) OnDisconnected();
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        Fail(SocketErrorCode(errno));
    }
    if (alive.expired()) return;
    --FNotifying;
}

void TClientSocket::EnableReadNotifier()
{
    std::weak_ptr<bool> alive = FAlive;
    RunOn(FContext.get(), [this, alive] {
        if (!alive.expired() && FReadNotifier) FReadNotifier->setEnabled(true);
    });
}

bool TClientSocket::SendText(const std::string& bytes)
{
    if (!Active()) return false;
    {
        std::lock_guard lock(FOutLock);
        FOutBuffer += bytes;
    }
    std::weak_ptr<bool> alive = FAlive;
    RunOn(FContext.get(), [this, alive] {
        if (!alive.expired()) FlushOutput();
    });
    return !alive.expired() && Active();
}

void TClientSocket::FlushOutput()
{
    if (FState.load() != State::Connected) return;
    std::unique_lock lock(FOutLock);
    while (!FOutBuffer.empty()) {
        const ssize_t n = send(FFd, FOutBuffer.data(), FOutBuffer.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            FOutBuffer.erase(0, size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        const int err = errno;
        lock.unlock();
        Fail(SocketErrorCode(err));
        return;
    }
    // Wait for room only while something is left to send.
    FWriteNotifier->setEnabled(!FOutBuffer.empty());
}

std::string TClientSocket::ReceiveText()
{
    std::string result;
    const int fd = FFd.load();
    if (fd < 0 || !Active()) return result;
    char chunk[4096];
    while (result.size() < MaxReceiveText) {
        const ssize_t n = recv(fd, chunk, std::min(sizeof(chunk), MaxReceiveText - result.size()), MSG_DONTWAIT);
        if (n > 0) {
            result.append(chunk, size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n == 0) break; // the peer closed: the readable notification reports it
        throw Exception(std::string("Socket receive failed: ") + std::strerror(errno));
    }
    EnableReadNotifier();
    return result;
}

int32_t TClientSocket::ReceiveLength() const
{
    const int fd = FFd.load();
    int waiting = 0;
    if (fd < 0 || !Active() || ioctl(fd, FIONREAD, &waiting) != 0) return 0;
    return waiting;
}

TCiWaitResult TClientSocket::WaitForData(uint32_t timeoutMs) const
{
    const int fd = FFd.load();
    if (fd < 0 || !Active()) return TCiWaitResult::Closed;
    const TWaitResult r = WaitForEvents({}, WaitTimeoutMs(timeoutMs), fd, POLLIN | POLLRDHUP);
    if (ReceiveLength() > 0) return TCiWaitResult::Data;
    // Readable with nothing to read is the end of the stream; a hang-up or an error ends it too.
    return r.TimedOut() ? TCiWaitResult::TimedOut : TCiWaitResult::Closed;
}

int32_t TClientSocket::LocalPort() const
{
    const int fd = FFd.load();
    sockaddr_storage local{};
    socklen_t len = sizeof(local);
    if (fd < 0 || !Active() || getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) != 0) return -1;
    if (local.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&local)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&local)->sin_port);
}

void TClientSocket::Close()
{
    const bool wasConnected = Active();
    ReleaseConnection();
    if (FNotifying == 0) DisposeRetired();
    if (wasConnected && OnDisconnected) OnDisconnected();
}

void TClientSocket::Abort()
{
    const int fd = FFd.load();
    if (fd >= 0) {
        linger reset{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
    }
    Close();
}

// Reports the error first, with the connection still in place, so the handler sees the
// state it failed in; then drops the connection and tells that it ended.
void TClientSocket::Fail(int code)
{
    const bool wasConnected = Active();
    std::weak_ptr<bool> alive = FAlive;
    if (OnError) OnError(code);
    if (alive.expired()) return;
    ReleaseConnection();
    if (wasConnected && OnDisconnected) OnDisconnected();
}

void TClientSocket::ReleaseConnection()
{
    if (FLookup) {
        std::lock_guard lock(FLookup->Lock);
        FLookup->Context = nullptr;
    }
    FLookup.reset();
    FAddresses.clear();
    for (QSocketNotifier** n : {&FReadNotifier, &FWriteNotifier}) {
        if (!*n) continue;
        (*n)->setEnabled(false);
        FRetired.push_back(*n);
        *n = nullptr;
    }
    const int fd = FFd.exchange(-1);
    if (fd >= 0) ::close(fd);
    FState = State::Idle;
    std::lock_guard lock(FOutLock);
    FOutBuffer.clear();
}

void TClientSocket::DisposeRetired()
{
    for (QSocketNotifier* n : FRetired) delete n;
    FRetired.clear();
}
