// The request signatures (SIG) of one stack device: 256 slots, one per SIG value.
//
// A waiting request takes a slot for as long as it waits; a request sent without
// waiting keeps its slot until its answer arrives or its deadline passes, so the next
// request gets another SIG and the answers can be told apart. The search for a slot
// starts at the SIG used last and does not move past a free slot, so requests that
// end one after the other keep using the same SIG.
#pragma once

#include "framework/uMethod.h"
#include "protocol/uTarvel97.h"

#include <array>
#include <cstdint>
#include <mutex>

// Called with the request as sent and its answer.
using TTarvelAnswerEvent = TMethod<void(const TTarvelFormat97& request, const TTarvelFormat97& answer)>;

struct TTarvelStackItemSIG {
    bool Free = true;
    uint8_t SentInst = 0;
    double SentAt = 0;     // local date-time when the slot was taken
    uint32_t Deadline = 0; // tick count after which the slot counts as free
    TTarvelFormat97 Answer;
    TTarvelAnswerEvent OnAnswer;
    TTarvelFormat97 RequestPacket; // kept only when OnAnswer is set
};

class TTarvelSigSlots {
public:
    // Number of full passes over a completely taken table after which the user is told.
    static constexpr int OverloadWraps = 5;
    static constexpr int QuarantineTimeouts = 5;

    // Takes the first available slot from the current SIG on and returns its SIG. While
    // every slot is taken it waits (1 ms per pass) and, from the fifth pass on, shows
    // "SIG stack overload" once per pass; it never gives up.
    uint8_t Allocate(uint8_t inst, int32_t timeoutMs);
    void Free(uint8_t sig);
    // After a request that got no answer in time: the slot is taken again, whatever
    // befell it during the wait, for QuarantineTimeouts time-outs from now, since its
    // answer may still come and must not be taken for the answer of a later request
    // with the same SIG. A packet that freed the slot while the request waited (a
    // duplicate of an earlier answer, one to the wildcard address) proves nothing about
    // that answer. The answer, if it comes after this, frees the slot as any answer does.
    void Quarantine(uint8_t sig, int32_t timeoutMs);
    // Stores the handler and the request it answers in a taken slot.
    void SetAnswerHandler(uint8_t sig, TTarvelAnswerEvent handler, const TTarvelFormat97& request);
    // Answer delivery: a packet whose SIG names a taken slot is stored there, handed to
    // the slot's handler and frees the slot; one for a free slot is dropped (false).
    bool Deliver(const TTarvelFormat97& answer);

    // The next search starts at this SIG.
    void StartAt(uint8_t sig);

    bool IsTaken(uint8_t sig) const;
    uint8_t CurrentSig() const;

private:
    bool Available(const TTarvelStackItemSIG& slot, uint32_t now) const;

    mutable std::recursive_mutex FLock;
    uint8_t FCurrentSig = 0;
    std::array<TTarvelStackItemSIG, 256> FSlots;
};
