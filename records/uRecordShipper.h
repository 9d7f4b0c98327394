// Sending a station's runs to the shared store. A run is always committed to the
// station's own store first; it is marked sent there only once the shared store has it,
// so a run is never lost while the shared store is away, and a run sent twice (the
// program stopped between the two steps) is stored once: the shared store knows its id.
#pragma once

#include "records/uRecordStore.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// Sends every waiting run, oldest first; the number sent, and `error` when the shared
// store failed on the way (the rest waits for the next time).
int SendWaitingRuns(TRecordStore& local, TRecordStore& shared, std::string& error);

// The same in the background, on a thread of its own with its own connections: at its
// start, whenever woken (a run was committed), and every `retry` while runs wait.
class TRecordShipper {
public:
    TRecordShipper(TRecordsLocation local, TRecordsLocation shared, std::chrono::milliseconds retry);
    TRecordShipper(const TRecordShipper&) = delete;
    TRecordShipper& operator=(const TRecordShipper&) = delete;
    // Ends the thread; a run being sent is finished first.
    ~TRecordShipper();

    void Wake();
    // Runs waiting to be sent, as last counted (-1 before the first count).
    int Waiting() const { return FWaiting; }
    // Why the last attempt failed; empty when it succeeded.
    std::string Problem() const;

private:
    void Run();

    const TRecordsLocation FLocal, FShared;
    const std::chrono::milliseconds FRetry;
    std::atomic<int> FWaiting{-1};
    mutable std::mutex FLock;
    std::condition_variable FChanged;
    bool FWoken = false;
    bool FEnding = false;
    std::string FProblem;
    std::thread FThread;
};
