// Records what a serial transport tells its owner: received bytes (read in the
// data-received handler, as the protocol stack does), opens, closes, signal changes,
// configuration changes and error reports, and whether any of them came off the main
// thread.
#pragma once

#include "framework/uci_CiEventers.h"
#include "transports/serial/uci_ISerialPortInterface.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct TSerialError {
    std::string Operation;
    TCiErrorDetails Details;
};

class TSerialEvents {
public:
    explicit TSerialEvents(ICommunicationInterface* intf) : FIntf(intf)
    {
        intf->SetOnDataRcv(TCiNotifyEvent::Bind<&TSerialEvents::OnData>(this));
        intf->SetOnOpen(TCiNotifyEvent::Bind<&TSerialEvents::OnOpen>(this));
        intf->SetOnClose(TCiNotifyEvent::Bind<&TSerialEvents::OnClose>(this));
        intf->SetOnError(TCiErrorEvent::Bind<&TSerialEvents::OnError>(this));
        intf->SetOnChangeSignal(TCiChangeSignalEvent::Bind<&TSerialEvents::OnSignal>(this));
        intf->GetConfigChangedEventer()->AddHandler(TEventerCiNotify::THandler::Bind<&TSerialEvents::OnConfig>(this));
    }
    ~TSerialEvents()
    {
        FIntf->SetOnDataRcv({});
        FIntf->SetOnOpen({});
        FIntf->SetOnClose({});
        FIntf->SetOnError({});
        FIntf->SetOnChangeSignal({});
        FIntf->GetConfigChangedEventer()->RemoveHandler(
            TEventerCiNotify::THandler::Bind<&TSerialEvents::OnConfig>(this));
    }
    TSerialEvents(const TSerialEvents&) = delete;
    TSerialEvents& operator=(const TSerialEvents&) = delete;

    std::string Received()
    {
        std::lock_guard lock(FLock);
        return FReceived;
    }
    std::vector<TSerialError> Errors()
    {
        std::lock_guard lock(FLock);
        return FErrors;
    }
    std::vector<std::pair<uint32_t, bool>> Signals()
    {
        std::lock_guard lock(FLock);
        return FSignals;
    }
    bool HasError(const std::string& operation)
    {
        for (const TSerialError& e : Errors())
            if (e.Operation == operation) return true;
        return false;
    }

    std::atomic<int> DataEvents{0}, Opens{0}, Closes{0}, ConfigChanges{0};
    std::atomic<bool> OffMain{false};

private:
    void Note() { OffMain = OffMain || std::this_thread::get_id() != FMain; }
    void OnData(ICommunicationInterface* sender)
    {
        Note();
        std::string bytes;
        sender->Receive(bytes);
        std::lock_guard lock(FLock);
        FReceived += bytes;
        ++DataEvents;
    }
    void OnOpen(ICommunicationInterface*) { ++Opens; }
    void OnClose(ICommunicationInterface*)
    {
        Note();
        ++Closes;
    }
    void OnError(ICommunicationInterface*, const std::string& operation, const TCiErrorDetails& details, uint32_t)
    {
        std::lock_guard lock(FLock);
        FErrors.push_back({operation, details});
    }
    void OnSignal(ICommunicationInterface*, uint32_t signal, bool state)
    {
        Note();
        std::lock_guard lock(FLock);
        FSignals.emplace_back(signal, state);
    }
    void OnConfig(ICommunicationInterface*) { ++ConfigChanges; }

    ICommunicationInterface* FIntf;
    std::thread::id FMain = std::this_thread::get_id();
    std::mutex FLock;
    std::string FReceived;
    std::vector<TSerialError> FErrors;
    std::vector<std::pair<uint32_t, bool>> FSignals;
};
