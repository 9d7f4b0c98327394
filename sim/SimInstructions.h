// The module's instruction set as a table: one small handler per instruction code,
// registered by group (common, digital, analog inputs, analog outputs, thermometers,
// clock). A handler checks the request data, changes or reads the module state and
// returns the acknowledge code and answer data.
#pragma once

#include "sim/SimModule.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Acknowledge codes of the simulated module.
constexpr uint8_t SimAckOk = 0;
constexpr uint8_t SimAckUnknownInstruction = 1;
constexpr uint8_t SimAckBadData = 2;          // wrong length, channel or value
constexpr uint8_t SimAckConfigLocked = 3;     // configuration without a fresh E4

constexpr uint8_t SimInstEnableConfiguration = 0xE4;

struct TSimRequest {
    uint8_t Adr = 0;          // the address the request was sent to
    uint8_t Inst = 0;
    std::string_view Data;
    int64_t Now = 0;          // ms since the simulator started
};

struct TSimAnswer {
    bool Silent = false;      // the module does not answer at all
    uint8_t Ack = SimAckOk;
    std::string Data;
};

using TSimHandler = TSimAnswer (*)(TSimModule&, const TSimRequest&);

class TSimInstructionSet {
public:
    TSimInstructionSet(); // registers every group

    // A configuration instruction is refused with SimAckConfigLocked unless an
    // enable-configuration request came shortly before it.
    void Add(uint8_t inst, TSimHandler handler, bool configuration = false);
    TSimAnswer Execute(TSimModule& module, const TSimRequest& request) const;

private:
    struct TEntry {
        TSimHandler Handler = nullptr;
        bool Configuration = false;
    };
    std::array<TEntry, 256> FTable{};
};

void AddCommonInstructions(TSimInstructionSet& set);
void AddDigitalInstructions(TSimInstructionSet& set);
void AddAnalogInputInstructions(TSimInstructionSet& set);
void AddAnalogOutputInstructions(TSimInstructionSet& set);
void AddThermometerInstructions(TSimInstructionSet& set);
void AddClockInstructions(TSimInstructionSet& set);

// Small helpers shared by the handlers.
inline TSimAnswer SimOk(std::string data = {}) { return {false, SimAckOk, std::move(data)}; }
inline TSimAnswer SimBadData() { return {false, SimAckBadData, {}}; }
inline uint8_t SimByte(std::string_view data, size_t i) { return uint8_t(data[i]); }
inline bool SimIsChannel(int channel, int count) { return channel >= 1 && channel <= count; }

// A group read: no data answers every channel's record in channel order, one channel
// byte answers that channel's record. `record(channel)` starts with the channel byte.
template <class TRecord>
TSimAnswer SimReadRecords(std::string_view data, int count, TRecord record)
{
    if (data.empty()) {
        std::string all;
        for (int channel = 1; channel <= count; ++channel) all += record(channel);
        return SimOk(std::move(all));
    }
    if (data.size() != 1 || !SimIsChannel(SimByte(data, 0), count)) return SimBadData();
    return SimOk(record(SimByte(data, 0)));
}
