// valdrix-cli's command line as users write it: options in either form and on either
// side of the command, "--", help and version, the default connection from the
// environment, and short usage errors.
#include "tests/support/child_processes.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>

namespace {

// Sets an environment variable for the programs started while it lives.
class TEnvironment {
public:
    TEnvironment(const char* name, const std::string& value) : FName(name) { ::setenv(name, value.c_str(), 1); }
    ~TEnvironment() { ::unsetenv(FName); }

private:
    const char* FName;
};

} // namespace

TEST(CliOptions, OptionsInEveryFormAndPlace)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    const std::string c = sim.Connection();
    const auto identification = nlohmann::json{{"ok", true}, {"identification", "Valdrix ; v 1.0 ; SIM"}};
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-c", c, "--json", "identify"},
             {"--connection=" + c, "identify", "--json"},
             {"identify", "--json", "-c", c},
             {"--json", "--timeout=500", "identify", "--connection", c},
             {"identify", "-c", c, "--json", "--"}}) {
        const TProgramRun run = RunProgram("VALDRIX_CLI", args);
        EXPECT_EQ(run.Status, 0) << args[0] << run.Err;
        EXPECT_EQ(nlohmann::json::parse(run.Out, nullptr, false), identification) << args[0] << ": " << run.Out;
    }
    // After "--" a value may start with "-".
    const TProgramRun negative = RunProgram("VALDRIX_CLI", {"-c", c, "--json", "analog-output", "3", "--", "-100"});
    EXPECT_EQ(negative.Status, 0) << negative.Err;
    // A command's own options take "=" too.
    const TProgramRun ping = RunProgram("VALDRIX_CLI", {"ping", "--count=2", "-c", c, "--interval=0", "--json"});
    EXPECT_EQ(nlohmann::json::parse(ping.Out, nullptr, false).value("answered", -1), 2) << ping.Out << ping.Err;
}

TEST(CliOptions, TheDefaultConnectionComesFromTheEnvironment)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    TEnvironment connection("VALDRIX_CONNECTION", sim.Connection());
    EXPECT_EQ(RunProgram("VALDRIX_CLI", {"inputs"}).Out, "inputs 1100001101011010\n");
    // -c still wins.
    const std::string nobody = "provider=SERIAL_PORT;comport=0";
    EXPECT_EQ(RunProgram("VALDRIX_CLI", {"-c", nobody, "inputs"}).Status, 3);
}

TEST(CliOptions, HelpVersionAndUsageErrors)
{
    for (const char* help : {"-h", "--help"}) {
        const TProgramRun run = RunProgram("VALDRIX_CLI", {"monitor", help});
        EXPECT_EQ(run.Status, 0) << help;
        EXPECT_EQ(run.Out.rfind("Usage: valdrix-cli ", 0), 0u) << help;
    }
    const TProgramRun version = RunProgram("VALDRIX_CLI", {"--version"});
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Out, std::string("valdrix-cli ") + VALDRIX_VERSION + "\n");

    const TProgramRun bad = RunProgram("VALDRIX_CLI", {"identify", "--bogus"});
    EXPECT_EQ(bad.Status, 2);
    EXPECT_EQ(bad.Out, "");
    EXPECT_EQ(bad.Err.substr(bad.Err.find('\n') + 1), "Try 'valdrix-cli --help' for more information.\n") << bad.Err;
    EXPECT_EQ(std::count(bad.Err.begin(), bad.Err.end(), '\n'), 2) << "a short message, not the whole usage";
}

TEST(CliOptions, UsageErrorsSayWhatIsWrongInTextAndInJson)
{
    const struct {
        std::vector<std::string> Args;
        std::string Reason;
    } cases[] = {
        {{"bogus"}, "unknown command \"bogus\""},
        {{"-a", "0x32", "bogus", "now"}, "unknown command \"bogus\""},
        {{"identify", "extra"}, "The following argument was not expected: extra"},
        {{"--timeout", "0", "identify"}, "time-out must be a whole number from 1 to 600000, not \"0\""},
        {{"-c", "provider=FOO", "identify"}, "unknown provider \"FOO\" in the connection string"},
        {{"-c", "host=127.0.0.1;port=1", "identify"},
         "the connection string \"host=127.0.0.1;port=1\" names no provider (provider=...)"},
        {{"set-range", "1", "99"}, "range code must be a whole number from 0 to 6, not \"99\""},
    };
    for (const auto& c : cases) {
        const TProgramRun text = RunProgram("VALDRIX_CLI", c.Args);
        EXPECT_EQ(text.Status, 2) << c.Reason;
        EXPECT_EQ(text.Out, "");
        EXPECT_EQ(text.Err, "valdrix-cli: " + c.Reason + "\nTry 'valdrix-cli --help' for more information.\n");

        std::vector<std::string> args = c.Args;
        args.push_back("--json");
        const TProgramRun json = RunProgram("VALDRIX_CLI", args);
        EXPECT_EQ(json.Status, 2) << c.Reason;
        EXPECT_EQ(nlohmann::json::parse(json.Out, nullptr, false), (nlohmann::json{{"ok", false}, {"error", c.Reason}}))
            << json.Out;
        EXPECT_EQ(json.Err, "");
    }
}
