// Fault injection against valdrix-cli: the simulator's fault switches, links that go
// away under a running client, and peers that flood, trickle or stay silent. Each run
// must end by itself within a deadline with the status and message a user can act on,
// and the next run against a healthy module must work.
#include "tests/cli/cli_run.h"
#include "tests/support/com_links.h"
#include "tests/support/fault_peers.h"
#include "tests/support/ser2net_gateway.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

// g++ names AddressSanitizer with a macro, clang as a feature.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool BuiltWithAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool BuiltWithAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool BuiltWithAddressSanitizer = false;
#endif

namespace {

using namespace std::chrono_literals;

const std::string Identification = "Valdrix ; v 1.0 ; SIM\n";

// A healthy module answers a new run at once, whatever the run before met.
TProgramRun ExpectNextRunWorks(const std::string& connection)
{
    const TProgramRun run = Cli(connection, {"identify"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, Identification);
    return run;
}

struct TExpectedEnd {
    int Status;
    std::string Out;    // the start of the standard output
    std::string Reason; // within the standard error; empty: nothing there
};

void ExpectEnd(const TProgramRun& run, const TExpectedEnd& end)
{
    ASSERT_FALSE(run.Hung) << "still running after " << CliRunDeadline.count() << " s";
    EXPECT_EQ(run.Status, end.Status) << run.Out << run.Err;
    EXPECT_EQ(run.Out.rfind(end.Out, 0), 0u) << run.Out;
    if (end.Reason.empty())
        EXPECT_EQ(run.Err, "");
    else
        EXPECT_NE(run.Err.find("valdrix-cli: " + end.Reason), std::string::npos) << run.Err;
}

} // namespace

TEST(CliFaultSwitches, EachSwitchEndsTheRunWithItsStatusAndReason)
{
    const TSimulator healthy;
    ASSERT_TRUE(healthy.Ready());
    const struct {
        std::vector<std::string> Switches, Command;
        TExpectedEnd End;
    } cases[] = {
        {{"--drop", "100"}, {"--timeout", "300", "identify"}, {1, "", "no answer from the module (last result 2"}},
        {{"--corrupt", "100"}, {"--timeout", "300", "identify"}, {1, "", "the module's answer arrived damaged"}},
        {{"--delay", "1500"}, {"identify"}, {1, "", "the module answered too late"}},
        {{"--delay", "300"}, {"identify"}, {0, Identification, ""}},
        {{"--refuse", "F3:01"}, {"identify"}, {1, "", "the module refused the request (acknowledge code 1)"}},
        {{"--garbage", "--seed", "7"}, {"monitor", "--count", "2", "--interval", "0"}, {0, "DI 1100001101011010", ""}},
        // One refresh takes six requests: the link closes during the second.
        {{"--close-after", "8"}, {"monitor", "--interval", "0"}, {1, "DI ", "the link closed (TCPC 127.0.0.1:"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Switches[0]);
        TSimulator sim(c.Switches);
        ASSERT_TRUE(sim.Ready());
        ExpectEnd(Cli(sim.Connection(), c.Command), c.End);
        ExpectNextRunWorks(healthy.Connection());
    }
}

TEST(CliFaultPeers, FloodedTrickledOrSilentAnswersEndInTime)
{
    const TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    const struct {
        TPeerFault Fault;
        std::vector<std::string> Command;
        TExpectedEnd End;
    } cases[] = {
        {TPeerFault::Flood, {"--timeout", "3000", "identify"}, {0, Identification, ""}},
        // An identification answer takes about 3 s to trickle in.
        {TPeerFault::Trickle, {"identify"}, {1, "", "the module's answer was still arriving"}},
        {TPeerFault::Trickle, {"--timeout", "10000", "identify"}, {0, Identification, ""}},
        {TPeerFault::Silent, {"--timeout", "300", "identify"}, {1, "", "no answer from the module"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.Fault));
        const TFaultPeer peer(c.Fault, sim.Port());
        const TProgramRun run = Cli(peer.Connection(), c.Command);
        ExpectEnd(run, c.End);
        // The flood is never held whole, let alone twice. Under AddressSanitizer freed
        // memory waits in its quarantine, so peaks say nothing there.
        const long plainPeakKb = ExpectNextRunWorks(sim.Connection()).PeakResidentKb;
        if (!BuiltWithAddressSanitizer) {
            EXPECT_LT(run.PeakResidentKb, plainPeakKb + long(TFaultPeer::FloodBytes / 1024));
        }
    }
}

namespace {

namespace fs = std::filesystem;

// A link that fails under a running client, and what brings it back.
struct TLinkLoss {
    const char* Name;
    bool NeedsSer2net;
    std::function<std::string()> Start;      // starts the module side; the connection
    std::vector<std::string> Command;         // run against it
    std::function<void()> Break, Restore;     // while the command waits or polls
    std::string Reason;
};

} // namespace

TEST(CliLinkLoss, ALinkLostUnderTheClientEndsItAndTheNextRunWorks)
{
    TComLinks links;
    std::unique_ptr<TSimulator> sim;
    std::unique_ptr<TSer2netGateway> gateway;
    int port = 0;
    const auto ptySim = [&](std::vector<std::string> extra) {
        extra.insert(extra.begin(), {"--no-tcp", "--pty", links.Port(7)});
        sim = std::make_unique<TSimulator>(extra);
        return std::string("provider=SERIAL_PORT;comport=7;baudrate=115200");
    };
    const TLinkLoss cases[] = {
        {"simulator killed while an answer is awaited", false,
         [&] {
             sim = std::make_unique<TSimulator>(std::vector<std::string>{"--delay", "2000"});
             port = sim->Port();
             return sim->Connection();
         },
         {"--timeout", "5000", "identify"},
         [&] { sim->Kill(); },
         [&] { sim = std::make_unique<TSimulator>(SimulatorOnPort(port)); },
         "the link closed (TCPC 127.0.0.1:"},
        {"ser2net stopped while polling", true,
         [&] {
             ptySim({});
             gateway = std::make_unique<TSer2netGateway>(links.Path(), links.Port(7));
             return gateway->Connection();
         },
         {"monitor", "--interval", "0"},
         [&] { gateway->Stop(); },
         [&] { gateway->Restart(); },
         "the link closed (TCPC 127.0.0.1:"},
        {"pseudo-terminal hung up while polling", false, [&] { return ptySim({"--close-after", "20"}); },
         {"monitor", "--interval", "0"}, [] {}, [] {}, "the link closed (COM7)"},
    };
    for (const TLinkLoss& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.NeedsSer2net && !fs::exists(Ser2netProgram)) continue;
        const std::string connection = c.Start();
        std::vector<std::string> args = {"-c", connection};
        args.insert(args.end(), c.Command.begin(), c.Command.end());
        TRunningProgram client(ProgramPath("VALDRIX_CLI"), args, true);
        if (c.Command.back() == "monitor")
            EXPECT_EQ(client.ReadLine(CliRunDeadline).value_or("").rfind("DI ", 0), 0u) << "no module before the loss";
        else
            std::this_thread::sleep_for(300ms); // the request is out, its answer 2 s away
        c.Break();
        std::optional<std::string> line;
        while ((line = client.ReadLine(CliRunDeadline)) && line->rfind("DI ", 0) == 0) {}
        ASSERT_TRUE(line) << "the client did not end";
        EXPECT_EQ(line->find("valdrix-cli: " + c.Reason), 0u) << *line;
        EXPECT_EQ(client.Wait(), 1);
        c.Restore();
        ExpectNextRunWorks(connection);
        gateway.reset();
        sim.reset();
    }
}
