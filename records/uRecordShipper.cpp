#include "records/uRecordShipper.h"

namespace {

// Runs read and sent in one go.
constexpr int Batch = 100;

} // namespace

int SendWaitingRuns(TRecordStore& local, TRecordStore& shared, std::string& error)
{
    int sent = 0;
    for (std::vector<std::string> ids = local.Unsent(Batch); !ids.empty(); ids = local.Unsent(Batch)) {
        std::vector<nlohmann::json> records;
        for (const std::string& id : ids)
            if (std::optional<nlohmann::json> record = local.Record(id)) records.push_back(std::move(*record));
        if (!shared.AddRuns(records, error)) return sent;
        for (const std::string& id : ids)
            if (!local.MarkSent(id, error)) return sent;
        sent += int(ids.size());
    }
    return sent;
}

TRecordShipper::TRecordShipper(TRecordsLocation local, TRecordsLocation shared, std::chrono::milliseconds retry)
    : FLocal(std::move(local)), FShared(std::move(shared)), FRetry(retry), FThread([this] { Run(); })
{
}

TRecordShipper::~TRecordShipper()
{
    {
        const std::lock_guard lock(FLock);
        FEnding = true;
    }
    FChanged.notify_all();
    FThread.join();
}

void TRecordShipper::Wake()
{
    {
        const std::lock_guard lock(FLock);
        FWoken = true;
    }
    FChanged.notify_all();
}

std::string TRecordShipper::Problem() const
{
    const std::lock_guard lock(FLock);
    return FProblem;
}

void TRecordShipper::Run()
{
    TRecordStore local, shared;
    for (;;) {
        std::string error;
        if (local.IsOpen() || local.Open(FLocal, error)) {
            if (shared.IsOpen() || shared.Open(FShared, error)) {
                SendWaitingRuns(local, shared, error);
                // A shared store that failed is opened afresh next time.
                if (!error.empty()) shared.Close();
            }
            FWaiting = local.UnsentCount();
        }
        std::unique_lock lock(FLock);
        FProblem = error;
        FChanged.wait_for(lock, FRetry, [&] { return FEnding || FWoken; });
        if (FEnding) return;
        FWoken = false;
    }
}
