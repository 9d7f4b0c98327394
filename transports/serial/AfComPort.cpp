#include "transports/serial/AfComPort.h"

#include "transports/serial/AfSafeSync.h"

#include <cstdio>

namespace {

std::atomic<TAfConfigDialogHook> gConfigDialog{nullptr};
std::atomic<TAfBusyCursorHook> gBusyCursor{nullptr};

// The installed wait cursor, shown for the lifetime of the object.
class TBusyCursor {
public:
    TBusyCursor() : FShow(gBusyCursor.load())
    {
        if (FShow) FShow(true);
    }
    ~TBusyCursor()
    {
        if (FShow) FShow(false);
    }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    TAfBusyCursorHook FShow;
};

} // namespace

void SetAfComPortGui(TAfConfigDialogHook dialog, TAfBusyCursorHook busyCursor)
{
    gConfigDialog = dialog;
    gBusyCursor = busyCursor;
}

bool AfComPortHasConfigDialog() { return gConfigDialog.load() != nullptr; }

namespace {

constexpr uint32_t BaudRateTexts[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                   19200, 38400, 56000, 57600, 115200, 128000, 256000};
constexpr int SyncCallTimeoutMs = 2000;

struct TSyncEventArg {
    uint32_t Generation;
    TAfCoreEvent Kind;
    uint32_t Param;
    std::exception_ptr Error;
};

uint32_t FlowControlFlags(TAfFlowControl fc)
{
    switch (fc) {
    case TAfFlowControl::fwXOnXOff: return dcb::fOutX | dcb::fInX;
    case TAfFlowControl::fwRtsCts: return dcb::fOutxCtsFlow | dcb::fRtsControlHandshake;
    case TAfFlowControl::fwDtrDsr: return dcb::fOutxDsrFlow | dcb::fDtrControlHandshake;
    case TAfFlowControl::fwNone: break;
    }
    return 0;
}

constexpr uint32_t OptionFlags[] = {dcb::fParity, dcb::fDsrSensitivity, dcb::fTXContinueOnXoff, dcb::fErrorChar,
                                     dcb::fNull};

} // namespace

uint32_t AfBaudrateValue(TAfBaudrate rate)
{
    return rate == TAfBaudrate::brUser ? 0 : BaudRateTexts[static_cast<int>(rate)];
}

TAfComPort::TAfComPort(std::string name, std::shared_ptr<TSerialLineIo> io)
    : FName(std::move(name)), FCore(std::move(io))
{
    FCore.SetOnEvent([this](TAfComPortCore& core, TAfCoreEvent kind, uint32_t param, std::exception_ptr error) {
        CoreEvent(core, kind, param, std::move(error));
    });
    FDcb = BuildDcb();
}

TAfComPort::~TAfComPort()
{
    FDestroying = true;
    StopEvents();
    FCore.Close();
}

// Identifiers are never reused, so unregistering twice (here and in Close) is harmless.
void TAfComPort::StopEvents() { AfSafeSyncUnregister(FSyncId); }

void TAfComPort::RaiseError(const std::string& message) const
{
    throw EAfComPortError(message + " - " + FName + " ");
}

void TAfComPort::TakeSyncSlot()
{
    if (FSyncId != 0) return;
    FSyncId = AfSafeSyncRegister([this](const std::any& arg) {
        // Released after the event is handled: this port may be freed right there.
        const std::shared_ptr<void> owner = HoldOwner ? HoldOwner() : nullptr;
        if (HoldOwner && !owner) return;
        SyncEvent(arg);
    });
}

