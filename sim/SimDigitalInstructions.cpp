// Digital inputs, outputs (plain and timed) and the pulse counters.
#include "sim/SimInstructions.h"

#include "protocol/uTarvelBytes.h"

namespace {

constexpr uint8_t OutputStateBit = 0x80;
constexpr uint8_t IndexMask = 0x7F;
constexpr uint8_t CounterWidthBits = 32;
constexpr uint8_t ChannelFlagsMask = 0xC0;

// Channels as a bit field, channels 1..8 in the last byte.
std::string BitField(int count, auto bit)
{
    std::string bytes(size_t((count + 7) / 8), '\0');
    for (int channel = 1; channel <= count; ++channel)
        if (bit(channel)) bytes[bytes.size() - 1 - size_t((channel - 1) / 8)] |= char(1 << ((channel - 1) % 8));
    return bytes;
}

TSimAnswer ReadInputs(TSimModule& m, const TSimRequest& r)
{
    if (!r.Data.empty()) return SimBadData();
    return SimOk(BitField(SimDigitalInputs, [&](int k) { return m.Input(k, r.Now); }));
}

TSimAnswer ReadOutputs(TSimModule& m, const TSimRequest& r)
{
    if (!r.Data.empty()) return SimBadData();
    return SimOk(BitField(SimDigitalOutputs, [&](int k) { return m.Output(k, r.Now); }));
}

bool IsOutputByte(uint8_t b) { return SimIsChannel(b & IndexMask, SimDigitalOutputs); }

// 20: one to ten bytes, each an output number with its state in bit 7.
TSimAnswer SetOutputs(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.empty() || r.Data.size() > SimDigitalOutputs) return SimBadData();
    for (const char c : r.Data)
        if (!IsOutputByte(uint8_t(c))) return SimBadData();
    for (const char c : r.Data) m.SetOutput(uint8_t(c) & IndexMask, uint8_t(c) & OutputStateBit);
    return SimOk();
}

// 23: duration in units of SimOutputTickMs, then the output byte as for 20.
TSimAnswer SetOutputTimed(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.size() != 2 || !IsOutputByte(SimByte(r.Data, 1))) return SimBadData();
    const uint8_t b = SimByte(r.Data, 1);
    m.SetOutputFor(b & IndexMask, b & OutputStateBit, SimByte(r.Data, 0), r.Now);
    return SimOk();
}

// 60: bit 7 asks to clear the counters after reading them; channel 0 reads all.
TSimAnswer ReadCounters(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.size() != 1) return SimBadData();
    const int channel = SimByte(r.Data, 0) & IndexMask;
    const bool clear = SimByte(r.Data, 0) & OutputStateBit;
    if (channel > SimDigitalInputs) return SimBadData();
    const int first = channel == 0 ? 1 : channel, last = channel == 0 ? SimDigitalInputs : channel;
    std::string data(1, char(CounterWidthBits));
    for (int k = first; k <= last; ++k) {
        PutBE32(data, m.Counter(k, r.Now));
        if (clear) m.SetCounter(k, 0, r.Now);
    }
    return SimOk(std::move(data));
}

// 64: a channel and one 4-byte value, or channel 0 and values for counters 1, 2, ...
TSimAnswer SetCounters(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.empty() || (r.Data.size() - 1) % 4 != 0) return SimBadData();
    const int channel = SimByte(r.Data, 0);
    const size_t values = (r.Data.size() - 1) / 4;
    const bool ok = channel == 0 ? values <= SimDigitalInputs
                                 : values == 1 && SimIsChannel(channel, SimDigitalInputs);
    if (!ok) return SimBadData();
    const int first = channel == 0 ? 1 : channel;
    for (size_t i = 0; i < values; ++i) m.SetCounter(first + int(i), GetBE32(r.Data, 1 + 4 * i), r.Now);
    return SimOk();
}

// 6A: two flags of an input channel (their meaning belongs to the counting logic;
// the simulator stores them).
TSimAnswer SetChannelFlags(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.size() != 1) return SimBadData();
    const uint8_t b = SimByte(r.Data, 0);
    const int channel = b & ~ChannelFlagsMask;
    if (!SimIsChannel(channel, SimDigitalInputs)) return SimBadData();
    m.ChannelFlags[channel] = b & ChannelFlagsMask;
    return SimOk();
}

}

void AddDigitalInstructions(TSimInstructionSet& set)
{
    set.Add(0x20, SetOutputs);
    set.Add(0x23, SetOutputTimed);
    set.Add(0x30, ReadOutputs);
    set.Add(0x31, ReadInputs);
    set.Add(0x60, ReadCounters);
    set.Add(0x64, SetCounters);
    set.Add(0x6A, SetChannelFlags);
}
