// The steps and measurements of a production test run in a tree: a row per step with a
// row per measurement under it (name, value, unit, limits, verdict, detail), the verdict
// in its colour. The tree is brought up to date from the run as it goes, so it fills in
// live; a new run clears it.
#pragma once

#include "station/uTestRun.h"

#include <QColor>
#include <QCoreApplication>
#include <QString>

#include <vector>

class QTreeWidget;
struct TRunSummary;

// PASS green, FAIL red, ERROR orange, ABORTED violet; a run still going has none (invalid).
QColor VerdictColour(TVerdict verdict);
// The same by the verdict's text ("PASS", …), as the records give it.
QColor VerdictColour(const QString& verdict);

class TStationRunView {
    Q_DECLARE_TR_FUNCTIONS(TStationRunView)

public:
    enum TColumn { ColumnName, ColumnValue, ColumnUnit, ColumnLimits, ColumnVerdict, ColumnDetail, ColumnCount };

    // Sets up the tree's columns; the tree stays the caller's.
    explicit TStationRunView(QTreeWidget* tree);

    void Clear();
    // Shows the run as it is now.
    void Show(const TRunResult& run);

private:
    QTreeWidget* FTree;
};

// A list of stored runs (start, verdict, unit, plan, station, operator): the columns set
// up, then the runs shown in place of the old ones.
void SetUpRunList(QTreeWidget* list);
void ShowRunList(QTreeWidget* list, const std::vector<TRunSummary>& runs);