void TAfComPort::Open()
{
    if (FCore.Active()) return;
    // Without a slot no line event could reach the owner: the port would look open and
    // never report a byte or a hang-up. An open port holds one, a closed port none.
    TakeSyncSlot();
    if (FSyncId == 0)
        RaiseError("Cannot open: all " + std::to_string(AfSafeSyncSlotCount) +
                   " event slots are taken by other open serial ports; close one of them first");
    AfSafeSyncEnable(FSyncId, true);
    // The record is rebuilt here so that DTR and RTS levels set while closed take effect.
    FDcb = BuildDcb();
    FCore.SetDcb(FDcb);
    FCore.SetSizes(FInBufSize, FOutBufSize);
    FCore.SetPriorities(FEventThreadPriority, FWriteThreadPriority);
    FClosing = false;
    ++FGeneration;
    try {
        [[maybe_unused]] TBusyCursor busy;
        FCore.Open(FComNumber);
    } catch (const EAfComPortCoreError& e) {
        ReleaseSyncSlot();
        RaiseError(e.Message());
    }
    if (OnPortOpen) OnPortOpen(*this);
}

void TAfComPort::Close()
{
    FClosing = true;
    // Disabling the slot first releases an event thread blocked in a call to this thread.
    AfSafeSyncEnable(FSyncId, false);
    // Told once, by the thread whose close took the port down.
    const bool closed = FCore.Close();
    // The event thread has ended: no call into the slot can come any more.
    ReleaseSyncSlot();
    if (closed && OnPortClose) OnPortClose(*this);
    FClosing = false;
}

void TAfComPort::ReleaseSyncSlot()
{
    AfSafeSyncRelease(FSyncId.exchange(0));
}

void TAfComPort::Loaded()
{
    if (FAutoOpen) Open();
}

void TAfComPort::Write(const void* data, size_t count)
{
    if (FClosing) return;
    if (!FCore.Write(data, count)) {
        char text[96];
        std::snprintf(text, sizeof text, "Write data error [requested: %d, free: %d]", static_cast<int>(count),
                      static_cast<int>(FCore.OutFree()));
        RaiseError(text);
    }
}

void TAfComPort::WriteString(const std::string& data)
{
    if (!data.empty()) Write(data.data(), data.size());
}

std::string TAfComPort::ReadString()
{
    if (FClosing) return {};
    std::string data(FCore.QueryStatus().InQueue, '\0');
    data.resize(FCore.Read(data.data(), data.size()));
    return data;
}

void TAfComPort::Read(void* buffer, size_t count)
{
    if (FClosing || FCore.Read(buffer, count) != count) RaiseError("Read data error");
}

uint32_t TAfComPort::InCount()
{
    return FCore.QueryStatus().InQueue;
}

size_t TAfComPort::OutFree()
{
    return FCore.OutFree();
}

bool TAfComPort::ModemState(TAfModemSignal signal)
{
    static const uint32_t ModemBits[] = {modem::Cts, modem::Dsr, modem::Ring, modem::Rlsd};
    return FCore.ModemStatus() & ModemBits[static_cast<int>(signal) - 1];
}

void TAfComPort::PurgeInput()
{
    if (!FClosing) FCore.PurgeInput();
}

void TAfComPort::PurgeOutput()
{
    if (!FClosing) FCore.PurgeOutput();
}

bool TAfComPort::ExecuteConfigDialog()
{
    const TAfConfigDialogHook dialog = gConfigDialog.load();
    return dialog && dialog(*this);
}

TAfDcb TAfComPort::BuildDcb() const
{
    TAfDcb d;
    d.BaudRate = FBaudRate == TAfBaudrate::brUser ? FUserBaudRate : AfBaudrateValue(FBaudRate);
    d.ByteSize = static_cast<uint8_t>(4 + static_cast<int>(FDatabits));
    d.Parity = static_cast<uint8_t>(FParity);
    d.StopBits = static_cast<uint8_t>(FStopbits);
    d.XonChar = FXOnChar;
    d.XoffChar = FXOffChar;
    d.XonLim = FXOnLim;
    d.XoffLim = FXOffLim;
    d.Flags = dcb::fBinary | FlowControlFlags(FFlowControl);
    for (int i = 0; i < 5; ++i)
        if (FOptions & AfComOption(static_cast<TAfComOption>(i))) d.Flags |= OptionFlags[i];
    if (FDTR && FFlowControl != TAfFlowControl::fwDtrDsr) d.Flags |= dcb::fDtrControlEnable;
    if (FRTS && FFlowControl != TAfFlowControl::fwRtsCts) d.Flags |= dcb::fRtsControlEnable;
    return d;
}

