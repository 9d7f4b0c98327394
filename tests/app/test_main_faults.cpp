// Fault injection against the main window: the simulator's fault switches, links that go
// away while the window polls, and peers that flood, trickle or stay silent. Each ends
// with the text the technician sees in the status line, and connecting to a healthy
// module afterwards works.
#include "test_main_fixture.h"

#include "tests/support/com_links.h"
#include "tests/support/fault_peers.h"
#include "tests/support/ser2net_gateway.h"

#include <filesystem>
#include <functional>

namespace {

const QString ConnectFailed = QStringLiteral("Spojení se nepodařilo navázat :(");
const QString Connected = QStringLiteral("Spojení bylo úspěšně navázáno.");
const QString CommunicationError = QStringLiteral("Chyba komunikace");
// Long enough for two attempts of a request and a disconnect; a window that has not
// shown the text by then is stuck.
constexpr std::chrono::seconds StatusDeadline{30};

class MainWindowFaultTest : public MainWindowTest {
protected:
    // Connects to the faulty module and waits for the status line to show `expected`.
    void ExpectStatusAfterConnect(const std::string& connection, const QString& expected)
    {
        ConfirmDialogWith(connection, QStringLiteral("btnConnect"));
        EXPECT_TRUE(PumpUntil([&] { return StatusText().startsWith(expected); }, StatusDeadline))
            << StatusText().toStdString();
    }
    // A healthy module is connected and polled after the fault.
    void ExpectConnectWorks(const std::string& connection)
    {
        ConnectTo(connection);
        EXPECT_EQ(StatusText(), Connected);
        EXPECT_EQ(Text(QStringLiteral("edtDI2Counter")), QStringLiteral("2002"));
    }
};

} // namespace

TEST_F(MainWindowFaultTest, EachSimulatorSwitchEndsInItsStatusText)
{
    const TSimulator healthy;
    ASSERT_TRUE(healthy.Ready());
    const struct {
        std::vector<std::string> Switches;
        QString Status; // once the connect and the polling that follows have settled
    } cases[] = {
        {{"--drop", "100"}, ConnectFailed},
        {{"--corrupt", "100"}, ConnectFailed},
        {{"--delay", "1500"}, ConnectFailed},
        {{"--delay", "300"}, Connected},
        {{"--garbage"}, Connected},
        {{"--refuse", "31:02"}, CommunicationError}, // the digital inputs
        {{"--close-after", "20"}, CommunicationError},
    };
    OpenWindows();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Switches[0]);
        TSimulator sim(c.Switches);
        ASSERT_TRUE(sim.Ready());
        ExpectStatusAfterConnect(sim.Connection(), c.Status);
        if (c.Status == Connected) {
            WaitRotation();
            EXPECT_EQ(StatusText(), Connected);
            EXPECT_EQ(Text(QStringLiteral("edtDI2Counter")), QStringLiteral("2002"));
        }
        ExpectConnectWorks(healthy.Connection());
    }
}

TEST_F(MainWindowFaultTest, FloodedTrickledOrSilentAnswers)
{
    const TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    const struct {
        TPeerFault Fault;
        QString Status;
    } cases[] = {
        {TPeerFault::Flood, Connected},
        // Two attempts of one second each see a third of the identification.
        {TPeerFault::Trickle, ConnectFailed},
        {TPeerFault::Silent, ConnectFailed},
    };
    OpenWindows();
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.Fault));
        const TFaultPeer peer(c.Fault, sim.Port());
        ExpectStatusAfterConnect(peer.Connection(), c.Status);
        EXPECT_EQ(Main().Connected(), c.Status == Connected);
        if (Main().Connected()) WaitRotation();
        ExpectConnectWorks(sim.Connection());
    }
}

TEST_F(MainWindowFaultTest, ALinkLostWhilePollingEndsTheConnectionAndConnectingAgainWorks)
{
    namespace fs = std::filesystem;
    TComLinks links;
    std::unique_ptr<TSimulator> sim;
    std::unique_ptr<TSer2netGateway> gateway;
    int port = 0;
    const struct {
        const char* Name;
        bool NeedsSer2net;
        std::function<std::string()> Start;  // the module side; the connection
        std::function<void()> Break, Restore; // while polling
    } cases[] = {
        {"simulator killed while an answer is awaited", false,
         [&] {
             sim = std::make_unique<TSimulator>(std::vector<std::string>{"--delay", "150"});
             port = sim->Port();
             return sim->Connection();
         },
         [&] { sim->Kill(); },
         [&] { sim = std::make_unique<TSimulator>(SimulatorOnPort(port)); }},
        {"ser2net stopped while polling", true,
         [&] {
             sim = std::make_unique<TSimulator>(std::vector<std::string>{"--no-tcp", "--pty", links.Port(7)});
             gateway = std::make_unique<TSer2netGateway>(links.Path(), links.Port(7));
             return gateway->Connection();
         },
         [&] { gateway->Stop(); },
         [&] { gateway->Restart(); }},
        {"pseudo-terminal hung up while polling", false,
         [&] {
             sim = std::make_unique<TSimulator>(std::vector<std::string>{"--no-tcp", "--pty", links.Port(7)});
             return std::string("provider=SERIAL_PORT;comport=7;baudrate=115200");
         },
         [&] { sim->Kill(); },
         [&] { sim = std::make_unique<TSimulator>(std::vector<std::string>{"--no-tcp", "--pty", links.Port(7)}); }},
    };
    OpenWindows();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.NeedsSer2net && !fs::exists(Ser2netProgram)) continue;
        const std::string connection = c.Start();
        ConnectTo(connection);
        c.Break();
        EXPECT_TRUE(PumpUntil([&] { return !Main().Connected(); }, StatusDeadline));
        EXPECT_EQ(StatusText(), CommunicationError);
        EXPECT_TRUE(Messages.isEmpty()) << Messages.join(QStringLiteral("; ")).toStdString();
        c.Restore();
        ExpectConnectWorks(connection);
        Click(QStringLiteral("btnDisconnect"));
        gateway.reset();
        sim.reset();
    }
}
