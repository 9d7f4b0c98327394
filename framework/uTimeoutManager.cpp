#include "uTimeoutManager.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace {
std::mutex gSourceMutex;
std::function<uint32_t()> gSource;

uint32_t SteadyTicks()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
} // namespace

uint32_t GetTickCount()
{
    {
        std::lock_guard lock(gSourceMutex);
        if (gSource) return gSource();
    }
    return SteadyTicks();
}

void Sleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void SetTickSource(std::function<uint32_t()> source)
{
    std::lock_guard lock(gSourceMutex);
    gSource = std::move(source);
}

void TTimeoutRecord::Start(int64_t durationMs)
{
    FStart = GetTickCount();
    FDuration = durationMs;
}

int64_t TTimeoutRecord::Elapsed()
{
    const int64_t now = GetTickCount();
    if (now < FStart) FStart -= int64_t(1) << 32;
    return now - FStart;
}

int64_t TTimeoutRecord::Remaining() { return FDuration - Elapsed(); }
