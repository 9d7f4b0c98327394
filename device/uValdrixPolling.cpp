#include "device/uValdrixPolling.h"

#include "device/uValdrixAttempts.h"

bool PollValdrixStep(IValdrix& device, int step, TValdrixPanel& panel)
{
    switch (step) {
    case 0:
        panel.AnalogValid = AttemptTwice([&] { return device.GetAnalogInputs(panel.Analog, false); });
        return panel.AnalogRawValid = AttemptTwice([&] { return device.GetAnalogInputs(panel.AnalogRaw, true); });
    case 1:
        return panel.InputsValid = AttemptTwice([&] { return device.GetInputs(panel.Inputs); });
    case 2:
        return panel.OutputsValid = AttemptTwice([&] { return device.GetOutputs(panel.Outputs); });
    case 3:
        return panel.CountersValid = AttemptTwice([&] { return device.GetCounters(panel.Counters, false); });
    case 4:
        return panel.TemperaturesValid = AttemptTwice([&] { return device.GetTemperatures(panel.Temperatures); });
    default:
        return true;
    }
}
