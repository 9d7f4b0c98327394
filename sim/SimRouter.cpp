#include "sim/SimRouter.h"

#include "protocol/uTarvel97.h"

#include <cstdio>

namespace {

constexpr uint8_t LastAcknowledgeCode = 0x0F;

}

TSimRouter::TSimRouter(std::vector<TSimModule>& modules, TSimFaults& faults, TSimLoop& loop, bool verbose)
    : FModules(modules), FFaults(faults), FLoop(loop), FVerbose(verbose)
{
}

void TSimRouter::OnPacket(TSimLink& from, const TTarvelFormat97& packet)
{
    if (FVerbose) Log("rx", from, BuildTarvel97PacketFromRecord(packet));
    bool addressed = false;
    for (TSimModule& module : FModules) {
        if (packet.Adr != module.Address && packet.Adr != TARVEL_ADR_SPECIAL) continue;
        addressed = true;
        // Codes 00..0F are acknowledge and message codes, not requests: answering them
        // could make two modules (or an echoing line) answer each other for ever.
        if (packet.Inst > LastAcknowledgeCode) Answer(module, from, packet);
    }
    if (!addressed && packet.Adr != TARVEL_ADR_UNIVERSAL)
        Forward(from.Side() == TSimSide::Main ? TSimSide::Bus : TSimSide::Main, packet);

    const int closeAfter = FFaults.Settings().CloseAfter;
    if (from.Side() == TSimSide::Main && closeAfter > 0 && from.PacketsThisSession() >= size_t(closeAfter))
        HangupAfterAnswer(from);
}

void TSimRouter::Answer(TSimModule& module, TSimLink& to, const TTarvelFormat97& request)
{
    // The answer carries the address the module had when the request arrived (an
    // address change takes effect after it is acknowledged).
    const uint8_t address = module.Address;
    TSimAnswer answer;
    if (const auto refusal = FFaults.Refusal(request.Inst))
        answer.Ack = *refusal;
    else
        answer = FInstructions.Execute(module, {request.Adr, request.Inst, request.Data, FLoop.Now()});
    if (answer.Silent) return;

    std::string bytes = FFaults.Apply(BuildTarvel97Packet(address, request.Sig, answer.Ack, answer.Data));
    if (bytes.empty()) {
        if (FVerbose) Log("dropped answer", to, {});
        return;
    }
    Deliver(to, std::move(bytes));
}

void TSimRouter::Forward(TSimSide side, const TTarvelFormat97& packet)
{
    const std::string bytes = BuildTarvel97PacketFromRecord(packet);
    for (TSimLink* link : FLinks)
        if (link->Side() == side) {
            if (FVerbose) Log("tx", *link, bytes);
            link->Send(bytes);
        }
}

void TSimRouter::Deliver(TSimLink& to, std::string bytes)
{
    if (FVerbose) Log("tx", to, bytes);
    const int delay = FFaults.Settings().DelayMs;
    if (delay <= 0) {
        to.Send(bytes);
        return;
    }
    const uint64_t session = to.Session();
    FLoop.After(delay, [&to, session, bytes = std::move(bytes)] { to.SendInSession(session, bytes); });
}

void TSimRouter::HangupAfterAnswer(TSimLink& link)
{
    const int delay = FFaults.Settings().DelayMs;
    if (delay <= 0) {
        link.Hangup();
        return;
    }
    const uint64_t session = link.Session();
    FLoop.After(delay, [&link, session] {
        if (link.Session() == session) link.Hangup();
    });
}

void TSimRouter::Log(const char* what, const TSimLink& link, const std::string& bytes) const
{
    std::string hex;
    for (const char c : bytes) {
        char byte[4];
        snprintf(byte, sizeof byte, " %02X", unsigned(uint8_t(c)));
        hex += byte;
    }
    fprintf(stderr, "valdrix-sim: %s %s %s%s\n", link.Side() == TSimSide::Main ? "main" : "rs485",
            link.Describe().c_str(), what, hex.c_str());
}
