// State of one simulated Valdrix module: what the set instructions change and the read
// instructions report. Times are milliseconds since the simulator started; values that
// depend on the outside world come from TSimWorld.
#pragma once

#include "sim/SimClock.h"
#include "sim/SimJig.h"
#include "sim/SimWorld.h"

#include <array>
#include <cstdint>
#include <string>

// Analog inputs: converter counts at the full scale of a range, and the factory
// calibration that turns 50000 counts into 10000 divisions.
constexpr int SimRawFullScale = 50000;
constexpr uint16_t SimDefaultCoefficient = 13107;
constexpr uint16_t SimDefaultDivisions = 10000;
// Analog outputs: converter value of the factory high calibration point (10 V / 20 mA),
// the largest converter value, and the engineering value of the high point.
constexpr uint16_t SimDefaultOutputHigh = 4000;
constexpr int SimOutputRawMax = 4095;
constexpr int SimOutputFullScale = 10000;
// Input range codes with a meaning; other codes 2..5 measure like 0 - 10 V.
constexpr uint8_t SimRange10V = 0, SimRange20mA = 1, SimRange4To20mA = 6, SimRangeMax = 6;
// A 4 - 20 mA loop below this current counts as broken: the reading is invalid.
constexpr double SimLoopBrokenMilliamps = 3.8;
// Status byte of a valid analog or temperature reading.
constexpr uint8_t SimStatusValid = 0x80;
// How long (ms) a timed output unit lasts, and how long an enable-configuration
// request keeps configuration open for the one configuration instruction it allows.
constexpr int64_t SimOutputTickMs = 100;
constexpr int64_t SimConfigWindowMs = 2000;
// Serial numbers of the first module, reported by instruction FA and matched by EB.
constexpr uint16_t SimSerialN1 = 0x0001, SimSerialN2 = 0x3039;
constexpr uint32_t SimSerialN3 = 12345678;
constexpr const char* SimIdentification = "Valdrix ; v 1.0 ; SIM";
constexpr uint8_t SimDefaultBaudCode = 6; // 9600 Bd

struct TSimAnalogReading {
    uint8_t Status = 0;
    uint16_t Value = 0;
};

struct TSimAnalogInput {
    uint8_t Range = SimRange10V;
    uint16_t Coefficient = SimDefaultCoefficient;
    uint16_t Divisions = SimDefaultDivisions;
};

struct TSimAnalogOutput {
    int16_t Raw = 0;   // converter value
    int16_t Value = 0; // engineering value, 0..10000 between the calibration points
    int16_t Word = 0;  // stored and reported; it does not move the output
    uint16_t Low = 0;
    uint16_t High = SimDefaultOutputHigh;
};

struct TSimThermometerPair {
    uint8_t First = 0;
    uint8_t Second = 0;
};

class TSimModule {
public:
    // The index-th module on the simulated link (0 = the first) has the serial numbers N2
    // and N3 of the first plus index, so that each module answers FA with its own numbers
    // and EB sent to the special address reaches only the module it names.
    TSimModule(uint8_t address, bool frozen, const TSimSignals& signals = {}, int index = 0);

    // Common settings.
    uint8_t Address;
    uint16_t SerialN1 = SimSerialN1;
    uint16_t SerialN2;
    uint32_t SerialN3;
    uint8_t BaudCode = SimDefaultBaudCode;
    uint8_t ByteF1 = 0;
    bool FlagEE = false;
    std::string Text; // written by E2, read by F2
    std::string Identification = SimIdentification; // answered to F3

    // Puts the module on a test jig: its inputs then see its own outputs (see TSimJig).
    void FitJig(const TSimJig& jig);

    // Configuration instructions need a fresh enable; each enable allows one.
    void EnableConfiguration(int64_t now);
    bool TakeConfigurationEnable(int64_t now);

    // Digital outputs 1..10. A timed switch holds the state for `ticks` units of
    // SimOutputTickMs and then reverts to the opposite state.
    bool Output(int index, int64_t now);
    void SetOutput(int index, bool on);
    void SetOutputFor(int index, bool on, uint8_t ticks, int64_t now);

    // Digital inputs 1..16 and their pulse counters (32-bit, wrapping).
    bool Input(int index, int64_t now);
    uint32_t Counter(int index, int64_t now);
    void SetCounter(int index, uint32_t value, int64_t now);
    std::array<uint8_t, SimDigitalInputs + 1> ChannelFlags{}; // bit 7 FlagA, bit 6 FlagB

    // Analog inputs 1..4.
    std::array<TSimAnalogInput, SimAnalogInputs + 1> AnalogInputs{};
    TSimAnalogReading RawReading(int index, int64_t now) const;
    TSimAnalogReading CalibratedReading(int index, int64_t now) const;

    // Analog outputs 1..4.
    std::array<TSimAnalogOutput, SimAnalogOutputs + 1> AnalogOutputs{};
    bool SetOutputRaw(int index, int value);
    void SetOutputValue(int index, int value);
    void StoreCalibrationPoint(int index, bool low);

    // Thermometers 1..4.
    int TemperatureTenths(int index, int64_t now) const;
    uint8_t TemperatureStatus(int index) const { return FJig.ThermometerDead(index) ? 0 : SimStatusValid; }
    std::array<TSimThermometerPair, SimThermometers + 1> ThermometerPairs{};

    TSimClock Clock;

private:
    struct TTimedOutput {
        bool On = false;
        int64_t RevertAt = -1; // -1: no timer running
    };
    struct TCounter {
        uint32_t Base = 0;
        int64_t Since = 0;
        uint32_t JigPulses = 0; // rising edges of the wired output since Since
    };

    // Switches an output, counting a rising edge on the input the jig wires to it.
    void Switch(int index, bool on);
    // The signal analog input 1..4 sees, as a share of the full scale of its range.
    double Volts(int index, int64_t now) const;
    double Milliamps(int index, int64_t now) const;
    int Noise(int index, int64_t now) const;

    TSimWorld FWorld;
    TSimJig FJig;
    int64_t FConfigUntil = -1;
    std::array<TTimedOutput, SimDigitalOutputs + 1> FOutputs{};
    std::array<TCounter, SimDigitalInputs + 1> FCounters{};
};
