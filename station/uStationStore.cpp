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

namespace {

// How long a run's end waits for the shared store: what is not sent by then waits for
// the next run or `valdrix-cli records sync`.
constexpr std::chrono::milliseconds ShippingWait{800};

void Ship(TRecordStore& station, const TRecordsLocation& shared, TStoredRun& stored)
{
    TShipment shipment(station.Location(), shared);
    if (shipment.WaitUntil(std::chrono::steady_clock::now() + ShippingWait))
        stored.SharedProblem = shipment.Error();
    else
        stored.SharedProblem = "the shared records at " + shared.Display() + " did not take them within " +
                               std::to_string(ShippingWait.count()) + " ms";
    stored.Waiting = station.UnsentCount();
}

} // namespace

TStoredRun StoreRun(const nlohmann::json& record, const TStationStores& stores)
{
    TStoredRun stored;
    try {
        TRecordStore station;
        if (!station.Open(TRecordsLocation::File(stores.Local), stored.Failure) || !station.Add(record, stored.Failure))
            return stored;
        stored.Stored = true;
        if (stores.Shared) Ship(station, *stores.Shared, stored);
    } catch (const std::exception& e) {
        // Nothing a record holds may end the run that made it.
        if (!stored.Stored) stored.Failure = e.what();
        else stored.SharedProblem = e.what();
    }
    return stored;
}
