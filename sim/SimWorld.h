// What the simulated module's sensors see: digital input levels, pulse edges, the
// voltages and currents on the analog inputs and the thermometer readings, all as
// functions of the time since the simulator started. In static mode every value is
// frozen at the documented constants below, so that tests can assert them.
#pragma once

#include <cstdint>

constexpr int SimDigitalInputs = 16;
constexpr int SimDigitalOutputs = 10;
constexpr int SimAnalogInputs = 4;
constexpr int SimAnalogOutputs = 4;
constexpr int SimThermometers = 4;

// Static digital inputs: 1, 2, 7, 8, 10, 12, 13 and 15 are on (wire bytes 5A C3).
constexpr uint16_t SimStaticInputs = 0x5AC3;
// Static analog input signals per channel 1..4, as a source would apply them:
// the voltage seen on the voltage ranges and the current seen on the current ranges.
constexpr double SimStaticVolts[SimAnalogInputs] = {5.0, 2.5, 7.5, 1.0};
constexpr double SimStaticMilliamps[SimAnalogInputs] = {10.0, 2.0, 12.0, 16.0};
// Static thermometers 1..4 in tenths of a degree: 21.5, 23.0, -4.5, 36.6.
constexpr int SimStaticTenths[SimThermometers] = {215, 230, -45, 366};

// The analog signals a simulator run starts from (and stays at when frozen).
struct TSimSignals {
    double Volts[SimAnalogInputs] = {SimStaticVolts[0], SimStaticVolts[1], SimStaticVolts[2],
                                       SimStaticVolts[3]};
    double Milliamps[SimAnalogInputs] = {SimStaticMilliamps[0], SimStaticMilliamps[1],
                                           SimStaticMilliamps[2], SimStaticMilliamps[3]};
};

class TSimWorld {
public:
    explicit TSimWorld(bool frozen, const TSimSignals& signals = {}) : FFrozen(frozen), FSignals(signals) {}

    bool Frozen() const { return FFrozen; }
    // Level of digital input 1..16 at time t (ms since start).
    bool Input(int index, int64_t t) const;
    // Rising edges of digital input 1..16 in the interval (from, to].
    uint64_t RisingEdges(int index, int64_t from, int64_t to) const;
    // Signal on analog input 1..4 at time t.
    double Volts(int index, int64_t t) const;
    double Milliamps(int index, int64_t t) const;
    // A few counts of converter noise on analog input 1..4 (0 when frozen).
    int Noise(int index, int64_t t) const;
    // Thermometer 1..4 in tenths of a degree.
    int Tenths(int index, int64_t t) const;

private:
    bool FFrozen;
    TSimSignals FSignals;
};
