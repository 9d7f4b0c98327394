#include "sim/SimLoop.h"

#include <poll.h>

#include <algorithm>
#include <chrono>

namespace {

int64_t SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}

TSimLoop::TSimLoop() : FStart(SteadyMs()) {}

int64_t TSimLoop::Now() const { return SteadyMs() - FStart; }

bool TSimLoop::After(int64_t delayMs, std::function<void()> action)
{
    if (FTimers.size() >= MaxTimers) return false;
    FTimers.emplace(std::make_pair(Now() + delayMs, FSequence++), std::move(action));
    return true;
}

void TSimLoop::RunOnce(int maxWaitMs)
{
    std::vector<TWatch> watches;
    for (ISource* source : FSources) source->Watches(watches);
    std::vector<pollfd> fds;
    for (const TWatch& w : watches) fds.push_back({w.Fd, w.Events, 0});

    int64_t wait = maxWaitMs;
    if (!FTimers.empty()) wait = std::clamp<int64_t>(FTimers.begin()->first.first - Now(), 0, wait);
    if (poll(fds.data(), fds.size(), int(wait)) > 0) {
        for (size_t i = 0; i < fds.size(); ++i)
            if (fds[i].revents) watches[i].OnReady(fds[i].revents);
    }
    RunDueTimers();
}

void TSimLoop::RunDueTimers()
{
    while (!FTimers.empty() && FTimers.begin()->first.first <= Now()) {
        auto action = std::move(FTimers.begin()->second);
        FTimers.erase(FTimers.begin());
        action();
    }
}
