#include "app/uTrendCsv.h"

#include <QDateTime>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>

namespace {

const QLatin1Char Separator(';');

QString FormatValue(int series, double value, const QLocale& locale)
{
    if (TrendSeriesKind(series) == TTrendKind::Temperature) return locale.toString(value, 'f', 1);
    return QString::number(int64_t(value));
}

} // namespace

bool WriteTrendCsv(const QString& path, const TTrendSamples& samples, const std::vector<int>& series, int64_t from,
                   int64_t to)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = QStringLiteral("Čas");
    for (int s : series) text += Separator + TrendSeriesName(s);
    text += QLatin1Char('\n');

    // Merges the series by time: each row takes the earliest sample not yet written and
    // every other series' sample of the same time.
    std::vector<size_t> next;
    for (int s : series) next.push_back(samples.Series(s).FirstAtOrAfter(from));
    for (;;) {
        int64_t time = INT64_MAX;
        for (size_t i = 0; i < series.size(); ++i) {
            const TTrendRing& ring = samples.Series(series[i]);
            if (next[i] < ring.Size() && ring[next[i]].Time <= to) time = std::min(time, ring[next[i]].Time);
        }
        if (time == INT64_MAX) break;
        text += QDateTime::fromMSecsSinceEpoch(time).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        for (size_t i = 0; i < series.size(); ++i) {
            text += Separator;
            const TTrendRing& ring = samples.Series(series[i]);
            if (next[i] < ring.Size() && ring[next[i]].Time == time)
                text += FormatValue(series[i], ring[next[i]++].Value, locale);
        }
        text += QLatin1Char('\n');
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
    file.write(text.toUtf8());
    return file.commit();
}
