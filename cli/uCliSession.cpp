#include "cli/uCliSession.h"

#include "framework/uci_ConnectionString.h"

TCliSession::~TCliSession()
{
    if (FDevice) FDevice->SetStack(nullptr);
    if (FStack) FStack->SetCommunicationInterface(nullptr);
    if (FLink) FLink->Close(false);
}

bool TCliSession::Connect(const std::string& connection, int32_t timeout, std::string& error)
{
    if (!CreateCommunicationInterface(connection, FLink, error)) return false;
    if (!FLink->Open()) {
        std::string name;
        FLink->GetDisplayName(name);
        error = "cannot open the connection " + name;
        return false;
    }
    FStack = MakeObj<TTarvelStack>();
    FStack->SetCommunicationInterface(FLink);
    FDevice = MakeObj<TValdrix>(ValdrixDefaultAddress);
    FDevice->SetTimeout(timeout);
    FDevice->SetStack(FStack);
    return true;
}

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
