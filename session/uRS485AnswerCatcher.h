// A listener put on a module link's stack for the RS-485 test: it keeps the first packet
// from the address asked that the stack delivers while it is attached.
#pragma once

#include "protocol/uTarvelStackDevice.h"

#include <mutex>
#include <string>

class TRS485AnswerCatcher : public TTarvelStackDevice {
public:
    explicit TRS485AnswerCatcher(uint8_t address);

    std::string ClassName() const override { return "TRS485AnswerCatcher"; }
    void ProcessPacket(const TTarvelFormat97& packet) override;
    // The data of the first packet, when one came.
    bool Caught(std::string& data);

private:
    const uint8_t FAddress;
    std::mutex FLock;
    bool FCaught = false;
    std::string FData;
};
