#include "transports/tcp/uci_ITCPClientInterface.h"

#include "framework/uExceptions.h"
#include "framework/uci_ConnectionString.h"
#include "framework/uci_ProcessEvents.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace {
std::atomic<TTCPSetupDialog> gSetupDialog{nullptr};
}

void SetTCPSetupDialog(TTCPSetupDialog dialog) { gSetupDialog = dialog; }

TTCPClientInterface::TTCPClientInterface() : FSocket(std::make_unique<TClientSocket>())
{
    FSocket->OnRead = [this] { DoDataRcv(); };
    FSocket->OnDisconnected = [this] { DoClose(); };
}

TTCPClientInterface::~TTCPClientInterface()
{
    // A receive handler still running on the watcher would take a new reference to this
    // dying interface and, on dropping it, destroy it a second time.
    FSocket->RetireHandlers();
    try {
        Close(true);
    } catch (...) {
        // Nothing can be reported from a destructor.
    }
}

bool TTCPClientInterface::ImplementsInterface(const TGUID& iid) const
{
    return iid == ITCPClientInterface::IID || TSockClientCoreInterface::ImplementsInterface(iid);
}

std::string TTCPClientInterface::ConnectFailureText(int code)
{
    std::string host;
    GetHost(host);
    const std::string where = host + ":" + std::to_string(GetPort()) + ": ";
    switch (code) {
    case 0: return where + "no answer to the connection request within " + std::to_string(ConnectWaitMs) + " ms";
    case TcpErrorHostNotFound:
        return host.empty() ? std::string("no host given (host=...)") : where + "name not found: no host is called " + host;
    case ETIMEDOUT: return where + "the connection request timed out";
    case ECANCELED: return where + "the connection attempt was cancelled: the link was closed meanwhile";
    case ECONNREFUSED: return where + "connection refused: nothing accepts connections on that port";
    case EHOSTUNREACH:
    case ENETUNREACH: return where + "no route to host: the address cannot be reached from this computer";
    default: return where + std::strerror(code);
    }
}

bool TTCPClientInterface::IsOpen() { return FSocket->Active(); }

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

// One attempt at a time: an Open that comes while another connects (from the event
// processing of the main thread's wait, or from another thread) fails at once.
bool TTCPClientInterface::InternalOpen()
{
    if (FConnecting.exchange(true)) {
        SetOpenFailure("a connection attempt is already under way");
        return false;
    }
    // What is left of an earlier connection goes without a word: nothing was open.
    FSocket->Close(true);
    std::string host;
    GetHost(host);
    const bool onMainThread = QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
    int error = 0;
    const bool open = FSocket->Open(host, GetPort(), ConnectWaitMs, onMainThread ? TTcpIdle(&ProcessPendingEvents) : TTcpIdle(), error);
    FConnecting = false;
    if (!open) SetOpenFailure(ConnectFailureText(error));
    return open;
}

// Told only when a connection ends here: a link that was not open (or that the peer
// ended, which was told then) is closed already.
bool TTCPClientInterface::Close(bool force)
{
    if (!FSocket->Close(force)) return true;
    return TSockClientCoreInterface::Close(true);
}

bool TTCPClientInterface::InternalClose(bool force)
{
    FSocket->Close(force);
    return true;
}

// Nothing counts as sent when the socket could not take the bytes: a request whose bytes
// never left fails at once instead of waiting for an answer.
int32_t TTCPClientInterface::InternalWrite(const std::string& bytes)
{
    if (bytes.empty()) return 0;
    const int error = FSocket->SendText(bytes);
    if (error == 0) return int32_t(bytes.size());
    if (error == ENOBUFS)
        DoError("Send", {"the peer takes no more bytes: " + std::to_string(bytes.size()) +
                             " bytes would queue beyond " + std::to_string(TClientSocket::MaxQueuedBytes) + " bytes"},
                0);
    else if (error != ENOTCONN)
        DoError("Send", {std::strerror(error)}, 0);
    return 0;
}

void TTCPClientInterface::InternalRead(std::string& bytes)
{
    bool failed = false;
    BeginWrite();
    try {
        bytes = FSocket->ReceiveText();
    } catch (const std::exception&) {
        failed = true;
    }
    EndWrite();
    if (failed) Close(false);
}

TCiWaitResult TTCPClientInterface::WaitForData(uint32_t timeoutMs) { return FSocket->WaitForData(timeoutMs); }

TCiWaitResult TTCPClientInterface::InternalWaitForData(uint32_t timeoutMs) { return FSocket->WaitForData(timeoutMs); }

int32_t TTCPClientInterface::InBuffUsed() { return FSocket->ReceiveLength(); }

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
    DoConfigChanged();
}

int32_t TTCPClientInterface::GetLocalPort() { return IsOpen() ? FSocket->LocalPort() : 0; }

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
    DoConfigChanged();
    return true;
}
