#include "app/uRS485Responder.h"

#include "device/uValdrix.h"
#include "protocol/uTarvel97.h"
#include "protocol/uTarvelCommonInstructions.h"

const char* const SRS485TesterInfo = "Valdrix Tester Info";

std::vector<std::string> AnswerRS485Requests(std::string& buffer)
{
    std::vector<std::string> answers;
    TTarvelFormat97 packet;
    while (FindTarvel97Packet(buffer, packet, true)) {
        if (packet.Inst != TARVEL_INST_IDENTIFICATION || packet.Adr == ValdrixDefaultAddress) continue;
        TTarvelFormat97 answer = packet;
        answer.Inst = 0; // acknowledge code: done
        answer.Data = SRS485TesterInfo;
        answers.push_back(BuildTarvel97PacketFromRecord(answer));
    }
    if (buffer.size() > RS485BufferLimit) buffer.erase(0, buffer.size() - RS485BufferLimit);
    return answers;
}
