#include "device/uValdrixCodec.h"

#include "framework/uDateTime.h"
#include "protocol/uTarvelBytes.h"

#include <cmath>

namespace {

bool InRange(int64_t value, int64_t min, int64_t max) { return value >= min && value <= max; }

uint8_t StateBit(bool state) { return state ? 0x80 : 0x00; }

// ---- one record of each group: size and field decoding (channel byte excluded) ----

struct TemperatureRecord {
    static constexpr size_t Size = 4;
    static void Decode(std::string_view r, TValdrixTemperature& t)
    {
        t.Status = uint8_t(r[1]);
        t.Value = GetBE16Signed(r, 2) / 10.0;
    }
};

struct AnalogReadingRecord {
    static constexpr size_t Size = 4;
    static void Decode(std::string_view r, TValdrixAnalogReading& a)
    {
        a.Status = uint8_t(r[1]);
        a.Value = GetBE16(r, 2);
    }
};

struct ThermometerIdRecord {
    static constexpr size_t Size = 10;
    static void Decode(std::string_view r, TValdrixThermometerId& id)
    {
        id.Status = uint8_t(r[1]);
        id.Id = std::string(r.substr(2, 8));
    }
};

struct ThermometerPairRecord {
    static constexpr size_t Size = 3;
    static void Decode(std::string_view r, TValdrixThermometerPair& p)
    {
        p.First = uint8_t(r[1]);
        p.Second = uint8_t(r[2]);
    }
};

struct AnalogOutputRecord {
    static constexpr size_t Size = 3;
    static void Decode(std::string_view r, int32_t& v) { v = GetBE16Signed(r, 1); }
};

struct OutputCalibrationRecord {
    static constexpr size_t Size = 5;
    static void Decode(std::string_view r, TValdrixOutputCalibration& c)
    {
        c.Low = GetBE16(r, 1);
        c.High = GetBE16(r, 3);
    }
};

template <class Record, class T, int N>
bool DecodeAnyOrder(std::string_view data, TValdrixChannels<T, N>& out)
{
    if (data.size() % Record::Size != 0) return false;
    for (T& item : out.Items) item.Status = 0;
    for (size_t i = data.size() / Record::Size; i-- > 0;) {
        const std::string_view r = data.substr(i * Record::Size, Record::Size);
        const int channel = uint8_t(r[0]);
        if (channel < 1 || channel > N) return false;
        Record::Decode(r, out[channel]);
    }
    return true;
}

template <class Record, class T, int N>
bool DecodeFixedOrder(std::string_view data, TValdrixChannels<T, N>& out)
{
    if (data.size() != Record::Size * N) return false;
    for (int channel = 1; channel <= N; ++channel) {
        const std::string_view r = data.substr(size_t(channel - 1) * Record::Size, Record::Size);
        if (uint8_t(r[0]) != channel) return false;
        Record::Decode(r, out[channel]);
    }
    return true;
}

template <class Record, class T>
bool DecodeSingle(std::string_view data, int channel, T& out)
{
    if (data.size() != Record::Size || uint8_t(data[0]) != channel) return false;
    Record::Decode(data, out);
    return true;
}

template <int N>
bool DecodeBits(std::string_view data, TValdrixChannels<bool, N>& bits)
{
    const size_t length = (N + 7) / 8;
    if (data.size() != length) return false;
    for (int c = 1; c <= N; ++c) {
        const uint8_t byte = uint8_t(data[length - 1 - size_t(c - 1) / 8]);
        bits[c] = (byte >> ((c - 1) % 8)) & 1;
    }
    return true;
}

void PutAnalogOutputRecord(std::string& data, int channel, int32_t value)
{
    data.push_back(char(channel));
    PutBE16(data, uint16_t(int16_t(value)));
}

} // namespace

bool EncodeChannel(int channel, int count, std::string& data)
{
    if (!InRange(channel, 1, count)) return false;
    data.assign(1, char(channel));
    return true;
}

