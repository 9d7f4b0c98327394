#include "cli/uCliCommands.h"

#include "cli/uCliOptions.h"
#include "cli/uCliPacing.h"
#include "cli/uCliPing.h"
#include "device/uValdrixAttempts.h"
#include "device/uValdrixCalibration.h"
#include "device/uValdrixPolling.h"
#include "protocol/uDateTime.h"

#include <climits>
#include <map>

namespace {

template <class T, int N, class F>
std::vector<std::string> Map(const TValdrixChannels<T, N>& channels, F f)
{
    std::vector<std::string> out;
    for (int i = 1; i <= N; ++i) out.push_back(f(channels[i]));
    return out;
}

std::string Join(const std::vector<std::string>& items, const char* separator = " ")
{
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) out += (i ? separator : "") + items[i];
    return out;
}

template <int N>
std::string BitText(const TValdrixChannels<bool, N>& bits)
{
    return Join(Map(bits, [](bool b) { return std::string(b ? "1" : "0"); }), "");
}

template <int N>
std::string BitJson(const TValdrixChannels<bool, N>& bits)
{
    return JsonArray(Map(bits, [](bool b) { return std::string(b ? "true" : "false"); }));
}

std::string TemperatureText(const TValdrixTemperature& t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", t.Value);
    return t.Valid() ? text : "-";
}

template <class T>
std::string ReadingJson(const T& reading, const std::string& value)
{
    return TJsonObject().Bool("valid", reading.Valid()).Raw("value", value).Text();
}

std::string TemperaturesJson(const TValdrixTemperatures& t)
{
    return JsonArray(Map(t, [](const TValdrixTemperature& r) { return ReadingJson(r, JsonNumber(r.Value)); }));
}

std::string AnalogJson(const TValdrixAnalogReadings& a)
{
    return JsonArray(Map(a, [](const TValdrixAnalogReading& r) { return ReadingJson(r, std::to_string(r.Value)); }));
}

std::string AnalogText(const TValdrixAnalogReadings& a)
{
    return Join(Map(a, [](const TValdrixAnalogReading& r) { return r.Valid() ? std::to_string(r.Value) : "-"; }));
}

std::string CountersJson(const TValdrixCounters& c)
{
    return JsonArray(Map(c, [](int64_t v) { return std::to_string(v); }));
}

std::string CountersText(const TValdrixCounters& c)
{
    return Join(Map(c, [](int64_t v) { return std::to_string(v); }));
}

std::string RangeName(uint8_t code)
{
    switch (code) {
    case ValdrixRange0To10V: return "0 - 10 V";
    case ValdrixRange0To20mA: return "0 - 20 mA";
    case ValdrixRange4To20mA: return "4 - 20 mA";
    default: return "?";
    }
}

bool OnOff(const std::string& text)
{
    if (text == "on") return true;
    if (text == "off") return false;
    throw ECliUsage("expected on or off, not \"" + text + "\"");
}

TCliAction Identify(std::vector<std::string> args)
{
    CheckCliArgCount(args, 0, 0);
    return [](IValdrix& d, TCliReport& r) {
        std::string text;
        if (!AttemptTwice([&] { return d.ReadIdentificationText(text); })) return false;
        r.Json().String("identification", text);
        r.Line(text);
        return true;
    };
}

TCliAction Inputs(std::vector<std::string> args)
{
    CheckCliArgCount(args, 0, 0);
    return [](IValdrix& d, TCliReport& r) {
        TValdrixInputBits bits;
        if (!AttemptTwice([&] { return d.GetInputs(bits); })) return false;
        r.Json().Raw("inputs", BitJson(bits));
        r.Line("inputs " + BitText(bits));
        return true;
    };
}

TCliAction Outputs(std::vector<std::string> args)
{
    CheckCliArgCount(args, 0, 0);
    return [](IValdrix& d, TCliReport& r) {
        TValdrixOutputBits bits;
        if (!AttemptTwice([&] { return d.GetOutputs(bits); })) return false;
        r.Json().Raw("outputs", BitJson(bits));
        r.Line("outputs " + BitText(bits));
        return true;
    };
}

TCliAction SetOutput(std::vector<std::string> args)
{
    CheckCliArgCount(args, 2, 3);
    const int n = int(ParseCliInt(args[0], 1, ValdrixDigitalOutputs, "output"));
    const bool on = OnOff(args[1]);
    const int duration = args.size() > 2 ? int(ParseCliInt(args[2], 0, 255, "duration")) : 0;
    return [=](IValdrix& d, TCliReport&) { return AttemptTwice([&] { return d.SetOutput(n, on, duration); }); };
}

TCliAction SetOutputs(std::vector<std::string> args)
{
    CheckCliArgCount(args, 1, 1);
    if (args[0].size() != size_t(ValdrixDigitalOutputs) || args[0].find_first_not_of("01") != std::string::npos)
        throw ECliUsage("BITS must be ten 0/1 characters, output 1 first");
    TValdrixOutputBits states;
    for (int i = 1; i <= ValdrixDigitalOutputs; ++i) states[i] = args[0][size_t(i - 1)] == '1';
    return [=](IValdrix& d, TCliReport&) { return AttemptTwice([&] { return d.SetOutputs(states); }); };
}

