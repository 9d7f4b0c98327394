#include "transports/ftdi/uFTDIDeviceThread.h"

#include "transports/ftdi/uci_FTDIdirect.h"
#include "transports/uThreadSync.h"

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <mutex>

namespace {

// The reader threads alive in this process.
struct TLiveThreads {
    std::mutex Lock;
    std::condition_variable Changed;
    int Count = 0;
};

TLiveThreads& LiveThreads()
{
    static TLiveThreads live;
    return live;
}

class TEventLock {
public:
    explicit TEventLock(TD2xxEvent& event) : FMutex(event.Mutex) { pthread_mutex_lock(&FMutex); }
    ~TEventLock() { pthread_mutex_unlock(&FMutex); }
    TEventLock(const TEventLock&) = delete;
    TEventLock& operator=(const TEventLock&) = delete;

private:
    pthread_mutex_t& FMutex;
};

timespec MonotonicDeadline(uint32_t ms)
{
    timespec at;
    clock_gettime(CLOCK_MONOTONIC, &at);
    at.tv_sec += ms / 1000;
    at.tv_nsec += long(ms % 1000) * 1000000L;
    if (at.tv_nsec >= 1000000000L) {
        at.tv_sec += 1;
        at.tv_nsec -= 1000000000L;
    }
    return at;
}

} // namespace

TFTDIDeviceThread::TFTDIDeviceThread(TPollCallback poll) : FPoll(poll)
{
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    pthread_cond_init(&FEvent.Cond, &attributes);
    pthread_condattr_destroy(&attributes);
    pthread_mutex_init(&FEvent.Mutex, nullptr);
    FEvent.Signalled = 0;
    {
        std::lock_guard lock(LiveThreads().Lock);
        ++LiveThreads().Count;
    }
    FThread = std::thread(&TFTDIDeviceThread::Execute, this);
}

TFTDIDeviceThread::~TFTDIDeviceThread()
{
    pthread_cond_destroy(&FEvent.Cond);
    pthread_mutex_destroy(&FEvent.Mutex);
}

void TFTDIDeviceThread::Stop(std::unique_ptr<TFTDIDeviceThread> thread)
{
    const bool onItself = std::this_thread::get_id() == thread->FThread.get_id();
    {
        TEventLock lock(thread->FEvent);
        thread->FTerminated = true;
        thread->FWake = true;
        thread->FPaused = false;
        thread->FFreeOnTerminate = onItself;
        pthread_cond_broadcast(&thread->FEvent.Cond);
    }
    if (onItself) {
        thread->FThread.detach();
        thread.release(); // freed by Execute when the loop ends
        return;
    }
    thread->FThread.join();
}

bool TFTDIDeviceThread::WaitForAllEnded(int timeoutMs)
{
    TLiveThreads& live = LiveThreads();
    std::unique_lock lock(live.Lock);
    return live.Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return live.Count == 0; });
}

void TFTDIDeviceThread::Attach(const IntfPtr<IFTDISerialPortInterface>& device, uint32_t pollIntervalMs)
{
    IntfPtr<IFTDISerialPortInterface> previous = device;
    {
        TEventLock lock(FEvent);
        FAttached.swap(previous);
        FPollIntervalMs = pollIntervalMs;
        FPaused = false;
        FWake = false;
        pthread_cond_broadcast(&FEvent.Cond);
    }
}

void TFTDIDeviceThread::Detach()
{
    IntfPtr<IFTDISerialPortInterface> previous;
    {
        TEventLock lock(FEvent);
        FAttached.swap(previous);
    }
}

void TFTDIDeviceThread::Pause()
{
    TEventLock lock(FEvent);
    FPaused = true;
    FWake = true;
    pthread_cond_broadcast(&FEvent.Cond);
}

void TFTDIDeviceThread::Notify() { SignalD2xxEvent(FEvent); }

IntfPtr<IFTDISerialPortInterface> TFTDIDeviceThread::WaitUntilAttached()
{
    TEventLock lock(FEvent);
    while (!FTerminated && (FPaused || !FAttached)) pthread_cond_wait(&FEvent.Cond, &FEvent.Mutex);
    return FTerminated ? nullptr : FAttached;
}

bool TFTDIDeviceThread::TakeSignal()
{
    if (!FEvent.Signalled) return false;
    FEvent.Signalled = 0; // auto-reset
    ++FArrivals;
    pthread_cond_broadcast(&FEvent.Cond);
    return true;
}

// Whatever wakes the condition ends the wait (a library that does not set the flag
// included), so a spurious wake-up costs one extra look at most.
void TFTDIDeviceThread::WaitLocked(uint64_t seen, uint32_t timeoutMs)
{
    if (TakeSignal() || FArrivals != seen || FWake) return;
    const timespec deadline = MonotonicDeadline(timeoutMs);
    pthread_cond_timedwait(&FEvent.Cond, &FEvent.Mutex, &deadline);
    TakeSignal();
}

void TFTDIDeviceThread::WaitForEvents()
{
    TEventLock lock(FEvent);
    WaitLocked(FArrivals, FPollIntervalMs);
}

uint64_t TFTDIDeviceThread::Arrivals()
{
    TEventLock lock(FEvent);
    return FArrivals;
}

void TFTDIDeviceThread::WaitForArrival(uint64_t seen, uint32_t timeoutMs)
{
    TEventLock lock(FEvent);
    WaitLocked(seen, std::min(timeoutMs, FPollIntervalMs));
}

void TFTDIDeviceThread::Execute()
{
    SetCurrentThreadPriority(TThreadPriority::tpHighest);
    for (;;) {
        IntfPtr<IFTDISerialPortInterface> device = WaitUntilAttached();
        if (!device) break;
        FPoll();
        WaitForEvents();
        device = nullptr; // may destroy the device, which stops this thread
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    bool freeSelf;
    {
        TEventLock lock(FEvent);
        freeSelf = FFreeOnTerminate;
    }
    if (freeSelf) delete this;
    TLiveThreads& live = LiveThreads();
    std::lock_guard lock(live.Lock);
    --live.Count;
    live.Changed.notify_all();
}
