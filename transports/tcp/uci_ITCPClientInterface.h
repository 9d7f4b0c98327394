// The TCP client transport (provider "TCP_CLIENT"): one TCP connection to a module or
// to a serial-to-Ethernet converter in front of it.
//
// Connection-string keys: "host" (name or dotted address), "port" (decimal, 1..65535;
// anything else raises EConvertError), "active" ("true" in any case or "1" opens,
// anything else closes; missing: the state from before). GetConfiguration writes "provider=TCP_CLIENT;host=H;port=P".
//
// Socket notifications arrive on the thread that created the transport (the main
// thread); Open waits at most 1500 ms for the connection, processing pending events
// meanwhile (see framework/uci_ProcessEvents.h), so other main-thread events run
// during Open.
#pragma once

#include "transports/tcp/uci_ISockClientInterface.h"
#include "transports/tcp/uci_SocketClient.h"

#include <cstdint>
#include <memory>
#include <string>

// The settings dialog of the TCP clients: host and port under the caption; true, with host
// and port changed, when accepted. A program with widgets installs it
// (RegisterTransportDialogs); without it the clients have no setup dialog.
using TTCPSetupDialog = bool (*)(const std::string& caption, std::string& host, uint16_t& port);
void SetTCPSetupDialog(TTCPSetupDialog dialog);

class ITCPClientInterface : public virtual ISockClientInterface {
public:
    static constexpr TGUID IID = MakeGUID("{6B699CD5-BA76-420E-876E-C9F7B8903638}");
};

class TTCPClientInterface : public TSockClientCoreInterface, public virtual ITCPClientInterface {
public:
    // How long Open waits for the connection.
    static constexpr uint32_t ConnectWaitMs = 1500;

    TTCPClientInterface();

    std::string ClassName() const override { return "TTCPClientInterface"; }

    bool IsOpen() override;
    void SetLinkEnabled(bool flag) override;
    std::string GetConfiguration() override;
    void GetDeviceName(std::string& text) override;
    int32_t InBuffUsed() override;
    bool ExecuteSetupDialog() override;
    bool HasSetupDialog() override;
    void GetHost(std::string& text) override;
    void SetHost(const std::string& text) override;
    uint16_t GetPort() override;
    void SetPort(uint16_t port) override;
    int32_t GetLocalPort() override;

protected:
    ~TTCPClientInterface() override;

    bool ImplementsInterface(const TGUID& iid) const override;
    bool InternalOpen() override;
    bool InternalClose(bool force) override;
    int32_t InternalWrite(const std::string& bytes) override;
    void InternalRead(std::string& bytes) override;
    bool ApplyConfiguration(const std::string& text) override;
    // Woken by the socket itself; a closed peer is reported, not acted on: the socket's
    // notifications close the transport once the main thread runs its event loop again.
    TCiWaitResult InternalWaitForData(uint32_t timeoutMs) override;

private:
    void CreateSocket();
    void OnSocketConnected();
    void OnSocketDisconnected();
    void OnSocketError(int& code);
    // Why a connect attempt failed, from the socket's error code (0: none came in time).
    std::string ConnectFailureText(int code);

    std::unique_ptr<TClientSocket> FSocket; // null after a close
    std::atomic<bool> FConnecting{false};
    int FConnectError = 0;                   // the socket's error during the connect attempt
    std::mutex FSettingsLock;                // host and port are read by display code on any thread
    std::string FHost;
    uint16_t FPort = 0;
};
