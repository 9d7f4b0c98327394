// valdrix-cli records: what the production test records hold, without a module.
//   records [runs|yield|failing|last] [--unit U] [--plan P] [--station S] [--verdict V]
//           [--from T] [--to T] [--by day|plan] [--limit N] [--csv]
//   records import FILE|FOLDER     stores record files (FOLDER: its *.json) in the station's store
//   records sync                   sends the station's waiting runs to the shared store
// --records URL names the store: a postgresql:// URL the line's shared store, anything
// else a SQLite file in place of the station's own (StationStoresNamed). Queries
// read the shared store when one is named, else the station's.
#pragma once

#include "cli/uCliOptions.h"
#include "records/uRecordQueries.h"
#include "station/uStationStore.h"

struct TCliRecordsOptions {
    std::string What = "runs";
    std::string Path;          // import: the file or folder
    TStationStores Stores;
    TRecordFilter Filter;
    TYieldBy By = TYieldBy::Day;
    int Limit = 50;
    bool Csv = false;
};

TCliCommandSyntax CliRecordsSyntax();
// Raises ECliUsage for bad arguments.
TCliRecordsOptions PrepareRecords(const TCliArgs& args);
// Returns the exit status: CliExitConnection when a store cannot be opened.
int RunRecords(const TCliOptions& options, const TCliRecordsOptions& records);