TCliAction Counters(std::vector<std::string> args)
{
    CheckCliArgCount(args, 0, 0);
    return [](IValdrix& d, TCliReport& r) {
        TValdrixCounters values;
        if (!AttemptTwice([&] { return d.GetCounters(values, false); })) return false;
        r.Json().Raw("counters", CountersJson(values));
        r.Line("counters " + CountersText(values));
        return true;
    };
}

TCliAction Temps(std::vector<std::string> args)
{
    CheckCliArgCount(args, 0, 0);
    return [](IValdrix& d, TCliReport& r) {
        TValdrixTemperatures t;
        if (!AttemptTwice([&] { return d.GetTemperatures(t); })) return false;
        r.Json().Raw("temperatures", TemperaturesJson(t));
        r.Line("temperatures " + Join(Map(t, TemperatureText)));
        return true;
    };
}

TCliAction AnalogInputs(std::vector<std::string> args)
{
    const bool raw = TakeCliFlag(args, "--raw");
    CheckCliArgCount(args, 0, 0);
    return [=](IValdrix& d, TCliReport& r) {
        TValdrixAnalogReadings a;
        if (!AttemptTwice([&] { return d.GetAnalogInputs(a, raw); })) return false;
        r.Json().Raw("analog_inputs", AnalogJson(a));
        r.Line(std::string(raw ? "analog inputs raw " : "analog inputs ") + AnalogText(a));
        return true;
    };
}

TCliAction Ranges(std::vector<std::string> args)
{
    CheckCliArgCount(args, 0, 0);
    return [](IValdrix& d, TCliReport& r) {
        TValdrixInputRanges ranges;
        if (!AttemptTwice([&] { return d.GetInputRanges(ranges); })) return false;
        r.Json().Raw("ranges", JsonArray(Map(ranges, [](uint8_t c) { return std::to_string(c); })));
        for (int i = 1; i <= ValdrixAnalogInputs; ++i)
            r.Line("AI" + std::to_string(i) + ": " + std::to_string(ranges[i]) + " (" + RangeName(ranges[i]) + ")");
        return true;
    };
}

TCliAction SetRange(std::vector<std::string> args)
{
    CheckCliArgCount(args, 2, 2);
    const int n = int(ParseCliInt(args[0], 1, ValdrixAnalogInputs, "input"));
    const int code = int(ParseCliInt(args[1], 0, ValdrixMaxRangeCode, "range code"));
    return [=](IValdrix& d, TCliReport&) { return AttemptTwice([&] { return d.SetInputRange(n, code); }); };
}

TCliAction AnalogOutput(std::vector<std::string> args)
{
    const bool raw = TakeCliFlag(args, "--raw");
    CheckCliArgCount(args, 2, 2);
    const int n = int(ParseCliInt(args[0], 1, ValdrixAnalogOutputs, "output"));
    const int value = int(ParseCliInt(args[1], -32768, 32767, "value"));
    return [=](IValdrix& d, TCliReport&) { return AttemptTwice([&] { return d.SetAnalogOutput(n, value, raw); }); };
}

TCliAction Clock(std::vector<std::string> args)
{
    CheckCliArgCount(args, 0, 0);
    return [](IValdrix& d, TCliReport& r) {
        double value = 0;
        if (!d.GetClock(value)) return false;
        r.Json().String("clock", FormatDateTimeIso(value));
        r.Line(FormatDateTimeIso(value));
        return true;
    };
}

TCliAction SetClock(std::vector<std::string> args)
{
    CheckCliArgCount(args, 0, 1);
    const bool now = args.empty() || args[0] == "now";
    double value = 0;
    if (!now && !ParseDateTimeIso(args[0], value)) throw ECliUsage("expected now or \"YYYY-MM-DD hh:mm:ss\"");
    return [=](IValdrix& d, TCliReport& r) {
        const double set = now ? NowDateTime() : value;
        if (!d.SetClock(set)) return false;
        r.Json().String("clock", FormatDateTimeIso(set));
        r.Line(FormatDateTimeIso(set));
        return true;
    };
}

TCliAction CalibrateInput(std::vector<std::string> args)
{
    std::string applied, divisions;
    if (!TakeCliValue(args, "--applied", applied) || !TakeCliValue(args, "--divisions", divisions))
        throw ECliUsage("calibrate-input needs --applied A and --divisions D");
    CheckCliArgCount(args, 1, 1);
    const int n = int(ParseCliInt(args[0], 1, ValdrixAnalogInputs, "input"));
    const double a = ParseCliDouble(applied, "applied value");
    if (a == 0) throw ECliUsage("the applied value must not be 0");
    const int64_t dd = ParseCliInt(divisions, 0, 65535, "divisions");
    return [=](IValdrix& d, TCliReport& r) {
        const TValdrixCalibrationResult result = CalibrateValdrixInput(d, n, a, dd);
        if (result.Status != TValdrixCalibrationStatus::Done) {
            if (result.Status == TValdrixCalibrationStatus::ArithmeticError) r.SetError(result.Message);
            return false;
        }
        r.Json().Int("coefficient", result.Coefficient).Int("divisions", dd).Raw("mean_raw", JsonNumber(result.MeanRaw));
        r.Line("coefficient " + std::to_string(result.Coefficient) + " divisions " + std::to_string(dd));
        return true;
    };
}

