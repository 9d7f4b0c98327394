// A TCP client socket that any one thread at a time may open, use and close, and that
// another thread may close while a wait or a send is in progress (which ends the wait at
// once).
//
// Open connects on the calling thread (transports/tcp/uTcpConnect.h). While connected, a
// watcher thread of the connection waits on the socket: it announces arriving bytes
// (OnRead, once until someone reads), sends what the socket could not take at once, and
// notices at once when the peer closes or the connection fails, whatever is still unread
// (OnDisconnected). Both handlers run on the watcher thread. Bytes that came before the
// peer closed stay readable until the next Open or Close.
//
// Bytes the socket cannot take at once are queued, up to MaxQueuedBytes: a send that
// would queue more is refused whole.
#pragma once

#include "framework/uci_ICommunicationInterfaceIntf.h"
#include "transports/tcp/uTcpConnect.h"
#include "transports/uThreadSync.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class TClientSocket {
public:
    // The bound of the send queue, that of the serial port's output ring.
    static constexpr size_t MaxQueuedBytes = 10000000;
    // The most bytes one ReceiveText hands out (the rest stays waiting, so a peer that
    // floods the connection cannot make one call hold its whole stream).
    static constexpr size_t MaxReceiveText = 0x10000;

    std::function<void()> OnRead;
    std::function<void()> OnDisconnected;

    TClientSocket();
    // Closes the connection and waits for a handler still running on a watcher thread
    // (unless it is destroyed from inside that handler).
    ~TClientSocket();
    // No handler is called after this returns (it waits for those running on other
    // threads): an owner being destroyed calls it first, so that no handler reaches it.
    void RetireHandlers();
    TClientSocket(const TClientSocket&) = delete;
    TClientSocket& operator=(const TClientSocket&) = delete;

    // Drops any connection and connects within timeoutMs; false with the reason (as
    // TTcpConnectResult::Error) when no connection was made. A Close from another thread
    // ends the attempt (ECANCELED).
    bool Open(const std::string& host, uint16_t port, uint32_t timeoutMs, const TTcpIdle& idle, int& error);
    // Ends the connection (gracefully, or with a reset when `reset`) or the connect in
    // progress; true when a connection was open. No handler is called for it.
    bool Close(bool reset);

    bool Active() const;

    // Sends the bytes, queueing what the socket cannot take yet: 0, or ENOTCONN without a
    // connection, ENOBUFS when the queue would grow past its bound (nothing is queued),
    // another errno value when the connection failed.
    int SendText(const std::string& bytes);
    // The bytes received so far, at most MaxReceiveText; raises Exception on a socket error
    // (one met behind bytes already read, at the next call, after those bytes).
    std::string ReceiveText();
    // Bytes waiting to be read.
    int32_t ReceiveLength() const;
    // Local port of the connection, -1 without one.
    int32_t LocalPort() const;
    // Data when bytes are waiting; otherwise blocks until they are (Data), the link ends
    // by either side (Closed), or timeoutMs passed (TimedOut).
    TCiWaitResult WaitForData(uint32_t timeoutMs) const;

private:
    struct TConnection;
    struct TNotifier;

    std::shared_ptr<TConnection> Connection() const;
    static void Watch(std::shared_ptr<TConnection> c, std::shared_ptr<TNotifier> notifier);

    mutable std::mutex FLock;           // guards FConnection and FCancelled
    std::shared_ptr<TConnection> FConnection;
    bool FCancelled = false;            // a Close came while Open was connecting
    TPollEvent FCancel;                 // wakes the connect for that Close
    std::shared_ptr<TNotifier> FNotifier;
};
