#include "session/uSessionWorker.h"

#include <chrono>

TSessionWorker::TSessionWorker() : FThread([this] { Run(); }) {}

TSessionWorker::~TSessionWorker() { Finish(); }

void TSessionWorker::Finish()
{
    if (!FThread.joinable()) return;
    {
        const std::lock_guard lock(FLock);
        FEnding = true;
    }
    FChanged.notify_all();
    FThread.join();
}

void TSessionWorker::Post(TJob job)
{
    {
        const std::lock_guard lock(FLock);
        ++FPending;
        FJobs.push_back(std::move(job));
    }
    FChanged.notify_all();
}

bool TSessionWorker::PostIfIdle(TJob job)
{
    {
        const std::lock_guard lock(FLock);
        if (FPending.load() > 0) return false;
        ++FPending;
        FJobs.push_back(std::move(job));
    }
    FChanged.notify_all();
    return true;
}

void TSessionWorker::Interrupt()
{
    {
        const std::lock_guard lock(FLock);
        ++FGeneration;
    }
    FChanged.notify_all();
}

bool TSessionWorker::Pause(uint32_t ms, uint64_t generation)
{
    std::unique_lock lock(FLock);
    return !FChanged.wait_for(lock, std::chrono::milliseconds(ms),
                              [&] { return FGeneration.load() != generation || FEnding; });
}

void TSessionWorker::Run()
{
    for (;;) {
        TJob job;
        {
            std::unique_lock lock(FLock);
            FChanged.wait(lock, [&] { return FEnding || !FJobs.empty(); });
            if (FJobs.empty()) return;
            job = std::move(FJobs.front());
            FJobs.pop_front();
        }
        job();
        --FPending;
    }
}
