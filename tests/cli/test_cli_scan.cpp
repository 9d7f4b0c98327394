// valdrix-cli on a link with several modules (the simulator's --modules): the scan of an
// address range, -a choosing the module, and set-address moving one; modules that refuse
// or answer late are found all the same.
#include "tests/cli/cli_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <regex>

namespace {

// Modules 0x31, 0x32 and 0x33; module k (from 0) has the serial numbers 1, 12345 + k, 12345678 + k.
const std::vector<std::string> ThreeModules = {"--modules", "3"};

// The text lines of a scan of A..B with a short time-out per address, which ends with
// this exit status (0: modules found, all answered normally).
std::string Scan(const TSimulator& sim, const std::string& from, const std::string& to, int status = 0)
{
    const TProgramRun run = Cli(sim, {"scan", "--from", from, "--to", to, "--timeout", "50"});
    EXPECT_EQ(run.Status, status) << from << ".." << to << ": " << run.Err;
    return run.Out;
}

// The JSON lines a program printed.
std::vector<nlohmann::json> JsonLines(const std::string& out)
{
    std::vector<nlohmann::json> lines;
    for (size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(nlohmann::json::parse(out.substr(start, end - start), nullptr, false));
    return lines;
}

std::string Found(int address, int index)
{
    char line[96];
    std::snprintf(line, sizeof line, "0x%02X (%d) serial 1 %d %d: Valdrix ; v 1.0 ; SIM\n", address, address,
                  12345 + index, 12345678 + index);
    return line;
}

// Runs valdrix-cli with its standard output on a pseudo-terminal; what the terminal showed.
std::string OnTerminal(const std::vector<std::string>& args)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return "no pseudo-terminal";
    // Held open here as well, so that what the program wrote stays readable after it ended.
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    const pid_t pid = SpawnProgram(ProgramPath("VALDRIX_CLI"), args, slave, STDERR_FILENO);
    std::string shown;
    const auto drain = [&] {
        char buffer[1024];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, size_t(n));
    };
    while (::waitpid(pid, nullptr, WNOHANG) == 0) {
        pollfd p{master, POLLIN, 0};
        ::poll(&p, 1, 50);
        drain();
    }
    drain();
    ::close(slave);
    ::close(master);
    return shown;
}

} // namespace

