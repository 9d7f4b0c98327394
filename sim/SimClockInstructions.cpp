// The real-time clock: seconds since 1970-01-01 00:00:00, local time.
#include "sim/SimInstructions.h"

#include "protocol/uTarvelBytes.h"

namespace {

TSimAnswer SetClock(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.size() != 4) return SimBadData();
    m.Clock.Set(GetBE32(r.Data, 0));
    return SimOk();
}

TSimAnswer ReadClock(TSimModule& m, const TSimRequest& r)
{
    if (!r.Data.empty()) return SimBadData();
    std::string data;
    PutBE32(data, m.Clock.Now());
    return SimOk(std::move(data));
}

}

void AddClockInstructions(TSimInstructionSet& set)
{
    set.Add(0x74, SetClock);
    set.Add(0x75, ReadClock);
}
