#include "app/uTrendPoints.h"

#include <algorithm>

namespace {

QPointF PointOf(const TTrendSample& sample) { return {double(sample.Time), sample.Value}; }

} // namespace

QList<QPointF> TrendPoints(const TTrendRing& ring, int64_t from, int64_t to, int maxPoints)
{
    const size_t first = ring.FirstAtOrAfter(from);
    const size_t end = ring.FirstAtOrAfter(to + 1);
    const size_t count = end > first ? end - first : 0;
    const size_t limit = size_t(std::max(maxPoints, 2));
    const size_t runs = limit / 2;
    QList<QPointF> points;
    if (count <= limit) {
        points.reserve(qsizetype(count));
        for (size_t i = first; i < end; ++i) points.append(PointOf(ring[i]));
        return points;
    }
    points.reserve(qsizetype(2 * runs));
    for (size_t run = 0; run < runs; ++run) {
        const size_t runFirst = first + run * count / runs;
        const size_t runEnd = first + (run + 1) * count / runs;
        size_t low = runFirst;
        size_t high = runFirst;
        for (size_t i = runFirst + 1; i < runEnd; ++i) {
            if (ring[i].Value < ring[low].Value) low = i;
            if (ring[i].Value > ring[high].Value) high = i;
        }
        points.append(PointOf(ring[std::min(low, high)]));
        if (low != high) points.append(PointOf(ring[std::max(low, high)]));
    }
    return points;
}

std::vector<QList<QPointF>> TrendLines(const TTrendRing& ring, int64_t from, int64_t to, int maxPoints)
{
    const size_t first = ring.FirstAtOrAfter(from);
    const size_t end = ring.FirstAtOrAfter(to + 1);
    std::vector<QList<QPointF>> lines;
    for (size_t start = first; start < end;) {
        size_t stop = start + 1;
        while (stop < end && ring[stop].Time - ring[stop - 1].Time <= TrendGapMs) ++stop;
        const auto share = int(std::max<size_t>(2, size_t(std::max(maxPoints, 2)) * (stop - start) / (end - first)));
        lines.push_back(TrendPoints(ring, ring[start].Time, ring[stop - 1].Time, share));
        start = stop;
    }
    return lines;
}
