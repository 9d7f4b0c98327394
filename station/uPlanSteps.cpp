// The keys of each step kind.
#include "station/uTestPlanLoader.h"

#include "device/uValdrixTypes.h"
#include "station/uAnalogScale.h"

#include <algorithm>

namespace {

constexpr int LongestPauseMs = 600000;

int Pause(TPlanTable& step, const char* key) { return int(step.Integer(key, 0, LongestPauseMs, false).value_or(0)); }

// The step needs the jig to wire something of this kind.
void NeedWires(TPlanTable& step, const std::vector<TJigWire>& wires, const char* what)
{
    if (wires.empty()) step.Fault(std::string("the jig wires no ") + what + " (see [jig])");
}

std::optional<std::string> Version(TPlanTable& range, const char* key)
{
    const auto text = range.Text(key, false);
    if (text && !IsVersionText(*text)) {
        range.Fault(*range.Table().get(key),
                    std::string("\"") + key + "\" must be a version such as \"1.2\" (parts of up to " +
                        std::to_string(LongestVersionPart) + " digits)");
        return std::nullopt;
    }
    return text;
}

std::optional<TStepParameters> Identification(TPlanTable& step, const TJig&)
{
    TIdentificationStep p;
    p.Product = step.Text("product", true).value_or("");
    const toml::table* firmware = step.SubTable("firmware", true);
    if (!firmware) return std::nullopt;
    TPlanTable range = step.Nested(*firmware, "firmware");
    p.FirmwareLow = Version(range, "low").value_or("");
    p.FirmwareHigh = Version(range, "high").value_or("");
    range.Finish();
    if (!firmware->get("low") && !firmware->get("high")) range.Fault("needs \"low\", \"high\" or both");
    if (!p.FirmwareLow.empty() && !p.FirmwareHigh.empty() && CompareVersions(p.FirmwareLow, p.FirmwareHigh) > 0)
        range.Fault("\"low\" is above \"high\"");
    return p;
}

std::optional<TStepParameters> Digital(TPlanTable& step, const TJig& jig)
{
    NeedWires(step, jig.Digital, "digital outputs");
    return TDigitalStep{Pause(step, "settle_ms")};
}

std::optional<TStepParameters> Counters(TPlanTable& step, const TJig& jig)
{
    NeedWires(step, jig.Counters, "counters");
    TCounterStep p;
    p.Pulses = int(step.Integer("pulses", 1, 1000, true).value_or(1));
    p.PulseMs = Pause(step, "pulse_ms");
    return p;
}

std::optional<TStepParameters> Analog(TPlanTable& step, const TJig& jig)
{
    NeedWires(step, jig.Analog, "analog outputs");
    TAnalogStep p;
    if (const toml::array* points = step.Array("points", true)) {
        for (const toml::node& point : *points) {
            const auto value = point.is_number() ? point.value<double>() : std::nullopt;
            if (!value || !(*value >= 0 && *value <= 20))
                step.Fault(point, "each of \"points\" must be a number from 0 to 20 (V or mA)");
            else
                p.Points.push_back(*value);
        }
        if (points->empty()) step.Fault(*points, "\"points\" must not be empty");
        for (const TJigWire& wire : jig.Analog) {
            const TAnalogScale scale = AnalogOutputScale(wire.Output);
            // An input saturates at its full scale: a point there cannot show a gain too high.
            for (const double point : p.Points)
                if (point >= scale.FullScale)
                    step.Fault(*points, "point " + ShortNumber(point) + " is not below the full scale of AO" +
                                            std::to_string(wire.Output) + " (0 to " + std::to_string(int(scale.FullScale)) +
                                            " " + scale.Unit + ")");
        }
    }
    p.Tolerance = step.Number("tolerance", true, 0.0).value_or(0);
    p.SettleMs = Pause(step, "settle_ms");
    return p;
}

std::optional<TStepParameters> Thermometers(TPlanTable& step, const TJig&)
{
    TThermometerStep p;
    if (const toml::array* channels = step.Array("channels", false)) {
        for (const toml::node& channel : *channels) {
            const auto value = channel.value_exact<int64_t>();
            if (!value || *value < 1 || *value > ValdrixThermometers)
                step.Fault(channel, "each of \"channels\" must be a thermometer from 1 to 4");
            else
                p.Channels.push_back(int(*value));
        }
        if (channels->empty()) step.Fault(*channels, "\"channels\" must not be empty");
    } else {
        for (int k = 1; k <= ValdrixThermometers; ++k) p.Channels.push_back(k);
    }
    p.Limits = step.Limits("limits", true).value_or(TLimits{});
    return p;
}

std::optional<TStepParameters> Clock(TPlanTable& step, const TJig&)
{
    TClockStep p;
    p.WaitMs = Pause(step, "wait_ms");
    p.ToleranceS = step.Number("tolerance_s", true, 0.0).value_or(0);
    return p;
}

std::optional<TStepParameters> RS485(TPlanTable& step, const TJig&)
{
    TRS485Step p;
    p.Address = int(step.Integer("address", 0, 253, true).value_or(0));
    p.Expected = step.Text("expected", true).value_or("");
    return p;
}

std::optional<TStepParameters> Calibration(TPlanTable& step, const TJig& jig)
{
    TCalibrationStep p;
    p.Input = int(step.Integer("input", 1, ValdrixAnalogInputs, true).value_or(0));
    p.Applied = step.Number("applied", true, 0.0).value_or(0);
    if (p.Applied == 0 && step.Table().get("applied")) step.Fault(*step.Table().get("applied"), "\"applied\" must not be 0");
    p.Divisions = step.Integer("divisions", 1, 65535, true).value_or(0);
    const std::string reference = step.Text("reference", false).value_or("jig");
    p.OperatorReference = reference == "operator";
    if (reference != "jig" && !p.OperatorReference)
        step.Fault(*step.Table().get("reference"), "\"reference\" must be \"jig\" or \"operator\"");
    const auto wire = std::find_if(jig.Analog.begin(), jig.Analog.end(), [&](const TJigWire& w) { return w.Input == p.Input; });
    if (reference == "jig" && p.Input && wire == jig.Analog.end())
        step.Fault("the jig wires no analog output to input " + std::to_string(p.Input));
    if (reference == "jig" && wire != jig.Analog.end() && p.Applied > AnalogOutputScale(wire->Output).FullScale)
        step.Fault(*step.Table().get("applied"), "\"applied\" is beyond the range of AO" + std::to_string(wire->Output));
    p.Coefficient = step.Limits("coefficient", true).value_or(TLimits{});
    p.Tolerance = step.Number("tolerance", true, 0.0).value_or(0);
    p.SettleMs = Pause(step, "settle_ms");
    return p;
}

std::optional<TStepParameters> Address(TPlanTable& step, const TJig&)
{
    return TAddressStep{int(step.Integer("address", 0, 253, true).value_or(0))};
}

std::optional<TStepParameters> Prompt(TPlanTable& step, const TJig&)
{
    return TPromptStep{step.Text("text", true).value_or("")};
}

using TReader = std::optional<TStepParameters> (*)(TPlanTable&, const TJig&);

struct TKind {
    const char* Name;
    TReader Read;
};

constexpr TKind Kinds[] = {
    {"identification", Identification}, {"digital", Digital},   {"counters", Counters},
    {"analog", Analog},                 {"thermometers", Thermometers}, {"clock", Clock},
    {"rs485", RS485},                   {"calibration", Calibration},   {"address", Address},
    {"prompt", Prompt},
};

}

std::optional<TStepParameters> ReadStepParameters(const std::string& kind, TPlanTable& step, const TJig& jig)
{
    for (const TKind& k : Kinds)
        if (kind == k.Name) return k.Read(step, jig);
    std::string known;
    for (const TKind& k : Kinds) known += std::string(known.empty() ? "" : ", ") + k.Name;
    step.Fault(*step.Table().get("kind"), "unknown kind \"" + kind + "\" (known: " + known + ")");
    return std::nullopt;
}
