// What a step's code works with while it runs: the device with the runner's attempt
// and stop rules, the plan's pauses, the operator, and the list of measurements.
#pragma once

#include "device/uValdrixAttempts.h"
#include "station/uTestRunner.h"

#include <string>

class TStepContext {
public:
    TStepContext(IValdrix& device, const TJig& jig, const TRunHooks& hooks, TRunResult& run, int step);

    IValdrix& Device() { return FDevice; }
    const TJig& Jig() const { return FJig; }
    const TRunHooks& Hooks() const { return FHooks; }

    // Makes the device call, a second time at once when the first fails. False when the
    // run was stopped before it, or both attempts failed: the step has ended then
    // (ABORTED, or ERROR with the request's outcome as the reason).
    template <class Call>
    bool Attempt(const char* what, Call&& call)
    {
        if (StopAsked()) return false;
        if (AttemptTwice(call)) return true;
        RequestFailed(what);
        return false;
    }
    // The step ends in ERROR for this reason.
    void Error(const std::string& detail);
    // The step ends ABORTED.
    void Abort(const std::string& detail);
    // Waits (a plan's pause); false when the run was stopped: the step has ended ABORTED.
    bool Pause(int ms);
    // Asks the operator (the Prompt hook); false when the step has ended: ERROR for
    // `nobodyDetail` without a prompt, ABORTED when the operator aborted or the run was
    // stopped while the prompt waited.
    bool Ask(const std::string& text, const std::string& nobodyDetail);
    // Whether the step has ended early (ERROR or ABORTED).
    bool Ended() const { return FEnded; }
    // Whether the step has ended, or the run was stopped: the step then ends ABORTED.
    bool StopAsked();

    // Adds the measurement, judged against its limits unless it carries a verdict already.
    void Measure(TMeasurement measurement);

    TStepResult& Step() { return FRun.Steps[size_t(FStep)]; }

private:
    void RequestFailed(const char* what);

    IValdrix& FDevice;
    const TJig& FJig;
    const TRunHooks& FHooks;
    TRunResult& FRun;
    int FStep;
    bool FEnded = false;
};

// Marks a measurement of a reading whose status lacks the valid bit as failed.
void FailInvalidReading(TMeasurement& m, uint8_t status);
// The verdict of a measurement's value against its limits: ERROR without a value.
TVerdict JudgeMeasurement(const TMeasurement& m);

// Step kinds, each in the file of its group.
void RunIdentificationStep(TStepContext& c, const TIdentificationStep& p);
void RunDigitalStep(TStepContext& c, const TDigitalStep& p);
void RunCounterStep(TStepContext& c, const TCounterStep& p);
void RunAnalogStep(TStepContext& c, const TAnalogStep& p);
void RunThermometerStep(TStepContext& c, const TThermometerStep& p);
void RunClockStep(TStepContext& c, const TClockStep& p);
void RunRS485Step(TStepContext& c, const TRS485Step& p);
void RunCalibrationStep(TStepContext& c, const TCalibrationStep& p);
void RunAddressStep(TStepContext& c, const TAddressStep& p);
void RunPromptStep(TStepContext& c, const TPromptStep& p);
