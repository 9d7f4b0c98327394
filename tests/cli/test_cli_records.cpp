// valdrix-cli records: record files imported into the station's store, the line's
// questions asked of it as text, JSON and CSV, and the waiting runs sent to a real
// PostgreSQL server that the queries then read.
#include "tests/cli/cli_run.h"
#include "tests/records/record_samples.h"
#include "tests/support/postgres_server.h"

#include "tests/support/pump_until.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class CliRecords : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        // The station's own store is in the user's data folder.
        ::setenv("XDG_DATA_HOME", Dir.path().toUtf8().constData(), 1);
        const std::string folder = Dir.filePath(QStringLiteral("in")).toStdString();
        std::filesystem::create_directory(folder);
        const TSampleRun runs[] = {
            {"r1", "P", "A1", "S1", "2026-12-01T08:00:00.000+01:00", "FAIL"},
            {"r2", "P", "A1", "S1", "2026-12-01T09:00:00.000+01:00", "PASS"},
            {"r3", "Q", "A2", "S2", "2026-12-02T10:00:00.000+01:00", "PASS"},
        };
        for (const TSampleRun& run : runs) std::ofstream(folder + "/" + run.Id + ".json") << SampleRecord(run).dump();
        const TProgramRun imported = Records({"import", folder});
        ASSERT_EQ(imported.Status, 0) << imported.Err;
    }
    static TProgramRun Records(std::vector<std::string> args)
    {
        args.insert(args.begin(), "records");
        return RunProgram("VALDRIX_CLI", args, CliRunDeadline);
    }

    QTemporaryDir Dir;
};

} // namespace

TEST_F(CliRecords, QueriesAnswerInTextJsonAndCsv)
{
    const struct {
        std::vector<std::string> Args;
        std::string Out;
    } cases[] = {
        {{"--unit", "A1", "--json"}, R"("id":"r2")"},
        {{"--verdict", "fail", "--csv"}, "2026-12-01T08:00:00.000+01:00,FAIL,,A1,P,1.0,S1,Novák,r1\n"},
        {{"yield", "--by", "plan"}, "P     2     1       50.0\n"},
        {{"failing", "--csv"}, "1,Analog,AI2 5 V\n"},
        {{"last", "--from", "2026-12-02", "--json"}, R"({"ok":true,"runs":[{"started":"2026-12-02T10:00)"},
    };
    for (const auto& c : cases) {
        const TProgramRun run = Records(c.Args);
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_NE(run.Out.find(c.Out), std::string::npos) << run.Out;
    }
}

