#include "station/uTestRunner.h"

#include "framework/uWindows1250.h"
#include "station/uOverload.h"
#include "station/uStepContext.h"

#include <cstdio>

namespace {

void RunStep(TStepContext& c, const TStepParameters& parameters)
{
    std::visit(TOverload{
                   [&](const TIdentificationStep& p) { RunIdentificationStep(c, p); },
                   [&](const TDigitalStep& p) { RunDigitalStep(c, p); },
                   [&](const TCounterStep& p) { RunCounterStep(c, p); },
                   [&](const TAnalogStep& p) { RunAnalogStep(c, p); },
                   [&](const TThermometerStep& p) { RunThermometerStep(c, p); },
                   [&](const TClockStep& p) { RunClockStep(c, p); },
                   [&](const TRS485Step& p) { RunRS485Step(c, p); },
                   [&](const TCalibrationStep& p) { RunCalibrationStep(c, p); },
                   [&](const TAddressStep& p) { RunAddressStep(c, p); },
                   [&](const TPromptStep& p) { RunPromptStep(c, p); },
               },
               parameters);
}

std::string SerialNumbersText(uint16_t n1, uint16_t n2, uint32_t n3)
{
    char text[32];
    snprintf(text, sizeof text, "%04X-%04X-%08X", unsigned(n1), unsigned(n2), unsigned(n3));
    return text;
}

}

TTestRunner::TTestRunner(IValdrix& device, TRunHooks hooks) : FDevice(device), FHooks(std::move(hooks)) {}

TVerdict TTestRunner::ReadIdentity(TRunResult& run)
{
    uint16_t n1 = 0, n2 = 0;
    uint32_t n3 = 0;
    std::string identification;
    const bool identified = AttemptTwice([&] { return FDevice.ReadIdentificationText(identification); });
    const bool numbered = identified && AttemptTwice([&] { return FDevice.ReadFANumbers(n1, n2, n3); });
    run.Unit.Identification = Windows1250ToUtf8(identification);
    if (numbered) {
        run.Unit.SerialNumbers = SerialNumbersText(n1, n2, n3);
        return TVerdict::Pass;
    }
    // A module that answers but will not say who it is fails; one that does not answer
    // at all could not be tested.
    const bool refused = FDevice.GetLastOutcome() == TTarvelOutcome::Refused;
    run.Detail = std::string(identified ? "the module did not give its serial numbers"
                                        : "the module did not give its identification") +
                 (refused ? " (refused)" : " (no answer)");
    return refused ? TVerdict::Fail : TVerdict::Error;
}

TRunResult BeginRun(const TTestPlan& plan, const TRunSetup& setup)
{
    TRunResult run;
    run.Id = NewRunId();
    run.PlanName = plan.Name;
    run.PlanVersion = plan.Version;
    run.Station = setup.Station;
    run.Operator = setup.Operator;
    run.Unit.Id = setup.UnitId;
    run.Started = IsoTimeNow();
    return run;
}

TRunResult TTestRunner::Run(const TTestPlan& plan, const TRunSetup& setup)
{
    TRunResult run = BeginRun(plan, setup);
    try {
        RunSteps(plan, run);
    } catch (const std::exception& e) {
        // A fault of the program's own (a step or a listener threw): the run ends in
        // ERROR with the reason, and still reaches its record.
        EndWithFault(run, e.what());
    }
    run.Ended = IsoTimeNow();
    if (FHooks.Event) FHooks.Event({TRunEvent::TKind::RunEnded, run});
    return run;
}

void TTestRunner::RunSteps(const TTestPlan& plan, TRunResult& run)
{
    // The run's verdict stays RUNNING until it ends; the worst one so far is kept here.
    TVerdict verdict = ReadIdentity(run);
    run.Ending = verdict == TVerdict::Pass ? TRunEnding::Completed : TRunEnding::Error;
    if (FHooks.Event) FHooks.Event({TRunEvent::TKind::RunStarted, run});
    for (size_t i = 0; run.Ending == TRunEnding::Completed && i < plan.Steps.size(); ++i) {
        if (FHooks.Stopped && FHooks.Stopped()) {
            verdict = WorseVerdict(verdict, TVerdict::Aborted);
            run.Ending = TRunEnding::Aborted;
            run.Detail = "stopped";
            break;
        }
        const TStepResult& step = RunPlanStep(plan, i, run);
        verdict = WorseVerdict(verdict, step.Verdict);
        if (step.Verdict == TVerdict::Fail && !plan.ContinueOnFail) break;
    }
    run.Verdict = verdict;
}

void TTestRunner::EndWithFault(TRunResult& run, const std::string& what)
{
    const std::string detail = "internal fault: " + what;
    TVerdict verdict = TVerdict::Error;
    for (TStepResult& step : run.Steps) {
        if (step.Verdict == TVerdict::Running) {
            step.Verdict = TVerdict::Error;
            step.Detail = detail;
            step.Ended = IsoTimeNow();
        }
        for (const TMeasurement& m : step.Measurements) verdict = WorseVerdict(verdict, m.Verdict);
    }
    run.Verdict = verdict;
    run.Ending = TRunEnding::Error;
    run.Detail = detail;
}

const TStepResult& TTestRunner::RunPlanStep(const TTestPlan& plan, size_t index, TRunResult& run)
{
    const TPlanStep& planStep = plan.Steps[index];
    run.Steps.push_back({.Name = planStep.Name, .Kind = StepKindName(planStep.Parameters), .Started = IsoTimeNow()});
    const int at = int(run.Steps.size()) - 1;
    if (FHooks.Event) FHooks.Event({TRunEvent::TKind::StepStarted, run, at, -1});
    TStepContext context(FDevice, plan.Jig, FHooks, run, at);
    RunStep(context, planStep.Parameters);
    TStepResult& step = run.Steps.back();
    // A step cut short is ERROR or ABORTED, unless a measurement failed before.
    const TVerdict cut = context.Ended() ? step.Verdict : TVerdict::Pass;
    step.Verdict = cut;
    for (const TMeasurement& m : step.Measurements) step.Verdict = WorseVerdict(step.Verdict, m.Verdict);
    step.Ended = IsoTimeNow();
    if (FHooks.Event) FHooks.Event({TRunEvent::TKind::StepEnded, run, at, -1});
    if (cut == TVerdict::Aborted) run.Ending = TRunEnding::Aborted;
    else if (cut == TVerdict::Error || step.Verdict == TVerdict::Error) run.Ending = TRunEnding::Error;
    return step;
}
