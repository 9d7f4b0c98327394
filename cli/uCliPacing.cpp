#include "cli/uCliPacing.h"

#include <atomic>
#include <csignal>
#include <ctime>

namespace {

std::atomic<bool> StopRequested{false};

void OnStopSignal(int) { StopRequested = true; }

// Sleeps until `due` unless a stop signal comes first: the signal ends the sleep (EINTR).
void SleepUntil(std::chrono::steady_clock::time_point due)
{
    using namespace std::chrono;
    for (auto now = steady_clock::now(); now < due && !StopRequested; now = steady_clock::now()) {
        const auto left = duration_cast<nanoseconds>(due - now);
        const timespec pause{time_t(left.count() / 1000000000), long(left.count() % 1000000000)};
        nanosleep(&pause, nullptr);
    }
}

} // namespace

TCliPacer::TCliPacer(std::chrono::milliseconds interval) : FInterval(interval)
{
    StopRequested = false;
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

bool TCliPacer::Next()
{
    if (FLastStart) SleepUntil(*FLastStart + FInterval);
    FLastStart = std::chrono::steady_clock::now();
    return !StopRequested;
}

bool TCliPacer::Pause(std::chrono::milliseconds length)
{
    SleepUntil(std::chrono::steady_clock::now() + length);
    return !StopRequested;
}

bool TCliPacer::Stopped() const { return StopRequested; }
