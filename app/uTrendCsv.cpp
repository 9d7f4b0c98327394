#include "app/uTrendCsv.h"

#include "app/uTrendPoints.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>
#include <optional>
#include <utility>

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
    // The desktop's own separator, whatever language the window speaks: the file is for
    // the spreadsheet on the same desktop.
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = QCoreApplication::translate("TTrendCsv", "Čas");
    for (int s : series) text += Separator + TrendSeriesName(s);
    text += QLatin1Char('\n');

    // Merges the series by time: each step takes the earliest sample not yet written.
    std::vector<size_t> next;
    for (int s : series) next.push_back(samples.Series(s).FirstAtOrAfter(from));
    const auto earliest = [&]() -> std::optional<size_t> {
        std::optional<size_t> found;
        for (size_t i = 0; i < series.size(); ++i) {
            const TTrendRing& ring = samples.Series(series[i]);
            if (next[i] < ring.Size() && ring[next[i]].Time <= to &&
                (!found || ring[next[i]].Time < samples.Series(series[*found])[next[*found]].Time))
                found = i;
        }
        return found;
    };
    std::vector<QString> cells(series.size());
    std::vector<bool> filled(series.size());
    int64_t rowStart = 0;
    int64_t rowTime = 0;
    const auto writeRow = [&] {
        text += QDateTime::fromMSecsSinceEpoch(rowTime).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        for (QString& cell : cells) text += Separator + std::exchange(cell, QString());
        text += QLatin1Char('\n');
        std::fill(filled.begin(), filled.end(), false);
    };
    const auto rowOpen = [&] { return std::find(filled.begin(), filled.end(), true) != filled.end(); };
    while (const std::optional<size_t> i = earliest()) {
        const TTrendSample& sample = samples.Series(series[*i])[next[*i]++];
        if (rowOpen() && (filled[*i] || sample.Time - rowStart > TrendGapMs)) writeRow();
        if (!rowOpen()) rowStart = sample.Time;
        rowTime = sample.Time;
        filled[*i] = true;
        cells[*i] = FormatValue(series[*i], sample.Value, locale);
    }
    if (rowOpen()) writeRow();

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
    file.write(text.toUtf8());
    return file.commit();
}
