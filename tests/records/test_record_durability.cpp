// A station killed while it writes its records loses no run it reported written, and the
// file stays sound; runs made while the shared store is away reach it once it is back.
#include "records/uRecordQueries.h"
#include "records/uRecordShipper.h"
#include "tests/records/record_samples.h"
#include "tests/records/store_fixture.h"
#include "tests/support/child_processes.h"
#include "tests/support/pump_until.h"

#include <QSqlQuery>

#include <csignal>
#include <random>
#include <set>
#include <thread>

TEST(RecordDurability, AStationKilledWhileWritingKeepsEveryReportedRunInASoundFile)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("records.sqlite")).toStdString();
    std::set<std::string> reported;
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        TRunningProgram writer("/proc/self/exe", {"--write-records", path});
        // A few runs, then the kill at a moment the writer does not choose.
        ASSERT_TRUE(writer.ReadLine(std::chrono::seconds(10))) << "round " << round;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(random() % 40);
        while (std::chrono::steady_clock::now() < end)
            if (const auto id = writer.ReadLine(std::chrono::milliseconds(5))) reported.insert(*id);
        ::kill(writer.Pid(), SIGKILL);
        // What it printed before it died was committed.
        while (const auto id = writer.ReadLine(std::chrono::seconds(5))) reported.insert(*id);
        writer.Wait();

        TRecordStore store;
        std::string error;
        ASSERT_TRUE(store.Open(*TRecordsLocation::Parse(path, error), error)) << error;
        QSqlQuery check(store.Database());
        ASSERT_TRUE(check.exec(QStringLiteral("PRAGMA integrity_check")) && check.next());
        ASSERT_EQ(check.value(0).toString(), QStringLiteral("ok")) << "round " << round;
        std::vector<TRunSummary> runs;
        ASSERT_TRUE(FindRuns(store, {}, 1000000, runs, error)) << error;
        std::set<std::string> stored;
        for (const TRunSummary& run : runs) stored.insert(run.Id);
        for (const std::string& id : reported) ASSERT_EQ(stored.count(id), 1u) << id << " lost in round " << round;
    }
}

TEST(RecordDurability, RunsMadeWhileTheSharedStoreIsAwayArriveOnceWhenItIsBack)
{
    REQUIRE_STORE_SERVER(TRecordsLocation::PostgreSQL);
    QTemporaryDir dir;
    const TRecordsLocation local = TestLocation(TRecordsLocation::SQLite, dir, "records.sqlite");
    const TRecordsLocation shared = TestLocation(TRecordsLocation::PostgreSQL, dir, "");
    std::string error;
    ASSERT_TRUE(TestPostgres().Stop());
    TRecordShipper shipper(local, shared, std::chrono::milliseconds(100));
    TRecordStore station;
    ASSERT_TRUE(station.Open(local, error)) << error;
    for (int n = 0; n < 20; ++n) {
        ASSERT_TRUE(station.Add(SampleRecord({.Id = "run-" + std::to_string(n)}), error)) << error;
        shipper.Wake();
    }
    EXPECT_TRUE(PumpUntil([&] { return shipper.Waiting() == 20 && !shipper.Problem().empty(); }));
    ASSERT_TRUE(TestPostgres().Start());
    ASSERT_TRUE(PumpUntil([&] { return shipper.Waiting() == 0; }, std::chrono::seconds(30))) << shipper.Problem();
    TRecordStore line;
    ASSERT_TRUE(line.Open(shared, error)) << error;
    QSqlQuery q(line.Database());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT id) FROM runs")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 20);
    EXPECT_EQ(q.value(1).toInt(), 20);
}

TEST(RecordDurability, StationsThatCreateTheSharedStoreTogetherAllOpenIt)
{
    REQUIRE_STORE_SERVER(TRecordsLocation::PostgreSQL);
    QTemporaryDir dir;
    for (int round = 0; round < 5; ++round) {
        const TRecordsLocation shared = TestLocation(TRecordsLocation::PostgreSQL, dir, "");
        std::vector<std::string> errors(6);
        std::vector<std::thread> stations;
        for (std::string& error : errors)
            stations.emplace_back([&shared, &error] {
                TRecordStore store;
                store.Open(shared, error);
            });
        for (std::thread& station : stations) station.join();
        for (const std::string& error : errors) EXPECT_EQ(error, "") << "round " << round;
    }
}

TEST(RecordDurability, AFrozenSharedServerHoldsNobodyAndEveryRunArrivesOnceWhenItThaws)
{
    REQUIRE_STORE_SERVER(TRecordsLocation::PostgreSQL);
    QTemporaryDir dir;
    const TRecordsLocation local = TestLocation(TRecordsLocation::SQLite, dir, "records.sqlite");
    const TRecordsLocation shared = TestLocation(TRecordsLocation::PostgreSQL, dir, "");
    std::string error;
    TRecordStore station;
    ASSERT_TRUE(station.Open(local, error)) << error;
    for (int n = 0; n < 5; ++n) ASSERT_TRUE(station.Add(SampleRecord({.Id = "run-" + std::to_string(n)}), error)) << error;
    TestPostgres().Freeze();
    auto shipper = std::make_unique<TRecordShipper>(local, shared, std::chrono::milliseconds(100));
    // The window says why the runs wait, and closes whatever the server does.
    EXPECT_TRUE(PumpUntil([&] { return shipper->Waiting() == 5 && shipper->Problem().find("no answer") == 0; }))
        << shipper->Problem();
    const auto closing = std::chrono::steady_clock::now();
    shipper.reset();
    {
        TShipment shipment(local, shared);
        EXPECT_FALSE(shipment.WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(200)));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(2));
    TestPostgres().Thaw();
    TRecordShipper again(local, shared, std::chrono::milliseconds(100));
    ASSERT_TRUE(PumpUntil([&] { return again.Waiting() == 0; }, std::chrono::seconds(30))) << again.Problem();
    TRecordStore line;
    ASSERT_TRUE(line.Open(shared, error)) << error;
    QSqlQuery q(line.Database());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT id) FROM runs")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 5);
    EXPECT_EQ(q.value(1).toInt(), 5);
}
