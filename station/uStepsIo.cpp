// Steps through the jig: digital outputs to inputs, pulses to counters, analog outputs
// to inputs.
#include "station/uAnalogScale.h"
#include "station/uJigReset.h"
#include "station/uStepContext.h"

namespace {

std::string Channel(const char* kind, int n) { return kind + std::to_string(n); }

std::string Wire(const char* from, int output, const char* to, int input)
{
    return Channel(from, output) + " -> " + Channel(to, input);
}

}

void RunDigitalStep(TStepContext& c, const TDigitalStep& p)
{
    IValdrix& d = c.Device();
    const TValdrixOutputBits off;
    if (!c.Attempt("switching all outputs off", [&] { return d.SetOutputs(off); })) return;
    TJigReset jig(c);
    for (const TJigWire& wire : c.Jig().Digital) {
        TValdrixInputBits inputs;
        if (!jig.SwitchOutput(wire.Output, true) || !c.Pause(p.SettleMs) ||
            !c.Attempt("reading the inputs", [&] { return d.GetInputs(inputs); }) ||
            !jig.SwitchOutput(wire.Output, false))
            return;
        TMeasurement m{.Name = Wire("DO", wire.Output, "DI", wire.Input), .Limits = {0.0, 0.0}};
        int wrong = 0;
        for (int k = 1; k <= ValdrixDigitalInputs; ++k) {
            const bool expected = k == wire.Input;
            if (inputs[k] == expected) continue;
            ++wrong;
            m.Detail += (m.Detail.empty() ? "" : ", ") + Channel("DI", k) + (inputs[k] ? " on" : " off");
        }
        m.Value = double(wrong);
        m.Unit = "inputs wrong";
        c.Measure(std::move(m));
    }
}

void RunCounterStep(TStepContext& c, const TCounterStep& p)
{
    IValdrix& d = c.Device();
    TJigReset jig(c);
    for (const TJigWire& wire : c.Jig().Counters) {
        int64_t before = 0, after = 0;
        if (!jig.SwitchOutput(wire.Output, false) ||
            !c.Attempt("reading a counter", [&] { return d.GetCounter(wire.Input, before, false); }))
            return;
        for (int pulse = 0; pulse < p.Pulses; ++pulse)
            if (!jig.SwitchOutput(wire.Output, true) || !c.Pause(p.PulseMs) || !jig.SwitchOutput(wire.Output, false) ||
                !c.Pause(p.PulseMs))
                return;
        if (!c.Attempt("reading a counter", [&] { return d.GetCounter(wire.Input, after, false); })) return;
        // The counters wrap at 32 bits.
        const double counted = double((after - before) & 0xFFFFFFFF);
        c.Measure({.Name = Wire("DO", wire.Output, "C", wire.Input), .Value = counted, .Unit = "pulses",
                   .Limits = {double(p.Pulses), double(p.Pulses)}});
    }
}

void RunAnalogStep(TStepContext& c, const TAnalogStep& p)
{
    IValdrix& d = c.Device();
    TValdrixInputRanges ranges;
    if (!c.Attempt("reading the input ranges", [&] { return d.GetInputRanges(ranges); })) return;
    TJigReset jig(c);
    for (const TJigWire& wire : c.Jig().Analog) {
        int32_t divisions = 0;
        if (!c.Attempt("reading the input's divisions", [&] { return d.GetInputDivisions(wire.Input, divisions); }))
            return;
        for (const double point : p.Points) {
            TValdrixAnalogReadings readings;
            if (!jig.SetAnalogOutput(wire.Output, point) || !c.Pause(p.SettleMs) ||
                !c.Attempt("reading the analog inputs", [&] { return d.GetAnalogInputs(readings, false); }))
                return;
            const TValdrixAnalogReading& r = readings[wire.Input];
            TMeasurement m{.Name = Wire("AO", wire.Output, "AI", wire.Input) + " at " + ShortNumber(point) + " " +
                                   AnalogOutputScale(wire.Output).Unit,
                           .Value = AnalogInputValue(ranges[wire.Input], r.Value, divisions),
                           .Unit = AnalogInputScale(ranges[wire.Input]).Unit,
                           .Limits = {point - p.Tolerance, point + p.Tolerance}};
            if (!r.Valid()) FailInvalidReading(m, r.Status);
            c.Measure(std::move(m));
        }
        if (!jig.SetAnalogOutput(wire.Output, 0)) return;
    }
}
