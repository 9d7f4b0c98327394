#include "uSync.h"

void TMultiReadExclusiveWriteSynchronizer::BeginRead()
{
    const auto me = std::this_thread::get_id();
    std::unique_lock lock(FMutex);
    auto it = FReaders.find(me);
    const bool reentry = (it != FReaders.end()) || (FWriteDepth > 0 && FWriter == me);
    if (!reentry) FChanged.wait(lock, [&] { return FWriteDepth == 0 && FWritersWaiting == 0; });
    ++FReaders[me];
}

void TMultiReadExclusiveWriteSynchronizer::EndRead()
{
    const auto me = std::this_thread::get_id();
    std::lock_guard lock(FMutex);
    auto it = FReaders.find(me);
    if (it == FReaders.end()) return;
    if (--it->second == 0) {
        FReaders.erase(it);
        FChanged.notify_all();
    }
}

void TMultiReadExclusiveWriteSynchronizer::BeginWrite()
{
    const auto me = std::this_thread::get_id();
    std::unique_lock lock(FMutex);
    if (FWriteDepth > 0 && FWriter == me) {
        ++FWriteDepth;
        return;
    }
    ++FWritersWaiting;
    FChanged.wait(lock, [&] {
        if (FWriteDepth > 0) return false;
        // Free when no other thread reads; our own read depth (promotion) does not count.
        return FReaders.empty() || (FReaders.size() == 1 && FReaders.begin()->first == me);
    });
    --FWritersWaiting;
    FWriter = me;
    FWriteDepth = 1;
}

void TMultiReadExclusiveWriteSynchronizer::EndWrite()
{
    std::lock_guard lock(FMutex);
    if (FWriteDepth == 0 || FWriter != std::this_thread::get_id()) return;
    if (--FWriteDepth == 0) {
        FWriter = std::thread::id();
        FChanged.notify_all();
    }
}

bool TMultiReadExclusiveWriteSynchronizer::IsWriter() const
{
    std::lock_guard lock(FMutex);
    return FWriteDepth > 0 && FWriter == std::this_thread::get_id();
}
