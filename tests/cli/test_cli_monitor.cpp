// valdrix-cli monitor when refreshes fail: --keep-going against a simulator that loses
// or damages answers, --reconnect across a simulator killed and started again.
#include "tests/support/child_processes.h"
#include "tests/support/com_links.h"
#include "tests/support/ser2net_gateway.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

} // namespace

TEST(CliMonitorFaults, KeepGoingCountsEveryFailedRefresh)
{
    constexpr int Refreshes = 12;
    for (const char* fault : {"--drop", "--corrupt"}) {
        TSimulator sim({fault, "30", "--seed", "7"});
        ASSERT_TRUE(sim.Ready());
        const std::vector<std::string> common = {"-c",         sim.Connection(), "--timeout", "50", "monitor",
                                                 "--keep-going", "--count",      "12",        "--interval", "0"};
        std::vector<std::string> json = common;
        json.push_back("--json");

        const TProgramRun jsonRun = RunProgram("VALDRIX_CLI", json);
        const std::vector<std::string> objects = Lines(jsonRun.Out);
        ASSERT_EQ(objects.size(), size_t(Refreshes)) << fault << "\n" << jsonRun.Out << jsonRun.Err;
        int failed = 0;
        for (const std::string& line : objects) {
            const nlohmann::json object = nlohmann::json::parse(line);
            if (!object["ok"].get<bool>()) {
                ++failed;
                EXPECT_FALSE(object.value("error", "").empty()) << line;
            } else {
                EXPECT_TRUE(object.contains("inputs")) << line;
            }
            EXPECT_EQ(object.value("failures", -1), failed) << line;
        }
        EXPECT_GT(failed, 0) << fault << ": the faults never failed a refresh";
        EXPECT_EQ(jsonRun.Status, 1);

        const TProgramRun textRun = RunProgram("VALDRIX_CLI", common);
        const std::vector<std::string> lines = Lines(textRun.Out);
        ASSERT_EQ(lines.size(), size_t(Refreshes)) << textRun.Out;
        int textFailed = 0;
        for (const std::string& line : lines) {
            if (line.rfind("DI ", 0) == 0) continue;
            std::smatch count;
            ASSERT_TRUE(std::regex_match(line, count, std::regex(R"(failed: .+ \(failures (\d+)\))"))) << line;
            EXPECT_EQ(std::stoi(count[1]), ++textFailed) << line;
        }
        EXPECT_GT(textFailed, 0);
        EXPECT_EQ(textRun.Status, 1);
    }
}

namespace {

// monitor --reconnect on this connection tells the loss after `lose`, keeps trying, and
// prints the module again after `restore`.
void ExpectMonitorReconnectsAcross(const std::string& connection, const std::function<void()>& lose,
                                   const std::function<void()>& restore)
{
    TRunningProgram monitor(ProgramPath("VALDRIX_CLI"), {"-c", connection, "monitor", "--reconnect"}, true);
    const auto next = [&](const std::string& prefix) {
        while (const auto line = monitor.ReadLine(std::chrono::seconds(20)))
            if (line->rfind(prefix, 0) == 0) return *line;
        return std::string("<no line beginning with ") + prefix + ">";
    };
    EXPECT_EQ(next("DI ").substr(0, 20), "DI 1100001101011010 ");
    lose();
    EXPECT_TRUE(std::regex_match(next("valdrix-cli: connection lost"),
                                 std::regex("valdrix-cli: connection lost: .+; reconnecting \\(attempt 1\\)")));
    EXPECT_EQ(next("valdrix-cli: connection lost").rfind("valdrix-cli: connection lost: cannot open the connection: ",
                                                         0),
              0u);
    restore();
    const auto restored = std::chrono::steady_clock::now();
    EXPECT_TRUE(std::regex_match(next("valdrix-cli: reconnected"), std::regex("valdrix-cli: reconnected \\(attempt \\d+\\)")));
    EXPECT_EQ(next("DI ").substr(0, 20), "DI 1100001101011010 ");
    std::printf("monitor printed again %lld ms after the module came back\n",
                (long long)std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                                  restored)
                    .count());
    // A refresh failed: the interrupted run says so.
    EXPECT_EQ(monitor.Stop(SIGINT), 1);
}

} // namespace

TEST(CliMonitorFaults, ReconnectGoesOnAfterTheSimulatorComesBack)
{
    auto sim = std::make_unique<TSimulator>();
    ASSERT_TRUE(sim->Ready());
    const int port = sim->Port();
    ExpectMonitorReconnectsAcross(
        sim->Connection(), [&] { sim->Kill(); },
        [&] {
            sim = std::make_unique<TSimulator>(SimulatorOnPort(port));
            ASSERT_TRUE(sim->Ready());
        });
}

TEST(CliMonitorFaults, ReconnectGoesOnThroughARestartedSer2netGateway)
{
    if (!std::filesystem::exists(Ser2netProgram)) GTEST_SKIP() << "ser2net is not installed";
    TComLinks links;
    const std::string pty = links.Port(7);
    const TSimulator sim({"--no-tcp", "--pty", pty});
    TSer2netGateway gateway(links.Path(), pty);
    ASSERT_TRUE(gateway.Ready());
    ExpectMonitorReconnectsAcross(
        gateway.Connection(), [&] { gateway.Stop(); },
        [&] {
            gateway.Restart();
            ASSERT_TRUE(gateway.Ready());
        });
}

TEST(CliMonitorFaults, ReconnectTakesAnotherDeviceOfTheFamilyOnlyWhenAskedTo)
{
    for (const bool anyDevice : {false, true}) {
        SCOPED_TRACE(anyDevice);
        auto sim = std::make_unique<TSimulator>();
        ASSERT_TRUE(sim->Ready());
        const int port = sim->Port();
        std::vector<std::string> args = {"-c", sim->Connection(), "monitor", "--reconnect"};
        if (anyDevice) args.push_back("--any-device");
        TRunningProgram monitor(ProgramPath("VALDRIX_CLI"), args, true);
        const auto next = [&](const std::string& prefix) {
            while (const auto line = monitor.ReadLine(std::chrono::seconds(20)))
                if (line->rfind(prefix, 0) == 0) return *line;
            return std::string("<no line beginning with ") + prefix + ">";
        };
        EXPECT_EQ(next("DI ").substr(0, 3), "DI ");
        sim->Kill();
        next("valdrix-cli: connection lost");
        std::vector<std::string> other = SimulatorOnPort(port);
        other.insert(other.end(), {"--identification", "CITAC 8DI"});
        sim = std::make_unique<TSimulator>(other);
        ASSERT_TRUE(sim->Ready());
        if (anyDevice)
            EXPECT_EQ(next("valdrix-cli: reconnected").rfind("valdrix-cli: reconnected (attempt ", 0), 0u);
        else
            EXPECT_EQ(next("valdrix-cli: connection lost: another device answers: \"CITAC 8DI\"")[0], 'v');
        monitor.Stop(SIGINT);
    }
}
