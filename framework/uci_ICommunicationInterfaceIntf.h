// The client view of a communication interface: a byte-stream transport that opens,
// closes, sends, tells that bytes arrived, runs request/answer exchanges and is
// configured by a connection string. Bytes travel as std::string, every value 0-255
// (zero included) being data. The node side is reached by querying INodedInterface.
#pragma once

#include "framework/uMethod.h"
#include "framework/ui_MyInterfacedObject.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ICommunicationInterface;
class TEventerCiNotify;
class TEventerCiNotifyChangeEvent;

// Handlers: one method pointer each; "set" when its code part is not null.
using TCiNotifyEvent = TMethod<void(ICommunicationInterface* sender)>;
using TCiChangeSignalEvent = TMethod<void(ICommunicationInterface* sender, uint32_t signal, bool state)>;
// Extra values of an error report (the rejected connection string for "SetConfiguration").
using TCiErrorDetails = std::vector<std::string>;
using TCiErrorEvent = TMethod<void(ICommunicationInterface* sender, const std::string& operation,
                                   const TCiErrorDetails& details, uint32_t code)>;
// How a wait for received bytes ended (WaitForData).
enum class TCiWaitResult {
    Data,     // received bytes are waiting
    TimedOut, // nothing arrived within the time
    Closed,   // the link is down or went down: nothing more can arrive
};
// Tells whether an answer is complete: 0 when it is (ValidateTarvel97Packet has this form).
using TCiAnswerCheck = uint16_t (*)(std::string_view answer);

class ICommunicationInterfaceCore : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{76A7FD53-30E9-4F5A-9B92-90AC61E19EA0}");

    virtual void SetOnDataRcv(const TCiNotifyEvent& handler) = 0;
    virtual TCiNotifyEvent GetOnDataRcv() = 0;
    virtual TEventerCiNotify* GetDataRcvEventer() = 0;
};

class ICommunicationInterface : public virtual ICommunicationInterfaceCore {
public:
    static constexpr TGUID IID = MakeGUID("{A08B3416-51DC-4315-940D-D6110F114164}");

    virtual bool IsOpen() = 0;
    virtual void SetActive(bool flag) = 0;
    virtual bool GetLinkEnabled() = 0;
    virtual void SetLinkEnabled(bool flag) = 0;
    virtual std::string GetConfiguration() = 0;
    virtual void SetConfiguration(const std::string& text) = 0;
    virtual TCiNotifyEvent GetOnOpen() = 0;
    virtual void SetOnOpen(const TCiNotifyEvent& handler) = 0;
    virtual TEventerCiNotify* GetOpenEventer() = 0;
    virtual TCiNotifyEvent GetOnClose() = 0;
    virtual void SetOnClose(const TCiNotifyEvent& handler) = 0;
    virtual TEventerCiNotify* GetCloseEventer() = 0;
    virtual TEventerCiNotify* GetConfigChangedEventer() = 0;
    virtual TCiErrorEvent GetOnError() = 0;
    virtual void SetOnError(const TCiErrorEvent& handler) = 0;
    virtual TEventerCiNotifyChangeEvent* GetSignalEventer() = 0;
    virtual TCiChangeSignalEvent GetOnChangeSignal() = 0;
    virtual void SetOnChangeSignal(const TCiChangeSignalEvent& handler) = 0;
    virtual bool Open() = 0;
    virtual bool Close(bool force) = 0;
    virtual void GetDeviceName(std::string& text) = 0;
    virtual int32_t Send(const std::string& bytes) = 0;
    virtual void Receive(std::string& bytes) = 0;
    // Takes what is waiting as Receive does, for bytes the program drops unread (what
    // still waited on the line when the link opened): the spy hears them as dropped.
    virtual void Discard(std::string& bytes) = 0;
    virtual int32_t InBuffUsed() = 0;
    virtual void PurgeInput() = 0;
    virtual void PurgeOutput() = 0;
    // One request and the collection of its answer; all times in byte times (ms at 1.0).
    // A close, from any thread, ends the collection at once.
    virtual void Transaction(const std::string& bytes, uint32_t firstTimeout, uint32_t gap, uint32_t total,
                             bool purgeInput, bool purgeOutput, TCiAnswerCheck answerCheck,
                             const std::string& prefix, std::string& answer) = 0;
    virtual void SimpleTransaction(const std::string& bytes, uint32_t timeout, TCiAnswerCheck answerCheck,
                                   std::string& answer) = 0;
    virtual double GetByteTime() = 0;
    virtual void BeginWrite() = 0;
    virtual void EndWrite() = 0;
    virtual void BeginRead() = 0;
    virtual void EndRead() = 0;
    virtual bool ExecuteSetupDialog() = 0;
    virtual bool HasSetupDialog() = 0;
    virtual void GetDisplayName(std::string& text) = 0;
    // Waits up to timeoutMs until received bytes are waiting, woken by the transport the
    // moment they arrive; returns at once when bytes are already waiting or the link is
    // down. Does not read the bytes. May be called while holding the interface's lock.
    virtual TCiWaitResult WaitForData(uint32_t timeoutMs) = 0;
};

// Why the last Open of a transport failed, in words a user can act on: the device, the
// system's reason and, where one helps, what to do. Empty after a successful Open and
// when the transport knows no more than that it failed.
class ICommunicationInterfaceOpenFailure : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{268C6AA4-B2B2-4341-A085-42623F076BF8}");

    virtual std::string GetOpenFailure() = 0;
};

// The reason of the last failed Open of intf; empty when it gives none.
std::string OpenFailureOf(ICommunicationInterface* intf);
