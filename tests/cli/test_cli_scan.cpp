// valdrix-cli on a link with several modules (the simulator's --modules): the scan of an
// address range, -a choosing the module, and set-address moving one.
#include "tests/support/child_processes.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace {

// Modules 0x31, 0x32 and 0x33; module k (from 0) has the serial numbers 1, 12345 + k, 12345678 + k.
const std::vector<std::string> ThreeModules = {"--modules", "3"};

TProgramRun Cli(const TSimulator& sim, std::vector<std::string> args)
{
    args.insert(args.begin(), {"-c", sim.Connection()});
    return RunProgram("VALDRIX_CLI", args);
}

// The text lines of a scan of A..B with a short time-out per address.
std::string Scan(const TSimulator& sim, const std::string& from, const std::string& to)
{
    const TProgramRun run = Cli(sim, {"scan", "--from", from, "--to", to, "--timeout", "50"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    return run.Out;
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
    } cases[] = {
        {"0x2F", "0x36", Found(0x31, 0) + Found(0x32, 1) + Found(0x33, 2)},
        {"50", "0x40", Found(0x32, 1) + Found(0x33, 2)},
        {"0x31", "49", Found(0x31, 0)},
        {"1", "3", "no module answered\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(Scan(sim, c.From, c.To), c.Listed) << c.From << ".." << c.To;

    const TProgramRun json = Cli(sim, {"--json", "scan", "--from", "0x30", "--to", "0x34", "--timeout", "50"});
    EXPECT_EQ(json.Status, 0);
    EXPECT_EQ(nlohmann::json::parse(json.Out, nullptr, false),
              nlohmann::json::parse(R"({"ok":true,"modules":[
                  {"address":49,"identification":"Valdrix ; v 1.0 ; SIM","serial":[1,12345,12345678]},
                  {"address":50,"identification":"Valdrix ; v 1.0 ; SIM","serial":[1,12346,12345679]},
                  {"address":51,"identification":"Valdrix ; v 1.0 ; SIM","serial":[1,12347,12345680]}]})"))
        << json.Out;
}

TEST(CliScan, ShowsItsProgressOnATerminalOnly)
{
    TSimulator sim(ThreeModules);
    ASSERT_TRUE(sim.Ready());
    const std::string shown =
        OnTerminal({"-c", sim.Connection(), "scan", "--from", "0x32", "--to", "0x34", "--timeout", "50"});
    // The terminal turns each newline into a carriage return and a newline.
    EXPECT_EQ(shown, "\rscanning 0x32 (1/3)\rscanning 0x33 (2/3)\rscanning 0x34 (3/3)\r                   \r" +
                         std::string("0x32 (50) serial 1 12346 12345679: Valdrix ; v 1.0 ; SIM\r\n") +
                         "0x33 (51) serial 1 12347 12345680: Valdrix ; v 1.0 ; SIM\r\n");
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
