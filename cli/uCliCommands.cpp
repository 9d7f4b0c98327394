#include "cli/uCliCommands.h"

#include "cli/uCliAddress.h"
#include "cli/uCliMonitor.h"
#include "cli/uCliPanelText.h"
#include "cli/uCliPing.h"
#include "cli/uCliRecords.h"
#include "cli/uCliScan.h"
#include "cli/uCliSniff.h"
#include "cli/uCliTest.h"
#include "cli/uCliLink.h"
#include "device/uValdrixAttempts.h"
#include "device/uValdrixCalibration.h"
#include "framework/uDateTime.h"

#include <unistd.h>

namespace {

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

TCliAction Identify(const TCliArgs&)
{
    return [](TCliLink& s, TCliReport& r) {
        std::string text;
        if (!AttemptTwice([&] { return s.Device().ReadIdentificationText(text); })) return false;
        const std::string utf8 = Windows1250ToUtf8(text);
        r.Json()["identification"] = utf8;
        r.Line(utf8);
        return true;
    };
}

TCliAction Inputs(const TCliArgs&)
{
    return [](TCliLink& s, TCliReport& r) {
        TValdrixInputBits bits;
        if (!AttemptTwice([&] { return s.Device().GetInputs(bits); })) return false;
        r.Json()["inputs"] = BitJson(bits);
        r.Line("inputs " + BitText(bits));
        return true;
    };
}

TCliAction Outputs(const TCliArgs&)
{
    return [](TCliLink& s, TCliReport& r) {
        TValdrixOutputBits bits;
        if (!AttemptTwice([&] { return s.Device().GetOutputs(bits); })) return false;
        r.Json()["outputs"] = BitJson(bits);
        r.Line("outputs " + BitText(bits));
        return true;
    };
}

TCliAction SetOutput(const TCliArgs& args)
{
    const int n = int(ParseCliInt(args["N"], 1, ValdrixDigitalOutputs, "output"));
    const bool on = OnOff(args["STATE"]);
    const int duration = args.Has("DURATION") ? int(ParseCliInt(args["DURATION"], 0, 255, "duration")) : 0;
    return [=](TCliLink& s, TCliReport&) {
        return AttemptTwice([&] { return s.Device().SetOutput(n, on, duration); });
    };
}

TCliAction SetOutputs(const TCliArgs& args)
{
    const std::string& bits = args["BITS"];
    if (bits.size() != size_t(ValdrixDigitalOutputs) || bits.find_first_not_of("01") != std::string::npos)
        throw ECliUsage("BITS must be ten 0/1 characters, output 1 first");
    TValdrixOutputBits states;
    for (int i = 1; i <= ValdrixDigitalOutputs; ++i) states[i] = bits[size_t(i - 1)] == '1';
    return [=](TCliLink& s, TCliReport&) { return AttemptTwice([&] { return s.Device().SetOutputs(states); }); };
}

TCliAction Counters(const TCliArgs&)
{
    return [](TCliLink& s, TCliReport& r) {
        TValdrixCounters values;
        if (!AttemptTwice([&] { return s.Device().GetCounters(values, false); })) return false;
        r.Json()["counters"] = Map(values, [](int64_t v) { return v; });
        r.Line("counters " + CountersText(values));
        return true;
    };
}

TCliAction Temps(const TCliArgs&)
{
    return [](TCliLink& s, TCliReport& r) {
        TValdrixTemperatures temperatures;
        if (!AttemptTwice([&] { return s.Device().GetTemperatures(temperatures); })) return false;
        r.Json()["temperatures"] = TemperaturesJson(temperatures);
        r.Line("temperatures " + Join(Map(temperatures, TemperatureText)));
        return true;
    };
}

TCliAction AnalogInputs(const TCliArgs& args)
{
    const bool raw = args.Has("--raw");
    return [=](TCliLink& s, TCliReport& r) {
        TValdrixAnalogReadings readings;
        if (!AttemptTwice([&] { return s.Device().GetAnalogInputs(readings, raw); })) return false;
        r.Json()["analog_inputs"] = AnalogJson(readings);
        r.Line(std::string(raw ? "analog inputs raw " : "analog inputs ") + AnalogText(readings));
        return true;
    };
}

TCliAction Ranges(const TCliArgs&)
{
    return [](TCliLink& s, TCliReport& r) {
        TValdrixInputRanges ranges;
        if (!AttemptTwice([&] { return s.Device().GetInputRanges(ranges); })) return false;
        r.Json()["ranges"] = Map(ranges, [](uint8_t c) { return int(c); });
        for (int i = 1; i <= ValdrixAnalogInputs; ++i)
            r.Line("AI" + std::to_string(i) + ": " + std::to_string(ranges[i]) + " (" + RangeName(ranges[i]) + ")");
        return true;
    };
}

TCliAction SetRange(const TCliArgs& args)
{
    const int n = int(ParseCliInt(args["N"], 1, ValdrixAnalogInputs, "input"));
    const int code = int(ParseCliInt(args["CODE"], 0, ValdrixMaxRangeCode, "range code"));
    return [=](TCliLink& s, TCliReport&) { return AttemptTwice([&] { return s.Device().SetInputRange(n, code); }); };
}

TCliAction AnalogOutput(const TCliArgs& args)
{
    const bool raw = args.Has("--raw");
    const int n = int(ParseCliInt(args["N"], 1, ValdrixAnalogOutputs, "output"));
    const int value = int(ParseCliInt(args["VALUE"], -32768, 32767, "value"));
    return [=](TCliLink& s, TCliReport&) {
        return AttemptTwice([&] { return s.Device().SetAnalogOutput(n, value, raw); });
    };
}

TCliAction Clock(const TCliArgs&)
{
    return [](TCliLink& s, TCliReport& r) {
        double value = 0;
        if (!s.Device().GetClock(value)) return false;
        r.Json()["clock"] = FormatDateTimeIso(value);
        r.Line(FormatDateTimeIso(value));
        return true;
    };
}

TCliAction SetClock(const TCliArgs& args)
{
    const bool now = !args.Has("TIME") || args["TIME"] == "now";
    double value = 0;
    if (!now && !ParseDateTimeIso(args["TIME"], value)) throw ECliUsage("expected now or \"YYYY-MM-DD hh:mm:ss\"");
    return [=](TCliLink& s, TCliReport& r) {
        const double set = now ? NowDateTime() : value;
        if (!s.Device().SetClock(set)) return false;
        r.Json()["clock"] = FormatDateTimeIso(set);
        r.Line(FormatDateTimeIso(set));
        return true;
    };
}

TCliAction CalibrateInput(const TCliArgs& args)
{
    if (!args.Has("--applied") || !args.Has("--divisions"))
        throw ECliUsage("calibrate-input needs --applied A and --divisions D");
    const int n = int(ParseCliInt(args["N"], 1, ValdrixAnalogInputs, "input"));
    const double applied = ParseCliDouble(args["--applied"], "applied value");
    if (applied == 0) throw ECliUsage("the applied value must not be 0");
    const int64_t divisions = ParseCliInt(args["--divisions"], 0, 65535, "divisions");
    return [=](TCliLink& s, TCliReport& r) {
        const TValdrixCalibrationResult result = CalibrateValdrixInput(s.Device(), n, applied, divisions);
        if (result.Status != TValdrixCalibrationStatus::Done) {
            if (result.Status == TValdrixCalibrationStatus::ArithmeticError) r.SetError(result.Message);
            return false;
        }
        r.Json()["coefficient"] = result.Coefficient;
        r.Json()["divisions"] = divisions;
        r.Json()["mean_raw"] = result.MeanRaw;
        r.Line("coefficient " + std::to_string(result.Coefficient) + " divisions " + std::to_string(divisions));
        return true;
    };
}

TCliAction StoreOutputPoint(const TCliArgs& args)
{
    const int n = int(ParseCliInt(args["N"], 1, ValdrixAnalogOutputs, "output"));
    if (args["POINT"] != "low" && args["POINT"] != "high") throw ECliUsage("expected low or high");
    const bool low = args["POINT"] == "low";
    return [=](TCliLink& s, TCliReport&) {
        return AttemptTwice([&] { return s.Device().StoreOutputCalibrationPoint(n, low); });
    };
}

struct TCliCommand {
    TCliCommandSyntax Syntax;
    TCliAction (*Prepare)(const TCliArgs& args);
};

const std::vector<TCliCommand>& Commands()
{
    static const std::vector<TCliCommand> commands = {
        {{"identify"}, Identify},
        {{"inputs"}, Inputs},
        {{"outputs"}, Outputs},
        {{"set-output", {"N", "STATE"}, {"DURATION"}}, SetOutput},
        {{"set-outputs", {"BITS"}}, SetOutputs},
        {{"counters"}, Counters},
        {{"temps"}, Temps},
        {{"analog-inputs", {}, {}, {}, {"--raw"}}, AnalogInputs},
        {{"ranges"}, Ranges},
        {{"set-range", {"N", "CODE"}}, SetRange},
        {{"analog-output", {"N", "VALUE"}, {}, {}, {"--raw"}}, AnalogOutput},
        {{"clock"}, Clock},
        {{"set-clock", {}, {"TIME"}}, SetClock},
        {{"calibrate-input", {"N"}, {}, {"--applied", "--divisions"}}, CalibrateInput},
        {{"store-output-point", {"N", "POINT"}}, StoreOutputPoint},
        {{"monitor", {}, {}, {"--count", "--interval"}, {"--reconnect", "--keep-going", "--any-device"}}, PrepareMonitor},
        {{"ping", {}, {}, {"--count", "--interval"}}, PreparePing},
        {{"scan", {}, {}, {"--from", "--to", "--timeout"}}, PrepareScan},
        {{"set-address", {"NEW"}}, PrepareSetAddress},
    };
    return commands;
}

} // namespace

