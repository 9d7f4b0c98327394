// The same store tests on SQLite and on a real PostgreSQL server: runs stored once,
// whole or not at all, the line's queries, the schema's version, and waiting runs sent
// to the shared store.
#include "records/uRecordQueries.h"
#include "records/uRecordShipper.h"
#include "tests/records/record_samples.h"
#include "tests/records/store_fixture.h"

#include <QSqlQuery>

#include <map>

// Not in an anonymous namespace: in a unity build g++ warns of tests derived from one.
class RecordStoreTest : public ::testing::TestWithParam<TRecordsLocation::TKind> {
protected:
    void SetUp() override
    {
        REQUIRE_STORE_SERVER(GetParam());
        ASSERT_TRUE(Store.Open(TestLocation(GetParam(), Dir, "records.sqlite"), Error)) << Error;
    }
    int64_t Count(const char* table)
    {
        QSqlQuery q(Store.Database());
        return q.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table))) && q.next()
                   ? q.value(0).toLongLong()
                   : -1;
    }

    QTemporaryDir Dir;
    TRecordStore Store;
    std::string Error;
};

namespace {

std::string KindName(const ::testing::TestParamInfo<TRecordsLocation::TKind>& info)
{
    return info.param == TRecordsLocation::SQLite ? "SQLite" : "PostgreSQL";
}

} // namespace

TEST_P(RecordStoreTest, ARunIsStoredOnceWholeOrNotAtAll)
{
    const nlohmann::json first = SampleRecord({.Id = "run-1"});
    // Twice in one batch, once more later, and a record file without an id imported twice.
    ASSERT_TRUE(Store.AddRuns({first, first}, Error)) << Error;
    ASSERT_TRUE(Store.Add(first, Error)) << Error;
    const nlohmann::json unnamed = SampleRecord({.Unit = "A2"});
    ASSERT_TRUE(Store.Add(unnamed, Error)) << Error;
    ASSERT_TRUE(Store.Add(unnamed, Error)) << Error;
    // A run with more measurements than one statement takes.
    nlohmann::json large = SampleRecord({.Id = "run-large"});
    auto& measurements = large["steps"][0]["measurements"];
    while (measurements.size() < 1200) measurements.push_back(measurements[0]);
    ASSERT_TRUE(Store.Add(large, Error)) << Error;
    EXPECT_EQ(Count("runs"), 3);
    EXPECT_EQ(Count("measurements"), 1204);
    // A batch with a malformed record stores none of it.
    nlohmann::json broken = SampleRecord({.Id = "run-3"});
    broken.erase("started");
    EXPECT_FALSE(Store.AddRuns({SampleRecord({.Id = "run-2"}), broken}, Error));
    EXPECT_NE(Error.find("start time"), std::string::npos) << Error;
    EXPECT_EQ(Count("runs"), 3);
    EXPECT_EQ(Store.Record("run-1"), first);
}

