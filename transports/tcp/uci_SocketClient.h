// A non-blocking TCP client socket whose notifications (connected, disconnected,
// readable, error) arrive on the thread that owns it (the main thread) through the Qt
// event loop. The bytes waiting and the bytes themselves are read from the socket
// directly (FIONREAD / recv), so they can be polled while that thread is blocked.
//
// Host names resolve on a helper thread, so a slow name service never blocks the
// caller; dotted addresses connect at once. All addresses of a name are tried in turn.
// Bytes that the socket cannot take at once are kept and sent when it can: nothing
// written is lost while the connection stands.
#pragma once

#include "framework/uci_ICommunicationInterfaceIntf.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QObject;
class QSocketNotifier;
struct TSocketLookup;

class TClientSocket {
public:
    // Error codes passed to OnError: errno values, except these two conditions.
    static constexpr int ErrorTimedOut = 10060;    // connect or receive timed out
    static constexpr int ErrorHostNotFound = 11001; // the host name did not resolve

    struct TAddress; // one resolved address of the host

    std::function<void()> OnConnected;
    std::function<void()> OnDisconnected;
    std::function<void()> OnRead;
    // The handler may set the code to 0 to mark the error handled.
    std::function<void(int& code)> OnError;

    TClientSocket();
    ~TClientSocket();
    TClientSocket(const TClientSocket&) = delete;
    TClientSocket& operator=(const TClientSocket&) = delete;

    void SetHost(const std::string& host) { FHost = host; }
    const std::string& Host() const { return FHost; }
    void SetPort(uint16_t port) { FPort = port; }
    uint16_t Port() const { return FPort; }

    // Starts an asynchronous connect; the outcome arrives as OnConnected or OnError.
    void Open();
    // Closes the connection (OnDisconnected when it was connected) or cancels a connect.
    void Close();
    // Closes at once, resetting the connection instead of a graceful shutdown.
    void Abort();

    bool Active() const { return FState.load() == State::Connected; }

    // Queues the bytes for sending. On the owner's thread they go out at once; false when
    // there is no connection or it failed while sending them (the failure is reported as
    // OnError and OnDisconnected first).
    bool SendText(const std::string& bytes);
    // The bytes received so far, at most MaxReceiveText of them (the rest stays waiting,
    // so a peer that floods the connection cannot make one call hold its whole stream);
    // raises Exception on a socket error.
    std::string ReceiveText();
    static constexpr size_t MaxReceiveText = 0x10000;
    // Bytes waiting to be read; 0 without a connection.
    int32_t ReceiveLength() const;
    // Local port of the connection, -1 without one.
    int32_t LocalPort() const;
    // Blocks the calling thread until bytes are waiting (Data), the peer has closed or the
    // connection failed (Closed), or timeoutMs passed. Works without the event loop; the
    // connection is left as it is: the notifications end it once the loop runs again.
    TCiWaitResult WaitForData(uint32_t timeoutMs) const;

private:
    enum class State { Idle, Connecting, Connected };

    void StartConnect(std::vector<TAddress> addresses);
    void TryNextAddress();
    void OnWritable();
    void OnReadable();
    void FlushOutput();
    void Fail(int code);
    void ReleaseConnection();
    void EnableReadNotifier();
    void DisposeRetired();

    std::string FHost;
    uint16_t FPort = 0;
    std::atomic<State> FState{State::Idle};
    std::atomic<int> FFd{-1};
    std::vector<TAddress> FAddresses;
    std::unique_ptr<QObject> FContext;            // receives queued calls on the owner's thread
    std::shared_ptr<TSocketLookup> FLookup;       // pending name lookup, if any
    QSocketNotifier* FReadNotifier = nullptr;
    QSocketNotifier* FWriteNotifier = nullptr;
    std::vector<QSocketNotifier*> FRetired;       // disabled, deleted outside their own signal
    int FNotifying = 0;                           // depth of notifier slots on the stack
    std::shared_ptr<bool> FAlive;                 // lets a slot notice that the socket died
    std::mutex FOutLock;
    std::string FOutBuffer;
};
