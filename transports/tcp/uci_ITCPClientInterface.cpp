#include "transports/tcp/uci_ITCPClientInterface.h"

#include "framework/uExceptions.h"
#include "framework/uTimeoutManager.h"
#include "framework/uci_ConnectionString.h"
#include "framework/uci_ProcessEvents.h"

#include <atomic>
#include <cerrno>
#include <cstring>

namespace {
std::atomic<TTCPSetupDialog> gSetupDialog{nullptr};
}

void SetTCPSetupDialog(TTCPSetupDialog dialog) { gSetupDialog = dialog; }

TTCPClientInterface::TTCPClientInterface() { CreateSocket(); }

TTCPClientInterface::~TTCPClientInterface()
{
    if (!FSocket) return;
    try {
        Close(true);
    } catch (...) {
        // Nothing can be reported from a destructor.
    }
    FSocket.reset();
}

bool TTCPClientInterface::ImplementsInterface(const TGUID& iid) const
{
    return iid == ITCPClientInterface::IID || TSockClientCoreInterface::ImplementsInterface(iid);
}

void TTCPClientInterface::CreateSocket()
{
    if (FSocket) FSocket->Close();
    FSocket = std::make_unique<TClientSocket>();
    FSocket->OnConnected = [this] { OnSocketConnected(); };
    FSocket->OnDisconnected = [this] { OnSocketDisconnected(); };
    FSocket->OnError = [this](int& code) { OnSocketError(code); };
    std::lock_guard lock(FSettingsLock);
    FSocket->SetHost(FHost);
    FSocket->SetPort(FPort);
}

void TTCPClientInterface::OnSocketConnected()
{
    FSocket->OnRead = [this] { DoDataRcv(); };
    FConnecting = false;
    DoOpen();
}

void TTCPClientInterface::OnSocketDisconnected()
{
    FConnecting = false;
    DoClose();
}

void TTCPClientInterface::OnSocketError(int& code)
{
    // A time-out ends the connection; every other error shows only through the open
    // state and the end of the connect attempt, whose failure it explains.
    if (FConnecting) FConnectError = code;
    if (code == TClientSocket::ErrorTimedOut) Close(false);
    code = 0;
    FConnecting = false;
}

std::string TTCPClientInterface::ConnectFailureText(int code)
{
    std::string host;
    GetHost(host);
    const std::string where = host + ":" + std::to_string(GetPort()) + ": ";
    switch (code) {
    case 0: return where + "no answer to the connection request within " + std::to_string(ConnectWaitMs) + " ms";
    case TClientSocket::ErrorHostNotFound:
        return host.empty() ? std::string("no host given (host=...)") : where + "name not found: no host is called " + host;
    case TClientSocket::ErrorTimedOut: return where + "the connection request timed out";
    case ECONNREFUSED: return where + "connection refused: nothing accepts connections on that port";
    case EHOSTUNREACH:
    case ENETUNREACH: return where + "no route to host: the address cannot be reached from this computer";
    default: return where + std::strerror(code);
    }
}

bool TTCPClientInterface::IsOpen() { return FSocket && FSocket->Active(); }

void TTCPClientInterface::SetLinkEnabled(bool flag)
{
    TSockClientCoreInterface::SetLinkEnabled(flag);
    if (!flag) Close(true);
}

std::string TTCPClientInterface::GetConfiguration()
{
    std::lock_guard lock(FSettingsLock);
    return "provider=TCP_CLIENT;host=" + FHost + ";port=" + std::to_string(FPort);
}

void TTCPClientInterface::GetDeviceName(std::string& text)
{
    std::lock_guard lock(FSettingsLock);
    text = "TCPC " + FHost + ":" + std::to_string(FPort);
}

