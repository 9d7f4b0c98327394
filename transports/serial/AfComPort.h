// Serial port component: a COM port's settings as properties, the line settings record
// built from them, and the core's events turned into notifications on the main thread.
//
// The core reports on its event thread; the component carries every event through the
// cross-thread call registry to the main thread and fires OnDataRecived, the modem-line
// and line-error notifications there, one at a time. OnNonSyncEvent, when assigned,
// takes the events on the event thread instead.
#pragma once

#include "transports/serial/AfComPortCore.h"

#include <any>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

enum class TAfBaudrate {
    br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200,
    br38400, br56000, br57600, br115200, br128000, br256000, brUser
};
enum class TAfDatabits { db4, db5, db6, db7, db8 };
enum class TAfParity { paNone, paOdd, paEven, paMark, paSpace };
enum class TAfStopbits { sbOne, sbOneAndHalf, sbTwo };
enum class TAfFlowControl { fwNone, fwXOnXOff, fwRtsCts, fwDtrDsr };
enum class TAfComOption { coParityCheck, coDsrSensitivity, coIgnoreXOff, coErrorChar, coStripNull };
// A set of TAfComOption: bit n stands for the option of ordinal n.
using TAfComOptions = uint32_t;
constexpr TAfComOptions AfComOption(TAfComOption o) { return 1u << static_cast<int>(o); }
enum class TAfModemSignal { msCTS = 1, msDSR, msRING, msRLSD };

// The line rate of a table entry (0 for brUser, whose rate is UserBaudRate).
uint32_t AfBaudrateValue(TAfBaudrate rate);

class EAfComPortError : public Exception {
public:
    using Exception::Exception;
};

class TAfComPort;
using TAfNotifyEvent = std::function<void(TAfComPort& sender)>;
using TAfCountEvent = std::function<void(TAfComPort& sender, uint32_t value)>;
using TAfCoreEventNotify = std::function<void(TAfComPort& sender, TAfCoreEvent kind, uint32_t param)>;

class TAfComPort {
public:
    explicit TAfComPort(std::string name = {}, std::shared_ptr<TSerialLineIo> io = nullptr);
    ~TAfComPort();
    TAfComPort(const TAfComPort&) = delete;
    // Ends the delivery of the port's events for good: a handler under way on the
    // application's thread finishes first (unless this is that handler), none runs after.
    // For an owner about to free what its handlers use, whichever thread it is on.
    void StopEvents();
    TAfComPort& operator=(const TAfComPort&) = delete;

    const std::string& Name() const { return FName; }
    void SetName(std::string name) { FName = std::move(name); }

    void Open();
    void Close();
    // See TAfComPortCore::EndWaits.
    void EndWaits() { FCore.EndWaits(); }
    bool Active() const { return FCore.Active(); }
    // The system's error number of the last failed open (see TAfComPortCore::OpenError).
    int OpenError() const { return FCore.OpenError(); }
    // Opens the port when AutoOpen is set; called once the stored settings are applied.
    void Loaded();

    void Write(const void* data, size_t count);
    void WriteString(const std::string& data);
    // Everything waiting in the input queue, without waiting for more.
    std::string ReadString();
    // Exactly count bytes from the input queue, or "Read data error".
    void Read(void* buffer, size_t count);
    uint32_t InCount();
    size_t OutFree();
    bool ModemState(TAfModemSignal signal);
    void PurgeInput();
    void PurgeOutput();
    // Blocks the calling thread up to timeoutMs until received bytes can be read; false
    // when the port is closed or closing, or its line hung up.
    bool WaitForInput(int timeoutMs) { return !FClosing && FCore.WaitForInput(timeoutMs); }
    // Lets the user edit the line settings in the installed dialog (SetAfComPortGui); true
    // when confirmed. Without a dialog it returns false.
    bool ExecuteConfigDialog();

    const TAfDcb& Dcb() const { return FDcb; }
    // Takes a settings record over into the properties (the configuration dialog's result).
    void SetDcb(const TAfDcb& dcb);

