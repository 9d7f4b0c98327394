// The RS-485 test link and the module's clock.
#include "app/uAppClock.h"
#include "app/uWindows1250.h"
#include "app/ufConnectionDialog.h"
#include "app/ufMain.h"
#include "framework/gui/ufCILog.h"
#include "framework/uDateTime.h"
#include "framework/uiNodedInterface.h"
#include "session/uValdrixSession.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

QString FormatClock(double value)
{
    const TDateTimeParts t = DecodeDateTime(value);
    return QString::asprintf("%02d.%02d.%04d %02d:%02d:%02d", t.Day, t.Month, t.Year, t.Hour, t.Minute, t.Second);
}

} // namespace

void TfrmMain::WireRS485()
{
    const auto failed = [this](const QString& reason) {
        ShowStatus(WithReason(tr("Spojení se nepodařilo navázat :("), reason.toStdString()), StatusError);
    };
    connect(FSession.get(), &TValdrixSession::RS485Refused, this, failed);
    connect(FSession.get(), &TValdrixSession::RS485Failed, this, failed);
    connect(FSession.get(), &TValdrixSession::RS485Answered, this, [this](int exchange, const QByteArray& data) {
        edtRS485Answer->setText(RS485AnswerText(TRS485Exchange(exchange), data));
    });
    connect(FSession.get(), &TValdrixSession::ClockRead, this, [this](bool ok, double value) {
        Edit5->setText(ok ? FormatClock(value) : QStringLiteral("???"));
    });
    // A clock set is confirmed, and the field shows the module's clock read back.
    connect(FSession.get(), &TValdrixSession::ClockSet, this, [this](bool ok, int refusal) {
        if (!ok) return ShowCommunicationResult(false, refusal);
        ShowStatus(tr("Datum a čas v zařízení byly nastaveny podle PC."), StatusOk);
        FSession->ReadClock();
    });
}

QString TfrmMain::RS485AnswerText(TRS485Exchange exchange, const QByteArray& data)
{
    switch (exchange) {
    case TRS485Exchange::Answered: return FromWindows1250(data.toStdString());
    case TRS485Exchange::Silent: return tr("žádná odpověď");
    case TRS485Exchange::NoRS485Link: return tr("RS-485 spojení není otevřeno");
    case TRS485Exchange::LinkClosed: return tr("spojení s modulem se přerušilo");
    case TRS485Exchange::Unproven: return tr("RS-485 spojení zatím nic nepřijalo: zkontrolujte jeho připojení");
    case TRS485Exchange::OtherDevice:
        return tr("odpověděl jiný přístroj, ne RS-485 spojení testeru: „%1“").arg(FromWindows1250(data.toStdString()));
    case TRS485Exchange::NotSent:
    case TRS485Exchange::Stopped: break; // not reported
    }
    return QString();
}

void TfrmMain::btnRS485ConnectClick()
{
    if (FSession->Connecting()) return;
    if (!FConnectionDialog || !FConnectionDialog->Execute(FRS485ConnectionString)) return;
    FSession->OpenRS485(FRS485ConnectionString);
}

void TfrmMain::btnRS485DisconnectClick() { FSession->CloseRS485(); }

void TfrmMain::btnRS485LogClick()
{
    IntfPtr<INodedInterface> node;
    if (FLog && Supports<INodedInterface>(FSession->RS485Interface().get(), node)) FLog->ShowFor(node->GetGUIDString());
}

void TfrmMain::btnRS485InfoClick()
{
    const int address = cbbRS485Address->currentIndex();
    if (address >= 0) FSession->TestRS485(uint8_t(address));
}

void TfrmMain::Button3Click() { FSession->ReadClock(); }

void TfrmMain::Button4Click()
{
    const QDateTime now = AppNow();
    const QDate date = now.date();
    const QTime time = now.time();
    FSession->SetClock(
        EncodeDateTime({date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()}));
}
