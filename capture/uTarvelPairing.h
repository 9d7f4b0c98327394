// Reads format 97 packets the way a person reading traffic wants them: requests paired
// with their answers by address and SIG, each packet with its instruction name, a short
// reading of its data and, for an answer, the time since its request.
//
// A packet whose direction is known (sent by the program: a request; received: an
// answer) is taken as such. A packet seen by a passive listener (direction unknown) is
// an answer when a request with its address and SIG (or to the wildcard address 0xFE
// with its SIG) waits and its code is an acknowledge code (below 0x0C); otherwise it is
// a request. Instruction codes start at 0x12, so a request that reuses a waiting SIG is
// never mistaken for the answer.
//
// Not thread-safe: the owner serialises the calls.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

struct TPacketReading {
    bool Answer = false;
    bool Message = false;  // not sent, with a code 0x0C..0x0F: a message, not an answer
    bool Paired = false;   // an answer whose request was seen
    uint8_t Adr = 0;
    uint8_t Sig = 0;
    uint8_t Code = 0;      // instruction of a request, acknowledge code of an answer
    uint8_t Inst = 0;      // the instruction: a request's own, a paired answer's request's
    int64_t ResponseUs = -1; // a paired answer: microseconds since its request
    std::string Name;      // the instruction's label (the request's for an answer); empty when not known
    std::string Reading;   // short reading of the data

    // One line: "GetInputs", "SetOutputs output 3 on", "GetInputs answer: inputs 1000...",
    // "GetClock refused (ack 2)", "answer (ack 0): 01 02" for an answer without request.
    std::string Text() const;
};

class TTarvelPairing {
public:
    // `packet` is a valid format 97 packet (at least 9 bytes); direction one of the
    // CaptureDirection codes.
    TPacketReading Read(std::string_view packet, uint8_t direction, int64_t timeUs);
    void Clear() { FPending.clear(); }

private:
    struct TPending {
        uint8_t Inst;
        int64_t TimeUs;
    };
    // Takes the request that `adr` and `sig` answer off the waiting ones; false when none waits.
    bool TakeRequest(uint8_t adr, uint8_t sig, TPending& request);

    std::map<uint16_t, TPending> FPending; // waiting requests by (address << 8) | SIG
};
