#include "transports/serial/AfComPortCore.h"

#include "transports/serial/AfCircularBuffer.h"
#include "transports/serial/AfComPortThreads.h"
#include "transports/uComPortPath.h"
#include "transports/uTransportErrors.h"
#include "transports/uci_SerialCommunicationInterface.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>
#include <utility>

namespace {

constexpr int ThreadStartMs = 3000;
constexpr int PurgeAckMs = 2000;

[[noreturn]] void Raise(const char* format, int comNumber = 0)
{
    char text[128];
    std::snprintf(text, sizeof text, format, comNumber);
    throw EAfComPortCoreError(text);
}

// Within 3 % of the request: what a converter's clock divider makes of a rate.
bool BaudRateClose(uint32_t actual, uint32_t wanted)
{
    const uint64_t difference = actual > wanted ? actual - wanted : wanted - actual;
    return difference * 100 <= uint64_t(wanted) * 3;
}

// A setting's name, or its number when it has none.
std::string SettingName(std::string (*name)(uint8_t), uint8_t value)
{
    const std::string text = name(value);
    return text.empty() ? std::to_string(value) : text;
}

// What the line kept instead of the wanted settings, e.g. "the line keeps 9600 Bd
// instead of 14400 Bd, 8 data bits instead of 7"; empty when it shows no difference.
std::string RefusedSettings(const TAfDcb& wanted, const TAfDcb& actual)
{
    std::string text;
    auto kept = [&text](const std::string& now, const std::string& asked) {
        text += (text.empty() ? "the line keeps " : ", ") + now + " instead of " + asked;
    };
    if (actual.BaudRate != wanted.BaudRate)
        kept(std::to_string(actual.BaudRate) + " Bd", std::to_string(wanted.BaudRate) + " Bd");
    if (actual.ByteSize != wanted.ByteSize)
        kept(std::to_string(actual.ByteSize) + " data bits", std::to_string(wanted.ByteSize));
    if (actual.Parity != wanted.Parity)
        kept("parity " + SettingName(SerialParityName, actual.Parity), SettingName(SerialParityName, wanted.Parity));
    if (actual.StopBits != wanted.StopBits)
        kept("stop bits " + SettingName(SerialStopBitsName, actual.StopBits),
             SettingName(SerialStopBitsName, wanted.StopBits));
    auto hex = [](uint32_t value) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "0x%04X", value);
        return std::string(digits);
    };
    if (actual.Flags != wanted.Flags) kept("flags " + hex(actual.Flags), hex(wanted.Flags));
    return text;
}

} // namespace

uint32_t TAfComPortCore::LineErrors(const TSerialLineCounters& now, const TSerialLineCounters& before)
{
    return (now.BufOverrun != before.BufOverrun ? ce::RxOver : 0) | (now.Overrun != before.Overrun ? ce::Overrun : 0) |
           (now.Parity != before.Parity ? ce::RxParity : 0) | (now.Frame != before.Frame ? ce::Frame : 0) |
           (now.Break != before.Break ? ce::Break : 0);
}

TAfComPortCore::TAfComPortCore(std::shared_ptr<TSerialLineIo> io)
    : FIo(io ? std::move(io) : std::make_shared<TSerialLineIo>())
{
}

TAfComPortCore::~TAfComPortCore()
{
    Close();
}

bool TAfComPortCore::Open(int comNumber)
{
    if (FActive) return false;
    FOpenError = 0;
    if (comNumber <= 0) Raise("Invalid port number (COM%d)", comNumber);
    const std::string path = ComPortDevicePath(comNumber);
    const int fd = path.empty() ? -ENOENT : FIo->Open(path);
    if (fd < 0 && !path.empty()) FOpenError = -fd;
    if (fd == -ENOENT || fd == -ENXIO || fd == -ENODEV) Raise("Invalid port number (COM%d)", comNumber);
    if (fd < 0) Raise("Can't open device COM%d", comNumber);
    {
        std::lock_guard lock(FStatusLock);
        FHandle = fd;
    }
    FComNumber = comNumber;
    try {
        if (FInQueueSize <= 0 || FOutQueueSize <= 0) Raise("Error initializing buffers");
        {
            std::lock_guard lock(FWriteLock);
            FRing = std::make_unique<TAfCircularBuffer>(static_cast<size_t>(FOutQueueSize));
        }
        // The cancellable waits of both threads rest on these events.
        for (const TPollEvent* e :
             {&FThreadsStarted, &FOutEmpty, &FRxRearm, &FDataAvailable, &FPurgeRequest, &FPurgeAck, &FLineClosing})
            if (!e->Valid()) Raise(" Error setting EventMask");
        ApplyDcb();
        StartThreads();
    } catch (...) {
        CloseSteps();
        throw;
    }
    FActive = true;
    return true;
}

