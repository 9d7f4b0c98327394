// The TCP client tests' fixture: a transport configured for a test peer on loopback,
// and the recorder of its notifications, which also reads arriving bytes.
#pragma once

#include "framework/uci_ICommunicationInterfaceIntf.h"
#include "tests/transports/tcp_test_peer.h"
#include "transports/tcp/uci_ITCPClientInterface.h"
#include "transports/uTransports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

// The socket's watcher thread delivers some notifications, so the record is read
// through copies.
class TTcpRecorder {
public:
    void OnOpen(ICommunicationInterface*) { Add("open"); }
    void OnClose(ICommunicationInterface*) { Add("close"); }
    void OnData(ICommunicationInterface* sender)
    {
        std::string bytes;
        sender->Receive(bytes);
        std::lock_guard lock(FLock);
        FReceived += bytes;
    }
    void OnError(ICommunicationInterface*, const std::string& operation, const TCiErrorDetails&, uint32_t)
    {
        Add("error " + operation);
    }
    std::vector<std::string> Events() const
    {
        std::lock_guard lock(FLock);
        return FEvents;
    }
    std::string Last() const
    {
        std::lock_guard lock(FLock);
        return FEvents.empty() ? std::string() : FEvents.back();
    }
    std::string Received() const
    {
        std::lock_guard lock(FLock);
        return FReceived;
    }
    void Clear()
    {
        std::lock_guard lock(FLock);
        FEvents.clear();
    }
    size_t Count(const std::string& e) const
    {
        const auto events = Events();
        return size_t(std::count(events.begin(), events.end(), e));
    }

private:
    void Add(const std::string& e)
    {
        std::lock_guard lock(FLock);
        FEvents.push_back(e);
    }
    mutable std::mutex FLock;
    std::vector<std::string> FEvents;
    std::string FReceived;
};

class TcpClient : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterTransports();
        Tcp = MakeObj<TTCPClientInterface>();
        Tcp->SetOnOpen(TCiNotifyEvent::Bind<&TTcpRecorder::OnOpen>(&Rec));
        Tcp->SetOnClose(TCiNotifyEvent::Bind<&TTcpRecorder::OnClose>(&Rec));
        Tcp->SetOnDataRcv(TCiNotifyEvent::Bind<&TTcpRecorder::OnData>(&Rec));
        Tcp->SetOnError(TCiErrorEvent::Bind<&TTcpRecorder::OnError>(&Rec));
    }
    void TearDown() override
    {
        Tcp = nullptr;
        UnregisterTransports();
    }
    void Configure(const std::string& extra = "")
    {
        Tcp->SetConfiguration("host=127.0.0.1;port=" + std::to_string(Peer.Port()) + extra);
    }

    TTestPeer Peer;
    TTcpRecorder Rec;
    IntfPtr<TTCPClientInterface> Tcp;
};
