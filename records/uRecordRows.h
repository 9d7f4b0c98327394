// A run's record as the rows of a store's tables, and their writing.
#pragma once

#include "records/uRecordStore.h"

#include <nlohmann/json.hpp>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <map>
#include <string>
#include <utility>
#include <vector>

struct TRunRows {
    QVariantList Run;                       // the columns of `runs` (RunIdColumn, RunVerdictColumn, …)
    std::vector<QVariantList> Steps;        // of `steps`
    std::vector<QVariantList> Measurements; // of `measurements`
};

enum { RunIdColumn = 0, RunVerdictColumn = 13 };

// The rows of a record; `error` says why a record cannot be stored (left empty when it can).
TRunRows RunRows(const nlohmann::json& record, std::string& error);

// Writes runs through prepared statements, inside the caller's transaction.
class TRowWriter {
public:
    explicit TRowWriter(QSqlDatabase& db);
    // True when the run is stored: written now, in place of its RUNNING record, or there
    // already (its rows are not written again); `outcome` says which.
    bool Write(const TRunRows& run, TRunStored& outcome);
    const std::string& Error() const { return FError; }

private:
    bool Exec(QSqlQuery& query, const QVariantList& values);
    // Removes the run's RUNNING record when `run` has ended (`replace` then says so).
    bool ReplaceableRunning(const TRunRows& run, bool& replace);
    // Inserts the rows into the table with one statement (one round trip to a server)
    // for each 500, prepared once for each number of rows.
    bool InsertRows(const char* table, const std::vector<QVariantList>& rows);

    QSqlDatabase& FDatabase;
    QSqlQuery FRun, FVerdict;
    std::vector<QSqlQuery> FDeletes;
    std::map<std::pair<std::string, size_t>, QSqlQuery> FInserts;
    std::string FError;
};
