#include "station/uStationStore.h"

#include "records/uRecordShipper.h"

std::optional<TStationStores> StationStoresNamed(const std::string& text, std::string& error)
{
    TStationStores stores;
    stores.Local = DefaultLocalRecordsPath();
    if (text.empty()) return stores;
    std::optional<TRecordsLocation> location = TRecordsLocation::Parse(text, error);
    if (!location) return std::nullopt;
    if (location->Kind == TRecordsLocation::PostgreSQL)
        stores.Shared = std::move(location);
    else
        stores.Local = location->Path;
    return stores;
}

TStoredRun StoreRun(const nlohmann::json& record, const TStationStores& stores)
{
    TStoredRun stored;
    TRecordStore station;
    if (!station.Open(TRecordsLocation::File(stores.Local), stored.Failure) || !station.Add(record, stored.Failure)) return stored;
    stored.Stored = true;
    TRecordStore shared;
    if (stores.Shared && shared.Open(*stores.Shared, stored.SharedProblem))
        SendWaitingRuns(station, shared, stored.SharedProblem);
    stored.Waiting = stores.Shared ? station.UnsentCount() : 0;
    return stored;
}
