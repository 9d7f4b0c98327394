// valdrix-cli against the module simulator over loopback: every command, the exit
// statuses and the simulator's fault switches.
#include "tests/cli/cli_run.h"
#include "tests/support/loopback_socket.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <regex>

namespace {

TProgramRun CliJson(const TSimulator& sim, std::vector<std::string> args)
{
    args.insert(args.begin(), "--json");
    return Cli(sim, std::move(args));
}

// The JSON line a successful command prints.
std::string Ok(const TSimulator& sim, std::vector<std::string> args)
{
    const TProgramRun run = CliJson(sim, std::move(args));
    EXPECT_EQ(run.Status, 0) << run.Out << run.Err;
    return run.Out;
}

} // namespace

TEST(CliReads, EveryReadCommandShowsTheModuleState)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    EXPECT_EQ(Ok(sim, {"identify"}), "{\"ok\":true,\"identification\":\"Valdrix ; v 1.0 ; SIM\"}\n");
    // Wire bytes 5A C3: inputs 1, 2, 7, 8 (C3) and 10, 12, 13, 15 (5A).
    EXPECT_EQ(Ok(sim, {"inputs"}), "{\"ok\":true,\"inputs\":[true,true,false,false,false,false,true,true,"
                                   "false,true,false,true,true,false,true,false]}\n");
    EXPECT_EQ(Ok(sim, {"outputs"}), "{\"ok\":true,\"outputs\":[false,false,false,false,false,false,false,"
                                    "false,false,false]}\n");
    EXPECT_NE(Ok(sim, {"counters"}).find("[1001,2002,3003,4004,5005,6006,7007,8008,9009,10010,11011,"
                                         "12012,13013,14014,15015,16016]"),
              std::string::npos);
    EXPECT_NE(Ok(sim, {"temps"}).find("[{\"valid\":true,\"value\":21.5},{\"valid\":true,\"value\":23.0},"
                                      "{\"valid\":true,\"value\":-4.5},{\"valid\":true,\"value\":36.6}]"),
              std::string::npos);
    EXPECT_NE(Ok(sim, {"analog-inputs"}).find("{\"valid\":true,\"value\":2500}"), std::string::npos);
    EXPECT_NE(Ok(sim, {"analog-inputs", "--raw"}).find("{\"valid\":true,\"value\":40000}]"), std::string::npos);
    EXPECT_EQ(Ok(sim, {"ranges"}), "{\"ok\":true,\"ranges\":[0,0,1,1]}\n");
    EXPECT_EQ(Ok(sim, {"clock"}), "{\"ok\":true,\"clock\":\"2024-03-01 08:05:09\"}\n");

    const TProgramRun text = Cli(sim, {"inputs"});
    EXPECT_EQ(text.Out, "inputs 1100001101011010\n");
}

TEST(CliReads, AModuleTextIsShownWholeInTextAndInJson)
{
    // A zero byte, a bell and a line break inside; "\xE8" is the windows-1250 "č".
    TSimulator sim({"--identification", "Valdrix\\x00 tail\\x07\\x0A\\xE8"});
    ASSERT_TRUE(sim.Ready());
    const std::string identification("Valdrix\0 tail\a\n\xC4\x8D", 17);
    EXPECT_EQ(nlohmann::json::parse(Ok(sim, {"identify"}), nullptr, false).value("identification", ""), identification);
    EXPECT_EQ(Cli(sim, {"identify"}).Out, "Valdrix\\x00 tail\\x07\\x0A\xC4\x8D\n");
    EXPECT_EQ(Cli(sim, {"scan", "--from", "0x31", "--to", "0x31"}).Out,
              "0x31 (49) serial 1 12345 12345678: Valdrix\\x00 tail\\x07\\x0A\xC4\x8D\n");
}

TEST(CliWrites, WritesAreReadBack)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    Ok(sim, {"set-output", "3", "on"});
    EXPECT_NE(Ok(sim, {"outputs"}).find("[false,false,true,false"), std::string::npos);
    Ok(sim, {"set-outputs", "1000000001"});
    EXPECT_NE(Ok(sim, {"outputs"}).find("[true,false,false,false,false,false,false,false,false,true]"),
              std::string::npos);
    Ok(sim, {"set-range", "2", "6"});
    EXPECT_EQ(Ok(sim, {"ranges"}), "{\"ok\":true,\"ranges\":[0,6,1,1]}\n");
    Ok(sim, {"set-clock", "2025-01-02 03:04:05"});
    EXPECT_EQ(Ok(sim, {"clock"}), "{\"ok\":true,\"clock\":\"2025-01-02 03:04:05\"}\n");
    Ok(sim, {"set-clock", "now"});
    EXPECT_EQ(Ok(sim, {"analog-output", "1", "100", "--raw"}), "{\"ok\":true}\n");
    EXPECT_EQ(Ok(sim, {"analog-output", "3", "5000"}), "{\"ok\":true}\n");
    EXPECT_EQ(Ok(sim, {"store-output-point", "2", "high"}), "{\"ok\":true}\n");
}

