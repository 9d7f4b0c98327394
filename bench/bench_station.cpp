// A whole production test run: valdrix-cli test examples/loopback.toml against the
// simulator on its loopback jig, as a production line runs it (a process per unit, the
// record written after every measurement), next to the waits the plan itself asks for.
#include "bench/bench_support.h"
#include "station/uStationRun.h"
#include "station/uTestPlanLoader.h"
#include "tests/support/child_processes.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace {

const std::string SamplePlan = std::string(VALDRIX_SOURCE_DIR) + "/examples/loopback.toml";

void SampleRun(benchmark::State& state)
{
    UseBuiltPrograms();
    const TPlanLoad load = LoadTestPlan(SamplePlan);
    if (!load.Plan) {
        state.SkipWithError("the sample plan does not load");
        return;
    }
    TSimulator sim({"--jig", "loopback"}, false);
    if (!sim.Ready()) {
        state.SkipWithError("the simulator did not start");
        return;
    }
    char folder[] = "/tmp/valdrix-bench-station-XXXXXX";
    const std::string records = ::mkdtemp(folder);
    for (auto _ : state) {
        const TProgramRun run = RunProgram("VALDRIX_CLI", {"-c", sim.Connection(), "test", SamplePlan, "--unit",
                                                           "BENCH", "--record-dir", records, "--junit",
                                                           records + "/junit.xml", "--rs485", sim.RS485Connection()},
                                           std::chrono::seconds(60));
        if (run.Status != 0) {
            state.SkipWithError(("the sample run did not pass: " + run.Err).c_str());
            break;
        }
    }
    state.counters["plan_pauses_ms"] = double(SessionRunPausesMs(*load.Plan));
    std::filesystem::remove_all(records);
}
BENCHMARK(SampleRun)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