bool TTCPClientInterface::InternalOpen()
{
    Close(true);
    if (!FSocket) CreateSocket();
    {
        std::lock_guard lock(FSettingsLock);
        FSocket->SetHost(FHost);
        FSocket->SetPort(FPort);
    }
    if (FSocket->Active() || FConnecting) return FSocket->Active();
    FConnecting = true;
    FConnectError = 0;
    const TTimeoutRecord deadline(ConnectWaitMs);
    try {
        FSocket->Open();
        for (TTimeoutRecord wait = deadline; FConnecting && FSocket && !FSocket->Active() && !wait.Expired();) {
            Sleep(10);
            ProcessPendingEvents();
        }
    } catch (const std::exception&) {
        // A failed attempt shows as a socket that is not active.
    }
    FConnecting = false;
    const bool open = FSocket && FSocket->Active();
    if (!open) SetOpenFailure(ConnectFailureText(FConnectError));
    return open;
}

bool TTCPClientInterface::InternalClose(bool force)
{
    if (FSocket) {
        try {
            if (force)
                FSocket->Abort();
            else
                FSocket->Close();
            FSocket.reset();
        } catch (const std::exception&) {
            return false;
        }
    }
    return !(FSocket && FSocket->Active());
}

// Nothing counts as sent when the socket could not take the bytes: a request whose bytes
// never left fails at once instead of waiting for an answer.
int32_t TTCPClientInterface::InternalWrite(const std::string& bytes)
{
    return FSocket && FSocket->SendText(bytes) ? int32_t(bytes.size()) : 0;
}

void TTCPClientInterface::InternalRead(std::string& bytes)
{
    bool failed = false;
    BeginWrite();
    try {
        if (FSocket) bytes = FSocket->ReceiveText();
    } catch (const std::exception&) {
        failed = true;
    }
    EndWrite();
    if (failed) Close(false);
}

TCiWaitResult TTCPClientInterface::InternalWaitForData(uint32_t timeoutMs)
{
    return FSocket ? FSocket->WaitForData(timeoutMs) : TCiWaitResult::Closed;
}

int32_t TTCPClientInterface::InBuffUsed() { return FSocket ? FSocket->ReceiveLength() : 0; }

bool TTCPClientInterface::ApplyConfiguration(const std::string& text)
{
    const TConnectionStringLines lines(text);
    const bool wasOpen = IsOpen();
    SetActive(false);
    std::string value;
    if (lines.Find("host", value)) {
        std::lock_guard lock(FSettingsLock);
        FHost = value;
    }
    if (lines.Find("port", value)) {
        const int32_t port = StrToInt(value);
        if (port < 1 || port > 65535) throw EConvertError("port " + value + " is outside 1..65535");
        std::lock_guard lock(FSettingsLock);
        FPort = uint16_t(port);
    }
    bool open = wasOpen;
    if (lines.Find("active", value)) open = SameText(value, "TRUE") || value == "1";
    SetActive(open);
    return true;
}

void TTCPClientInterface::GetHost(std::string& text)
{
    std::lock_guard lock(FSettingsLock);
    text = FHost;
}

void TTCPClientInterface::SetHost(const std::string& text)
{
    {
        std::lock_guard lock(FSettingsLock);
        FHost = text;
    }
    if (FSocket) FSocket->SetHost(text);
    DoConfigChanged();
}

uint16_t TTCPClientInterface::GetPort()
{
    std::lock_guard lock(FSettingsLock);
    return FPort;
}

void TTCPClientInterface::SetPort(uint16_t port)
{
    {
        std::lock_guard lock(FSettingsLock);
        FPort = port;
    }
    if (FSocket) FSocket->SetPort(port);
    DoConfigChanged();
}

int32_t TTCPClientInterface::GetLocalPort() { return FSocket ? FSocket->LocalPort() : 0; }

bool TTCPClientInterface::HasSetupDialog() { return gSetupDialog.load() != nullptr; }

bool TTCPClientInterface::ExecuteSetupDialog()
{
    const TTCPSetupDialog dialog = gSetupDialog.load();
    if (!dialog) return false;
    std::string host;
    GetHost(host);
    uint16_t port = GetPort();
    if (!dialog("Nastavení TCP", host, port)) return false;
    {
        std::lock_guard lock(FSettingsLock);
        FHost = host;
        FPort = port;
    }
    if (FSocket) {
        FSocket->SetHost(host);
        FSocket->SetPort(port);
    }
    DoConfigChanged();
    return true;
}
