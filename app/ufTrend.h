// The trend window ("Graf"): the analog inputs (calibrated and raw) and the thermometers
// plotted over the last 1, 10 or 60 minutes from the main window's sample store. The
// legend switches series on and off; the chart and its data can be saved as PNG and CSV.
//
// The window never talks to the module: it redraws from the store once a second (the
// hour every six seconds), and only while it is visible, so the polling pays nothing
// for it but the store's appends. A series' line breaks where no sample was taken for
// longer than TrendGapMs: each further part is a line of its own, without a legend entry.
#pragma once

#include "app/uTrendSamples.h"

#include <QList>
#include <QPointF>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

class QChart;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLineSeries;
class QPushButton;
class QTimer;
class QValueAxis;

class TfTrend : public QWidget {
    Q_OBJECT
public:
    // The shortest interval of the redraws; longer spans redraw less often, RedrawSteps
    // times per span.
    static constexpr int RedrawInterval = 1000;
    static constexpr int RedrawSteps = 600;
    // Points drawn per series at most (about one per pixel column); longer spans are
    // thinned to the runs' extremes.
    static constexpr int MaxDrawnPoints = 600;

    explicit TfTrend(const TTrendSamples& samples, QWidget* parent = nullptr);

    // Draws the chosen span, ending now, from what the store holds (bench_trend measures it).
    void Redraw();
    // The span of the last redraw, milliseconds since 1970.
    int64_t ShownFrom() const { return FShownFrom; }
    int64_t ShownTo() const { return FShownTo; }

    bool SeriesShown(int series) const;
    // Switches a series on or off, as a click on its legend entry does.
    void SetSeriesShown(int series, bool shown);

    // What is shown (the switched-on series over the span of the last redraw) as CSV,
    // and the chart as a PNG picture. False when the file cannot be written.
    bool SaveCsv(const QString& path) const;
    bool SavePng(const QString& path) const;

public slots:
    void cbbSpanChange();
    void btnSaveCsvClick();
    void btnSavePngClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void CreateChart();
    // A line of the series on the chart, with the series' pen and axes.
    QLineSeries* AddLine(int series);
    // The series' lines after its first gap, one per part; more are added when needed.
    void SetFurtherLines(int series, const std::vector<QList<QPointF>>& lines);
    // Every line of the series: the first, then those after its gaps.
    std::vector<QLineSeries*> LinesOf(int series) const;
    int64_t SpanMs() const;
    QValueAxis* AxisOf(int series) const;
    void SetAxisRanges();
    // Asks for a file name and writes it with save; tells the user when that fails.
    void SaveWithDialog(const QString& caption, const QString& suffix, bool (TfTrend::*save)(const QString&) const);

    const TTrendSamples& FSamples;
    int64_t FShownFrom = 0;
    int64_t FShownTo = 0;

    QComboBox* cbbSpan;
    QPushButton* btnSaveCsv;
    QPushButton* btnSavePng;
    QChartView* chvTrend;
    QChart* FChart;
    QDateTimeAxis* FAxisTime;
    QValueAxis* FAxisValue;
    QValueAxis* FAxisRaw;
    QValueAxis* FAxisTemperature;
    // The first line of each series, with its legend entry, and the lines after its gaps.
    std::array<QLineSeries*, TrendSeriesCount> FSeries{};
    std::array<std::vector<QLineSeries*>, TrendSeriesCount> FFurtherLines;
    QTimer* tmrRedraw;
};
