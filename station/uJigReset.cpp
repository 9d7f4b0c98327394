#include "station/uJigReset.h"

#include "station/uAnalogScale.h"

#include <string>

bool TJigReset::SwitchOutput(int output, bool on)
{
    IValdrix& d = FContext.Device();
    if (on) FDigital.insert(output);
    const bool done = FContext.Attempt(on ? "switching an output on" : "switching an output off",
                                       [&] { return d.SetOutput(output, on, 0); });
    if (done && !on) FDigital.erase(output);
    return done;
}

bool TJigReset::SetAnalogOutput(int output, double value)
{
    IValdrix& d = FContext.Device();
    FAnalog.insert(output);
    const int32_t raw = AnalogOutputValue(output, value);
    const bool done =
        FContext.Attempt("setting an analog output", [&] { return d.SetAnalogOutput(output, raw, false); });
    if (done && raw == 0) FAnalog.erase(output);
    return done;
}

TJigReset::~TJigReset()
{
    IValdrix& d = FContext.Device();
    std::string failed;
    const auto note = [&](const char* kind, int output) {
        failed += (failed.empty() ? "" : ", ") + std::string(kind) + std::to_string(output);
    };
    for (const int output : FDigital)
        if (!AttemptTwice([&] { return d.SetOutput(output, false, 0); })) note("DO", output);
    for (const int output : FAnalog)
        if (!AttemptTwice([&] { return d.SetAnalogOutput(output, 0, false); })) note("AO", output);
    if (failed.empty()) return;
    TStepResult& step = FContext.Step();
    // A step that measured all it should still leaves the jig unsafe: not the unit's fault.
    if (!FContext.Ended()) FContext.Error("the jig could not be reset: " + failed);
    else step.Detail += (step.Detail.empty() ? "" : "; ") + std::string("the jig could not be reset: ") + failed;
}