TEST_P(RecordStoreTest, TheLinesQuestionsAreAnswered)
{
    std::vector<nlohmann::json> records;
    const auto add = [&](const char* id, const char* unit, const char* plan, const char* station, const char* started,
                         const char* analog) {
        records.push_back(SampleRecord({id, plan, unit, station, started, analog}));
    };
    add("r1", "A1", "P", "S1", "2026-12-01T08:00:00.000+01:00", "FAIL");
    add("r2", "A1", "P", "S1", "2026-12-01T09:00:00.000+01:00", "PASS");
    add("r3", "A2", "P", "S2", "2026-12-01T23:30:00.000+01:00", "FAIL");
    add("r4", "A3", "Q", "S2", "2026-12-02T00:30:00.000+01:00", "PASS");
    add("r5", "A2", "Q", "S1", "2026-12-02T10:00:00.000+01:00", "ERROR");
    ASSERT_TRUE(Store.AddRuns(records, Error)) << Error;

    const auto ids = [&](const TRecordFilter& filter) {
        std::vector<TRunSummary> runs;
        EXPECT_TRUE(FindRuns(Store, filter, 100, runs, Error)) << Error;
        std::string text;
        for (const TRunSummary& run : runs) text += run.Id + " ";
        return text;
    };
    // 2026-12-01T23:00 UTC is 2026-12-02 00:00 at the stations.
    const int64_t midnight = 1796166000000;
    EXPECT_EQ(ids({}), "r5 r4 r3 r2 r1 ");
    EXPECT_EQ(ids({.Unit = "A2"}), "r5 r3 ");
    EXPECT_EQ(ids({.Plan = "Q", .Station = "S1"}), "r5 ");
    EXPECT_EQ(ids({.Verdict = "FAIL"}), "r3 r1 ");
    EXPECT_EQ(ids({.FromMs = midnight}), "r5 r4 ");
    EXPECT_EQ(ids({.ToMs = midnight}), "r3 r2 r1 ");
    // A run at a period's end belongs to the next period only.
    const int64_t r2 = midnight - 15 * 3600000;
    EXPECT_EQ(ids({.FromMs = r2, .ToMs = midnight}), "r3 r2 ");
    EXPECT_EQ(ids({.ToMs = r2}), "r1 ");
    // The stations' own clocks: from their midnight, until 10:00 on their day.
    EXPECT_EQ(ids({.FromLocal = "2026-12-02T00:00:00.000"}), "r5 r4 ");
    EXPECT_EQ(ids({.FromLocal = "2026-12-01T09:00:00.000", .ToLocal = "2026-12-02T10:00:00.000"}), "r4 r3 r2 ");

    std::vector<TYield> days, plans;
    ASSERT_TRUE(YieldOf(Store, {}, TYieldBy::Day, days, Error)) << Error;
    ASSERT_TRUE(YieldOf(Store, {.Station = "S1"}, TYieldBy::Plan, plans, Error)) << Error;
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[0].Key, "2026-12-01");
    EXPECT_EQ(days[0].Runs, 3);
    EXPECT_EQ(days[0].Passed, 1);
    EXPECT_EQ(days[1].Passed, 1);
    ASSERT_EQ(plans.size(), 2u);
    EXPECT_EQ(plans[1].Key, "Q");
    EXPECT_EQ(plans[1].Passed, 0);

    std::vector<TFailingMeasurement> failing;
    ASSERT_TRUE(TopFailing(Store, {.Plan = "P"}, 5, failing, Error)) << Error;
    ASSERT_EQ(failing.size(), 1u);
    EXPECT_EQ(failing[0].Step + "/" + failing[0].Measurement, "Analog/AI2 5 V");
    EXPECT_EQ(failing[0].Failures, 2);
    // A measurement that could not be made fails too.
    failing.clear();
    ASSERT_TRUE(TopFailing(Store, {.Plan = "Q"}, 5, failing, Error)) << Error;
    ASSERT_EQ(failing.size(), 1u);
    EXPECT_EQ(failing[0].Failures, 1);

    std::vector<TRunSummary> last;
    ASSERT_TRUE(LastRunPerUnit(Store, {}, last, Error)) << Error;
    ASSERT_EQ(last.size(), 3u);
    EXPECT_EQ(last[0].Id + last[1].Id + last[2].Id, "r2r5r4");
}

TEST_P(RecordStoreTest, AStoreOfANewerProgramIsRefusedAndOpeningAgainChangesNothing)
{
    ASSERT_TRUE(Store.Add(SampleRecord({.Id = "run-1"}), Error)) << Error;
    TRecordStore again;
    ASSERT_TRUE(again.Open(Store.Location(), Error)) << Error;
    EXPECT_TRUE(again.Record("run-1"));
    QSqlQuery(Store.Database()).exec(QStringLiteral("UPDATE store_version SET version = %1").arg(TRecordStore::SchemaVersion + 1));
    TRecordStore newer;
    EXPECT_FALSE(newer.Open(Store.Location(), Error));
    EXPECT_NE(Error.find("newer program (schema " + std::to_string(TRecordStore::SchemaVersion + 1)), std::string::npos)
        << Error;
}

