// Millisecond ticks and time-out records.
//
// GetTickCount is a 32-bit millisecond counter that wraps about every 49.7 days, as
// device code expects. TTimeoutRecord keeps its start in 64 bits: when the counter has
// wrapped since the start (now < start), the start is moved back by 2^32, so elapsed
// and remaining times stay right across the wrap.
#pragma once

#include <cstdint>
#include <functional>

uint32_t GetTickCount();
void Sleep(uint32_t ms);

// Replaces the tick source (tests use it to cross the 32-bit wrap); null restores the clock.
void SetTickSource(std::function<uint32_t()> source);

class TTimeoutRecord {
public:
    TTimeoutRecord() = default;
    explicit TTimeoutRecord(int64_t durationMs) { Start(durationMs); }

    void Start(int64_t durationMs);

    int64_t Elapsed();
    // Duration minus elapsed; the timer has expired when this is below 1.
    int64_t Remaining();
    bool Expired() { return Remaining() < 1; }
    int64_t Duration() const { return FDuration; }

private:
    int64_t FStart = 0;
    int64_t FDuration = 0;
};
