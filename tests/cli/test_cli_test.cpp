// valdrix-cli test: production test runs of the sample plan against the simulator on its
// loopback jig, through the real program: the exit status by verdict, the record and
// JUnit file it leaves (checked against the schema and read by junitparser), and runs
// that end early (a plan with faults, the module gone, a stop signal, a prompt nobody
// can answer).
#include "tests/cli/cli_run.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using namespace std::chrono_literals;

std::string SourcePath(const std::string& relative) { return std::string(std::getenv("VALDRIX_SOURCE_DIR")) + relative; }

// A temporary folder for plans, records and JUnit files.
class TFolder {
public:
    TFolder()
    {
        char name[] = "/tmp/valdrix-cli-test-XXXXXX";
        FPath = ::mkdtemp(name);
    }
    ~TFolder() { std::filesystem::remove_all(FPath); }
    std::string operator/(const std::string& name) const { return FPath + "/" + name; }
    std::string Write(const std::string& name, const std::string& text) const
    {
        std::ofstream(*this / name) << text;
        return *this / name;
    }

private:
    std::string FPath;
};

// The simulator on the loopback jig with its clock running.
std::vector<std::string> Jig(const std::vector<std::string>& faults = {})
{
    std::vector<std::string> args{"--jig", "loopback"};
    args.insert(args.end(), faults.begin(), faults.end());
    return args;
}

// The test command's arguments for the sample plan, recording into the folder.
std::vector<std::string> SampleRun(const TSimulator& sim, const TFolder& folder, const std::string& plan = {})
{
    return {"-c", sim.Connection(), "test", plan.empty() ? SourcePath("/examples/loopback.toml") : plan,
            "--unit", "A1234", "--operator", "novak", "--station", "S1", "--record-dir", folder / "records",
            "--junit", folder / "junit.xml", "--rs485", sim.RS485Connection()};
}

// The record's path from the text output's last "record PATH" line.
std::string RecordPath(const std::string& out)
{
    const size_t at = out.rfind("\nrecord ");
    if (at == std::string::npos) return {};
    return out.substr(at + 8, out.find('\n', at + 1) - at - 8);
}

// tests/station/check_record.py: "verdict V" and, with a JUnit file, its counts.
TProgramRun CheckRecord(const std::string& record, const std::string& junit = {})
{
    std::vector<std::string> args{SourcePath("/tests/station/check_record.py"), SourcePath("/docs/record.schema.json"),
                                  record};
    if (!junit.empty()) args.push_back(junit);
    return RunProgramAt("/usr/bin/python3", args, 30s);
}

// The simulator's jig faults each fail their own measurements (what check_record.py
// prints of the record and the JUnit file).
struct TVerdictCase {
    const char* Name;
    std::vector<std::string> Faults;
    int Status;
    const char* Checked;
};

class CliTestVerdicts : public testing::TestWithParam<TVerdictCase> {};

TEST_P(CliTestVerdicts, ExitStatusRecordAndJUnitFollowTheVerdict)
{
    const TVerdictCase& c = GetParam();
    TSimulator sim(Jig(c.Faults), false);
    ASSERT_TRUE(sim.Ready());
    TFolder folder;
    const TProgramRun run = RunProgram("VALDRIX_CLI", SampleRun(sim, folder), CliRunDeadline);
    EXPECT_EQ(run.Status, c.Status) << run.Out << run.Err;
    const std::string record = RecordPath(run.Out);
    ASSERT_EQ(std::filesystem::path(record).parent_path(), folder / "records") << run.Out;
    const TProgramRun check = CheckRecord(record, folder / "junit.xml");
    EXPECT_EQ(check.Status, 0) << check.Err;
    EXPECT_EQ(check.Out, c.Checked);
}

