#include "sim/SimInstructions.h"

TSimInstructionSet::TSimInstructionSet()
{
    AddCommonInstructions(*this);
    AddDigitalInstructions(*this);
    AddAnalogInputInstructions(*this);
    AddAnalogOutputInstructions(*this);
    AddThermometerInstructions(*this);
    AddClockInstructions(*this);
}

void TSimInstructionSet::Add(uint8_t inst, TSimHandler handler, bool configuration)
{
    FTable[inst] = {handler, configuration};
}

TSimAnswer TSimInstructionSet::Execute(TSimModule& module, const TSimRequest& request) const
{
    const TEntry& entry = FTable[request.Inst];
    if (!entry.Handler) return {false, SimAckUnknownInstruction, {}};
    if (entry.Configuration && !module.TakeConfigurationEnable(request.Now))
        return {false, SimAckConfigLocked, {}};
    return entry.Handler(module, request);
}
