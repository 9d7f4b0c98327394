// The trend window: opened from the main window it draws and saves what the polling
// read from the simulated module; over a store filled by the test (and a clock standing
// still) its span selector and legend decide what is drawn and saved.
#include "test_main_fixture.h"

#include "app/uAppClock.h"
#include "app/uTrendPoints.h"
#include "app/ufTrend.h"
#include "tests/support/text_lines.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QValueAxis>

#include <numeric>

namespace {

QChart* ChartOf(const TfTrend& trend) { return trend.findChild<QChartView*>(QStringLiteral("chvTrend"))->chart(); }

// The lines drawn for a series: the points of each line with any, in the chart's order.
std::vector<int> LinesOf(const TfTrend& trend, int series)
{
    std::vector<int> lines;
    for (QAbstractSeries* line : ChartOf(trend)->series()) {
        const int points = static_cast<QLineSeries*>(line)->count();
        if (line->name() == TrendSeriesName(series) && points > 0) lines.push_back(points);
    }
    return lines;
}

// The points drawn for a series, on all its lines.
int PointsOf(const TfTrend& trend, int series)
{
    const std::vector<int> lines = LinesOf(trend, series);
    return std::accumulate(lines.begin(), lines.end(), 0);
}

const QString Header = QStringLiteral("Čas;AI1;AI2;AI3;AI4;AI1 RAW;AI2 RAW;AI3 RAW;AI4 RAW;T1;T2;T3;T4");

} // namespace

TEST_F(MainWindowTest, TrendSavesThePolledValuesAsCsvAndPng)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    Click(QStringLiteral("btnTrend"));
    TfTrend* trend = Main().TrendWindow();
    ASSERT_NE(trend, nullptr);
    EXPECT_TRUE(trend->isVisible());
    EXPECT_EQ(trend->windowTitle(), QStringLiteral("Graf"));
    WaitRotation();
    WaitRotation();
    trend->Redraw();

    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("graf.csv"));
    const QString png = dir.filePath(QStringLiteral("graf.png"));
    ASSERT_TRUE(trend->SaveCsv(csv));
    ASSERT_TRUE(trend->SavePng(png));

    const QStringList lines = ReadTextLines(csv);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines[0], Header);
    // The file has the desktop's own decimal separator, whatever the window's language.
    const QLocale locale = QLocale::system();
    const QStringList analog = {"5000", "2500", "6000", "8000", "25000", "12500", "30000", "40000"};
    const QStringList temperatures = {locale.toString(21.5, 'f', 1), locale.toString(23.0, 'f', 1),
                                      locale.toString(-4.5, 'f', 1), locale.toString(36.6, 'f', 1)};
    const QRegularExpression time(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}$)");
    // One row per rotation: the analog inputs with the thermometers read after them. Only
    // the first and the last row may miss a group, the span having cut their rotation.
    int analogRows = 0;
    int temperatureRows = 0;
    int fullRows = 0;
    QString previous;
    for (const QString& line : lines.mid(1)) {
        const QStringList cells = line.split(QLatin1Char(';'));
        ASSERT_EQ(cells.size(), 13) << line.toStdString();
        EXPECT_TRUE(time.match(cells[0]).hasMatch()) << line.toStdString();
        EXPECT_GT(cells[0], previous);
        previous = cells[0];
        const bool withAnalog = cells.mid(1, 8) == analog;
        const bool withTemperatures = cells.mid(9) == temperatures;
        EXPECT_TRUE(withAnalog || cells.mid(1, 8).join(QString()).isEmpty()) << line.toStdString();
        EXPECT_TRUE(withTemperatures || cells.mid(9).join(QString()).isEmpty()) << line.toStdString();
        analogRows += withAnalog;
        temperatureRows += withTemperatures;
        fullRows += withAnalog && withTemperatures;
    }
    EXPECT_GE(fullRows, 1);
    EXPECT_GE(fullRows, int(lines.size()) - 3) << "the rows between the first and the last are full";
    EXPECT_EQ(size_t(analogRows), Main().TrendSamples().Series(0).Size());
    EXPECT_EQ(size_t(temperatureRows), Main().TrendSamples().Series(8).Size());
    EXPECT_EQ(PointsOf(*trend, 0), analogRows);

    const QImage picture(png);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), trend->findChild<QChartView*>(QStringLiteral("chvTrend"))->size());
}