INSTANTIATE_TEST_SUITE_P(
    Jig, CliTestVerdicts,
    testing::Values(
        TVerdictCase{"pass", {}, 0, "verdict PASS\njunit tests=34 failures=0 errors=0 skipped=0\n"},
        TVerdictCase{"stuck_input", {"--jig-fault", "stuck-input:3"}, 1,
                     "verdict FAIL\njunit tests=12 failures=1 errors=0 skipped=0\n"
                     "Digitální výstupy a vstupy / DO3 -> DI3: failure\n"},
        TVerdictCase{"analog", {"--jig-fault", "analog:2"}, 1,
                     "verdict FAIL\njunit tests=25 failures=3 errors=0 skipped=0\n"
                     "Analogové výstupy a vstupy / AO2 -> AI2 at 2 V: failure\n"
                     "Analogové výstupy a vstupy / AO2 -> AI2 at 5 V: failure\n"
                     "Analogové výstupy a vstupy / AO2 -> AI2 at 8 V: failure\n"},
        TVerdictCase{"dead_thermometer", {"--jig-fault", "dead-thermometer:2"}, 1,
                     "verdict FAIL\njunit tests=29 failures=1 errors=0 skipped=0\nTeploměry / T2: failure\n"},
        TVerdictCase{"clock_drift", {"--jig-fault", "clock-drift"}, 1,
                     "verdict FAIL\njunit tests=30 failures=1 errors=0 skipped=0\nHodiny / clock: failure\n"}),
    [](const testing::TestParamInfo<TVerdictCase>& info) { return std::string(info.param.Name); });

// A plan with faults is refused before anything is connected (the connection here leads
// nowhere): every fault with its line and column, on stderr or as the JSON error.
TEST(CliTest, APlanWithFaultsIsAUsageErrorWithEveryFaultsLineAndColumn)
{
    TFolder folder;
    const std::string plan = folder.Write("bad.toml", "[plan]\nname = \"x\"\nversion = \"1\"\n\n[[step]]\nkind = \"digitl\"\n\n"
                                                      "[[step]]\nkind = \"clock\"\nwait_ms = -5\ntolerance_s = 1\n");
    const std::string nowhere = LoopbackConnection(1);
    const TProgramRun text = Cli(nowhere, {"test", plan, "--record-dir", folder / "records"});
    EXPECT_EQ(text.Status, 2);
    EXPECT_NE(text.Err.find(plan + ":6:8: step 1: unknown kind \"digitl\""), std::string::npos) << text.Err;
    EXPECT_NE(text.Err.find(plan + ":10:11: step 2: \"wait_ms\""), std::string::npos) << text.Err;
    const TProgramRun json = Cli(nowhere, {"test", plan, "--json"});
    EXPECT_EQ(json.Status, 2);
    EXPECT_EQ(json.Out.rfind("{\"ok\":false,\"error\":\"the test plan has faults:\\n" + plan + ":6:8:", 0), 0u) << json.Out;
    EXPECT_FALSE(std::filesystem::exists(folder / "records"));
}

// The names of a run go into its record, the stores and the record's file name: a name
// that is not UTF-8 or is longer than 128 characters is refused before anything is
// connected (the connection here leads nowhere).
TEST(CliTest, NamesThatAreNotUtf8OrTooLongAreUsageErrors)
{
    TFolder folder;
    const struct {
        const char* Option;
        std::string Value;
        const char* Error;
    } cases[] = {
        {"--unit", "A\xC8", "valdrix-cli: --unit: not UTF-8 text"},
        {"--operator", "Nov\xE1k", "valdrix-cli: --operator: not UTF-8 text"},
        {"--station", "\xC4\x8C\xC4", "valdrix-cli: --station: not UTF-8 text"},
        {"--unit", std::string(129, 'U'), "valdrix-cli: --unit: longer than 128 characters"},
        {"--operator", [] {
             std::string name;
             for (int i = 0; i < 129; ++i) name += "Č";
             return name;
         }(),
         "valdrix-cli: --operator: longer than 128 characters"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Error);
        const TProgramRun run = Cli(LoopbackConnection(1), {"test", SourcePath("/examples/loopback.toml"), c.Option,
                                                            c.Value, "--record-dir", folder / "records"});
        EXPECT_EQ(run.Status, 2);
        EXPECT_EQ(run.Err.rfind(c.Error, 0), 0u) << run.Err;
    }
}

