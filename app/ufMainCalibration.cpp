// Analog calibration: input ranges, input calibration against a known applied value,
// output calibration points and the output ramp test.
#include "app/uAppMessage.h"
#include "app/uMainLayoutHelpers.h"
#include "app/ufMain.h"
#include "controls/uDoubleEdit.h"
#include "controls/uIntEdit.h"
#include "session/uValdrixSession.h"

#include <QComboBox>

#include <array>

namespace {

// The largest coefficient and count of divisions the module holds.
constexpr int64_t ModuleWordMax = 65535;

// Range codes of the list items "0 - 10 V", "0 - 20 mA", "4 - 20 mA".
constexpr std::array<uint8_t, 3> RangeCodes = {ValdrixRange0To10V, ValdrixRange0To20mA, ValdrixRange4To20mA};

int RangeIndex(uint8_t code)
{
    for (size_t i = 0; i < RangeCodes.size(); ++i)
        if (RangeCodes[i] == code) return int(i);
    return 0;
}

} // namespace

int TfrmMain::SenderTag() const { return Tag(sender()); }

void TfrmMain::WireCalibration()
{
    connect(FSession.get(), &TValdrixSession::InputRangesRead, this, [this](const TValdrixInputRanges& ranges) {
        for (int n = 1; n <= ValdrixAnalogInputs; ++n) cbbADInputRange[size_t(n - 1)]->setCurrentIndex(RangeIndex(ranges[n]));
    });
    connect(FSession.get(), &TValdrixSession::CalibrationDone, this,
            [this](const TValdrixCalibrationResult& result, int refusal) {
        switch (result.Status) {
        case TValdrixCalibrationStatus::Done: ShowCommunicationResult(true); break;
        case TValdrixCalibrationStatus::CommunicationError:
            if (refusal >= 0)
                ShowCommunicationResult(false, refusal);
            else if (result.Coefficient < 0 || result.Coefficient > ModuleWordMax)
                ShowStatus(tr("Koeficient %1 je mimo rozsah 0 až %2: zkontrolujte přivedenou hodnotu.")
                               .arg(result.Coefficient)
                               .arg(ModuleWordMax),
                           StatusError);
            else
                ShowCommunicationResult(false);
            break;
        case TValdrixCalibrationStatus::ArithmeticError:
            ShowStatus(DeviceText(result.Message), StatusError);
            ShowAppMessage(this, DeviceText(result.Message));
            break;
        }
    });
    connect(FSession.get(), &TValdrixSession::SequenceProgress, this, [this](int step, int steps) {
        // A report that crossed "Odpojit" does not bring the step back.
        if (!Connected()) return;
        ShowStatus(tr("Test výstupu: krok %1 z %2").arg(step).arg(steps), StatusOk);
    });
    connect(FSession.get(), &TValdrixSession::CalibrationProgress, this, [this](int reading, int readings) {
        ShowStatus(tr("Kalibrace vstupu: měření %1 z %2").arg(reading).arg(readings), StatusOk);
    });
}

void TfrmMain::btnADGetInputRangeClick() { FSession->ReadInputRanges(); }

void TfrmMain::btnAD1SetClick()
{
    const int n = SenderTag();
    if (n < 1 || n > ValdrixAnalogInputs) return;
    const int index = cbbADInputRange[size_t(n - 1)]->currentIndex();
    if (index < 0 || index >= int(RangeCodes.size())) {
        ShowStatus(tr("Rozsah AI%1 není známý: načtěte rozsahy vstupů nebo jeden vyberte.").arg(n), StatusError);
        return;
    }
    FSession->SetInputRange(n, RangeCodes[size_t(index)]);
}

void TfrmMain::btnAD1CalibrationClick()
{
    // An entry out of its field's range is refused with the range; so are more divisions
    // than the module holds.
    if (!deADRealValue->Validate() || !ieADMaxRange->Validate()) return;
    if (ieADMaxRange->Value() > ModuleWordMax) {
        ShowStatus(tr("Počet dílků musí být v rozmezí od 0 do %1.").arg(ModuleWordMax), StatusError);
        return;
    }
    FSession->CalibrateInput(SenderTag(), deADRealValue->Value(), ieADMaxRange->Value());
}

void TfrmMain::ClearModuleValues()
{
    for (QComboBox* range : cbbADInputRange) range->setCurrentIndex(-1);
    for (int n = 1; n <= ValdrixAnalogOutputs; ++n) ClearOutputPanel(n);
}

void TfrmMain::ClearOutputPanel(int output)
{
    // The next drag starts from 0 again, as after the start.
    OutputScrollers[size_t(output - 1)] = TMouseScroller();
    pnlDARaw[size_t(output - 1)]->setText(QStringLiteral("-"));
    if (FSession->PendingOutput() == output) FSession->SetPendingOutput(0, 0);
}

void TfrmMain::btnDA1LowClick() { FSession->StoreOutputCalibrationPoint(SenderTag(), true); }

void TfrmMain::btnDA1HighClick() { FSession->StoreOutputCalibrationPoint(SenderTag(), false); }

void TfrmMain::btnDA1TestClick()
{
    const int n = SenderTag();
    if (n < 1 || n > ValdrixAnalogOutputs) return;
    // The ramp leaves the output at its own value: the dragged one no longer holds.
    ClearOutputPanel(n);
    FSession->RampTest(n);
}
