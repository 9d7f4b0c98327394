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
    connect(FSession.get(), &TValdrixSession::CalibrationDone, this, [this](const TValdrixCalibrationResult& result) {
        switch (result.Status) {
        case TValdrixCalibrationStatus::Done: ShowCommunicationResult(true); break;
        case TValdrixCalibrationStatus::CommunicationError: ShowCommunicationResult(false); break;
        case TValdrixCalibrationStatus::ArithmeticError:
            ShowStatus(DeviceText(result.Message), StatusError);
            ShowAppMessage(this, DeviceText(result.Message));
            break;
        }
    });
    connect(FSession.get(), &TValdrixSession::SequenceProgress, this, [this](int step, int steps) {
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
    if (index < 0 || index >= int(RangeCodes.size())) return;
    FSession->SetInputRange(n, RangeCodes[size_t(index)]);
}

void TfrmMain::btnAD1CalibrationClick()
{
    FSession->CalibrateInput(SenderTag(), deADRealValue->Value(), ieADMaxRange->Value());
}

void TfrmMain::btnDA1LowClick() { FSession->StoreOutputCalibrationPoint(SenderTag(), true); }

void TfrmMain::btnDA1HighClick() { FSession->StoreOutputCalibrationPoint(SenderTag(), false); }

void TfrmMain::btnDA1TestClick() { FSession->RampTest(SenderTag()); }