    bool AutoOpen() const { return FAutoOpen; }
    void SetAutoOpen(bool value) { FAutoOpen = value; }
    TAfBaudrate BaudRate() const { return FBaudRate; }
    void SetBaudRate(TAfBaudrate value);
    uint16_t ComNumber() const { return FComNumber; }
    void SetComNumber(uint16_t value);
    TAfDatabits Databits() const { return FDatabits; }
    void SetDatabits(TAfDatabits value);
    bool DTR() const { return FDTR; }
    void SetDTR(bool value);
    TThreadPriority EventThreadPriority() const { return FEventThreadPriority; }
    void SetEventThreadPriority(TThreadPriority value) { FEventThreadPriority = value; }
    TAfFlowControl FlowControl() const { return FFlowControl; }
    void SetFlowControl(TAfFlowControl value);
    int InBufSize() const { return FInBufSize; }
    void SetInBufSize(int value);
    TAfComOptions Options() const { return FOptions; }
    void SetOptions(TAfComOptions value);
    int OutBufSize() const { return FOutBufSize; }
    void SetOutBufSize(int value);
    TAfParity Parity() const { return FParity; }
    void SetParity(TAfParity value);
    bool RTS() const { return FRTS; }
    void SetRTS(bool value);
    TAfStopbits Stopbits() const { return FStopbits; }
    void SetStopbits(TAfStopbits value);
    uint32_t UserBaudRate() const { return FUserBaudRate; }
    void SetUserBaudRate(uint32_t value);
    TThreadPriority WriteThreadPriority() const { return FWriteThreadPriority; }
    void SetWriteThreadPriority(TThreadPriority value) { FWriteThreadPriority = value; }
    char XOnChar() const { return FXOnChar; }
    void SetXOnChar(char value);
    char XOffChar() const { return FXOffChar; }
    void SetXOffChar(char value);
    uint16_t XOnLim() const { return FXOnLim; }
    void SetXOnLim(uint16_t value);
    uint16_t XOffLim() const { return FXOffLim; }
    void SetXOffLim(uint16_t value);

    TAfNotifyEvent OnCTSChanged, OnDSRChanged, OnRINGDetected, OnRLSDChanged;
    TAfNotifyEvent OnOutBufFree, OnPortOpen, OnPortClose;
    TAfCountEvent OnDataRecived; // bytes waiting
    TAfCountEvent OnLineError;   // line error bits (ce::)
    TAfCoreEventNotify OnSyncEvent, OnNonSyncEvent;
    // Set once by the owner before opening: keeps the owner (and this port with it) whole
    // while a line event is handled on the application's thread, where a listener may
    // drop the owner's last reference. An empty result means the owner is already going.
    std::function<std::shared_ptr<void>()> HoldOwner;

private:
    [[noreturn]] void RaiseError(const std::string& message) const;
    TAfDcb BuildDcb() const;
    void LoadProperties(const TAfDcb& dcb);
    void UpdateDcb();
    void UpdateLimits();
    void CoreEvent(TAfComPortCore& core, TAfCoreEvent kind, uint32_t param, std::exception_ptr error);
    void SyncEvent(const std::any& arg);
    // Registers the port's cross-thread call slot unless it has one; an open port holds
    // one, and closing releases it for other ports.
    void TakeSyncSlot();
    void ReleaseSyncSlot();
    void LineEvent(uint32_t mask);

    std::string FName;
    bool FAutoOpen = false;
    TAfBaudrate FBaudRate = TAfBaudrate::br115200;
    uint16_t FComNumber = 0;
    TAfDatabits FDatabits = TAfDatabits::db8;
    bool FDTR = true;
    TThreadPriority FEventThreadPriority = TThreadPriority::tpNormal;
    TAfFlowControl FFlowControl = TAfFlowControl::fwNone;
    int FInBufSize = 4096;
    TAfComOptions FOptions = 0;
    int FOutBufSize = 2048;
    TAfParity FParity = TAfParity::paNone;
    bool FRTS = true;
    TAfStopbits FStopbits = TAfStopbits::sbOne;
    uint32_t FUserBaudRate = 0;
    TThreadPriority FWriteThreadPriority = TThreadPriority::tpHighest;
    char FXOnChar = 17;
    char FXOffChar = 19;
    uint16_t FXOnLim = 0;
    uint16_t FXOffLim = 0;

    std::atomic<bool> FClosing{false};
    std::atomic<bool> FDestroying{false};
    // Counts opens; an event still queued from an earlier opening is dropped.
    std::atomic<uint32_t> FGeneration{0};
    TAfComPortCore FCore;
    TAfDcb FDcb;
    std::atomic<uint32_t> FSyncId{0};
};

// What a program with widgets adds to the ports, installed by RegisterTransportDialogs:
// the line settings dialog (true when confirmed) and the wait cursor shown while a port
// opens (called with true before, with false after). Without them a port has no dialog
// and shows no cursor.
using TAfConfigDialogHook = bool (*)(TAfComPort& port);
using TAfBusyCursorHook = void (*)(bool busy);
void SetAfComPortGui(TAfConfigDialogHook dialog, TAfBusyCursorHook busyCursor);
bool AfComPortHasConfigDialog();