void TAfComPortCore::StartThreads()
{
    {
        std::lock_guard lock(FStatusLock);
        FErrors = 0;
        FIo->Counters(FHandle, FErrorCounters);
    }
    FPurgeRequest.Reset();
    FPurgeAck.Reset();
    FDataAvailable.Reset();
    FRxRearm.Reset();
    FLineClosing.Reset();
    try {
        FWriteThread = std::make_unique<TAfComPortWriteThread>(*this, FWriteThreadPriority);
        if (!FWriteThread->Start(ThreadStartMs)) Raise("Error creating threads");
        FHandleUsable = true;
        FEventThread = std::make_unique<TAfComPortEventThread>(*this, FEventThreadPriority);
        if (!FEventThread->Start(ThreadStartMs)) Raise("Error creating threads");
    } catch (const std::system_error&) {
        Raise("Error creating threads");
    }
}

bool TAfComPortCore::Close()
{
    const std::lock_guard lock(FCloseLock);
    if (FHandle < 0) return false;
    CloseSteps();
    return true;
}

// Both workers are stopped before the status lock is taken: a worker may be waiting for
// that lock (status query) or inside a callback, and must be able to finish. Readers on
// other threads check the usable flag under the status lock, so the descriptor is closed
// only once none of them can still use it; threads waiting for input are woken and the
// descriptor stays until the last of them has left its wait.
void TAfComPortCore::EndWaits()
{
    FHandleUsable = false;
    FLineClosing.Set();
}

void TAfComPortCore::CloseSteps()
{
    EndWaits();
    if (FWriteThread) FWriteThread->Stop();
    if (FEventThread) FEventThread->Stop();
    FWriteThread.reset();
    FEventThread.reset();
    {
        std::unique_lock lock(FStatusLock);
        FNoInputWaiters.wait(lock, [this] { return FInputWaiters == 0; });
        FIo->Flush(FHandle, true, true);
        FIo->Close(FHandle);
        FHandle = -1;
    }
    {
        std::lock_guard lock(FWriteLock);
        if (FRing) FRing->Clear();
    }
    FActive = false;
}

void TAfComPortCore::ApplyDcb()
{
    std::lock_guard lock(FStatusLock);
    TAfDcb actual = FDcb;
    // A format no line has is refused here, without asking the line.
    const std::string problem = LineFormatProblem(FDcb);
    const bool set = problem.empty() && FIo->SetSettings(FHandle, FDcb);
    FIo->GetSettings(FHandle, actual);
    // A converter derives its rate from its own clock and reports the rate it reached;
    // one this close to the request is the requested rate.
    if (BaudRateClose(actual.BaudRate, FDcb.BaudRate)) actual.BaudRate = FDcb.BaudRate;
    if (!set || !(actual == FDcb)) {
        const std::string refused = problem.empty() ? RefusedSettings(FDcb, actual) : problem;
        FDcb = actual;
        throw EAfComPortCoreError("Error setting parameters from DCB" + (refused.empty() ? "" : ": " + refused));
    }
    // Lines the line's own handshake does not drive follow the settings' levels; lines
    // without modem control (pseudo-terminals) ignore this.
    if (!(FDcb.Flags & dcb::fDtrControlHandshake))
        FIo->SetModemLine(FHandle, TModemLine::Dtr, FDcb.Flags & dcb::fDtrControlEnable);
    if (!(FDcb.Flags & dcb::fRtsControlHandshake))
        FIo->SetModemLine(FHandle, TModemLine::Rts, FDcb.Flags & dcb::fRtsControlEnable);
}

