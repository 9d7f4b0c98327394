// Pseudo-terminal fixtures for the serial port tests: a master the test drives and its
// slave linked as COM<n> in a private directory named by VALDRIX_COM_DIR.
#pragma once

#include "tests/support/com_links.h"
#include "tests/support/pump_until.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

class TPty {
public:
    TPty()
    {
        FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (FMaster < 0 || ::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0)
            throw std::runtime_error("posix_openpt");
        FSlave = ::ptsname(FMaster);
    }
    ~TPty() { CloseMaster(); }
    const std::string& SlavePath() const { return FSlave; }
    int Master() const { return FMaster; }
    void CloseMaster()
    {
        if (FMaster >= 0) ::close(FMaster);
        FMaster = -1;
    }

    void Send(const std::string& data) const
    {
        size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(FMaster, data.data() + done, data.size() - done);
            if (n > 0) done += static_cast<size_t>(n);
            else WaitFor(POLLOUT);
        }
    }
    // Reads until count bytes have come or nothing arrives for timeoutMs.
    std::string Receive(size_t count, int timeoutMs = 5000) const
    {
        std::string data;
        char buf[4096];
        while (data.size() < count && WaitFor(POLLIN, timeoutMs)) {
            const ssize_t n = ::read(FMaster, buf, std::min(sizeof buf, count - data.size()));
            if (n <= 0) break;
            data.append(buf, static_cast<size_t>(n));
        }
        return data;
    }

    // Whatever arrives first, waiting at most timeoutMs for it.
    std::string ReceiveSome(int timeoutMs) const
    {
        char buf[65536];
        if (!WaitFor(POLLIN, timeoutMs)) return {};
        const ssize_t n = ::read(FMaster, buf, sizeof buf);
        return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
    }

private:
    bool WaitFor(short events, int timeoutMs = 5000) const
    {
        pollfd p{FMaster, events, 0};
        return ::poll(&p, 1, timeoutMs) > 0 && (p.revents & events);
    }

    int FMaster = -1;
    std::string FSlave;
};

// A COM port backed by a fresh pseudo-terminal.
struct TPtyPort {
    explicit TPtyPort(int comNumber) : Number(comNumber) { Dir.Link(comNumber, Pty.SlavePath()); }
    TComLinks Dir;
    TPty Pty;
    int Number;
};
