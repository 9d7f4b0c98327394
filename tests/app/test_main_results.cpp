// Every action of the main window ends in a result the technician can see, and the
// window shows only what the module has: refusals with their code, entries out of range
// with the range, failed connects with their reason, the status line after "Odpojit",
// and the values that a test or a reconnect made stale.
#include "test_main_fixture.h"

#include "app/station/ufStation.h"
#include "app/ufConnectionDialog.h"
#include "controls/uDoubleEdit.h"
#include "controls/uIntEdit.h"
#include "tests/support/loopback_socket.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <unistd.h>

namespace {

// Drags the output's raw value panel `pixels` to the right, the cursor away from the
// desktop's edges.
void DragRight(QWidget* panel, int pixels)
{
    QCursor::setPos(QGuiApplication::primaryScreen()->virtualGeometry().center());
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), QPointF(panel->mapToGlobal(at)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(panel, &event);
    };
    send(QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(5 + pixels, 5), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(5 + pixels, 5), Qt::NoButton);
}

TEST_F(MainWindowTest, SettingTheClockIsConfirmedOrRefusedWithItsCode)
{
    const struct {
        std::vector<std::string> Options;
        const char* Status;
        QColor Colour;
    } cases[] = {
        {{}, "Datum a čas v zařízení byly nastaveny podle PC.", TfrmMain::StatusOk},
        {{"--refuse", "74:02"}, "Modul požadavek odmítl: kód 2 (chybná data: délka, kanál nebo hodnota)",
         TfrmMain::StatusError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Status);
        TSimulator sim(c.Options);
        ASSERT_TRUE(sim.Ready());
        OpenWindows();
        ConnectTo(sim.Connection());
        Click(QStringLiteral("Button4"));
        EXPECT_EQ(StatusText(), QString::fromUtf8(c.Status));
        EXPECT_EQ(StatusColour(), c.Colour);
        EXPECT_TRUE(Main().Connected());
        // A set clock is read back into the field: the desktop's date.
        if (c.Colour == TfrmMain::StatusOk)
            EXPECT_TRUE(PumpUntil([&] {
                return Text(QStringLiteral("Edit5")).startsWith(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
            })) << Text(QStringLiteral("Edit5")).toStdString();
        CloseWindows();
    }
}

TEST_F(MainWindowTest, TheStatusLineFollowsConnectingAndDisconnecting)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    // A new connect does not keep the old success on the status line while it runs.
    QStringList shown;
    const QMetaObject::Connection record =
        QObject::connect(&Main().Session(), &TValdrixSession::ActionsChanged, &Main(), [&] { shown << StatusText(); });
    ConfirmDialogWith(sim.Connection(), QStringLiteral("btnConnect"));
    QObject::disconnect(record);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.front(), QStringLiteral("Připojuji…"));
    EXPECT_EQ(StatusText(), QStringLiteral("Spojení bylo úspěšně navázáno."));

    // "Odpojit" in the middle of a ramp test: the step shown before is gone.
    Find<QPushButton>(QStringLiteral("btnDA1Test"))->click();
    ASSERT_TRUE(PumpUntil([&] { return StatusText().startsWith(QStringLiteral("Test výstupu: krok 2")); }));
    Click(QStringLiteral("btnDisconnect"));
    EXPECT_EQ(StatusText(), QStringLiteral("Odpojeno."));
    EXPECT_NE(StatusColour(), TfrmMain::StatusOk);
}

TEST_F(MainWindowTest, AFailedConnectSaysWhy)
{
    uint16_t silentPort = 0;
    const int silent = BindLoopback(silentPort, 4);
    TSimulator other({"--identification", "Jiny modul 2.0"});
    ASSERT_TRUE(other.Ready());
    const struct {
        std::string Connection;
        const char* Reason;
    } cases[] = {
        {LoopbackConnection(silentPort), "(modul neposlal identifikaci: "},
        {other.Connection(), "(odpověděl jiný přístroj: „Jiny modul 2.0“)"},
        {LoopbackConnection(UnusedLoopbackPort()), "connection refused"},
    };
    OpenWindows();
    for (const auto& c : cases) {
        ConfirmDialogWith(c.Connection, QStringLiteral("btnConnect"));
        EXPECT_TRUE(StatusText().startsWith(QStringLiteral("Spojení se nepodařilo navázat :( (")))
            << StatusText().toStdString();
        EXPECT_TRUE(StatusText().contains(QString::fromUtf8(c.Reason))) << StatusText().toStdString();
        EXPECT_EQ(StatusColour(), TfrmMain::StatusError);
    }
    close(silent);
}

TEST_F(MainWindowTest, EntriesOutOfRangeAreRefusedWithTheRange)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    int32_t before = -1;
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetInputCoefficient(1, before); }));
    const struct {
        const char* Field;
        const char* Typed;
        const char* Message;
    } cases[] = {
        {"deADRealValue", "250", "Přivedená hodnota musí být v rozmezí od "},
        {"ieADMaxRange", "200000", "Počet dílků musí být v rozmezí od 0 do 100000!"},
    };
    for (const auto& c : cases) {
        Messages.clear();
        auto* field = Find<QLineEdit>(QString::fromUtf8(c.Field));
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QString::fromUtf8(c.Typed));
        Find<QPushButton>(QStringLiteral("btnAD1Calibration"))->click();
        WaitActions();
        ASSERT_FALSE(Messages.isEmpty()) << c.Field;
        EXPECT_TRUE(Messages.back().startsWith(QString::fromUtf8(c.Message))) << Messages.back().toStdString();
        // Nothing was calibrated with a clamped value.
        int32_t after = -1;
        ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetInputCoefficient(1, after); }));
        EXPECT_EQ(after, before) << c.Field;
        field->setText(QString::fromUtf8(c.Field) == QLatin1String("deADRealValue") ? QStringLiteral("10")
                                                                                    : QStringLiteral("10000"));
    }
}

