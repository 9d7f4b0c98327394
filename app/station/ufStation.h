// The station window ("Výrobní test"): production test runs of the module the main
// window is connected to. The operator picks a plan, scans or types the unit's id into
// the unit field (Enter starts the run), watches the steps and measurements fill in
// with their verdicts and gets a large verdict at the end; prompts of the plan come as
// dialogs. Every run writes its JSON record to the record folder and goes into the
// station's store; a shipper sends the stored runs on to the line's shared store when
// one is set, and the window shows how many wait. The history tab asks the store.
//
// The window never waits: the run goes through the main window's session (RunScript)
// on its worker, whose events are copied there and posted here; the stores are read on
// threads of Qt's pool.
#pragma once

#include "app/station/uPostBox.h"
#include "app/station/uStationRunView.h"
#include "app/uConfigFile.h"
#include "station/uStationRun.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QTreeWidget;
class TfStationHistory;
class TRecordShipper;
class TValdrixSession;

class TfStation : public QWidget {
    Q_OBJECT
public:
    // How often the count of runs waiting to be sent is shown anew.
    static constexpr int WaitingInterval = 1000;
    // How often the shipper tries again while runs wait.
    static constexpr int ShipperRetryMs = 10000;
    static constexpr int LastRunsShown = 10;

    TfStation(TValdrixSession& session, TStationConfig config, QWidget* parent = nullptr);
    ~TfStation() override;

    // The choices to remember.
    TStationConfig Config() const;
    // Loads the plan; its faults are shown (with line and column) and the old plan goes.
    bool LoadPlan(const QString& path);
    // A run is under way.
    bool Running() const { return FRunning; }
    // The verdict of the last run that ended (Running before the first).
    TVerdict LastVerdict() const { return FLastVerdict; }
    const std::string& LastRecordPath() const { return FLastRecordPath; }
    // The station's store and the folder of the record files.
    std::string LocalStore() const;
    std::string RecordFolder() const;
    // The shipper to the shared store, while one is set.
    const TRecordShipper* Shipper() const { return FShipper.get(); }
    TfStationHistory& History() const { return *FHistory; }
    // The prompt shown now, if any.
    QMessageBox* Prompt() const { return FPrompt; }

public slots:
    void btnPlanClick();
    void btnStartClick();
    void btnStopClick();
    void btnSharedClick();
    void btnRecordFolderClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* CreateRunTab();
    QWidget* CreateSettingsTab();
    void UpdateControls();
    // Shows a message about the station in the window's status line.
    void ShowStatus(const QString& text, bool problem);
    // Worker side, posted here.
    void RunProgress(const TRunResult& run);
    void RunFinished(const std::optional<TStationOutcome>& outcome);
    void ShowPrompt(const QString& text, std::function<void(TPromptAnswer)> answer);
    void ShowVerdict(TVerdict verdict);
    // Starts the shipper anew for the URL in the settings (none when empty).
    void StartShipper();
    void ShowWaiting();
    void RefreshLastRuns();
    TStationRun StationRun();
    // Why the unit's id, the operator or the station cannot be used; empty when they can.
    QString NamesProblem() const;

    TValdrixSession& FSession;
    TStationConfig FConfig;
    std::optional<TTestPlan> FPlan;
    TPostBoxPtr FBox;
    bool FRunning = false;
    TVerdict FLastVerdict = TVerdict::Running;
    std::string FLastRecordPath;
    std::unique_ptr<TRecordShipper> FShipper;
    QPointer<QMessageBox> FPrompt;

    QTabWidget* tabPages;
    QLineEdit* edtPlan;
    QPushButton* btnPlan;
    QLineEdit* edtUnit;
    QLineEdit* edtOperator;
    QLineEdit* edtStation;
    QPushButton* btnStart;
    QPushButton* btnStop;
    QLabel* lblVerdict;
    QTreeWidget* tvSteps;
    QTreeWidget* tvLastRuns;
    QLabel* lblStatus;
    QLabel* lblWaiting;
    QLineEdit* edtShared;
    QPushButton* btnShared;
    QLineEdit* edtRecordFolder;
    QPushButton* btnRecordFolder;
    QTimer* tmrWaiting;
    TfStationHistory* FHistory;
    std::unique_ptr<TStationRunView> FRunView;
};
