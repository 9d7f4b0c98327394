#include "cli/uCliTestReport.h"

#include "cli/uCliJson.h"
#include "cli/uCliPanelText.h"
#include "station/uRunRecord.h"

#include <poll.h>
#include <unistd.h>

#include <cstdio>

namespace {

// How often a prompt that waits for its answer looks whether the run was stopped.
constexpr int PromptStopCheckMs = 100;

std::string ValueText(const TMeasuredValue& value)
{
    if (const auto* number = std::get_if<double>(&value)) return ShortNumber(*number);
    if (const auto* text = std::get_if<std::string>(&value)) return "\"" + *text + "\"";
    return "no value";
}

std::string LimitsText(const TMeasurement& m)
{
    if (m.Expected) return "expected \"" + *m.Expected + "\"";
    const std::string low = !m.LowText.empty() ? m.LowText : m.Limits.Low ? ShortNumber(*m.Limits.Low) : "";
    const std::string high = !m.HighText.empty() ? m.HighText : m.Limits.High ? ShortNumber(*m.Limits.High) : "";
    return "limits " + low + ".." + high;
}

std::string MeasurementText(const TMeasurement& m)
{
    std::string text = m.Name + " " + ValueText(m.Value) + (m.Unit.empty() ? "" : " " + m.Unit) + " (" +
                       LimitsText(m) + ") " + VerdictText(m.Verdict);
    return m.Detail.empty() ? text : text + ": " + m.Detail;
}

std::string WithDetail(const std::string& text, const std::string& detail)
{
    return detail.empty() ? text : text + ": " + detail;
}

TCliJson EventJson(const TRunEvent& e, const std::string& recordPath)
{
    const TRunResult& run = e.Run;
    using K = TRunEvent::TKind;
    TCliJson json{{"ok", e.Kind != K::RunEnded || run.Verdict == TVerdict::Pass}};
    if (e.Kind == K::RunStarted || e.Kind == K::RunEnded) {
        json["event"] = e.Kind == K::RunStarted ? "run_started" : "run_ended";
        json["id"] = run.Id;
        json["plan"] = {{"name", run.PlanName}, {"version", run.PlanVersion}};
        json["unit"] = {{"id", run.Unit.Id},
                        {"identification", run.Unit.Identification},
                        {"serial_numbers", run.Unit.SerialNumbers}};
        if (e.Kind == K::RunEnded) {
            json["verdict"] = VerdictText(run.Verdict);
            json["detail"] = run.Detail;
        }
        json["record"] = recordPath;
        return json;
    }
    const TStepResult& step = run.Steps[size_t(e.Step)];
    json["event"] = e.Kind == K::StepStarted ? "step_started" : e.Kind == K::Measured ? "measurement" : "step_ended";
    json["step"] = e.Step + 1;
    json["step_name"] = step.Name;
    if (e.Kind == K::StepStarted) json["kind"] = step.Kind;
    if (e.Kind == K::Measured) {
        const nlohmann::json m = MeasurementRecordJson(step.Measurements[size_t(e.Measurement)]);
        for (const char* key : {"name", "value", "unit", "limits", "verdict", "detail"}) json[key] = m[key];
    }
    if (e.Kind == K::StepEnded) {
        json["verdict"] = VerdictText(step.Verdict);
        json["detail"] = step.Detail;
    }
    return json;
}

// A line typed on standard input: nothing at its end, or when stopped first.
std::optional<std::string> ReadAnswer(const TStationStopped& stopped)
{
    std::string line;
    while (!stopped()) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (poll(&p, 1, PromptStopCheckMs) <= 0) continue;
        char c = 0;
        const ssize_t n = read(STDIN_FILENO, &c, 1);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) return std::nullopt;
        if (n == 1 && c == '\n') return line;
        if (n == 1) line += c;
    }
    return std::nullopt;
}

}

TCliTestReport::TCliTestReport(bool json, int steps) : FJson(json), FTerminal(!json && isatty(STDOUT_FILENO)), FSteps(steps)
{
}

void TCliTestReport::Line(const std::string& text)
{
    ClearRewritten();
    std::printf("%s\n", PrintableText(text).c_str());
    std::fflush(stdout);
}

void TCliTestReport::Rewrite(const std::string& text)
{
    std::printf("\r\033[K%s", PrintableText(text).c_str());
    std::fflush(stdout);
    FRewritten = true;
}

void TCliTestReport::ClearRewritten()
{
    if (!FRewritten) return;
    std::printf("\r\033[K");
    FRewritten = false;
}

void TCliTestReport::Event(const TRunEvent& e, const std::string& recordPath)
{
    if (FJson) {
        std::printf("%s\n", CliJsonText(EventJson(e, recordPath)).c_str());
        std::fflush(stdout);
        return;
    }
    const TRunResult& run = e.Run;
    using K = TRunEvent::TKind;
    if (e.Kind == K::RunStarted) {
        const std::string unit = run.Unit.Id.empty() ? run.Unit.SerialNumbers : run.Unit.Id;
        Line("run " + run.PlanName + " " + run.PlanVersion + ", unit " + (unit.empty() ? "unknown" : unit) + " (" +
             run.Unit.Identification + ")");
        return;
    }
    if (e.Kind == K::RunEnded) {
        Line(WithDetail(VerdictText(run.Verdict), run.Detail));
        Line("record " + (recordPath.empty() ? std::string("not written") : recordPath));
        return;
    }
    const TStepResult& step = run.Steps[size_t(e.Step)];
    const std::string position = "[" + std::to_string(e.Step + 1) + "/" + std::to_string(FSteps) + "] " + step.Name;
    switch (e.Kind) {
    case K::StepStarted:
        if (FTerminal) Rewrite(position);
        else Line("step " + position);
        break;
    case K::Measured: {
        const TMeasurement& m = step.Measurements[size_t(e.Measurement)];
        if (!FTerminal) Line("  " + MeasurementText(m));
        else if (m.Verdict != TVerdict::Pass) Line("  " + step.Name + ": " + MeasurementText(m));
        else Rewrite(position + ": " + m.Name);
        break;
    }
    default: Line(WithDetail(std::string(VerdictText(step.Verdict)) + "  " + position, step.Detail)); break;
    }
}

TPromptAnswer TCliTestReport::Ask(const std::string& text, const TStationStopped& stopped)
{
    const bool answerable = isatty(STDIN_FILENO);
    if (FJson) {
        std::printf("%s\n", CliJsonText(TCliJson{{"ok", true}, {"event", "prompt"}, {"text", text}}).c_str());
        std::fflush(stdout);
    } else {
        Line(text);
    }
    if (!answerable) {
        std::fprintf(stderr, "valdrix-cli: no terminal to answer the prompt on: the run is aborted\n");
        return TPromptAnswer::Aborted;
    }
    for (;;) {
        std::fprintf(stderr, "Enter: confirm, a and Enter: abort > ");
        std::fflush(stderr);
        const std::optional<std::string> answer = ReadAnswer(stopped);
        if (!answer) {
            std::fprintf(stderr, "\n");
            return TPromptAnswer::Aborted;
        }
        if (answer->empty()) return TPromptAnswer::Confirmed;
        if (*answer == "a") return TPromptAnswer::Aborted;
    }
}