// The properties a record stands for; unknown values fall back to the defaults.
void TAfComPort::LoadProperties(const TAfDcb& d)
{
    FBaudRate = TAfBaudrate::brUser;
    FUserBaudRate = d.BaudRate;
    for (int i = 0; i < static_cast<int>(TAfBaudrate::brUser); ++i) {
        if (BaudRateTexts[i] == d.BaudRate) {
            FBaudRate = static_cast<TAfBaudrate>(i);
            FUserBaudRate = 0;
            break;
        }
    }
    FDatabits = d.ByteSize >= 4 && d.ByteSize <= 8 ? static_cast<TAfDatabits>(d.ByteSize - 4) : TAfDatabits::db8;
    FParity = d.Parity <= 4 ? static_cast<TAfParity>(d.Parity) : TAfParity::paNone;
    FStopbits = d.StopBits <= 2 ? static_cast<TAfStopbits>(d.StopBits) : TAfStopbits::sbOne;
    FFlowControl = TAfFlowControl::fwNone;
    for (TAfFlowControl fc : {TAfFlowControl::fwDtrDsr, TAfFlowControl::fwRtsCts, TAfFlowControl::fwXOnXOff}) {
        if ((d.Flags & FlowControlFlags(fc)) == FlowControlFlags(fc)) {
            FFlowControl = fc;
            break;
        }
    }
    FOptions = 0;
    for (int i = 0; i < 5; ++i)
        if (d.Flags & OptionFlags[i]) FOptions |= AfComOption(static_cast<TAfComOption>(i));
    FXOnChar = d.XonChar;
    FXOffChar = d.XoffChar;
    FXOnLim = d.XonLim;
    FXOffLim = d.XoffLim;
}

void TAfComPort::SetDcb(const TAfDcb& dcb)
{
    if (dcb.DCBlength != 28) RaiseError("Error setting parameters from DCB");
    LoadProperties(dcb);
    UpdateDcb();
}

// Rebuilds the record and, while open, writes it to the line. A line that refuses it
// keeps its own settings; the properties then follow what the line reports, so that
// they never claim settings the line does not have.
void TAfComPort::UpdateDcb()
{
    FDcb = BuildDcb();
    if (!FCore.Active()) return;
    try {
        FCore.SetDcb(FDcb);
    } catch (const EAfComPortCoreError& e) {
        FDcb = FCore.Dcb();
        LoadProperties(FDcb);
        RaiseError(e.Message());
    }
}

void TAfComPort::UpdateLimits()
{
    const bool flow = FFlowControl != TAfFlowControl::fwNone;
    FXOnLim = flow ? static_cast<uint16_t>(FInBufSize / 4) : 0;
    FXOffLim = flow ? static_cast<uint16_t>(FInBufSize - FInBufSize / 4) : 0;
}

void TAfComPort::SetBaudRate(TAfBaudrate value)
{
    if (value == FBaudRate) return;
    FBaudRate = value;
    if (value != TAfBaudrate::brUser) FUserBaudRate = 0;
    UpdateDcb();
}

void TAfComPort::SetUserBaudRate(uint32_t value)
{
    if (value == FUserBaudRate) return;
    FUserBaudRate = value;
    FBaudRate = TAfBaudrate::brUser;
    UpdateDcb();
}

void TAfComPort::SetComNumber(uint16_t value)
{
    if (value == FComNumber) return;
    if (!FCore.Active()) {
        FComNumber = value;
        return;
    }
    Close();
    FComNumber = value;
    Open();
}

void TAfComPort::SetDatabits(TAfDatabits value)
{
    if (value == FDatabits) return;
    FDatabits = value;
    UpdateDcb();
}

void TAfComPort::SetParity(TAfParity value)
{
    if (value == FParity) return;
    FParity = value;
    UpdateDcb();
}

void TAfComPort::SetStopbits(TAfStopbits value)
{
    if (value == FStopbits) return;
    FStopbits = value;
    UpdateDcb();
}

void TAfComPort::SetOptions(TAfComOptions value)
{
    if (value == FOptions) return;
    FOptions = value;
    UpdateDcb();
}

