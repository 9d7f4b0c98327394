// A listener on the "DST" monitor channel, bound in a private runtime directory
// (XDG_RUNTIME_DIR points there while it lives).
#pragma once

#include "framework/uci_SpyMonitor.h"

#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class TMonitorListener {
public:
    TMonitorListener()
    {
        char tmpl[] = "/tmp/valdrix-dst-test-XXXXXX";
        FDir = mkdtemp(tmpl);
        setenv("XDG_RUNTIME_DIR", FDir.c_str(), 1);
        FFd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = MonitorSocketPath();
        path.copy(address.sun_path, sizeof(address.sun_path) - 1);
        bind(FFd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        timeval timeout{2, 0};
        setsockopt(FFd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    }
    ~TMonitorListener()
    {
        close(FFd);
        unlink(MonitorSocketPath().c_str());
        rmdir(FDir.c_str());
        unsetenv("XDG_RUNTIME_DIR");
    }
    TMonitorListener(const TMonitorListener&) = delete;
    TMonitorListener& operator=(const TMonitorListener&) = delete;

    // The next datagram, or "" after the time-out (at once with MSG_DONTWAIT).
    std::string Next(int flags = 0)
    {
        char buffer[4096];
        const ssize_t n = recv(FFd, buffer, sizeof(buffer), flags);
        return n > 0 ? std::string(buffer, size_t(n)) : std::string();
    }
    // Drops every datagram that waits.
    void Drain()
    {
        while (!Next(MSG_DONTWAIT).empty()) {
        }
    }

private:
    std::string FDir;
    int FFd = -1;
};
