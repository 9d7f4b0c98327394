#include "sim/SimJig.h"

#include "framework/uExceptions.h"

#include <cstdlib>
#include <random>

namespace {

// The largest gain error (a share of the reading) and offset (a share of full scale)
// of one analog channel of the jig, and the largest noise in converter counts.
constexpr double GainError = 0.002;
constexpr double OffsetError = 0.0005;
constexpr int NoiseCounts = 4;

int FaultChannel(const std::string& text, size_t colon, int count)
{
    const std::string number = colon == std::string::npos ? std::string() : text.substr(colon + 1);
    char* end = nullptr;
    const long channel = std::strtol(number.c_str(), &end, 10);
    if (number.empty() || *end != '\0' || channel < 1 || channel > count)
        throw Exception("--jig-fault: expected a channel from 1 to " + std::to_string(count) + ", got \"" + text +
                        "\"");
    return int(channel);
}

}

TSimJig::TSimJig(const TSimJigSettings& settings, uint32_t seed) : FSettings(settings), FSeed(seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int k = 1; k <= SimAnalogInputs; ++k) {
        FGain[k] = 1 + GainError * unit(random);
        FOffset[k] = OffsetError * unit(random);
    }
}

bool TSimJig::InputFollows(int input) const
{
    return Wired() && input <= SimDigitalOutputs && FSettings.StuckInputs.count(input) == 0;
}

double TSimJig::AnalogShare(int input, double outputShare) const
{
    const double fault = FSettings.AnalogFaults.count(input) ? SimJigFaultGain : 1.0;
    return outputShare * FGain[input] * fault + FOffset[input];
}

int TSimJig::Noise(int input, int64_t t) const
{
    // A hash of seed, channel and 50 ms slot: the same reading within one slot.
    uint32_t h = (uint32_t(t / 50) ^ FSeed) * 2654435761u + uint32_t(input) * 40503u;
    h ^= h >> 15;
    return int(h % (2 * NoiseCounts + 1)) - NoiseCounts;
}

void AddSimJigFault(TSimJigSettings& settings, const std::string& text)
{
    const size_t colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    if (kind == "stuck-input")
        settings.StuckInputs.insert(FaultChannel(text, colon, SimDigitalOutputs));
    else if (kind == "analog")
        settings.AnalogFaults.insert(FaultChannel(text, colon, SimAnalogInputs));
    else if (kind == "dead-thermometer")
        settings.DeadThermometers.insert(FaultChannel(text, colon, SimThermometers));
    else if (text == "clock-drift")
        settings.ClockDrift = true;
    else
        throw Exception("--jig-fault: expected stuck-input:N, analog:N, dead-thermometer:N or clock-drift, got \"" +
                        text + "\"");
}
