// The trend view's costs. What the polling pays: handing one finished poll step to the
// sample store (a full store, so every sample replaces the oldest). What the trend
// window pays once a second while it is shown: one redraw of the last minute or hour
// from a store holding an hour in every series, with the paint that follows.
#include "app/uAppClock.h"
#include "app/uTrendSamples.h"
#include "app/ufTrend.h"
#include "bench/bench_widgets.h"

#include <QComboBox>
#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr int64_t PollStepMs = 40;
constexpr int64_t HourMs = 3600 * 1000;

TValdrixPanel PanelAt(int64_t time)
{
    TValdrixPanel panel;
    panel.AnalogValid = panel.AnalogRawValid = panel.TemperaturesValid = true;
    for (int n = 1; n <= 4; ++n) {
        const double swing = std::sin(double(time) / 5000 + n);
        panel.Analog[n] = {ValdrixStatusValid, int32_t(5000 + 500 * swing)};
        panel.AnalogRaw[n] = {ValdrixStatusValid, int32_t(25000 + 2500 * swing)};
        panel.Temperatures[n] = {ValdrixStatusValid, 20 + swing};
    }
    return panel;
}

// An hour of polling ending at `end`: a rotation of five steps every 200 ms.
void FillHour(TTrendSamples& samples, int64_t end)
{
    for (int64_t t = end - HourMs, step = 0; t <= end; t += PollStepMs, step = (step + 1) % ValdrixPollSteps)
        samples.AddPollStep(int(step), PanelAt(t), t);
}

void BM_TrendAddPollStep(benchmark::State& state)
{
    TTrendSamples samples;
    int64_t time = 0;
    FillHour(samples, time);
    const TValdrixPanel panel = PanelAt(0);
    int step = 0;
    for (auto _ : state) {
        time += PollStepMs;
        samples.AddPollStep(step, panel, time);
        step = (step + 1) % ValdrixPollSteps;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_TrendRedraw(benchmark::State& state)
{
    BenchWidgetsApp();
    const QDateTime now = QDateTime::currentDateTime();
    const TAppClock previous = SetAppClock([now] { return now; });
    TTrendSamples samples;
    FillHour(samples, now.toMSecsSinceEpoch());
    {
        TfTrend trend(samples);
        trend.findChild<QComboBox*>(QStringLiteral("cbbSpan"))->setCurrentIndex(int(state.range(0)));
        trend.show();
        QCoreApplication::processEvents();
        for (auto _ : state) {
            trend.Redraw();
            QCoreApplication::processEvents();
        }
    }
    SetAppClock(previous);
}

} // namespace

BENCHMARK(BM_TrendAddPollStep);
// Span 0 is the last minute, 2 the last hour.
BENCHMARK(BM_TrendRedraw)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(20);
