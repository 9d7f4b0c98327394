#include "app/station/uStationRunView.h"

#include "app/station/uStationTexts.h"

#include "records/uRecordQueries.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLocale>
#include <QTreeWidget>

namespace {

QString Number(double value) { return QLocale().toString(value, 'g', 6); }

QString ValueText(const TMeasuredValue& value)
{
    if (const auto* number = std::get_if<double>(&value)) return Number(*number);
    if (const auto* text = std::get_if<std::string>(&value)) return QString::fromStdString(*text);
    return QStringLiteral("–");
}

QString LimitsText(const TMeasurement& m)
{
    if (m.Expected) return QStringLiteral("= \"%1\"").arg(QString::fromStdString(*m.Expected));
    const QString low = !m.LowText.empty() ? QString::fromStdString(m.LowText)
                        : m.Limits.Low    ? Number(*m.Limits.Low)
                                          : QString();
    const QString high = !m.HighText.empty() ? QString::fromStdString(m.HighText)
                         : m.Limits.High    ? Number(*m.Limits.High)
                                            : QString();
    if (low.isEmpty() && high.isEmpty()) return QString();
    return QStringLiteral("%1 … %2").arg(low, high);
}

QTreeWidgetItem* ChildOf(QTreeWidget* tree, QTreeWidgetItem* parent, int index)
{
    const int count = parent ? parent->childCount() : tree->topLevelItemCount();
    if (index < count) return parent ? parent->child(index) : tree->topLevelItem(index);
    return parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
}

void ShowVerdict(QTreeWidgetItem* item, TVerdict verdict, const std::string& detail)
{
    using C = TStationRunView::TColumn;
    const QColor colour = VerdictColour(verdict);
    item->setText(C::ColumnVerdict, verdict == TVerdict::Running ? QString() : QString::fromLatin1(VerdictText(verdict)));
    item->setText(C::ColumnDetail, StationText(detail));
    item->setToolTip(C::ColumnDetail, item->text(C::ColumnDetail));
    if (!colour.isValid()) return;
    QFont bold = item->font(C::ColumnVerdict);
    bold.setBold(true);
    item->setFont(C::ColumnVerdict, bold);
    item->setForeground(C::ColumnVerdict, colour);
    // A measurement that did not pass stands out along its whole row.
    if (verdict == TVerdict::Pass) return;
    QColor tint = colour;
    tint.setAlpha(40);
    for (int column = 0; column < C::ColumnCount; ++column) item->setBackground(column, tint);
}

} // namespace

QColor VerdictColour(TVerdict verdict)
{
    switch (verdict) {
    case TVerdict::Pass: return QColor(0x00, 0x80, 0x00);
    case TVerdict::Fail: return QColor(0xC8, 0x00, 0x00);
    case TVerdict::Error: return QColor(0xD0, 0x68, 0x00);
    case TVerdict::Aborted: return QColor(0x70, 0x30, 0xA0);
    case TVerdict::Running: break;
    }
    return QColor();
}

QColor VerdictColour(const QString& verdict)
{
    for (TVerdict v : {TVerdict::Pass, TVerdict::Fail, TVerdict::Error, TVerdict::Aborted})
        if (verdict == QLatin1String(VerdictText(v))) return VerdictColour(v);
    return QColor();
}

TStationRunView::TStationRunView(QTreeWidget* tree) : FTree(tree)
{
    FTree->setColumnCount(ColumnCount);
    FTree->setHeaderLabels({tr("Krok / měření"), tr("Hodnota"), tr("Jednotka"), tr("Meze"), tr("Výsledek"),
                            tr("Poznámka")});
    FTree->setRootIsDecorated(true);
    FTree->setUniformRowHeights(true);
    // Every column but the detail is as wide as its texts (an RS-485 answer, a long
    // measurement name); the detail takes the rest.
    FTree->header()->setStretchLastSection(true);
    for (const int column : {ColumnName, ColumnValue, ColumnUnit, ColumnLimits, ColumnVerdict})
        FTree->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

void TStationRunView::Clear() { FTree->clear(); }

void TStationRunView::Show(const TRunResult& run)
{
    QTreeWidgetItem* last = nullptr;
    for (size_t s = 0; s < run.Steps.size(); ++s) {
        const TStepResult& step = run.Steps[s];
        QTreeWidgetItem* stepItem = ChildOf(FTree, nullptr, int(s));
        stepItem->setText(ColumnName, QString::fromStdString(step.Name));
        ShowVerdict(stepItem, step.Verdict, step.Detail);
        stepItem->setExpanded(true);
        last = stepItem;
        for (size_t m = 0; m < step.Measurements.size(); ++m) {
            const TMeasurement& measurement = step.Measurements[m];
            QTreeWidgetItem* item = ChildOf(FTree, stepItem, int(m));
            item->setText(ColumnName, StationText(measurement.Name));
            item->setText(ColumnValue, ValueText(measurement.Value));
            item->setText(ColumnUnit, StationText(measurement.Unit));
            item->setText(ColumnLimits, LimitsText(measurement));
            ShowVerdict(item, measurement.Verdict, measurement.Detail);
            last = item;
        }
    }
    if (last) FTree->scrollToItem(last);
}

void SetUpRunList(QTreeWidget* list)
{
    list->setColumnCount(6);
    list->setHeaderLabels({TStationRunView::tr("Začátek"), TStationRunView::tr("Výsledek"),
                           TStationRunView::tr("Jednotka"), TStationRunView::tr("Plán"),
                           TStationRunView::tr("Stanice"), TStationRunView::tr("Operátor")});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setColumnWidth(0, 150);
    list->setColumnWidth(1, 80);
    list->setColumnWidth(2, 140);
    list->setColumnWidth(3, 200);
}

void ShowRunList(QTreeWidget* list, const std::vector<TRunSummary>& runs)
{
    list->clear();
    for (const TRunSummary& run : runs) {
        const QDateTime started = QDateTime::fromString(QString::fromStdString(run.Started), Qt::ISODate);
        auto* item = new QTreeWidgetItem(list);
        item->setText(0, started.isValid() ? started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                           : QString::fromStdString(run.Started));
        item->setText(1, QString::fromStdString(run.Verdict));
        item->setForeground(1, VerdictColour(item->text(1)));
        item->setText(2, QString::fromStdString(run.Unit));
        item->setText(3, QStringLiteral("%1 %2").arg(QString::fromStdString(run.Plan), QString::fromStdString(run.PlanVersion)));
        item->setText(4, QString::fromStdString(run.Station));
        item->setText(5, QString::fromStdString(run.Operator));
        item->setToolTip(1, StationText(run.Detail));
    }
}
