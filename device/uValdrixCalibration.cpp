#include "device/uValdrixCalibration.h"

#include "device/uValdrixAttempts.h"

#include <cmath>

const char* const SValdrixCommunicationError = "Chyba komunikace";
const char* const SValdrixCalibrationUndefined =
    "Chyba výpočtu: přivedená hodnota ani průměrná RAW hodnota nesmí být 0";

int ValdrixFullScale(uint8_t rangeCode) { return rangeCode == ValdrixRange0To10V ? 10 : 20; }

bool ValdrixCalibrationCoefficient(int64_t divisions, double applied, int fullScale, int64_t rawSum, int readings,
                                   int64_t& coefficient)
{
    if (applied == 0 || rawSum == 0 || fullScale == 0 || readings == 0) return false;
    const long double k = (long double)divisions * 65536.0L * applied * readings / ((long double)fullScale * rawSum);
    if (!std::isfinite(k) || std::fabs(k) > 9.0e18L) return false;
    coefficient = std::llrint(k); // the default rounding mode rounds halves to even
    return true;
}

TValdrixCalibrationResult CalibrateValdrixInput(IValdrix& device, int input, double applied, int64_t divisions,
                                                const std::function<void(int reading)>& onReading)
{
    TValdrixCalibrationResult result;
    result.Message = SValdrixCommunicationError;
    if (input < 1 || input > ValdrixAnalogInputs) return result;

    int64_t sum = 0;
    for (int i = 0; i < ValdrixCalibrationReadings; ++i) {
        if (onReading) onReading(i + 1);
        TValdrixAnalogReadings readings;
        if (!AttemptTwice([&] { return device.GetAnalogInputs(readings, true); }) || !readings[input].Valid())
            return result;
        sum += readings[input].Value;
    }
    result.MeanRaw = double(sum) / ValdrixCalibrationReadings;

    TValdrixInputRanges ranges;
    if (!device.GetInputRanges(ranges)) return result;

    int64_t k = 0;
    if (!ValdrixCalibrationCoefficient(divisions, applied, ValdrixFullScale(ranges[input]), sum,
                                       ValdrixCalibrationReadings, k)) {
        result.Status = TValdrixCalibrationStatus::ArithmeticError;
        result.Message = SValdrixCalibrationUndefined;
        return result;
    }
    result.Coefficient = k;
    if (k < 0 || k > 65535 || divisions < 0 || divisions > 65535) return result;
    if (!AttemptTwice([&] { return device.SetInputCoefficient(input, k); })) return result;
    if (!AttemptTwice([&] { return device.SetInputDivisions(input, divisions); })) return result;
    result.Status = TValdrixCalibrationStatus::Done;
    result.Message.clear();
    return result;
}
