// The module's analog channels in volts and milliamps: outputs 1 and 2 give 0 - 10 V,
// outputs 3 and 4 give 0 - 20 mA, each set in engineering units (10000 = full scale);
// an input reads divisions of its range (its divisions setting = full scale).
#pragma once

#include <cstdint>

constexpr int32_t AnalogOutputFullScaleUnits = 10000;

struct TAnalogScale {
    double Zero;      // the V or mA of reading 0
    double FullScale; // the V or mA of a full-scale reading
    const char* Unit; // "V" or "mA"
};

TAnalogScale AnalogOutputScale(int output);
TAnalogScale AnalogInputScale(uint8_t rangeCode);
// The engineering value that makes the output give `value` V or mA.
int32_t AnalogOutputValue(int output, double value);
// The V or mA of an input reading of `reading` divisions out of `divisions`.
double AnalogInputValue(uint8_t rangeCode, int32_t reading, int32_t divisions);
