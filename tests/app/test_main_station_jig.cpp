// Station runs on the main window's session against the simulator's loopback jig: what
// a stop in the middle of a step leaves on the jig's outputs, and an RS-485 step whose
// test link is set up wrongly or whose module goes away.
#include "test_main_fixture.h"

#include "app/station/ufStation.h"
#include "records/uRecordQueries.h"
#include "records/uRecordStore.h"
#include "station/uStationRun.h"
#include "station/uTestPlanLoader.h"
#include "tests/support/loopback_socket.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QTest>

#include <unistd.h>

#include <atomic>
#include <functional>
#include <memory>
#include <utility>

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

// The session's script, with something done to the station at the step's first pause
// (a stop, the module lost): whatever the step drove is driven then.
class TAtFirstPause : public TSessionScript {
public:
    TAtFirstPause(TSessionScript& script, std::function<void()> action) : FScript(script), FAction(std::move(action)) {}
    TSessionLink& Link() override { return FScript.Link(); }
    bool Pause(uint32_t ms) override
    {
        if (FAction) std::exchange(FAction, nullptr)();
        return FScript.Pause(ms);
    }
    bool Stopped() const override { return FScript.Stopped(); }
    TRS485Exchange RS485Request(uint8_t address, std::string& data) override
    {
        return FScript.RS485Request(address, data);
    }

private:
    TSessionScript& FScript;
    std::function<void()> FAction;
};

// Runs the plan on the window's session, `action` done at the first pause.
TStationOutcome RunWithActionAtPause(TValdrixSession& session, const TTestPlan& plan, std::function<void()> action)
{
    const auto ended = std::make_shared<std::atomic<bool>>(false);
    const auto outcome = std::make_shared<TStationOutcome>();
    session.RunScript([ended, outcome, plan, action](TSessionScript& script) {
        TAtFirstPause acting(script, action);
        *outcome = RunOnSession(acting, plan, TStationRun{});
        *ended = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return ended->load(); }, std::chrono::seconds(30)));
    return *outcome;
}

// The station window runs an RS-485 step with the RS-485 test link set up wrongly: the
// run is the tester's ERROR with the reason, and the store holds no FAIL of the unit.
struct TRS485SetupCase {
    const char* Name;
    std::vector<std::string> SimOptions;
    int Address;
    // The RS-485 link's connection string, from the simulator's.
    std::function<std::string(const TSimulator&, int listener)> Link;
    const char* Reason;
    bool Opens;
};

void PrintTo(const TRS485SetupCase& c, std::ostream* out) { *out << c.Name; }

class StationRS485SetupTest : public MainWindowTest, public testing::WithParamInterface<TRS485SetupCase> {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        FOldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", ConfigDir.filePath(QStringLiteral("data")).toUtf8());
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        qputenv("XDG_DATA_HOME", FOldData);
    }
    QByteArray FOldData;
};

TEST_P(StationRS485SetupTest, IsTheRunsErrorNeverTheUnitsFailure)
{
    const TRS485SetupCase& c = GetParam();
    TSimulator sim(c.SimOptions);
    ASSERT_TRUE(sim.Ready());
    uint16_t listenerPort = 0;
    const int listener = BindLoopback(listenerPort, 4);
    OpenWindows();
    ConnectTo(sim.Connection());
    ConfirmDialogWith(c.Link(sim, listenerPort), QStringLiteral("btnRS485Connect"));
    // A link that did not open is shown closed, with the reason.
    EXPECT_EQ(Find<QPushButton>(QStringLiteral("btnRS485Disconnect"))->isEnabled(), c.Opens);
    EXPECT_EQ(Find<QPushButton>(QStringLiteral("btnRS485Log"))->isEnabled(), c.Opens);
    if (!c.Opens) {
        EXPECT_TRUE(StatusText().startsWith(QStringLiteral("Spojení se nepodařilo navázat :( ("))) << StatusText().toStdString();
        EXPECT_EQ(StatusColour(), TfrmMain::StatusError);
    }

    const QString plan = ConfigDir.filePath(QStringLiteral("rs485.toml"));
    QFile file(plan);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(PlanWithStep("kind = \"rs485\"\naddress = " + std::to_string(c.Address) +
                                                       "\nexpected = \"Valdrix Tester Info\"\n")));
    file.close();
    Main().btnStationClick();
    TfStation& station = *Main().StationWindow();
    ASSERT_TRUE(station.LoadPlan(plan));
    auto* unit = station.findChild<QLineEdit*>(QStringLiteral("edtUnit"));
    ASSERT_NE(unit, nullptr);
    QTest::keyClicks(unit, QStringLiteral("R1"));
    QTest::keyClick(unit, Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return !station.Running(); }, std::chrono::seconds(30)));
    EXPECT_EQ(station.LastVerdict(), TVerdict::Error);
    QFile record(QString::fromStdString(station.LastRecordPath()));
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    const QByteArray text = record.readAll();
    EXPECT_TRUE(text.contains(c.Reason)) << text.toStdString();
    EXPECT_FALSE(text.contains("\"FAIL\"")) << text.toStdString();

    TRecordStore store;
    std::string error;
    ASSERT_TRUE(store.Open(TRecordsLocation::File(station.LocalStore()), error)) << error;
    std::vector<TRunSummary> runs;
    ASSERT_TRUE(FindRuns(store, TRecordFilter{}, 10, runs, error)) << error;
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].Verdict, "ERROR");
    close(listener);
}

