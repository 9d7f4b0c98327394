// "Znovu připojit": the main window reopens its link after the polling lost the module,
// over TCP, through ser2net and over a pseudo-terminal, and stops when told to.
#include "test_main_fixture.h"

#include "app/ufConnectionDialog.h"
#include "framework/gui/ufCILog.h"
#include "session/uLinkPolicy.h"

#include "tests/support/com_links.h"
#include "tests/support/ser2net_gateway.h"

#include <QCheckBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

TEST_F(MainWindowTest, ReconnectsToARestartedSimulatorAndKeepsTheChoice)
{
    auto sim = std::make_unique<TSimulator>();
    ASSERT_TRUE(sim->Ready());
    const int port = sim->Port();
    OpenWindows();
    // The log window opened on the lost link goes on with the new one.
    QPlainTextEdit* log = Windows->Log().findChild<QPlainTextEdit*>(QStringLiteral("reLog"));
    ExpectReconnectAcross(
        sim->Connection(),
        [&] {
            Click(QStringLiteral("btnLog"));
            sim->Kill();
        },
        [&] {
            Windows->Log().btnClearClick();
            sim = std::make_unique<TSimulator>(SimulatorOnPort(port));
            ASSERT_TRUE(sim->Ready());
        });
    EXPECT_TRUE(PumpUntil([&] { return !log->toPlainText().isEmpty(); }))
        << log->toPlainText().toStdString();

    // The choice is kept in Config.xml and comes back with the next start.
    CloseWindows();
    QFile config(ProgramFolder + "/Config.xml");
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    EXPECT_TRUE(config.readAll().contains("Reconnect=\"1\""));
    OpenWindows();
    EXPECT_TRUE(Find<QCheckBox>(QStringLiteral("chkReconnect"))->isChecked());
}

TEST_F(MainWindowTest, ReconnectsThroughARestartedSer2netGateway)
{
    if (!std::filesystem::exists(Ser2netProgram)) GTEST_SKIP() << "ser2net is not installed";
    TComLinks links;
    const std::string pty = links.Port(7);
    const TSimulator sim({"--no-tcp", "--pty", pty});
    TSer2netGateway gateway(links.Path(), pty);
    ASSERT_TRUE(gateway.Ready());
    OpenWindows();
    ExpectReconnectAcross(
        gateway.Connection(), [&] { gateway.Stop(); },
        [&] {
            gateway.Restart();
            ASSERT_TRUE(gateway.Ready());
        });
}

TEST_F(MainWindowTest, ReconnectsToASimulatorBackOnTheSamePseudoTerminal)
{
    TComLinks links;
    const std::vector<std::string> onPty = {"--no-tcp", "--pty", links.Port(7)};
    auto sim = std::make_unique<TSimulator>(onPty);
    OpenWindows();
    ExpectReconnectAcross(
        "provider=SERIAL_PORT;comport=7;baudrate=115200", [&] { sim->Kill(); },
        [&] { sim = std::make_unique<TSimulator>(onPty); });
}

TEST_F(MainWindowTest, DisconnectOrUncheckingStopsTheAttempts)
{
    const std::function<void()> stops[] = {
        [this] { Click(QStringLiteral("btnDisconnect")); },
        [this] { Find<QCheckBox>(QStringLiteral("chkReconnect"))->setChecked(false); },
    };
    for (const auto& stop : stops) {
        TSimulator sim;
        ASSERT_TRUE(sim.Ready());
        OpenWindows();
        Find<QCheckBox>(QStringLiteral("chkReconnect"))->setChecked(true);
        ConnectTo(sim.Connection());
        sim.Kill();
        ASSERT_TRUE(PumpUntil([&] { return StatusText().startsWith(QStringLiteral("Znovu připojuji… pokus 1")); }, std::chrono::seconds(30)))
            << StatusText().toStdString();
        ASSERT_TRUE(Main().Reconnecting());
        stop();
        EXPECT_FALSE(Main().Reconnecting());
        EXPECT_FALSE(Main().Connected());
        EXPECT_FALSE(Find<QPushButton>(QStringLiteral("btnDisconnect"))->isEnabled());
        CloseWindows();
    }
}

TEST_F(MainWindowTest, ConnectingWhileTheModuleIsLostBehindTheDialogEndsTheAttempts)
{
    TSimulator first;
    TSimulator second;
    ASSERT_TRUE(first.Ready() && second.Ready());
    OpenWindows();
    Find<QCheckBox>(QStringLiteral("chkReconnect"))->setChecked(true);
    ConnectTo(first.Connection());
    // While the connection dialog is open the module goes away and the attempts to reopen
    // the link begin; the user then confirms another module.
    TfConnectionDialog* dialog = &Windows->ConnectionDialog();
    bool killed = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (!dialog->isVisible()) return;
        if (!killed) {
            first.Kill();
            killed = true;
        }
        if (!Main().Reconnecting()) return;
        answer.stop();
        dialog->Load(second.Connection());
        dialog->accept();
    });
    answer.start(10);
    Click(QStringLiteral("btnConnect"));
    ASSERT_TRUE(Main().Connected()) << StatusText().toStdString();
    EXPECT_FALSE(Main().Reconnecting());
    // An interval of the attempts later, the link is still the one the user chose.
    const IntfPtr<ICommunicationInterface> chosen = Main().Session().MainInterface();
    PumpUntil([] { return false; }, std::chrono::milliseconds(ReconnectIntervalMs + 500));
    EXPECT_EQ(Main().Session().MainInterface().get(), chosen.get());
    EXPECT_EQ(StatusText(), QStringLiteral("Spojení bylo úspěšně navázáno."));
}

TEST_F(MainWindowTest, ReconnectReopensTheRS485TestLink)
{
    auto sim = std::make_unique<TSimulator>();
    ASSERT_TRUE(sim->Ready());
    const int port = sim->Port();
    const int rs485Port = sim->RS485Port();
    OpenWindows();
    Find<QCheckBox>(QStringLiteral("chkReconnect"))->setChecked(true);
    ConnectTo(sim->Connection());
    ConfirmDialogWith(sim->RS485Connection(), QStringLiteral("btnRS485Connect"));
    sim->Kill();
    ASSERT_TRUE(PumpUntil([&] { return !Main().Connected() && Main().Reconnecting(); }));
    sim = std::make_unique<TSimulator>(
        std::vector<std::string>{"--port", std::to_string(port), "--rs485-port", std::to_string(rs485Port)});
    ASSERT_TRUE(sim->Ready());
    ASSERT_TRUE(PumpUntil([&] { return Main().Connected(); }, std::chrono::seconds(30))) << StatusText().toStdString();
    EXPECT_TRUE(Find<QPushButton>(QStringLiteral("btnRS485Disconnect"))->isEnabled());
    Click(QStringLiteral("btnRS485Info"));
    EXPECT_EQ(Text(QStringLiteral("edtRS485Answer")), QStringLiteral("Valdrix Tester Info"));
}
