// Thermometers: temperatures, sensor identities and the stored pairs.
#include "sim/SimInstructions.h"

#include "protocol/uTarvelBytes.h"

namespace {

TSimAnswer ReadTemperatures(TSimModule& m, const TSimRequest& r)
{
    return SimReadRecords(r.Data, SimThermometers, [&](int k) {
        std::string record{char(k), char(m.TemperatureStatus(k))};
        PutBE16(record, uint16_t(int16_t(m.TemperatureTenths(k, r.Now))));
        return record;
    });
}

// Each sensor reports a fixed 8-character identity "TH00000k".
TSimAnswer ReadIdentities(TSimModule&, const TSimRequest& r)
{
    return SimReadRecords(r.Data, SimThermometers, [](int k) {
        return std::string{char(k), char(SimStatusValid)} + "TH00000" + char('0' + k);
    });
}

TSimAnswer ReadPairs(TSimModule& m, const TSimRequest& r)
{
    return SimReadRecords(r.Data, SimThermometers, [&](int k) {
        return std::string{char(k), char(m.ThermometerPairs[k].First), char(m.ThermometerPairs[k].Second)};
    });
}

TSimAnswer SetPair(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.size() != 3 || !SimIsChannel(SimByte(r.Data, 0), SimThermometers)) return SimBadData();
    m.ThermometerPairs[SimByte(r.Data, 0)] = {SimByte(r.Data, 1), SimByte(r.Data, 2)};
    return SimOk();
}

}

void AddThermometerInstructions(TSimInstructionSet& set)
{
    set.Add(0x59, ReadTemperatures);
    set.Add(0x5A, ReadIdentities);
    set.Add(0x5B, SetPair);
    set.Add(0x5C, ReadPairs);
}
