#include "cli/uCliSession.h"

#include "framework/uExceptions.h"

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
    if (intf != FLink.Interface().get() || direction != SpyDirectionReceived || bytes.empty()) return;
    const std::lock_guard lock(FTrafficLock);
    FReceived.Append(bytes);
    std::string packet;
    uint64_t at = 0;
    while (FReceived.Next(packet, at)) FPacketAddresses.push_back(uint8_t(packet[4]));
    if (FPacketAddresses.size() > MaxPacketAddresses)
        FPacketAddresses.erase(FPacketAddresses.begin(),
                               FPacketAddresses.end() - std::ptrdiff_t(MaxPacketAddresses));
}

std::string TCliSession::DescribeFailure()
{
    const TTarvelOutcome outcome = FDevice->GetLastOutcome();
    if (outcome == TTarvelOutcome::LinkClosed || (!BytesCameBack(outcome) && LinkClosed())) {
        std::string name;
        if (const IntfPtr<ICommunicationInterface> intf = FLink.Interface()) intf->GetDeviceName(name);
        return "the link closed (" + name + "): the module, the gateway or the converter went away";
    }
    switch (outcome) {
    case TTarvelOutcome::LateAnswer:
        return "the module answered too late: a packet came back, but not the answer to this request (an answer to "
               "an earlier one); a longer --timeout may help";
    case TTarvelOutcome::Arriving:
        return "the module's answer was still arriving when the time-out passed; a longer --timeout may help";
    case TTarvelOutcome::Damaged: return "the module's answer arrived damaged: bytes came back, but no valid answer";
    default: return DescribeRequestFailure(FDevice->GetLastResult(), FDevice->GetLastAck());
    }
}

std::vector<uint8_t> TCliSession::TakePacketAddresses()
{
    const std::lock_guard lock(FTrafficLock);
    std::vector<uint8_t> addresses;
    addresses.swap(FPacketAddresses);
    return addresses;
}

bool TCliSession::Listen(std::chrono::milliseconds length)
{
    using namespace std::chrono;
    const IntfPtr<ICommunicationInterface> intf = FLink.Interface();
    const IntfPtr<TTarvelStack> stack = FLink.Stack();
    bool heard = false;
    if (!intf || !stack) return heard;
    const auto end = steady_clock::now() + length;
    for (auto now = steady_clock::now(); now < end; now = steady_clock::now()) {
        const TCiWaitResult waited = intf->WaitForData(uint32_t(ceil<milliseconds>(end - now).count()));
        if (waited == TCiWaitResult::Closed) return heard;
        if (waited != TCiWaitResult::Data) continue;
        heard = true;
        try {
            stack->icDataRcv(intf.get());
        } catch (const Exception&) {
            // A packet the stack refuses (for the universal address, or too short) is noise
            // to a listener; the bytes have passed the traffic watch all the same.
        }
    }
    return heard;
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

bool BytesCameBack(TTarvelOutcome outcome)
{
    switch (outcome) {
    case TTarvelOutcome::Answered:
    case TTarvelOutcome::Refused:
    case TTarvelOutcome::Damaged:
    case TTarvelOutcome::LateAnswer:
    case TTarvelOutcome::Arriving: return true;
    default: return false;
    }
}