TCliAction StoreOutputPoint(std::vector<std::string> args)
{
    CheckCliArgCount(args, 2, 2);
    const int n = int(ParseCliInt(args[0], 1, ValdrixAnalogOutputs, "output"));
    if (args[1] != "low" && args[1] != "high") throw ECliUsage("expected low or high");
    const bool low = args[1] == "low";
    return [=](IValdrix& d, TCliReport&) {
        return AttemptTwice([&] { return d.StoreOutputCalibrationPoint(n, low); });
    };
}

TCliAction Monitor(std::vector<std::string> args)
{
    const int64_t k = TakeCliInt(args, "--count", 0, INT32_MAX, 0);
    const auto interval = TakeCliInterval(args, std::chrono::milliseconds(200));
    CheckCliArgCount(args, 0, 0);
    return [=](IValdrix& d, TCliReport& r) {
        TValdrixPanel panel;
        TCliPacer pacer(interval);
        for (int64_t refresh = 0; (k == 0 || refresh < k) && pacer.Next(); ++refresh) {
            for (int step = 0; step < ValdrixPollSteps; ++step)
                if (!PollValdrixStep(d, step, panel)) return false;
            r.Json()
                .Raw("inputs", BitJson(panel.Inputs))
                .Raw("outputs", BitJson(panel.Outputs))
                .Raw("counters", CountersJson(panel.Counters))
                .Raw("temperatures", TemperaturesJson(panel.Temperatures))
                .Raw("analog_inputs", panel.AnalogValid ? AnalogJson(panel.Analog) : "null")
                .Raw("analog_inputs_raw", AnalogJson(panel.AnalogRaw));
            r.Line("DI " + BitText(panel.Inputs) + " DO " + BitText(panel.Outputs) + " CNT " +
                   CountersText(panel.Counters) + " T " + Join(Map(panel.Temperatures, TemperatureText)) + " AI " +
                   (panel.AnalogValid ? AnalogText(panel.Analog) : "- - - -") + " RAW " + AnalogText(panel.AnalogRaw));
            r.Flush();
        }
        return true;
    };
}

} // namespace

TCliReport::TCliReport(bool json, std::FILE* out) : FJson(json), FOut(out) { FObject.Bool("ok", true); }

void TCliReport::Flush()
{
    if (FJson)
        std::fprintf(FOut, "%s\n", FObject.Text().c_str());
    else if (FLines.empty())
        std::fprintf(FOut, "ok\n");
    for (const std::string& line : FJson ? std::vector<std::string>{} : FLines) std::fprintf(FOut, "%s\n", line.c_str());
    std::fflush(FOut);
    FFlushed = true;
    FObject = TJsonObject();
    FObject.Bool("ok", true);
    FLines.clear();
}

void TCliReport::Progress(const std::string& text)
{
    if (FJson) return;
    std::fprintf(FOut, "%s\n", text.c_str());
    std::fflush(FOut);
}

void TCliReport::FinishFailed()
{
    FObject.Bool("ok", false);
    Flush();
    FFailureShown = true;
}

void TCliReport::Failure(const std::string& error, int lastResult, int lastAck)
{
    if (FJson)
        std::fprintf(FOut, "%s\n",
                     TJsonObject()
                         .Bool("ok", false)
                         .String("error", error)
                         .Int("last_result", lastResult)
                         .Int("last_ack", lastAck)
                         .Text()
                         .c_str());
    else
        std::fprintf(stderr, "error: %s (last result %d, last ack %d)\n", error.c_str(), lastResult, lastAck);
    std::fflush(FOut);
}

TCliAction PrepareCliCommand(const std::string& command, const std::vector<std::string>& args)
{
    static const std::map<std::string, TCliAction (*)(std::vector<std::string>)> commands = {
        {"identify", Identify},
        {"inputs", Inputs},
        {"outputs", Outputs},
        {"set-output", SetOutput},
        {"set-outputs", SetOutputs},
        {"counters", Counters},
        {"temps", Temps},
        {"analog-inputs", AnalogInputs},
        {"ranges", Ranges},
        {"set-range", SetRange},
        {"analog-output", AnalogOutput},
        {"clock", Clock},
        {"set-clock", SetClock},
        {"calibrate-input", CalibrateInput},
        {"store-output-point", StoreOutputPoint},
        {"monitor", Monitor},
        {"ping", PreparePing},
    };
    const auto it = commands.find(command);
    if (it == commands.end()) throw ECliUsage("unknown command \"" + command + "\"");
    return it->second(args);
}