INSTANTIATE_TEST_SUITE_P(
    Setups, StationRS485SetupTest,
    testing::Values(
        TRS485SetupCase{"ClosedPort", {"--jig", "loopback"}, 50,
                        [](const TSimulator&, int) { return LoopbackConnection(UnusedLoopbackPort()); },
                        "no RS-485 link", false},
        TRS485SetupCase{"SilentListener", {"--jig", "loopback"}, 50,
                        [](const TSimulator&, int listener) { return LoopbackConnection(listener); },
                        "the RS-485 link has answered nothing", true},
        TRS485SetupCase{"AnotherModuleOnTheMainLink", {"--jig", "loopback", "--modules", "3"}, 0x32,
                        [](const TSimulator& sim, int) { return sim.RS485Connection(); },
                        "another device answered for address 50", true}),
    [](const testing::TestParamInfo<TRS485SetupCase>& info) { return std::string(info.param.Name); });

TEST_F(MainWindowTest, TheModuleLinkClosingInTheRS485StepIsAnError)
{
    TSimulator sim({"--jig", "loopback"});
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    ConfirmDialogWith(sim.RS485Connection(), QStringLiteral("btnRS485Connect"));
    const TPlanLoad load =
        ParseTestPlan(PlanWithStep("kind = \"rs485\"\naddress = 50\nexpected = \"Valdrix Tester Info\"\n"), "r.toml");
    ASSERT_TRUE(load.Plan.has_value());
    const auto ended = std::make_shared<std::atomic<bool>>(false);
    const auto outcome = std::make_shared<TStationOutcome>();
    TStationRun setup;
    // The module goes away as the step begins.
    setup.Event = [&sim](const TRunEvent& event, const std::string&) {
        if (event.Kind == TRunEvent::TKind::StepStarted) sim.Kill();
    };
    Main().Session().RunScript([ended, outcome, setup, plan = *load.Plan](TSessionScript& script) {
        *outcome = RunOnSession(script, plan, setup);
        *ended = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return ended->load(); }, std::chrono::seconds(30)));
    ASSERT_EQ(outcome->Run.Steps.size(), 1u);
    EXPECT_EQ(outcome->Run.Steps[0].Verdict, TVerdict::Error);
    EXPECT_EQ(outcome->Run.Steps[0].Detail, "sending the RS-485 request: the link was closed");
    EXPECT_TRUE(outcome->Run.Steps[0].Measurements.empty());
}

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
    // The station's Stop, on the window's thread.
    const TStationOutcome outcome = RunWithActionAtPause(session, *load.Plan, [&session] {
        QMetaObject::invokeMethod(&session, [&session] { session.StopActions(); }, Qt::QueuedConnection);
    });
    ASSERT_EQ(outcome.Run.Steps.size(), 1u);
    EXPECT_EQ(outcome.Run.Steps[0].Verdict, TVerdict::Aborted) << outcome.Run.Steps[0].Detail;
    EXPECT_EQ(outcome.Run.Steps[0].Detail, "stopped");

    TValdrixOutputBits outputs;
    TValdrixAnalogOutputValues analog;
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetOutputs(outputs) && d.GetAnalogOutputs(analog, true); }));
    for (int k = 1; k <= ValdrixDigitalOutputs; ++k) EXPECT_FALSE(outputs[k]) << "DO" << k;
    for (int k = 1; k <= ValdrixAnalogOutputs; ++k) EXPECT_EQ(analog[k], 0) << "AO" << k;
}

// A module lost while its output is driven: the output cannot be switched off, and the
// step's error says so besides its own reason.
TEST_F(MainWindowTest, AnOutputThatCouldNotBeResetIsNoted)
{
    TSimulator sim({"--jig", "loopback"});
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    const TPlanLoad load = ParseTestPlan(PlanWithStep("kind = \"digital\"\nsettle_ms = 300\n"), "lost.toml");
    ASSERT_TRUE(load.Plan.has_value());
    const TStationOutcome outcome = RunWithActionAtPause(Main().Session(), *load.Plan, [&sim] { sim.Kill(); });
    ASSERT_EQ(outcome.Run.Steps.size(), 1u);
    EXPECT_EQ(outcome.Run.Steps[0].Verdict, TVerdict::Error);
    EXPECT_TRUE(outcome.Run.Steps[0].Detail.ends_with("; the jig could not be reset: DO1")) << outcome.Run.Steps[0].Detail;
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
