#include "station/uTestRun.h"

#include <chrono>
#include <cstdio>
#include <ctime>

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

TVerdict WorseVerdict(TVerdict a, TVerdict b)
{
    const auto rank = [](TVerdict v) {
        switch (v) {
        case TVerdict::Aborted: return 4;
        case TVerdict::Error: return 3;
        case TVerdict::Fail: return 2;
        case TVerdict::Pass: return 1;
        case TVerdict::Running: return 0;
        }
        return 0;
    };
    return rank(a) >= rank(b) ? a : b;
}

std::string IsoTimeNow()
{
    const auto now = std::chrono::system_clock::now();
    const time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    tm local{};
    localtime_r(&seconds, &local);
    const long offset = local.tm_gmtoff / 60;
    char text[48];
    snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld", local.tm_year + 1900,
             local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, int(ms),
             offset < 0 ? '-' : '+', labs(offset) / 60, labs(offset) % 60);
    return text;
}
