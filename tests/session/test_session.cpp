// A session against the module simulator, without widgets: the rotation, the ramp test,
// a stop in the middle of it, a silent module and the policy that reopens a lost link.
#include "session/uValdrixSession.h"

#include "framework/uci_SpySink.h"
#include "protocol/uTarvel97.h"
#include "tests/support/child_processes.h"
#include "tests/support/com_links.h"
#include "tests/support/pump_until.h"
#include "tests/support/session_requests.h"
#include "transports/uTransports.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

namespace {

// The requests the session sends on its module link, as parsed packets.
class TSentPackets {
public:
    explicit TSentPackets(const TValdrixSession& session) : FSession(session)
    {
        FPrevious = GetSpySink();
        SetSpySink(TSpySink::Bind<&TSentPackets::Collect>(this));
    }
    ~TSentPackets() { SetSpySink(FPrevious); }

    std::vector<TTarvelFormat97> Packets()
    {
        const std::lock_guard lock(FLock);
        return FPackets;
    }
    size_t Count() { return Packets().size(); }

private:
    void Collect(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction)
    {
        if (direction != SpyDirectionSent || intf != FSession.MainInterface().get()) return;
        std::string buffer = bytes;
        TTarvelFormat97 packet;
        const std::lock_guard lock(FLock);
        while (FindTarvel97Packet(buffer, packet, true)) FPackets.push_back(packet);
    }

    const TValdrixSession& FSession;
    TSpySink FPrevious;
    std::mutex FLock;
    std::vector<TTarvelFormat97> FPackets;
};

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterTransports();
        ASSERT_TRUE(Sim->Ready());
        Session = std::make_unique<TValdrixSession>([this](std::string_view) {
            ++ResponderTurns;
            return std::vector<std::string>();
        });
        QObject::connect(Session.get(), &TValdrixSession::Polled, &Context, [this](int step, const TValdrixPanel&) {
            Steps.push_back(step);
        });
        QObject::connect(Session.get(), &TValdrixSession::RequestDone, &Context, [this](bool ok) { Results.push_back(ok); });
        QObject::connect(Session.get(), &TValdrixSession::SequenceProgress, &Context, [this](int step, int) {
            Progress.push_back(step);
            ProbesAtStep.push_back(Probes);
        });
        QObject::connect(Session.get(), &TValdrixSession::LinkLost, &Context, [this] { ++Losses; });
        Connect(Sim->Connection());
    }
    void TearDown() override
    {
        if (Stopped) kill(Sim->Pid(), SIGCONT);
        Session.reset();
        UnregisterTransports();
    }

    void Connect(const std::string& connection)
    {
        Session->Connect(connection);
        ASSERT_TRUE(Idle());
        ASSERT_TRUE(Session->Connected());
    }
    // Waits until every action asked has reported its end.
    bool Idle() { return PumpUntil([&] { return !Session->ActionRunning(); }, std::chrono::seconds(30)); }
    // Runs one tick of the rotation to its end.
    void TickOnce()
    {
        const size_t before = Steps.size();
        ASSERT_TRUE(PumpUntil([&] { return Session->Tick(); }));
        ASSERT_TRUE(PumpUntil([&] { return Steps.size() > before; }));
    }
    void ConnectRS485()
    {
        Session->OpenRS485(Sim->RS485Connection());
        ASSERT_TRUE(Idle());
        ASSERT_TRUE(Session->RS485Interface());
    }
    void Silence()
    {
        Stopped = true;
        ASSERT_EQ(kill(Sim->Pid(), SIGSTOP), 0);
    }

    // The receiver of the session's reports on this thread.
    QObject Context;
    std::unique_ptr<TSimulator> Sim = std::make_unique<TSimulator>();
    std::unique_ptr<TValdrixSession> Session;
    std::atomic<int> ResponderTurns{0};
    bool Stopped = false;
    std::vector<int> Steps;
    std::vector<bool> Results;
    std::vector<int> Progress;
    // Ticks of a probe timer on this thread, and their count at each step of a sequence.
    int Probes = 0;
    std::vector<int> ProbesAtStep;
    int Losses = 0;
};

} // namespace

