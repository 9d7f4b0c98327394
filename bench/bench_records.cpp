// The record store of a line at 100 000 runs: the yield per day over all of them, the
// history of one unit and the measurements that fail most, each on SQLite and on a
// PostgreSQL server of the benchmark's own; and the cost of writing one run.
//
// The runs have the shape of the sample plan's (nine steps, 42 measurements): 1000 runs
// a day for 100 days, 20 000 units of five runs each, two plans, four stations; about
// one run in twenty fails one measurement and one in a hundred ends in ERROR.
#include "bench/bench_app.h"
#include "records/uRecordQueries.h"
#include "tests/support/postgres_server.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <random>

namespace {

constexpr int Runs = 100000;
constexpr int Steps = 9;
constexpr int MeasurementsPerStep[Steps] = {2, 10, 1, 12, 4, 1, 1, 10, 1};

nlohmann::json Run(int n, std::mt19937& random)
{
    const QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(6, 0)).addSecs(int64_t(n / 1000) * 86400 + (n % 1000) * 50);
    const std::string started = start.toString(Qt::ISODateWithMs).toStdString() + "+01:00";
    const int roll = int(random() % 100);
    const std::string verdict = roll < 5 ? "FAIL" : roll < 6 ? "ERROR" : "PASS";
    const int failingStep = int(random() % Steps);
    nlohmann::json steps = nlohmann::json::array();
    for (int s = 0; s < Steps; ++s) {
        nlohmann::json measurements = nlohmann::json::array();
        for (int m = 0; m < MeasurementsPerStep[s]; ++m) {
            const bool fails = verdict != "PASS" && s == failingStep && m == n % MeasurementsPerStep[s];
            measurements.push_back({{"name", "M" + std::to_string(s) + "." + std::to_string(m)},
                                    {"value", fails ? 5.4 : 5.0},
                                    {"unit", "V"},
                                    {"limits", {{"low", 4.9}, {"high", 5.1}}},
                                    {"verdict", fails ? verdict : "PASS"},
                                    {"detail", nullptr}});
        }
        steps.push_back({{"name", "Step " + std::to_string(s)}, {"kind", "analog"},
                         {"verdict", s == failingStep ? verdict : "PASS"}, {"detail", nullptr},
                         {"started", started}, {"ended", started}, {"measurements", measurements}});
    }
    return {{"id", "run-" + std::to_string(n) + "-" + std::to_string(random())},
            {"format", "valdrix-test-record/1"},
            {"plan", {{"name", n % 2 ? "Smyčka" : "Servis"}, {"version", "1.0"}}},
            {"unit", {{"id", "U" + std::to_string(n % 20000)}, {"identification", "Valdrix"}, {"serial_numbers", nullptr}}},
            {"station", "S" + std::to_string(n % 4)},
            {"operator", "Novák"},
            {"started", started},
            {"ended", started},
            {"verdict", verdict},
            {"detail", nullptr},
            {"steps", steps}};
}

// One filled store per kind, made on first use and kept for every benchmark; main
// closes them before the program's end (Qt's list of connections is gone by then).
struct TFilledStore {
    QTemporaryDir Dir;
    std::unique_ptr<TPostgresServer> Server;
    TRecordStore Store;
    std::string Problem;
};

std::unique_ptr<TFilledStore> FilledStores[2];

TFilledStore& Filled(TRecordsLocation::TKind kind)
{
    std::unique_ptr<TFilledStore>& filled = FilledStores[kind];
    if (filled) return *filled;
    BenchApp();
    filled = std::make_unique<TFilledStore>();
    std::string text = filled->Dir.filePath(QStringLiteral("records.sqlite")).toStdString();
    if (kind == TRecordsLocation::PostgreSQL) {
        filled->Server = std::make_unique<TPostgresServer>();
        text = filled->Server->NewDatabase();
        if (text.empty()) {
            filled->Problem = filled->Server->Problem();
            return *filled;
        }
    }
    std::string error;
    const auto location = TRecordsLocation::Parse(text, error);
    if (!location || !filled->Store.Open(*location, error)) {
        filled->Problem = error;
        return *filled;
    }
    std::mt19937 random(13);
    std::vector<nlohmann::json> batch;
    for (int n = 0; n < Runs && filled->Problem.empty(); ++n) {
        batch.push_back(Run(n, random));
        if (batch.size() == 1000) {
            if (!filled->Store.AddRuns(batch, error)) filled->Problem = error;
            batch.clear();
        }
    }
    return *filled;
}

template <class Query>
void TimeQuery(benchmark::State& state, TRecordsLocation::TKind kind, Query query)
{
    TFilledStore& filled = Filled(kind);
    if (!filled.Problem.empty()) {
        state.SkipWithError(filled.Problem.c_str());
        return;
    }
    std::string error;
    for (auto _ : state)
        if (!query(filled.Store, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
}

void YieldPerDay(benchmark::State& state, TRecordsLocation::TKind kind)
{
    TimeQuery(state, kind, [](TRecordStore& store, std::string& error) {
        std::vector<TYield> days;
        return YieldOf(store, {}, TYieldBy::Day, days, error) && days.size() == Runs / 1000;
    });
}

void UnitHistory(benchmark::State& state, TRecordsLocation::TKind kind)
{
    TimeQuery(state, kind, [](TRecordStore& store, std::string& error) {
        std::vector<TRunSummary> runs;
        return FindRuns(store, {.Unit = "U12345"}, 1000, runs, error) && runs.size() == 5;
    });
}

void TopFailingMeasurements(benchmark::State& state, TRecordsLocation::TKind kind)
{
    TimeQuery(state, kind, [](TRecordStore& store, std::string& error) {
        std::vector<TFailingMeasurement> failing;
        return TopFailing(store, {}, 10, failing, error) && failing.size() == 10;
    });
}

// One run of the sample plan's shape written into the filled store (its own transaction).
void WriteOneRun(benchmark::State& state, TRecordsLocation::TKind kind)
{
    TFilledStore& filled = Filled(kind);
    if (!filled.Problem.empty()) {
        state.SkipWithError(filled.Problem.c_str());
        return;
    }
    std::mt19937 random(int(state.iterations()) + 17);
    std::string error;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const nlohmann::json record = Run(n++, random);
        state.ResumeTiming();
        if (!filled.Store.Add(record, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
}

} // namespace

#define RECORDS_BENCHMARK(function)                                                                       \
    BENCHMARK_CAPTURE(function, sqlite, TRecordsLocation::SQLite)->Unit(benchmark::kMillisecond);         \
    BENCHMARK_CAPTURE(function, postgresql, TRecordsLocation::PostgreSQL)->Unit(benchmark::kMillisecond)

RECORDS_BENCHMARK(YieldPerDay);
RECORDS_BENCHMARK(UnitHistory);
RECORDS_BENCHMARK(TopFailingMeasurements);
RECORDS_BENCHMARK(WriteOneRun);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    for (std::unique_ptr<TFilledStore>& filled : FilledStores) filled.reset();
    benchmark::Shutdown();
    return 0;
}
