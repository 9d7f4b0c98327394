// Connecting the main window to the simulated module, and losing the module.
#include "test_main_fixture.h"

#include "app/ufConnectionDialog.h"
#include "controls/ShapeEx.h"
#include "framework/gui/ufCILog.h"
#include "tests/support/loopback_socket.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

TEST_F(MainWindowTest, ConnectsIdentifiesAndEnablesThePanel)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConfirmDialogWith(sim.Connection(), QStringLiteral("btnConnect"));
    EXPECT_TRUE(Main().Connected());
    EXPECT_EQ(StatusText(), QStringLiteral("Spojení bylo úspěšně navázáno."));
    EXPECT_EQ(StatusColour(), QColor(0x00, 0x80, 0x00));
    EXPECT_EQ(Main().ConnectionString(), sim.Connection());
    for (const char* name : {"btnDisconnect", "btnLog", "btnAD1Set", "Button3", "btnRS485Connect"})
        EXPECT_TRUE(Find<QPushButton>(QString::fromUtf8(name))->isEnabled()) << name;
    EXPECT_FALSE(Find<QPushButton>(QStringLiteral("btnRS485Disconnect"))->isEnabled());

    // The log shows the main link's traffic.
    Click(QStringLiteral("btnLog"));
    EXPECT_TRUE(Windows->Log().isVisible());

    // The status line says the window is disconnected now.
    Click(QStringLiteral("btnDisconnect"));
    EXPECT_FALSE(Main().Connected());
    EXPECT_EQ(StatusText(), QStringLiteral("Odpojeno."));
    EXPECT_FALSE(Find<QPushButton>(QStringLiteral("btnAD1Set"))->isEnabled());

    CloseWindows();
    QFile config(ProgramFolder + "/Config.xml");
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    EXPECT_TRUE(config.readAll().contains(QByteArray::fromStdString(sim.Connection())));
}

TEST_F(MainWindowTest, FailedConnectionsSayNoAndStayDisconnected)
{
    OpenWindows();
    const std::string nobody = "provider=TCP_CLIENT;host=127.0.0.1;port=" + std::to_string(UnusedLoopbackPort());
    ConfirmDialogWith(nobody, QStringLiteral("btnConnect"));
    EXPECT_FALSE(Main().Connected());
    // The reason the transport gives follows the text.
    EXPECT_EQ(StatusText(), QStringLiteral("Spojení se nepodařilo navázat :( (127.0.0.1:%1: connection refused: nothing "
                                           "accepts connections on that port)")
                                .arg(QString::fromStdString(nobody.substr(nobody.rfind('=') + 1))));
    EXPECT_EQ(StatusColour(), QColor(0xFF, 0x00, 0x00));
    // The confirmed string is kept although the connection failed.
    EXPECT_EQ(Main().ConnectionString(), nobody);

    // A module that does not identify itself is not accepted, and the window says why.
    TSimulator silent({"--refuse", "F3:01"});
    ASSERT_TRUE(silent.Ready());
    Main().ShowStatus(QString(), TfrmMain::StatusOk);
    ConfirmDialogWith(silent.Connection(), QStringLiteral("btnConnect"));
    EXPECT_FALSE(Main().Connected());
    EXPECT_TRUE(StatusText().startsWith(QStringLiteral("Spojení se nepodařilo navázat :( (modul neposlal identifikaci: ")))
        << StatusText().toStdString();
}

namespace {

// A loopback listener whose queue is full: it drops the tester's connection request, so
// opening a link to it waits the whole connect time, processing events.
class TStalledListener {
public:
    TStalledListener()
    {
        FListener = BindLoopback(FPort, 0);
        bool queued = false;
        FQueued = ConnectLoopback(FPort, queued, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC);
    }
    ~TStalledListener()
    {
        close(FQueued);
        close(FListener);
    }
    std::string Connection() const { return "provider=TCP_CLIENT;host=127.0.0.1;port=" + std::to_string(FPort); }

private:
    uint16_t FPort = 0;
    int FListener = -1;
    int FQueued = -1;
};

} // namespace

