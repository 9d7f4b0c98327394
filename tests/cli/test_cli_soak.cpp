// The long run of valdrix-cli monitor --keep-going against a simulator that loses 1 %
// and damages 1 % of its answers (run by scripts/soak.sh; skipped unless
// VALDRIX_SOAK_SECONDS is set): the client never ends by itself, every failed refresh
// is accounted for by an injected fault, and its memory is flat after the warm-up.
#include "tests/support/child_processes.h"
#include "tests/support/soak.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>

TEST(CliSoak, MonitorKeepsGoingThroughInjectedFaults)
{
    const int seconds = SoakSeconds();
    if (seconds == 0) GTEST_SKIP() << "set VALDRIX_SOAK_SECONDS for the long run";
    TSimulator sim({"--drop", "1", "--corrupt", "1", "--seed", "11"});
    ASSERT_TRUE(sim.Ready());
    TRunningProgram monitor(ProgramPath("VALDRIX_CLI"), {"-c", sim.Connection(), "--timeout", "100", "--json",
                                                         "monitor", "--keep-going", "--interval", "0"});

    const auto start = std::chrono::steady_clock::now();
    const auto warmUp = start + std::chrono::seconds(std::max(5, seconds / 5));
    const auto end = start + std::chrono::seconds(seconds);
    long warmKb = -1;
    uint64_t refreshes = 0, failures = 0;
    while (std::chrono::steady_clock::now() < end) {
        const auto line = monitor.ReadLine(std::chrono::seconds(10));
        ASSERT_TRUE(line) << "the monitor stopped printing after " << refreshes << " refreshes";
        const nlohmann::json object = nlohmann::json::parse(*line);
        ++refreshes;
        if (!object["ok"].get<bool>()) ++failures;
        ASSERT_EQ(object["failures"].get<uint64_t>(), failures) << *line;
        if (warmKb < 0 && std::chrono::steady_clock::now() >= warmUp) warmKb = ResidentKb(monitor.Pid());
    }
    const long endKb = ResidentKb(monitor.Pid());
    // SIGINT ends the monitor after its refresh; it exits by itself, so the leak check runs.
    const int status = monitor.Stop(SIGINT);
    const TSimFaultTally tally = ParseSimFaultTally(sim.Stop());

    std::printf("cli soak: %llu refreshes, %llu failed; simulator: %llu answers, %llu dropped, %llu damaged; "
                "resident %ld kB after warm-up, %ld kB at the end\n",
                (unsigned long long)refreshes, (unsigned long long)failures, (unsigned long long)tally.Answers,
                (unsigned long long)tally.Dropped, (unsigned long long)tally.Corrupted, warmKb, endKb);
    EXPECT_EQ(status, failures ? 1 : 0) << "exit status 23 is a leak found at the exit";
    ASSERT_TRUE(tally.Read);
    EXPECT_GT(tally.Dropped + tally.Corrupted, 0u);
    // A refresh fails only when one of its requests fails twice in a row.
    EXPECT_LE(2 * failures, tally.Dropped + tally.Corrupted);
    EXPECT_LE(endKb, warmKb + FlatResidentSlackKb);
}
