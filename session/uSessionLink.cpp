#include "session/uSessionLink.h"

#include "device/uValdrixAttempts.h"
#include "framework/uExceptions.h"

TSessionLink::TSessionLink() : FDevice(MakeObj<TValdrix>(ValdrixDefaultAddress)) { FLink.Attach(FDevice); }

TSessionLink::~TSessionLink() { FLink.Detach(); }

TIdentifiedOpen TSessionLink::OpenAndIdentify(const std::string& connection, TOpenAttempts attempts,
                                              TIdentityRule rule)
{
    TIdentifiedOpen result;
    // A link that did not open stays as it was built, closed, so that it can be named.
    if (FLink.Open(connection, result.Detail) != TLinkOpen::Opened) return result;
    std::string text;
    const auto identify = [&] { return FDevice->ReadIdentificationText(text); };
    if (attempts == TOpenAttempts::Reconnect ? identify() : AttemptTwice(identify)) {
        result.Kind = IdentityAccepted(text, rule) ? TIdentifiedOpen::Identified : TIdentifiedOpen::OtherDevice;
        result.Detail = result.Ok() ? std::string() : text;
    } else {
        result.Kind = TIdentifiedOpen::NoIdentification;
        result.Detail = DescribeFailure();
    }
    if (!result.Ok()) FLink.Close();
    return result;
}

TIdentifiedOpen TSessionLink::Reconnect(TIdentityRule rule)
{
    return OpenAndIdentify(FLink.Connection(), TOpenAttempts::Reconnect, rule);
}

bool TSessionLink::LinkClosed()
{
    const IntfPtr<ICommunicationInterface> intf = FLink.Interface();
    return !intf || intf->WaitForData(0) == TCiWaitResult::Closed;
}

bool TSessionLink::ModuleUnreachable()
{
    return LinkClosed() || FDevice->GetLastResult() == TARVEL_RESULT_NO_ANSWER;
}

std::string TSessionLink::DescribeFailure()
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

bool TSessionLink::Listen(std::chrono::milliseconds length)
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
