// The trend view's sample store, the lines it hands to the chart and its CSV rows.
#include "app/uTrendCsv.h"
#include "app/uTrendPoints.h"
#include "app/uTrendSamples.h"
#include "tests/support/text_lines.h"

#include <QDateTime>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

std::vector<int64_t> Times(const TTrendRing& ring)
{
    std::vector<int64_t> times;
    for (size_t i = 0; i < ring.Size(); ++i) times.push_back(ring[i].Time);
    return times;
}

TValdrixPanel PanelWithValidReadings()
{
    TValdrixPanel panel;
    panel.AnalogValid = panel.AnalogRawValid = panel.TemperaturesValid = true;
    for (int n = 1; n <= 4; ++n) {
        panel.Analog[n] = {ValdrixStatusValid, 1000 * n};
        panel.AnalogRaw[n] = {ValdrixStatusValid, 10000 * n};
        panel.Temperatures[n] = {ValdrixStatusValid, 20.5 + n};
    }
    return panel;
}

// The number of samples in each of the twelve series.
std::vector<size_t> Counts(const TTrendSamples& samples)
{
    std::vector<size_t> counts;
    for (int s = 0; s < TrendSeriesCount; ++s) counts.push_back(samples.Series(s).Size());
    return counts;
}

} // namespace

TEST(TrendRing, DropsTheOldestWhenFullAndFindsByTime)
{
    TTrendRing ring(3);
    for (int64_t t : {10, 20, 30, 40, 50}) ring.Add({t, double(t) / 10});
    EXPECT_EQ(Times(ring), (std::vector<int64_t>{30, 40, 50}));
    EXPECT_EQ(ring[0].Value, 3.0);
    const struct {
        int64_t Time;
        size_t Index;
    } cases[] = {{0, 0}, {30, 0}, {31, 1}, {40, 1}, {50, 2}, {51, 3}};
    for (const auto& c : cases) EXPECT_EQ(ring.FirstAtOrAfter(c.Time), c.Index) << c.Time;
}

TEST(TrendSamples, TakesOnlyTheValidReadingsOfTheAnalogAndThermometerSteps)
{
    const auto byKind = [](std::vector<size_t> perKind) {
        std::vector<size_t> counts;
        for (size_t kind = 0; kind < 3; ++kind) counts.insert(counts.end(), 4, perKind[kind]);
        return counts;
    };
    struct Case {
        const char* What;
        int Step;
        void (*Change)(TValdrixPanel&);
        std::vector<size_t> Expected;
    };
    const Case cases[] = {
        {"all valid, analog step", 0, [](TValdrixPanel&) {}, byKind({1, 1, 0})},
        {"all valid, thermometer step", 4, [](TValdrixPanel&) {}, byKind({0, 0, 1})},
        {"digital steps", 1, [](TValdrixPanel&) {}, byKind({0, 0, 0})},
        {"counters", 3, [](TValdrixPanel&) {}, byKind({0, 0, 0})},
        {"calibrated read failed", 0, [](TValdrixPanel& p) { p.AnalogValid = false; }, byKind({0, 1, 0})},
        {"raw read failed", 0, [](TValdrixPanel& p) { p.AnalogRawValid = false; }, byKind({1, 0, 0})},
        {"thermometer read failed", 4, [](TValdrixPanel& p) { p.TemperaturesValid = false; }, byKind({0, 0, 0})},
        {"channel 2 without valid status", 0,
         [](TValdrixPanel& p) { p.Analog[2].Status = p.AnalogRaw[2].Status = 0; },
         {1, 0, 1, 1, 1, 0, 1, 1, 0, 0, 0, 0}},
        {"thermometer 4 without valid status", 4, [](TValdrixPanel& p) { p.Temperatures[4].Status = 0x7F; },
         {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0}},
    };
    for (const Case& c : cases) {
        TValdrixPanel panel = PanelWithValidReadings();
        c.Change(panel);
        TTrendSamples samples;
        samples.AddPollStep(c.Step, panel, 1000);
        EXPECT_EQ(Counts(samples), c.Expected) << c.What;
    }
}

TEST(TrendSamples, EachSeriesHoldsItsOwnChannel)
{
    TTrendSamples samples;
    const TValdrixPanel panel = PanelWithValidReadings();
    samples.AddPollStep(0, panel, 1000);
    samples.AddPollStep(4, panel, 1040);
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(samples.Series(n - 1)[0].Value, 1000 * n);
        EXPECT_EQ(samples.Series(4 + n - 1)[0].Value, 10000 * n);
        EXPECT_EQ(samples.Series(8 + n - 1)[0].Value, 20.5 + n);
        EXPECT_EQ(samples.Series(8 + n - 1)[0].Time, 1040);
    }
}

