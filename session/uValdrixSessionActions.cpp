// The user's actions on the module: outputs, ranges, calibration, the ramp test, the
// clock and the RS-485 test link.
#include "device/uValdrixAttempts.h"
#include "protocol/uTarvelCommonInstructions.h"
#include "session/uRS485AnswerCatcher.h"
#include "session/uValdrixSession.h"

void TValdrixSession::AskTwice(std::function<bool()> call)
{
    Ask(AskAction, [this, call = std::move(call)](uint64_t generation) {
        const bool ok = AttemptTwice(call);
        if (FWorker.Live(generation)) emit RequestDone(ok, ok ? -1 : Refusal());
    });
}

int TValdrixSession::Refusal()
{
    return FDevice.GetLastOutcome() == TTarvelOutcome::Refused ? FDevice.GetLastAck() : -1;
}

void TValdrixSession::SetOutput(int output, bool on)
{
    AskTwice([this, output, on] { return FDevice.SetOutput(output, on, 0); });
}

void TValdrixSession::SetOutputs(const TValdrixOutputBits& states)
{
    AskTwice([this, states] { return FDevice.SetOutputs(states); });
}

void TValdrixSession::SetInputRange(int input, uint8_t code)
{
    AskTwice([this, input, code] { return FDevice.SetInputRange(input, code); });
}

void TValdrixSession::StoreOutputCalibrationPoint(int output, bool low)
{
    AskTwice([this, output, low] { return FDevice.StoreOutputCalibrationPoint(output, low); });
}

void TValdrixSession::ReadInputRanges()
{
    Ask(AskAction, [this](uint64_t generation) {
        TValdrixInputRanges ranges;
        const bool ok = AttemptTwice([&] { return FDevice.GetInputRanges(ranges); });
        if (!FWorker.Live(generation)) return;
        if (ok) emit InputRangesRead(ranges);
        emit RequestDone(ok, ok ? -1 : Refusal());
    });
}

void TValdrixSession::CalibrateInput(int input, double applied, int64_t divisions)
{
    Ask(AskAction, [this, input, applied, divisions](uint64_t generation) {
        const TValdrixCalibrationResult result =
            CalibrateValdrixInput(FDevice, input, applied, divisions, [this](int reading) {
                emit CalibrationProgress(reading, ValdrixCalibrationReadings);
            });
        const bool done = result.Status == TValdrixCalibrationStatus::Done;
        if (FWorker.Live(generation)) emit CalibrationDone(result, done ? -1 : Refusal());
    });
}

void TValdrixSession::RampTest(int output)
{
    if (output <= 0) return;
    Ask(AskAction, [this, output](uint64_t generation) {
        for (int i = 0; i < RampSteps; ++i) {
            if (i > 0 && !FWorker.Pause(RampPauseMs, generation)) return;
            emit RequestDone(true);
            emit SequenceProgress(i + 1, RampSteps);
            const bool ok = AttemptTwice([&] {
                return FWorker.Live(generation) && FDevice.SetAnalogOutput(output, i * RampIncrement, false);
            });
            if (!FWorker.Live(generation)) return;
            if (!ok) {
                emit RequestDone(false, Refusal());
                return;
            }
        }
        emit RequestDone(true);
    });
}

void TValdrixSession::ReadClock()
{
    Ask(AskAction, [this](uint64_t generation) {
        double value = 0;
        const bool ok = FDevice.GetClock(value);
        if (FWorker.Live(generation)) emit ClockRead(ok, value);
    });
}

void TValdrixSession::SetClock(double value)
{
    Ask(AskAction, [this, value](uint64_t generation) {
        const bool ok = FDevice.SetClock(value);
        if (FWorker.Live(generation)) emit ClockSet(ok, ok ? -1 : Refusal());
    });
}

