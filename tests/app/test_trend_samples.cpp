// The trend view's sample store and the points it hands to the chart.
#include "app/uTrendPoints.h"
#include "app/uTrendSamples.h"

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
