#include "app/ufTrend.h"

#include "app/uAppClock.h"
#include "app/uAppMessage.h"
#include "app/uTrendCsv.h"
#include "app/uTrendPoints.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

constexpr int64_t MsPerMinute = 60 * 1000;
constexpr int SpanMinutes[] = {1, 10, 60};
// Channel colours; the raw value of an analog input has its channel's colour, dashed.
const QColor AnalogColours[] = {QColor(0x1F, 0x77, 0xB4), QColor(0xFF, 0x7F, 0x0E), QColor(0x2C, 0xA0, 0x2C),
                                QColor(0xD6, 0x27, 0x28)};
const QColor TemperatureColours[] = {QColor(0x94, 0x67, 0xBD), QColor(0x8C, 0x56, 0x4B), QColor(0xE3, 0x77, 0xC2),
                                     QColor(0x7F, 0x7F, 0x7F)};
// A switched-off series keeps its legend entry, pale.
constexpr double HiddenAlpha = 0.3;

// One pixel wide: wider lines go through the stroker, which costs the redraw of an hour
// several times over.
QPen SeriesPen(int series)
{
    const int channel = TrendSeriesChannel(series) - 1;
    switch (TrendSeriesKind(series)) {
    case TTrendKind::Analog: return QPen(AnalogColours[channel], 1);
    case TTrendKind::AnalogRaw: return QPen(AnalogColours[channel], 1, Qt::DashLine);
    case TTrendKind::Temperature: break;
    }
    return QPen(TemperatureColours[channel], 1);
}

// A lone sample between two gaps is a line of one point: drawn as a dot.
void SetLinePoints(QLineSeries* line, const QList<QPointF>& points)
{
    line->replace(points);
    line->setPointsVisible(points.size() == 1);
}

// The lines after a gap belong to their series' legend entry.
void HideLegendEntries(QChart* chart, QLineSeries* line)
{
    for (QLegendMarker* marker : chart->legend()->markers(line)) marker->setVisible(false);
}

// A range that holds [low, high] with a margin, rounded to readable ticks.
void SetPaddedRange(QValueAxis* axis, double low, double high)
{
    if (low > high) {
        axis->setRange(0, 1);
        return;
    }
    const double margin = std::max((high - low) * 0.05, 1.0);
    axis->setRange(low - margin, high + margin);
    axis->applyNiceNumbers();
}

} // namespace

TfTrend::TfTrend(const TTrendSamples& samples, QWidget* parent) : QWidget(parent, Qt::Window), FSamples(samples)
{
    setObjectName(QStringLiteral("fTrend"));
    setWindowTitle(tr("Graf"));

    auto* pnlTools = new QWidget(this);
    pnlTools->setObjectName(QStringLiteral("pnlTools"));
    auto* lblSpan = new QLabel(tr("Rozsah:"), pnlTools);
    cbbSpan = new QComboBox(pnlTools);
    cbbSpan->setObjectName(QStringLiteral("cbbSpan"));
    for (int minutes : SpanMinutes) cbbSpan->addItem(tr("%1 min").arg(minutes));
    lblSpan->setBuddy(cbbSpan);
    btnSaveCsv = new QPushButton(tr("Uložit CSV"), pnlTools);
    btnSaveCsv->setObjectName(QStringLiteral("btnSaveCsv"));
    btnSavePng = new QPushButton(tr("Uložit PNG"), pnlTools);
    btnSavePng->setObjectName(QStringLiteral("btnSavePng"));
    auto* tools = new QHBoxLayout(pnlTools);
    tools->setContentsMargins(6, 4, 6, 4);
    tools->addWidget(lblSpan);
    tools->addWidget(cbbSpan);
    tools->addStretch(1);
    tools->addWidget(btnSaveCsv);
    tools->addWidget(btnSavePng);

    CreateChart();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pnlTools);
    layout->addWidget(chvTrend, 1);
    resize(900, 600);

    tmrRedraw = new QTimer(this);
    tmrRedraw->setObjectName(QStringLiteral("tmrRedraw"));
    tmrRedraw->setInterval(RedrawInterval);
    connect(tmrRedraw, &QTimer::timeout, this, &TfTrend::Redraw);
    connect(cbbSpan, &QComboBox::currentIndexChanged, this, &TfTrend::cbbSpanChange);
    connect(btnSaveCsv, &QPushButton::clicked, this, &TfTrend::btnSaveCsvClick);
    connect(btnSavePng, &QPushButton::clicked, this, &TfTrend::btnSavePngClick);
}

