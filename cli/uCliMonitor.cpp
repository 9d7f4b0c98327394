#include "cli/uCliMonitor.h"

#include "cli/uCliPacing.h"
#include "cli/uCliPanelText.h"
#include "cli/uCliLink.h"
#include "device/uValdrixPolling.h"
#include "framework/uDateTime.h"

#include <climits>
#include <cstdio>

namespace {

bool Refresh(IValdrix& device, TValdrixPanel& panel)
{
    for (int step = 0; step < ValdrixPollSteps; ++step)
        if (!PollValdrixStep(device, step, panel)) return false;
    return true;
}

void ShowPanel(const TValdrixPanel& panel, TCliReport& r)
{
    TCliJson& json = r.Json();
    json["time"] = IsoTimeNow();
    json["inputs"] = BitJson(panel.Inputs);
    json["outputs"] = BitJson(panel.Outputs);
    json["counters"] = Map(panel.Counters, [](int64_t v) { return v; });
    json["temperatures"] = TemperaturesJson(panel.Temperatures);
    json["analog_inputs"] = panel.AnalogValid ? AnalogJson(panel.Analog) : TCliJson();
    json["analog_inputs_raw"] = AnalogJson(panel.AnalogRaw);
    r.Line("DI " + BitText(panel.Inputs) + " DO " + BitText(panel.Outputs) + " CNT " + CountersText(panel.Counters) +
           " T " + Join(Map(panel.Temperatures, TemperatureText)) + " AI " +
           (panel.AnalogValid ? AnalogText(panel.Analog) : "- - - -") + " RAW " + AnalogText(panel.AnalogRaw));
}

void ShowFailure(const std::string& reason, int64_t failures, TCliReport& r)
{
    TCliJson& json = r.Json();
    json["ok"] = false;
    json["time"] = IsoTimeNow();
    json["error"] = reason;
    r.Line("failed: " + reason + " (failures " + std::to_string(failures) + ")");
}

// Opens the link again, one attempt every CliReconnectInterval, until the module answers;
// false when a stop signal ended the attempts.
bool Reconnect(TCliLink& s, TCliPacer& pacer, std::string reason, TIdentityRule identity)
{
    for (int attempt = 1;; ++attempt) {
        if (!pacer.Pause(CliReconnectInterval)) return false;
        std::fprintf(stderr, "valdrix-cli: connection lost: %s; reconnecting (attempt %d)\n", reason.c_str(), attempt);
        const TIdentifiedOpen opened = s.Link().Reconnect(identity);
        if (opened.Ok()) {
            std::fprintf(stderr, "valdrix-cli: reconnected (attempt %d)\n", attempt);
            return true;
        }
        reason = CliReconnectFailure(opened, s.Link());
    }
}

} // namespace

TCliAction PrepareMonitor(const TCliArgs& args)
{
    const int64_t count = CliInt(args, "--count", 0, INT32_MAX, 0);
    const auto interval = CliInterval(args, std::chrono::milliseconds(200));
    const bool keepGoing = args.Has("--keep-going");
    const bool reconnect = args.Has("--reconnect");
    const TIdentityRule identity = args.Has("--any-device") ? TIdentityRule::AnyFamilyDevice : TIdentityRule::Valdrix;
    return [=](TCliLink& s, TCliReport& r) {
        TValdrixPanel panel;
        TCliPacer pacer(interval);
        int64_t failures = 0;
        for (int64_t refresh = 0; (count == 0 || refresh < count) && pacer.Next(); ++refresh) {
            const bool ok = Refresh(s.Device(), panel);
            const bool unreachable = !ok && s.Link().ModuleUnreachable();
            if (!ok && !keepGoing && !(reconnect && unreachable)) return false;
            const std::string reason = ok ? std::string() : s.Link().DescribeFailure();
            failures += !ok;
            if (ok || keepGoing) {
                if (ok)
                    ShowPanel(panel, r);
                else
                    ShowFailure(reason, failures, r);
                if (keepGoing) r.Json()["failures"] = failures;
                r.Flush();
            }
            if (!ok && reconnect && unreachable && !Reconnect(s, pacer, reason, identity)) break;
        }
        if (failures == 0) return true;
        r.MarkFailureShown();
        return false;
    };
}
