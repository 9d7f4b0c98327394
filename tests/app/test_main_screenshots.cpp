// Pictures for the documentation, not tests (ctest leaves them out; scripts/screenshots.sh
// runs them): the main window, disconnected and connected with live values (also in
// English), the About box and the trend window over some seconds of a drifting simulated
// module, the log window with its decoded column and tshark's view of the log saved as a
// capture, and the station window after a failed run of the sample plan, written to
// $VALDRIX_BUILD_DIR/screenshots/.
#include "test_main_fixture.h"

#include "app/station/ufStation.h"
#include "app/ufAbout.h"
#include "app/ufTrend.h"
#include "controls/ShapeEx.h"
#include "framework/gui/ufCILog.h"
#include "tests/support/child_processes.h"
#include "tests/support/tshark.h"

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

QString ScreenshotPath(const QString& name)
{
    const QString build = qEnvironmentVariable("VALDRIX_BUILD_DIR", QDir::tempPath());
    QDir dir(build);
    dir.mkpath(QStringLiteral("screenshots"));
    return dir.filePath(QStringLiteral("screenshots/") + name);
}

void Save(QWidget& widget, const QString& name)
{
    const QImage image = widget.grab().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), widget.size());
    EXPECT_TRUE(image.save(ScreenshotPath(name))) << name.toStdString();
}

class DocumentationScreenshots : public MainWindowTest {
protected:
    // The main window connected to the simulated module, with two outputs switched on.
    void ConnectWithOutputsOn(const TSimulator& sim)
    {
        ConnectTo(sim.Connection());
        QTest::mouseClick(Find<TShapeEx>(QStringLiteral("shpxDO3")), Qt::LeftButton);
        QTest::mouseClick(Find<TShapeEx>(QStringLiteral("shpxDO8")), Qt::LeftButton);
        WaitRotation();
    }
};

} // namespace

TEST_F(DocumentationScreenshots, MainWindowAndAboutBox)
{
    OpenWindows();
    Save(Main(), QStringLiteral("main_disconnected.png"));

    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    ConnectWithOutputsOn(sim);
    Save(Main(), QStringLiteral("main_connected.png"));

    Main().AboutBox()->show();
    Save(*Main().AboutBox(), QStringLiteral("about.png"));
    Main().AboutBox()->hide();
}

TEST_F(DocumentationScreenshots, MainWindowInEnglish)
{
    InstallTesterLanguage(TTesterLanguage::English);
    const auto czechAgain = qScopeGuard([] { InstallTesterLanguage(TTesterLanguage::Czech); });
    OpenWindows();
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    ConnectWithOutputsOn(sim);
    Save(Main(), QStringLiteral("main_connected_en.png"));
}

TEST_F(DocumentationScreenshots, TrendWindow)
{
    OpenWindows();
    TSimulator sim({}, false);
    ASSERT_TRUE(sim.Ready());
    ConnectTo(sim.Connection());
    Click(QStringLiteral("btnTrend"));
    TfTrend* trend = Main().TrendWindow();
    ASSERT_NE(trend, nullptr);
    // A dozen seconds of polling: half a swing of the analog signals.
    QTest::qWait(12000);
    trend->SetSeriesShown(7, false); // its legend entry turns pale
    trend->Redraw();
    EXPECT_GT(Main().TrendSamples().Series(0).Size(), 40u);
    Save(*trend, QStringLiteral("trend.png"));
}

