// What a production test run found: the unit, every measurement with its value, unit,
// limits and verdict, the verdict of each step and of the run. The runner fills it in
// as it goes; records and progress displays read it.
#pragma once

#include "framework/uDateTime.h"
#include "station/uTestPlan.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

enum class TVerdict {
    Running, // the run (or step) has not ended yet
    Pass,
    Fail,    // measured, outside its limits
    Error,   // could not be measured: the link was lost or a request refused or unanswered
    Aborted, // stopped, or the operator aborted
};

// How a run ended, kept beside its verdict: a run that failed a measurement and was then
// aborted by the operator is FAIL, ended ABORTED.
enum class TRunEnding {
    Running,   // not ended yet
    Completed, // ran to its end: every step, or up to a failed one where the plan stops
    Aborted,   // stopped by the operator or the program
    Error,     // a step could not go on (link lost, request refused or unanswered)
};

// "RUNNING", "COMPLETED", "ABORTED", "ERROR"
const char* RunEndingText(TRunEnding ending);

// "RUNNING", "PASS", "FAIL", "ERROR", "ABORTED"
const char* VerdictText(TVerdict verdict);
// The worse of two verdicts: Fail over Error over Aborted over Pass. A failed
// measurement makes a step or run FAIL whatever ended it afterwards (operators often
// abort because a unit failed); otherwise something that could not be measured or
// could not go on makes it ERROR; otherwise a stop makes it ABORTED.
TVerdict WorseVerdict(TVerdict a, TVerdict b);

// No value (nothing could be measured), a number or a text.
using TMeasuredValue = std::variant<std::monostate, double, std::string>;

struct TMeasurement {
    std::string Name;
    TMeasuredValue Value;
    std::string Unit;
    TLimits Limits;                 // numeric measurements
    std::optional<std::string> Expected; // a text the value must equal
    std::string LowText, HighText;  // version measurements: dotted limits
    TVerdict Verdict = TVerdict::Running;
    std::string Detail;             // why it failed or could not be measured
};

struct TStepResult {
    std::string Name;
    std::string Kind;
    TVerdict Verdict = TVerdict::Running;
    std::string Detail;
    std::vector<TMeasurement> Measurements;
    std::string Started, Ended; // ISO 8601 with offset
};

// The unit under test: what the operator typed or scanned, and what the module says
// (its windows-1250 identification decoded: every text of a run is UTF-8).
struct TUnitIdentity {
    std::string Id;
    std::string Identification;
    std::string SerialNumbers; // "N1-N2-N3" in hexadecimal, empty when not read
};

struct TRunResult {
    std::string Id; // unique to the run (a random UUID): stores tell runs apart by it
    std::string PlanName, PlanVersion;
    std::string Station, Operator;
    TUnitIdentity Unit;
    std::string Started, Ended;
    TVerdict Verdict = TVerdict::Running;
    TRunEnding Ending = TRunEnding::Running;
    std::string Detail;
    std::vector<TStepResult> Steps;
};

// A new random (version 4) UUID, "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx" in lower case.
std::string NewRunId();
