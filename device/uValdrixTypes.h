// Values exchanged with the Valdrix module, one record per channel, channels numbered
// from 1 as on the module's front plate.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// A fixed group of channels indexed 1..N; an index outside raises std::out_of_range.
template <class T, int N>
struct TValdrixChannels {
    static constexpr int Count = N;
    std::array<T, N> Items{};

    T& operator[](int channel) { return Items.at(size_t(channel - 1)); }
    const T& operator[](int channel) const { return Items.at(size_t(channel - 1)); }
};

constexpr int ValdrixDigitalInputs = 16;
constexpr int ValdrixDigitalOutputs = 10;
constexpr int ValdrixAnalogInputs = 4;
constexpr int ValdrixCounters = 16;
constexpr int ValdrixAnalogOutputs = 4;
constexpr int ValdrixThermometers = 4;

// Bit 7 of a status byte marks a valid value.
constexpr uint8_t ValdrixStatusValid = 0x80;

struct TValdrixAnalogReading {
    uint8_t Status = 0; // as the module sends it
    int32_t Value = 0;  // unsigned 16-bit reading
    bool Valid() const { return (Status & ValdrixStatusValid) != 0; }
};

struct TValdrixTemperature {
    uint8_t Status = 0;
    double Value = 0; // degrees, decoded from tenths
    bool Valid() const { return (Status & ValdrixStatusValid) != 0; }
};

struct TValdrixThermometerId {
    uint8_t Status = 0;
    std::string Id; // 8 characters
};

struct TValdrixThermometerPair {
    int32_t First = 0;
    int32_t Second = 0;
};

struct TValdrixOutputCalibration {
    int32_t Low = 0;
    int32_t High = 0;
};

using TValdrixInputBits = TValdrixChannels<bool, ValdrixDigitalInputs>;
using TValdrixOutputBits = TValdrixChannels<bool, ValdrixDigitalOutputs>;
using TValdrixCounters = TValdrixChannels<int64_t, ValdrixCounters>;
using TValdrixInputRanges = TValdrixChannels<uint8_t, ValdrixAnalogInputs>;
using TValdrixAnalogReadings = TValdrixChannels<TValdrixAnalogReading, ValdrixAnalogInputs>;
using TValdrixTemperatures = TValdrixChannels<TValdrixTemperature, ValdrixThermometers>;
using TValdrixThermometerIds = TValdrixChannels<TValdrixThermometerId, ValdrixThermometers>;
using TValdrixThermometerPairs = TValdrixChannels<TValdrixThermometerPair, ValdrixThermometers>;
using TValdrixOutputCalibrations = TValdrixChannels<TValdrixOutputCalibration, ValdrixAnalogOutputs>;
using TValdrixAnalogOutputValues = TValdrixChannels<int32_t, ValdrixAnalogOutputs>;

// Input range codes the tester knows; the module accepts 0..6.
constexpr uint8_t ValdrixRange0To10V = 0;
constexpr uint8_t ValdrixRange0To20mA = 1;
constexpr uint8_t ValdrixRange4To20mA = 6;
constexpr uint8_t ValdrixMaxRangeCode = 6;
