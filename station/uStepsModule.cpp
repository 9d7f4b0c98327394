// Steps that ask the module itself: identification, thermometers, clock, RS-485, the
// final address, and the operator's prompt.
#include "station/uStepContext.h"

#include "framework/uDateTime.h"
#include "framework/uWindows1250.h"
#include "protocol/uTarvelCommonInstructions.h"


void RunIdentificationStep(TStepContext& c, const TIdentificationStep& p)
{
    std::string text;
    if (!c.Attempt("reading the identification", [&] { return c.Device().ReadIdentificationText(text); })) return;
    const TTarvelIdentification id = SplitTarvelIdentification(Windows1250ToUtf8(text));
    c.Measure({.Name = "product", .Value = id.Name, .Expected = p.Product});
    c.Measure({.Name = "firmware", .Value = id.Version, .LowText = p.FirmwareLow, .HighText = p.FirmwareHigh});
}

void RunThermometerStep(TStepContext& c, const TThermometerStep& p)
{
    TValdrixTemperatures t;
    if (!c.Attempt("reading the thermometers", [&] { return c.Device().GetTemperatures(t); })) return;
    for (const int k : p.Channels) {
        TMeasurement m{.Name = "T" + std::to_string(k), .Value = t[k].Value, .Unit = "°C", .Limits = p.Limits};
        if (!t[k].Valid()) FailInvalidReading(m, t[k].Status);
        c.Measure(std::move(m));
    }
}

void RunClockStep(TStepContext& c, const TClockStep& p)
{
    IValdrix& d = c.Device();
    double module = 0;
    if (!c.Attempt("setting the clock", [&] { return d.SetClock(NowDateTime()); }) || !c.Pause(p.WaitMs) ||
        !c.Attempt("reading the clock", [&] { return d.GetClock(module); }))
        return;
    const double difference = (module - NowDateTime()) * 86400;
    c.Measure({.Name = "clock", .Value = difference, .Unit = "s", .Limits = {-p.ToleranceS, p.ToleranceS}});
}

void RunRS485Step(TStepContext& c, const TRS485Step& p)
{
    if (!c.Hooks().RS485) return c.Error("no RS-485 link");
    const TRS485Answer answer = c.Hooks().RS485(p.Address);
    // A stop that ended the wait for the answer aborts the step rather than failing it.
    if (c.StopAsked()) return;
    if (!answer.Sent) return c.Error(answer.Detail.empty() ? "the RS-485 request could not be sent" : answer.Detail);
    TMeasurement m{.Name = "RS-485 answer from " + std::to_string(p.Address), .Expected = p.Expected};
    if (answer.Text) {
        m.Value = *answer.Text;
    } else {
        m.Verdict = TVerdict::Fail;
        m.Detail = "no answer";
    }
    c.Measure(std::move(m));
}

void RunAddressStep(TStepContext& c, const TAddressStep& p)
{
    IValdrix& d = c.Device();
    uint8_t address = 0;
    if (!c.Attempt("changing the address", [&] { return d.ChangeAddress(uint8_t(p.Address)); }) ||
        !c.Attempt("reading the address", [&] { return d.ReadAddress(address); }))
        return;
    c.Measure({.Name = "address", .Value = double(address), .Limits = {double(p.Address), double(p.Address)}});
}

void RunPromptStep(TStepContext& c, const TPromptStep& p)
{
    c.Ask(p.Text, "nobody to ask: " + p.Text);
}
