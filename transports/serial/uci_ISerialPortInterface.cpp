#include "transports/serial/uci_ISerialPortInterface.h"

#include "framework/uci_ConnectionString.h"
#include "transports/uComPortPath.h"
#include "framework/uSync.h"

#include <limits>

TSerialPortInterface::TSerialPortInterface(std::shared_ptr<TSerialLineIo> io)
    : FPort(std::make_unique<TAfComPort>("SerialPort", std::move(io)))
{
    FPort->SetUserBaudRate(9600);
    FPort->HoldOwner = [this]() -> std::shared_ptr<void> {
        if (!TryAddRef()) return nullptr;
        return {this, [](TSerialPortInterface* self) { self->Release(); }};
    };
    BindPortEvents();
    FPort->SetOutBufSize(DefaultBufSize);
    FPort->SetInBufSize(DefaultBufSize);
}

TSerialPortInterface::~TSerialPortInterface()
{
    // Nothing is announced any more: the listeners' view of this object is gone. A handler
    // running on the application's thread while another thread frees this object ends first.
    FPort->StopEvents();
    FPort->OnDataRecived = nullptr;
    FPort->OnCTSChanged = FPort->OnDSRChanged = FPort->OnRINGDetected = FPort->OnRLSDChanged = nullptr;
    FPort->OnPortClose = nullptr;
    if (FPort->Active()) FPort->Close();
}

bool TSerialPortInterface::ImplementsInterface(const TGUID& iid) const
{
    return iid == ISerialPortInterface::IID || TSerialCommunicationInterface::ImplementsInterface(iid);
}

// Each handler reads the level from the line at the moment it runs. The signal kinds
// have no carrier detect of their own; its changes are reported under kind 0.
void TSerialPortInterface::BindPortEvents()
{
    FPort->OnDataRecived = [this](TAfComPort&, uint32_t) { DoDataRcv(); };
    auto signal = [this](TSerialSignal kind, TAfModemSignal line) {
        return [this, kind, line](TAfComPort& port) { DoChangeSignal(kind, port.ModemState(line)); };
    };
    FPort->OnCTSChanged = signal(sigCTS, TAfModemSignal::msCTS);
    FPort->OnDSRChanged = signal(sigDSR, TAfModemSignal::msDSR);
    FPort->OnRINGDetected = signal(sigRING, TAfModemSignal::msRING);
    FPort->OnRLSDChanged = signal(sigRTS, TAfModemSignal::msRLSD);
    FPort->OnPortClose = [this](TAfComPort&) { PortClosed(); };
}

// The component closed the port on its own: the line went away under it.
void TSerialPortInterface::PortClosed()
{
    if (!FClosingPort) DoClose();
}

