#include "records/uRecordShipper.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// Runs read and sent in one go.
constexpr int Batch = 100;
// How long an owner that goes waits for its thread to end.
constexpr std::chrono::milliseconds EndGrace{200};
// Sending threads that have not finished yet.
std::atomic<int> LiveSenders{0};

using TClock = std::chrono::steady_clock;

} // namespace

// What a sending thread shares with its owner; the thread holds it too, so it outlives
// an owner that did not wait.
struct TShippingState {
    TShippingState(TRecordsLocation local, TRecordsLocation shared) : Local(std::move(local)), Shared(std::move(shared))
    {
        ++LiveSenders;
    }

    const TRecordsLocation Local, Shared;
    std::mutex Lock;
    std::condition_variable Changed;
    bool Ending = false; // the owner is gone or wants no more batches
    bool Woken = false;
    bool Finished = false; // the thread is past its last call on a store
    int Sent = 0;
    int Waiting = -1;
    std::string Problem;
    std::optional<TClock::time_point> BusySince; // a call on the shared store goes on

    bool GoOn(int sent)
    {
        const std::lock_guard lock(Lock);
        Sent = sent;
        return !Ending;
    }
    // Tells the thread to end, and gives it `grace` to do so: a thread that ends is not
    // left to close its connections while the program ends.
    void End(std::chrono::milliseconds grace)
    {
        std::unique_lock lock(Lock);
        Ending = true;
        Changed.notify_all();
        Changed.wait_for(lock, grace, [&] { return Finished; });
    }
    // Called by the thread as its very last step.
    void Finish()
    {
        {
            const std::lock_guard lock(Lock);
            Finished = true;
        }
        Changed.notify_all();
        --LiveSenders;
    }
};

int EndBesideWaitingSenders(int status)
{
    if (LiveSenders == 0) return status;
    std::fflush(nullptr);
    std::_Exit(status);
}

int SendWaitingRuns(TRecordStore& local, TRecordStore& shared, std::string& error,
                    const std::function<bool(int sent)>& goOn)
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
        if (goOn && !goOn(sent)) return sent;
    }
    return sent;
}

TShipment::TShipment(const TRecordsLocation& local, const TRecordsLocation& shared)
    : FState(std::make_shared<TShippingState>(local, shared))
{
    std::thread([state = FState] {
        std::string error;
        {
            TRecordStore station, line;
            if (station.Open(state->Local, error) && line.Open(state->Shared, error))
                SendWaitingRuns(station, line, error, [&](int sent) { return state->GoOn(sent); });
        }
        {
            const std::lock_guard lock(state->Lock);
            state->Problem = error;
        }
        state->Finish();
    }).detach();
}

TShipment::~TShipment() { FState->End(EndGrace); }

bool TShipment::WaitUntil(TClock::time_point deadline, const std::function<bool()>& stop)
{
    std::unique_lock lock(FState->Lock);
    for (;;) {
        const TClock::time_point slice = std::min(deadline, TClock::now() + std::chrono::milliseconds(50));
        if (FState->Changed.wait_until(lock, slice, [&] { return FState->Finished; })) return true;
        if (TClock::now() >= deadline || (stop && stop())) return false;
    }
}

int TShipment::Sent() const
{
    const std::lock_guard lock(FState->Lock);
    return FState->Sent;
}

std::string TShipment::Error() const
{
    const std::lock_guard lock(FState->Lock);
    return FState->Problem;
}

namespace {

// One attempt of a station's shipper: counts what waits, sends it, counts again.
void ShipOnce(TShippingState& state, TRecordStore& local, TRecordStore& shared, std::string& error)
{
    if (!local.IsOpen() && !local.Open(state.Local, error)) return;
    const auto count = [&] {
        const int waiting = local.UnsentCount();
        const std::lock_guard lock(state.Lock);
        state.Waiting = waiting;
    };
    count();
    {
        const std::lock_guard lock(state.Lock);
        state.BusySince = TClock::now();
    }
    if (shared.IsOpen() || shared.Open(state.Shared, error)) {
        SendWaitingRuns(local, shared, error, [&](int sent) { return state.GoOn(sent); });
        // A shared store that failed is opened afresh next time.
        if (!error.empty()) shared.Close();
    }
    {
        const std::lock_guard lock(state.Lock);
        state.BusySince.reset();
    }
    count();
}

void RunShipper(TShippingState& state, std::chrono::milliseconds retry)
{
    TRecordStore local, shared;
    for (;;) {
        std::string error;
        ShipOnce(state, local, shared, error);
        std::unique_lock lock(state.Lock);
        state.Problem = error;
        state.Changed.wait_for(lock, retry, [&] { return state.Ending || state.Woken; });
        if (state.Ending) return;
        state.Woken = false;
    }
}

} // namespace

TRecordShipper::TRecordShipper(TRecordsLocation local, TRecordsLocation shared, std::chrono::milliseconds retry)
    : FState(std::make_shared<TShippingState>(std::move(local), std::move(shared)))
{
    std::thread([state = FState, retry] {
        RunShipper(*state, retry);
        state->Finish();
    }).detach();
}

TRecordShipper::~TRecordShipper() { FState->End(EndGrace); }

void TRecordShipper::Wake()
{
    {
        const std::lock_guard lock(FState->Lock);
        FState->Woken = true;
    }
    FState->Changed.notify_all();
}

int TRecordShipper::Waiting() const
{
    const std::lock_guard lock(FState->Lock);
    return FState->Waiting;
}

std::string TRecordShipper::Problem() const
{
    const std::lock_guard lock(FState->Lock);
    if (FState->BusySince && TClock::now() - *FState->BusySince >= SilentServer)
        return "no answer from the shared records at " + FState->Shared.Display() + " for " +
               std::to_string(std::chrono::duration_cast<std::chrono::seconds>(TClock::now() - *FState->BusySince).count()) +
               " s";
    return FState->Problem;
}