bool EncodeChannelValue16(int channel, int count, int64_t value, int64_t min, int64_t max, std::string& data)
{
    if (!InRange(value, min, max) || !EncodeChannel(channel, count, data)) return false;
    PutBE16(data, uint16_t(value & 0xFFFF));
    return true;
}

std::string EncodeSetOutputs(const TValdrixOutputBits& states)
{
    std::string data;
    for (int i = 1; i <= ValdrixDigitalOutputs; ++i) data.push_back(char(StateBit(states[i]) | i));
    return data;
}

bool EncodeSetOutput(int index, bool state, int duration, uint8_t& inst, std::string& data)
{
    if (!InRange(index, 1, ValdrixDigitalOutputs) || !InRange(duration, 0, 255)) return false;
    data.clear();
    inst = duration == 0 ? VALDRIX_SET_OUTPUTS : VALDRIX_SET_OUTPUT_TIMED;
    if (duration != 0) data.push_back(char(duration));
    data.push_back(char(StateBit(state) | index));
    return true;
}

bool EncodeCounterRequest(int index, bool option, std::string& data)
{
    if (!InRange(index, 0, ValdrixCounters)) return false;
    data.assign(1, char(StateBit(option) + index));
    return true;
}

bool EncodeSetCounter(int index, int64_t value, std::string& data)
{
    if (!InRange(value, 0, UINT32_MAX) || !EncodeChannel(index, ValdrixCounters, data)) return false;
    PutBE32(data, uint32_t(value));
    return true;
}

bool EncodeSetCounters(const TValdrixCounters& values, std::string& data)
{
    data.assign(1, '\0');
    for (const int64_t v : values.Items) {
        if (v < 0) break;
        if (v > UINT32_MAX) return false;
        PutBE32(data, uint32_t(v));
    }
    return true;
}

bool EncodeSetThermometerPair(int index, const TValdrixThermometerPair& pair, std::string& data)
{
    if (!InRange(pair.First, 0, 255) || !InRange(pair.Second, 0, 255) ||
        !EncodeChannel(index, ValdrixThermometers, data))
        return false;
    data.push_back(char(pair.First));
    data.push_back(char(pair.Second));
    return true;
}

bool EncodeSetInputRange(int index, int range, std::string& data)
{
    if (!InRange(range, 0, ValdrixMaxRangeCode) || !EncodeChannel(index, ValdrixAnalogInputs, data)) return false;
    data.push_back(char(range));
    return true;
}

bool EncodeSetInputRanges(const TValdrixInputRanges& ranges, std::string& data)
{
    std::string all;
    for (int i = 1; i <= ValdrixAnalogInputs; ++i) {
        std::string pair;
        if (!EncodeSetInputRange(i, ranges[i], pair)) return false;
        all += pair;
    }
    data = all;
    return true;
}

bool EncodeAnalogOutputs(const TValdrixAnalogOutputValues& values, std::string& data)
{
    std::string all;
    for (int i = 1; i <= ValdrixAnalogOutputs; ++i) {
        if (!InRange(values[i], -32768, 32767)) return false;
        PutAnalogOutputRecord(all, i, values[i]);
    }
    data = all;
    return true;
}

bool EncodeStoreOutputCalibrationPoint(int index, bool lowPoint, std::string& data)
{
    if (!EncodeChannel(index, ValdrixAnalogOutputs, data)) return false;
    data.push_back(lowPoint ? '\0' : '\1');
    return true;
}

bool EncodeClock(double dateTime, std::string& data)
{
    const double seconds = std::nearbyint((dateTime - UnixEpochDateTime) * 86400.0);
    if (!(seconds >= 0 && seconds <= double(UINT32_MAX))) return false; // NaN fails both
    data.clear();
    PutBE32(data, uint32_t(seconds));
    return true;
}

