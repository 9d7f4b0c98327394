// Line I/O over a real pseudo-terminal, with the modem-line and line-counter calls
// (which pseudo-terminals refuse) answered by values the test sets.
#pragma once

#include "transports/serial/uSerialLineIo.h"

#include <atomic>
#include <functional>
#include <mutex>

class TFakeModemLineIo : public TSerialLineIo {
public:
    bool ModemStatus(int, uint32_t& status) override
    {
        status = Status;
        return true;
    }
    bool SetModemLine(int, TModemLine line, bool on) override
    {
        (line == TModemLine::Dtr ? Dtr : Rts) = on ? 1 : 0;
        return true;
    }
    bool Counters(int, TSerialLineCounters& counters) override
    {
        std::lock_guard lock(FMutex);
        counters = FCounters;
        return true;
    }
    void Change(const std::function<void(TSerialLineCounters&)>& change)
    {
        std::lock_guard lock(FMutex);
        change(FCounters);
    }

    std::atomic<uint32_t> Status{0};
    std::atomic<int> Dtr{-1}, Rts{-1}; // -1: never set

private:
    std::mutex FMutex;
    TSerialLineCounters FCounters;
};

// A pseudo-terminal whose driver reports another rate than the one asked for, as a
// converter with a fixed clock does.
class TRoundingLineIo : public TSerialLineIo {
public:
    explicit TRoundingLineIo(uint32_t reached) : Reached(reached) {}
    bool GetSettings(int fd, TAfDcb& settings) override
    {
        if (!TSerialLineIo::GetSettings(fd, settings)) return false;
        settings.BaudRate = Reached;
        return true;
    }
    const uint32_t Reached;
};
