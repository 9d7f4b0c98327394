// valdrix-cli records: record files imported into the station's store, the line's
// questions asked of it as text, JSON and CSV, and the waiting runs sent to a real
// PostgreSQL server that the queries then read.
#include "tests/cli/cli_run.h"
#include "tests/records/record_samples.h"
#include "tests/support/postgres_server.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>

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
        {{"--verdict", "fail", "--csv"}, "2026-12-01T08:00:00.000+01:00,FAIL,A1,P,1.0,S1,Novák,r1\n"},
        {{"yield", "--by", "plan"}, "P     2     1       50.0\n"},
        {{"failing", "--csv"}, "1,Analog,AI2 5 V\n"},
        {{"last", "--from", "2026-12-02", "--json"}, R"({"ok":true,"runs":[{"started":"2026-12-02T10:00)"},
    };
    for (const auto& c : cases) {
        const TProgramRun run = Records(c.Args);
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_NE(run.Out.find(c.Out), std::string::npos) << run.Out;
    }
    const TProgramRun bad = Records({"--to", "tomorrow"});
    EXPECT_EQ(bad.Status, 2);
    EXPECT_NE(bad.Err.find("--to: expected YYYY-MM-DD"), std::string::npos) << bad.Err;
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
