// valdrix-cli --capture: the traffic of a command as a capture that tshark reads with the
// shipped dissector, checked against what the simulator logged.
#include "tests/support/child_processes.h"
#include "tests/support/tshark.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// A temporary folder, removed when destroyed.
class TTempDir {
public:
    TTempDir()
    {
        char pattern[] = "/tmp/valdrix-cli-capture-XXXXXX";
        if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
    }
    ~TTempDir() { std::filesystem::remove_all(FPath); }
    std::string File(const std::string& name) const { return FPath + "/" + name; }

private:
    std::string FPath;
};

// "ADR SIG CODE" of each packet the simulator logged with `direction` ("rx" or "tx"),
// from its --verbose lines "valdrix-sim: main HOST:PORT rx 2A 61 ...".
std::vector<std::string> LoggedPackets(const std::vector<std::string>& log, const std::string& direction)
{
    std::vector<std::string> packets;
    for (const std::string& line : log) {
        const size_t at = line.find(" " + direction + " 2A 61 ");
        if (at == std::string::npos) continue;
        std::istringstream hex(line.substr(at + 4));
        std::vector<unsigned> bytes;
        for (std::string byte; hex >> byte;) bytes.push_back(unsigned(std::stoul(byte, nullptr, 16)));
        if (bytes.size() < 9) continue;
        char text[32];
        std::snprintf(text, sizeof text, "0x%02x 0x%02x %u", bytes[4], bytes[5], bytes[6]);
        packets.push_back(text);
    }
    return packets;
}

// The same of each captured packet in the given role (0 request, 1 answer).
std::vector<std::string> CapturedPackets(const std::string& capture, int role)
{
    std::vector<std::string> packets;
    const std::string code = role == 0 ? "tarvel97.inst" : "tarvel97.ack";
    for (const auto& row : TsharkFields(capture, {"tarvel97.addr", "tarvel97.sig", code},
                                        "tarvel97.role == " + std::to_string(role))) {
        const unsigned value = unsigned(std::stoul(row[2], nullptr, 0));
        packets.push_back(row[0] + " " + row[1] + " " + std::to_string(value));
    }
    return packets;
}

TEST(CliCapture, AMonitorRunMatchesWhatTheSimulatorLogged)
{
    TRunningProgram sim(ProgramPath("VALDRIX_SIM"), {"--port", "0", "--static", "--verbose"}, true);
    const std::string ready = sim.ReadLine(std::chrono::seconds(20)).value_or("");
    const size_t at = ready.find("tcp=127.0.0.1:");
    ASSERT_NE(at, std::string::npos) << ready;
    const std::string connection = LoopbackConnection(std::atoi(ready.c_str() + at + 14));
    TTempDir dir;
    const std::string capture = dir.File("monitor.pcap");
    const TProgramRun run = RunProgram(
        "VALDRIX_CLI", {"-c", connection, "monitor", "--count", "3", "--interval", "0", "--capture", capture},
        std::chrono::seconds(60));
    ASSERT_EQ(run.Status, 0) << run.Err;
    sim.Stop(SIGTERM);
    std::vector<std::string> log;
    while (const auto line = sim.ReadLine(std::chrono::seconds(5))) log.push_back(*line);

    const std::vector<std::string> requests = LoggedPackets(log, "rx");
    ASSERT_GE(requests.size(), 15u); // three refreshes of five groups
    EXPECT_EQ(CapturedPackets(capture, 0), requests);
    EXPECT_EQ(CapturedPackets(capture, 1), LoggedPackets(log, "tx"));
    // Every answer paired with its request, from the one link, named by its connection string.
    const auto rows = TsharkFields(capture, {"tarvel97.request_in", "tarvel97.link", "tarvel97.link_name"},
                                   "tarvel97.role == 1");
    ASSERT_EQ(rows.size(), requests.size());
    for (const auto& row : rows) {
        EXPECT_FALSE(row[0].empty());
        EXPECT_EQ(row[1], "1");
        EXPECT_EQ(row[2], connection);
    }
}

// "--capture -": the capture is standard output, the command's result goes to standard error.
TEST(CliCapture, ToStandardOutput)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    const TProgramRun run =
        RunProgram("VALDRIX_CLI", {"-c", sim.Connection(), "inputs", "--capture", "-"}, std::chrono::seconds(60));
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Err.find("1100001101011010"), std::string::npos) << run.Err;
    TTempDir dir;
    const std::string capture = dir.File("stdout.pcap");
    std::ofstream(capture, std::ios::binary) << run.Out;
    const auto rows = TsharkFields(capture, {"tarvel97.role", "tarvel97.reading"});
    const std::vector<std::vector<std::string>> expected = {{"0", ""}, {"1", "inputs 1100001101011010"}};
    EXPECT_EQ(rows, expected);
}

TEST(CliCapture, AFileThatCannotBeWrittenIsAUsageError)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    const TProgramRun run = RunProgram(
        "VALDRIX_CLI", {"-c", sim.Connection(), "identify", "--capture", "/nonexistent/folder/x.pcap"},
        std::chrono::seconds(60));
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("/nonexistent/folder/x.pcap"), std::string::npos) << run.Err;
}

} // namespace