TEST_F(DocumentationScreenshots, StationWindowAfterAFailedRun)
{
    // The station's store of this picture alone.
    QTemporaryDir data;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    const auto dataAgain = qScopeGuard([&] { qputenv("XDG_DATA_HOME", oldData); });
    OpenWindows();
    TSimulator sim({"--jig", "loopback", "--jig-fault", "stuck-input:3"}, false);
    ASSERT_TRUE(sim.Ready());
    ConnectTo(sim.Connection());
    ConfirmDialogWith(sim.RS485Connection(), QStringLiteral("btnRS485Connect"));
    Main().btnStationClick();
    TfStation& station = *Main().StationWindow();
    ASSERT_TRUE(station.LoadPlan(qEnvironmentVariable("VALDRIX_SOURCE_DIR") + QStringLiteral("/examples/loopback.toml")));
    station.findChild<QLineEdit*>(QStringLiteral("edtOperator"))->setText(QStringLiteral("Nováková"));
    station.findChild<QLineEdit*>(QStringLiteral("edtStation"))->setText(QStringLiteral("Linka 1"));
    station.findChild<QLineEdit*>(QStringLiteral("edtUnit"))->setText(QStringLiteral("A1234"));
    station.btnStartClick();
    ASSERT_TRUE(PumpUntil([&] { return !station.Running(); }, std::chrono::seconds(60)));
    ASSERT_EQ(station.LastVerdict(), TVerdict::Fail);
    PumpUntil([&] { return station.findChild<QTreeWidget*>(QStringLiteral("tvLastRuns"))->topLevelItemCount() > 0; });
    Save(station, QStringLiteral("station_failed.png"));
}

TEST_F(DocumentationScreenshots, LogWindowAndTshark)
{
    OpenWindows();
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    Windows->Log().ShowFor("");
    ConnectTo(sim.Connection());
    WaitRotation();
    Windows->Log().Timer1Timer();
    Windows->Log().resize(900, 420);
    Save(Windows->Log(), QStringLiteral("log_window.png"));

    QTemporaryDir dir;
    const QString capture = dir.filePath(QStringLiteral("log.pcap"));
    std::string error;
    ASSERT_TRUE(Windows->Log().SaveCapture(capture, error)) << error;
    const TProgramRun summary = RunProgramAt(
        "/usr/bin/tshark", {"-r", capture.toStdString(), "-2", "-X", "lua_script:" + DissectorPath(), "-c", "14"});
    const TProgramRun detail =
        RunProgramAt("/usr/bin/tshark", {"-r", capture.toStdString(), "-2", "-X", "lua_script:" + DissectorPath(),
                                         "-O", "tarvel97", "-Y", "tarvel97.answer_to == 0x59"});
    QPlainTextEdit view;
    view.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 9));
    view.setLineWrapMode(QPlainTextEdit::NoWrap);
    view.setPlainText(QString::fromStdString("$ tshark -r log.pcap -2 -c 14\n" + summary.Out +
                                             "\n$ tshark -r log.pcap -2 -O tarvel97 -Y \"tarvel97.answer_to == 0x59\"\n" +
                                             detail.Out.substr(0, detail.Out.find("\n\n"))));
    view.resize(1100, 860);
    Save(view, QStringLiteral("tshark.png"));
}

// The status line after a clock set the module refused, and after "Odpojit", in both
// languages.
TEST_F(DocumentationScreenshots, MainWindowRefusalAndDisconnect)
{
    for (const TTesterLanguage language : {TTesterLanguage::Czech, TTesterLanguage::English}) {
        InstallTesterLanguage(language);
        const auto czechAgain = qScopeGuard([] { InstallTesterLanguage(TTesterLanguage::Czech); });
        const QString suffix = language == TTesterLanguage::English ? QStringLiteral("_en") : QString();
        OpenWindows();
        TSimulator sim({"--refuse", "74:02"});
        ASSERT_TRUE(sim.Ready());
        ConnectWithOutputsOn(sim);
        Click(QStringLiteral("Button4"));
        Save(Main(), QStringLiteral("main_clock_refused%1.png").arg(suffix));
        Click(QStringLiteral("btnDisconnect"));
        // The polling without a link blanks the fields.
        ASSERT_TRUE(PumpUntil([&] {
            for (const char* field : {"edtAD1RawValue", "edtDI1Counter", "edtTemp4"})
                if (Text(QString::fromLatin1(field)) != QStringLiteral("-")) return false;
            return true;
        }));
        Save(Main(), QStringLiteral("main_disconnected_after%1.png").arg(suffix));
        CloseWindows();
    }
}
