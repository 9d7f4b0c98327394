#include "sim/SimModule.h"

#include <algorithm>
#include <cmath>

namespace {

uint16_t ClampCounts(double counts) { return uint16_t(std::clamp(std::lround(counts), 0L, 65535L)); }

int16_t ClampInt16(double value) { return int16_t(std::clamp(std::lround(value), -32768L, 32767L)); }

}

TSimModule::TSimModule(uint8_t address, bool frozen, const TSimSignals& signals, int index)
    : Address(address), SerialN2(uint16_t(SimSerialN2 + index)), SerialN3(SimSerialN3 + uint32_t(index)),
      Clock(frozen), FWorld(frozen, signals)
{
    for (int k = 1; k <= SimDigitalInputs; ++k) FCounters[k].Base = uint32_t(1001 * k);
    for (int k = 1; k <= SimAnalogInputs; ++k)
        AnalogInputs[k].Range = k <= 2 ? SimRange10V : SimRange20mA;
    for (int k = 1; k <= SimThermometers; ++k) ThermometerPairs[k].First = uint8_t(k);
}

void TSimModule::FitJig(const TSimJig& jig)
{
    FJig = jig;
    if (jig.ClockDrifts()) Clock = TSimClock(FWorld.Frozen(), SimJigDriftRate);
}

void TSimModule::EnableConfiguration(int64_t now) { FConfigUntil = now + SimConfigWindowMs; }

bool TSimModule::TakeConfigurationEnable(int64_t now)
{
    const bool open = now <= FConfigUntil;
    FConfigUntil = -1;
    return open;
}

bool TSimModule::Output(int index, int64_t now)
{
    TTimedOutput& out = FOutputs[index];
    if (out.RevertAt >= 0 && now >= out.RevertAt) {
        out.RevertAt = -1;
        Switch(index, !out.On);
    }
    return out.On;
}

void TSimModule::Switch(int index, bool on)
{
    if (on && !FOutputs[index].On && FJig.InputFollows(index)) ++FCounters[index].JigPulses;
    FOutputs[index].On = on;
}

void TSimModule::SetOutput(int index, bool on)
{
    Switch(index, on);
    FOutputs[index].RevertAt = -1;
}

void TSimModule::SetOutputFor(int index, bool on, uint8_t ticks, int64_t now)
{
    Switch(index, on);
    FOutputs[index].RevertAt = ticks == 0 ? -1 : now + ticks * SimOutputTickMs;
}

bool TSimModule::Input(int index, int64_t now)
{
    if (!FJig.Wired()) return FWorld.Input(index, now);
    return FJig.InputFollows(index) && Output(index, now);
}

uint32_t TSimModule::Counter(int index, int64_t now)
{
    const TCounter& c = FCounters[index];
    if (FJig.Wired()) {
        // A timed output that has reverted by now has made its edge.
        if (index <= SimDigitalOutputs) Output(index, now);
        return c.Base + c.JigPulses;
    }
    return uint32_t(c.Base + FWorld.RisingEdges(index, c.Since, now));
}

void TSimModule::SetCounter(int index, uint32_t value, int64_t now) { FCounters[index] = {value, now, 0}; }

int TSimModule::TemperatureTenths(int index, int64_t now) const
{
    return FJig.ThermometerDead(index) ? 0 : FWorld.Tenths(index, now);
}

double TSimModule::Volts(int index, int64_t now) const
{
    if (!FJig.Wired()) return FWorld.Volts(index, now);
    return 10 * FJig.AnalogShare(index, double(AnalogOutputs[index].Value) / SimOutputFullScale);
}

double TSimModule::Milliamps(int index, int64_t now) const
{
    if (!FJig.Wired()) return FWorld.Milliamps(index, now);
    return 20 * FJig.AnalogShare(index, double(AnalogOutputs[index].Value) / SimOutputFullScale);
}

int TSimModule::Noise(int index, int64_t now) const
{
    return FJig.Wired() ? FJig.Noise(index, now) : FWorld.Noise(index, now);
}

TSimAnalogReading TSimModule::RawReading(int index, int64_t now) const
{
    double fraction;
    switch (AnalogInputs[index].Range) {
    case SimRange20mA:
        fraction = Milliamps(index, now) / 20;
        break;
    case SimRange4To20mA: {
        const double ma = Milliamps(index, now);
        if (ma < SimLoopBrokenMilliamps) return {0, 0};
        fraction = (ma - 4) / 16;
        break;
    }
    default:
        fraction = Volts(index, now) / 10;
    }
    return {SimStatusValid, ClampCounts(fraction * SimRawFullScale + Noise(index, now))};
}

TSimAnalogReading TSimModule::CalibratedReading(int index, int64_t now) const
{
    TSimAnalogReading reading = RawReading(index, now);
    if (reading.Status != SimStatusValid) return reading;
    // The coefficient scales counts to divisions (value = raw * K / 65536); the
    // reading saturates at the full-scale count of divisions.
    const TSimAnalogInput& in = AnalogInputs[index];
    const double scaled = double(reading.Value) * in.Coefficient / 65536.0;
    reading.Value = std::min(ClampCounts(scaled), in.Divisions);
    return reading;
}

bool TSimModule::SetOutputRaw(int index, int value)
{
    if (value < 0 || value > SimOutputRawMax) return false;
    TSimAnalogOutput& out = AnalogOutputs[index];
    out.Raw = int16_t(value);
    const int span = int(out.High) - int(out.Low);
    out.Value = span == 0 ? 0 : ClampInt16(double(value - out.Low) * SimOutputFullScale / span);
    return true;
}

void TSimModule::SetOutputValue(int index, int value)
{
    TSimAnalogOutput& out = AnalogOutputs[index];
    out.Value = int16_t(value);
    const double raw = out.Low + (double(out.High) - out.Low) * value / SimOutputFullScale;
    out.Raw = int16_t(std::clamp(std::lround(raw), 0L, long(SimOutputRawMax)));
}

void TSimModule::StoreCalibrationPoint(int index, bool low)
{
    TSimAnalogOutput& out = AnalogOutputs[index];
    (low ? out.Low : out.High) = uint16_t(out.Raw);
    SetOutputRaw(index, out.Raw);
}
