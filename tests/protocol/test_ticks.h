// The tick count as a test sets it: still until the test moves it, or one tick further
// at every reading. The real clock is back when the object goes.
#pragma once

#include "framework/uTimeoutManager.h"

#include <atomic>
#include <cstdint>

class TTestTicks {
public:
    TTestTicks(uint32_t now, uint32_t step) : FNow(now), FStep(step)
    {
        SetTickSource([this] { return FNow.fetch_add(FStep); });
    }
    ~TTestTicks() { SetTickSource(nullptr); }
    TTestTicks(const TTestTicks&) = delete;
    TTestTicks& operator=(const TTestTicks&) = delete;

    void Set(uint32_t now) { FNow = now; }
    void Advance(uint32_t ticks) { FNow += ticks; }

private:
    std::atomic<uint32_t> FNow;
    const uint32_t FStep;
};