// A module's windows-1250 identification and a Czech operator typed in UTF-8 reach the
// record and the station's store as the same letters; a unit id of 128 characters too.
TEST(CliTest, AWindows1250IdentificationAndCzechNamesAreStoredRight)
{
    TSimulator sim(Jig({"--identification", "Valdrix ; v 1.0 ; SIM \\xC8"}), false);
    ASSERT_TRUE(sim.Ready());
    TFolder folder;
    std::vector<std::string> args = SampleRun(sim, folder);
    const std::string unit(128, 'U');
    args[5] = unit;
    args[7] = "Žofie Nováková";
    args.insert(args.end(), {"--records", folder / "store.sqlite"});
    const TProgramRun run = RunProgram("VALDRIX_CLI", args, CliRunDeadline);
    EXPECT_EQ(run.Status, 0) << run.Out << run.Err;
    EXPECT_NE(run.Out.find("(Valdrix ; v 1.0 ; SIM Č)"), std::string::npos) << run.Out;
    std::ifstream file(RecordPath(run.Out));
    const nlohmann::json record = nlohmann::json::parse(file, nullptr, false);
    ASSERT_FALSE(record.is_discarded()) << run.Out;
    EXPECT_EQ(record["unit"]["identification"], "Valdrix ; v 1.0 ; SIM Č");
    EXPECT_EQ(record["operator"], "Žofie Nováková");
    const TProgramRun runs = Cli(sim, {"records", "runs", "--records", folder / "store.sqlite", "--csv"});
    EXPECT_EQ(runs.Status, 0) << runs.Err;
    EXPECT_NE(runs.Out.find("," + unit + ","), std::string::npos) << runs.Out;
    EXPECT_NE(runs.Out.find(",Žofie Nováková,"), std::string::npos) << runs.Out;
}

// Runs that end early still leave a valid record with their verdict: a connection that
// cannot be made, the module unplugged mid-run, a stop signal mid-run (its pause ends at
// once), a prompt with nobody at a terminal to answer it.
struct TEarlyEndCase {
    const char* Name;
    enum { NoModule, KillModule, Interrupt, Prompt } How;
    int Status;
    const char* Verdict;
};

class CliTestEarlyEnds : public testing::TestWithParam<TEarlyEndCase> {};

TEST_P(CliTestEarlyEnds, LeaveAValidRecordWithTheirVerdict)
{
    const TEarlyEndCase& c = GetParam();
    TSimulator sim(Jig(), false);
    ASSERT_TRUE(sim.Ready());
    TFolder folder;
    std::vector<std::string> args = SampleRun(sim, folder);
    if (c.How == TEarlyEndCase::NoModule) args[1] = LoopbackConnection(1);
    if (c.How == TEarlyEndCase::Prompt)
        args[3] = folder.Write("prompt.toml", "[plan]\nname = \"p\"\nversion = \"1\"\n\n[[step]]\nkind = \"prompt\"\n"
                                              "text = \"Připojte 5,000 V na AI1 a potvrďte\"\n");
    TRunningProgram cli(ProgramPath("VALDRIX_CLI"), args);
    std::string out;
    // The clock step waits a whole second: the run is stopped or loses its module there.
    while (c.How == TEarlyEndCase::KillModule || c.How == TEarlyEndCase::Interrupt) {
        const std::optional<std::string> line = cli.ReadLine(20s);
        ASSERT_TRUE(line) << out;
        out += *line + "\n";
        if (line->rfind("step [6/9]", 0) != 0) continue;
        if (c.How == TEarlyEndCase::KillModule) sim.Kill();
        else ::kill(cli.Pid(), SIGINT);
        break;
    }
    while (const std::optional<std::string> line = cli.ReadLine(20s)) out += *line + "\n";
    EXPECT_EQ(cli.Wait(), c.Status) << out;
    const TProgramRun check = CheckRecord(RecordPath("\n" + out));
    EXPECT_EQ(check.Status, 0) << out << check.Out << check.Err;
    EXPECT_EQ(check.Out, std::string("verdict ") + c.Verdict + "\n") << out;
}

INSTANTIATE_TEST_SUITE_P(Runs, CliTestEarlyEnds,
                         testing::Values(TEarlyEndCase{"no_module", TEarlyEndCase::NoModule, 3, "ERROR"},
                                         TEarlyEndCase{"module_killed", TEarlyEndCase::KillModule, 3, "ERROR"},
                                         TEarlyEndCase{"interrupted", TEarlyEndCase::Interrupt, 4, "ABORTED"},
                                         TEarlyEndCase{"prompt_without_terminal", TEarlyEndCase::Prompt, 4, "ABORTED"}),
                         [](const testing::TestParamInfo<TEarlyEndCase>& info) { return std::string(info.param.Name); });

} // namespace