template <class F>
bool TSerialPortInterface::Change(F&& change)
{
    TWriteScope lock(*this);
    try {
        change(*FPort);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TSerialPortInterface::IsOpen() { return FPort->Active(); }

bool TSerialPortInterface::Close(bool force)
{
    if (FPort->Active()) FPort->EndWaits();
    return TSerialCommunicationInterface::Close(force);
}

void TSerialPortInterface::SetLinkEnabled(bool flag)
{
    TSerialCommunicationInterface::SetLinkEnabled(flag);
    if (!flag) Close(true);
}

std::string TSerialPortInterface::GetConfiguration()
{
    TReadScope lock(*this);
    return TSerialCommunicationInterface::GetConfiguration() + ";comport=" + std::to_string(FPort->ComNumber());
}

void TSerialPortInterface::SetDisplayName(uint16_t comNumber)
{
    std::lock_guard lock(FNameLock);
    FDisplayName = comNumber == 0 ? "COM unknown" : "COM" + std::to_string(comNumber);
}

void TSerialPortInterface::GetDeviceName(std::string& text)
{
    std::lock_guard lock(FNameLock);
    text = FDisplayName;
}

uint16_t TSerialPortInterface::GetComNumber()
{
    TReadScope lock(*this);
    return FPort->ComNumber();
}

int32_t TSerialPortInterface::GetBaudRate()
{
    TReadScope lock(*this);
    return int32_t(FPort->BaudRate() == TAfBaudrate::brUser ? FPort->UserBaudRate() : AfBaudrateValue(FPort->BaudRate()));
}

uint8_t TSerialPortInterface::GetParity()
{
    TReadScope lock(*this);
    return uint8_t(FPort->Parity());
}

uint8_t TSerialPortInterface::GetStopBits()
{
    TReadScope lock(*this);
    return uint8_t(FPort->Stopbits());
}

uint8_t TSerialPortInterface::GetDatabits()
{
    TReadScope lock(*this);
    return uint8_t(int(FPort->Databits()) + 4);
}

bool TSerialPortInterface::GetDTR()
{
    TReadScope lock(*this);
    return FPort->DTR();
}

bool TSerialPortInterface::GetRTS()
{
    TReadScope lock(*this);
    return FPort->RTS();
}

bool TSerialPortInterface::GetCTS()
{
    TReadScope lock(*this);
    return FPort->ModemState(TAfModemSignal::msCTS);
}

bool TSerialPortInterface::GetDSR()
{
    TReadScope lock(*this);
    return FPort->ModemState(TAfModemSignal::msDSR);
}

int32_t TSerialPortInterface::GetOutBufSize()
{
    TReadScope lock(*this);
    return FPort->OutBufSize();
}

int32_t TSerialPortInterface::GetInBufSize()
{
    TReadScope lock(*this);
    return FPort->InBufSize();
}

void TSerialPortInterface::SetOutBufSize(int32_t size)
{
    TWriteScope lock(*this);
    FPort->SetOutBufSize(size);
}

void TSerialPortInterface::SetInBufSize(int32_t size)
{
    TWriteScope lock(*this);
    FPort->SetInBufSize(size);
}

// A rate below 1 never reaches the component: the line could not be opened with it.
bool TSerialPortInterface::ApplyBaudRate(int32_t baudRate)
{
    if (baudRate < 1) return false;
    return Change([baudRate](TAfComPort& port) { port.SetUserBaudRate(uint32_t(baudRate)); }) &&
           TSerialCommunicationInterface::ApplyBaudRate(baudRate);
}

bool TSerialPortInterface::ApplyParity(uint8_t parity)
{
    return parity <= spSpace && Change([parity](TAfComPort& port) { port.SetParity(TAfParity(parity)); });
}

bool TSerialPortInterface::ApplyStopBits(uint8_t stopBits)
{
    return stopBits <= ssTwo && Change([stopBits](TAfComPort& port) { port.SetStopbits(TAfStopbits(stopBits)); });
}

// The component knows 4 to 8 data bits; other counts are refused here.
bool TSerialPortInterface::ApplyDatabits(uint8_t databits)
{
    return databits >= 4 && databits <= 8 &&
           Change([databits](TAfComPort& port) { port.SetDatabits(TAfDatabits(databits - 4)); });
}

bool TSerialPortInterface::ApplyDTR(bool level)
{
    return Change([level](TAfComPort& port) { port.SetDTR(level); });
}

bool TSerialPortInterface::ApplyRTS(bool level)
{
    return Change([level](TAfComPort& port) { port.SetRTS(level); });
}

// The component closes the old port and opens the new one; when the new one fails, the
// transport has gone from open to closed and says so.
bool TSerialPortInterface::ApplyComNumber(uint16_t comNumber)
{
    const bool wasOpen = IsOpen();
    FClosingPort = true;
    const bool applied = Change([comNumber](TAfComPort& port) { port.SetComNumber(comNumber); });
    FClosingPort = false;
    if (wasOpen && !IsOpen()) DoClose();
    return applied;
}

bool TSerialPortInterface::ApplyConfiguration(const std::string& text)
{
    const TConnectionStringLines lines(text);
    std::string value;
    int32_t number;
    if (lines.Find("comport", value)) {
        number = StrToInt(value);
        // A number no port can have is refused, as a text that is no number is.
        if (number < 0 || number > std::numeric_limits<uint16_t>::max())
            throw EConvertError("comport " + value + " is outside 0.." +
                                std::to_string(std::numeric_limits<uint16_t>::max()));
        ApplyComNumber(uint16_t(number));
    } else if (text.size() >= 3 && SameText(text.substr(0, 3), "COM") && TryStrToInt(text.substr(3), number) &&
               number >= 0 && number <= std::numeric_limits<uint16_t>::max()) {
        ApplyComNumber(uint16_t(number));
    }
    SetDisplayName(GetComNumber());
    return TSerialCommunicationInterface::ApplyConfiguration(text);
}

bool TSerialPortInterface::InternalOpen()
{
    SetBaudRate(GetBaudRate());
    try {
        FPort->Open();
    } catch (const std::exception& e) {
        // A port that did not open shows as inactive; the caller reports "Open".
        SetOpenFailure(ComPortOpenFailureText(GetComNumber(), FPort->OpenError(), e.what()));
    }
    return FPort->Active();
}

bool TSerialPortInterface::InternalClose(bool)
{
    if (!FPort->Active()) return false;
    FClosingPort = true;
    FPort->Close();
    FClosingPort = false;
    return !FPort->Active();
}

// Only copies into the component's output ring; its write thread does the sending. A
// block the ring cannot take, or a closed port, is reported as "Send" with the
// component's message, and nothing counts as sent.
int32_t TSerialPortInterface::InternalWrite(const std::string& bytes)
{
    if (bytes.empty()) return 0;
    std::string error;
    {
        TWriteScope lock(*this);
        try {
            FPort->WriteString(bytes);
            return int32_t(bytes.size());
        } catch (const EAfComPortError& e) {
            error = e.Message();
        }
    }
    DoError("Send", {error}, 0);
    return 0;
}

void TSerialPortInterface::InternalRead(std::string& bytes)
{
    TWriteScope lock(*this);
    bytes = FPort->ReadString();
}

int32_t TSerialPortInterface::InBuffUsed()
{
    try {
        const uint32_t count = FPort->InCount();
        return int32_t(std::min<uint32_t>(count, std::numeric_limits<int32_t>::max()));
    } catch (const std::exception&) {
        DoError("InBuffUsed", {}, 0);
        return 0;
    }
}

TCiWaitResult TSerialPortInterface::InternalWaitForData(uint32_t timeoutMs)
{
    const bool lineUp = FPort->WaitForInput(WaitTimeoutMs(timeoutMs));
    if (InBuffUsed() > 0) return TCiWaitResult::Data;
    return lineUp ? TCiWaitResult::TimedOut : TCiWaitResult::Closed;
}

void TSerialPortInterface::PurgeInput()
{
    TWriteScope lock(*this);
    FPort->PurgeInput();
}

void TSerialPortInterface::PurgeOutput()
{
    TWriteScope lock(*this);
    FPort->PurgeOutput();
}

bool TSerialPortInterface::ExecuteSetupDialog()
{
    if (!FPort->ExecuteConfigDialog()) return false;
    DoConfigChanged();
    return true;
}

bool TSerialPortInterface::HasSetupDialog() { return AfComPortHasConfigDialog(); }