TEST(CliWrites, CalibrationWritesCoefficientAndDivisions)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    // Input 1: raw 25000 on the 10 V range, 5 V applied: 10000 * 65536 * 5 / (10 * 25000) = 13107.2.
    EXPECT_NE(Ok(sim, {"calibrate-input", "1", "--applied", "5", "--divisions", "10000"}).find("\"coefficient\":13107"),
              std::string::npos);
    // Input 3 (30000 raw, 20 mA scale), 12 mA and 40000 divisions: 40000 * 65536 * 12 / (20 * 30000) = 52428.8.
    EXPECT_NE(Ok(sim, {"calibrate-input", "3", "--applied", "12", "--divisions", "40000"}).find("\"coefficient\":52429"),
              std::string::npos);
    // A coefficient beyond 16 bits is refused and nothing is written.
    const TProgramRun big = CliJson(sim, {"calibrate-input", "1", "--applied", "100", "--divisions", "65535"});
    EXPECT_EQ(big.Status, 1) << big.Out;
    EXPECT_NE(big.Out.find("\"ok\":false"), std::string::npos);
}

TEST(CliMonitor, OneLinePerFullRefresh)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    const TProgramRun run = Cli(sim, {"monitor", "--count", "2"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::string line = "DI 1100001101011010 DO 0000000000 CNT 1001 2002 3003 4004 5005 6006 7007 8008 9009 "
                             "10010 11011 12012 13013 14014 15015 16016 T 21.5 23.0 -4.5 36.6 AI 5000 2500 6000 8000 "
                             "RAW 25000 12500 30000 40000\n";
    EXPECT_EQ(run.Out, line + line);
    // JSON lines carry the local time to the millisecond.
    const TProgramRun json = CliJson(sim, {"monitor", "--count", "1"});
    EXPECT_EQ(std::count(json.Out.begin(), json.Out.end(), '\n'), 1);
    const nlohmann::json refresh = nlohmann::json::parse(json.Out, nullptr, false);
    EXPECT_TRUE(std::regex_match(refresh.value("time", ""),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)")))
        << json.Out;
    EXPECT_EQ(refresh["inputs"], nlohmann::json::parse(Ok(sim, {"inputs"}))["inputs"]);
    const TProgramRun backToBack = Cli(sim, {"monitor", "--interval", "0", "--count", "3"});
    EXPECT_EQ(backToBack.Status, 0) << backToBack.Err;
    EXPECT_EQ(backToBack.Out, line + line + line);
}

TEST(CliExitStatus, UsageAndConnectionErrors)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"frobnicate"},
                                                                  {"set-output", "11", "on"},
                                                                  {"set-output", "1", "maybe"},
                                                                  {"set-outputs", "10101"},
                                                                  {"set-range", "1", "7"},
                                                                  {"set-clock", "2024-02-30 00:00:00"},
                                                                  {"calibrate-input", "1", "--applied", "0",
                                                                   "--divisions", "10"},
                                                                  {"--timeout"},
                                                                  {"ping", "--count", "-1"},
                                                                  {"ping", "--count", "0"},
                                                                  {"ping", "--count", "4x"},
                                                                  {"ping", "--count"},
                                                                  {"ping", "--interval", "-5"},
                                                                  {"ping", "--interval", ""},
                                                                  {"ping", "now"},
                                                                  {"monitor", "--interval", "1.5"},
                                                                  {"monitor", "--count", "-2"},
                                                                  {"-a", "0xFE", "identify"},
                                                                  {"--address=254", "inputs"},
                                                                  {"-a", "0x", "inputs"},
                                                                  {"set-address", "0xFF"},
                                                                  {"set-address", "-1"},
                                                                  {"set-address"},
                                                                  {"scan", "--from", "10", "--to", "9"},
                                                                  {"scan", "--to", "0x100"},
                                                                  {"scan", "--timeout", "0"}}) {
        const TProgramRun run = RunProgram("VALDRIX_CLI", args);
        EXPECT_EQ(run.Status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_FALSE(run.Err.empty());
    }
    EXPECT_EQ(RunProgram("VALDRIX_CLI", {"ping", "--interval", "-5"}).Err.find(
                  "valdrix-cli: --interval must be a whole number from 0 to 86400000, not \"-5\""),
              0u);
    const std::string nobody = "provider=TCP_CLIENT;host=127.0.0.1;port=" + std::to_string(UnusedLoopbackPort());
    const TProgramRun refused = RunProgram("VALDRIX_CLI", {"-c", nobody, "--json", "inputs"});
    EXPECT_EQ(refused.Status, 3);
    EXPECT_EQ(refused.Out.find("{\"ok\":false,\"error\":"), 0u);
    // A provider that no transport has is a mistake in the command line.
    EXPECT_EQ(RunProgram("VALDRIX_CLI", {"-c", "provider=NOSUCH", "inputs"}).Status, 2);
}

