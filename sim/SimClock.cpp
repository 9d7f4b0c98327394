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

TSimClock::TSimClock(bool frozen, int rate) : FFrozen(frozen), FRate(rate)
{
    FSetAt = FSetValue = HostLocalSeconds();
}

uint32_t TSimClock::Now() const
{
    return FFrozen ? FFrozenValue : uint32_t(FSetValue + (HostLocalSeconds() - FSetAt) * FRate);
}

void TSimClock::Set(uint32_t seconds)
{
    FFrozenValue = seconds;
    FSetValue = seconds;
    FSetAt = HostLocalSeconds();
}
