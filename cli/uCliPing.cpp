#include "cli/uCliPing.h"

#include "cli/uCliOptions.h"
#include "cli/uCliPacing.h"
#include "cli/uCliLink.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace {

// Milliseconds to the microsecond.
std::string MsText(double ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", ms);
    return text;
}

TCliJson MsJson(const std::optional<TRoundTripSummary>& summary, double TRoundTripSummary::*field)
{
    return summary ? TCliJson(std::round((*summary).*field * 1000) / 1000) : TCliJson();
}

} // namespace

std::optional<TRoundTripSummary> SummariseRoundTrips(std::vector<double> timesMs)
{
    if (timesMs.empty()) return std::nullopt;
    std::sort(timesMs.begin(), timesMs.end());
    const size_t n = timesMs.size();
    TRoundTripSummary s;
    s.MinMs = timesMs.front();
    s.MaxMs = timesMs.back();
    s.MedianMs = n % 2 ? timesMs[n / 2] : (timesMs[n / 2 - 1] + timesMs[n / 2]) / 2;
    s.AvgMs = std::accumulate(timesMs.begin(), timesMs.end(), 0.0) / double(n);
    return s;
}

TCliAction PreparePing(const TCliArgs& args)
{
    const int64_t count = CliInt(args, "--count", 1, INT32_MAX, 4);
    const auto interval = CliInterval(args, std::chrono::milliseconds(1000));
    return [=](TCliLink& s, TCliReport& r) {
        std::vector<double> times;
        int64_t sent = 0;
        TCliPacer pacer(interval);
        while (sent < count && pacer.Next()) {
            const std::string seq = "seq=" + std::to_string(++sent);
            std::string text;
            const auto start = std::chrono::steady_clock::now();
            const bool answered = s.Device().ReadIdentificationText(text);
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            if (answered) {
                times.push_back(ms);
                r.Progress(seq + " time=" + MsText(ms) + " ms");
            } else {
                r.Progress(seq + " lost: " + s.Link().DescribeFailure());
            }
        }
        const int64_t answered = int64_t(times.size());
        const auto summary = SummariseRoundTrips(times);
        TCliJson& json = r.Json();
        json["count"] = sent;
        json["answered"] = answered;
        json["lost"] = sent - answered;
        json["min_ms"] = MsJson(summary, &TRoundTripSummary::MinMs);
        json["median_ms"] = MsJson(summary, &TRoundTripSummary::MedianMs);
        json["avg_ms"] = MsJson(summary, &TRoundTripSummary::AvgMs);
        json["max_ms"] = MsJson(summary, &TRoundTripSummary::MaxMs);
        r.Line(std::to_string(sent) + " sent, " + std::to_string(answered) + " answered, " +
               std::to_string(sent - answered) + " lost, min/median/avg/max " +
               (summary ? MsText(summary->MinMs) + "/" + MsText(summary->MedianMs) + "/" + MsText(summary->AvgMs) +
                              "/" + MsText(summary->MaxMs) + " ms"
                        : "-"));
        if (answered == sent) return true;
        r.FinishFailed();
        return false;
    };
}
