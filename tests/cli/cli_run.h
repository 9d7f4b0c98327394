// valdrix-cli runs for the tests: "-c CONNECTION" and then the arguments.
#pragma once

#include "tests/support/child_processes.h"

#include <chrono>
#include <string>
#include <utility>
#include <vector>

// Far beyond any time-out of a test's run: a run still going then counts as hung.
inline constexpr std::chrono::seconds CliRunDeadline{30};

inline TProgramRun Cli(const std::string& connection, std::vector<std::string> args)
{
    args.insert(args.begin(), {"-c", connection});
    return RunProgram("VALDRIX_CLI", args, CliRunDeadline);
}

inline TProgramRun Cli(const TSimulator& sim, std::vector<std::string> args)
{
    return Cli(sim.Connection(), std::move(args));
}
