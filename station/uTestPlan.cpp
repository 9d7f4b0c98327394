#include "station/uTestPlan.h"

#include "station/uOverload.h"

#include <charconv>
#include <cstdio>

namespace {

// The next dotted part of a version from `at`, 0 past its end.
long NextPart(std::string_view text, size_t& at)
{
    long value = 0;
    if (at >= text.size()) return 0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    at = size_t(end - text.data()) + 1;
    return error == std::errc() ? value : 0;
}

}

const char* StepKindName(const TStepParameters& parameters)
{
    return std::visit(TOverload{
                          [](const TIdentificationStep&) { return "identification"; },
                          [](const TDigitalStep&) { return "digital"; },
                          [](const TCounterStep&) { return "counters"; },
                          [](const TAnalogStep&) { return "analog"; },
                          [](const TThermometerStep&) { return "thermometers"; },
                          [](const TClockStep&) { return "clock"; },
                          [](const TRS485Step&) { return "rs485"; },
                          [](const TCalibrationStep&) { return "calibration"; },
                          [](const TAddressStep&) { return "address"; },
                          [](const TPromptStep&) { return "prompt"; },
                      },
                      parameters);
}

int64_t PlanPausesMs(const TTestPlan& plan)
{
    const TJig& jig = plan.Jig;
    int64_t total = 0;
    for (const TPlanStep& step : plan.Steps)
        total += std::visit(TOverload{
                                [&](const TDigitalStep& p) { return int64_t(p.SettleMs) * int64_t(jig.Digital.size()); },
                                [&](const TCounterStep& p) {
                                    return 2 * int64_t(p.PulseMs) * p.Pulses * int64_t(jig.Counters.size());
                                },
                                [&](const TAnalogStep& p) {
                                    return int64_t(p.SettleMs) * int64_t(p.Points.size()) * int64_t(jig.Analog.size());
                                },
                                [](const TClockStep& p) { return int64_t(p.WaitMs); },
                                [](const TCalibrationStep& p) { return p.OperatorReference ? 0 : int64_t(p.SettleMs); },
                                [](const auto&) { return int64_t(0); },
                            },
                            step.Parameters);
    return total;
}

bool IsVersionText(std::string_view text)
{
    int digits = 0;
    for (const char c : text) {
        if (c == '.') {
            if (digits == 0) return false;
            digits = 0;
        } else if (c >= '0' && c <= '9' && digits < LongestVersionPart) {
            ++digits;
        } else {
            return false;
        }
    }
    return digits > 0;
}

int CompareVersions(std::string_view a, std::string_view b)
{
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        const long x = NextPart(a, i), y = NextPart(b, j);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

std::string ShortNumber(double value)
{
    char text[32];
    snprintf(text, sizeof text, "%g", value);
    return text;
}
