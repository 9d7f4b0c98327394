#include "station/uTestRun.h"

#include <cstdio>
#include <random>

const char* VerdictText(TVerdict verdict)
{
    switch (verdict) {
    case TVerdict::Running: return "RUNNING";
    case TVerdict::Pass: return "PASS";
    case TVerdict::Fail: return "FAIL";
    case TVerdict::Error: return "ERROR";
    case TVerdict::Aborted: return "ABORTED";
    }
    return "?";
}

const char* RunEndingText(TRunEnding ending)
{
    switch (ending) {
    case TRunEnding::Running: return "RUNNING";
    case TRunEnding::Completed: return "COMPLETED";
    case TRunEnding::Aborted: return "ABORTED";
    case TRunEnding::Error: return "ERROR";
    }
    return "?";
}

TVerdict WorseVerdict(TVerdict a, TVerdict b)
{
    const auto rank = [](TVerdict v) {
        switch (v) {
        case TVerdict::Fail: return 4;
        case TVerdict::Error: return 3;
        case TVerdict::Aborted: return 2;
        case TVerdict::Pass: return 1;
        case TVerdict::Running: return 0;
        }
        return 0;
    };
    return rank(a) >= rank(b) ? a : b;
}

std::string NewRunId()
{
    static thread_local std::mt19937_64 random{[] {
        std::random_device device;
        return (uint64_t(device()) << 32) ^ device();
    }()};
    uint64_t high = random(), low = random();
    high = (high & ~0xF000ull) | 0x4000ull;                           // version 4
    low = (low & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull;      // variant 10
    char text[40];
    snprintf(text, sizeof text, "%08x-%04x-%04x-%04x-%012llx", unsigned(high >> 32), unsigned(high >> 16) & 0xFFFF,
             unsigned(high) & 0xFFFF, unsigned(low >> 48), (unsigned long long)(low & 0xFFFFFFFFFFFFull));
    return text;
}
