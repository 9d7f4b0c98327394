// Calibration of an analog input against a known applied voltage or current: five raw
// readings, the input's range, then coefficient and divisions written to the module.
#pragma once

#include "device/ussValdrix.h"

#include <cstdint>
#include <functional>
#include <string>

constexpr int ValdrixCalibrationReadings = 5;

// Full scale of an input range code: 10 (V) for code 0, 20 (mA) for every other code.
int ValdrixFullScale(uint8_t rangeCode);

// K = D * 65536 * A / (F * mean raw value), rounded to the nearest integer with halves
// to even; computed without overflow for any D. False when it is undefined (applied
// value or raw sum 0) or not finite.
bool ValdrixCalibrationCoefficient(int64_t divisions, double applied, int fullScale, int64_t rawSum, int readings,
                                   int64_t& coefficient);

enum class TValdrixCalibrationStatus {
    Done,
    // A request failed or was refused, a reading was invalid, or a value does not fit
    // the module (coefficient or divisions outside 0..65535); nothing more is written.
    CommunicationError,
    // The coefficient is undefined (applied value 0 or mean raw value 0); nothing is written.
    ArithmeticError,
};

struct TValdrixCalibrationResult {
    TValdrixCalibrationStatus Status = TValdrixCalibrationStatus::CommunicationError;
    int64_t Coefficient = 0;
    double MeanRaw = 0;
    std::string Message; // empty when done
};

extern const char* const SValdrixCommunicationError; // "Chyba komunikace"
extern const char* const SValdrixCalibrationUndefined;

// Calibrates input `input` (1..4) for `applied` V or mA giving `divisions` counts.
// Readings and writes are attempted twice, the range read once. The divisions are
// checked before anything is written, so a refused count never leaves a new
// coefficient behind.
// onReading is told the number of each reading (from 1) before it is taken.
TValdrixCalibrationResult CalibrateValdrixInput(IValdrix& device, int input, double applied, int64_t divisions,
                                                const std::function<void(int reading)>& onReading = {});