TEST_P(RecordStoreTest, NoCallWaitsForEver)
{
    QSqlQuery q(Store.Database());
    const bool sqlite = GetParam() == TRecordsLocation::SQLite;
    ASSERT_TRUE(q.exec(sqlite ? QStringLiteral("PRAGMA busy_timeout") : QStringLiteral("SHOW statement_timeout")) && q.next());
    EXPECT_EQ(q.value(0).toString(), sqlite ? QStringLiteral("10000") : QStringLiteral("30s"));
}

TEST_P(RecordStoreTest, AStoreOfTheFirstSchemaIsUpgradedAndItsRunsStayReadable)
{
    ASSERT_TRUE(Store.Add(SampleRecord({.Id = "old"}), Error)) << Error;
    QSqlQuery q(Store.Database());
    ASSERT_TRUE(q.exec(QStringLiteral("ALTER TABLE runs DROP COLUMN ending")));
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE store_version SET version = 1")));
    TRecordStore upgraded;
    ASSERT_TRUE(upgraded.Open(Store.Location(), Error)) << Error;
    nlohmann::json ended = SampleRecord({.Id = "new", .Analog = "FAIL"});
    ended["ending"] = "ABORTED";
    ASSERT_TRUE(upgraded.Add(ended, Error)) << Error;
    std::vector<TRunSummary> runs;
    ASSERT_TRUE(FindRuns(upgraded, {}, 10, runs, Error)) << Error;
    ASSERT_EQ(runs.size(), 2u);
    std::map<std::string, std::string> endings;
    for (const TRunSummary& run : runs) endings[run.Id] = run.Verdict + "/" + run.Ending;
    EXPECT_EQ(endings["old"], "PASS/");
    EXPECT_EQ(endings["new"], "FAIL/ABORTED");
}

TEST_P(RecordStoreTest, ARunningRecordGivesWayToTheEndedOneNeverTheOtherWayRound)
{
    nlohmann::json running = SampleRecord({.Id = "r", .Analog = "RUNNING"});
    running["steps"][0]["measurements"].erase(1);
    const nlohmann::json ended = SampleRecord({.Id = "r", .Analog = "FAIL"});
    const struct {
        nlohmann::json Record;
        TRunStored Outcome;
        const char* Verdict;
    } steps[] = {
        {running, TRunStored::Added, "RUNNING"},
        {running, TRunStored::AlreadyThere, "RUNNING"},
        {ended, TRunStored::Replaced, "FAIL"},
        {running, TRunStored::AlreadyThere, "FAIL"},
        {ended, TRunStored::AlreadyThere, "FAIL"},
    };
    for (const auto& step : steps) {
        TRunStored outcome{};
        ASSERT_TRUE(Store.Add(step.Record, Error, &outcome)) << Error;
        EXPECT_EQ(int(outcome), int(step.Outcome)) << step.Verdict;
        EXPECT_EQ(Store.Record("r").value_or(nlohmann::json())["verdict"], step.Verdict);
        // What was stored anew waits to be sent (again).
        EXPECT_EQ(Store.UnsentCount(), step.Outcome == TRunStored::AlreadyThere ? 0 : 1);
        ASSERT_TRUE(Store.MarkSent("r", Error));
    }
    EXPECT_EQ(Count("runs"), 1);
    EXPECT_EQ(Count("measurements"), 2);
}

