// Pictures for the documentation, not tests (ctest leaves them out; scripts/screenshots.sh
// runs them): the main window, disconnected and connected with live values (also in
// English), the About box and the trend window over some seconds of a drifting simulated
// module, the log window with its decoded column and tshark's view of the log saved as a
// capture, written to $VALDRIX_BUILD_DIR/screenshots/.
#include "test_main_fixture.h"

#include "app/ufAbout.h"
#include "app/ufTrend.h"
#include "controls/ShapeEx.h"
#include "framework/gui/ufCILog.h"
#include "tests/support/child_processes.h"
#include "tests/support/tshark.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

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
