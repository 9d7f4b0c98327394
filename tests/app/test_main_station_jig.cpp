// Station runs on the main window's session against the simulator's loopback jig: what
// a stop in the middle of a step leaves on the jig's outputs.
#include "test_main_fixture.h"

#include "station/uStationRun.h"
#include "station/uTestPlanLoader.h"

#include <QMetaObject>

#include <atomic>
#include <memory>

namespace {

// The jig of the sample plan and one step of the kind, with pauses that a stop ends.
std::string PlanWithStep(const std::string& step)
{
    return R"(
[plan]
name = "Stop"
version = "1"
[jig]
digital = [ { output = 1, input = 1 }, { output = 2, input = 2 } ]
counters = [ { output = 3, counter = 3 } ]
analog = [ { output = 1, input = 1 }, { output = 4, input = 4 } ]
[[step]]
)" + step;
}

// The session's script, stopped (as the station's Stop does) at the step's first pause:
// whatever the step drove is driven then.
class TStopAtPause : public TSessionScript {
public:
    TStopAtPause(TSessionScript& script, TValdrixSession& session) : FScript(script), FSession(session) {}
    TSessionLink& Link() override { return FScript.Link(); }
    bool Pause(uint32_t ms) override
    {
        QMetaObject::invokeMethod(&FSession, [session = &FSession] { session->StopActions(); }, Qt::QueuedConnection);
        return FScript.Pause(ms);
    }
    bool Stopped() const override { return FScript.Stopped(); }
    TRS485Exchange RS485Request(uint8_t address, std::string& data) override
    {
        return FScript.RS485Request(address, data);
    }

private:
    TSessionScript& FScript;
    TValdrixSession& FSession;
};

struct TStopCase {
    const char* Step;
};

void PrintTo(const TStopCase& c, std::ostream* out) { *out << c.Step; }

class StationJigTest : public MainWindowTest, public testing::WithParamInterface<TStopCase> {};

TEST_P(StationJigTest, AStopInTheStepLeavesEveryOutputOff)
{
    TSimulator sim({"--jig", "loopback"});
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    const TPlanLoad load = ParseTestPlan(PlanWithStep(GetParam().Step), "stop.toml");
    ASSERT_TRUE(load.Plan.has_value());
    TValdrixSession& session = Main().Session();
    const auto ended = std::make_shared<std::atomic<bool>>(false);
    const auto outcome = std::make_shared<TStationOutcome>();
    session.RunScript([&session, ended, outcome, plan = *load.Plan](TSessionScript& script) {
        TStopAtPause stopping(script, session);
        *outcome = RunOnSession(stopping, plan, TStationRun{});
        *ended = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return ended->load(); }, std::chrono::seconds(30)));
    ASSERT_EQ(outcome->Run.Steps.size(), 1u);
    EXPECT_EQ(outcome->Run.Steps[0].Verdict, TVerdict::Aborted) << outcome->Run.Steps[0].Detail;
    EXPECT_EQ(outcome->Run.Steps[0].Detail, "stopped");

    TValdrixOutputBits outputs;
    TValdrixAnalogOutputValues analog;
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetOutputs(outputs) && d.GetAnalogOutputs(analog, true); }));
    for (int k = 1; k <= ValdrixDigitalOutputs; ++k) EXPECT_FALSE(outputs[k]) << "DO" << k;
    for (int k = 1; k <= ValdrixAnalogOutputs; ++k) EXPECT_EQ(analog[k], 0) << "AO" << k;
}

INSTANTIATE_TEST_SUITE_P(StepKinds, StationJigTest,
                         testing::Values(TStopCase{"kind = \"digital\"\nsettle_ms = 20000\n"},
                                         TStopCase{"kind = \"counters\"\npulses = 3\npulse_ms = 20000\n"},
                                         TStopCase{"kind = \"analog\"\npoints = [8.0]\ntolerance = 0.1\n"
                                                   "settle_ms = 20000\n"},
                                         TStopCase{"kind = \"calibration\"\ninput = 4\napplied = 12.0\n"
                                                   "divisions = 10000\nreference = \"jig\"\n"
                                                   "coefficient = { low = 1, high = 65535 }\n"
                                                   "tolerance = 0.1\nsettle_ms = 20000\n"}),
                         [](const testing::TestParamInfo<TStopCase>& info) {
                             const std::string step = info.param.Step;
                             return step.substr(8, step.find('"', 8) - 8);
                         });

}