TEST_F(CliRecords, TimesAreTheStationsLocalTimeOrAnInstantAndImpossibleOnesAreRefused)
{
    // Asked far from the stations (UTC-8): their own clocks count.
    ::setenv("TZ", "America/Los_Angeles", 1);
    const struct {
        std::vector<std::string> Args;
        std::string Ids; // of the runs listed, newest first; empty: refused
    } cases[] = {
        {{"--to", "2026-12-01T09:00"}, "r1"},
        {{"--from", "2026-12-01T09:00:00", "--to", "2026-12-02"}, "r2"},
        {{"--from", "2026-12-01T07:30Z", "--to", "2026-12-02T09:00:00.5+00:00"}, "r3,r2"},
        {{"--from", "2024-03-02T25:00"}, ""},
        {{"--to", "2024-02-30"}, ""},
        {{"--to", "2024-03-02T10:00+15:00"}, ""},
        {{"--to", "tomorrow"}, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.Args;
        args.insert(args.end(), {"--json"});
        const TProgramRun run = Records(args);
        std::string ids;
        for (const nlohmann::json& r : nlohmann::json::parse(run.Out, nullptr, false).value("runs", nlohmann::json::array()))
            ids += (ids.empty() ? "" : ",") + r.value("id", std::string());
        EXPECT_EQ(run.Status, c.Ids.empty() ? 2 : 0) << c.Args[1] << run.Err;
        EXPECT_EQ(ids, c.Ids) << c.Args[1];
        if (c.Ids.empty()) EXPECT_NE(run.Out.find("expected YYYY-MM-DD"), std::string::npos) << run.Out;
    }
    ::unsetenv("TZ");
}

TEST_F(CliRecords, ARunImportedWhileGoingOnGivesWayToItsEnd)
{
    const std::string folder = Dir.filePath(QStringLiteral("live")).toStdString();
    std::filesystem::create_directory(folder);
    const auto import = [&](const char* verdict) {
        std::ofstream(folder + "/r9.json", std::ios::trunc) << SampleRecord({.Id = "r9", .Unit = "A9", .Analog = verdict}).dump();
        return Records({"import", folder}).Out;
    };
    EXPECT_NE(import("RUNNING").find("r9 stored ("), std::string::npos);
    EXPECT_NE(import("FAIL").find("r9 stored in place of its running record"), std::string::npos);
    const std::string again = import("RUNNING");
    EXPECT_EQ(again.find("r9 stored"), std::string::npos) << again;
    EXPECT_NE(again.find("r9 already stored"), std::string::npos) << again;
    EXPECT_NE(Records({"last", "--verdict", "FAIL", "--unit", "A9"}).Out.find("r9"), std::string::npos);
}

TEST_F(CliRecords, SyncSendsTheWaitingRunsToTheSharedStoreOnce)
{
    if (TPostgresServer::Impossible()) GTEST_SKIP() << "no PostgreSQL server can run here";
    TPostgresServer server;
    const std::string shared = server.NewDatabase();
    ASSERT_NE(shared, "") << server.Problem();
    const auto runs = [&] {
        const TProgramRun run = Records({"--records", shared, "--json"});
        EXPECT_EQ(run.Status, 0) << run.Err;
        return nlohmann::json::parse(run.Out, nullptr, false).value("runs", nlohmann::json::array()).size();
    };
    EXPECT_EQ(runs(), 0u);
    for (const char* sent : {R"("sent":3,"waiting":0)", R"("sent":0,"waiting":0)"}) {
        const TProgramRun sync = Records({"sync", "--records", shared, "--json"});
        EXPECT_EQ(sync.Status, 0) << sync.Err;
        EXPECT_NE(sync.Out.find(sent), std::string::npos) << sync.Out;
    }
    EXPECT_EQ(runs(), 3u);
}

TEST_F(CliRecords, ARunGoesIntoTheStationsRecordsFirstAndWaitsForTheSharedOnes)
{
    if (TPostgresServer::Impossible()) GTEST_SKIP() << "no PostgreSQL server can run here";
    TSimulator sim({"--jig", "loopback"});
    ASSERT_TRUE(sim.Ready());
    TPostgresServer server;
    const std::string shared = server.NewDatabase();
    ASSERT_NE(shared, "") << server.Problem();
    ASSERT_TRUE(server.Stop());
    const TProgramRun run = Cli(sim, {"test", std::string(std::getenv("VALDRIX_SOURCE_DIR")) + "/examples/loopback.toml",
                                      "--rs485", sim.RS485Connection(), "--record-dir", Dir.path().toStdString(),
                                      "--records", shared});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Err.find("4 runs wait to be sent to the shared records"), std::string::npos) << run.Err;
    ASSERT_TRUE(server.Start());
    const TProgramRun sync = Records({"sync", "--records", shared});
    EXPECT_EQ(sync.Out, "sent 4 runs; 0 wait\n") << sync.Err;
}

