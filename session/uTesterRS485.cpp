#include "session/uTesterRS485.h"

#include "protocol/uTarvel97.h"
#include "protocol/uTarvelCommonInstructions.h"
#include "protocol/uTarvelFramer.h"

#include <memory>

TRS485Answerer TesterRS485Answerer()
{
    // A packet still arriving waits in the framer for the next bytes.
    auto framer = std::make_shared<TTarvelFramer>();
    return [framer](std::string_view received) {
        framer->Append(received);
        std::vector<std::string> answers;
        for (TTarvelFormat97 request; framer->NextRecord(request);) {
            if (request.Inst != TARVEL_INST_IDENTIFICATION || request.Adr == ValdrixDefaultAddress) continue;
            request.Inst = 0; // the acknowledge code: done
            request.Data = TesterRS485Text;
            answers.push_back(BuildTarvel97PacketFromRecord(request));
        }
        return answers;
    };
}
