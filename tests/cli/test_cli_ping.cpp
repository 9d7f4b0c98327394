// valdrix-cli ping against the module simulator, answering and not answering, and the
// summary of the measured round trips.
#include "cli/uCliPing.h"
#include "tests/support/child_processes.h"

#include <gtest/gtest.h>

#include <csignal>
#include <regex>

namespace {

TProgramRun Ping(const TSimulator& sim, bool json, const std::string& count)
{
    std::vector<std::string> args = {"-c", sim.Connection(), "--timeout", "200"};
    if (json) args.push_back("--json");
    for (const char* a : {"ping", "--count"}) args.push_back(a);
    args.insert(args.end(), {count, "--interval", "0"});
    return RunProgram("VALDRIX_CLI", args);
}

} // namespace

TEST(CliPing, EveryRequestIsTimedOrCountedLost)
{
    const std::string time = "[0-9]+\\.[0-9]+";
    struct TCase {
        std::vector<std::string> Faults;
        int Status;
        std::string Json;  // the one object, as a pattern
        std::string Lines; // the text output, as a pattern
    };
    const TCase cases[] = {
        {{},
         0,
         "\\{\"ok\":true,\"count\":3,\"answered\":3,\"lost\":0,\"min_ms\":" + time + ",\"median_ms\":" + time +
             ",\"avg_ms\":" + time + ",\"max_ms\":" + time + "\\}\n",
         "(seq=[123] time=" + time + " ms\n){3}3 sent, 3 answered, 0 lost, min/median/avg/max (" + time + "/){3}" +
             time + " ms\n"},
        {{"--drop", "100"},
         1,
         "\\{\"ok\":false,\"count\":3,\"answered\":0,\"lost\":3,\"min_ms\":null,\"median_ms\":null,"
         "\"avg_ms\":null,\"max_ms\":null\\}\n",
         "(seq=[123] lost: no answer from the module\n){3}3 sent, 0 answered, 3 lost, min/median/avg/max -\n"},
    };
    for (const TCase& c : cases) {
        TSimulator sim(c.Faults);
        ASSERT_TRUE(sim.Ready());
        const TProgramRun json = Ping(sim, true, "3");
        EXPECT_EQ(json.Status, c.Status) << json.Out << json.Err;
        EXPECT_TRUE(std::regex_match(json.Out, std::regex(c.Json))) << json.Out;
        const TProgramRun text = Ping(sim, false, "3");
        EXPECT_EQ(text.Status, c.Status);
        EXPECT_TRUE(std::regex_match(text.Out, std::regex(c.Lines))) << text.Out;
        EXPECT_EQ(text.Err, "");
    }
}

TEST(CliPing, AnInterruptedPingEndsWithItsSummary)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    TRunningProgram ping(ProgramPath("VALDRIX_CLI"),
                         {"-c", sim.Connection(), "ping", "--count", "100000", "--interval", "50"});
    ASSERT_EQ(ping.ReadLine(std::chrono::seconds(10)).value_or("").find("seq=1 time="), 0u);
    EXPECT_EQ(ping.Stop(SIGINT), 0);
    std::string last;
    while (const auto line = ping.ReadLine(std::chrono::seconds(10))) last = *line;
    EXPECT_TRUE(std::regex_match(last, std::regex("([0-9]+) sent, \\1 answered, 0 lost, min/median/avg/max .* ms")))
        << last;
}

TEST(CliPing, SummaryOfRoundTrips)
{
    EXPECT_FALSE(SummariseRoundTrips({}).has_value());
    struct TCase {
        std::vector<double> Times;
        double Min, Median, Avg, Max;
    };
    for (const TCase& c : {TCase{{5, 1, 3}, 1, 3, 3, 5}, TCase{{4, 1, 3.5, 2.5}, 1, 3, 2.75, 4}, TCase{{7}, 7, 7, 7, 7}}) {
        const auto s = SummariseRoundTrips(c.Times);
        ASSERT_TRUE(s.has_value());
        EXPECT_DOUBLE_EQ(s->MinMs, c.Min);
        EXPECT_DOUBLE_EQ(s->MedianMs, c.Median);
        EXPECT_DOUBLE_EQ(s->AvgMs, c.Avg);
        EXPECT_DOUBLE_EQ(s->MaxMs, c.Max);
    }
}