TEST(CliExitStatus, MalformedNumbersInTheConnectionStringAreConnectionErrors)
{
    for (const char* connection : {"provider=TCP_CLIENT;host=127.0.0.1;port=abc",
                                   "provider=TCP_CLIENT;host=127.0.0.1;port=1234567890123456789012345678901234567890",
                                   "provider=SERIAL_PORT;comport=x", "provider=SERIAL_PORT;comport=1;baudrate=fast",
                                   "provider=FTD_USB;serial_number=A1;baudrate=fast"}) {
        SCOPED_TRACE(connection);
        const TProgramRun run = RunProgram("VALDRIX_CLI", {"-c", connection, "--json", "identify"});
        EXPECT_EQ(run.Status, 3) << run.Err;
        EXPECT_NE(run.Out.find("\"error\":\"the connection string"), std::string::npos) << run.Out;
        EXPECT_NE(run.Out.find("is not a valid integer value"), std::string::npos) << run.Out;
    }
}

TEST(CliFaults, LostOrDamagedAnswersCountAsNoAnswer)
{
    for (const char* fault : {"--drop", "--corrupt"}) {
        TSimulator sim({fault, "100"});
        ASSERT_TRUE(sim.Ready());
        const TProgramRun run = CliJson(sim, {"--timeout", "200", "inputs"});
        EXPECT_EQ(run.Status, 1) << fault;
        const nlohmann::json failure = nlohmann::json::parse(run.Out, nullptr, false);
        EXPECT_EQ(failure.value("last_result", 0), 2) << fault << run.Out;
        EXPECT_EQ(failure.value("last_result_name", ""), "no answer") << fault << run.Out;
        EXPECT_EQ(failure.value("last_ack", 0), -1) << fault << run.Out;
    }
}

TEST(CliFaults, RefusedRequestReportsTheAcknowledgeCode)
{
    TSimulator sim({"--refuse", "31:02"});
    ASSERT_TRUE(sim.Ready());
    const TProgramRun run = CliJson(sim, {"inputs"});
    EXPECT_EQ(run.Status, 1);
    const nlohmann::json failure = nlohmann::json::parse(run.Out, nullptr, false);
    EXPECT_EQ(failure.value("last_result", 0), 4) << run.Out;
    EXPECT_EQ(failure.value("last_result_name", ""), "refused") << run.Out;
    EXPECT_EQ(failure.value("last_ack", 0), 2) << run.Out;
    EXPECT_EQ(CliJson(sim, {"outputs"}).Status, 0) << "other instructions still work";
}

TEST(CliFaults, GarbageAndDelaysAreTolerated)
{
    TSimulator garbage({"--garbage"});
    ASSERT_TRUE(garbage.Ready());
    EXPECT_EQ(Ok(garbage, {"identify"}), "{\"ok\":true,\"identification\":\"Valdrix ; v 1.0 ; SIM\"}\n");
    EXPECT_EQ(CliJson(garbage, {"monitor", "--count", "1"}).Status, 0);

    TSimulator slow({"--delay", "400"});
    ASSERT_TRUE(slow.Ready());
    EXPECT_EQ(CliJson(slow, {"--timeout", "100", "inputs"}).Status, 1);
    EXPECT_EQ(CliJson(slow, {"--timeout", "3000", "inputs"}).Status, 0);
}
