#include "capture/uTarvelPairing.h"

#include "capture/uCaptureRecord.h"
#include "capture/uTarvelDecoder.h"

namespace {

constexpr uint8_t WildcardAddress = 0xFE;
constexpr uint8_t FirstMessageCode = 0x0C;
constexpr uint8_t LastMessageCode = 0x0F;

uint16_t PendingKey(uint8_t adr, uint8_t sig) { return uint16_t(adr << 8 | sig); }

} // namespace

std::string TPacketReading::Text() const
{
    const std::string reading = Reading.empty() ? std::string() : " " + Reading;
    if (Message) return "message " + Tarvel97InstructionLabel(Code) + reading;
    if (!Answer) return Name + reading;
    if (!Paired) return "answer (ack " + std::to_string(Code) + ")" + (Reading.empty() ? "" : ":" + reading);
    if (Code != 0) return Name + " refused (ack " + std::to_string(Code) + ")" + reading;
    return Name + " answer" + (Reading.empty() ? "" : ":" + reading);
}

bool TTarvelPairing::TakeRequest(uint8_t adr, uint8_t sig, TPending& request)
{
    for (const uint8_t key : {adr, WildcardAddress}) {
        const auto it = FPending.find(PendingKey(key, sig));
        if (it == FPending.end()) continue;
        request = it->second;
        FPending.erase(it);
        return true;
    }
    return false;
}

TPacketReading TTarvelPairing::Read(std::string_view packet, uint8_t direction, int64_t timeUs)
{
    TPacketReading r;
    r.Adr = uint8_t(packet[4]);
    r.Sig = uint8_t(packet[5]);
    r.Code = uint8_t(packet[6]);
    const std::string_view data = packet.substr(7, packet.size() - 9);
    const bool ackCode = r.Code < FirstMessageCode;
    if (direction != CaptureDirectionSent && !ackCode && r.Code <= LastMessageCode) {
        r.Message = true;
        r.Reading = Tarvel97Hex(data);
        return r;
    }
    TPending request{};
    if (direction == CaptureDirectionReceived || (direction == CaptureDirectionUnknown && ackCode)) {
        r.Paired = TakeRequest(r.Adr, r.Sig, request);
        r.Answer = r.Paired || direction == CaptureDirectionReceived;
    }
    if (!r.Answer) {
        r.Inst = r.Code;
        r.Name = Tarvel97InstructionLabel(r.Code);
        r.Reading = Tarvel97RequestReading(r.Code, data);
        FPending[PendingKey(r.Adr, r.Sig)] = {r.Code, timeUs};
        return r;
    }
    if (!r.Paired) {
        r.Reading = Tarvel97Hex(data);
        return r;
    }
    r.Inst = request.Inst;
    r.Name = Tarvel97InstructionLabel(request.Inst);
    r.ResponseUs = timeUs - request.TimeUs;
    r.Reading = r.Code == 0 ? Tarvel97AnswerReading(request.Inst, data) : Tarvel97Hex(data);
    return r;
}
