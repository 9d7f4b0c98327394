#include "station/uStepContext.h"

#include <cstdio>
#include <thread>

namespace {

std::string OutcomeText(TTarvelOutcome outcome, int32_t ack)
{
    switch (outcome) {
    case TTarvelOutcome::Refused: return "refused (acknowledge code " + std::to_string(ack) + ")";
    case TTarvelOutcome::NotSent: return "not sent (no link)";
    case TTarvelOutcome::LinkClosed: return "the link was closed";
    case TTarvelOutcome::TimedOut: return "no answer";
    case TTarvelOutcome::Damaged: return "a damaged answer";
    case TTarvelOutcome::LateAnswer: return "only a late answer to an earlier request";
    case TTarvelOutcome::Arriving: return "the answer did not arrive in time";
    case TTarvelOutcome::Answered: return "an answer the module should not give";
    case TTarvelOutcome::None: break;
    }
    return "no answer";
}

}

TStepContext::TStepContext(IValdrix& device, const TJig& jig, const TRunHooks& hooks, TRunResult& run, int step)
    : FDevice(device), FJig(jig), FHooks(hooks), FRun(run), FStep(step)
{
}

bool TStepContext::StopAsked()
{
    if (FEnded) return true;
    if (FHooks.Stopped && FHooks.Stopped()) Abort("stopped");
    return FEnded;
}

bool TStepContext::Ask(const std::string& text, const std::string& nobodyDetail)
{
    if (StopAsked()) return false;
    if (!FHooks.Prompt) {
        Error(nobodyDetail);
        return false;
    }
    const TPromptAnswer answer = FHooks.Prompt(text);
    if (StopAsked()) return false;
    if (answer == TPromptAnswer::Aborted) Abort("the operator aborted");
    return !FEnded;
}

void TStepContext::RequestFailed(const char* what)
{
    Error(std::string(what) + ": " + OutcomeText(FDevice.GetLastOutcome(), FDevice.GetLastAck()));
}

void TStepContext::Error(const std::string& detail)
{
    Step().Verdict = TVerdict::Error;
    Step().Detail = detail;
    FEnded = true;
}

void TStepContext::Abort(const std::string& detail)
{
    Step().Verdict = TVerdict::Aborted;
    Step().Detail = detail;
    FEnded = true;
}

bool TStepContext::Pause(int ms)
{
    if (StopAsked()) return false;
    if (ms <= 0) return true;
    if (FHooks.Pause ? FHooks.Pause(ms) : (std::this_thread::sleep_for(std::chrono::milliseconds(ms)), true))
        return !StopAsked();
    Abort("stopped");
    return false;
}

void TStepContext::Measure(TMeasurement measurement)
{
    if (measurement.Verdict == TVerdict::Running) measurement.Verdict = JudgeMeasurement(measurement);
    Step().Measurements.push_back(std::move(measurement));
    if (FHooks.Event)
        FHooks.Event({TRunEvent::TKind::Measured, FRun, FStep, int(Step().Measurements.size()) - 1});
}

void FailInvalidReading(TMeasurement& m, uint8_t status)
{
    char detail[48];
    snprintf(detail, sizeof detail, "the reading's status is invalid (0x%02X)", unsigned(status));
    m.Verdict = TVerdict::Fail;
    m.Detail = detail;
}

TVerdict JudgeMeasurement(const TMeasurement& m)
{
    if (const auto* number = std::get_if<double>(&m.Value)) {
        const bool in = (!m.Limits.Low || *number >= *m.Limits.Low) && (!m.Limits.High || *number <= *m.Limits.High);
        return in ? TVerdict::Pass : TVerdict::Fail;
    }
    if (const auto* text = std::get_if<std::string>(&m.Value)) {
        if (m.Expected) return *text == *m.Expected ? TVerdict::Pass : TVerdict::Fail;
        if (!IsVersionText(*text)) return TVerdict::Fail;
        const bool in = (m.LowText.empty() || CompareVersions(*text, m.LowText) >= 0) &&
                        (m.HighText.empty() || CompareVersions(*text, m.HighText) <= 0);
        return in ? TVerdict::Pass : TVerdict::Fail;
    }
    return TVerdict::Error;
}
