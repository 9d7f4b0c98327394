// Serial port core: one open serial line with its event thread and write thread.
//
// Writing only copies into the output ring; the write thread drains the ring into the
// line. The event thread waits, cancellably, for received characters, modem-line
// changes, line errors, the emptied output ring and a hang-up of the line, and reports
// each through one callback that runs on the event thread. Reads, status queries and
// purges run on the caller's thread.
#pragma once

#include "framework/uExceptions.h"
#include "transports/serial/uSerialLineIo.h"
#include "transports/uThreadSync.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

class TAfCircularBuffer;
class TAfComPortEventThread;
class TAfComPortWriteThread;

class EAfComPortCoreError : public Exception {
public:
    using Exception::Exception;
};

enum class TAfCoreEvent {
    ceOutFree,      // the output ring has been emptied
    ceLineEvent,    // parameter: event mask (ev::)
    ceNeedReadData, // parameter: bytes waiting in the input queue
    ceException,    // an exception escaped a worker; the exception rides along
    ceLineClosed,   // the line hung up (device gone, other end closed); the event thread has ended
};

// Line events.
namespace ev {
inline constexpr uint32_t RxChar = 0x0001;
inline constexpr uint32_t Cts = 0x0008;
inline constexpr uint32_t Dsr = 0x0010;
inline constexpr uint32_t Rlsd = 0x0020;
inline constexpr uint32_t Err = 0x0080;
inline constexpr uint32_t Ring = 0x0100;
inline constexpr uint32_t Mask = RxChar | Cts | Dsr | Rlsd | Err | Ring;
} // namespace ev

// Line error bits, accumulated by status queries until taken.
namespace ce {
inline constexpr uint32_t RxOver = 0x0001;
inline constexpr uint32_t Overrun = 0x0002;
inline constexpr uint32_t RxParity = 0x0004;
inline constexpr uint32_t Frame = 0x0008;
inline constexpr uint32_t Break = 0x0010;
} // namespace ce

class TAfComPortCore;
using TAfCoreEventHandler =
    std::function<void(TAfComPortCore& core, TAfCoreEvent kind, uint32_t param, std::exception_ptr error)>;

struct TAfComStatus {
    uint32_t Errors = 0;  // errors found by this query
    uint32_t InQueue = 0; // bytes waiting to be read
    uint32_t OutQueue = 0;
};

class TAfComPortCore {
public:
    explicit TAfComPortCore(std::shared_ptr<TSerialLineIo> io = nullptr);
    ~TAfComPortCore();
    TAfComPortCore(const TAfComPortCore&) = delete;
    TAfComPortCore& operator=(const TAfComPortCore&) = delete;

    // false when already active; raises EAfComPortCoreError on failure (port left closed).
    bool Open(int comNumber);
    // The system's error number of the last failed open of the device (errno), 0 when the
    // last open got past opening the device or the port number has no device path.
    int OpenError() const { return FOpenError; }
    // True when this call closed the port (it was open and no other thread closed it).
    bool Close();
    // The first step of a close, safe from any thread and without waiting: every input
    // wait ends at once and nothing more is read or written; Close still follows.
    void EndWaits();
    bool Active() const { return FActive; }
    int ComNumber() const { return FComNumber; }

    // Queues the whole block for the write thread; false (nothing queued) when the port is
    // not usable or the ring lacks room.
    bool Write(const void* data, size_t count);
    // Whatever is queued, up to count bytes, without waiting.
    size_t Read(void* buffer, size_t count);
    TAfComStatus QueryStatus();
    uint32_t TakeErrors();
    uint32_t ModemStatus();
    bool SetModemLine(TModemLine line, bool on);
    bool PurgeInput();
    // Discards the ring and the driver's output; false when the write thread did not
    // acknowledge within 2000 ms.
    bool PurgeOutput();
    // Blocks the calling thread up to timeoutMs until received bytes can be read; false
    // when the line is not usable, hangs up or is being closed. Takes no lock while it
    // waits, so the workers go on; a close ends the wait and lets it finish before the
    // descriptor goes.
    bool WaitForInput(int timeoutMs);
    size_t OutFree();

    // Stores the settings and, while active, writes them to the line. A rate the line
    // reports within 3 % of the request counts as taken. When the line refuses them, the
    // stored settings become what the line reports and EAfComPortCoreError is raised,
    // naming what the line keeps instead.
    void SetDcb(const TAfDcb& dcb);
    const TAfDcb& Dcb() const { return FDcb; }
    void SetSizes(int inQueue, int outQueue);
    void SetPriorities(TThreadPriority eventThread, TThreadPriority writeThread);
    // Takes effect at the next open (the event thread keeps its own copy).
    void SetOnEvent(TAfCoreEventHandler handler) { FOnEvent = std::move(handler); }

private:
    friend class TAfComPortCoreThread;
    friend class TAfComPortEventThread;
    friend class TAfComPortWriteThread;

    // Line error bits (ce::) for the counters that grew.
    static uint32_t LineErrors(const TSerialLineCounters& now, const TSerialLineCounters& before);
    void ApplyDcb();
    void StartThreads();
    void CloseSteps();
    void ReportException(std::exception_ptr error);

    std::shared_ptr<TSerialLineIo> FIo;
    std::atomic<bool> FHandleUsable{false};
    int FComNumber = 0;
    int FOpenError = 0;
    TAfDcb FDcb;
    int FHandle = -1;
    std::atomic<bool> FActive{false};
    uint32_t FErrors = 0;
    TSerialLineCounters FErrorCounters; // baseline of the line errors seen by status queries
    int FInQueueSize = 8192;
    int FOutQueueSize = 4096;
    TAfCoreEventHandler FOnEvent;
    std::mutex FCloseLock; // the owner's thread and the application's may both close
    std::mutex FStatusLock;
    std::mutex FWriteLock;
    std::mutex FPurgeLock; // one output purge at a time, so acknowledgements cannot cross
    int FInputWaiters = 0; // threads in WaitForInput; guarded by FStatusLock
    std::condition_variable FNoInputWaiters;
    std::unique_ptr<TAfCircularBuffer> FRing;
    std::unique_ptr<TAfComPortEventThread> FEventThread;
    std::unique_ptr<TAfComPortWriteThread> FWriteThread;
    TPollEvent FThreadsStarted;
    TPollEvent FOutEmpty;
    TPollEvent FRxRearm; // the owner read or purged input: watch for new characters again
    TPollEvent FDataAvailable;
    TPollEvent FPurgeRequest;
    TPollEvent FPurgeAck;
    TPollEvent FLineClosing; // set from the start of a close until the next open: ends input waits
    TThreadPriority FWriteThreadPriority = TThreadPriority::tpHigher;
    TThreadPriority FEventThreadPriority = TThreadPriority::tpNormal;
};