void TAfComPortCore::SetDcb(const TAfDcb& dcb)
{
    FDcb = dcb;
    if (FActive) ApplyDcb();
}

void TAfComPortCore::SetSizes(int inQueue, int outQueue)
{
    FInQueueSize = inQueue;
    FOutQueueSize = outQueue;
}

void TAfComPortCore::SetPriorities(TThreadPriority eventThread, TThreadPriority writeThread)
{
    FEventThreadPriority = eventThread;
    FWriteThreadPriority = writeThread;
}

bool TAfComPortCore::Write(const void* data, size_t count)
{
    std::lock_guard lock(FWriteLock);
    if (!FHandleUsable || !FRing->Write(data, count)) return false;
    FDataAvailable.Set();
    return true;
}

size_t TAfComPortCore::Read(void* buffer, size_t count)
{
    std::lock_guard lock(FStatusLock);
    if (!FHandleUsable || count == 0) return 0;
    const ssize_t n = FIo->Read(FHandle, buffer, count);
    FRxRearm.Set();
    return n > 0 ? static_cast<size_t>(n) : 0;
}

TAfComStatus TAfComPortCore::QueryStatus()
{
    std::lock_guard lock(FStatusLock);
    TAfComStatus status;
    if (!FHandleUsable) return status;
    const int in = FIo->InQueue(FHandle);
    const int out = FIo->OutQueue(FHandle);
    status.InQueue = in > 0 ? static_cast<uint32_t>(in) : 0;
    status.OutQueue = out > 0 ? static_cast<uint32_t>(out) : 0;
    TSerialLineCounters c;
    if (FIo->Counters(FHandle, c)) {
        status.Errors = LineErrors(c, FErrorCounters);
        FErrorCounters = c;
    }
    FErrors |= status.Errors;
    return status;
}

uint32_t TAfComPortCore::TakeErrors()
{
    std::lock_guard lock(FStatusLock);
    return std::exchange(FErrors, 0);
}

uint32_t TAfComPortCore::ModemStatus()
{
    std::lock_guard lock(FStatusLock);
    uint32_t status = 0;
    if (!FHandleUsable || !FIo->ModemStatus(FHandle, status)) return 0;
    return status;
}

bool TAfComPortCore::SetModemLine(TModemLine line, bool on)
{
    std::lock_guard lock(FStatusLock);
    return FHandleUsable && FIo->SetModemLine(FHandle, line, on);
}

bool TAfComPortCore::PurgeInput()
{
    std::lock_guard lock(FStatusLock);
    if (!FHandleUsable) return false;
    FRxRearm.Set();
    return FIo->Flush(FHandle, true, false);
}

bool TAfComPortCore::PurgeOutput()
{
    std::lock_guard purge(FPurgeLock);
    if (!FHandleUsable) return false;
    FPurgeAck.Reset();
    FPurgeRequest.Set();
    return FPurgeAck.WaitFor(PurgeAckMs);
}

bool TAfComPortCore::WaitForInput(int timeoutMs)
{
    int fd;
    {
        std::lock_guard lock(FStatusLock);
        if (!FHandleUsable) return false;
        fd = FHandle;
        ++FInputWaiters;
    }
    const TWaitResult r = WaitForEvents({&FLineClosing}, timeoutMs, fd, POLLIN);
    {
        std::lock_guard lock(FStatusLock);
        if (--FInputWaiters == 0) FNoInputWaiters.notify_all();
    }
    return r.Signalled == 0 && !r.HungUp() && FHandleUsable;
}

size_t TAfComPortCore::OutFree()
{
    std::lock_guard lock(FWriteLock);
    return FHandleUsable ? FRing->Free() : 0;
}

void TAfComPortCore::ReportException(std::exception_ptr error)
{
    // Runs on a worker; the handler set at open is the one the event thread copied, and
    // it is not changed while the port is open. An exception nobody takes goes to the
    // application's error display.
    if (FOnEvent) {
        try {
            FOnEvent(*this, TAfCoreEvent::ceException, 0, error);
            return;
        } catch (...) {
        }
    }
    ReportTransportError(error);
}
