#include "transports/ftdi/uci_FTDIdirect.h"

#include "framework/uExceptions.h"
#include "framework/uTimeoutManager.h"
#include "framework/uci_ConnectionString.h"
#include "framework/uSync.h"

namespace {
std::atomic<TFTDISetupDialog> gSetupDialog{nullptr};
}

void SetFTDISetupDialog(TFTDISetupDialog dialog) { gSetupDialog = dialog; }

TFTDIDevice::TFTDIDevice()
    : FReaderThread(std::make_unique<TFTDIDeviceThread>(TFTDIDeviceThread::TPollCallback::Bind<&TFTDIDevice::PollDevice>(this)))
{
}

// The reader thread holds a reference while the converter is open, so an open
// converter is never destroyed here: the thread closes it first.
TFTDIDevice::~TFTDIDevice() { TFTDIDeviceThread::Stop(std::move(FReaderThread)); }

bool TFTDIDevice::ImplementsInterface(const TGUID& iid) const
{
    return iid == IFTDISerialPortInterface::IID || TSerialCommunicationInterface::ImplementsInterface(iid);
}

void TFTDIDevice::CloseOnIOError(FT_STATUS status)
{
    if (status != FT_IO_ERROR) return;
    if (FOpening) FOpenIOError = true;
    else Close(false);
}

std::string TFTDIDevice::GetSerialNumber()
{
    TReadScope lock(*this);
    return FSerialNumber;
}

void TFTDIDevice::SetSerialNumber(const std::string& serialNumber)
{
    if (ApplySerialNumber(serialNumber))
        DoConfigChanged();
    else
        DoError("SetSerialNumber", {serialNumber}, 0);
}

bool TFTDIDevice::ApplySerialNumber(const std::string& serialNumber)
{
    TWriteScope lock(*this);
    if (serialNumber == FSerialNumber) return true;
    if (!IsOpen()) {
        FSerialNumber = serialNumber;
        return true;
    }
    try {
        InternalClose(false);
        FSerialNumber = serialNumber;
        InternalOpen();
        return true;
    } catch (const Exception&) {
        return false;
    }
}

bool TFTDIDevice::ResetDevice()
{
    TWriteScope lock(*this);
    return Call(&TD2xxFunctions::FT_ResetDevice, GetHandle()) == FT_OK;
}

bool TFTDIDevice::EraseEE() { return Call(&TD2xxFunctions::FT_EraseEE, GetHandle()) == FT_OK; }

bool TFTDIDevice::IsOpen()
{
    TReadScope lock(*this);
    return GetHandle() != nullptr;
}

// Closing is forced whatever the flag: the link is re-established by the next Open.
void TFTDIDevice::SetLinkEnabled(bool flag)
{
    TSerialCommunicationInterface::SetLinkEnabled(flag);
    Close(true);
}

std::string TFTDIDevice::GetConfiguration()
{
    TReadScope lock(*this);
    std::string text = "provider=FTD_USB;serial_number=" + FSerialNumber;
    const std::string line = TSerialCommunicationInterface::GetConfiguration();
    if (!line.empty()) text += ";" + line;
    return text;
}

void TFTDIDevice::GetDeviceName(std::string& text)
{
    TReadScope lock(*this);
    text = FSerialNumber;
}

bool TFTDIDevice::ApplyConfiguration(const std::string& text)
{
    std::string serialNumber;
    if (TConnectionStringLines(text).Find("serial_number", serialNumber)) ApplySerialNumber(serialNumber);
    TSerialCommunicationInterface::ApplyConfiguration(text);
    DoConfigChanged();
    return true;
}

// An I/O error while the converter is set up fails the open: the link was never reported
// open, so it is released here rather than closed through Close (whose close report would
// come before the failed open's), and the caller reports "Open" alone.
bool TFTDIDevice::InternalOpen()
{
    FT_HANDLE handle = nullptr;
    const FT_STATUS status = FSerialNumber.empty()
                                 ? FT_NOT_BOUND
                                 : Call(&TD2xxFunctions::FT_OpenEx, FSerialNumber.c_str(), FT_OPEN_BY_SERIAL_NUMBER, &handle);
    if (status != FT_OK || !handle) {
        SetOpenFailure(FTDIOpenFailureText(FSerialNumber, status));
        return false;
    }
    FHandle = handle;
    FWaitsEnded = false;
    FOpenIOError = false;
    FOpening = true;
    Call(&TD2xxFunctions::FT_ResetDevice, handle);
    Call(&TD2xxFunctions::FT_SetEventNotification, handle, FT_EVENT_RXCHAR | FT_EVENT_MODEM_STATUS,
         static_cast<void*>(FReaderThread->NotificationEvent()));
    const uint32_t latencyMs = FTDILibrary().LatencyMs(handle);
    FReaderThread->Attach(IntfPtr<IFTDISerialPortInterface>(this),
                          latencyMs ? latencyMs : TFTDIDeviceThread::PollIntervalMs);
    if (!FOpenIOError) ApplyBaudRate(FBaudRate);
    if (!FOpenIOError) SendDataCharacteristics();
    if (!FOpenIOError) ApplyDTR(FDtr);
    if (!FOpenIOError) ApplyRTS(FRts);
    FOpening = false;
    if (!FOpenIOError) return true;
    InternalClose(true);
    return false;
}

