// The windows in the language the tester was started in: a few texts of each window and
// dialog, the status line and the numbers the window formats (Czech writes a decimal
// comma, English a point).
#include "test_main_fixture.h"

#include "app/station/ufStation.h"
#include "app/ufAbout.h"
#include "app/ufConnectionDialog.h"
#include "app/uTrendCsv.h"
#include "app/ufTrend.h"
#include "controls/uDoubleEdit.h"
#include "device/uValdrixCalibration.h"
#include "framework/gui/ufCILog.h"
#include "tests/support/child_processes.h"

#include <QAbstractButton>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

TEST_P(MainWindowLanguageTest, WindowsAndDialogsSpeakTheLanguage)
{
    OpenWindows();
    Click(QStringLiteral("btnTrend"));
    ASSERT_NE(Main().TrendWindow(), nullptr);
    Main().btnStationClick();
    ASSERT_NE(Main().StationWindow(), nullptr);
    const auto text = [](const QObject* control) -> QString {
        if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
        if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
        if (const auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
        if (const auto* field = qobject_cast<const QLineEdit*>(control)) return field->text();
        return QStringLiteral("<no text>");
    };
    const struct {
        QWidget* Window;
        const char* Control; // empty: the window's title
        const char* Czech;
        const char* English;
    } cases[] = {
        {&Main(), "btnConnect", "Připojit", "Connect"},
        {&Main(), "btnOSetNext", "Sepnout další vstup", "Next output on"},
        {&Main(), "gbAnalogInputs", "Analogové vstupy - kalibrace", "Analog inputs - calibration"},
        {&Main(), "btnDA2Low", "Analogové výtupy - kalibrace", "Analog outputs - calibration"},
        {&Main(), "Button3", "Nahrat ze zařízení", "Read from device"},
        {&Main(), "lblAboutCaption2", "Programu", "Tester"},
        {&Main(), "chkReconnect", "Znovu připojit", "Reconnect"},
        {Main().AboutBox(), "btnOK", "OK", "OK"},
        {&Windows->ConnectionDialog(), "", "Nastavení připojení", "Connection settings"},
        {&Windows->ConnectionDialog(), "rbCOM", "Sériový port:", "Serial port:"},
        {&Windows->ConnectionDialog(), "lCOMBaudrate", "Komunikační rychlost [Bd]:", "Baud rate [Bd]:"},
        {&Windows->ConnectionDialog(), "bCancel", "Zrušit", "Cancel"},
        {&Windows->Log(), "", "Komunikační log", "Communication log"},
        {&Windows->Log(), "btnSave", "Uložit…", "Save…"},
        {&Windows->Log(), "btnClear", "Vymazat", "Clear"},
        {&Windows->Log(), "sbPause", "Pozastavit", "Pause"},
        {&Windows->Log(), "edtDisabledInst", "Zakázané instrukce", "Disabled Inst"},
        {Main().TrendWindow(), "", "Graf", "Chart"},
        {Main().TrendWindow(), "btnSaveCsv", "Uložit CSV", "Save CSV"},
        {&Main(), "btnStation", "Výrobní test", "Production test"},
        {Main().StationWindow(), "", "Výrobní test", "Production test"},
        {Main().StationWindow(), "btnPlan", "Vybrat…", "Choose…"},
        {Main().StationWindow(), "btnHistorySearch", "Hledat", "Search"},
    };
    for (const auto& c : cases) {
        const QObject* control = *c.Control ? c.Window->findChild<QObject*>(QString::fromUtf8(c.Control)) : c.Window;
        ASSERT_NE(control, nullptr) << c.Control;
        EXPECT_EQ(*c.Control ? text(control) : c.Window->windowTitle(), InLanguage(c.Czech, c.English)) << c.Control;
    }
    EXPECT_EQ(Find<QLabel>(QStringLiteral("pnlDA1Raw"))->toolTip(),
              InLanguage("Tažením myší doprava / doleva, nahoru / dolů se mění RAW hodnota výstupu",
                         "Drag the mouse right / left, up / down to change the output's RAW value"));
    EXPECT_TRUE(Main().AboutBox()->findChild<QLabel*>(QStringLiteral("lblVersion"))->text().startsWith(
        InLanguage("Verze: ", "Version: ")));
    // Qt's own dialogs and buttons speak the window's language too.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), InLanguage("Zrušit", "Cancel"));
    // The texts the device layer reports are translated where the window shows them.
    EXPECT_EQ(TfrmMain::DeviceText(SValdrixCommunicationError), InLanguage("Chyba komunikace", "Communication error"));
    EXPECT_NE(TfrmMain::DeviceText(SValdrixCalibrationUndefined).startsWith(QStringLiteral("Calculation error")),
              GetParam() == TTesterLanguage::Czech);
}

TEST_P(MainWindowLanguageTest, StatusLineAndNumbersFollowTheLanguage)
{
    OpenWindows();
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    ConnectTo(sim.Connection());
    EXPECT_EQ(StatusText(), InLanguage("Spojení bylo úspěšně navázáno.", "Connected successfully."));
    EXPECT_EQ(Text(QStringLiteral("edtTemp1")), InLanguage("21,5", "21.5"));
    EXPECT_EQ(Text(QStringLiteral("edtTemp3")), InLanguage("-4,5", "-4.5"));
    // A real number typed with the language's decimal separator is read as that number.
    auto* applied = Find<TDoubleEdit>(QStringLiteral("deADRealValue"));
    applied->setText(InLanguage("2,5", "2.5"));
    EXPECT_DOUBLE_EQ(applied->Value(), 2.5);
    sim.Kill();
    ASSERT_TRUE(PumpUntil([&] { return !Main().Connected(); }));
    EXPECT_EQ(StatusText(), InLanguage("Chyba komunikace", "Communication error"));
}

TEST_P(MainWindowLanguageTest, TrendCsvHeaderSpeaksTheLanguage)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("graf.csv"));
    ASSERT_TRUE(WriteTrendCsv(path, TTrendSamples(), {0}, 0, 1));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), InLanguage("Čas;AI1\n", "Time;AI1\n"));
}
