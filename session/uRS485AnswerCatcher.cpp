#include "session/uRS485AnswerCatcher.h"

// The special address: the stack hands it every packet.
TRS485AnswerCatcher::TRS485AnswerCatcher(uint8_t address) : TTarvelStackDevice(TARVEL_ADR_SPECIAL), FAddress(address)
{
}

void TRS485AnswerCatcher::ProcessPacket(const TTarvelFormat97& packet)
{
    const std::lock_guard lock(FLock);
    if (FCaught || packet.Adr != FAddress) return;
    FCaught = true;
    FData = packet.Data;
}

bool TRS485AnswerCatcher::Caught(std::string& data)
{
    const std::lock_guard lock(FLock);
    data = FData;
    return FCaught;
}
