// What the station window shows of the station's records (its last runs, the history
// tab): read on a thread of Qt's global pool from a store opened there, so that the
// window never waits for the database; the result is posted back to the window.
#pragma once

#include "app/station/uPostBox.h"
#include "records/uRecordQueries.h"

#include <functional>
#include <string>
#include <vector>

struct TRecordsAsk {
    std::string Store; // the station's SQLite file
    TRecordFilter Filter;
    int RunLimit = 0;
    bool Statistics = false; // the yield per day and the measurements that fail most too
};

struct TRecordsView {
    std::vector<TRunSummary> Runs; // newest first
    std::vector<TYield> Yields;    // per day, oldest first
    std::vector<TFailingMeasurement> Failing;
    std::string Error; // why the store could not be read
};

TRecordsView ReadRecordsView(const TRecordsAsk& ask);
// Reads in the background; `done` runs on the box's thread (not at all when it is gone).
void ReadRecordsLater(TPostBoxPtr box, TRecordsAsk ask, std::function<void(const TRecordsView&)> done);
