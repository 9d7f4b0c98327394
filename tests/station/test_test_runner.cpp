// Runs against the module simulator on its loopback jig: the sample plan passes, each
// jig fault fails exactly the measurements it touches, and a lost link, a refusal, a
// stop and the operator give the verdicts they should.
#include "station_rig.h"

#include "station/uStationRun.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>

namespace {

TTestPlan ContinuingSamplePlan()
{
    TTestPlan plan = SamplePlan();
    plan.ContinueOnFail = true;
    return plan;
}

TEST(TestRunner, SamplePlanPassesAndEachJigFaultFailsExactlyWhatItTouches)
{
    struct TCase {
        const char* Fault;
        std::vector<std::string> Failed;
    };
    const TCase cases[] = {
        {nullptr, {}},
        {"stuck-input:3", {"DO3 -> DI3"}},
        {"analog:2", {"AO2 -> AI2 at 2 V", "AO2 -> AI2 at 5 V", "AO2 -> AI2 at 8 V"}},
        {"dead-thermometer:1", {"T1"}},
        {"clock-drift", {"clock"}},
    };
    const TTestPlan plan = ContinuingSamplePlan();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Fault ? c.Fault : "no fault");
        TStationRig rig(c.Fault ? std::vector<std::string>{"--jig-fault", c.Fault} : std::vector<std::string>{});
        const TRunResult run = rig.Run(plan);
        EXPECT_EQ(run.Verdict, c.Failed.empty() ? TVerdict::Pass : TVerdict::Fail) << run.Detail;
        EXPECT_EQ(run.Steps.size(), plan.Steps.size());
        EXPECT_EQ(MeasurementsWith(run, TVerdict::Fail), c.Failed);
        EXPECT_EQ(MeasurementsWith(run, TVerdict::Error), std::vector<std::string>{});
        EXPECT_EQ(run.Unit.SerialNumbers, "0001-3039-00BC614E");
        const TProgramRun check = CheckRecord(rig.RecordPath(), rig.JUnitPath());
        EXPECT_EQ(check.Status, 0) << check.Out << check.Err;
        EXPECT_NE(check.Out.find("failures=" + std::to_string(c.Failed.size()) + " errors=0 skipped=0\n"),
                  std::string::npos)
            << check.Out;
        for (const std::string& name : c.Failed)
            EXPECT_NE(check.Out.find(" / " + name + ": failure\n"), std::string::npos) << check.Out;
    }
}

TEST(TestRunner, AFailedStepEndsTheRunUnlessThePlanContinues)
{
    TStationRig rig({"--jig-fault", "stuck-input:3"});
    const TRunResult run = rig.Run(SamplePlan());
    EXPECT_EQ(run.Verdict, TVerdict::Fail);
    ASSERT_EQ(run.Steps.size(), 2u);
    EXPECT_EQ(run.Steps[1].Verdict, TVerdict::Fail);
    EXPECT_EQ(run.Steps[1].Measurements.size(), 10u) << "the step itself measures every output";
}

TEST(TestRunner, KillingTheModuleMidRunGivesErrorAndKeepsWhatWasMeasured)
{
    TStationRig rig;
    TRunHooks hooks = rig.Hooks();
    size_t measured = 0;
    std::vector<std::string> onDisk;
    hooks.Event = [&](const TRunEvent& e) {
        if (e.Kind != TRunEvent::TKind::Measured) return;
        ++measured;
        // The record is already on disk, with its journal complete: everything measured so far.
        const nlohmann::json record = ReadRecordFile(rig.RecordPath()).value_or(nlohmann::json::object());
        onDisk.push_back(record["verdict"]);
        EXPECT_EQ(record["steps"][e.Step]["measurements"].size(), size_t(e.Measurement) + 1);
        if (e.Run.Steps[size_t(e.Step)].Kind == "analog") rig.Sim().Kill();
    };
    const TRunResult run = rig.Run(SamplePlan(), hooks);
    EXPECT_EQ(run.Verdict, TVerdict::Error);
    ASSERT_FALSE(run.Steps.empty());
    EXPECT_EQ(run.Steps.back().Kind, "analog");
    EXPECT_EQ(run.Steps.back().Verdict, TVerdict::Error);
    EXPECT_NE(run.Steps.back().Detail, "");
    EXPECT_EQ(MeasurementsWith(run, TVerdict::Pass).size(), measured);
    EXPECT_EQ(std::count(onDisk.begin(), onDisk.end(), "RUNNING"), long(measured));

    const TProgramRun check = CheckRecord(rig.RecordPath(), rig.JUnitPath());
    EXPECT_EQ(check.Status, 0) << check.Out << check.Err;
    EXPECT_NE(check.Out.find("verdict ERROR\n"), std::string::npos) << check.Out;
    EXPECT_NE(check.Out.find("errors=1 skipped=0"), std::string::npos) << check.Out;
}

