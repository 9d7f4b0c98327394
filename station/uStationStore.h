// Where a station keeps its runs: its own store, to which every run is committed first,
// and, when one is named, the line's shared store, to which the station's waiting runs
// are then sent (see records/uRecordShipper.h).
#pragma once

#include "records/uRecordStore.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

struct TStationStores {
    std::string Local; // the station's SQLite file; empty: the runs are not stored
    std::optional<TRecordsLocation> Shared;
};

struct TStoredRun {
    bool Stored = false;       // committed to the station's store
    std::string Failure;       // why not
    int Waiting = 0;           // runs of the station not yet in the shared store
    std::string SharedProblem; // why they could not be sent now
};

// The stores a user names with one text (valdrix-cli's --records): a postgresql:// URL
// names the shared store, beside the station's own in the user's data folder; any other
// text a SQLite file in place of the station's own; the empty text only the station's
// own. Nothing, with the reason, for a URL that cannot be used.
std::optional<TStationStores> StationStoresNamed(const std::string& text, std::string& error);

// Commits the record to the station's store (in place of a RUNNING record of the run
// that was imported before), then sends what waits to the shared store for at most a
// second: the rest is sent later, by the next run or `valdrix-cli records sync`.
TStoredRun StoreRun(const nlohmann::json& record, const TStationStores& stores);