bool TFTDIDevice::Close(bool force)
{
    // Not IsOpen(): its lock is the one the waiting request holds.
    if (GetHandle()) {
        FWaitsEnded = true;
        FReaderThread->Notify();
    }
    const bool closed = TSerialCommunicationInterface::Close(force);
    // Still open after a failed close: later requests wait as before.
    if (!closed) FWaitsEnded = false;
    return closed;
}

// A converter whose close fails with the I/O error is gone: its handle is forgotten and
// the link counts as closed, so that a repeated failure cannot keep the link half open.
bool TFTDIDevice::InternalClose(bool force)
{
    bool closed = false;
    if (const FT_HANDLE handle = GetHandle()) {
        const FT_STATUS status = FTDILibrary().Call(&TD2xxFunctions::FT_Close, handle);
        closed = status == FT_OK || status == FT_IO_ERROR;
    }
    if (closed || force) {
        FHandle = nullptr;
        FReaderThread->Detach();
        FReaderThread->Pause();
    }
    return closed;
}

int32_t TFTDIDevice::InternalWrite(const std::string& bytes)
{
    TWriteScope lock(*this);
    if (!IsOpen()) return 0;
    uint32_t written = 0;
    if (Call(&TD2xxFunctions::FT_Write, GetHandle(), static_cast<const void*>(bytes.data()), uint32_t(bytes.size()),
             &written) != FT_OK)
        return 0;
    return int32_t(written);
}

void TFTDIDevice::InternalRead(std::string& bytes)
{
    TWriteScope lock(*this);
    bytes.clear();
    if (!IsOpen()) return;
    const int32_t waiting = InBuffUsed();
    if (waiting <= 0) return;
    bytes.resize(size_t(waiting));
    uint32_t read = 0;
    if (Call(&TD2xxFunctions::FT_Read, GetHandle(), static_cast<void*>(bytes.data()), uint32_t(waiting), &read) !=
        FT_OK)
        read = 0;
    bytes.resize(std::min<size_t>(read, bytes.size()));
    if (InBuffUsed() > 0) FReaderThread->Notify();
}

// The arrival count is taken before each look at the queue, so bytes the reader thread
// has counted between the look and the wait end the wait at once. A modem-line change
// ends a wait too; the look that follows then waits on for the rest of the time.
TCiWaitResult TFTDIDevice::InternalWaitForData(uint32_t timeoutMs)
{
    TTimeoutRecord timer(timeoutMs);
    for (;;) {
        const uint64_t seen = FReaderThread->Arrivals();
        if (InBuffUsed() > 0) return TCiWaitResult::Data;
        if (!IsOpen() || FWaitsEnded) return TCiWaitResult::Closed;
        if (timer.Expired()) return TCiWaitResult::TimedOut;
        FReaderThread->WaitForArrival(seen, uint32_t(timer.Remaining()));
    }
}

int32_t TFTDIDevice::InBuffUsed()
{
    TWriteScope lock(*this);
    if (!IsOpen()) return 0;
    uint32_t waiting = 0;
    if (Call(&TD2xxFunctions::FT_GetQueueStatus, GetHandle(), &waiting) != FT_OK) return 0;
    return int32_t(std::min<uint32_t>(waiting, INT32_MAX));
}

void TFTDIDevice::PurgeInput()
{
    TWriteScope lock(*this);
    Call(&TD2xxFunctions::FT_Purge, GetHandle(), FT_PURGE_RX);
}

void TFTDIDevice::PurgeOutput()
{
    TWriteScope lock(*this);
    Call(&TD2xxFunctions::FT_Purge, GetHandle(), FT_PURGE_TX);
}

// On the reader thread. A count of 2 is the thread's attached reference and its local
// one: nobody else holds the transport, so the converter is closed (without the close
// notification) and the transport is destroyed when the thread drops its reference. The
// close is forced: with nobody left to retry it, a failing close must still end.
void TFTDIDevice::PollDevice()
{
    if (RefCount() == 2) {
        TWriteScope lock(*this);
        InternalClose(true);
        return;
    }
    if (InBuffUsed() > 0) DoDataRcv();
}

bool TFTDIDevice::HasSetupDialog() { return gSetupDialog.load() != nullptr; }

bool TFTDIDevice::ExecuteSetupDialog()
{
    const TFTDISetupDialog dialog = gSetupDialog.load();
    if (!dialog || !dialog(GetBaudRate())) return false;
    DoConfigChanged();
    return true;
}
