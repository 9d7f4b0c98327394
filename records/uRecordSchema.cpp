#include "records/uRecordSchema.h"

const std::vector<TSchemaStep>& RecordSchemaSteps()
{
    static const std::vector<TSchemaStep> steps = {
        // 0 -> 1: runs, steps, measurements.
        {
            // `unit` is what names the unit in queries: the typed or scanned id, else the
            // serial numbers. `day` is the station's local date of the start, `started_ms`
            // the start in milliseconds since 1970 (UTC). `sent`: sent to the shared store.
            "CREATE TABLE runs (id TEXT PRIMARY KEY, plan TEXT NOT NULL, plan_version TEXT NOT NULL,"
            " unit TEXT NOT NULL, unit_id TEXT, unit_serial TEXT, unit_identification TEXT,"
            " station TEXT NOT NULL, operator TEXT NOT NULL, started TEXT NOT NULL, started_ms BIGINT NOT NULL,"
            " day TEXT NOT NULL, ended TEXT, verdict TEXT NOT NULL, detail TEXT, record TEXT NOT NULL,"
            " sent INTEGER NOT NULL DEFAULT 0)",
            "CREATE INDEX runs_unit ON runs (unit, started_ms)",
            "CREATE INDEX runs_plan ON runs (plan, started_ms)",
            "CREATE INDEX runs_started ON runs (started_ms)",
            "CREATE INDEX runs_verdict ON runs (verdict, started_ms)",
            "CREATE INDEX runs_day ON runs (day, verdict)",
            "CREATE INDEX runs_unsent ON runs (started_ms) WHERE sent = 0",
            "CREATE TABLE steps (run_id TEXT NOT NULL REFERENCES runs (id), position INTEGER NOT NULL,"
            " name TEXT NOT NULL, kind TEXT NOT NULL, verdict TEXT NOT NULL, detail TEXT, started TEXT, ended TEXT,"
            " PRIMARY KEY (run_id, position))",
            // Values are numbers or texts; limits keep their text (numbers, or dotted versions).
            "CREATE TABLE measurements (run_id TEXT NOT NULL, step INTEGER NOT NULL, position INTEGER NOT NULL,"
            " step_name TEXT NOT NULL, name TEXT NOT NULL, value_number DOUBLE PRECISION, value_text TEXT,"
            " unit TEXT NOT NULL, low TEXT, high TEXT, expected TEXT, verdict TEXT NOT NULL, detail TEXT,"
            " PRIMARY KEY (run_id, step, position), FOREIGN KEY (run_id, step) REFERENCES steps (run_id, position))",
            // Failures are few: the measurements that fail most are counted from these alone.
            "CREATE INDEX measurements_failed ON measurements (step_name, name, run_id) WHERE verdict <> 'PASS'",
        },
        // 1 -> 2: how the run ended (COMPLETED, ABORTED, ERROR) beside its verdict; NULL
        // for runs recorded before it was kept.
        {
            "ALTER TABLE runs ADD COLUMN ending TEXT",
        },
    };
    return steps;
}
