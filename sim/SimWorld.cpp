#include "sim/SimWorld.h"

#include <cmath>
#include <numbers>

namespace {

// Input k toggles as a square wave with a period of 200 * (k + 1) ms, so the inputs
// blink at visibly different rates and every counter grows at its own pace.
int64_t InputPeriod(int index) { return 200 * int64_t(index + 1); }

// Slow swing around the static value: a fraction of `amplitude`, period `periodMs`,
// phase shifted per channel so the channels do not move in step.
double Swing(int index, int64_t t, double amplitude, double periodMs)
{
    return amplitude * std::sin(2 * std::numbers::pi * double(t) / periodMs + index);
}

}

bool TSimWorld::Input(int index, int64_t t) const
{
    if (FFrozen) return (SimStaticInputs >> (index - 1)) & 1;
    const int64_t period = InputPeriod(index);
    return t % period < period / 2;
}

uint64_t TSimWorld::RisingEdges(int index, int64_t from, int64_t to) const
{
    if (FFrozen || to <= from) return 0;
    const int64_t period = InputPeriod(index);
    return uint64_t(to / period - from / period);
}

double TSimWorld::Volts(int index, int64_t t) const
{
    const double base = FSignals.Volts[index - 1];
    return FFrozen ? base : base * (1 + Swing(index, t, 0.05, 20000));
}

double TSimWorld::Milliamps(int index, int64_t t) const
{
    const double base = FSignals.Milliamps[index - 1];
    return FFrozen ? base : base * (1 + Swing(index, t, 0.05, 20000));
}

int TSimWorld::Noise(int index, int64_t t) const
{
    if (FFrozen) return 0;
    // A cheap hash of channel and 50 ms slot: the same reading within one slot.
    uint32_t h = uint32_t(t / 50) * 2654435761u + uint32_t(index) * 40503u;
    h ^= h >> 15;
    return int(h % 9) - 4;
}

int TSimWorld::Tenths(int index, int64_t t) const
{
    const int base = SimStaticTenths[index - 1];
    return FFrozen ? base : base + int(std::lround(Swing(index, t, 15, 60000)));
}
