// Analog calibration: input ranges, input calibration against a known applied value,
// output calibration points and the output ramp test.
#include "app/uAppMessage.h"
#include "app/uMainLayoutHelpers.h"
#include "app/ufMain.h"
#include "controls/uDoubleEdit.h"
#include "controls/uIntEdit.h"
#include "device/uValdrixAttempts.h"
#include "device/uValdrixCalibration.h"
#include "framework/uTimeoutManager.h"

#include <QComboBox>

#include <array>

namespace {

// Range codes of the list items "0 - 10 V", "0 - 20 mA", "4 - 20 mA".
constexpr std::array<uint8_t, 3> RangeCodes = {ValdrixRange0To10V, ValdrixRange0To20mA, ValdrixRange4To20mA};
constexpr int RampSteps = 5;
constexpr int32_t RampIncrement = 2500;
constexpr uint32_t RampPauseMs = 2000;

int RangeIndex(uint8_t code)
{
    for (size_t i = 0; i < RangeCodes.size(); ++i)
        if (RangeCodes[i] == code) return int(i);
    return 0;
}

} // namespace

int TfrmMain::SenderTag() const { return Tag(sender()); }

void TfrmMain::btnADGetInputRangeClick()
{
    TValdrixInputRanges ranges;
    const bool ok = AttemptTwice([&] { return FDevice->GetInputRanges(ranges); });
    if (ok)
        for (int n = 1; n <= ValdrixAnalogInputs; ++n) cbbADInputRange[size_t(n - 1)]->setCurrentIndex(RangeIndex(ranges[n]));
    ShowCommunicationResult(ok);
}

void TfrmMain::btnAD1SetClick()
{
    const int n = SenderTag();
    if (n < 1 || n > ValdrixAnalogInputs) return;
    const int index = cbbADInputRange[size_t(n - 1)]->currentIndex();
    if (index < 0 || index >= int(RangeCodes.size())) return;
    ShowCommunicationResult(AttemptTwice([&] { return FDevice->SetInputRange(n, RangeCodes[size_t(index)]); }));
}

void TfrmMain::btnAD1CalibrationClick()
{
    const TValdrixCalibrationResult result =
        CalibrateValdrixInput(*FDevice, SenderTag(), deADRealValue->Value(), ieADMaxRange->Value());
    switch (result.Status) {
    case TValdrixCalibrationStatus::Done: ShowCommunicationResult(true); break;
    case TValdrixCalibrationStatus::CommunicationError: ShowCommunicationResult(false); break;
    case TValdrixCalibrationStatus::ArithmeticError:
        ShowStatus(QString::fromStdString(result.Message), StatusError);
        ShowAppMessage(this, QString::fromStdString(result.Message));
        break;
    }
}

void TfrmMain::btnDA1LowClick()
{
    const int n = SenderTag();
    ShowCommunicationResult(AttemptTwice([&] { return FDevice->StoreOutputCalibrationPoint(n, true); }));
}

void TfrmMain::btnDA1HighClick()
{
    const int n = SenderTag();
    ShowCommunicationResult(AttemptTwice([&] { return FDevice->StoreOutputCalibrationPoint(n, false); }));
}

void TfrmMain::btnDA1TestClick()
{
    FOutputUnderTest = SenderTag();
    if (FOutputUnderTest <= 0) return;
    for (int i = 0; i < RampSteps; ++i) {
        if (i > 0) Sleep(RampPauseMs);
        ShowCommunicationResult(true);
        if (!AttemptTwice([&] { return FDevice->SetAnalogOutput(FOutputUnderTest, i * RampIncrement, false); })) {
            ShowCommunicationResult(false);
            return;
        }
    }
}