TEST_F(MainWindowTest, TrendBreaksItsLinesWhereNothingWasPolled)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    // The clock moves on by ten seconds while the tester is disconnected.
    int64_t skipped = 0;
    const TAppClock previous = SetAppClock([&] { return QDateTime::currentDateTime().addMSecs(skipped); });
    const auto restore = qScopeGuard([&] { SetAppClock(previous); });
    OpenWindows();
    ConnectTo(sim.Connection());
    WaitRotation();
    Click(QStringLiteral("btnDisconnect"));
    skipped = 10000;
    ConnectTo(sim.Connection());
    WaitRotation();
    Click(QStringLiteral("btnTrend"));
    TfTrend* trend = Main().TrendWindow();
    ASSERT_NE(trend, nullptr);
    trend->Redraw();

    for (int s = 0; s < TrendSeriesCount; ++s) {
        const std::vector<int> lines = LinesOf(*trend, s);
        ASSERT_EQ(lines.size(), 2u) << TrendSeriesName(s).toStdString();
        EXPECT_EQ(size_t(lines[0] + lines[1]), Main().TrendSamples().Series(s).Size());
    }
    // One legend entry per series: the line after the gap has none. The legend lays out
    // the entries of lines added to the chart when the events are processed.
    QCoreApplication::processEvents();
    int entries = 0;
    for (QLegendMarker* marker : ChartOf(*trend)->legend()->markers()) entries += marker->isVisible();
    EXPECT_EQ(entries, TrendSeriesCount);

    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("graf.csv"));
    ASSERT_TRUE(trend->SaveCsv(csv));
    const QStringList lines = ReadTextLines(csv);
    int gaps = 0;
    QDateTime last;
    for (const QString& line : lines.mid(1)) {
        const QDateTime time =
            QDateTime::fromString(line.section(QLatin1Char(';'), 0, 0), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        ASSERT_TRUE(time.isValid()) << line.toStdString();
        gaps += last.isValid() && last.msecsTo(time) > TrendGapMs;
        last = time;
    }
    EXPECT_EQ(gaps, 1) << lines.join(QLatin1Char('\n')).toStdString();
}

class TrendWindowTest : public ::testing::Test {
protected:
    static constexpr int64_t Minute = 60 * 1000;

    void SetUp() override
    {
        FOldClock = SetAppClock([this] { return QDateTime::fromMSecsSinceEpoch(Now); });
    }
    void TearDown() override { SetAppClock(FOldClock); }

    // Adds a calibrated reading of one analog input at each of these times before now.
    void AddAnalog(int channel, int32_t value, std::initializer_list<int64_t> ago)
    {
        for (int64_t a : ago) {
            TValdrixPanel panel;
            panel.AnalogValid = true;
            for (int n = 1; n <= 4; ++n) panel.Analog[n] = {n == channel ? ValdrixStatusValid : uint8_t(0), value};
            Samples.AddPollStep(0, panel, Now - a);
        }
    }

    QStringList SavedCsv(const TfTrend& trend)
    {
        const QString path = Dir.filePath(QStringLiteral("graf.csv"));
        EXPECT_TRUE(trend.SaveCsv(path));
        return ReadTextLines(path);
    }

    const int64_t Now = QDateTime(QDate(2026, 12, 7), QTime(10, 0)).toMSecsSinceEpoch();
    TTrendSamples Samples;
    QTemporaryDir Dir;

private:
    TAppClock FOldClock;
};

