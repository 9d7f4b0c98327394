// The far end of a TCP test connection: a listening socket on 127.0.0.1 with an
// ephemeral port, and the accepted connection.
#pragma once

#include "tests/support/loopback_socket.h"

#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

class TTestPeer {
public:
    TTestPeer() { FListen = BindLoopback(FPort, 4); }
    ~TTestPeer()
    {
        CloseConnection();
        if (FListen >= 0) close(FListen);
    }

    uint16_t Port() const { return FPort; }
    // Stops listening: connects to this port are then refused.
    void StopListening()
    {
        close(FListen);
        FListen = -1;
    }
    // Takes the pending connection (the client has connected already); false after 2 s.
    bool Accept()
    {
        pollfd p{FListen, POLLIN, 0};
        if (poll(&p, 1, 2000) != 1) return false;
        FConn = accept(FListen, nullptr, nullptr);
        return FConn >= 0;
    }
    void Write(const std::string& bytes) { send(FConn, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // Reads until `count` bytes arrived or 2 s passed.
    std::string Read(size_t count)
    {
        std::string result;
        char buffer[4096];
        while (result.size() < count) {
            pollfd p{FConn, POLLIN, 0};
            if (poll(&p, 1, 2000) != 1) break;
            const ssize_t n = recv(FConn, buffer, std::min(sizeof(buffer), count - result.size()), 0);
            if (n <= 0) break;
            result.append(buffer, size_t(n));
        }
        return result;
    }
    void CloseConnection()
    {
        if (FConn >= 0) close(FConn);
        FConn = -1;
    }
    // Ends the connection with a reset instead of an orderly close.
    void ResetConnection()
    {
        const linger reset{1, 0};
        if (FConn >= 0) setsockopt(FConn, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
        CloseConnection();
    }

private:
    int FListen = -1;
    int FConn = -1;
    uint16_t FPort = 0;
};
