// Analog inputs: readings (calibrated and raw), ranges, coefficients and divisions.
#include "sim/SimInstructions.h"

#include "protocol/uTarvelBytes.h"

namespace {

std::string ReadingRecords(TSimModule& m, int64_t now, bool raw)
{
    std::string data;
    for (int k = 1; k <= SimAnalogInputs; ++k) {
        const TSimAnalogReading reading = raw ? m.RawReading(k, now) : m.CalibratedReading(k, now);
        data += char(k);
        data += char(reading.Status);
        PutBE16(data, reading.Value);
    }
    return data;
}

TSimAnswer ReadCalibrated(TSimModule& m, const TSimRequest& r)
{
    return r.Data.empty() ? SimOk(ReadingRecords(m, r.Now, false)) : SimBadData();
}

TSimAnswer ReadRaw(TSimModule& m, const TSimRequest& r)
{
    return r.Data.empty() ? SimOk(ReadingRecords(m, r.Now, true)) : SimBadData();
}

TSimAnswer ReadRanges(TSimModule& m, const TSimRequest& r)
{
    if (!r.Data.empty()) return SimBadData();
    std::string data;
    for (int k = 1; k <= SimAnalogInputs; ++k) {
        data += char(k);
        data += char(m.AnalogInputs[k].Range);
    }
    return SimOk(std::move(data));
}

// 1A: one to four (channel, range) pairs; nothing changes unless all are valid.
TSimAnswer SetRanges(TSimModule& m, const TSimRequest& r)
{
    const size_t pairs = r.Data.size() / 2;
    if (r.Data.size() % 2 != 0 || pairs < 1 || pairs > SimAnalogInputs) return SimBadData();
    for (size_t i = 0; i < pairs; ++i)
        if (!SimIsChannel(SimByte(r.Data, 2 * i), SimAnalogInputs) || SimByte(r.Data, 2 * i + 1) > SimRangeMax)
            return SimBadData();
    for (size_t i = 0; i < pairs; ++i) m.AnalogInputs[SimByte(r.Data, 2 * i)].Range = SimByte(r.Data, 2 * i + 1);
    return SimOk();
}

// Reads or writes one 16-bit setting of an input, chosen by the member pointer.
template <uint16_t TSimAnalogInput::*Field>
TSimAnswer ReadSetting(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.size() != 1 || !SimIsChannel(SimByte(r.Data, 0), SimAnalogInputs)) return SimBadData();
    std::string data;
    PutBE16(data, m.AnalogInputs[SimByte(r.Data, 0)].*Field);
    return SimOk(std::move(data));
}

template <uint16_t TSimAnalogInput::*Field>
TSimAnswer WriteSetting(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.size() != 3 || !SimIsChannel(SimByte(r.Data, 0), SimAnalogInputs)) return SimBadData();
    m.AnalogInputs[SimByte(r.Data, 0)].*Field = GetBE16(r.Data, 1);
    return SimOk();
}

}

void AddAnalogInputInstructions(TSimInstructionSet& set)
{
    set.Add(0x12, WriteSetting<&TSimAnalogInput::Coefficient>, true);
    set.Add(0x13, ReadSetting<&TSimAnalogInput::Coefficient>);
    set.Add(0x1A, SetRanges, true);
    set.Add(0x1B, ReadRanges);
    set.Add(0x1C, WriteSetting<&TSimAnalogInput::Divisions>, true);
    set.Add(0x1D, ReadSetting<&TSimAnalogInput::Divisions>);
    set.Add(0x51, ReadCalibrated);
    set.Add(0x5F, ReadRaw);
}