TEST_P(RecordStoreTest, TextsThatAreNotUtf8AreStoredAndListed)
{
    // Bytes of windows-1250 ("Č", "é") in texts of every level of the record.
    nlohmann::json record = SampleRecord({.Id = "cz", .Unit = "A\xc8"});
    record["operator"] = "Nov\xe9k";
    record["unit"]["identification"] = "Valdrix ; v 1.0 ; SIM \xc8";
    record["steps"][0]["measurements"][0]["detail"] = "\xff";
    ASSERT_TRUE(Store.Add(record, Error)) << Error;
    std::vector<TRunSummary> runs;
    ASSERT_TRUE(FindRuns(Store, {}, 10, runs, Error)) << Error;
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].Operator, "Nov\xef\xbf\xbdk");
    EXPECT_EQ(Store.Record("cz").value_or(nlohmann::json())["unit"]["identification"], "Valdrix ; v 1.0 ; SIM \xef\xbf\xbd");
}

TEST_P(RecordStoreTest, LastIsTheUnitsLastRunThenFiltered)
{
    ASSERT_TRUE(Store.AddRuns({SampleRecord({"a", "P", "U7", "S1", "2026-12-01T08:00:00.000+01:00", "PASS"}),
                               SampleRecord({"b", "P", "U7", "S2", "2026-12-01T09:00:00.000+01:00", "FAIL"}),
                               SampleRecord({"c", "P", "U8", "S1", "2026-12-01T10:00:00.000+01:00", "PASS"})},
                              Error))
        << Error;
    const struct {
        TRecordFilter Filter;
        const char* Ids;
    } cases[] = {
        {{}, "b c "},
        {{.Verdict = "PASS"}, "c "},
        {{.Verdict = "FAIL"}, "b "},
        {{.Station = "S1"}, "c "},
    };
    for (const auto& c : cases) {
        std::vector<TRunSummary> last;
        ASSERT_TRUE(LastRunPerUnit(Store, c.Filter, last, Error)) << Error;
        std::string ids;
        for (const TRunSummary& run : last) ids += run.Id + " ";
        EXPECT_EQ(ids, c.Ids) << c.Filter.Verdict << c.Filter.Station;
    }
}

TEST_P(RecordStoreTest, WaitingRunsAreSentOnceAndMarkedSent)
{
    QTemporaryDir dir;
    TRecordStore shared;
    ASSERT_TRUE(shared.Open(TestLocation(GetParam(), dir, "shared.sqlite"), Error)) << Error;
    ASSERT_TRUE(Store.AddRuns({SampleRecord({.Id = "a"}), SampleRecord({.Id = "b"})}, Error)) << Error;
    // "a" reached the shared store before the station stopped, unmarked.
    ASSERT_TRUE(shared.Add(*Store.Record("a"), Error)) << Error;
    EXPECT_EQ(SendWaitingRuns(Store, shared, Error), 2) << Error;
    EXPECT_EQ(Store.UnsentCount(), 0);
    EXPECT_EQ(SendWaitingRuns(Store, shared, Error), 0);
    std::vector<TRunSummary> runs;
    ASSERT_TRUE(FindRuns(shared, {}, 10, runs, Error)) << Error;
    EXPECT_EQ(runs.size(), 2u);
}

TEST_P(RecordStoreTest, RunsTheSharedStoreRefusedWaitToBeSentAgain)
{
    QTemporaryDir dir;
    TRecordStore shared;
    ASSERT_TRUE(shared.Open(TestLocation(GetParam(), dir, "shared.sqlite"), Error)) << Error;
    ASSERT_TRUE(QSqlQuery(shared.Database()).exec(QStringLiteral("DROP TABLE measurements")));
    ASSERT_TRUE(Store.AddRuns({SampleRecord({.Id = "a"}), SampleRecord({.Id = "b"})}, Error)) << Error;
    EXPECT_EQ(SendWaitingRuns(Store, shared, Error), 0);
    EXPECT_NE(Error, "");
    EXPECT_EQ(Store.UnsentCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(Stores, RecordStoreTest,
                         ::testing::Values(TRecordsLocation::SQLite, TRecordsLocation::PostgreSQL), KindName);