TEST(CliScan, ListsTheModulesThatAnswerWithinTheRange)
{
    TSimulator sim(ThreeModules);
    ASSERT_TRUE(sim.Ready());
    const struct {
        const char* From;
        const char* To;
        std::string Listed;
        int Status;
    } cases[] = {
        {"0x2F", "0x36", Found(0x31, 0) + Found(0x32, 1) + Found(0x33, 2), 0},
        {"50", "0x40", Found(0x32, 1) + Found(0x33, 2), 0},
        {"0x31", "49", Found(0x31, 0), 0},
        {"1", "3", "no module answered\n", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(Scan(sim, c.From, c.To, c.Status), c.Listed) << c.From << ".." << c.To;

    // A line per module as it is found, then the whole list.
    const TProgramRun json = Cli(sim, {"--json", "scan", "--from", "0x30", "--to", "0x34", "--timeout", "50"});
    EXPECT_EQ(json.Status, 0);
    const auto module = [](int address, int index) {
        return nlohmann::json{{"address", address},
                              {"answer", "identification"},
                              {"identification", "Valdrix ; v 1.0 ; SIM"},
                              {"serial", {1, 12345 + index, 12345678 + index}}};
    };
    const nlohmann::json modules = {module(0x31, 0), module(0x32, 1), module(0x33, 2)};
    EXPECT_EQ(JsonLines(json.Out),
              (std::vector<nlohmann::json>{
                  modules[0], modules[1], modules[2], {{"ok", true}, {"modules", modules}, {"interrupted", false}}}))
        << json.Out;
    const TProgramRun none = Cli(sim, {"--json", "scan", "--from", "1", "--to", "2", "--timeout", "50"});
    EXPECT_EQ(none.Status, 1);
    EXPECT_EQ(JsonLines(none.Out), (std::vector<nlohmann::json>{{{"ok", false},
                                                                 {"modules", nlohmann::json::array()},
                                                                 {"interrupted", false},
                                                                 {"error", "no module answered"}}}))
        << none.Out;
}

TEST(CliScan, ModulesThatRefuseOrAnswerLateAreFoundToo)
{
    const std::string late = ": answered the identification request after the time-out of 100 ms; a longer "
                             "--timeout may help\n";
    const std::string refused = ": refused the identification request (acknowledge code 1)\n";
    const struct {
        std::vector<std::string> Switches;
        std::string From, To, Timeout;
        std::string Listed;
        int Status;
    } cases[] = {
        {{"--modules", "2", "--refuse", "F3:01"},
         "0x30",
         "0x33",
         "100",
         "0x31 (49) serial 1 12345 12345678" + refused + "0x32 (50) serial 1 12346 12345679" + refused,
         1},
        // The late answer comes while the next address is asked, or while the scan waits
        // after the last one.
        {{"--delay", "150"}, "0x31", "0x33", "100", "0x31 (49) serial -" + late, 1},
        {{"--delay", "150"}, "0x31", "0x31", "100", "0x31 (49) serial -" + late, 1},
        {{"--delay", "150"}, "0x30", "0x32", "300", Found(0x31, 0), 0},
    };
    for (const auto& c : cases) {
        TSimulator sim(c.Switches);
        ASSERT_TRUE(sim.Ready());
        const TProgramRun run = Cli(sim, {"scan", "--from", c.From, "--to", c.To, "--timeout", c.Timeout});
        EXPECT_EQ(run.Out, c.Listed) << c.Switches[0];
        EXPECT_EQ(run.Status, c.Status) << c.Switches[0] << run.Err;
    }

    TSimulator refusing({"--refuse", "F3:05"});
    ASSERT_TRUE(refusing.Ready());
    const TProgramRun json = Cli(refusing, {"--json", "scan", "--from", "0x31", "--to", "0x31"});
    const nlohmann::json module = {
        {"address", 0x31}, {"answer", "refused"}, {"ack", 5}, {"serial", {1, 12345, 12345678}}};
    EXPECT_EQ(json.Status, 1);
    EXPECT_EQ(JsonLines(json.Out),
              (std::vector<nlohmann::json>{
                  module,
                  {{"ok", false},
                   {"modules", {module}},
                   {"interrupted", false},
                   {"error", "1 of 1 modules did not answer the identification request normally (refused, invalid "
                             "or late)"}}}))
        << json.Out;
}

TEST(CliScan, InterruptedScanShowsWhatItFound)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    for (const bool json : {false, true}) {
        std::vector<std::string> args = {"-c", sim.Connection(), "scan", "--from", "0x30", "--timeout", "100"};
        if (json) args.push_back("--json");
        TRunningProgram scan(ProgramPath("VALDRIX_CLI"), args);
        // The module at 0x31 is shown as soon as it is found, long before the scan of the
        // 206 addresses up to 0xFD could end.
        const std::string found = scan.ReadLine(std::chrono::seconds(20)).value_or("");
        EXPECT_EQ(found, json ? R"({"address":49,"answer":"identification","identification":"Valdrix ; v 1.0 ; SIM",)"
                                R"("serial":[1,12345,12345678]})"
                              : Found(0x31, 0).substr(0, Found(0x31, 0).size() - 1));
        EXPECT_EQ(scan.Stop(SIGINT), 0) << "found a module that answered normally";
        const std::string last = scan.ReadLine(std::chrono::seconds(10)).value_or("");
        if (json) {
            const nlohmann::json summary = nlohmann::json::parse(last, nullptr, false);
            EXPECT_EQ(summary.value("interrupted", false), true) << last;
            EXPECT_EQ(summary.value("ok", false), true) << last;
            EXPECT_EQ(summary["modules"].size(), 1u) << last;
        } else {
            EXPECT_TRUE(std::regex_match(last, std::regex("interrupted before 0x[0-9A-F]{2} \\([0-9]+\\)"))) << last;
        }
        EXPECT_EQ(scan.ReadLine(std::chrono::seconds(1)), std::nullopt);
    }
}

TEST(CliScan, ShowsItsProgressOnATerminalOnly)
{
    TSimulator sim(ThreeModules);
    ASSERT_TRUE(sim.Ready());
    const std::string shown =
        OnTerminal({"-c", sim.Connection(), "scan", "--from", "0x32", "--to", "0x34", "--timeout", "50"});
    // The terminal turns each newline into a carriage return and a newline.
    // Each module's line as it is found, with the progress cleared before it.
    const std::string cleared = "\r                   \r";
    EXPECT_EQ(shown, "\rscanning 0x32 (1/3)" + cleared +
                         "0x32 (50) serial 1 12346 12345679: Valdrix ; v 1.0 ; SIM\r\n" + "\rscanning 0x33 (2/3)" +
                         cleared + "0x33 (51) serial 1 12347 12345680: Valdrix ; v 1.0 ; SIM\r\n" +
                         "\rscanning 0x34 (3/3)" + cleared);
    EXPECT_EQ(OnTerminal({"-c", sim.Connection(), "--json", "scan", "--from", "0x33", "--to", "0x33"}).find("scanning"),
              std::string::npos);
}

TEST(CliAddress, CommandsTalkToTheModuleThatDashANames)
{
    TSimulator sim(ThreeModules);
    ASSERT_TRUE(sim.Ready());
    EXPECT_EQ(Cli(sim, {"-a", "0x32", "set-output", "3", "on"}).Status, 0);
    EXPECT_EQ(Cli(sim, {"--address=50", "outputs"}).Out, "outputs 0010000000\n");
    EXPECT_EQ(Cli(sim, {"outputs"}).Out, "outputs 0000000000\n") << "the first module keeps its own outputs";
    EXPECT_EQ(Cli(sim, {"ping", "-a", "51", "--count", "1", "--interval", "0"}).Status, 0);
    EXPECT_EQ(Cli(sim, {"ping", "-a", "52", "--count", "1", "--timeout", "100"}).Status, 1);
}

TEST(CliAddress, SetAddressMovesTheModuleAndRefusesATakenAddress)
{
    TSimulator sim(ThreeModules);
    ASSERT_TRUE(sim.Ready());
    const TProgramRun taken = Cli(sim, {"--json", "--timeout", "300", "set-address", "0x33"});
    EXPECT_EQ(taken.Status, 1);
    EXPECT_EQ(nlohmann::json::parse(taken.Out, nullptr, false).value("error", ""),
              "another module already answers at 0x33 (51)")
        << taken.Out;

    const TProgramRun moved = Cli(sim, {"-a", "0x32", "--timeout", "300", "set-address", "0x40"});
    EXPECT_EQ(moved.Status, 0) << moved.Err;
    EXPECT_EQ(moved.Out, "address 0x40 (64)\n");
    EXPECT_EQ(Scan(sim, "0x30", "0x41"), Found(0x31, 0) + Found(0x33, 2) + Found(0x40, 1));
}

TEST(CliAddress, ARefusedAddressChangeIsReported)
{
    // The module refuses the enable-configuration request that must come first.
    TSimulator sim({"--refuse", "E4:03"});
    ASSERT_TRUE(sim.Ready());
    const TProgramRun run = Cli(sim, {"set-address", "0x40", "--timeout", "300"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("the address change failed: the module refused the request (acknowledge code 3)"),
              std::string::npos)
        << run.Err;
    EXPECT_EQ(Scan(sim, "0x31", "0x31"), Found(0x31, 0));
}

TEST(CliAddress, SetAddressRefusesATargetWhereAnythingAnswers)
{
    const struct {
        std::vector<std::string> Switches;
        std::string Why;
        int Stayed; // the exit status of reading the first module's outputs at 0x31 afterwards
    } cases[] = {
        {{"--refuse", "F3:01"}, ": it refused the identification request (acknowledge code 1)", 0},
        // Later than the time-out of 300 ms, within the one more the command waits.
        {{"--delay", "450"}, ": it answered after the time-out", 0},
        {{"--corrupt", "100"}, ": bytes came back, but no valid answer", 1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> switches = {"--modules", "2"};
        switches.insert(switches.end(), c.Switches.begin(), c.Switches.end());
        TSimulator sim(switches);
        ASSERT_TRUE(sim.Ready());
        const TProgramRun run = Cli(sim, {"--json", "--timeout", "300", "set-address", "0x32"});
        EXPECT_EQ(run.Status, 1) << c.Switches[0];
        EXPECT_EQ(nlohmann::json::parse(run.Out, nullptr, false).value("error", ""),
                  "another module already answers at 0x32 (50)" + c.Why)
            << run.Out;
        // Nothing was moved: the module at 0x31 still answers there.
        EXPECT_EQ(Cli(sim, {"--timeout", "1000", "outputs"}).Status, c.Stayed) << c.Switches[0];
    }
}
