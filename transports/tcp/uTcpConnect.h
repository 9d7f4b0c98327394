// Making a TCP connection on the calling thread, which any thread may do.
//
// A host name is looked up on a helper thread, so a slow name service costs the caller
// no more than its connect time; dotted addresses are taken at once. The addresses of a
// name are tried in turn: one that neither accepts nor refuses within StaggerMs gets the
// next one tried beside it, one that fails gets the next one tried at once, and the first
// connection made wins (the others are dropped). The wait ends early when the cancel
// event is set.
#pragma once

#include "transports/uThreadSync.h"

#include <cstdint>
#include <functional>
#include <string>
#include <sys/socket.h>
#include <vector>

struct TTcpAddress {
    sockaddr_storage Address{};
    socklen_t Length = 0;
    int Family = AF_INET;
};

// The outcome of a connect: the connected, non-blocking socket, or -1 and why: an errno
// value (ECANCELED when the cancel event ended it), TcpErrorHostNotFound, or 0 when an
// address was still silent at the end of the time.
struct TTcpConnectResult {
    int Fd = -1;
    int Error = 0;
};

inline constexpr int TcpErrorHostNotFound = 11001;
inline constexpr uint32_t TcpStaggerMs = 250;

// Called while a connect waits, at least every 10 ms (e.g. to keep a user interface
// alive); without one the connect waits in one piece.
using TTcpIdle = std::function<void()>;

TTcpConnectResult ConnectTcp(const std::string& host, uint16_t port, uint32_t timeoutMs, const TPollEvent& cancel,
                             const TTcpIdle& idle);

// The connect itself, over addresses already known.
TTcpConnectResult ConnectFirst(const std::vector<TTcpAddress>& addresses, uint32_t timeoutMs, const TPollEvent& cancel,
                               const TTcpIdle& idle);
