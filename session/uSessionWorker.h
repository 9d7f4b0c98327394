// The one thread on which a session calls its device and its links: jobs run one at a
// time, in the order they were posted.
//
// A stop (Interrupt) is seen by every job posted before it: Live(generation) turns false
// for them, and a pause in progress ends at once. Jobs posted after the stop see the new
// generation and run normally. Post, Interrupt, Generation and Busy may be called from
// any thread; Live and Pause belong to the jobs.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class TSessionWorker {
public:
    using TJob = std::function<void()>;

    TSessionWorker();
    TSessionWorker(const TSessionWorker&) = delete;
    TSessionWorker& operator=(const TSessionWorker&) = delete;
    // Runs the jobs still queued, then ends the thread.
    ~TSessionWorker();
    // The same, ahead of destruction; nothing may be posted afterwards.
    void Finish();

    void Post(TJob job);
    // Posts the job only when nothing runs or waits; false when it was not posted.
    bool PostIfIdle(TJob job);
    // A job runs or waits.
    bool Busy() const { return FPending.load() > 0; }

    // The generation a job posted now belongs to.
    uint64_t Generation() const { return FGeneration.load(); }
    // Stops every job posted so far: their generation is no longer live and their pauses end.
    void Interrupt();
    bool Live(uint64_t generation) const { return FGeneration.load() == generation; }
    // Waits `ms` unless the generation is stopped meanwhile; true when it waited in full.
    bool Pause(uint32_t ms, uint64_t generation);
    // Runs on the worker thread.
    bool OnWorkerThread() const { return std::this_thread::get_id() == FThread.get_id(); }

private:
    void Run();

    std::mutex FLock;
    std::condition_variable FChanged;
    std::deque<TJob> FJobs;
    std::atomic<int> FPending{0};
    std::atomic<uint64_t> FGeneration{0};
    bool FEnding = false;
    std::thread FThread;
};
