// Where each received packet goes. Packets for a module's present address are executed
// by that module, packets for the special address 0xFE by every module, and answered on
// the link they came from; packets for the universal address 0xFF are ignored; packets
// for any other address travel on to the other port: from the main link out onto the
// RS-485 bus, and from the bus back to the main link (that is how answers of bus
// devices reach the tester).
#pragma once

#include "sim/SimFaults.h"
#include "sim/SimInstructions.h"
#include "sim/SimLink.h"
#include "sim/SimLoop.h"

#include <vector>

class TSimRouter : public ISimPacketSink {
public:
    // The modules share the links; they stay owned by the caller.
    TSimRouter(std::vector<TSimModule>& modules, TSimFaults& faults, TSimLoop& loop, bool verbose);

    void AddLink(TSimLink& link) { FLinks.push_back(&link); }
    void OnPacket(TSimLink& from, const TTarvelFormat97& packet) override;

private:
    void Answer(TSimModule& module, TSimLink& to, const TTarvelFormat97& request);
    void Forward(TSimSide side, const TTarvelFormat97& packet);
    // Sends now or after the configured delay; a deferred send is dropped when the
    // link's peer has changed meanwhile.
    void Deliver(TSimLink& to, std::string bytes);
    void HangupAfterAnswer(TSimLink& link);
    void Log(const char* what, const TSimLink& link, const std::string& bytes) const;

    std::vector<TSimModule>& FModules;
    TSimFaults& FFaults;
    TSimLoop& FLoop;
    bool FVerbose;
    TSimInstructionSet FInstructions;
    std::vector<TSimLink*> FLinks;
};