TEST_F(MainWindowTest, ASecondConnectWhileTheLinkOpensIsRefused)
{
    const TStalledListener stalled;
    OpenWindows();
    TfConnectionDialog& dialog = Windows->ConnectionDialog();
    bool probed = false, connectEnabled = true, dialogAgain = false;
    QObject::connect(&dialog, &QDialog::accepted, &Main(), [&] {
        QTimer::singleShot(300, &Main(), [&] {
            if (probed) return;
            probed = true;
            connectEnabled = Find<QPushButton>(QStringLiteral("btnConnect"))->isEnabled();
            // Should another connect start, its dialog is cancelled so that this test ends.
            QTimer cancel;
            QObject::connect(&cancel, &QTimer::timeout, [&] {
                if (!dialog.isVisible()) return;
                dialogAgain = true;
                dialog.reject();
            });
            cancel.start(10);
            Main().btnConnectClick();
            Main().btnRS485ConnectClick();
        });
    });
    ConfirmDialogWith(stalled.Connection(), QStringLiteral("btnConnect"));
    EXPECT_TRUE(probed);
    EXPECT_FALSE(connectEnabled);
    EXPECT_FALSE(dialogAgain);
    EXPECT_TRUE(StatusText().startsWith(QStringLiteral("Spojení se nepodařilo navázat :("))) << StatusText().toStdString();
    EXPECT_TRUE(Find<QPushButton>(QStringLiteral("btnConnect"))->isEnabled());
}

TEST_F(MainWindowTest, DisconnectWhileTheRS485LinkOpensDropsIt)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    const TStalledListener stalled;
    OpenWindows();
    ConnectTo(sim.Connection());
    bool rs485ConnectEnabled = true;
    QObject::connect(&Windows->ConnectionDialog(), &QDialog::accepted, &Main(), [&] {
        QTimer::singleShot(300, &Main(), [&] {
            rs485ConnectEnabled = Find<QPushButton>(QStringLiteral("btnRS485Connect"))->isEnabled();
            Click(QStringLiteral("btnDisconnect"));
        });
    });
    ConfirmDialogWith(stalled.Connection(), QStringLiteral("btnRS485Connect"));
    EXPECT_FALSE(rs485ConnectEnabled);
    EXPECT_FALSE(Main().Connected());
    EXPECT_FALSE(Main().RS485Link());
    EXPECT_FALSE(Find<QPushButton>(QStringLiteral("btnRS485Disconnect"))->isEnabled());
}

TEST_F(MainWindowTest, CancelledDialogChangesNothing)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    ConfirmDialogWith("provider=TCP_CLIENT;host=10.0.0.1;port=1", QStringLiteral("btnConnect"), false);
    EXPECT_TRUE(Main().Connected());
    EXPECT_EQ(Main().ConnectionString(), sim.Connection());
}

TEST_F(MainWindowTest, ReconnectingClosesTheRS485LinkAndTheOldLink)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    ConfirmDialogWith(sim.RS485Connection(), QStringLiteral("btnRS485Connect"));
    const IntfPtr<ICommunicationInterface> rs485 = Main().RS485Link();
    ASSERT_TRUE(rs485);
    EXPECT_TRUE(rs485->IsOpen());
    const IntfPtr<ICommunicationInterface> first = Main().Session().MainInterface();

    ConfirmDialogWith(sim.Connection(), QStringLiteral("btnConnect"));
    EXPECT_TRUE(Main().Connected());
    EXPECT_FALSE(Main().RS485Link());
    EXPECT_FALSE(rs485->IsOpen());
    EXPECT_FALSE(first->IsOpen());
    EXPECT_NE(Main().Session().MainInterface().get(), first.get());
    EXPECT_FALSE(Find<QPushButton>(QStringLiteral("btnRS485Disconnect"))->isEnabled());
}

TEST_F(MainWindowTest, UnpluggedModuleEndsTheConnectionAndConnectingAgainWorks)
{
    auto sim = std::make_unique<TSimulator>();
    ASSERT_TRUE(sim->Ready());
    OpenWindows();
    ConnectTo(sim->Connection());
    sim->Kill();
    ASSERT_TRUE(PumpUntil([&] { return !Main().Connected(); }, std::chrono::seconds(30)));
    EXPECT_EQ(StatusText(), QStringLiteral("Chyba komunikace"));
    EXPECT_EQ(StatusColour(), QColor(0xFF, 0x00, 0x00));
    EXPECT_FALSE(Find<QPushButton>(QStringLiteral("btnDisconnect"))->isEnabled());
    // Polling goes on without a link: grey lamps, no values, no further message.
    PumpUntil([&] { return Text(QStringLiteral("edtTemp1")) == QStringLiteral("-"); });
    EXPECT_EQ(Text(QStringLiteral("edtTemp1")), QStringLiteral("-"));
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join(QStringLiteral("; ")).toStdString();

    sim = std::make_unique<TSimulator>();
    ASSERT_TRUE(sim->Ready());
    ConnectTo(sim->Connection());
    EXPECT_EQ(Text(QStringLiteral("edtDI2Counter")), QStringLiteral("2002"));
}
