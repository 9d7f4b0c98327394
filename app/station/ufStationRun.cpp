// The station window's runs: the plan, Start and Stop, the run's progress and end as the
// session's worker posts them, the operator's prompts and the last runs of the station.
#include "app/station/ufStation.h"

#include "app/station/uStationPrompt.h"
#include "app/station/uStationRecords.h"
#include "app/station/ufStationHistory.h"
#include "app/uAppMessage.h"
#include "records/uRecordShipper.h"
#include "session/uValdrixSession.h"
#include "station/uRunNames.h"
#include "station/uTestPlanLoader.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>

namespace {

// Tells the window how the run ended once the session's worker is done with its script,
// also when the script was dropped unrun (a stop came before the worker reached it).
class TRunEnd {
public:
    using TDone = std::function<void(const std::optional<TStationOutcome>&)>;
    TRunEnd(TPostBoxPtr box, TDone done) : FBox(std::move(box)), FDone(std::move(done)) {}
    TRunEnd(const TRunEnd&) = delete;
    TRunEnd& operator=(const TRunEnd&) = delete;
    ~TRunEnd() { FBox->Post([done = FDone, outcome = std::move(Outcome)] { done(outcome); }); }

    std::optional<TStationOutcome> Outcome;

private:
    TPostBoxPtr FBox;
    TDone FDone;
};

} // namespace

void TfStation::btnPlanClick()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Plán testu"), QString::fromStdString(FConfig.Plan),
                                                      tr("Plány testu (*.toml);;Všechny soubory (*)"));
    if (!path.isEmpty()) LoadPlan(path);
    // A barcode reader's id and Enter go to the unit field and start the run.
    edtUnit->setFocus();
}

bool TfStation::LoadPlan(const QString& path)
{
    const std::string file = path.toStdString();
    TPlanLoad load = LoadTestPlan(file);
    edtPlan->setText(path);
    FPlan = std::move(load.Plan);
    if (!FPlan) {
        QStringList faults;
        for (const TPlanFault& fault : load.Faults) faults << QString::fromStdString(FormatPlanFault(file, fault));
        ShowStatus(tr("Plán testu nelze použít."), true);
        ShowAppMessage(this, tr("Plán testu má chyby:\n%1").arg(faults.join(QLatin1Char('\n'))));
        return false;
    }
    FConfig.Plan = file;
    ShowStatus(tr("Plán „%1“, verze %2, počet kroků: %3")
                   .arg(QString::fromStdString(FPlan->Name), QString::fromStdString(FPlan->Version))
                   .arg(FPlan->Steps.size()),
               false);
    return true;
}

TStationRun TfStation::StationRun()
{
    TStationRun run;
    run.Setup = {edtUnit->text().trimmed().toStdString(), edtStation->text().trimmed().toStdString(),
                 edtOperator->text().trimmed().toStdString()};
    run.RecordFolder = RecordFolder();
    // The shipper sends the run on to the shared store, so the run never waits for it.
    run.Stores.Local = LocalStore();
    if (!FSession.RS485Interface()) run.NoRS485 = "no RS-485 link: connect the RS-485 test in the main window";
    run.Prompt = WindowPrompt(FBox, [this](const QString& text, std::function<void(TPromptAnswer)> answer) {
        ShowPrompt(text, std::move(answer));
    });
    run.Event = [box = FBox, this](const TRunEvent& event, const std::string&) {
        box->Post([this, run = event.Run] { RunProgress(run); });
    };
    return run;
}

void TfStation::btnStartClick()
{
    if (FRunning) return;
    if (!FPlan) {
        ShowAppMessage(this, tr("Nejdřív vyberte plán testu."));
        return;
    }
    if (const QString problem = NamesProblem(); !problem.isEmpty()) {
        ShowAppMessage(this, problem);
        return;
    }
    if (!FSession.Connected()) {
        ShowAppMessage(this, tr("Modul není připojen. Připojte jej v hlavním okně a spusťte test znovu."));
        return;
    }
    if (!QDir().mkpath(QString::fromStdString(RecordFolder()))) {
        ShowAppMessage(this, tr("Složku záznamů %1 nelze vytvořit.").arg(QString::fromStdString(RecordFolder())));
        return;
    }
    FRunning = true;
    FRunView->Clear();
    ShowVerdict(TVerdict::Running);
    ShowStatus(tr("Test běží…"), false);
    UpdateControls();
    auto end = std::make_shared<TRunEnd>(FBox, [this](const std::optional<TStationOutcome>& outcome) {
        RunFinished(outcome);
    });
    FSession.RunScript([end, plan = *FPlan, station = StationRun()](TSessionScript& script) {
        end->Outcome = RunOnSession(script, plan, station);
    });
}