void TAfComPort::SetXOnChar(char value)
{
    if (value == FXOnChar) return;
    FXOnChar = value;
    UpdateDcb();
}

void TAfComPort::SetXOffChar(char value)
{
    if (value == FXOffChar) return;
    FXOffChar = value;
    UpdateDcb();
}

void TAfComPort::SetFlowControl(TAfFlowControl value)
{
    if (value == FFlowControl) return;
    FFlowControl = value;
    UpdateLimits();
    UpdateDcb();
}

void TAfComPort::SetInBufSize(int value)
{
    if (value == FInBufSize) return;
    if (FCore.Active()) RaiseError("Port is not closed");
    FInBufSize = value;
    UpdateLimits();
}

void TAfComPort::SetOutBufSize(int value)
{
    if (value == FOutBufSize) return;
    if (FCore.Active()) RaiseError("Port is not closed");
    FOutBufSize = value;
}

void TAfComPort::SetXOnLim(uint16_t value)
{
    if (value == FXOnLim) return;
    FXOnLim = value;
    FXOffLim = static_cast<uint16_t>(FInBufSize - value);
}

void TAfComPort::SetXOffLim(uint16_t value)
{
    if (value == FXOffLim) return;
    FXOffLim = value;
    FXOnLim = static_cast<uint16_t>(FInBufSize - value);
}

void TAfComPort::SetDTR(bool value)
{
    if (value == FDTR) return;
    if (FCore.Active()) FCore.SetModemLine(TModemLine::Dtr, value);
    FDTR = value;
}

void TAfComPort::SetRTS(bool value)
{
    if (value == FRTS) return;
    if (FCore.Active()) FCore.SetModemLine(TModemLine::Rts, value);
    FRTS = value;
}

// Event thread: hands the event to OnNonSyncEvent right here, or carries it over to
// the main thread. The event rides in the call itself, so a call that timed out can
// never have its event overwritten by the next one.
void TAfComPort::CoreEvent(TAfComPortCore&, TAfCoreEvent kind, uint32_t param, std::exception_ptr error)
{
    if (FClosing || FDestroying) return;
    if (kind != TAfCoreEvent::ceException && OnNonSyncEvent) {
        OnNonSyncEvent(*this, kind, param);
        return;
    }
    AfSafeSyncCall(FSyncId, SyncCallTimeoutMs, TSyncEventArg{FGeneration, kind, param, std::move(error)});
}

void TAfComPort::SyncEvent(const std::any& arg)
{
    const auto& e = std::any_cast<const TSyncEventArg&>(arg);
    if (e.Generation != FGeneration || !FCore.Active()) return;
    if (OnSyncEvent) OnSyncEvent(*this, e.Kind, e.Param);
    switch (e.Kind) {
    case TAfCoreEvent::ceOutFree:
        if (OnOutBufFree) OnOutBufFree(*this);
        break;
    case TAfCoreEvent::ceLineEvent: LineEvent(e.Param); break;
    case TAfCoreEvent::ceNeedReadData:
        if (OnDataRecived) OnDataRecived(*this, e.Param);
        break;
    case TAfCoreEvent::ceException: std::rethrow_exception(e.Error);
    case TAfCoreEvent::ceLineClosed:
        // The line is gone; closing releases the descriptor and tells the owner.
        Close();
        break;
    }
}

void TAfComPort::LineEvent(uint32_t mask)
{
    if ((mask & ev::RxChar) && OnDataRecived) OnDataRecived(*this, FCore.QueryStatus().InQueue);
    const uint32_t errors = FCore.TakeErrors();
    if ((mask & ev::Err) && OnLineError) OnLineError(*this, errors);
    if ((mask & ev::Cts) && OnCTSChanged) OnCTSChanged(*this);
    if ((mask & ev::Dsr) && OnDSRChanged) OnDSRChanged(*this);
    if ((mask & ev::Ring) && OnRINGDetected) OnRINGDetected(*this);
    if ((mask & ev::Rlsd) && OnRLSDChanged) OnRLSDChanged(*this);
}