TEST_F(SessionTest, ARotationWritesThePendingOutputThenGivesTheRS485LinkItsTurns)
{
    ConnectRS485();
    TSentPackets sent(*Session);
    Session->SetPendingOutput(2, 1234);
    for (int i = 0; i < ValdrixPollSteps; ++i) TickOnce();
    EXPECT_EQ(Steps, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(Session->PendingOutput(), 0);
    // The write went first, in place of the RS-485 link's turn; the other ticks gave it one.
    EXPECT_EQ(ResponderTurns.load(), ValdrixPollSteps - 1);
    const std::vector<TTarvelFormat97> packets = sent.Packets();
    ASSERT_FALSE(packets.empty());
    int32_t value = 0;
    ASSERT_TRUE(OnSessionWorker(*Session, [&](IValdrix& d) { return d.GetAnalogOutput(2, value, true); }));
    EXPECT_EQ(value, 1234);
    // The write is the only request of its instruction in the rotation, ahead of the polls.
    const uint8_t write = packets.front().Inst;
    EXPECT_EQ(std::count_if(packets.begin(), packets.end(), [&](const auto& p) { return p.Inst == write; }), 1);
}

TEST_F(SessionTest, TheRampStepsThroughTheRangeWhileTheCallersLoopRuns)
{
    // A probe on the caller's thread: it must fire during every pause of the ramp.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, &Context, [this] { ++Probes; });
    probe.start(20);
    Session->RampTest(3);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(Progress, (std::vector<int>{1, 2, 3, 4, 5}));
    ASSERT_EQ(ProbesAtStep.size(), 5u);
    for (size_t i = 1; i < ProbesAtStep.size(); ++i) EXPECT_GT(ProbesAtStep[i], ProbesAtStep[i - 1]) << "pause " << i;
    ASSERT_FALSE(Results.empty());
    EXPECT_EQ(std::count(Results.begin(), Results.end(), false), 0);
    int32_t value = 0;
    ASSERT_TRUE(OnSessionWorker(*Session, [&](IValdrix& d) { return d.GetAnalogOutput(3, value, false); }));
    EXPECT_EQ(value, 4 * TValdrixSession::RampIncrement);
}

TEST_F(SessionTest, DisconnectInTheMiddleOfARampSendsNothingMore)
{
    TSentPackets sent(*Session);
    Session->RampTest(1);
    ASSERT_TRUE(PumpUntil([&] { return Progress.size() == 2; }));
    Session->Disconnect();
    const size_t atStop = sent.Count();
    EXPECT_FALSE(Session->Connected());
    ASSERT_TRUE(Idle());
    // The rest of the ramp is never sent and no failure is told for it.
    EXPECT_EQ(Progress.size(), 2u);
    EXPECT_EQ(sent.Count(), atStop);
    EXPECT_EQ(std::count(Results.begin(), Results.end(), false), 0);
    EXPECT_FALSE(Session->MainInterface());
    EXPECT_EQ(Losses, 0);
}

TEST_F(SessionTest, AnInputCalibrationReportsEachReadingBeforeItsResult)
{
    std::vector<int> readings;
    bool done = false;
    QObject::connect(Session.get(), &TValdrixSession::CalibrationProgress, &Context,
                     [&](int reading, int) { readings.push_back(reading); });
    QObject::connect(Session.get(), &TValdrixSession::CalibrationDone, &Context,
                     [&](const TValdrixCalibrationResult&) { done = int(readings.size()) == ValdrixCalibrationReadings; });
    Session->CalibrateInput(1, 5.0, 10000);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(readings, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(done);
}

TEST_F(SessionTest, ASilentModuleLosesTheLinkAndTicksMeanwhileAreSkipped)
{
    Silence();
    ASSERT_TRUE(PumpUntil([&] { return Session->Tick(); }));
    // The tick waits for its answer: the next ones are skipped, not queued.
    EXPECT_FALSE(Session->Tick());
    EXPECT_FALSE(Session->Tick());
    ASSERT_TRUE(PumpUntil([&] { return Losses == 1; }, std::chrono::seconds(30)));
    EXPECT_FALSE(Session->Connected());
    EXPECT_FALSE(Session->MainInterface());
    EXPECT_EQ(Steps.size(), 1u);
}

TEST_F(SessionTest, DisconnectEndsTheWaitForASilentModule)
{
    Silence();
    TSentPackets sent(*Session);
    Session->RampTest(2);
    ASSERT_TRUE(PumpUntil([&] { return sent.Count() == 1; }));
    Session->Disconnect();
    ASSERT_TRUE(Idle());
    // The first attempt's wait ended with the link; no second attempt went out.
    EXPECT_EQ(sent.Count(), 1u);
    EXPECT_EQ(std::count(Results.begin(), Results.end(), false), 0);
}

TEST_F(SessionTest, ALostLinkIsReopenedOnceTheModuleIsBack)
{
    const int port = Sim->Port();
    QStringList told;
    QObject::connect(Session.get(), &TValdrixSession::ReconnectFailed, &Context,
                     [&](int attempt, const QString&) { told << QStringLiteral("failed %1").arg(attempt); });
    QObject::connect(Session.get(), &TValdrixSession::Reconnected, &Context, [&] { told << QStringLiteral("back"); });
    Sim->Kill();
    ASSERT_TRUE(PumpUntil([&] {
        Session->Tick();
        return Losses == 1;
    }));
    Session->StartReconnecting();
    ASSERT_TRUE(PumpUntil([&] { return !told.isEmpty(); }, std::chrono::seconds(30)));
    Sim = std::make_unique<TSimulator>(SimulatorOnPort(port));
    ASSERT_TRUE(Sim->Ready());
    ASSERT_TRUE(PumpUntil([&] { return Session->Connected(); }, std::chrono::seconds(30)));
    EXPECT_FALSE(Session->Reconnecting());
    EXPECT_EQ(told.front(), QStringLiteral("failed 1"));
    EXPECT_EQ(told.back(), QStringLiteral("back"));
}

TEST(SessionSerial, APortOpenedOnTheSessionsThreadTellsItsHangUpToTheOwnersLoop)
{
    RegisterTransports();
    {
        const TComLinks links;
        auto sim = std::make_unique<TSimulator>(std::vector<std::string>{"--no-tcp", "--pty", links.Port(7)});
        ASSERT_TRUE(sim->Ready());
        TValdrixSession session([](std::string_view) { return std::vector<std::string>(); });
        session.Connect("provider=SERIAL_PORT;comport=7;baudrate=115200");
        ASSERT_TRUE(PumpUntil([&] { return !session.ActionRunning(); }));
        ASSERT_TRUE(session.Connected());
        // No request runs: only the port's own line event can tell that the module went away.
        const IntfPtr<ICommunicationInterface> link = session.MainInterface();
        ASSERT_TRUE(link);
        sim->Kill();
        EXPECT_TRUE(PumpUntil([&] { return !link->IsOpen(); }));
    }
    UnregisterTransports();
}

TEST(SessionSerial, DisconnectEndsTheWaitForASilentModuleOnAPseudoTerminal)
{
    RegisterTransports();
    {
        const TComLinks links;
        TSimulator sim({"--no-tcp", "--pty", links.Port(8)});
        ASSERT_TRUE(sim.Ready());
        TValdrixSession session([](std::string_view) { return std::vector<std::string>(); });
        session.Connect("provider=SERIAL_PORT;comport=8;baudrate=115200");
        ASSERT_TRUE(PumpUntil([&] { return !session.ActionRunning(); }));
        ASSERT_TRUE(session.Connected());
        ASSERT_EQ(kill(sim.Pid(), SIGSTOP), 0);
        TSentPackets sent(session);
        session.RampTest(2);
        ASSERT_TRUE(PumpUntil([&] { return sent.Count() == 1; }));
        // Closed from this thread while the worker waits in the port for the answer.
        session.Disconnect();
        ASSERT_TRUE(PumpUntil([&] { return !session.ActionRunning(); }));
        EXPECT_EQ(sent.Count(), 1u);
        EXPECT_FALSE(session.MainInterface());
        kill(sim.Pid(), SIGCONT);
    }
    UnregisterTransports();
}

TEST(LinkPolicy, TheModuleMustNameTheProductUnlessAnyDeviceIsAsked)
{
    struct TCase {
        const char* Identification;
        TIdentityRule Rule;
        bool Accepted;
    };
    for (const TCase& c : {TCase{"VALDRIX 16DI/10DO v2", TIdentityRule::Valdrix, true},
                           TCase{"Modul valdrix", TIdentityRule::Valdrix, true},
                           TCase{"CITAC 8DI", TIdentityRule::Valdrix, false},
                           TCase{"", TIdentityRule::Valdrix, false},
                           TCase{"CITAC 8DI", TIdentityRule::AnyFamilyDevice, true}})
        EXPECT_EQ(IdentityAccepted(c.Identification, c.Rule), c.Accepted) << c.Identification;
}

TEST_F(SessionTest, StopActionsEndsAScriptsPauseAndLeavesTheLinkOpen)
{
    std::atomic<int> paused{-1};
    std::atomic<bool> started{false};
    Session->RunScript([&](TSessionScript& script) {
        started = true;
        paused = script.Pause(60000) ? 1 : 0;
    });
    ASSERT_TRUE(PumpUntil([&] { return started.load(); }));
    Session->StopActions();
    ASSERT_TRUE(PumpUntil([&] { return paused >= 0; }, std::chrono::seconds(2)));
    EXPECT_EQ(paused, 0);
    std::string text;
    EXPECT_TRUE(OnSessionWorker(*Session, [&](IValdrix& d) { return d.ReadIdentificationText(text); }));
    EXPECT_TRUE(Session->Connected());
}