bool EncodeChannelFlags(int index, bool flagA, bool flagB, std::string& data)
{
    if (!InRange(index, 1, ValdrixCounters)) return false;
    data.assign(1, char((flagA ? 0x80 : 0) + (flagB ? 0x40 : 0) + index));
    return true;
}

bool DecodeInputBits(std::string_view data, TValdrixInputBits& bits) { return DecodeBits(data, bits); }
bool DecodeOutputBits(std::string_view data, TValdrixOutputBits& bits) { return DecodeBits(data, bits); }

bool DecodeCounters(std::string_view data, int64_t* values, int count)
{
    if (data.empty()) return false;
    const int width = uint8_t(data[0]);
    if (width != 8 && width != 16 && width != 24 && width != 32) return false;
    const size_t bytes = size_t(width / 8);
    if (data.size() != size_t(count) * bytes + 1) return false;
    for (int i = 0; i < count; ++i) values[i] = int64_t(GetBE(data, 1 + size_t(i) * bytes, bytes));
    return true;
}

bool DecodeTemperatures(std::string_view d, TValdrixTemperatures& out) { return DecodeAnyOrder<TemperatureRecord>(d, out); }
bool DecodeAnalogReadings(std::string_view d, TValdrixAnalogReadings& out)
{
    return DecodeAnyOrder<AnalogReadingRecord>(d, out);
}
bool DecodeThermometerIds(std::string_view d, TValdrixThermometerIds& out)
{
    return DecodeAnyOrder<ThermometerIdRecord>(d, out);
}
bool DecodeTemperature(std::string_view d, int channel, TValdrixTemperature& out)
{
    return DecodeSingle<TemperatureRecord>(d, channel, out);
}
bool DecodeThermometerId(std::string_view d, int channel, TValdrixThermometerId& out)
{
    return DecodeSingle<ThermometerIdRecord>(d, channel, out);
}

bool DecodeThermometerPairs(std::string_view d, TValdrixThermometerPairs& out)
{
    return DecodeFixedOrder<ThermometerPairRecord>(d, out);
}
bool DecodeAnalogOutputValues(std::string_view d, TValdrixAnalogOutputValues& out)
{
    return DecodeFixedOrder<AnalogOutputRecord>(d, out);
}
bool DecodeOutputCalibrations(std::string_view d, TValdrixOutputCalibrations& out)
{
    return DecodeFixedOrder<OutputCalibrationRecord>(d, out);
}
bool DecodeThermometerPair(std::string_view d, int channel, TValdrixThermometerPair& out)
{
    return DecodeSingle<ThermometerPairRecord>(d, channel, out);
}
bool DecodeAnalogOutputValue(std::string_view d, int channel, int32_t& out)
{
    return DecodeSingle<AnalogOutputRecord>(d, channel, out);
}
bool DecodeOutputCalibration(std::string_view d, int channel, TValdrixOutputCalibration& out)
{
    return DecodeSingle<OutputCalibrationRecord>(d, channel, out);
}

bool DecodeUnsigned16(std::string_view data, int32_t& value)
{
    if (data.size() != 2) return false;
    value = GetBE16(data, 0);
    return true;
}

bool DecodeInputRanges(std::string_view data, TValdrixInputRanges& ranges)
{
    if (data.size() != 8) return false;
    bool ok = true;
    for (int i = 1; i <= ValdrixAnalogInputs; ++i) {
        const uint8_t channel = uint8_t(data[size_t(2 * i - 2)]);
        const uint8_t range = uint8_t(data[size_t(2 * i - 1)]);
        if (channel != i || range > ValdrixMaxRangeCode)
            ok = false;
        else
            ranges[i] = range;
    }
    return ok;
}

bool DecodeClock(std::string_view data, double& dateTime)
{
    if (data.size() != 4) return false;
    dateTime = GetBE32(data, 0) / 86400.0 + UnixEpochDateTime;
    return true;
}
