// A run's record on disk and in the station's store: texts that are not UTF-8, long unit
// ids, two runs of a unit in one second, a recorder killed mid-run, and what the record
// keeps of limits and of how the run ended.
#include "records/uRecordQueries.h"
#include "station/uRunRecord.h"
#include "station/uStationStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <chrono>
#include <csignal>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace {

// A run of `steps` steps of `measurements` measurements each, as the runner fills it,
// telling `record` of each stage; the run's end only when `end`.
TRunResult RecordedRun(const std::function<void(const TRunEvent&)>& record, int steps, int measurements, bool end,
                       const TUnitIdentity& unit = {"A1", "Valdrix ; v 1.0 ; SIM", ""})
{
    TRunResult run;
    run.Id = NewRunId();
    run.PlanName = "Smyčka";
    run.PlanVersion = "1.0";
    run.Station = "S1";
    run.Operator = "Novák";
    run.Unit = unit;
    run.Started = "2026-12-01T08:00:00.000+01:00";
    record({TRunEvent::TKind::RunStarted, run});
    for (int s = 0; s < steps; ++s) {
        run.Steps.push_back({"Analog " + std::to_string(s), "analog", TVerdict::Running, "", {}, run.Started, ""});
        record({TRunEvent::TKind::StepStarted, run, s});
        for (int m = 0; m < measurements; ++m) {
            TMeasurement measured{"AI" + std::to_string(m), 5.0, "V", {4.9, 5.1}, {}, "", "", TVerdict::Pass, ""};
            run.Steps.back().Measurements.push_back(measured);
            record({TRunEvent::TKind::Measured, run, s, m});
        }
        run.Steps.back().Verdict = TVerdict::Pass;
        run.Steps.back().Ended = run.Started;
        record({TRunEvent::TKind::StepEnded, run, s});
    }
    if (end) {
        run.Verdict = TVerdict::Pass;
        run.Ending = TRunEnding::Completed;
        run.Ended = run.Started;
        record({TRunEvent::TKind::RunEnded, run});
    }
    return run;
}

size_t Measurements(const nlohmann::json& record)
{
    size_t count = 0;
    for (const nlohmann::json& step : record.value("steps", nlohmann::json::array()))
        count += step.value("measurements", nlohmann::json::array()).size();
    return count;
}

nlohmann::json FileJson(const std::string& path)
{
    std::ifstream in(path);
    return nlohmann::json::parse(in, nullptr, false);
}

} // namespace

TEST(RunRecords, ARunWhoseTextsAreNotUtf8IsRecordedStoredAndListed)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    // A windows-1250 "Č" from the module, a Latin-1 "é" typed.
    const TUnitIdentity unit{"U\xe9", "Valdrix ; v 1.0 ; SIM \xc8", ""};
    std::optional<TRunRecorder> recorder;
    std::string path;
    const TRunResult run = RecordedRun(
        [&](const TRunEvent& e) {
            if (!recorder) recorder.emplace(path = ReserveRecordPath(folder, e.Run), folder + "/junit.xml");
            recorder->Record(e);
        },
        1, 2, true, unit);
    EXPECT_EQ(recorder->Failure(), "");
    EXPECT_EQ(FileJson(path).value("unit", nlohmann::json())["identification"], "Valdrix ; v 1.0 ; SIM \xef\xbf\xbd");

    const TStationStores stores{folder + "/records.sqlite", std::nullopt};
    const TStoredRun stored = StoreRun(RunRecordJson(run), stores);
    ASSERT_TRUE(stored.Stored) << stored.Failure;
    TRecordStore store;
    std::string error;
    ASSERT_TRUE(store.Open(TRecordsLocation::File(stores.Local), error)) << error;
    std::vector<TRunSummary> runs;
    ASSERT_TRUE(FindRuns(store, {}, 10, runs, error)) << error;
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].Unit, "U\xef\xbf\xbd");
}

