// The points and lines the trend chart draws for one series, and the gap that breaks a line.
#pragma once

#include "app/uTrendSamples.h"

#include <QList>
#include <QPointF>

#include <cstdint>
#include <vector>

// A series has a sample every 200 ms while the module is polled (a rotation of five 40 ms
// poll steps). Where none was taken for longer than five rotations (a disconnection, a
// module that stopped answering), nothing was measured: the chart breaks its line there
// and a CSV row does not join readings across it.
constexpr int64_t TrendGapMs = 1000;

// The samples of the ring within [from, to] as points (x: milliseconds since 1970, y: the
// value). When there are more than maxPoints of them, the samples are cut into
// maxPoints / 2 runs of equal length and each run gives its lowest and its highest
// sample, in time order: an hour of samples draws at the cost of a minute, and a short
// peak stays visible.
QList<QPointF> TrendPoints(const TTrendRing& ring, int64_t from, int64_t to, int maxPoints);

// The lines the chart draws for one series within [from, to]: the samples are cut where
// two of them lie more than TrendGapMs apart, and each part becomes the points of
// TrendPoints, with a share of maxPoints by its number of samples (at least two).
std::vector<QList<QPointF>> TrendLines(const TTrendRing& ring, int64_t from, int64_t to, int maxPoints);
