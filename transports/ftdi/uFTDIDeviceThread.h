// The reader thread of a USB converter transport (TFTDIDevice).
//
// While a device is attached, the thread runs the device's poll callback, then waits up
// to its poll interval (PollIntervalMs, or the converter's latency when the library
// cannot notify arrivals) for the notification event (set by the converter library when bytes
// arrive or a modem line changes, and by the device itself) or the wake event. While
// nothing is attached, or the thread is paused, it blocks without a time-out until a
// device is attached or the thread is stopped, so an idle reader costs no CPU. A thread
// that waits for an answer while holding the device (and so keeps the poll callback
// out) waits on the same event through WaitForArrival.
//
// The thread holds a counted reference to the attached device and a local one while it
// polls; dropping the local one may destroy the device on this thread, which then stops
// the thread and the thread frees itself at the end of its loop.
#pragma once

#include "framework/uMethod.h"
#include "framework/ui_MyInterfacedObject.h"
#include "transports/ftdi/uFTDIEvent.h"

#include <cstdint>
#include <memory>
#include <thread>

class IFTDISerialPortInterface;

class TFTDIDeviceThread {
public:
    using TPollCallback = TMethod<void()>;
    static constexpr int PollIntervalMs = 100;

    // Starts the thread at the highest priority the process may give, idle.
    explicit TFTDIDeviceThread(TPollCallback poll);
    TFTDIDeviceThread(const TFTDIDeviceThread&) = delete;
    TFTDIDeviceThread& operator=(const TFTDIDeviceThread&) = delete;

    // Ends the thread. Called on the thread itself (the device is being destroyed by the
    // thread's own reference), the thread is left to free itself when its loop ends;
    // otherwise this waits for the thread and frees it.
    static void Stop(std::unique_ptr<TFTDIDeviceThread> thread);
    ~TFTDIDeviceThread();

    // Attaching keeps a reference to the device, clears the paused flag and the wake
    // event, and starts the polling, every pollIntervalMs at the latest. Waits for an
    // arrival (WaitForArrival) end after that interval too, so that they look again at a
    // converter which cannot signal.
    void Attach(const IntfPtr<IFTDISerialPortInterface>& device, uint32_t pollIntervalMs = PollIntervalMs);
    // Drops the thread's reference (outside the thread's own lock: it may be the last).
    void Detach();
    // Stops the polling: paused flag and wake event set.
    void Pause();
    // Sets the notification event, so that the thread polls again at once.
    void Notify();
    // Arrivals (bytes, modem-line changes) the library has signalled so far.
    uint64_t Arrivals();
    // Blocks another thread (one that holds the transport while it waits for an answer)
    // up to timeoutMs, unless arrivals were counted since `seen`: ends at the next arrival,
    // pause or stop, or whatever else wakes the event. The library may wake only one of
    // the threads waiting on the event: whichever wakes with the flag set counts the
    // arrival and wakes all the others, so neither this thread nor the reader misses it.
    void WaitForArrival(uint64_t seen, uint32_t timeoutMs);
    // The event handed to the converter library.
    TD2xxEvent* NotificationEvent() { return &FEvent; }

    // Waits up to timeoutMs until every reader thread of the process has ended (before
    // the converter library is released); false on time-out.
    static bool WaitForAllEnded(int timeoutMs);

private:
    void Execute();
    // The attached device once one is attached and the thread not paused; null when the
    // thread is to end.
    IntfPtr<IFTDISerialPortInterface> WaitUntilAttached();
    void WaitForEvents();
    // Consumes the library's flag into the arrival count and wakes every waiter; true
    // when the flag was set. The caller holds FEvent.Mutex.
    bool TakeSignal();
    // One wait on the event, unless an arrival was counted since `seen` or the thread is
    // paused or stopped. The caller holds FEvent.Mutex.
    void WaitLocked(uint64_t seen, uint32_t timeoutMs);

    TPollCallback FPoll;
    // FEvent.Mutex guards every field below; FEvent.Cond is signalled on every change.
    TD2xxEvent FEvent;
    IntfPtr<IFTDISerialPortInterface> FAttached;
    bool FPaused = false;
    bool FWake = false; // manual-reset
    bool FTerminated = false;
    bool FFreeOnTerminate = false;
    uint64_t FArrivals = 0; // signals of the library taken so far
    uint32_t FPollIntervalMs = PollIntervalMs;
    std::thread FThread;
};