void TValdrixSession::OpenRS485(const std::string& connection)
{
    Ask(AskConnect, [this, connection](uint64_t generation) {
        OpenRS485Link(connection);
        // Dropped when a disconnect came while it opened.
        if (!FWorker.Live(generation)) {
            FRS485Link.Close();
            FRS485Wanted = false;
        }
        PublishLinks(FLinkUp);
    });
}

void TValdrixSession::OpenRS485Link(const std::string& connection)
{
    std::string error;
    const TLinkOpen opened = connection.empty() ? FRS485Link.Reopen(error) : FRS485Link.Open(connection, error);
    if (opened == TLinkOpen::Refused) {
        emit RS485Refused(QString::fromStdString(error));
        // A string the transport cannot take builds no link; the old one stays and is
        // opened again if it had not opened.
        if (const IntfPtr<ICommunicationInterface> old = FRS485Link.Interface()) old->Open();
        return;
    }
    FRS485Answers = 0;
    FRS485Wanted = opened == TLinkOpen::Opened;
    // A link that did not open is not kept: the RS-485 test and the station's runs then
    // say there is none instead of waiting for answers that cannot come.
    if (opened == TLinkOpen::Failed) {
        FRS485Link.Close();
        emit RS485Failed(QString::fromStdString(error));
    }
}

void TValdrixSession::CloseRS485()
{
    Ask(AskAction, [this](uint64_t) {
        FRS485Wanted = false;
        FRS485Link.Close();
        PublishLinks(FLinkUp);
    });
}

void TValdrixSession::TestRS485(uint8_t address)
{
    Ask(AskAction, [this, address](uint64_t generation) {
        if (!FLinkUp) return;
        std::string data;
        const TRS485Exchange exchange = RS485Exchange(generation, address, data);
        // Without the module link the test does nothing, as it does when asked then.
        if (exchange != TRS485Exchange::Stopped && exchange != TRS485Exchange::NotSent && FWorker.Live(generation))
            emit RS485Answered(int(exchange), QByteArray::fromStdString(data));
    });
}

TRS485Exchange TValdrixSession::RS485Exchange(uint64_t generation, uint8_t address, std::string& data)
{
    const IntfPtr<TTarvelStack> stack = FLink.Stack();
    const IntfPtr<ICommunicationInterface> link = FLink.Interface();
    if (!stack || !link) return TRS485Exchange::NotSent;
    if (!link->IsOpen()) return TRS485Exchange::LinkClosed;
    const IntfPtr<ICommunicationInterface> rs485 = FRS485Link.Interface();
    if (!rs485) return TRS485Exchange::NoRS485Link;
    // The RS-485 link went away under the session (the peer closed it).
    if (!rs485->IsOpen()) return TRS485Exchange::LinkClosed;
    // The request goes out through the module to its RS-485 port, where the RS-485 link
    // answers it on its turn; the answer comes back on the module link. Only an answer the
    // RS-485 link gave proves the port: a device on the module link may answer for the
    // address too.
    const IntfPtr<TRS485AnswerCatcher> catcher = MakeObj<TRS485AnswerCatcher>(address);
    ServiceRS485();
    stack->AddDevice(catcher);
    stack->SendPacket(address, 0, TARVEL_INST_IDENTIFICATION, {});
    bool heard = false;
    const auto serve = [&] {
        for (const uint8_t answered : ServiceRS485()) heard = heard || answered == address;
    };
    const bool waited = FWorker.Pause(RS485AnswerWaitMs, generation) &&
                        (serve(), FWorker.Pause(RS485AnswerWaitMs, generation));
    stack->RemoveDevice(catcher);
    if (!waited) return TRS485Exchange::Stopped;
    if (FLink.LinkClosed()) return TRS485Exchange::LinkClosed;
    const bool caught = catcher->Caught(data);
    if (heard) return caught ? TRS485Exchange::Answered : TRS485Exchange::Silent;
    if (caught) return TRS485Exchange::OtherDevice;
    return FRS485Answers > 0 ? TRS485Exchange::Silent : TRS485Exchange::Unproven;
}
