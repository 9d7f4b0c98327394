#include "framework/uci_ICommunicationInterface.h"

#include "framework/uExceptions.h"
#include "framework/uTimeoutManager.h"

#include <cmath>

namespace {

int64_t ByteTimes(double count, double byteTime) { return int64_t(std::ceil(count * byteTime)); }

} // namespace

TCommunicationInterface::TCommunicationInterface() = default;

TCommunicationInterface::~TCommunicationInterface() = default;

bool TCommunicationInterface::ImplementsInterface(const TGUID& iid) const
{
    return iid == ICommunicationInterface::IID || iid == ICommunicationInterfaceCore::IID ||
           iid == ICommunicationInterfaceOpenFailure::IID || TNodedInterface::ImplementsInterface(iid);
}

template <class T>
T TCommunicationInterface::GetHandler(const T& field)
{
    std::lock_guard lock(FHandlerLock);
    return field;
}

template <class T>
void TCommunicationInterface::SetHandler(T& field, const T& value)
{
    std::lock_guard lock(FHandlerLock);
    field = value;
}

void TCommunicationInterface::SetOnDataRcv(const TCiNotifyEvent& handler) { SetHandler(FOnDataRcv, handler); }
TCiNotifyEvent TCommunicationInterface::GetOnDataRcv() { return GetHandler(FOnDataRcv); }
TCiNotifyEvent TCommunicationInterface::GetOnOpen() { return GetHandler(FOnOpen); }
void TCommunicationInterface::SetOnOpen(const TCiNotifyEvent& handler) { SetHandler(FOnOpen, handler); }
TCiNotifyEvent TCommunicationInterface::GetOnClose() { return GetHandler(FOnClose); }
void TCommunicationInterface::SetOnClose(const TCiNotifyEvent& handler) { SetHandler(FOnClose, handler); }
TCiErrorEvent TCommunicationInterface::GetOnError() { return GetHandler(FOnError); }
void TCommunicationInterface::SetOnError(const TCiErrorEvent& handler) { SetHandler(FOnError, handler); }
TCiChangeSignalEvent TCommunicationInterface::GetOnChangeSignal() { return GetHandler(FOnChangeSignal); }
void TCommunicationInterface::SetOnChangeSignal(const TCiChangeSignalEvent& handler)
{
    SetHandler(FOnChangeSignal, handler);
}

void TCommunicationInterface::SetActive(bool flag)
{
    if (flag == IsOpen()) return;
    if (flag)
        Open();
    else
        Close(false);
}

bool TCommunicationInterface::GetLinkEnabled() { return FLinkEnabled.load(); }

void TCommunicationInterface::SetLinkEnabled(bool flag) { FLinkEnabled = flag; }

void TCommunicationInterface::SetConfiguration(const std::string& text)
{
    if (ApplyConfiguration(text))
        DoConfigChanged();
    else
        DoError("SetConfiguration", {text}, 0);
}

bool TCommunicationInterface::Open()
{
    if (IsOpen()) return true;
    SetOpenFailure({});
    bool result;
    {
        TWriteScope lock(*this);
        result = InternalOpen();
    }
    if (result)
        DoOpen();
    else
        DoError("Open", {}, 0);
    return result;
}

std::string TCommunicationInterface::GetOpenFailure()
{
    std::lock_guard lock(FOpenFailureLock);
    return FOpenFailure;
}

void TCommunicationInterface::SetOpenFailure(const std::string& reason)
{
    std::lock_guard lock(FOpenFailureLock);
    FOpenFailure = reason;
}

std::string OpenFailureOf(ICommunicationInterface* intf)
{
    IntfPtr<ICommunicationInterfaceOpenFailure> failure;
    return Supports<ICommunicationInterfaceOpenFailure>(intf, failure) ? failure->GetOpenFailure() : std::string();
}

bool TCommunicationInterface::Close(bool force)
{
    if (!IsOpen() && !force) return true;
    bool result;
    {
        TWriteScope lock(*this);
        result = InternalClose(force);
    }
    if (result)
        DoClose();
    else
        DoError("Close", {}, 0);
    return result;
}

int32_t TCommunicationInterface::Send(const std::string& bytes)
{
    const int32_t count = InternalWrite(bytes);
    SpySent(bytes);
    return count;
}

void TCommunicationInterface::Receive(std::string& bytes)
{
    bytes.clear();
    InternalRead(bytes);
    SpyReceived(bytes);
}

void TCommunicationInterface::Discard(std::string& bytes)
{
    bytes.clear();
    InternalRead(bytes);
    SpyDropped(bytes);
}

