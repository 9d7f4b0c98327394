// Pictures for the documentation, not tests (ctest leaves them out; scripts/screenshots.sh
// runs them): the main window, disconnected and connected with live values, the About box
// and the trend window over some seconds of a drifting simulated module, written to
// $VALDRIX_BUILD_DIR/screenshots/.
#include "test_main_fixture.h"

#include "app/ufAbout.h"
#include "app/ufTrend.h"
#include "controls/ShapeEx.h"

#include <QDir>
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

class DocumentationScreenshots : public MainWindowTest {};

} // namespace

TEST_F(DocumentationScreenshots, MainWindowAndAboutBox)
{
    OpenWindows();
    Save(Main(), QStringLiteral("main_disconnected.png"));

    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    ConnectTo(sim.Connection());
    QTest::mouseClick(Find<TShapeEx>(QStringLiteral("shpxDO3")), Qt::LeftButton);
    QTest::mouseClick(Find<TShapeEx>(QStringLiteral("shpxDO8")), Qt::LeftButton);
    WaitRotation();
    Save(Main(), QStringLiteral("main_connected.png"));

    Main().AboutBox()->show();
    Save(*Main().AboutBox(), QStringLiteral("about.png"));
    Main().AboutBox()->hide();
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
