// The abstract communication interface: the byte-stream transport under the protocol
// stack. A node (name, GUID, XML settings, children) that opens, closes, sends,
// reports arriving bytes and runs request/answer exchanges; configured by a connection
// string. Concrete transports derive from it through TCommunicationInterfaceDataSpy.
//
// Notifications go first to the single handler (OnOpen, OnClose, OnDataRcv,
// OnChangeSignal), then to the matching eventer's listeners. Failures are reported
// through OnError with the operation's name: "Open", "Close", "SetConfiguration",
// "DoOpen", "DoClose", "DoDataRcv", "DoChangeSignal". A failing handler or listener
// never breaks the transport that raised the notification.
//
// Creation: C++ runs no override from a base constructor, so a transport is built
// first and configured afterwards; ConstructCommunicationInterface<T> does both and is
// what transports register with the provider registry.
#pragma once

#include "framework/uci_CiEventers.h"
#include "framework/uci_ICommunicationInterfaceIntf.h"
#include "framework/uiNodedInterface.h"

#include <mutex>

class TCommunicationInterface : public TNodedInterface,
                                public virtual ICommunicationInterface,
                                public virtual ICommunicationInterfaceOpenFailure {
public:
    TCommunicationInterface();

    std::string ClassName() const override { return "TCommunicationInterface"; }

    // ICommunicationInterfaceCore / ICommunicationInterface
    void SetOnDataRcv(const TCiNotifyEvent& handler) override;
    TCiNotifyEvent GetOnDataRcv() override;
    TEventerCiNotify* GetDataRcvEventer() override { return &FDataRcvEventer; }
    bool IsOpen() override = 0;
    void SetActive(bool flag) override;
    bool GetLinkEnabled() override;
    void SetLinkEnabled(bool flag) override;
    std::string GetConfiguration() override { return std::string(); }
    void SetConfiguration(const std::string& text) override;
    TCiNotifyEvent GetOnOpen() override;
    void SetOnOpen(const TCiNotifyEvent& handler) override;
    TEventerCiNotify* GetOpenEventer() override { return &FOpenEventer; }
    TCiNotifyEvent GetOnClose() override;
    void SetOnClose(const TCiNotifyEvent& handler) override;
    TEventerCiNotify* GetCloseEventer() override { return &FCloseEventer; }
    TEventerCiNotify* GetConfigChangedEventer() override { return &FConfigChangedEventer; }
    TCiErrorEvent GetOnError() override;
    void SetOnError(const TCiErrorEvent& handler) override;
    TEventerCiNotifyChangeEvent* GetSignalEventer() override { return &FSignalEventer; }
    TCiChangeSignalEvent GetOnChangeSignal() override;
    void SetOnChangeSignal(const TCiChangeSignalEvent& handler) override;
    bool Open() override;
    bool Close(bool force) override;
    void GetDeviceName(std::string& text) override = 0;
    int32_t Send(const std::string& bytes) override;
    void Receive(std::string& bytes) override;
    void Discard(std::string& bytes) override;
    int32_t InBuffUsed() override = 0;
    void PurgeInput() override = 0;
    void PurgeOutput() override = 0;
    void Transaction(const std::string& bytes, uint32_t firstTimeout, uint32_t gap, uint32_t total, bool purgeInput,
                     bool purgeOutput, TCiAnswerCheck answerCheck, const std::string& prefix,
                     std::string& answer) override;
    void SimpleTransaction(const std::string& bytes, uint32_t timeout, TCiAnswerCheck answerCheck,
                           std::string& answer) override;
    double GetByteTime() override { return FByteTime.load(); }
    void BeginWrite() override { TNodedInterface::BeginWrite(); }
    void EndWrite() override { TNodedInterface::EndWrite(); }
    void BeginRead() override { TNodedInterface::BeginRead(); }
    void EndRead() override { TNodedInterface::EndRead(); }
    bool ExecuteSetupDialog() override { return false; }
    bool HasSetupDialog() override { return false; }
    void GetDisplayName(std::string& text) override { GetDeviceName(text); }
    // Data when bytes are waiting, Closed when the link is not open, otherwise
    // InternalWaitForData.
    TCiWaitResult WaitForData(uint32_t timeoutMs) override;

    // Cleared by Open before InternalOpen; a transport whose InternalOpen fails states why
    // with SetOpenFailure.
    std::string GetOpenFailure() override;

    // Node settings plus the "connectionstring" attribute.
    void LoadConfig(const IntfPtr<IXMLNode>& node, bool takeNode, bool rereadGUID) override;
    void SaveConfig() override;

protected:
    ~TCommunicationInterface() override;

    bool ImplementsInterface(const TGUID& iid) const override;

    virtual bool InternalOpen() = 0;
    virtual bool InternalClose(bool force) = 0;
    virtual int32_t InternalWrite(const std::string& bytes) = 0;
    virtual void InternalRead(std::string& bytes) = 0;
    // Reads the transport's keys; false when it rejects the text.
    virtual bool ApplyConfiguration(const std::string& text) = 0;
    // Blocks until the transport sees bytes arrive, the link go down, or timeoutMs pass.
    // Transports that cannot be woken keep this default: a plain sleep, then a look.
    virtual TCiWaitResult InternalWaitForData(uint32_t timeoutMs);
    virtual void SpyReceived(const std::string& bytes) {}
    virtual void SpySent(const std::string& bytes) {}
    virtual void SpyDropped(const std::string& bytes) {}

    void SetByteTime(double byteTime) { FByteTime = byteTime; }
    void SetOpenFailure(const std::string& reason);

    void DoOpen();
    void DoClose();
    void DoDataRcv();
    void DoChangeSignal(uint32_t signal, bool state);
    void DoConfigChanged();
    void DoError(const std::string& operation, const TCiErrorDetails& details, uint32_t code);

private:
    ICommunicationInterface* Self() { return this; }
    // Calls the handler, then fires the eventer; a failure becomes an error report.
    void Notify(const char* operation, TCiNotifyEvent TCommunicationInterface::*handler, TEventerCiNotify& eventer);
    template <class T>
    T GetHandler(const T& field);
    template <class T>
    void SetHandler(T& field, const T& value);

    std::atomic<bool> FLinkEnabled{false};
    std::mutex FHandlerLock; // handlers are set on the main thread and read on any
    TCiNotifyEvent FOnDataRcv;
    TCiNotifyEvent FOnOpen;
    TCiNotifyEvent FOnClose;
    TCiChangeSignalEvent FOnChangeSignal;
    TCiErrorEvent FOnError;
    TEventerCiNotify FOpenEventer;
    TEventerCiNotify FCloseEventer;
    TEventerCiNotify FDataRcvEventer;
    TEventerCiNotifyChangeEvent FSignalEventer;
    TEventerCiNotify FConfigChangedEventer;
    std::atomic<double> FByteTime{1.0};
    std::mutex FOpenFailureLock; // set by the opening thread, read by any
    std::string FOpenFailure;
};

// Builds a transport and applies the connection string (when not empty). Transports
// register this with the provider registry.
template <class T>
IntfPtr<ICommunicationInterface> ConstructCommunicationInterface(const std::string& connectionString)
{
    IntfPtr<T> intf = MakeObj<T>();
    if (!connectionString.empty()) intf->SetConfiguration(connectionString);
    return intf;
}

// Builds a transport from a settings element ("connectionstring" included, stored GUID
// kept) and places it under owner.
template <class T>
IntfPtr<T> ConstructCommunicationInterface(const IntfPtr<IXMLNode>& settings, const IntfPtr<IInterface>& owner)
{
    IntfPtr<T> intf = MakeObj<T>();
    intf->LoadConfig(settings, true, true);
    intf->SetOwner(owner);
    return intf;
}