TCliReport::TCliReport(bool json, std::FILE* out) : FJson(json), FOut(out) { Start(); }

void TCliReport::Start()
{
    FObject = TCliJson::object();
    FObject["ok"] = true;
    FLines.clear();
}

void TCliReport::Flush()
{
    if (FJson)
        std::fprintf(FOut, "%s\n", CliJsonText(FObject).c_str());
    else if (FLines.empty() && !FEmitted)
        std::fprintf(FOut, "ok\n");
    for (const std::string& line : FJson ? std::vector<std::string>{} : FLines)
        std::fprintf(FOut, "%s\n", PrintableText(line).c_str());
    std::fflush(FOut);
    FFlushed = true;
    Start();
}

void TCliReport::Progress(const std::string& text)
{
    if (FJson) return;
    std::fprintf(FOut, "%s\n", PrintableText(text).c_str());
    std::fflush(FOut);
}

void TCliReport::Emit(const std::string& text, const TCliJson& json)
{
    std::fprintf(FOut, "%s\n", FJson ? CliJsonText(json).c_str() : PrintableText(text).c_str());
    std::fflush(FOut);
    FEmitted = true;
}

bool TCliReport::Interactive() const { return !FJson && isatty(fileno(FOut)); }

void TCliReport::FinishFailed()
{
    FObject["ok"] = false;
    Flush();
    FFailureShown = true;
}