// A small plan of its own for the verdicts the sample plan does not reach.
TTestPlan PlanOf(std::vector<TPlanStep> steps)
{
    TTestPlan plan = SamplePlan();
    plan.Steps = std::move(steps);
    return plan;
}

// A failed measurement makes the run FAIL whatever ended it afterwards; otherwise a
// request that could not be made makes it ERROR; otherwise a stop ABORTED. The run
// keeps how it ended beside its verdict.
TEST(TestRunner, VerdictsRollUpFailOverErrorOverAbortedAndKeepHowTheRunEnded)
{
    const TPlanStep digital{"digital", TDigitalStep{10}};
    const TPlanStep prompt{"prompt", TPromptStep{"Připojte přípravek a potvrďte"}};
    const TPlanStep thermometers{"thermometers", TThermometerStep{{1}, {-20.0, 60.0}}};
    const auto confirm = [](TRunHooks& h) { h.Prompt = [](const std::string&) { return TPromptAnswer::Confirmed; }; };
    const auto abort = [](TRunHooks& h) { h.Prompt = [](const std::string&) { return TPromptAnswer::Aborted; }; };
    struct TCase {
        const char* Name;
        std::vector<std::string> Sim;
        std::vector<TPlanStep> Steps;
        std::function<void(TRunHooks&)> Hooks;
        TVerdict Verdict;
        TRunEnding Ending;
        std::vector<TVerdict> StepVerdicts;
        std::string Detail; // of the last step, or of the run when no step ran
    };
    std::vector<std::string> prompts;
    bool stop = false;
    int pauses = 0;
    const std::vector<std::string> stuck{"--jig-fault", "stuck-input:3"};
    const TCase cases[] = {
        {"refused", {"--refuse", "31:02"}, {thermometers, digital, thermometers}, {}, TVerdict::Error,
         TRunEnding::Error, {TVerdict::Pass, TVerdict::Error}, "reading the inputs: refused (acknowledge code 2)"},
        {"confirmed", {}, {prompt, thermometers},
         [&](TRunHooks& h) {
             h.Prompt = [&](const std::string& text) {
                 prompts.push_back(text);
                 return TPromptAnswer::Confirmed;
             };
         },
         TVerdict::Pass, TRunEnding::Completed, {TVerdict::Pass, TVerdict::Pass}, ""},
        {"aborted", {}, {prompt, thermometers}, abort, TVerdict::Aborted, TRunEnding::Aborted, {TVerdict::Aborted},
         "the operator aborted"},
        {"no operator", {}, {prompt, thermometers}, {}, TVerdict::Error, TRunEnding::Error, {TVerdict::Error},
         "nobody to ask: Připojte přípravek a potvrďte"},
        {"stopped in a pause", {}, {thermometers, digital, thermometers},
         [&](TRunHooks& h) {
             h.Pause = [&](int) {
                 stop = true;
                 return false;
             };
             h.Stopped = [&] { return stop; };
         },
         TVerdict::Aborted, TRunEnding::Aborted, {TVerdict::Pass, TVerdict::Aborted}, "stopped"},
        {"failed, then aborted by the operator", stuck, {digital, prompt}, abort, TVerdict::Fail, TRunEnding::Aborted,
         {TVerdict::Fail, TVerdict::Aborted}, "the operator aborted"},
        {"failed, then an error", {"--jig-fault", "stuck-input:3", "--refuse", "59:02"}, {digital, prompt, thermometers},
         confirm, TVerdict::Fail, TRunEnding::Error, {TVerdict::Fail, TVerdict::Pass, TVerdict::Error},
         "reading the thermometers: refused (acknowledge code 2)"},
        {"failed, then stopped within the step", stuck, {digital, thermometers},
         [&](TRunHooks& h) {
             h.Pause = [&](int) { return ++pauses < 5; }; // DO3 -> DI3 was measured in pause 3
             h.Stopped = [&] { return pauses >= 5; };
         },
         TVerdict::Fail, TRunEnding::Aborted, {TVerdict::Fail}, "stopped"},
        {"identification refused", {"--refuse", "F3:02"}, {thermometers}, {}, TVerdict::Fail, TRunEnding::Error, {},
         "the module did not give its identification (refused)"},
        {"serial numbers refused", {"--refuse", "FA:02"}, {thermometers}, {}, TVerdict::Fail, TRunEnding::Error, {},
         "the module did not give its serial numbers (refused)"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TStationRig rig(c.Sim);
        TRunHooks hooks = rig.Hooks();
        if (c.Hooks) c.Hooks(hooks);
        TTestPlan plan = PlanOf(c.Steps);
        plan.ContinueOnFail = true;
        const TRunResult run = rig.Run(plan, hooks);
        EXPECT_EQ(VerdictText(run.Verdict), std::string(VerdictText(c.Verdict)));
        EXPECT_EQ(RunEndingText(run.Ending), std::string(RunEndingText(c.Ending)));
        std::vector<TVerdict> steps;
        for (const TStepResult& s : run.Steps) steps.push_back(s.Verdict);
        EXPECT_EQ(steps, c.StepVerdicts);
        EXPECT_EQ(run.Steps.empty() ? run.Detail : run.Steps.back().Detail, c.Detail);
        const TProgramRun check = CheckRecord(rig.RecordPath(), rig.JUnitPath());
        EXPECT_EQ(check.Status, 0) << check.Out << check.Err;
    }
    EXPECT_EQ(prompts, std::vector<std::string>{"Připojte přípravek a potvrďte"});
}

// An exception (here from a listener) does not end the program or lose the run: the run
// ends in ERROR with the reason, FAIL when a measurement failed before, and is recorded.
TEST(TestRunner, AnExceptionEndsTheRunInErrorWithItsReasonAndItsRecord)
{
    const struct {
        size_t ThrowAt; // the measurement whose event throws
        TVerdict Verdict;
    } cases[] = {{1, TVerdict::Error}, {3, TVerdict::Fail}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ThrowAt);
        TStationRig rig({"--jig-fault", "stuck-input:3"});
        TRunHooks hooks = rig.Hooks();
        size_t measured = 0;
        bool ended = false;
        hooks.Event = [&](const TRunEvent& e) {
            ended = e.Kind == TRunEvent::TKind::RunEnded;
            if (e.Kind == TRunEvent::TKind::Measured && ++measured == c.ThrowAt) throw std::runtime_error("disk full");
        };
        const TRunResult run = rig.Run(PlanOf({{"digital", TDigitalStep{}}}), hooks);
        EXPECT_TRUE(ended);
        EXPECT_EQ(VerdictText(run.Verdict), std::string(VerdictText(c.Verdict)));
        EXPECT_EQ(run.Ending, TRunEnding::Error);
        EXPECT_EQ(run.Detail, "internal fault: disk full");
        ASSERT_EQ(run.Steps.size(), 1u);
        EXPECT_EQ(run.Steps[0].Detail, "internal fault: disk full");
        const TProgramRun check = CheckRecord(rig.RecordPath(), rig.JUnitPath());
        EXPECT_EQ(check.Status, 0) << check.Out << check.Err;
    }
}