TEST_F(CliRecords, ARunOfAModuleWhoseIdentificationIsNotUtf8IsStoredAndListed)
{
    // A windows-1250 "Č" in the module's identification.
    TSimulator sim({"--jig", "loopback", "--identification", "Valdrix ; v 1.0 ; SIM \\xC8"});
    ASSERT_TRUE(sim.Ready());
    const TProgramRun run = Cli(sim, {"test", std::string(std::getenv("VALDRIX_SOURCE_DIR")) + "/examples/loopback.toml",
                                      "--rs485", sim.RS485Connection(), "--record-dir", Dir.path().toStdString(),
                                      "--unit", "U1"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(Records({"runs", "--unit", "U1"}).Out.find(" PASS "), std::string::npos);
}

namespace {

// Whether the program catches SIGINT, as a command that ends in order on it does.
bool CatchesSigint(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (SIGINT - 1)) & 1;
    return false;
}

// Runs the sample plan with the shared store; what went wrong: its status, or a verdict
// and exit later than 2 s after the run's end (as its record gives it).
std::string TestedAtOnce(const TSimulator& sim, const std::string& shared, const std::string& folder)
{
    const TProgramRun run = Cli(sim, {"test", std::string(std::getenv("VALDRIX_SOURCE_DIR")) + "/examples/loopback.toml",
                                      "--rs485", sim.RS485Connection(), "--record-dir", folder, "--records", shared,
                                      "--json"});
    const auto exited = std::chrono::system_clock::now();
    if (run.Status != 0) return "exit status " + std::to_string(run.Status) + ": " + run.Err;
    std::string ended;
    std::istringstream lines(run.Out);
    for (std::string line; std::getline(lines, line);)
        if (const nlohmann::json event = nlohmann::json::parse(line, nullptr, false);
            event.is_object() && event.value("event", "") == "run_ended")
            ended = nlohmann::json::parse(std::ifstream(event.value("record", "")), nullptr, false).value("ended", "");
    const QDateTime end = QDateTime::fromString(QString::fromStdString(ended), Qt::ISODateWithMs);
    if (!end.isValid()) return "no end time: " + run.Out;
    const auto late = exited - std::chrono::system_clock::time_point(std::chrono::milliseconds(end.toMSecsSinceEpoch()));
    return late < std::chrono::seconds(2) ? "" : "ended " + std::to_string(late / std::chrono::milliseconds(1)) + " ms after the run";
}

// The runs of the store, over every plan.
int64_t RunsIn(const std::string& shared)
{
    int64_t runs = 0;
    const TProgramRun yield = RunProgram("VALDRIX_CLI", {"records", "yield", "--by", "plan", "--records", shared, "--json"},
                                         CliRunDeadline);
    for (const nlohmann::json& plan : nlohmann::json::parse(yield.Out, nullptr, false).value("yield", nlohmann::json::array()))
        runs += plan.value("runs", int64_t(0));
    return runs;
}

} // namespace

TEST_F(CliRecords, ARunReportsAtOnceWhateverTheBacklogOfTheSharedStore)
{
    if (TPostgresServer::Impossible()) GTEST_SKIP() << "no PostgreSQL server can run here";
    const std::string folder = Dir.filePath(QStringLiteral("backlog")).toStdString();
    std::filesystem::create_directory(folder);
    for (int n = 0; n < 3000; ++n)
        std::ofstream(folder + "/b" + std::to_string(n) + ".json")
            << SampleRecord({.Id = "b" + std::to_string(n), .Unit = "B" + std::to_string(n % 50)}).dump();
    ASSERT_EQ(Records({"import", folder}).Status, 0);
    TSimulator sim({"--jig", "loopback"});
    ASSERT_TRUE(sim.Ready());
    TPostgresServer server;
    const std::string shared = server.NewDatabase();
    ASSERT_NE(shared, "") << server.Problem();
    EXPECT_EQ(TestedAtOnce(sim, shared, Dir.path().toStdString()), "");
    EXPECT_EQ(Records({"sync", "--records", shared}).Status, 0);
    EXPECT_EQ(RunsIn(shared), 3004);
}

TEST_F(CliRecords, AFrozenSharedServerHoldsNeitherARunNorASyncAndLosesNothing)
{
    if (TPostgresServer::Impossible()) GTEST_SKIP() << "no PostgreSQL server can run here";
    TSimulator sim({"--jig", "loopback"});
    ASSERT_TRUE(sim.Ready());
    TPostgresServer server;
    const std::string shared = server.NewDatabase();
    ASSERT_NE(shared, "") << server.Problem();
    ASSERT_EQ(Records({"sync", "--records", shared}).Out, "sent 3 runs; 0 wait\n");
    server.Freeze();
    EXPECT_EQ(TestedAtOnce(sim, shared, Dir.path().toStdString()), "");

    TRunningProgram sync(std::getenv("VALDRIX_CLI"), {"records", "sync", "--records", shared});
    ASSERT_TRUE(PumpUntil([&] { return CatchesSigint(sync.Pid()); }));
    const auto stopping = std::chrono::steady_clock::now();
    EXPECT_EQ(sync.Stop(SIGINT), 3);
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(1));

    server.Thaw();
    EXPECT_EQ(Records({"sync", "--records", shared}).Out, "sent 1 runs; 0 wait\n");
    EXPECT_EQ(RunsIn(shared), 4);
}