QString TfStation::NamesProblem() const
{
    const std::pair<const QLineEdit*, QString> fields[] = {
        {edtUnit, tr("Jednotka")}, {edtOperator, tr("Operátor")}, {edtStation, tr("Stanice")}};
    for (const auto& [field, name] : fields) {
        switch (CheckRunName(field->text().trimmed().toStdString())) {
        case TRunNameFault::None: break;
        case TRunNameFault::NotUtf8: return tr("%1: text obsahuje neplatné znaky.").arg(name);
        case TRunNameFault::TooLong: return tr("%1: nejvýše %2 znaků.").arg(name).arg(LongestRunName);
        }
    }
    return QString();
}

void TfStation::btnStopClick()
{
    if (FRunning) FSession.StopActions();
}

void TfStation::RunProgress(const TRunResult& run)
{
    if (!FRunning) return;
    FRunView->Show(run);
    if (!run.Steps.empty())
        ShowStatus(tr("Krok %1 z %2: %3")
                       .arg(run.Steps.size())
                       .arg(FPlan ? FPlan->Steps.size() : run.Steps.size())
                       .arg(QString::fromStdString(run.Steps.back().Name)),
                   false);
}

void TfStation::RunFinished(const std::optional<TStationOutcome>& outcome)
{
    FRunning = false;
    if (FPrompt) FPrompt->close();
    FLastVerdict = outcome ? outcome->Run.Verdict : TVerdict::Aborted;
    FLastRecordPath = outcome ? outcome->RecordPath : std::string();
    ShowVerdict(FLastVerdict);
    if (outcome) FRunView->Show(outcome->Run);
    if (!outcome)
        ShowStatus(tr("Test byl zastaven dřív, než začal: nic nebylo změřeno ani zapsáno."), true);
    else if (!outcome->RecordFailure.empty())
        ShowStatus(tr("Záznam běhu je neúplný: %1").arg(QString::fromStdString(outcome->RecordFailure)), true);
    else if (!outcome->Stored.Stored)
        ShowStatus(tr("Běh není v záznamech stanice: %1").arg(QString::fromStdString(outcome->Stored.Failure)), true);
    else
        ShowStatus(tr("Záznam: %1").arg(QString::fromStdString(outcome->RecordPath)), false);
    if (FShipper) FShipper->Wake();
    RefreshLastRuns();
    UpdateControls();
    // The next unit's id replaces this one's as it is scanned.
    edtUnit->setFocus();
    edtUnit->selectAll();
}

void TfStation::ShowVerdict(TVerdict verdict)
{
    const QColor colour = VerdictColour(verdict);
    lblVerdict->setText(verdict == TVerdict::Running ? tr("Probíhá…") : QString::fromLatin1(VerdictText(verdict)));
    lblVerdict->setStyleSheet(colour.isValid() ? QStringLiteral("color: %1").arg(colour.name()) : QString());
}

void TfStation::ShowPrompt(const QString& text, std::function<void(TPromptAnswer)> answer)
{
    auto* box = new QMessageBox(QMessageBox::Question, tr("Výrobní test"), text, QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("msgPrompt"));
    QPushButton* confirm = box->addButton(tr("Potvrdit"), QMessageBox::AcceptRole);
    confirm->setObjectName(QStringLiteral("btnConfirm"));
    box->addButton(tr("Přerušit test"), QMessageBox::RejectRole)->setObjectName(QStringLiteral("btnAbort"));
    box->setDefaultButton(confirm);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Window-modal and opened, not run: the window's thread goes on with its events.
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::finished, this, [box, confirm, answer = std::move(answer)] {
        answer(box->clickedButton() == confirm ? TPromptAnswer::Confirmed : TPromptAnswer::Aborted);
    });
    FPrompt = box;
    box->open();
}

void TfStation::RefreshLastRuns()
{
    ReadRecordsLater(FBox, {LocalStore(), {}, LastRunsShown, false}, [this](const TRecordsView& view) {
        ShowRunList(tvLastRuns, view.Runs);
        if (!view.Error.empty())
            ShowStatus(tr("Záznamy stanice nelze přečíst: %1").arg(QString::fromStdString(view.Error)), true);
    });
    if (tabPages->currentWidget() == FHistory) FHistory->Refresh();
}
