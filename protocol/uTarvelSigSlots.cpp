#include "protocol/uTarvelSigSlots.h"

#include "framework/uDateTime.h"
#include "framework/uTimeoutManager.h"
#include "protocol/uTarvelUserMessage.h"

#include <algorithm>

bool TTarvelSigSlots::Available(const TTarvelStackItemSIG& slot, uint32_t now) const
{
    // Compared as a signed distance so a deadline beyond the 32-bit tick wrap still lies ahead.
    return slot.Free || int32_t(now - slot.Deadline) > 0;
}

uint8_t TTarvelSigSlots::Allocate(uint8_t inst, int32_t timeoutMs)
{
    std::lock_guard lock(FLock);
    int wraps = 0;
    unsigned s = FCurrentSig;
    while (!Available(FSlots[s], GetTickCount())) {
        if (s == 255) {
            Sleep(1);
            if (++wraps >= OverloadWraps) ShowTarvelUserMessage(STarvelSigStackOverload);
            s = 0;
        } else {
            ++s;
        }
        FCurrentSig = uint8_t(s);
    }
    TTarvelStackItemSIG& slot = FSlots[s];
    slot = TTarvelStackItemSIG{};
    slot.Free = false;
    slot.SentInst = inst;
    slot.SentAt = NowDateTime();
    slot.Deadline = GetTickCount() + uint32_t(timeoutMs);
    return uint8_t(s);
}

void TTarvelSigSlots::Free(uint8_t sig)
{
    std::lock_guard lock(FLock);
    FSlots[sig] = TTarvelStackItemSIG{};
}

void TTarvelSigSlots::Quarantine(uint8_t sig, int32_t timeoutMs)
{
    std::lock_guard lock(FLock);
    TTarvelStackItemSIG& slot = FSlots[sig];
    slot.Free = false;
    slot.Deadline = GetTickCount() + uint32_t(QuarantineTimeouts) * uint32_t(std::max(timeoutMs, 1));
}

void TTarvelSigSlots::SetAnswerHandler(uint8_t sig, TTarvelAnswerEvent handler, const TTarvelFormat97& request)
{
    std::lock_guard lock(FLock);
    FSlots[sig].OnAnswer = handler;
    FSlots[sig].RequestPacket = request;
}

bool TTarvelSigSlots::Deliver(const TTarvelFormat97& answer)
{
    std::lock_guard lock(FLock);
    TTarvelStackItemSIG& slot = FSlots[answer.Sig];
    if (slot.Free) return false;
    slot.Answer = answer;
    // The slot is freed also when the handler raises: its answer has arrived either way.
    struct FreeOnExit {
        TTarvelSigSlots& Slots;
        uint8_t Sig;
        ~FreeOnExit() { Slots.Free(Sig); }
    } freeOnExit{*this, answer.Sig};
    if (slot.OnAnswer) {
        const TTarvelAnswerEvent handler = slot.OnAnswer;
        const TTarvelFormat97 request = slot.RequestPacket;
        handler(request, answer);
    }
    return true;
}

bool TTarvelSigSlots::IsTaken(uint8_t sig) const
{
    std::lock_guard lock(FLock);
    return !FSlots[sig].Free;
}

void TTarvelSigSlots::StartAt(uint8_t sig)
{
    std::lock_guard lock(FLock);
    FCurrentSig = sig;
}

uint8_t TTarvelSigSlots::CurrentSig() const
{
    std::lock_guard lock(FLock);
    return FCurrentSig;
}
