// The TCP client transport (provider "TCP_CLIENT"): one TCP connection to a module or
// to a serial-to-Ethernet converter in front of it.
//
// Connection-string keys: "host" (name or dotted address), "port" (decimal, 1..65535;
// anything else raises EConvertError), "active" ("true" in any case or "1" opens,
// anything else closes; missing: the state from before). GetConfiguration writes "provider=TCP_CLIENT;host=H;port=P".
//
// Any one thread at a time may open, use and close the transport; another thread may
// close it while a wait or a send is in progress, which ends the wait at once. Arriving
// bytes (DoDataRcv) and the peer's close (DoClose) are announced on the connection's
// watcher thread (see transports/tcp/uci_SocketClient.h). Open waits at most 1500 ms for
// the connection; on the main thread it processes pending events meanwhile (see
// framework/uci_ProcessEvents.h), so other main-thread events run during Open. A send the
// connection cannot queue (see TClientSocket::MaxQueuedBytes) is refused and reported as
// "Send".
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
    // Ends the connection, or the connect in progress, before taking the interface's
    // lock, which a request's wait or an Open holds: from any thread the close takes
    // effect at once and the wait ends. The close notification comes once for each
    // connection that ends, by this or by the peer; none for a link that was not open.
    bool Close(bool force) override;
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
    // Bytes that came before the peer closed are still handed out: Data while any wait.
    TCiWaitResult WaitForData(uint32_t timeoutMs) override;

protected:
    ~TTCPClientInterface() override;

    bool ImplementsInterface(const TGUID& iid) const override;
    bool InternalOpen() override;
    bool InternalClose(bool force) override;
    int32_t InternalWrite(const std::string& bytes) override;
    void InternalRead(std::string& bytes) override;
    bool ApplyConfiguration(const std::string& text) override;
    // Woken by the socket itself, and by a close from any thread.
    TCiWaitResult InternalWaitForData(uint32_t timeoutMs) override;

private:
    // Why a connect attempt failed, from the socket's error code (0: none came in time).
    std::string ConnectFailureText(int code);

    const std::unique_ptr<TClientSocket> FSocket;
    std::atomic<bool> FConnecting{false};
    std::mutex FSettingsLock; // host and port are read by display code on any thread
    std::string FHost;
    uint16_t FPort = 0;
};
