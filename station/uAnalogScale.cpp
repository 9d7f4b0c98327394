#include "station/uAnalogScale.h"

#include "device/uValdrixTypes.h"

#include <cmath>

TAnalogScale AnalogOutputScale(int output) { return output <= 2 ? TAnalogScale{0, 10, "V"} : TAnalogScale{0, 20, "mA"}; }

TAnalogScale AnalogInputScale(uint8_t rangeCode)
{
    if (rangeCode == ValdrixRange0To10V) return {0, 10, "V"};
    if (rangeCode == ValdrixRange4To20mA) return {4, 20, "mA"};
    return {0, 20, "mA"};
}

int32_t AnalogOutputValue(int output, double value)
{
    const TAnalogScale scale = AnalogOutputScale(output);
    return int32_t(std::lround((value - scale.Zero) / (scale.FullScale - scale.Zero) * AnalogOutputFullScaleUnits));
}

double AnalogInputValue(uint8_t rangeCode, int32_t reading, int32_t divisions)
{
    const TAnalogScale scale = AnalogInputScale(rangeCode);
    if (divisions == 0) return scale.Zero;
    return scale.Zero + (scale.FullScale - scale.Zero) * double(reading) / divisions;
}
