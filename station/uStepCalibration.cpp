// Input calibration against a reference, computed and written as the window does it,
// then verified by reading the input back.
#include "device/uValdrixCalibration.h"
#include "station/uAnalogScale.h"
#include "station/uJigReset.h"
#include "station/uStepContext.h"

#include <algorithm>
#include <cstdio>

namespace {

// "Apply 5.000 V to AI1 and confirm": the value with three decimals. English as the
// runner's other texts; a window shows it in its own language.
std::string ReferencePrompt(double applied, const char* unit, int input)
{
    char value[32];
    snprintf(value, sizeof value, "%.3f", applied);
    return std::string("Apply ") + value + " " + unit + " to AI" + std::to_string(input) + " and confirm";
}

// The jig's analog output wired to the input; nothing when the jig wires none.
const TJigWire* ReferenceWire(TStepContext& c, int input)
{
    const auto wire = std::find_if(c.Jig().Analog.begin(), c.Jig().Analog.end(),
                                   [&](const TJigWire& w) { return w.Input == input; });
    return wire == c.Jig().Analog.end() ? nullptr : &*wire;
}

// Sets the jig's output wired to the input to `value` V or mA; false when the step ended.
bool DriveReference(TStepContext& c, TJigReset& jig, int input, double value)
{
    const TJigWire* wire = ReferenceWire(c, input);
    if (!wire) {
        c.Error("the jig wires no analog output to AI" + std::to_string(input));
        return false;
    }
    return jig.SetAnalogOutput(wire->Output, value);
}

bool ApplyReference(TStepContext& c, TJigReset& jig, const TCalibrationStep& p, const char* unit)
{
    if (!p.OperatorReference) return DriveReference(c, jig, p.Input, p.Applied) && c.Pause(p.SettleMs);
    return c.Ask(ReferencePrompt(p.Applied, unit, p.Input), "nobody to apply the reference");
}

// The coefficient as a measurement; false when the step ended in ERROR instead.
bool MeasureCoefficient(TStepContext& c, const TCalibrationStep& p, const TValdrixCalibrationResult& r)
{
    const std::string name = "AI" + std::to_string(p.Input) + " coefficient";
    TMeasurement m{.Name = name, .Limits = p.Coefficient};
    switch (r.Status) {
    case TValdrixCalibrationStatus::Done:
        m.Value = double(r.Coefficient);
        break;
    case TValdrixCalibrationStatus::ArithmeticError:
        m.Verdict = TVerdict::Fail;
        m.Detail = r.Message;
        break;
    case TValdrixCalibrationStatus::CommunicationError:
        // Nothing refused, nothing lost: the coefficient did not fit the module.
        if (c.Device().GetLastOutcome() == TTarvelOutcome::Answered && r.Coefficient != 0) {
            m.Value = double(r.Coefficient);
            m.Verdict = TVerdict::Fail;
            m.Detail = "the coefficient does not fit the module (0..65535)";
            break;
        }
        c.Error("calibrating AI" + std::to_string(p.Input) + ": " + r.Message);
        return false;
    }
    c.Measure(std::move(m));
    return r.Status == TValdrixCalibrationStatus::Done;
}

// Reads the calibrated input back against the applied value.
void VerifyCalibration(TStepContext& c, const TCalibrationStep& p, uint8_t range)
{
    IValdrix& d = c.Device();
    TValdrixAnalogReadings readings;
    int32_t divisions = 0;
    if (!c.Attempt("reading the analog inputs", [&] { return d.GetAnalogInputs(readings, false); }) ||
        !c.Attempt("reading the input's divisions", [&] { return d.GetInputDivisions(p.Input, divisions); }))
        return;
    const TValdrixAnalogReading& r = readings[p.Input];
    TMeasurement m{.Name = "AI" + std::to_string(p.Input) + " after calibration",
                   .Value = AnalogInputValue(range, r.Value, divisions),
                   .Unit = AnalogInputScale(range).Unit,
                   .Limits = {p.Applied - p.Tolerance, p.Applied + p.Tolerance}};
    if (!r.Valid()) FailInvalidReading(m, r.Status);
    c.Measure(std::move(m));
}

}

void RunCalibrationStep(TStepContext& c, const TCalibrationStep& p)
{
    TValdrixInputRanges ranges;
    if (!c.Attempt("reading the input ranges", [&] { return c.Device().GetInputRanges(ranges); })) return;
    // The jig's output goes back to 0 whether the calibration passed, failed or stopped.
    TJigReset jig(c);
    if (!ApplyReference(c, jig, p, AnalogInputScale(ranges[p.Input]).Unit)) return;
    const TValdrixCalibrationResult result = CalibrateValdrixInput(c.Device(), p.Input, p.Applied, p.Divisions);
    if (MeasureCoefficient(c, p, result)) VerifyCalibration(c, p, ranges[p.Input]);
}
