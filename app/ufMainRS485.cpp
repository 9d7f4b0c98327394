// The RS-485 test link and the module's clock.
#include "app/uAppClock.h"
#include "app/uRS485Responder.h"
#include "app/uWindows1250.h"
#include "app/ufConnectionDialog.h"
#include "app/ufMain.h"
#include "framework/gui/ufCILog.h"
#include "framework/uDateTime.h"
#include "framework/uExceptions.h"
#include "framework/uTimeoutManager.h"
#include "framework/uiNodedInterface.h"
#include "protocol/uTarvel97.h"
#include "protocol/uTarvelCommonInstructions.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

constexpr uint32_t ServiceWaitMs = 10;
constexpr uint32_t AnswerWaitMs = 500;

QString FormatClock(double value)
{
    const TDateTimeParts t = DecodeDateTime(value);
    return QString::asprintf("%02d.%02d.%04d %02d:%02d:%02d", t.Day, t.Month, t.Year, t.Hour, t.Minute, t.Second);
}

} // namespace

void TfrmMain::btnRS485ConnectClick()
{
    if (FConnecting) return;
    const TConnecting connecting(*this);
    if (!FConnectionDialog || !FConnectionDialog->Execute(FRS485ConnectionString)) return;
    // A link that fails to open stays, closed; the test then finds nothing on it.
    std::string error;
    if (FRS485Link.Open(FRS485ConnectionString, error) == TLinkOpen::Refused) {
        ShowStatus(WithReason(QStringLiteral("Spojení se nepodařilo navázat :("), error), StatusError);
        // A string the transport cannot take builds no link; the old one stays and is
        // opened again if it had not opened. The local reference keeps it alive while it
        // opens, should a disconnect drop it.
        if (const IntfPtr<ICommunicationInterface> old = FRS485Link.Interface()) old->Open();
    }
    FRS485Responder.Clear();
    UpdateControls();
}

void TfrmMain::btnRS485DisconnectClick()
{
    if (!FRS485Link.Interface()) return;
    FRS485Link.Close();
    UpdateControls();
}

void TfrmMain::btnRS485LogClick()
{
    IntfPtr<INodedInterface> node;
    if (FLog && Supports<INodedInterface>(FRS485Link.Interface().get(), node)) FLog->ShowFor(node->GetGUIDString());
}

void TfrmMain::ServiceRS485()
{
    const IntfPtr<ICommunicationInterface> link = FRS485Link.Interface();
    if (!link || !link->IsOpen()) return;
    std::string received;
    link->Receive(received);
    Sleep(ServiceWaitMs);
    for (const std::string& answer : FRS485Responder.Answer(received)) link->Send(answer);
}

void TfrmMain::btnRS485InfoClick()
{
    const IntfPtr<ICommunicationInterface> link = FDevice->GetStack()->GetCommunicationInterface();
    if (!link || !link->IsOpen()) return;
    const int address = cbbRS485Address->currentIndex();
    if (address < 0) return;
    const std::string request = BuildTarvel97Packet(uint8_t(address), 0, TARVEL_INST_IDENTIFICATION, {});
    ServiceRS485();
    link->Send(request);
    Sleep(AnswerWaitMs);
    ServiceRS485();
    Sleep(AnswerWaitMs);
    std::string received;
    link->Receive(received);
    TTarvelFormat97 answer;
    edtRS485Answer->setText(FindTarvel97Packet(received, answer, true) ? FromWindows1250(answer.Data)
                                                                       : QStringLiteral("no answer"));
}

void TfrmMain::Button3Click()
{
    double value = 0;
    Edit5->setText(FDevice->GetClock(value) ? FormatClock(value) : QStringLiteral("???"));
}

void TfrmMain::Button4Click()
{
    const QDateTime now = AppNow();
    const QDate date = now.date();
    const QTime time = now.time();
    FDevice->SetClock(
        EncodeDateTime({date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()}));
}
