// Faults the simulator injects into the module's own answers, so the tester's error
// handling can be exercised: lost answers, damaged checksums, delays, refusals and
// noise between packets. Random choices come from a generator seeded by --seed, so a
// run with the same requests makes the same choices.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>

struct TSimFaultSettings {
    int DropPercent = 0;
    int CorruptPercent = 0;
    int DelayMs = 0;
    bool Garbage = false;
    int CloseAfter = 0;                // 0: never
    std::map<uint8_t, uint8_t> Refusals; // instruction -> acknowledge code
    uint32_t Seed = 1;
};

// What the faults did to the answers so far, for a run's closing line.
struct TSimFaultCounts {
    uint64_t Answers = 0; // answer packets handed to Apply
    uint64_t Dropped = 0;
    uint64_t Corrupted = 0;
};

class TSimFaults {
public:
    explicit TSimFaults(const TSimFaultSettings& settings);

    const TSimFaultSettings& Settings() const { return FSettings; }
    std::optional<uint8_t> Refusal(uint8_t inst) const;
    // The bytes to send for an answer packet: empty when the answer is lost; else the
    // packet with its checksum damaged or noise in front, as the settings ask.
    std::string Apply(std::string packet);
    const TSimFaultCounts& Counts() const { return FCounts; }

private:
    bool Roll(int percent);

    TSimFaultSettings FSettings;
    std::mt19937 FRandom;
    TSimFaultCounts FCounts;
};
