// Cancellable waits for the serial port's worker threads.
//
// TPollEvent is an event object backed by an eventfd, so that one poll() can wait for
// several events and, at the same time, for a device descriptor: every wait of a
// worker can therefore be ended by its stop event. Events are consumed explicitly
// (Reset) by the one thread that waits on them, which gives auto-reset behaviour.
#pragma once

#include <climits>
#include <cstdint>
#include <initializer_list>
#include <poll.h>

class TPollEvent {
public:
    TPollEvent();
    ~TPollEvent();
    TPollEvent(const TPollEvent&) = delete;
    TPollEvent& operator=(const TPollEvent&) = delete;

    bool Valid() const { return FFd >= 0; }
    int Fd() const { return FFd; }
    void Set();
    // Clears the event; true when it was set.
    bool Reset();
    // Waits up to timeoutMs (negative: forever) and consumes the event; false on time-out.
    bool WaitFor(int timeoutMs);

private:
    int FFd;
};

struct TWaitResult {
    uint32_t Signalled = 0; // bit i: the i-th event of the list is set (not consumed)
    short Device = 0;       // poll revents of the device descriptor
    bool TimedOut() const { return Signalled == 0 && Device == 0; }
    // The device hung up or failed: nothing more will come from it.
    bool HungUp() const { return Device & (POLLHUP | POLLERR | POLLNVAL); }
};

// A wait time as WaitForEvents takes it; longer times wait as long as it can.
constexpr int WaitTimeoutMs(uint32_t ms) { return ms > uint32_t(INT_MAX) ? INT_MAX : int(ms); }

// Waits until one of the events is set or the device descriptor (when >= 0) reports one
// of deviceEvents or a hang-up/error, or until timeoutMs passes (negative: forever).
TWaitResult WaitForEvents(std::initializer_list<const TPollEvent*> events, int timeoutMs,
                          int deviceFd = -1, short deviceEvents = 0);

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Applies the priority to the calling thread as far as the process may (raising the
// priority needs privileges; a refusal leaves the thread as it is).
void SetCurrentThreadPriority(TThreadPriority priority);
