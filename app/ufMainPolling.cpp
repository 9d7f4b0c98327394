// The polling rotation and the I/O panel: lamps and fields, output switching, running
// output and the analog output drag panels.
#include "app/uAppClock.h"
#include "app/uMainLayoutHelpers.h"
#include "app/ufMain.h"
#include "controls/ShapeEx.h"
#include "device/uValdrixAttempts.h"
#include "device/uValdrixPolling.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScopeGuard>

namespace {

const QString NoValue = QStringLiteral("-");

} // namespace

void TfrmMain::Timer1Timer()
{
    // A message box shown while a request waits runs the event loop; a tick never nests.
    if (FInTick) return;
    FInTick = true;
    const auto done = qScopeGuard([this] { FInTick = false; });
    if (FPendingOutput >= 1 && FPendingOutput <= ValdrixAnalogOutputs)
        SendPendingOutput();
    else
        ServiceRS485();
    const bool ok = RunPollStep(FTimerStep);
    FTimerStep = (FTimerStep + 1) % ValdrixPollSteps;
    if (Connected() && !ok) {
        btnDisconnectClick();
        ShowCommunicationResult(false);
        if (chkReconnect->isChecked()) StartReconnecting();
    }
}

void TfrmMain::SendPendingOutput()
{
    const TMouseScroller& scroller = OutputScrollers[size_t(FPendingOutput - 1)];
    if (FDevice->SetAnalogOutput(FPendingOutput, DragValue(scroller.DeltaX, scroller.DeltaY), true))
        FPendingOutput = 0;
}

bool TfrmMain::RunPollStep(int step)
{
    TValdrixPanel& panel = FPanel;
    const bool ok = PollValdrixStep(*FDevice, step, panel);
    FTrendSamples.AddPollStep(step, panel, AppNow().toMSecsSinceEpoch());
    switch (step) {
    case 0: ShowAnalogInputs(); break;
    case 1: ShowLamps(shpxDI.data(), ValdrixDigitalInputs, panel.InputsValid, panel.Inputs.Items.data()); break;
    case 2: ShowLamps(shpxDO.data(), ValdrixDigitalOutputs, panel.OutputsValid, panel.Outputs.Items.data()); break;
    case 3: ShowCounters(); break;
    case 4: ShowTemperatures(); break;
    default: break;
    }
    return ok;
}

void TfrmMain::ShowAnalogInputs()
{
    const TValdrixPanel& panel = FPanel;
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

void TfrmMain::ShowCounters()
{
    const TValdrixPanel& panel = FPanel;
    for (int n = 1; n <= ValdrixCounters; ++n)
        edtDICounter[size_t(n - 1)]->setText(panel.CountersValid ? QString::number(panel.Counters[n]) : NoValue);
}

void TfrmMain::ShowTemperatures()
{
    const TValdrixPanel& panel = FPanel;
    const QLocale locale;
    for (int n = 1; n <= ValdrixThermometers; ++n) {
        const TValdrixTemperature& t = panel.Temperatures[n];
        edtTemp[size_t(n - 1)]->setText(panel.TemperaturesValid && t.Valid() ? locale.toString(t.Value, 'f', 1)
                                                                              : NoValue);
    }
}

void TfrmMain::shpxDO1Click(TShapeEx* sender)
{
    if (!sender) return;
    ShowCommunicationResult(AttemptTwice([&] { return FDevice->SetOutput(sender->Tag(), sender->Down(), 0); }));
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
    ShowCommunicationResult(AttemptTwice([&] { return FDevice->SetOutputs(states); }));
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
    FPendingOutput = n;
    panel->setText(QString::number(DragValue(scroller.DeltaX, scroller.DeltaY)));
}

void TfrmMain::pnlDA1RawMouseUp(QLabel* panel)
{
    const int n = Tag(panel);
    if (n < 1 || n > ValdrixAnalogOutputs) return;
    OutputScrollers[size_t(n - 1)].Stop();
}