TEST_F(TrendWindowTest, SpanSelectorChoosesTheMinutesDrawnAndSaved)
{
    AddAnalog(1, 100, {120 * Minute, 30 * Minute, 5 * Minute, Minute / 2, 0});
    TfTrend trend(Samples);
    trend.show();
    auto* span = trend.findChild<QComboBox*>(QStringLiteral("cbbSpan"));
    ASSERT_NE(span, nullptr);
    const struct {
        QString Item;
        int Samples;
    } cases[] = {{"1 min", 2}, {"10 min", 3}, {"60 min", 4}};
    ASSERT_EQ(span->count(), 3);
    for (int i = 0; i < 3; ++i) {
        span->setCurrentIndex(i);
        EXPECT_EQ(span->currentText(), cases[i].Item);
        EXPECT_EQ(trend.ShownTo(), Now);
        EXPECT_EQ(PointsOf(trend, 0), cases[i].Samples) << i;
        const QStringList csv = SavedCsv(trend);
        EXPECT_EQ(csv.size(), 1 + cases[i].Samples) << i;
        EXPECT_EQ(csv.value(1).section(QLatin1Char(';'), 1, 1), QStringLiteral("100")) << i;
    }
}

TEST_F(TrendWindowTest, LegendSwitchesSeriesOffAndOnAndRescalesTheAxis)
{
    AddAnalog(1, 100, {Minute / 4, 0});
    AddAnalog(2, 9000, {Minute / 3});
    TfTrend trend(Samples);
    trend.show();
    // The legend lays out the entries of the lines added to the chart (AI1's two samples
    // lie apart: two lines) when the events are processed.
    QCoreApplication::processEvents();
    QValueAxis* axis = nullptr;
    for (QAbstractAxis* a : ChartOf(trend)->axes(Qt::Vertical))
        if (a->titleText() == QStringLiteral("Hodnota")) axis = static_cast<QValueAxis*>(a);
    ASSERT_NE(axis, nullptr);
    EXPECT_GE(axis->max(), 9000);

    QLegendMarker* marker = ChartOf(trend)->legend()->markers(ChartOf(trend)->series()[1]).value(0);
    ASSERT_NE(marker, nullptr);
    emit marker->clicked();
    EXPECT_FALSE(trend.SeriesShown(1));
    EXPECT_TRUE(marker->isVisible());
    EXPECT_LT(axis->max(), 9000);
    EXPECT_GE(axis->max(), 100);
    QStringList csv = SavedCsv(trend);
    ASSERT_FALSE(csv.isEmpty());
    EXPECT_EQ(csv[0], QStringLiteral("Čas;AI1;AI3;AI4;AI1 RAW;AI2 RAW;AI3 RAW;AI4 RAW;T1;T2;T3;T4"));
    EXPECT_EQ(csv.size(), 3); // AI1's two samples; AI2's is not shown

    emit marker->clicked();
    EXPECT_TRUE(trend.SeriesShown(1));
    EXPECT_GE(axis->max(), 9000);
    csv = SavedCsv(trend);
    EXPECT_EQ(csv.value(0), Header);
    EXPECT_EQ(csv.size(), 4);
}

TEST_F(TrendWindowTest, RedrawsOnlyWhileVisible)
{
    TfTrend trend(Samples);
    auto* timer = trend.findChild<QTimer*>(QStringLiteral("tmrRedraw"));
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->isActive());
    AddAnalog(1, 100, {0});
    trend.show();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(PointsOf(trend, 0), 1); // drawn at once when shown
    trend.hide();
    EXPECT_FALSE(timer->isActive());
}

TEST_F(TrendWindowTest, SaveToAnUnwritablePathFails)
{
    TfTrend trend(Samples);
    trend.show();
    const QString missing = Dir.filePath(QStringLiteral("no/such/folder/graf"));
    EXPECT_FALSE(trend.SaveCsv(missing + QStringLiteral(".csv")));
    EXPECT_FALSE(trend.SavePng(missing + QStringLiteral(".png")));
}
