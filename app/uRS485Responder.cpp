#include "app/uRS485Responder.h"

#include "device/uValdrix.h"
#include "protocol/uTarvel97.h"
#include "protocol/uTarvelCommonInstructions.h"

const char* const SRS485TesterInfo = "Valdrix Tester Info";

std::vector<std::string> TRS485Responder::Answer(std::string_view received)
{
    FFramer.Append(received);
    std::vector<std::string> answers;
    TTarvelFormat97 packet;
    while (FFramer.NextRecord(packet)) {
        if (packet.Inst != TARVEL_INST_IDENTIFICATION || packet.Adr == ValdrixDefaultAddress) continue;
        TTarvelFormat97 answer = packet;
        answer.Inst = 0; // acknowledge code: done
        answer.Data = SRS485TesterInfo;
        answers.push_back(BuildTarvel97PacketFromRecord(answer));
    }
    return answers;
}
