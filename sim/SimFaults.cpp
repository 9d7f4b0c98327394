#include "sim/SimFaults.h"

TSimFaults::TSimFaults(const TSimFaultSettings& settings) : FSettings(settings), FRandom(settings.Seed) {}

std::optional<uint8_t> TSimFaults::Refusal(uint8_t inst) const
{
    const auto found = FSettings.Refusals.find(inst);
    if (found == FSettings.Refusals.end()) return std::nullopt;
    return found->second;
}

bool TSimFaults::Roll(int percent)
{
    return std::uniform_int_distribution<int>(0, 99)(FRandom) < percent;
}

std::string TSimFaults::Apply(std::string packet)
{
    // Both rolls are always made, so one switch does not shift the other's choices.
    const bool drop = Roll(FSettings.DropPercent);
    const bool corrupt = Roll(FSettings.CorruptPercent);
    ++FCounts.Answers;
    if (drop) {
        ++FCounts.Dropped;
        return {};
    }
    if (corrupt) {
        ++FCounts.Corrupted;
        packet[packet.size() - 2] = char(packet[packet.size() - 2] ^ 0xFF);
    }
    if (!FSettings.Garbage) return packet;
    // One to eight noise bytes, never "*", so they cannot pose as the start of a packet.
    std::string noise(size_t(std::uniform_int_distribution<int>(1, 8)(FRandom)), '\0');
    for (char& c : noise) {
        c = char(std::uniform_int_distribution<int>(0, 254)(FRandom));
        if (c == '*') c = '#';
    }
    return noise + packet;
}