TEST(TrendPoints, AllSamplesOfTheSpanWhenFew)
{
    TTrendRing ring(100);
    for (int64_t t = 0; t < 10; ++t) ring.Add({t * 100, double(t)});
    const QList<QPointF> points = TrendPoints(ring, 200, 500, 50);
    ASSERT_EQ(points.size(), 4);
    EXPECT_EQ(points.front(), QPointF(200, 2));
    EXPECT_EQ(points.back(), QPointF(500, 5));
    EXPECT_TRUE(TrendPoints(ring, 1000, 2000, 50).isEmpty());
}

TEST(TrendPoints, ManySamplesAreThinnedKeepingPeaksInTimeOrder)
{
    TTrendRing ring(20000);
    for (int64_t t = 0; t < 18000; ++t) ring.Add({t, t == 12345 ? 900.0 : (t == 4321 ? -900.0 : double(t % 7))});
    const QList<QPointF> points = TrendPoints(ring, 0, 17999, 1200);
    EXPECT_LE(points.size(), 1200);
    EXPECT_GE(points.size(), 600);
    EXPECT_TRUE(std::is_sorted(points.begin(), points.end(),
                               [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }));
    EXPECT_TRUE(points.contains(QPointF(12345, 900)));
    EXPECT_TRUE(points.contains(QPointF(4321, -900)));
}

TEST(TrendLines, BreakWhereNoSampleWasTakenForLongerThanTheGap)
{
    const struct {
        std::vector<int64_t> Times;
        std::vector<qsizetype> Lines; // points per line
    } cases[] = {
        {{}, {}},
        {{0, 200, 400}, {3}},
        {{0, 200, 400, 2000, 2200, 20000}, {3, 2, 1}},
        {{0, TrendGapMs, 2 * TrendGapMs + 1}, {2, 1}},
    };
    for (const auto& c : cases) {
        TTrendRing ring(100);
        for (int64_t t : c.Times) ring.Add({t, 1});
        std::vector<qsizetype> lines;
        for (const QList<QPointF>& line : TrendLines(ring, 0, 100000, 600)) lines.push_back(line.size());
        EXPECT_EQ(lines, c.Lines) << c.Times.size();
    }
}

TEST(TrendLines, ThinnedLinesStayOnTheirSideOfAGap)
{
    // An hour at five samples a second, with ten minutes missing in its middle.
    TTrendRing ring(20000);
    for (int64_t t = 0; t < 3600000; t += 200)
        if (t < 1500000 || t >= 2100000) ring.Add({t, double(t % 7)});
    const std::vector<QList<QPointF>> lines = TrendLines(ring, 0, 3600000, 600);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_LE(lines[0].size() + lines[1].size(), 602);
    EXPECT_GE(lines[0].size(), 200);
    EXPECT_LT(lines[0].back().x(), 1500000);
    EXPECT_GE(lines[1].front().x(), 2100000);
}

TEST(TrendCsv, OneRowPerMomentOfThePolling)
{
    // AI1 and T1 of rotations 200 ms apart: the analog step, then the thermometer step
    // 160 ms later; the third rotation's thermometer read failed, then nothing for ten
    // seconds, and a rotation cut by the end of the span.
    TTrendSamples samples;
    TValdrixPanel panel = PanelWithValidReadings();
    const int64_t t = QDateTime(QDate(2026, 12, 7), QTime(10, 0)).toMSecsSinceEpoch();
    for (const int64_t rotation : {t, t + 200, t + 400, t + 10400}) {
        panel.Analog[1].Value = int32_t(rotation - t);
        samples.AddPollStep(0, panel, rotation);
        panel.TemperaturesValid = rotation != t + 400;
        samples.AddPollStep(4, panel, rotation + 160);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("graf.csv"));
    ASSERT_TRUE(WriteTrendCsv(path, samples, {0, 8}, t, t + 10400));
    const QString t1 = QLocale::system().toString(21.5, 'f', 1);
    EXPECT_EQ(ReadTextLines(path),
              (QStringList{QStringLiteral("Čas;AI1;T1"), QStringLiteral("2026-12-07 10:00:00.160;0;") + t1,
                           QStringLiteral("2026-12-07 10:00:00.360;200;") + t1,
                           QStringLiteral("2026-12-07 10:00:00.400;400;"),
                           QStringLiteral("2026-12-07 10:00:10.400;10400;")}));
}
