#include "app/uTrendSamples.h"

#include <algorithm>
#include <utility>

namespace {

template <size_t... I>
std::array<TTrendRing, sizeof...(I)> MakeRings(size_t capacity, std::index_sequence<I...>)
{
    return {((void)I, TTrendRing(capacity))...};
}

} // namespace

TTrendRing::TTrendRing(size_t capacity) : FCapacity(std::max<size_t>(capacity, 1))
{
    // Reserved at once: the ring then fills without copies, and only the pages written
    // become resident.
    FItems.reserve(FCapacity);
}

void TTrendRing::Add(const TTrendSample& sample)
{
    if (FItems.size() < FCapacity) {
        FItems.push_back(sample);
        return;
    }
    FItems[FStart] = sample;
    FStart = (FStart + 1) % FCapacity;
}

size_t TTrendRing::FirstAtOrAfter(int64_t time) const
{
    size_t low = 0;
    size_t high = Size();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if ((*this)[middle].Time < time)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

TTrendKind TrendSeriesKind(int series)
{
    if (series < ValdrixAnalogInputs) return TTrendKind::Analog;
    if (series < 2 * ValdrixAnalogInputs) return TTrendKind::AnalogRaw;
    return TTrendKind::Temperature;
}

int TrendSeriesChannel(int series)
{
    return TrendSeriesKind(series) == TTrendKind::Temperature ? series - 2 * ValdrixAnalogInputs + 1
                                                              : series % ValdrixAnalogInputs + 1;
}

QString TrendSeriesName(int series)
{
    const int channel = TrendSeriesChannel(series);
    switch (TrendSeriesKind(series)) {
    case TTrendKind::Analog: return QStringLiteral("AI%1").arg(channel);
    case TTrendKind::AnalogRaw: return QStringLiteral("AI%1 RAW").arg(channel);
    case TTrendKind::Temperature: break;
    }
    return QStringLiteral("T%1").arg(channel);
}

TTrendSamples::TTrendSamples(size_t capacity)
    : FSeries(MakeRings(capacity, std::make_index_sequence<TrendSeriesCount>()))
{
}

void TTrendSamples::AddPollStep(int step, const TValdrixPanel& panel, int64_t time)
{
    const auto add = [&](int series, bool valid, double value) {
        if (valid) FSeries[size_t(series)].Add({time, value});
    };
    if (step == 0) {
        for (int n = 1; n <= ValdrixAnalogInputs; ++n) {
            add(n - 1, panel.AnalogValid && panel.Analog[n].Valid(), panel.Analog[n].Value);
            add(ValdrixAnalogInputs + n - 1, panel.AnalogRawValid && panel.AnalogRaw[n].Valid(),
                panel.AnalogRaw[n].Value);
        }
    } else if (step == 4) {
        for (int n = 1; n <= ValdrixThermometers; ++n)
            add(2 * ValdrixAnalogInputs + n - 1, panel.TemperaturesValid && panel.Temperatures[n].Valid(),
                panel.Temperatures[n].Value);
    }
}