// Whatever a record or a store makes of a text, the run's end is kept or said why: no
// exception leaves RunOnSession's record keeper (here a unit id that is not UTF-8,
// which the programs refuse before a run).
TEST(TestRunner, ARecordOrStoreThatThrowsEndsInTheOutcomeNotInAnException)
{
    char folder[] = "/tmp/valdrix-station-XXXXXX";
    const std::string path = ::mkdtemp(folder);
    TStationRun setup{.Setup = {"A\xC8", "station 1", "operator 1"}, .RecordFolder = path,
                      .Stores = {.Local = path + "/records.sqlite"}};
    std::optional<TStationOutcome> outcome;
    EXPECT_NO_THROW(outcome = RecordFailedStart(SamplePlan(), setup, "no module"));
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->Run.Verdict, TVerdict::Error);
    EXPECT_TRUE(!outcome->RecordPath.empty() || !outcome->RecordFailure.empty());
    EXPECT_TRUE(outcome->Stored.Stored || !outcome->Stored.Failure.empty());
    std::filesystem::remove_all(path);
}

// A calibration against the jig's reference waits the plan's settle time with the
// reference applied, and leaves the jig's output at 0 however it ends.
TEST(TestRunner, JigReferenceCalibrationSettlesAndLeavesTheOutputAtZero)
{
    const struct {
        const char* Name;
        TLimits Coefficient;
        bool Stop;
        TVerdict Verdict;
    } cases[] = {
        {"passed", {12500.0, 13700.0}, false, TVerdict::Pass},
        {"coefficient out of its limits", {1.0, 2.0}, false, TVerdict::Fail},
        {"stopped while settling", {12500.0, 13700.0}, true, TVerdict::Aborted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TStationRig rig;
        TRunHooks hooks = rig.Hooks();
        std::vector<int> pauses;
        std::vector<int32_t> applied; // AO1 while the calibration settles
        bool stop = false;
        hooks.Pause = [&](int ms) {
            pauses.push_back(ms);
            int32_t value = -1;
            EXPECT_TRUE(rig.Device().GetAnalogOutput(1, value, false));
            applied.push_back(value);
            stop = c.Stop;
            return !stop;
        };
        hooks.Stopped = [&] { return stop; };
        const TCalibrationStep calibration{.Input = 1, .Applied = 5.0, .Divisions = 10000,
                                           .Coefficient = c.Coefficient, .Tolerance = 0.05, .SettleMs = 20};
        const TRunResult run = rig.Run(PlanOf({{"calibration", calibration}}), hooks);
        EXPECT_EQ(VerdictText(run.Verdict), std::string(VerdictText(c.Verdict))) << run.Steps.back().Detail;
        EXPECT_EQ(pauses, std::vector<int>{20});
        EXPECT_EQ(applied, std::vector<int32_t>{5000});
        int32_t after = -1;
        EXPECT_TRUE(rig.Device().GetAnalogOutput(1, after, false));
        EXPECT_EQ(after, 0);
    }
}

// A 4 - 20 mA input reads 4 mA at its zero: good units pass at every point.
TEST(TestRunner, AFourToTwentyMilliampInputReadsFromItsZeroOffset)
{
    TStationRig rig;
    ASSERT_TRUE(rig.Device().SetInputRange(3, ValdrixRange4To20mA));
    TTestPlan plan = PlanOf({{"analog", TAnalogStep{.Points = {4.0, 12.0, 19.0}, .Tolerance = 0.1}}});
    plan.Jig.Analog = {{3, 3}};
    const TRunResult run = rig.Run(plan);
    EXPECT_EQ(run.Verdict, TVerdict::Pass);
    EXPECT_EQ(MeasurementsWith(run, TVerdict::Pass),
              (std::vector<std::string>{"AO3 -> AI3 at 4 mA", "AO3 -> AI3 at 12 mA", "AO3 -> AI3 at 19 mA"}));
}

TEST(TestRunner, OperatorReferenceCalibrationAndTheFinalAddress)
{
    TStationRig rig;
    TCalibrationStep calibration{.Input = 3, .Applied = 12.0, .Divisions = 10000, .OperatorReference = true,
                                 .Coefficient = {12500.0, 13700.0}, .Tolerance = 0.05};
    std::vector<std::string> prompts;
    TRunHooks hooks = rig.Hooks();
    hooks.Prompt = [&](const std::string& text) {
        prompts.push_back(text);
        // The operator applies 12 mA: here through the jig's AO3.
        EXPECT_TRUE(rig.Device().SetAnalogOutput(3, 6000, false));
        return TPromptAnswer::Confirmed;
    };
    const TRunResult run =
        rig.Run(PlanOf({{"calibration", calibration}, {"address", TAddressStep{0x35}}}), hooks);
    EXPECT_EQ(run.Verdict, TVerdict::Pass) << run.Steps.back().Detail;
    EXPECT_EQ(prompts, std::vector<std::string>{"Apply 12.000 mA to AI3 and confirm"});
    EXPECT_EQ(MeasurementsWith(run, TVerdict::Pass),
              (std::vector<std::string>{"AI3 coefficient", "AI3 after calibration", "address"}));
    int32_t divisions = 0;
    EXPECT_TRUE(rig.Device().GetInputDivisions(3, divisions)) << "the module answers at its new address";
    EXPECT_EQ(rig.Device().GetAddress(), 0x35);
}

}
