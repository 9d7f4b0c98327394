// The polling rotation and the I/O panel: lamps and fields, output switching, running
// output and the analog output drag panels.
#include "app/station/ufStation.h"
#include "app/uAppClock.h"
#include "app/uMainLayoutHelpers.h"
#include "app/ufMain.h"
#include "controls/ShapeEx.h"
#include "session/uValdrixSession.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

namespace {

const QString NoValue = QStringLiteral("-");

} // namespace

// A tick that comes while the session's last step still runs is skipped.
void TfrmMain::Timer1Timer()
{
    FSession->Tick();
    ShowPanelPaused(FStation && FStation->Running());
}

// A station run holds the module's link from its first request to its last, so the panel
// shows its last values meanwhile: the status line says so, and when it moves again.
void TfrmMain::ShowPanelPaused(bool paused)
{
    if (paused == FPanelPaused) return;
    FPanelPaused = paused;
    if (paused)
        ShowStatus(tr("Běží výrobní test: panel se do jeho konce neobnovuje."), StatusIdle);
    else if (Connected())
        ShowStatus(tr("Výrobní test skončil, panel se opět obnovuje."), StatusOk);
}

void TfrmMain::SessionPolled(int step, const TValdrixPanel& panel)
{
    FTrendSamples.AddPollStep(step, panel, AppNow().toMSecsSinceEpoch());
    switch (step) {
    case 0: ShowAnalogInputs(panel); break;
    case 1: ShowLamps(shpxDI.data(), ValdrixDigitalInputs, panel.InputsValid, panel.Inputs.Items.data()); break;
    case 2: ShowLamps(shpxDO.data(), ValdrixDigitalOutputs, panel.OutputsValid, panel.Outputs.Items.data()); break;
    case 3: ShowCounters(panel); break;
    case 4: ShowTemperatures(panel); break;
    default: break;
    }
}

void TfrmMain::ShowAnalogInputs(const TValdrixPanel& panel)
{
    for (int n = 1; n <= ValdrixAnalogInputs; ++n) {
        const TValdrixAnalogReading& value = panel.Analog[n];
        const TValdrixAnalogReading& raw = panel.AnalogRaw[n];
        edtADValue[size_t(n - 1)]->setText(panel.AnalogValid && value.Valid() ? QString::number(value.Value) : NoValue);
        edtADRawValue[size_t(n - 1)]->setText(panel.AnalogRawValid && raw.Valid() ? QString::number(raw.Value)
                                                                                    : NoValue);
    }
}

void TfrmMain::ShowLamps(TShapeEx* const* lamps, int count, bool valid, const bool* states)
{
    for (int i = 0; i < count; ++i) {
        lamps[i]->setEnabled(valid);
        lamps[i]->SetDown(valid && states[i]);
    }
}

void TfrmMain::ShowCounters(const TValdrixPanel& panel)
{
    for (int n = 1; n <= ValdrixCounters; ++n)
        edtDICounter[size_t(n - 1)]->setText(panel.CountersValid ? QString::number(panel.Counters[n]) : NoValue);
}

void TfrmMain::ShowTemperatures(const TValdrixPanel& panel)
{
    const QLocale locale;
    for (int n = 1; n <= ValdrixThermometers; ++n) {
        const TValdrixTemperature& t = panel.Temperatures[n];
        edtTemp[size_t(n - 1)]->setText(panel.TemperaturesValid && t.Valid() ? locale.toString(t.Value, 'f', 1)
                                                                              : NoValue);
    }
}

void TfrmMain::shpxDO1Click(TShapeEx* sender)
{
    if (sender) FSession->SetOutput(sender->Tag(), sender->Down());
}

void TfrmMain::btnOSetFirstClick()
{
    SetTag(btnOSetNext, 1);
    RunOutputNext(btnOSetNext);
}

void TfrmMain::btnOSetNextClick() { RunOutputNext(btnOSetNext); }

void TfrmMain::RunOutputNext(QPushButton* button)
{
    const int n = Tag(button);
    TValdrixOutputBits states;
    for (int i = 1; i <= ValdrixDigitalOutputs; ++i) states[i] = i == n;
    FSession->SetOutputs(states);
    SetTag(button, n % ValdrixDigitalOutputs + 1);
}

void TfrmMain::pnlDA1RawMouseDown(QLabel* panel, QPoint position)
{
    const int n = Tag(panel);
    if (n < 1 || n > ValdrixAnalogOutputs) return;
    TMouseScroller& scroller = OutputScrollers[size_t(n - 1)];
    // The drag resumes from the value last set; a vertical part folds into the horizontal offset.
    scroller.Start(position.x(), position.y(), 4 * DragValue(scroller.DeltaX, scroller.DeltaY), 0);
}

void TfrmMain::pnlDA1RawMouseMove(QLabel* panel, QPoint position)
{
    const int n = Tag(panel);
    if (n < 1 || n > ValdrixAnalogOutputs) return;
    TMouseScroller& scroller = OutputScrollers[size_t(n - 1)];
    if (!scroller.Active) return;
    scroller.Move(position.x(), position.y());
    const int value = DragValue(scroller.DeltaX, scroller.DeltaY);
    FSession->SetPendingOutput(n, value);
    panel->setText(QString::number(value));
}

void TfrmMain::pnlDA1RawMouseUp(QLabel* panel)
{
    const int n = Tag(panel);
    if (n < 1 || n > ValdrixAnalogOutputs) return;
    OutputScrollers[size_t(n - 1)].Stop();
}