void TfTrend::CreateChart()
{
    FChart = new QChart();
    FChart->legend()->setAlignment(Qt::AlignBottom);
    FChart->setMargins(QMargins(4, 4, 4, 4));
    // The axes write their numbers with the window language's decimal separator.
    FChart->setLocalizeNumbers(true);
    FAxisTime = new QDateTimeAxis(FChart);
    FAxisTime->setTickCount(7);
    FChart->addAxis(FAxisTime, Qt::AlignBottom);
    const auto valueAxis = [&](const QString& title, Qt::Alignment side) {
        auto* axis = new QValueAxis(FChart);
        axis->setTitleText(title);
        axis->setLabelFormat(QStringLiteral("%.0f"));
        FChart->addAxis(axis, side);
        return axis;
    };
    FAxisValue = valueAxis(tr("Hodnota"), Qt::AlignLeft);
    FAxisRaw = valueAxis(tr("RAW hodnota"), Qt::AlignLeft);
    FAxisTemperature = valueAxis(tr("Teplota [°C]"), Qt::AlignRight);
    FAxisTemperature->setLabelFormat(QStringLiteral("%.1f"));

    for (int s = 0; s < TrendSeriesCount; ++s) {
        QLineSeries* series = AddLine(s);
        FSeries[size_t(s)] = series;
        for (QLegendMarker* marker : FChart->legend()->markers(series))
            connect(marker, &QLegendMarker::clicked, this, [this, s] { SetSeriesShown(s, !SeriesShown(s)); });
    }
    chvTrend = new QChartView(FChart, this);
    chvTrend->setObjectName(QStringLiteral("chvTrend"));
    chvTrend->setRenderHint(QPainter::Antialiasing);
}

QLineSeries* TfTrend::AddLine(int series)
{
    auto* line = new QLineSeries(FChart);
    line->setName(TrendSeriesName(series));
    line->setPen(SeriesPen(series));
    FChart->addSeries(line);
    line->attachAxis(FAxisTime);
    line->attachAxis(AxisOf(series));
    return line;
}

void TfTrend::SetFurtherLines(int series, const std::vector<QList<QPointF>>& lines)
{
    std::vector<QLineSeries*>& further = FFurtherLines[size_t(series)];
    while (further.size() + 1 < lines.size()) {
        QLineSeries* line = AddLine(series);
        line->setVisible(SeriesShown(series));
        HideLegendEntries(FChart, line);
        further.push_back(line);
    }
    for (size_t i = 0; i < further.size(); ++i)
        SetLinePoints(further[i], i + 1 < lines.size() ? lines[i + 1] : QList<QPointF>());
}

std::vector<QLineSeries*> TfTrend::LinesOf(int series) const
{
    std::vector<QLineSeries*> lines = {FSeries[size_t(series)]};
    lines.insert(lines.end(), FFurtherLines[size_t(series)].begin(), FFurtherLines[size_t(series)].end());
    return lines;
}

QValueAxis* TfTrend::AxisOf(int series) const
{
    switch (TrendSeriesKind(series)) {
    case TTrendKind::Analog: return FAxisValue;
    case TTrendKind::AnalogRaw: return FAxisRaw;
    case TTrendKind::Temperature: break;
    }
    return FAxisTemperature;
}

void TfTrend::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Redraw();
    tmrRedraw->start();
}

void TfTrend::hideEvent(QHideEvent* event)
{
    tmrRedraw->stop();
    QWidget::hideEvent(event);
}

void TfTrend::cbbSpanChange()
{
    // A redraw moves the chart by about one pixel column at most: over an hour, a second
    // would not show.
    tmrRedraw->setInterval(std::max(RedrawInterval, int(SpanMs() / RedrawSteps)));
    Redraw();
}

