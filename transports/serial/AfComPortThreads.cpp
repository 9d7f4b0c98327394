#include "transports/serial/AfComPortThreads.h"

#include "transports/serial/AfCircularBuffer.h"

#include <cerrno>
#include <poll.h>

namespace {

// No line event arrives while unread bytes wait; this poll repeats the data notification.
constexpr int IdlePollMs = 200;

} // namespace

TAfComPortCoreThread::TAfComPortCoreThread(TAfComPortCore& core, TThreadPriority priority)
    : FCore(core), FHandle(core.FHandle), FPriority(priority)
{
}

TAfComPortCoreThread::~TAfComPortCoreThread()
{
    Stop();
}

bool TAfComPortCoreThread::Start(int timeoutMs)
{
    FCore.FThreadsStarted.Reset();
    FThread = std::thread(&TAfComPortCoreThread::Run, this);
    return FCore.FThreadsStarted.WaitFor(timeoutMs);
}

void TAfComPortCoreThread::Stop()
{
    FTerminated = true;
    FStopEvent.Set();
    if (FThread.joinable()) FThread.join();
}

void TAfComPortCoreThread::Run()
{
    SetCurrentThreadPriority(FPriority);
    try {
        Execute();
    } catch (...) {
        FCore.ReportException(std::current_exception());
    }
}

TAfComPortEventThread::TAfComPortEventThread(TAfComPortCore& core, TThreadPriority priority)
    : TAfComPortCoreThread(core, priority), FOnEvent(core.FOnEvent)
{
}

void TAfComPortEventThread::Execute()
{
    TSerialLineIo& io = *FCore.FIo;
    FHasCounters = io.Counters(FHandle, FCounters);
    FHasModemStatus = io.ModemStatus(FHandle, FModemStatus);
    FCore.FOutEmpty.Reset();
    FCore.FThreadsStarted.Set();

    // Armed: a readable line is news. After reporting it the descriptor is not watched
    // (it would stay readable) until the owner reads or purges; meanwhile the idle poll
    // repeats the notification for bytes left unread.
    bool armed = true;
    while (!Terminated()) {
        const TWaitResult r = WaitForEvents({&FStopEvent, &FCore.FOutEmpty, &FCore.FRxRearm}, IdlePollMs, FHandle,
                                            armed ? POLLIN : 0);
        if (r.Signalled & 1) break;
        if (r.Signalled & 4) {
            FCore.FRxRearm.Reset();
            armed = true;
        }
        if (r.Signalled & 2) {
            FCore.FOutEmpty.Reset();
            Notify(TAfCoreEvent::ceOutFree, 0);
        }
        uint32_t mask = LineChanges();
        if (armed && (r.Device & POLLIN)) {
            mask |= ev::RxChar;
            armed = false;
        }
        if (mask) Notify(TAfCoreEvent::ceLineEvent, mask);
        if (r.HungUp()) {
            // Nothing more will come from this line: stop using it and tell the owner once.
            FCore.FHandleUsable = false;
            Notify(TAfCoreEvent::ceLineClosed, 0);
            break;
        }
        if (r.TimedOut()) {
            const TAfComStatus status = FCore.QueryStatus();
            if (status.InQueue > 0) Notify(TAfCoreEvent::ceNeedReadData, status.InQueue);
        }
    }
}

uint32_t TAfComPortEventThread::LineChanges()
{
    TSerialLineIo& io = *FCore.FIo;
    uint32_t mask = 0;
    TSerialLineCounters c;
    uint32_t status = 0;
    if (FHasCounters && io.Counters(FHandle, c)) {
        mask |= (c.Cts != FCounters.Cts ? ev::Cts : 0) | (c.Dsr != FCounters.Dsr ? ev::Dsr : 0) |
                (c.Dcd != FCounters.Dcd ? ev::Rlsd : 0) | (c.Ring != FCounters.Ring ? ev::Ring : 0);
        if (TAfComPortCore::LineErrors(c, FCounters) & ~ce::Break) mask |= ev::Err;
        FCounters = c;
    } else if (FHasModemStatus && io.ModemStatus(FHandle, status)) {
        const uint32_t changed = status ^ FModemStatus;
        mask |= ((changed & modem::Cts) ? ev::Cts : 0) | ((changed & modem::Dsr) ? ev::Dsr : 0) |
                ((changed & modem::Rlsd) ? ev::Rlsd : 0) | ((changed & status & modem::Ring) ? ev::Ring : 0);
        FModemStatus = status;
    }
    // The status query takes the new errors into the core's accumulated errors.
    if (mask & ev::Err) FCore.QueryStatus();
    return mask;
}

void TAfComPortEventThread::Notify(TAfCoreEvent kind, uint32_t param)
{
    if (Terminated() || !FOnEvent) return;
    try {
        FOnEvent(FCore, kind, param, nullptr);
    } catch (...) {
        FCore.ReportException(std::current_exception());
    }
}

void TAfComPortWriteThread::Execute()
{
    FCore.FThreadsStarted.Set();
    while (!Terminated()) {
        const TWaitResult r = WaitForEvents({&FStopEvent, &FCore.FPurgeRequest, &FCore.FDataAvailable}, -1);
        if (r.Signalled & 1) break;
        if (r.Signalled & 2) {
            Purge();
        } else if (r.Signalled & 4) {
            FCore.FDataAvailable.Reset();
            Pump();
        }
    }
}

// Writes the ring out, one contiguous run per write; what the line took leaves the
// ring at once, so a short write never sends bytes twice. The non-blocking write and
// the removal happen under one hold of the write lock: otherwise the peer could
// already have received bytes that OutFree still counts as queued, and an owner that
// waits for the peer before queueing more would wait for nothing. A failing line
// keeps the rest queued until the next data-available signal.
void TAfComPortWriteThread::Pump()
{
    TSerialLineIo& io = *FCore.FIo;
    for (;;) {
        ssize_t n;
        {
            std::lock_guard lock(FCore.FWriteLock);
            const size_t run = FCore.FRing->ContiguousRun();
            if (run == 0) {
                FCore.FOutEmpty.Set();
                return;
            }
            n = io.Write(FHandle, FCore.FRing->ReadPtr(), run);
            if (n > 0) FCore.FRing->Remove(static_cast<size_t>(n));
        }
        if (n > 0) continue;
        if (n != -EAGAIN) return;
        const TWaitResult r = WaitForEvents({&FStopEvent, &FCore.FPurgeRequest}, -1, FHandle, POLLOUT);
        if (r.Signalled & 1) return;
        if (r.Signalled & 2) return Purge();
        if (r.Device & POLLHUP) return;
    }
}

void TAfComPortWriteThread::Purge()
{
    FCore.FPurgeRequest.Reset();
    {
        std::lock_guard lock(FCore.FWriteLock);
        FCore.FRing->Clear();
        FCore.FDataAvailable.Reset();
    }
    FCore.FIo->Flush(FHandle, false, true);
    FCore.FPurgeAck.Set();
}
