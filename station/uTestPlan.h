// A production test plan: what a test engineer writes (as TOML, see uTestPlanLoader.h)
// to check one kind of module on one jig: its name and version, the jig's wiring and
// the steps, each with the limits its measurements must meet.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// A closed range [Low, High]; either end may be open.
struct TLimits {
    std::optional<double> Low;
    std::optional<double> High;
};

// One wire of the jig: a module output and the input (or counter) it drives.
struct TJigWire {
    int Output = 0;
    int Input = 0;
};

struct TJig {
    std::vector<TJigWire> Digital;  // digital output -> digital input
    std::vector<TJigWire> Analog;   // analog output -> analog input
    std::vector<TJigWire> Counters; // digital output -> counter
};

// The module's identification: the product name it gives, and its firmware version
// within [Low, High] (dotted numbers compared part by part).
struct TIdentificationStep {
    std::string Product;
    std::string FirmwareLow;
    std::string FirmwareHigh;
};

// Each wired digital output on alone: exactly its input follows, every other input of
// the jig stays off.
struct TDigitalStep {
    int SettleMs = 0;
};

// Pulses driven by each counter wire's output raise the counter by exactly that many.
struct TCounterStep {
    int Pulses = 1;
    int PulseMs = 0; // how long each pulse and each gap lasts
};

// Each wired analog output set to each point (V on 0 - 10 V ranges, mA on current
// ranges); its input reads the point within the tolerance.
struct TAnalogStep {
    std::vector<double> Points;
    double Tolerance = 0;
    int SettleMs = 0;
};

struct TThermometerStep {
    std::vector<int> Channels;
    TLimits Limits; // degrees
};

// The module's clock set from the station's, read back after WaitMs within ToleranceS.
struct TClockStep {
    int WaitMs = 0;
    double ToleranceS = 0;
};

// A type request sent to Address over the module's RS-485 port; the answer's text.
struct TRS485Step {
    int Address = 0;
    std::string Expected;
};

// Input calibration against a reference: a jig output set to Applied, or a value the
// operator applies when asked. The coefficient must lie within its limits; the input
// then reads Applied within the tolerance.
struct TCalibrationStep {
    int Input = 0;
    double Applied = 0;
    int64_t Divisions = 0;
    bool OperatorReference = false; // otherwise the jig's analog output wired to the input
    TLimits Coefficient;
    double Tolerance = 0;
    int SettleMs = 0;
};

// The module's final address.
struct TAddressStep {
    int Address = 0;
};

// A text the operator confirms (or aborts the run with).
struct TPromptStep {
    std::string Text;
};

using TStepParameters = std::variant<TIdentificationStep, TDigitalStep, TCounterStep, TAnalogStep, TThermometerStep,
                                     TClockStep, TRS485Step, TCalibrationStep, TAddressStep, TPromptStep>;

struct TPlanStep {
    std::string Name;
    TStepParameters Parameters;
};

struct TTestPlan {
    std::string Name;
    std::string Version;
    bool ContinueOnFail = false;
    TJig Jig;
    std::vector<TPlanStep> Steps;
};

// The kind of a step as the plan names it ("identification", "digital", ...).
const char* StepKindName(const TStepParameters& parameters);

// How long a run of the plan pauses by the plan's own keys: the settle times after each
// switched output (per wire and point), the pulses and their gaps, the clock's wait.
int64_t PlanPausesMs(const TTestPlan& plan);

// The most digits of one part of a version: every part then fits a long.
constexpr int LongestVersionPart = 9;
// Whether the text is a version of dotted numbers ("1", "1.0", "2.10.3"), each of at
// most LongestVersionPart digits.
bool IsVersionText(std::string_view text);
// Compares two such versions part by part (a missing part counts as 0): <0, 0, >0.
int CompareVersions(std::string_view a, std::string_view b);
// A number as short as it goes: "2", "2.5", "0.125".
std::string ShortNumber(double value);