TEST_F(MainWindowTest, ARefusalByTheModuleIsShownAsARefusal)
{
    TSimulator sim({"--refuse", "20:01"});
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    Click(QStringLiteral("btnOSetFirst"));
    EXPECT_EQ(StatusText(), QStringLiteral("Modul požadavek odmítl: kód 1 (neznámá instrukce)"));
    EXPECT_TRUE(Main().Connected());
}

// After a ramp test, and after a reconnect to a module, the window shows none of the
// values it had from before: the output panel and the input ranges say they are unknown.
TEST_F(MainWindowTest, StaleOutputAndRangeValuesAreCleared)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    auto* panel = Find<QLabel>(QStringLiteral("pnlDA1Raw"));
    DragRight(panel, 40);
    ASSERT_EQ(panel->text(), QStringLiteral("10"));
    Click(QStringLiteral("btnDA1Test"));
    EXPECT_EQ(panel->text(), QStringLiteral("-"));

    DragRight(panel, 80);
    ASSERT_EQ(panel->text(), QStringLiteral("20"));
    Click(QStringLiteral("btnADGetInputRange"));
    auto* range = Find<QComboBox>(QStringLiteral("cbbAD3InputRange"));
    ASSERT_EQ(range->currentText(), QStringLiteral("0 - 20 mA"));
    ConnectTo(sim.Connection());
    EXPECT_EQ(panel->text(), QStringLiteral("-"));
    EXPECT_EQ(range->currentIndex(), -1);
    // "Nastavit" with a range not known says so instead of writing one.
    Click(QStringLiteral("btnAD3Set"));
    EXPECT_EQ(StatusText(), QStringLiteral("Rozsah AI3 není známý: načtěte rozsahy vstupů nebo jeden vyberte."));
}

TEST_F(MainWindowTest, TheLogOfTheLostLinkOpensWhileDisconnected)
{
    auto sim = std::make_unique<TSimulator>();
    ASSERT_TRUE(sim->Ready());
    OpenWindows();
    ConnectTo(sim->Connection());
    sim->Kill();
    ASSERT_TRUE(PumpUntil([&] { return StatusText() == QStringLiteral("Chyba komunikace"); }));
    Click(QStringLiteral("btnLog"));
    EXPECT_TRUE(Windows->Log().isVisible());
}

TEST_F(MainWindowTest, TheStatusLineSaysThePanelWaitsForAStationRun)
{
    TSimulator sim({"--jig", "loopback"});
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    const QString plan = ConfigDir.filePath(QStringLiteral("wait.toml"));
    QFile file(plan);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[plan]\nname = \"Wait\"\nversion = \"1\"\n[jig]\ndigital = [ { output = 1, input = 1 } ]\n"
               "[[step]]\nkind = \"digital\"\nsettle_ms = 1500\n");
    file.close();
    Main().btnStationClick();
    TfStation& station = *Main().StationWindow();
    ASSERT_TRUE(station.LoadPlan(plan));
    auto* unit = station.findChild<QLineEdit*>(QStringLiteral("edtUnit"));
    QTest::keyClicks(unit, QStringLiteral("P1"));
    QTest::keyClick(unit, Qt::Key_Return);
    ASSERT_TRUE(station.Running());
    EXPECT_TRUE(PumpUntil([&] { return StatusText() == QStringLiteral("Běží výrobní test: panel se do jeho konce neobnovuje."); }))
        << StatusText().toStdString();
    ASSERT_TRUE(PumpUntil([&] { return !station.Running(); }, std::chrono::seconds(30)));
    EXPECT_TRUE(PumpUntil([&] { return StatusText() == QStringLiteral("Výrobní test skončil, panel se opět obnovuje."); }))
        << StatusText().toStdString();
}

TEST_F(MainWindowTest, ClearingTheSharedRecordsSaysNoneAreUsed)
{
    OpenWindows();
    Main().btnStationClick();
    TfStation& station = *Main().StationWindow();
    auto* shared = station.findChild<QLineEdit*>(QStringLiteral("edtShared"));
    auto* status = station.findChild<QLabel*>(QStringLiteral("lblStatus"));
    ASSERT_TRUE(shared && status);
    shared->setText(QStringLiteral("postgresql://tester@127.0.0.1:1/records"));
    station.btnSharedClick();
    ASSERT_TRUE(status->text().contains(QStringLiteral("127.0.0.1"))) << status->text().toStdString();
    shared->clear();
    station.btnSharedClick();
    EXPECT_EQ(status->text(), QStringLiteral("Sdílené záznamy: žádné; běhy zůstávají v záznamech stanice."));
}

}
