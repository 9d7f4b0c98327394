// Analog outputs: converter values, engineering values, words and calibration points.
#include "sim/SimInstructions.h"

#include "protocol/uTarvelBytes.h"

#include <vector>

namespace {

struct TChannelValue {
    int Channel;
    int Value;
};

// One (channel, signed 16-bit) record, or four of them for channels 1..4 in order.
bool ParseValueRecords(std::string_view data, std::vector<TChannelValue>& out)
{
    constexpr size_t RecordBytes = 3;
    if (data.size() != RecordBytes && data.size() != RecordBytes * SimAnalogOutputs) return false;
    for (size_t pos = 0; pos < data.size(); pos += RecordBytes) {
        const int channel = SimByte(data, pos);
        const bool inOrder = data.size() == RecordBytes || channel == int(out.size()) + 1;
        if (!SimIsChannel(channel, SimAnalogOutputs) || !inOrder) return false;
        out.push_back({channel, GetBE16Signed(data, pos + 1)});
    }
    return true;
}

template <int16_t TSimAnalogOutput::*Field>
TSimAnswer ReadValues(TSimModule& m, const TSimRequest& r)
{
    return SimReadRecords(r.Data, SimAnalogOutputs, [&](int k) {
        std::string record(1, char(k));
        PutBE16(record, uint16_t(m.AnalogOutputs[k].*Field));
        return record;
    });
}

// 40: converter values 0..4095; nothing changes unless all are in range.
TSimAnswer SetRaw(TSimModule& m, const TSimRequest& r)
{
    std::vector<TChannelValue> values;
    if (!ParseValueRecords(r.Data, values)) return SimBadData();
    for (const TChannelValue& v : values)
        if (v.Value < 0 || v.Value > SimOutputRawMax) return SimBadData();
    for (const TChannelValue& v : values) m.SetOutputRaw(v.Channel, v.Value);
    return SimOk();
}

// 42: engineering values, 10000 being the high calibration point.
TSimAnswer SetValue(TSimModule& m, const TSimRequest& r)
{
    std::vector<TChannelValue> values;
    if (!ParseValueRecords(r.Data, values)) return SimBadData();
    for (const TChannelValue& v : values) m.SetOutputValue(v.Channel, v.Value);
    return SimOk();
}

TSimAnswer SetWord(TSimModule& m, const TSimRequest& r)
{
    std::vector<TChannelValue> values;
    if (!ParseValueRecords(r.Data, values)) return SimBadData();
    for (const TChannelValue& v : values) m.AnalogOutputs[v.Channel].Word = int16_t(v.Value);
    return SimOk();
}

TSimAnswer ReadCalibrations(TSimModule& m, const TSimRequest& r)
{
    return SimReadRecords(r.Data, SimAnalogOutputs, [&](int k) {
        std::string record(1, char(k));
        PutBE16(record, m.AnalogOutputs[k].Low);
        PutBE16(record, m.AnalogOutputs[k].High);
        return record;
    });
}

// 4E: channel, then 0 to store the present converter value as the low point, 1 as the high.
TSimAnswer StoreCalibrationPoint(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.size() != 2 || !SimIsChannel(SimByte(r.Data, 0), SimAnalogOutputs) || SimByte(r.Data, 1) > 1)
        return SimBadData();
    m.StoreCalibrationPoint(SimByte(r.Data, 0), SimByte(r.Data, 1) == 0);
    return SimOk();
}

}

void AddAnalogOutputInstructions(TSimInstructionSet& set)
{
    set.Add(0x40, SetRaw);
    set.Add(0x41, ReadValues<&TSimAnalogOutput::Raw>);
    set.Add(0x42, SetValue);
    set.Add(0x43, ReadValues<&TSimAnalogOutput::Value>);
    set.Add(0x44, SetWord);
    set.Add(0x45, ReadValues<&TSimAnalogOutput::Word>);
    set.Add(0x4E, StoreCalibrationPoint);
    set.Add(0x4F, ReadCalibrations);
}
