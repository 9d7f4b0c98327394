#include "sim/SimClock.h"

#include <ctime>

namespace {

int64_t HostLocalSeconds()
{
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    return int64_t(now) + local.tm_gmtoff;
}

}

TSimClock::TSimClock(bool frozen) : FFrozen(frozen) {}

uint32_t TSimClock::Now() const
{
    return FFrozen ? FFrozenValue : uint32_t(HostLocalSeconds() + FOffset);
}

void TSimClock::Set(uint32_t seconds)
{
    FFrozenValue = seconds;
    FOffset = int64_t(seconds) - HostLocalSeconds();
}
