// Feeds arbitrary answer data to every answer decoder of the Valdrix instruction set and
// aborts when a decoder accepts data it should refuse (or the reverse), fills a value
// the module cannot have sent, stores something other than what the answer carries, or
// changes its output while refusing the answer's length. The data ends where the
// fuzzer's buffer ends, so a read past it is caught by AddressSanitizer.
//
// Input: one byte choosing the decoder, one byte giving the requested channel (or the
// number of counters), then the answer data.
#include "device/uValdrixCodec.h"

#include "fuzz/fuzz_support.h"
#include "protocol/uTarvelBytes.h"

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace {

// ---- the record a module sends for a decoded value, built from the record layouts ----

std::string Start(int channel, uint8_t status)
{
    std::string r(1, char(channel));
    r.push_back(char(status));
    return r;
}

std::string Record(int channel, const TValdrixTemperature& t)
{
    const double tenths = t.Value * 10;
    FuzzCheck(tenths == std::round(tenths) && tenths >= -32768 && tenths <= 32767);
    std::string r = Start(channel, t.Status);
    PutBE16(r, uint16_t(int16_t(tenths)));
    return r;
}

std::string Record(int channel, const TValdrixAnalogReading& a)
{
    FuzzCheck(a.Value >= 0 && a.Value <= 0xFFFF);
    std::string r = Start(channel, a.Status);
    PutBE16(r, uint16_t(a.Value));
    return r;
}

std::string Record(int channel, const TValdrixThermometerId& id)
{
    FuzzCheck(id.Id.size() == 8);
    return Start(channel, id.Status) + id.Id;
}

std::string Record(int channel, const TValdrixThermometerPair& p)
{
    FuzzCheck(p.First >= 0 && p.First <= 0xFF && p.Second >= 0 && p.Second <= 0xFF);
    return Start(channel, uint8_t(p.First)) + char(p.Second);
}

std::string Record(int channel, int32_t value)
{
    FuzzCheck(value >= -32768 && value <= 32767);
    std::string r(1, char(channel));
    PutBE16(r, uint16_t(int16_t(value)));
    return r;
}

std::string Record(int channel, const TValdrixOutputCalibration& c)
{
    FuzzCheck(c.Low >= 0 && c.Low <= 0xFFFF && c.High >= 0 && c.High <= 0xFFFF);
    std::string r(1, char(channel));
    PutBE16(r, uint16_t(c.Low));
    PutBE16(r, uint16_t(c.High));
    return r;
}

uint8_t ChannelOf(std::string_view data, size_t record, size_t size) { return uint8_t(data[record * size]); }

// ---- the three answer shapes ----

// Records in any order: the front-most record of a channel wins, a channel without a
// record reads status 0; a length that is no multiple of the record size changes nothing.
template <class T, int N, class Decode>
void CheckAnyOrder(std::string_view data, size_t size, Decode decode)
{
    // Starts from values of an earlier answer, so that an untouched output shows.
    std::string earlier;
    for (int c = 1; c <= N; ++c) earlier += Start(c, 0x5A) + std::string(size - 2, 'x');
    TValdrixChannels<T, N> out;
    FuzzCheck(decode(earlier, out));
    const TValdrixChannels<T, N> before = out;
    const bool ok = decode(data, out);
    if (data.size() % size != 0) {
        FuzzCheck(!ok);
        for (int c = 1; c <= N; ++c) FuzzCheck(Record(c, out[c]) == Record(c, before[c]));
        return;
    }
    bool channelsValid = true;
    for (size_t i = 0; i < data.size() / size; ++i)
        channelsValid = channelsValid && ChannelOf(data, i, size) >= 1 && ChannelOf(data, i, size) <= N;
    FuzzCheck(ok == channelsValid);
    if (!ok) return;
    for (int c = 1; c <= N; ++c) {
        size_t first = 0;
        while (first < data.size() / size && ChannelOf(data, first, size) != c) ++first;
        if (first < data.size() / size)
            FuzzCheck(Record(c, out[c]) == data.substr(first * size, size));
        else
            FuzzCheck(out[c].Status == 0);
    }
}

// Exactly N records, record i carrying channel i.
template <class T, int N, class Decode>
void CheckFixedOrder(std::string_view data, size_t size, Decode decode)
{
    TValdrixChannels<T, N> out;
    const bool ok = decode(data, out);
    bool inOrder = data.size() == size * N;
    for (int c = 1; inOrder && c <= N; ++c) inOrder = ChannelOf(data, size_t(c - 1), size) == c;
    FuzzCheck(ok == inOrder);
    if (!ok) return;
    std::string records;
    for (int c = 1; c <= N; ++c) records += Record(c, out[c]);
    FuzzCheck(records == data);
}

// One record of the requested channel.
template <class T, class Decode>
void CheckSingle(std::string_view data, int channel, size_t size, Decode decode)
{
    T out{};
    const bool ok = decode(data, channel, out);
    FuzzCheck(ok == (data.size() == size && uint8_t(data[0]) == channel));
    if (ok) FuzzCheck(Record(channel, out) == data);
}

// ---- answers of their own shape ----

template <int N>
void CheckBits(std::string_view data)
{
    TValdrixChannels<bool, N> bits;
    bool ok;
    if constexpr (N == ValdrixDigitalInputs)
        ok = DecodeInputBits(data, bits);
    else
        ok = DecodeOutputBits(data, bits);
    FuzzCheck(ok == (data.size() == 2));
    if (!ok) return;
    // The last byte carries channels 1..8, the first one the channels from 9 on.
    for (int c = 1; c <= N; ++c) FuzzCheck(bits[c] == bool((uint8_t(data[c <= 8 ? 1 : 0]) >> ((c - 1) % 8)) & 1));
}

void CheckCounters(std::string_view data, int count)
{
    std::vector<int64_t> values(size_t(count), -1); // exactly count values: a write past them is caught
    const bool ok = DecodeCounters(data, values.data(), count);
    const int width = data.empty() ? 0 : uint8_t(data[0]);
    const bool widthValid = width == 8 || width == 16 || width == 24 || width == 32;
    FuzzCheck(ok == (widthValid && data.size() == size_t(count * width / 8) + 1));
    if (!ok) return;
    std::string encoded(1, char(width));
    for (const int64_t v : values) {
        FuzzCheck(v >= 0 && v < (int64_t(1) << width));
        PutBE(encoded, uint64_t(v), size_t(width / 8));
    }
    FuzzCheck(encoded == data);
}

void CheckUnsigned16(std::string_view data)
{
    int32_t value = -1;
    const bool ok = DecodeUnsigned16(data, value);
    FuzzCheck(ok == (data.size() == 2));
    if (!ok) return;
    FuzzCheck(value >= 0 && value <= 0xFFFF);
    std::string encoded;
    PutBE16(encoded, uint16_t(value));
    FuzzCheck(encoded == data);
}

// Every valid pair is stored, also when another pair makes the answer fail.
void CheckInputRanges(std::string_view data)
{
    TValdrixInputRanges ranges;
    for (uint8_t& r : ranges.Items) r = 0xEE;
    const bool ok = DecodeInputRanges(data, ranges);
    if (data.size() != 8) {
        FuzzCheck(!ok);
        for (const uint8_t r : ranges.Items) FuzzCheck(r == 0xEE);
        return;
    }
    bool allValid = true;
    for (int i = 1; i <= ValdrixAnalogInputs; ++i) {
        const bool valid = uint8_t(data[size_t(2 * i - 2)]) == i && uint8_t(data[size_t(2 * i - 1)]) <= ValdrixMaxRangeCode;
        FuzzCheck(ranges[i] == (valid ? uint8_t(data[size_t(2 * i - 1)]) : 0xEE));
        allValid = allValid && valid;
    }
    FuzzCheck(ok == allValid);
    std::string encoded;
    if (ok) FuzzCheck(EncodeSetInputRanges(ranges, encoded) && encoded == data);
}

// A clock read and set again gives the module back the same seconds.
void CheckClock(std::string_view data)
{
    double dateTime = -1;
    const bool ok = DecodeClock(data, dateTime);
    FuzzCheck(ok == (data.size() == 4));
    std::string encoded;
    if (ok) FuzzCheck(EncodeClock(dateTime, encoded) && encoded == data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size < 2) return 0;
    const uint8_t decoder = bytes[0];
    const int channel = bytes[1];
    const std::string_view data(reinterpret_cast<const char*>(bytes + 2), size - 2);
    constexpr int T = ValdrixThermometers, AI = ValdrixAnalogInputs, AO = ValdrixAnalogOutputs;

    switch (decoder % 17) {
    case 0: CheckBits<ValdrixDigitalInputs>(data); break;
    case 1: CheckBits<ValdrixDigitalOutputs>(data); break;
    case 2: CheckCounters(data, channel % (ValdrixCounters + 1)); break;
    case 3: CheckAnyOrder<TValdrixTemperature, T>(data, 4, DecodeTemperatures); break;
    case 4: CheckAnyOrder<TValdrixAnalogReading, AI>(data, 4, DecodeAnalogReadings); break;
    case 5: CheckAnyOrder<TValdrixThermometerId, T>(data, 10, DecodeThermometerIds); break;
    case 6: CheckSingle<TValdrixTemperature>(data, channel, 4, DecodeTemperature); break;
    case 7: CheckSingle<TValdrixThermometerId>(data, channel, 10, DecodeThermometerId); break;
    case 8: CheckFixedOrder<TValdrixThermometerPair, T>(data, 3, DecodeThermometerPairs); break;
    case 9: CheckFixedOrder<int32_t, AO>(data, 3, DecodeAnalogOutputValues); break;
    case 10: CheckFixedOrder<TValdrixOutputCalibration, AO>(data, 5, DecodeOutputCalibrations); break;
    case 11: CheckSingle<TValdrixThermometerPair>(data, channel, 3, DecodeThermometerPair); break;
    case 12: CheckSingle<int32_t>(data, channel, 3, DecodeAnalogOutputValue); break;
    case 13: CheckSingle<TValdrixOutputCalibration>(data, channel, 5, DecodeOutputCalibration); break;
    case 14: CheckUnsigned16(data); break;
    case 15: CheckInputRanges(data); break;
    default: CheckClock(data); break;
    }
    return 0;
}
