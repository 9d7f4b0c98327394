// valdrix-cli monitor against the module simulator: full refreshes of the I/O panel per
// second, back to back and at the command's own pace (nominally five per second).
#include "bench/bench_support.h"
#include "tests/support/child_processes.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

namespace {

// Counts the refresh lines for a few seconds from the first one, so that the start of
// the program and its connection are left out. `options` go after the command.
void CliMonitor(benchmark::State& state, std::vector<std::string> options)
{
    using Clock = std::chrono::steady_clock;
    UseBuiltPrograms();
    TSimulator sim;
    if (!sim.Ready()) {
        state.SkipWithError("the simulator did not start");
        return;
    }
    for (auto _ : state) {
        std::vector<std::string> args = {"-c", sim.Connection(), "monitor"};
        args.insert(args.end(), options.begin(), options.end());
        TRunningProgram cli(ProgramPath("VALDRIX_CLI"), args);
        if (!cli.ReadLine(std::chrono::seconds(10))) {
            state.SkipWithError("no refresh from valdrix-cli monitor");
            break;
        }
        const auto first = Clock::now();
        auto last = first;
        int64_t refreshes = 0;
        while (last - first < std::chrono::seconds(3) && cli.ReadLine(std::chrono::seconds(10))) {
            last = Clock::now();
            ++refreshes;
        }
        state.counters["refreshes_per_s"] = double(refreshes) / std::chrono::duration<double>(last - first).count();
        if (cli.Stop(SIGTERM) != 0) state.SkipWithError("valdrix-cli monitor did not end cleanly");
    }
}
BENCHMARK_CAPTURE(CliMonitor, back_to_back, std::vector<std::string>{"--interval", "0"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(CliMonitor, default_pace, std::vector<std::string>{})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace
