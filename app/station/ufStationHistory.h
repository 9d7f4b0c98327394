// The station window's history tab: the station's stored runs filtered by unit, plan,
// station, verdict and days, newest first; the measurements that fail most; and the
// yield per day as a bar chart. The store is read on a thread of Qt's pool.
#pragma once

#include "app/station/uPostBox.h"
#include "app/station/uStationRecords.h"

#include <QWidget>

#include <functional>
#include <string>

class QBarSeries;
class QBarCategoryAxis;
class QChartView;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class TfStationHistory : public QWidget {
    Q_OBJECT
public:
    static constexpr int RunsShown = 1000;

    // `store` names the station's store when asked.
    explicit TfStationHistory(std::function<std::string()> store, QWidget* parent = nullptr);
    ~TfStationHistory() override;

    // What the filter fields ask.
    TRecordFilter Filter() const;
    // Reads the store anew with the filter; the answers are shown once they come.
    void Refresh();
    // Answers shown so far (each Refresh adds one when its answer comes).
    int Shown() const { return FShown; }
    // The yield per day as last shown.
    const std::vector<TYield>& Yields() const { return FYields; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowView(const TRecordsView& view);
    void ShowYields();

    std::function<std::string()> FStore;
    TPostBoxPtr FBox;
    int FShown = 0;
    std::vector<TYield> FYields;

    QLineEdit* edtUnit;
    QLineEdit* edtPlan;
    QLineEdit* edtStation;
    QComboBox* cbbVerdict;
    QCheckBox* chkFrom;
    QDateEdit* dteFrom;
    QCheckBox* chkTo;
    QDateEdit* dteTo;
    QPushButton* btnSearch;
    QLabel* lblSummary;
    QTreeWidget* tvRuns;
    QTreeWidget* tvFailing;
    QChartView* chvYield;
    QBarSeries* FYieldSeries;
    QBarCategoryAxis* FDays;
};
