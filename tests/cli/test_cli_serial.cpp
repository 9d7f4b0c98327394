// valdrix-cli over serial lines, end to end: straight to the module simulator on a
// pseudo-terminal linked as COM<n>, and through a serial-to-TCP gateway (ser2net) in
// front of that pseudo-terminal. Also what the client does when the simulator dies under
// it, or when the gateway's serial side is missing.
#include "tests/support/child_processes.h"
#include "tests/support/com_links.h"
#include "tests/support/ser2net_gateway.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <chrono>
#include <memory>

namespace {

namespace fs = std::filesystem;

// The simulator serving its main link on a pseudo-terminal only.
std::unique_ptr<TSimulator> PtySimulator(const std::string& path)
{
    auto sim = std::make_unique<TSimulator>(std::vector<std::string>{"--no-tcp", "--pty", path});
    // The ready line comes after the link exists.
    EXPECT_TRUE(fs::is_symlink(path)) << "the simulator did not create " << path;
    return sim;
}

std::vector<std::string> SerialCli(int comNumber, std::vector<std::string> args)
{
    std::vector<std::string> all = {"-c", "provider=SERIAL_PORT;comport=" + std::to_string(comNumber) +
                                              ";baudrate=115200"};
    all.insert(all.end(), args.begin(), args.end());
    return all;
}

int Lines(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

} // namespace

TEST(CliSerial, MonitorAndRequestsOverAPseudoTerminal)
{
    TComLinks links;
    const auto sim = PtySimulator(links.Port(7));

    const TProgramRun monitor = RunProgram("VALDRIX_CLI", SerialCli(7, {"monitor", "--count", "2"}));
    EXPECT_EQ(monitor.Status, 0) << monitor.Err;
    EXPECT_EQ(Lines(monitor.Out), 2);
    EXPECT_EQ(monitor.Out.rfind("DI 1100001101011010 DO 0000000000 CNT 1001 2002", 0), 0u) << monitor.Out;

    // The port was closed by the first client and opens again for the next one.
    const TProgramRun identify = RunProgram("VALDRIX_CLI", SerialCli(7, {"--json", "identify"}));
    EXPECT_EQ(identify.Status, 0) << identify.Err;
    EXPECT_EQ(identify.Out, "{\"ok\":true,\"identification\":\"Valdrix ; v 1.0 ; SIM\"}\n");
    const TProgramRun outputs = RunProgram("VALDRIX_CLI", SerialCli(7, {"set-output", "4", "on"}));
    EXPECT_EQ(outputs.Status, 0) << outputs.Err;
    EXPECT_EQ(RunProgram("VALDRIX_CLI", SerialCli(7, {"outputs"})).Out, "outputs 0001000000\n");
}

TEST(CliSerial, PortsThatCannotBeOpenedEndTheClientWithAConnectionError)
{
    TComLinks links;
    links.Link(9, "/nonexistent/tty");
    const struct {
        int Com;
        std::string Reason;
    } cases[] = {
        {0, "COM0 has no device: COM1-COM32 are /dev/ttyS0-31"},
        {9, links.Port(9) + " (COM9): No such file or directory; is the device plugged in? ls -l /dev/serial/by-id"},
        {200, "COM200 has no device"},
    };
    for (const auto& c : cases) {
        const TProgramRun run = RunProgram("VALDRIX_CLI", SerialCli(c.Com, {"identify"}));
        EXPECT_EQ(run.Status, 3) << "COM" << c.Com << ": " << run.Out << run.Err;
        EXPECT_EQ(run.Err.find("valdrix-cli: cannot open the connection: " + c.Reason), 0u) << run.Err;
    }
}

TEST(CliSerial, ASimulatorThatDiesEndsTheMonitorWithAFailure)
{
    TComLinks links;
    auto sim = PtySimulator(links.Port(7));
    TRunningProgram monitor(ProgramPath("VALDRIX_CLI"), SerialCli(7, {"monitor"}));
    ASSERT_EQ(monitor.ReadLine(std::chrono::seconds(20)).value_or("").rfind("DI ", 0), 0u)
        << "the monitor never showed the module";

    sim.reset(); // the far end of the line closes
    EXPECT_EQ(monitor.Wait(), 1);
}

TEST(CliSerialGateway, RequestsThroughSer2netToThePseudoTerminal)
{
    if (!fs::exists(Ser2netProgram)) GTEST_SKIP() << "ser2net is not installed (" << Ser2netProgram << ")";
    TComLinks links;
    const std::string pty = links.Port(7);
    TSer2netGateway gateway(links.Path(), pty);
    ASSERT_TRUE(gateway.Ready()) << "ser2net did not start listening";

    // No simulator yet: the gateway answers with its own "Device open failure" text
    // and hangs up. That text is no answer from the module.
    const TProgramRun noDevice = RunProgram("VALDRIX_CLI", {"-c", gateway.Connection(), "identify"});
    EXPECT_TRUE(noDevice.Status == 1 || noDevice.Status == 3) << noDevice.Status << noDevice.Out << noDevice.Err;
    EXPECT_EQ(noDevice.Out.find("Valdrix"), std::string::npos);

    const auto sim = PtySimulator(pty);
    const TProgramRun identify = RunProgram("VALDRIX_CLI", {"-c", gateway.Connection(), "--json", "identify"});
    EXPECT_EQ(identify.Status, 0) << identify.Err;
    EXPECT_EQ(identify.Out, "{\"ok\":true,\"identification\":\"Valdrix ; v 1.0 ; SIM\"}\n");
    const TProgramRun monitor = RunProgram("VALDRIX_CLI", {"-c", gateway.Connection(), "monitor", "--count", "2"});
    EXPECT_EQ(monitor.Status, 0) << monitor.Err;
    EXPECT_EQ(Lines(monitor.Out), 2);
}
