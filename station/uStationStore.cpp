#include "station/uStationStore.h"

#include "records/uRecordShipper.h"

TStoredRun StoreRun(const nlohmann::json& record, const TStationStores& stores)
{
    TStoredRun stored;
    TRecordsLocation local;
    local.Path = stores.Local;
    TRecordStore station;
    if (!station.Open(local, stored.Failure) || !station.Add(record, stored.Failure)) return stored;
    stored.Stored = true;
    TRecordStore shared;
    if (stores.Shared && shared.Open(*stores.Shared, stored.SharedProblem))
        SendWaitingRuns(station, shared, stored.SharedProblem);
    stored.Waiting = stores.Shared ? station.UnsentCount() : 0;
    return stored;
}