void TCliReport::Failure(const std::string& error, int lastResult, int lastAck)
{
    if (FJson) {
        const TCliJson failure{{"ok", false},
                               {"error", error},
                               {"last_result", lastResult},
                               {"last_result_name", RequestResultName(lastResult)},
                               {"last_ack", lastAck}};
        std::fprintf(FOut, "%s\n", CliJsonText(failure).c_str());
    } else {
        std::fprintf(stderr, "valdrix-cli: %s (last result %d %s, last ack %d)\n", error.c_str(), lastResult,
                     RequestResultName(lastResult).c_str(), lastAck);
    }
    std::fflush(FOut);
}

void TCliReport::ConnectionFailure(const std::string& error)
{
    if (FJson)
        std::fprintf(FOut, "%s\n", CliJsonText(TCliJson{{"ok", false}, {"error", error}}).c_str());
    else
        std::fprintf(stderr, "valdrix-cli: %s\n", error.c_str());
    std::fflush(FOut);
}

std::vector<TCliCommandSyntax> CliCommandSyntax()
{
    std::vector<TCliCommandSyntax> syntax;
    for (const TCliCommand& command : Commands()) syntax.push_back(command.Syntax);
    syntax.push_back(CliSniffSyntax());
    syntax.push_back(CliRecordsSyntax());
    syntax.push_back(CliTestSyntax());
    return syntax;
}

TCliAction PrepareCliCommand(const std::string& command, const TCliArgs& args)
{
    for (const TCliCommand& c : Commands())
        if (c.Syntax.Name == command) return c.Prepare(args);
    throw ECliUsage("unknown command \"" + command + "\"");
}
