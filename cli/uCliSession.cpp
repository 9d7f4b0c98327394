#include "cli/uCliSession.h"

#include "framework/uExceptions.h"
#include "protocol/uTarvel97.h"

#include <algorithm>

namespace {

// Received bytes kept for telling why a request got no answer: the most a packet can be
// (65537 bytes) and then some.
constexpr size_t KeptReceived = 0x15000;

} // namespace

TCliSession::TCliSession() : FSink(TSpySink::Bind<&TCliSession::Watch>(this)) { SetSpySink(FSink); }

TCliSession::~TCliSession()
{
    RemoveSpySink(FSink);
    FLink.Detach();
}

bool TCliSession::Connect(const std::string& connection, int32_t timeout, uint8_t address, std::string& error)
{
    FConnection = connection;
    FTimeout = timeout;
    FDevice = MakeObj<TValdrix>(address);
    FDevice->SetTimeout(timeout);
    FLink.Attach(FDevice);
    return Opened(FLink.Open(connection, error), error);
}

bool TCliSession::Opened(TLinkOpen result, std::string& error)
{
    if (result != TLinkOpen::Failed) return result == TLinkOpen::Opened;
    // The reason names the device itself.
    if (error.empty() && FLink.Interface()) FLink.Interface()->GetDisplayName(error);
    if (error.empty()) error = FConnection;
    error = "cannot open the connection: " + error;
    return false;
}

bool TCliSession::Reconnect(TIdentityRule identity, std::string& error)
{
    if (!Opened(FLink.Reopen(error), error)) return false;
    std::string text;
    if (!FDevice->ReadIdentificationText(text)) {
        error = DescribeFailure();
        return false;
    }
    if (IdentityAccepted(text, identity)) return true;
    error = "another device answers: \"" + text + "\"";
    return false;
}

bool TCliSession::ModuleUnreachable() { return LinkClosed() || FDevice->GetLastResult() == TARVEL_RESULT_NO_ANSWER; }

void TCliSession::Watch(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction)
{
    if (intf != FLink.Interface().get() || bytes.empty()) return;
    const std::lock_guard lock(FTrafficLock);
    if (direction == SpyDirectionReceived) {
        FReceived += bytes;
        if (FReceived.size() > 2 * KeptReceived) {
            const size_t cut = FReceived.size() - KeptReceived;
            FReceived.erase(0, cut);
            FRequestStart = FRequestStart > cut ? FRequestStart - cut : 0;
        }
        FUnframed += bytes;
        if (FUnframed.size() > 2 * KeptReceived) FUnframed.erase(0, FUnframed.size() - KeptReceived);
        return;
    }
    // A new request: only a packet begun before it may still complete.
    const size_t marker = FReceived.rfind('*');
    FReceived.erase(0, marker == std::string::npos ? FReceived.size() : marker);
    FRequestStart = FReceived.size();
}

std::string TCliSession::DescribeReturnedBytes()
{
    const std::lock_guard lock(FTrafficLock);
    if (FReceived.size() <= FRequestStart) return {};
    // A whole valid packet ending after the request went out, yet not its answer.
    std::string rest = FReceived;
    TTarvelFormat97 packet;
    while (FindTarvel97Packet(rest, packet, true))
        if (FReceived.size() - rest.size() > FRequestStart)
            return "the module answered too late: a packet came back, but not the answer to this request (an answer "
                   "to an earlier one); a longer --timeout may help";
    std::string last = FReceived.substr(std::min(FReceived.rfind('*'), FReceived.size()));
    if (!last.empty() && (last.size() < 2 || last[1] == 'a') && ExtractTarvel97Packet(last, false).empty())
        return "the module's answer was still arriving when the time-out passed; a longer --timeout may help";
    return "the module's answer arrived damaged: bytes came back, but no valid answer";
}

std::string TCliSession::DescribeFailure()
{
    const int result = FDevice->GetLastResult();
    if (LinkClosed()) {
        std::string name;
        if (const IntfPtr<ICommunicationInterface> intf = FLink.Interface()) intf->GetDeviceName(name);
        return "the link closed (" + name + "): the module, the gateway or the converter went away";
    }
    if (result == TARVEL_RESULT_NO_ANSWER)
        if (std::string returned = DescribeReturnedBytes(); !returned.empty()) return returned;
    return DescribeRequestFailure(result, FDevice->GetLastAck());
}

bool TCliSession::BytesReturned()
{
    const std::lock_guard lock(FTrafficLock);
    return FReceived.size() > FRequestStart;
}

std::vector<uint8_t> TCliSession::TakePacketAddresses()
{
    const std::lock_guard lock(FTrafficLock);
    std::vector<uint8_t> addresses;
    TTarvelFormat97 packet;
    while (FindTarvel97Packet(FUnframed, packet, true)) addresses.push_back(packet.Adr);
    // Bytes before the first packet marker can never become part of a packet.
    FUnframed.erase(0, std::min(FUnframed.find('*'), FUnframed.size()));
    return addresses;
}

void TCliSession::Listen(std::chrono::milliseconds length)
{
    using namespace std::chrono;
    const IntfPtr<ICommunicationInterface> intf = FLink.Interface();
    const IntfPtr<TTarvelStack> stack = FLink.Stack();
    if (!intf || !stack) return;
    const auto end = steady_clock::now() + length;
    for (auto now = steady_clock::now(); now < end; now = steady_clock::now()) {
        const TCiWaitResult waited = intf->WaitForData(uint32_t(ceil<milliseconds>(end - now).count()));
        if (waited == TCiWaitResult::Closed) return;
        if (waited != TCiWaitResult::Data) continue;
        try {
            stack->icDataRcv(intf.get());
        } catch (const Exception&) {
            // A packet the stack refuses (for the universal address, or too short) is noise
            // to a listener; the bytes have passed the traffic watch all the same.
        }
    }
}

bool TCliSession::LinkClosed()
{
    const IntfPtr<ICommunicationInterface> intf = FLink.Interface();
    return !intf || intf->WaitForData(0) == TCiWaitResult::Closed;
}

std::string DescribeRequestFailure(int lastResult, int lastAck)
{
    switch (lastResult) {
    case TARVEL_RESULT_NO_ANSWER: return "no answer from the module";
    case TARVEL_RESULT_INVALID: return "the answer is not a valid packet";
    case TARVEL_RESULT_REFUSED:
        return "the module refused the request (acknowledge code " + std::to_string(lastAck) + ")";
    case TARVEL_RESULT_OK: return "the module's answer is malformed";
    default: return "the request was not sent";
    }
}
