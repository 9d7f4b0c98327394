// The loopback test jig the simulator can stand in: the module's outputs wired back to
// its inputs, so that a production test plan can check every channel against the
// module itself. The wiring is
//   DO n -> DI n (n = 1..10; the pulses of DO n count on counter n; DI 11..16 stay off)
//   AO n -> AI n (n = 1..4; the input sees the output's share of its full scale)
// with a small gain and offset error per analog channel and a few counts of noise, both
// drawn from the simulator's seed. Faults make a unit fail on the channel they name.
#pragma once

#include "sim/SimWorld.h"

#include <array>
#include <cstdint>
#include <set>
#include <string>

struct TSimJigSettings {
    bool Loopback = false;
    std::set<int> StuckInputs;      // digital inputs that stay off whatever their output does
    std::set<int> AnalogFaults;     // analog inputs that read SimJigFaultGain too high
    std::set<int> DeadThermometers; // thermometers whose readings have an invalid status
    bool ClockDrift = false;        // the clock runs SimJigDriftRate times as fast
};

// An analog channel out of tolerance reads this much too high; a drifting clock runs
// this many times as fast as the host's.
constexpr double SimJigFaultGain = 1.1;
constexpr int SimJigDriftRate = 5;

class TSimJig {
public:
    TSimJig() = default;
    TSimJig(const TSimJigSettings& settings, uint32_t seed);

    bool Wired() const { return FSettings.Loopback; }
    // Whether digital input 1..16 follows the output wired to it.
    bool InputFollows(int input) const;
    // The share of full scale analog input 1..4 sees when its output stands at
    // `outputShare` of its own full scale.
    double AnalogShare(int input, double outputShare) const;
    // Converter noise of analog input 1..4 at time t (ms), in counts.
    int Noise(int input, int64_t t) const;
    bool ThermometerDead(int index) const { return FSettings.DeadThermometers.count(index) != 0; }
    bool ClockDrifts() const { return FSettings.ClockDrift; }

private:
    TSimJigSettings FSettings;
    uint32_t FSeed = 0;
    std::array<double, SimAnalogInputs + 1> FGain{};
    std::array<double, SimAnalogInputs + 1> FOffset{};
};

// "stuck-input:N", "analog:N", "dead-thermometer:N" or "clock-drift" added to the
// settings; raises Exception for anything else.
void AddSimJigFault(TSimJigSettings& settings, const std::string& text);
