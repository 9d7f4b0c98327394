// The trend view's sample store: the analog inputs (calibrated and raw) and the
// thermometers as the polling read them, each series in a bounded ring. The main window
// hands every finished poll step to it; the trend window only reads it, so drawing and
// saving never ask the module anything.
#pragma once

#include "device/uValdrixPolling.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// One reading of a series; Time in milliseconds since 1970-01-01 UTC.
struct TTrendSample {
    int64_t Time = 0;
    double Value = 0;
};

// Samples in the order they were added (times never decreasing); when full, each new
// sample replaces the oldest.
class TTrendRing {
public:
    explicit TTrendRing(size_t capacity);

    void Add(const TTrendSample& sample);
    size_t Size() const { return FItems.size(); }
    // 0 is the oldest sample.
    const TTrendSample& operator[](size_t index) const { return FItems[(FStart + index) % FItems.size()]; }
    // Index of the first sample at or after time (Size() when there is none).
    size_t FirstAtOrAfter(int64_t time) const;

private:
    size_t FCapacity;
    size_t FStart = 0; // index in FItems of the oldest sample once the ring is full
    std::vector<TTrendSample> FItems;
};

// What a series shows; the series of one kind share a value axis.
enum class TTrendKind { Analog, AnalogRaw, Temperature };

// Series 0..3 are the calibrated analog inputs 1..4, 4..7 the raw ones, 8..11 the
// thermometers 1..4.
constexpr int TrendSeriesCount = ValdrixAnalogInputs * 2 + ValdrixThermometers;

TTrendKind TrendSeriesKind(int series);
// 1..4: the channel the series shows.
int TrendSeriesChannel(int series);
// The series' name as the main window labels the channel: "AI1", "AI1 RAW", "T1".
QString TrendSeriesName(int series);

class TTrendSamples {
public:
    // A little more than an hour of the nominal five refreshes a second.
    static constexpr size_t DefaultCapacity = 20000;

    explicit TTrendSamples(size_t capacity = DefaultCapacity);

    // Takes the values of a finished poll step from the panel: the valid channels of
    // step 0 (analog inputs) and step 4 (thermometers), all stamped with time. Other
    // steps, failed reads and channels without a valid status add nothing.
    void AddPollStep(int step, const TValdrixPanel& panel, int64_t time);

    const TTrendRing& Series(int series) const { return FSeries[size_t(series)]; }

private:
    std::array<TTrendRing, TrendSeriesCount> FSeries;
};
