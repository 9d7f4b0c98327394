#include "app/uAppClock.h"

namespace {
TAppClock& InstalledClock()
{
    static TAppClock clock;
    return clock;
}
} // namespace

QDateTime AppNow()
{
    const TAppClock& clock = InstalledClock();
    return clock ? clock() : QDateTime::currentDateTime();
}

TAppClock SetAppClock(TAppClock clock)
{
    TAppClock previous = std::move(InstalledClock());
    InstalledClock() = std::move(clock);
    return previous;
}
