// What a line asks of its records: the runs that match a filter, the yield per day or
// per plan, the measurements that fail most, and the last verdict of each unit. Each
// query runs on the store's own thread; false with the database's reason on failure.
#pragma once

#include "records/uRecordStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Every field set narrows the runs: the unit (its typed id, else its serial numbers),
// the plan's name, the station, the run's verdict, and the start within [From, To): an
// instant, or a time of day at the station (its local time, as its records give it).
struct TRecordFilter {
    std::string Unit, Plan, Station, Verdict;
    std::optional<int64_t> FromMs, ToMs;       // milliseconds since 1970, UTC
    std::optional<std::string> FromLocal, ToLocal; // "YYYY-MM-DDThh:mm:ss.zzz", the station's time
};

struct TRunSummary {
    std::string Id, Plan, PlanVersion, Unit, Station, Operator, Started, Verdict, Detail;
    std::string Ending; // how the run ended (COMPLETED, ABORTED, ERROR); empty in older records
};

struct TYield {
    std::string Key; // the day (YYYY-MM-DD, the station's local date) or the plan
    int64_t Runs = 0;
    int64_t Passed = 0;
};

struct TFailingMeasurement {
    std::string Step, Measurement;
    int64_t Failures = 0; // FAIL or ERROR
};

// The runs, newest first, at most `limit`.
bool FindRuns(TRecordStore& store, const TRecordFilter& filter, int limit, std::vector<TRunSummary>& runs,
              std::string& error);
enum class TYieldBy { Day, Plan };
bool YieldOf(TRecordStore& store, const TRecordFilter& filter, TYieldBy by, std::vector<TYield>& yields,
             std::string& error);
// The measurements that failed most often, at most `limit`, most failures first.
bool TopFailing(TRecordStore& store, const TRecordFilter& filter, int limit,
                std::vector<TFailingMeasurement>& failing, std::string& error);
// The last run of each unit (as its summary), ordered by unit, when it matches the
// filter: a unit whose last run does not match is left out, whatever it did before.
bool LastRunPerUnit(TRecordStore& store, const TRecordFilter& filter, std::vector<TRunSummary>& runs,
                    std::string& error);
