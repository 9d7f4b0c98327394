// A module behind a TCP gateway on a loopback port, played by the test: each connection
// is greeted the moment it is accepted with what the gateway held for it (earlier
// traffic, stale answers), then every request the client sends is answered as the test
// says. Serves one connection at a time until destroyed.
#pragma once

#include "protocol/uTarvel97.h"
#include "tests/support/loopback_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

class TModulePeer {
public:
    // The bytes sent back for a request: the connection's number and the request's on it
    // (both from 0); empty: none. Runs on the peer's thread.
    using TAnswer = std::function<std::string(const TTarvelFormat97& request, int connection, int index)>;

    TModulePeer(std::string greeting, TAnswer answer)
        : FGreeting(std::move(greeting)), FAnswer(std::move(answer)), FListener(BindLoopback(FPort, 4))
    {
        if (::pipe(FStop) != 0) throw std::runtime_error("pipe failed");
        FThread = std::thread([this] {
            for (int connection = 0; const int client = Accept();)
                if (client > 0) Serve(client, connection++);
        });
    }
    ~TModulePeer()
    {
        (void)!::write(FStop[1], "x", 1);
        FThread.join();
        for (const int fd : {FListener, FStop[0], FStop[1]}) ::close(fd);
    }
    TModulePeer(const TModulePeer&) = delete;
    TModulePeer& operator=(const TModulePeer&) = delete;

    std::string Connection() const { return LoopbackConnection(FPort); }
    // Requests received over all connections.
    int Requests() const { return FRequests; }

private:
    // The next connection, -1 when accepting failed, 0 when the peer is to end.
    int Accept()
    {
        pollfd fds[] = {{FStop[0], POLLIN, 0}, {FListener, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || fds[0].revents) return 0;
        const int client = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
        return client > 0 ? client : -1;
    }
    bool Send(int client, const std::string& bytes)
    {
        return bytes.empty() || ::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }
    void Serve(int client, int connection)
    {
        std::string received;
        char buffer[4096];
        int index = 0;
        pollfd fds[] = {{FStop[0], POLLIN, 0}, {client, POLLIN, 0}};
        for (bool open = Send(client, FGreeting); open && ::poll(fds, 2, -1) > 0 && !fds[0].revents;) {
            const ssize_t n = ::read(client, buffer, sizeof buffer);
            open = n > 0;
            if (open) received.append(buffer, size_t(n));
            TTarvelFormat97 request;
            while (open && FindTarvel97Packet(received, request, true)) {
                ++FRequests;
                open = Send(client, FAnswer(request, connection, index++));
            }
        }
        ::close(client);
    }

    const std::string FGreeting;
    const TAnswer FAnswer;
    uint16_t FPort = 0;
    const int FListener;
    int FStop[2] = {-1, -1};
    std::atomic<int> FRequests{0};
    std::thread FThread;
};
