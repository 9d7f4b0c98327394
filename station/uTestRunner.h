// The production test runner: runs a plan's steps in order against one module on a
// link that is already open, compares every measurement with its limits and gives a
// verdict per measurement, step and run.
//
// It is a plain object with no thread of its own: Run blocks its caller until the run
// ends and calls the device, the hooks and the event callback on that same thread (the
// session runs it on its worker). The only waits are the plan's own pauses, and they go
// through the Pause hook, so a stop ends them at once; between two requests the runner
// asks Stopped. Device calls are attempted twice, as the window attempts them.
//
// Verdicts: a step passes when all its measurements do; FAIL when one is outside its
// limits, whatever ended the step afterwards; otherwise ERROR when something could not
// be measured (the link was lost, a request was refused or not answered); otherwise
// ABORTED when the run was stopped or the operator aborted a prompt. The run stops
// after a step cut short by an error or a stop (its ending: ERROR or ABORTED), and
// after a FAIL unless the plan continues on failures. The run's verdict is the worst of
// its steps' by the same rule (WorseVerdict), so a failed unit stays FAIL when the
// operator aborts after the failure.
#pragma once

#include "device/ussValdrix.h"
#include "station/uTestPlan.h"
#include "station/uTestRun.h"

#include <functional>
#include <optional>
#include <string>

enum class TPromptAnswer { Confirmed, Aborted };

// What the RS-485 hook found: whether the request could be sent at all (no RS-485 link:
// the step ends in ERROR) and the text that came back, nothing when no answer came.
struct TRS485Answer {
    bool Sent = false;
    std::optional<std::string> Text;
    std::string Detail; // why it could not be sent
};

struct TRunEvent {
    enum class TKind {
        RunStarted,  // the unit's identity has been read (or could not be)
        StepStarted, // Run.Steps[Step] was added
        Measured,    // Run.Steps[Step].Measurements[Measurement] was added, with its verdict
        StepEnded,   // Run.Steps[Step] has its verdict
        RunEnded,    // Run has its verdict and end time
    };
    TKind Kind;
    const TRunResult& Run;
    int Step = -1;
    int Measurement = -1;
};

struct TRunHooks {
    // Waits `ms` milliseconds; false when the run was stopped (the wait then ends at once).
    // Unset: a plain sleep.
    std::function<bool(int ms)> Pause;
    // Whether the run was asked to stop. Unset: never.
    std::function<bool()> Stopped;
    // Shows the text to the operator and waits for the answer. Unset: a prompt step ends
    // in ERROR.
    std::function<TPromptAnswer(const std::string& text)> Prompt;
    // Sends a type request to the address through the module's RS-485 port (the session
    // holds the second link this needs). Unset: an RS-485 step ends in ERROR.
    std::function<TRS485Answer(int address)> RS485;
    // Told of each stage as it happens (progress displays, records).
    std::function<void(const TRunEvent&)> Event;
};

// Who and where: the unit's typed or scanned id, the station and the operator.
struct TRunSetup {
    std::string UnitId;
    std::string Station;
    std::string Operator;
};

// A run of the plan that has not begun: a new id, the plan, who and where, the start time.
TRunResult BeginRun(const TTestPlan& plan, const TRunSetup& setup);

class TTestRunner {
public:
    TTestRunner(IValdrix& device, TRunHooks hooks);

    TRunResult Run(const TTestPlan& plan, const TRunSetup& setup);

private:
    // Reads the unit's identification and serial numbers: PASS, FAIL when the module
    // refused them, ERROR when it did not answer (the run's detail says which).
    TVerdict ReadIdentity(TRunResult& run);
    // Reads the identity and runs the steps in order; sets the run's verdict and ending.
    void RunSteps(const TTestPlan& plan, TRunResult& run);
    // Runs one step of the plan and judges it; the run's ending turns ABORTED or ERROR
    // when the run cannot go on after it.
    const TStepResult& RunPlanStep(const TTestPlan& plan, size_t index, TRunResult& run);
    // The run ends in ERROR for a fault of the program (an exception); a measurement
    // that failed before keeps it FAIL.
    static void EndWithFault(TRunResult& run, const std::string& what);

    IValdrix& FDevice;
    TRunHooks FHooks;
};