void TCommunicationInterface::Transaction(const std::string& bytes, uint32_t firstTimeout, uint32_t gap, uint32_t total,
                                          bool purgeInput, bool purgeOutput, TCiAnswerCheck answerCheck,
                                          const std::string& prefix, std::string& answer)
{
    answer.clear();
    SpySent(bytes);
    {
        TWriteScope lock(*this);
        if (IsOpen()) {
            if (purgeInput) PurgeInput();
            if (purgeOutput) PurgeOutput();
            Sleep(1);
            InternalWrite(bytes);
            // Waits scale with the byte time, so slow links get proportionally longer.
            const double byteTime = GetByteTime();
            const int64_t sendTime = ByteTimes(double(bytes.size()) + 5, byteTime);
            TTimeoutRecord answerTimer(sendTime + firstTimeout);
            TTimeoutRecord overallTimer(sendTime + total);
            const int64_t gapTime = ByteTimes(gap, byteTime);
            for (;;) {
                // A close, from any thread, ends the collection at once: nothing more can come.
                if (WaitForData(1) == TCiWaitResult::Closed) break;
                if (InBuffUsed() != 0) {
                    std::string chunk;
                    InternalRead(chunk);
                    answer += chunk;
                    answerTimer.Start(gapTime);
                }
                if (answerTimer.Expired() || overallTimer.Expired()) break;
                if (answerCheck && answerCheck(prefix + answer) == 0) break;
            }
        }
    }
    SpyReceived(answer);
}

TCiWaitResult TCommunicationInterface::WaitForData(uint32_t timeoutMs)
{
    if (!IsOpen()) return TCiWaitResult::Closed;
    if (InBuffUsed() > 0) return TCiWaitResult::Data;
    return InternalWaitForData(timeoutMs);
}

TCiWaitResult TCommunicationInterface::InternalWaitForData(uint32_t timeoutMs)
{
    Sleep(timeoutMs);
    if (InBuffUsed() > 0) return TCiWaitResult::Data;
    return IsOpen() ? TCiWaitResult::TimedOut : TCiWaitResult::Closed;
}

void TCommunicationInterface::SimpleTransaction(const std::string& bytes, uint32_t timeout, TCiAnswerCheck answerCheck,
                                                std::string& answer)
{
    Transaction(bytes, timeout, 50, 2 * timeout, false, false, answerCheck, std::string(), answer);
}

void TCommunicationInterface::LoadConfig(const IntfPtr<IXMLNode>& node, bool takeNode, bool rereadGUID)
{
    TNodedInterface::LoadConfig(node, takeNode, rereadGUID);
    if (!node) return;
    if (const auto text = node->GetAttribute("connectionstring")) SetConfiguration(*text);
}

void TCommunicationInterface::SaveConfig()
{
    TNodedInterface::SaveConfig();
    if (const IntfPtr<IXMLNode> node = GetConfigNode()) node->SetAttribute("connectionstring", GetConfiguration());
}

void TCommunicationInterface::Notify(const char* operation, TCiNotifyEvent TCommunicationInterface::*handler,
                                     TEventerCiNotify& eventer)
{
    try {
        if (const TCiNotifyEvent h = GetHandler(this->*handler)) h(Self());
        eventer.Fire(Self());
    } catch (const std::exception&) {
        // Notifications run inside the transports' receive and event machinery; an error
        // report that fails as well must not escape into it.
        try {
            DoError(operation, {}, 0);
        } catch (...) {
        }
    }
}

void TCommunicationInterface::DoOpen() { Notify("DoOpen", &TCommunicationInterface::FOnOpen, FOpenEventer); }

void TCommunicationInterface::DoClose() { Notify("DoClose", &TCommunicationInterface::FOnClose, FCloseEventer); }

void TCommunicationInterface::DoDataRcv()
{
    Notify("DoDataRcv", &TCommunicationInterface::FOnDataRcv, FDataRcvEventer);
}

void TCommunicationInterface::DoChangeSignal(uint32_t signal, bool state)
{
    try {
        if (const TCiChangeSignalEvent h = GetOnChangeSignal()) h(Self(), signal, state);
        FSignalEventer.Fire(Self(), signal, state);
    } catch (const std::exception&) {
        try {
            DoError("DoChangeSignal", {}, 0);
        } catch (...) {
        }
    }
}

void TCommunicationInterface::DoConfigChanged()
{
    try {
        FConfigChangedEventer.Fire(Self());
    } catch (...) {
    }
}

void TCommunicationInterface::DoError(const std::string& operation, const TCiErrorDetails& details, uint32_t code)
{
    if (const TCiErrorEvent h = GetOnError()) h(Self(), operation, details, code);
}
