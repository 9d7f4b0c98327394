// The module's real-time clock: seconds since 1970-01-01 00:00:00 in the local time of
// whoever set it (the module knows no time zones). It starts at the host's local
// time and runs (at `rate` times the host's pace); a frozen clock stands still at its
// value until it is set.
#pragma once

#include <cstdint>

// 01.03.2024 08:05:09, the value a frozen clock starts at.
constexpr uint32_t SimStaticClock = 1709280309;

class TSimClock {
public:
    explicit TSimClock(bool frozen, int rate = 1);

    uint32_t Now() const;
    void Set(uint32_t seconds);

private:
    bool FFrozen;
    int FRate;
    uint32_t FFrozenValue = SimStaticClock;
    int64_t FSetValue = 0; // the value set, and the host's local time when it was set
    int64_t FSetAt = 0;
};
