// Recording a run of 10 000 measurements as the runner reports it: the record reserved
// in its folder, each step and measurement kept on disk as it comes, the whole record at
// the end. The measurements come in 10 000 steps of one, 100 steps of 100, or one step.
#include "station/uRunRecord.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <optional>

namespace {

constexpr int Measurements = 10000;

void RecordRun(benchmark::State& state)
{
    const int steps = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        TRunResult run;
        run.Id = NewRunId();
        run.PlanName = "Smyčka";
        run.PlanVersion = "1.0";
        run.Unit.Id = "A1234";
        run.Started = "2026-12-01T08:00:00.000+01:00";
        run.Steps.reserve(size_t(steps));
        state.ResumeTiming();
        const std::string path = ReserveRecordPath(dir.path().toStdString(), run);
        TRunRecorder recorder(path);
        recorder.Record({TRunEvent::TKind::RunStarted, run});
        for (int s = 0; s < steps; ++s) {
            run.Steps.push_back({"Analog " + std::to_string(s), "analog", TVerdict::Running, "", {}, run.Started, ""});
            recorder.Record({TRunEvent::TKind::StepStarted, run, s});
            TStepResult& step = run.Steps.back();
            for (int m = 0; m < Measurements / steps; ++m) {
                step.Measurements.push_back(
                    {"AI" + std::to_string(m), 5.0, "V", {4.9, 5.1}, {}, "", "", TVerdict::Pass, ""});
                recorder.Record({TRunEvent::TKind::Measured, run, s, m});
            }
            step.Verdict = TVerdict::Pass;
            step.Ended = run.Started;
            recorder.Record({TRunEvent::TKind::StepEnded, run, s});
        }
        run.Verdict = TVerdict::Pass;
        run.Ending = TRunEnding::Completed;
        run.Ended = run.Started;
        recorder.Record({TRunEvent::TKind::RunEnded, run});
        if (!recorder.Failure().empty()) {
            state.SkipWithError(recorder.Failure().c_str());
            return;
        }
    }
}

} // namespace

BENCHMARK(RecordRun)->ArgName("steps")->Arg(10000)->Arg(100)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
