#include "app/station/ufStationHistory.h"

#include "app/station/uStationRunView.h"
#include "app/station/uStationTexts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QValueAxis>
#include <QVBoxLayout>

namespace {

const char* const Verdicts[] = {"PASS", "FAIL", "ERROR", "ABORTED"};

QLineEdit* NewFilter(QWidget* parent, const char* name)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setClearButtonEnabled(true);
    return field;
}

// A day's limit of the filter: the box switches it on, the date picks the day.
QDateEdit* NewDay(QWidget* parent, const char* name)
{
    auto* day = new QDateEdit(QDate::currentDate(), parent);
    day->setObjectName(QString::fromLatin1(name));
    day->setCalendarPopup(true);
    day->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return day;
}

double Percent(int64_t part, int64_t whole) { return whole ? 100.0 * double(part) / double(whole) : 0.0; }

} // namespace

TfStationHistory::TfStationHistory(std::function<std::string()> store, QWidget* parent)
    : QWidget(parent), FStore(std::move(store)), FBox(std::make_shared<TPostBox>(this))
{
    setObjectName(QStringLiteral("fStationHistory"));
    edtUnit = NewFilter(this, "edtHistoryUnit");
    edtPlan = NewFilter(this, "edtHistoryPlan");
    edtStation = NewFilter(this, "edtHistoryStation");
    cbbVerdict = new QComboBox(this);
    cbbVerdict->setObjectName(QStringLiteral("cbbHistoryVerdict"));
    cbbVerdict->addItem(tr("vše"));
    for (const char* verdict : Verdicts) cbbVerdict->addItem(QString::fromLatin1(verdict));
    chkFrom = new QCheckBox(tr("Od:"), this);
    chkFrom->setObjectName(QStringLiteral("chkHistoryFrom"));
    dteFrom = NewDay(this, "dteHistoryFrom");
    chkTo = new QCheckBox(tr("Do:"), this);
    chkTo->setObjectName(QStringLiteral("chkHistoryTo"));
    dteTo = NewDay(this, "dteHistoryTo");
    btnSearch = new QPushButton(tr("Hledat"), this);
    btnSearch->setObjectName(QStringLiteral("btnHistorySearch"));
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblHistorySummary"));

    auto* filters = new QGridLayout;
    filters->addWidget(new QLabel(tr("Jednotka:"), this), 0, 0);
    filters->addWidget(edtUnit, 0, 1);
    filters->addWidget(new QLabel(tr("Plán:"), this), 0, 2);
    filters->addWidget(edtPlan, 0, 3);
    filters->addWidget(new QLabel(tr("Stanice:"), this), 0, 4);
    filters->addWidget(edtStation, 0, 5);
    filters->addWidget(new QLabel(tr("Výsledek:"), this), 1, 0);
    filters->addWidget(cbbVerdict, 1, 1);
    filters->addWidget(chkFrom, 1, 2);
    filters->addWidget(dteFrom, 1, 3);
    filters->addWidget(chkTo, 1, 4);
    filters->addWidget(dteTo, 1, 5);
    filters->addWidget(btnSearch, 1, 6);

    tvRuns = new QTreeWidget(this);
    tvRuns->setObjectName(QStringLiteral("tvHistoryRuns"));
    SetUpRunList(tvRuns);
    tvFailing = new QTreeWidget(this);
    tvFailing->setObjectName(QStringLiteral("tvHistoryFailing"));
    tvFailing->setRootIsDecorated(false);
    tvFailing->setHeaderLabels({tr("Selhání"), tr("Krok"), tr("Měření")});
    tvFailing->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    FYieldSeries = new QBarSeries;
    FDays = new QBarCategoryAxis;
    auto* percent = new QValueAxis;
    percent->setRange(0, 100);
    percent->setLabelFormat(QStringLiteral("%d %"));
    auto* chart = new QChart;
    chart->setTitle(tr("Výtěžnost po dnech"));
    chart->legend()->hide();
    chart->addSeries(FYieldSeries);
    chart->addAxis(FDays, Qt::AlignBottom);
    chart->addAxis(percent, Qt::AlignLeft);
    FYieldSeries->attachAxis(FDays);
    FYieldSeries->attachAxis(percent);
    chvYield = new QChartView(chart, this);
    chvYield->setObjectName(QStringLiteral("chvHistoryYield"));
    chvYield->setRenderHint(QPainter::Antialiasing);

    auto* lower = new QSplitter(Qt::Horizontal, this);
    lower->addWidget(tvFailing);
    lower->addWidget(chvYield);
    lower->setStretchFactor(0, 1);
    lower->setStretchFactor(1, 1);
    auto* parts = new QSplitter(Qt::Vertical, this);
    parts->addWidget(tvRuns);
    parts->addWidget(lower);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(lblSummary);
    layout->addWidget(parts, 1);

    connect(btnSearch, &QPushButton::clicked, this, &TfStationHistory::Refresh);
    for (QLineEdit* field : {edtUnit, edtPlan, edtStation})
        connect(field, &QLineEdit::returnPressed, this, &TfStationHistory::Refresh);
}

TfStationHistory::~TfStationHistory() { FBox->Close(); }

void TfStationHistory::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Refresh();
}

TRecordFilter TfStationHistory::Filter() const
{
    TRecordFilter filter;
    filter.Unit = edtUnit->text().trimmed().toStdString();
    filter.Plan = edtPlan->text().trimmed().toStdString();
    filter.Station = edtStation->text().trimmed().toStdString();
    if (cbbVerdict->currentIndex() > 0) filter.Verdict = cbbVerdict->currentText().toStdString();
    if (chkFrom->isChecked()) filter.FromMs = dteFrom->date().startOfDay().toMSecsSinceEpoch();
    // The last day chosen is within the range.
    if (chkTo->isChecked()) filter.ToMs = dteTo->date().addDays(1).startOfDay().toMSecsSinceEpoch();
    return filter;
}

void TfStationHistory::Refresh()
{
    ReadRecordsLater(FBox, {FStore(), Filter(), RunsShown, true}, [this](const TRecordsView& view) { ShowView(view); });
}

void TfStationHistory::ShowView(const TRecordsView& view)
{
    ++FShown;
    ShowRunList(tvRuns, view.Runs);
    tvFailing->clear();
    for (const TFailingMeasurement& failing : view.Failing)
        new QTreeWidgetItem(tvFailing, {QString::number(failing.Failures), QString::fromStdString(failing.Step),
                                        StationText(failing.Measurement)});
    FYields = view.Yields;
    ShowYields();
    if (!view.Error.empty()) {
        lblSummary->setText(tr("Záznamy stanice nelze přečíst: %1").arg(QString::fromStdString(view.Error)));
        return;
    }
    int64_t runs = 0, passed = 0;
    for (const TYield& yield : FYields) {
        runs += yield.Runs;
        passed += yield.Passed;
    }
    lblSummary->setText(tr("Běhů: %1, prošlo: %2 (%3 %)")
                            .arg(runs)
                            .arg(passed)
                            .arg(QLocale().toString(Percent(passed, runs), 'f', 1)));
}

void TfStationHistory::ShowYields()
{
    FYieldSeries->clear();
    FDays->clear();
    auto* bars = new QBarSet(tr("Výtěžnost [%]"));
    QStringList days;
    for (const TYield& yield : FYields) {
        *bars << Percent(yield.Passed, yield.Runs);
        days << QString::fromStdString(yield.Key);
    }
    bars->setColor(VerdictColour(TVerdict::Pass));
    FYieldSeries->append(bars);
    FDays->append(days);
}
