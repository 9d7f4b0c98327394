#include "cli/uCliSession.h"

#include "framework/uci_ConnectionString.h"

TCliSession::TCliSession() : FSink(TSpySink::Bind<&TCliSession::Watch>(this)) { SetSpySink(FSink); }

TCliSession::~TCliSession()
{
    RemoveSpySink(FSink);
    if (FDevice) FDevice->SetStack(nullptr);
    if (FStack) FStack->SetCommunicationInterface(nullptr);
    if (FLink) FLink->Close(false);
}

bool TCliSession::Connect(const std::string& connection, int32_t timeout, uint8_t address, std::string& error)
{
    FConnection = connection;
    if (!OpenLink(error)) return false;
    FStack = MakeObj<TTarvelStack>();
    FStack->SetCommunicationInterface(FLink);
    FDevice = MakeObj<TValdrix>(address);
    FDevice->SetTimeout(timeout);
    FDevice->SetStack(FStack);
    return true;
}

bool TCliSession::OpenLink(std::string& error)
{
    if (!CreateCommunicationInterface(FConnection, FLink, error)) return false;
    if (FLink->Open()) return true;
    // The reason names the device itself.
    error = OpenFailureOf(FLink.get());
    if (error.empty()) FLink->GetDisplayName(error);
    if (error.empty()) error = FConnection;
    error = "cannot open the connection: " + error;
    return false;
}

bool TCliSession::Reconnect(std::string& error)
{
    FStack->SetCommunicationInterface(nullptr);
    if (FLink) FLink->Close(false);
    if (!OpenLink(error)) return false;
    FStack->SetCommunicationInterface(FLink);
    std::string text;
    if (FDevice->ReadIdentificationText(text)) return true;
    error = DescribeFailure();
    return false;
}

bool TCliSession::ModuleUnreachable()
{
    return LinkClosed() || FDevice->GetLastResult() == TARVEL_RESULT_NO_ANSWER;
}

void TCliSession::Watch(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction)
{
    if (intf != FLink.get() || bytes.empty()) return;
    FReceivedSinceSend = direction == SpyDirectionReceived;
}

std::string TCliSession::DescribeFailure()
{
    const int result = FDevice->GetLastResult();
    if (LinkClosed()) {
        std::string name;
        FLink->GetDeviceName(name);
        return "the link closed (" + name + "): the module, the gateway or the converter went away";
    }
    if (result == TARVEL_RESULT_NO_ANSWER && FReceivedSinceSend)
        return "the module's answer arrived damaged: bytes came back, but no valid answer";
    return DescribeRequestFailure(result, FDevice->GetLastAck());
}

bool TCliSession::LinkClosed() { return FLink->WaitForData(0) == TCiWaitResult::Closed; }

std::string DescribeRequestFailure(int lastResult, int lastAck)
{
    switch (lastResult) {
    case TARVEL_RESULT_NO_ANSWER: return "no answer from the module";
    case TARVEL_RESULT_INVALID: return "the answer is not a valid packet";
    case TARVEL_RESULT_REFUSED: return "the module refused the request (acknowledge code " + std::to_string(lastAck) + ")";
    case TARVEL_RESULT_OK: return "the module's answer is malformed";
    default: return "the request was not sent";
    }
}
