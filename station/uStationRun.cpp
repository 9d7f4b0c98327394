#include "station/uStationRun.h"

#include "framework/uExceptions.h"
#include "framework/uWindows1250.h"
#include "session/uValdrixSession.h"
#include "station/uRunRecord.h"

#include <optional>

namespace {

// Keeps the run's record from its first event on, in a file of its own.
class TStationRecord {
public:
    TStationRecord(const TStationRun& setup, TStationOutcome& outcome) : FSetup(setup), FOutcome(outcome) {}

    // A record or store that fails, also by an exception, says why in the outcome, and
    // the run goes on.
    void Record(const TRunEvent& event)
    {
        try {
            KeepRecord(event);
        } catch (const std::exception& e) {
            FOutcome.RecordFailure = e.what();
        }
        if (event.Kind == TRunEvent::TKind::RunEnded && !FSetup.Stores.Local.empty()) {
            try {
                FOutcome.Stored = StoreRun(RunRecordJson(event.Run), FSetup.Stores);
            } catch (const std::exception& e) {
                FOutcome.Stored = {.Failure = e.what()};
            }
        }
        if (FSetup.Event) FSetup.Event(event, FOutcome.RecordPath);
    }

private:
    void KeepRecord(const TRunEvent& event)
    {
        if (!FRecorder && FOutcome.RecordFailure.empty()) {
            try {
                FOutcome.RecordPath = ReserveRecordPath(FSetup.RecordFolder, event.Run);
                FRecorder.emplace(FOutcome.RecordPath, FSetup.JUnitPath);
            } catch (const Exception& e) {
                FOutcome.RecordFailure = e.Message();
            }
        }
        if (FRecorder) {
            FRecorder->Record(event);
            FOutcome.RecordFailure = FRecorder->Failure();
        }
    }

    const TStationRun& FSetup;
    TStationOutcome& FOutcome;
    std::optional<TRunRecorder> FRecorder;
};

TRS485Answer ExchangeRS485(TSessionScript& script, int address, const std::string& noRS485)
{
    TRS485Answer answer;
    if (!noRS485.empty()) {
        answer.Detail = noRS485;
        return answer;
    }
    std::string data;
    // Only a silent module is the unit's failure; a tester whose RS-485 link is not proven
    // is an error of the run.
    switch (script.RS485Request(uint8_t(address), data)) {
    case TRS485Exchange::NotSent: answer.Detail = "the module link is not open"; break;
    case TRS485Exchange::NoRS485Link: answer.Detail = "the RS-485 link is not open"; break;
    case TRS485Exchange::Stopped: break; // the step sees the stop
    case TRS485Exchange::LinkClosed: answer.Detail = "sending the RS-485 request: the link was closed"; break;
    case TRS485Exchange::Unproven:
        answer.Detail = "the RS-485 link has answered nothing since it opened: check where it is connected";
        break;
    case TRS485Exchange::OtherDevice:
        answer.Detail = "another device answered for address " + std::to_string(address) +
                        ", not the tester's RS-485 link";
        break;
    case TRS485Exchange::Answered: answer.Text = Windows1250ToUtf8(data); [[fallthrough]];
    case TRS485Exchange::Silent: answer.Sent = true; break;
    }
    return answer;
}

}

TStationOutcome RunOnSession(TSessionScript& script, const TTestPlan& plan, const TStationRun& setup)
{
    TStationOutcome outcome;
    TStationRecord record(setup, outcome);
    const TStationStopped stopped = [&script] { return script.Stopped(); };
    TRunHooks hooks;
    hooks.Pause = [&script](int ms) { return script.Pause(uint32_t(ms)); };
    hooks.Stopped = stopped;
    if (setup.Prompt) hooks.Prompt = [&](const std::string& text) { return setup.Prompt(text, stopped); };
    hooks.RS485 = [&](int address) { return ExchangeRS485(script, address, setup.NoRS485); };
    hooks.Event = [&record](const TRunEvent& event) { record.Record(event); };
    outcome.Run = TTestRunner(script.Link().Device(), hooks).Run(plan, setup.Setup);
    return outcome;
}

TStationOutcome RecordFailedStart(const TTestPlan& plan, const TStationRun& setup, const std::string& reason)
{
    TStationOutcome outcome;
    outcome.Run = BeginRun(plan, setup.Setup);
    outcome.Run.Verdict = TVerdict::Error;
    outcome.Run.Ending = TRunEnding::Error;
    outcome.Run.Detail = reason;
    outcome.Run.Ended = IsoTimeNow();
    TStationRecord(setup, outcome).Record({TRunEvent::TKind::RunEnded, outcome.Run});
    return outcome;
}

int64_t SessionRunPausesMs(const TTestPlan& plan)
{
    int64_t total = PlanPausesMs(plan);
    for (const TPlanStep& step : plan.Steps)
        if (std::holds_alternative<TRS485Step>(step.Parameters)) total += 2 * TValdrixSession::RS485AnswerWaitMs;
    return total;
}
