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

bool IsVersionText(std::string_view text)
{
    bool digit = false;
    for (const char c : text) {
        if (c == '.') {
            if (!digit) return false;
            digit = false;
        } else if (c >= '0' && c <= '9') {
            digit = true;
        } else {
            return false;
        }
    }
    return digit;
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