TEST(RunRecords, UnitIdsOfAnyLengthGetACompleteRecordFileOfTheirOwn)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    std::set<std::string> paths;
    for (const size_t length : {8, 64, 65, 228, 235, 1000}) {
        TRunResult run;
        run.Started = "2026-12-01T08:00:00.000+01:00";
        // Two ids alike but in their last character; each run twice in the same second.
        for (const char last : {'a', 'b'})
            for (int twice = 0; twice < 2; ++twice) {
                run.Unit.Id = std::string(length - 1, 'A') + last;
                const std::string path = ReserveRecordPath(folder, run);
                EXPECT_LE(std::filesystem::path(path).filename().string().size(), 100u) << length;
                EXPECT_TRUE(paths.insert(path).second) << path;
                EXPECT_EQ(FileJson(path).value("unit", nlohmann::json())["id"], run.Unit.Id) << length;
            }
    }
}

TEST(RunRecords, ARecordKilledMidRunIsValidAndTheNextRunInItsFolderCompletesIt)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    std::string path;
    {
        std::optional<TRunRecorder> recorder;
        RecordedRun(
            [&](const TRunEvent& e) {
                if (!recorder) recorder.emplace(path = ReserveRecordPath(folder, e.Run));
                recorder->Record(e);
            },
            3, 40, false);
        // The recorder ends without the run's end, as a killed program does.
    }
    const nlohmann::json onDisk = FileJson(path);
    ASSERT_TRUE(onDisk.is_object());
    EXPECT_EQ(onDisk["verdict"], "RUNNING");
    EXPECT_EQ(Measurements(ReadRecordFile(path).value_or(nlohmann::json())), 120u);
    // What killed writes left, a minute old; a write going on now; a file of the user's.
    const std::string stale = path + ".Ab12Cd", fresh = path + ".Ef34Gh", users = folder + "/notes.json.backup";
    const utimbuf old{time(nullptr) - 120, time(nullptr) - 120};
    for (const std::string& file : {stale, fresh, users}) std::ofstream(file) << "{";
    for (const std::string& file : {stale, users}) ASSERT_EQ(utime(file.c_str(), &old), 0);

    TRunResult next;
    next.Started = "2026-12-01T09:00:00.000+01:00";
    ReserveRecordPath(folder, next);
    EXPECT_EQ(Measurements(FileJson(path)), 120u);
    EXPECT_FALSE(std::filesystem::exists(path + ".journal"));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(fresh));
    EXPECT_TRUE(std::filesystem::exists(users));
}

TEST(RunRecords, ARecorderKilledAtAnyMomentLeavesOnlyValidRecords)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    std::mt19937 random(11);
    for (int round = 0; round < 25; ++round) {
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            // Runs one after another, each recorded from its reservation on, until killed.
            for (;;) {
                std::optional<TRunRecorder> recorder;
                RecordedRun(
                    [&](const TRunEvent& e) {
                        if (!recorder) recorder.emplace(ReserveRecordPath(folder, e.Run));
                        recorder->Record(e);
                    },
                    2, 5, true);
            }
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 20000);
        while (std::chrono::steady_clock::now() < end) {
        }
        ::kill(writer, SIGKILL);
        ASSERT_EQ(waitpid(writer, nullptr, 0), writer);
    }
    size_t records = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".json") {
            ++records;
            EXPECT_TRUE(FileJson(entry.path()).is_object()) << entry.path() << " of " << entry.file_size() << " bytes";
        }
    EXPECT_GT(records, 0u);
}

TEST(RunRecords, TheRecordKeepsVersionLimitsAndHowTheRunEnded)
{
    TMeasurement version{"firmware", std::string("1.4"), "", {}, {}, "1.2", "2.0", TVerdict::Pass, ""};
    EXPECT_EQ(MeasurementRecordJson(version)["limits"], (nlohmann::json{{"low", "1.2"}, {"high", "2.0"}}));
    TRunResult run;
    run.Verdict = TVerdict::Fail;
    run.Ending = TRunEnding::Aborted;
    const nlohmann::json record = RunRecordJson(run);
    EXPECT_EQ(record["verdict"].get<std::string>() + "/" + record["ending"].get<std::string>(), "FAIL/ABORTED");
}
