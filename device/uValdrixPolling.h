// The polling rotation of the I/O panel: one group of values per tick, in five steps,
// each read attempted at most twice. The panel keeps the last result of every group.
#pragma once

#include "device/ussValdrix.h"

constexpr int ValdrixPollSteps = 5;

struct TValdrixPanel {
    bool AnalogValid = false; // calibrated read succeeded
    TValdrixAnalogReadings Analog;
    bool AnalogRawValid = false;
    TValdrixAnalogReadings AnalogRaw;
    bool InputsValid = false;
    TValdrixInputBits Inputs;
    bool OutputsValid = false;
    TValdrixOutputBits Outputs;
    bool CountersValid = false;
    TValdrixCounters Counters;
    bool TemperaturesValid = false;
    TValdrixTemperatures Temperatures;
};

// Step 0: analog inputs, calibrated then raw (the raw read is the step's result);
// 1: digital inputs; 2: digital outputs; 3: counters; 4: thermometers. A step outside
// 0..4 reads nothing and succeeds.
bool PollValdrixStep(IValdrix& device, int step, TValdrixPanel& panel);
