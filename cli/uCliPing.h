// valdrix-cli ping: the identification request (0xF3) sent N times, each answer's round
// trip timed with a monotonic clock; every request is attempted once, so a request
// without a valid answer counts as lost.
#pragma once

#include "cli/uCliCommands.h"

#include <optional>
#include <string>
#include <vector>

struct TRoundTripSummary {
    double MinMs = 0;
    double MedianMs = 0;
    double AvgMs = 0;
    double MaxMs = 0;
};

// Nothing when no time was measured; the median of an even count is the mean of the two
// middle times.
std::optional<TRoundTripSummary> SummariseRoundTrips(std::vector<double> timesMs);

// Raises ECliUsage for bad arguments: [--count N] (1.., default 4), [--interval MS]
// (default 1000, 0 = back to back).
TCliAction PreparePing(const TCliArgs& args);