int64_t TfTrend::SpanMs() const { return SpanMinutes[cbbSpan->currentIndex()] * MsPerMinute; }

void TfTrend::Redraw()
{
    FShownTo = AppNow().toMSecsSinceEpoch();
    FShownFrom = FShownTo - SpanMs();
    for (int s = 0; s < TrendSeriesCount; ++s) {
        const std::vector<QList<QPointF>> lines = TrendLines(FSamples.Series(s), FShownFrom, FShownTo, MaxDrawnPoints);
        SetLinePoints(FSeries[size_t(s)], lines.empty() ? QList<QPointF>() : lines.front());
        SetFurtherLines(s, lines);
    }
    FAxisTime->setFormat(SpanMs() > 10 * MsPerMinute ? QStringLiteral("hh:mm") : QStringLiteral("hh:mm:ss"));
    FAxisTime->setRange(QDateTime::fromMSecsSinceEpoch(FShownFrom), QDateTime::fromMSecsSinceEpoch(FShownTo));
    SetAxisRanges();
}

void TfTrend::SetAxisRanges()
{
    for (QValueAxis* axis : {FAxisValue, FAxisRaw, FAxisTemperature}) {
        double low = std::numeric_limits<double>::infinity();
        double high = -low;
        for (int s = 0; s < TrendSeriesCount; ++s) {
            if (AxisOf(s) != axis || !SeriesShown(s)) continue;
            for (const QLineSeries* line : LinesOf(s))
                for (const QPointF& point : line->points()) {
                    low = std::min(low, point.y());
                    high = std::max(high, point.y());
                }
        }
        SetPaddedRange(axis, low, high);
    }
}

bool TfTrend::SeriesShown(int series) const { return FSeries[size_t(series)]->isVisible(); }

void TfTrend::SetSeriesShown(int series, bool shown)
{
    QLineSeries* line = FSeries[size_t(series)];
    line->setVisible(shown);
    for (QLineSeries* further : FFurtherLines[size_t(series)]) {
        further->setVisible(shown);
        // Showing a line shows its legend entry again.
        HideLegendEntries(FChart, further);
    }
    const qreal alpha = shown ? 1.0 : HiddenAlpha;
    for (QLegendMarker* marker : FChart->legend()->markers(line)) {
        // A hidden series hides its legend entry too; it stays, pale, to be switched back on.
        marker->setVisible(true);
        QColor label = marker->labelBrush().color();
        label.setAlphaF(alpha);
        marker->setLabelBrush(label);
        QColor colour = SeriesPen(series).color();
        colour.setAlphaF(alpha);
        marker->setBrush(colour);
        marker->setPen(colour);
    }
    SetAxisRanges();
}

bool TfTrend::SaveCsv(const QString& path) const
{
    std::vector<int> shown;
    for (int s = 0; s < TrendSeriesCount; ++s)
        if (SeriesShown(s)) shown.push_back(s);
    return WriteTrendCsv(path, FSamples, shown, FShownFrom, FShownTo);
}

bool TfTrend::SavePng(const QString& path) const { return chvTrend->grab().save(path, "PNG"); }

void TfTrend::btnSaveCsvClick()
{
    SaveWithDialog(tr("Uložit CSV"), QStringLiteral("csv"), &TfTrend::SaveCsv);
}

void TfTrend::btnSavePngClick()
{
    SaveWithDialog(tr("Uložit PNG"), QStringLiteral("png"), &TfTrend::SavePng);
}

void TfTrend::SaveWithDialog(const QString& caption, const QString& suffix,
                             bool (TfTrend::*save)(const QString&) const)
{
    const QString suggested =
        QStringLiteral("graf-%1.%2").arg(AppNow().toString(QStringLiteral("yyyyMMdd-hhmmss")), suffix);
    const QString path = QFileDialog::getSaveFileName(this, caption, suggested,
                                                      QStringLiteral("%1 (*.%2)").arg(suffix.toUpper(), suffix));
    if (path.isEmpty()) return;
    if (!(this->*save)(path)) ShowAppMessage(this, tr("Soubor %1 se nepodařilo uložit.").arg(path));
}
