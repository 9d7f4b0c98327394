#include "station/uTestRunner.h"

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

bool TTestRunner::ReadIdentity(TRunResult& run)
{
    uint16_t n1 = 0, n2 = 0;
    uint32_t n3 = 0;
    const bool identified = AttemptTwice([&] { return FDevice.ReadIdentificationText(run.Unit.Identification); });
    const bool numbered = identified && AttemptTwice([&] { return FDevice.ReadFANumbers(n1, n2, n3); });
    if (numbered) run.Unit.SerialNumbers = SerialNumbersText(n1, n2, n3);
    return numbered;
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
    const auto tell = [&](TRunEvent::TKind kind, int step = -1) {
        if (FHooks.Event) FHooks.Event({kind, run, step, -1});
    };
    // The run's verdict stays RUNNING until it ends; the worst one so far is kept here.
    TVerdict verdict = TVerdict::Pass;
    const bool identified = ReadIdentity(run);
    tell(TRunEvent::TKind::RunStarted);
    if (!identified) {
        verdict = TVerdict::Error;
        run.Detail = "the module did not give its identity";
    }
    for (size_t i = 0; identified && i < plan.Steps.size(); ++i) {
        if (FHooks.Stopped && FHooks.Stopped()) {
            verdict = TVerdict::Aborted;
            run.Detail = "stopped";
            break;
        }
        const TPlanStep& planStep = plan.Steps[i];
        run.Steps.push_back({.Name = planStep.Name, .Kind = StepKindName(planStep.Parameters), .Started = IsoTimeNow()});
        const int index = int(run.Steps.size()) - 1;
        tell(TRunEvent::TKind::StepStarted, index);
        TStepContext context(FDevice, plan.Jig, FHooks, run, index);
        RunStep(context, planStep.Parameters);
        TStepResult& step = run.Steps.back();
        if (!context.Ended()) {
            step.Verdict = TVerdict::Pass;
            for (const TMeasurement& m : step.Measurements) step.Verdict = WorseVerdict(step.Verdict, m.Verdict);
        }
        step.Ended = IsoTimeNow();
        tell(TRunEvent::TKind::StepEnded, index);
        verdict = WorseVerdict(verdict, step.Verdict);
        if (step.Verdict == TVerdict::Error || step.Verdict == TVerdict::Aborted) break;
        if (step.Verdict == TVerdict::Fail && !plan.ContinueOnFail) break;
    }
    run.Verdict = verdict;
    run.Ended = IsoTimeNow();
    tell(TRunEvent::TKind::RunEnded);
    return run;
}
