// The status line's reports of a connect and of the module's answers to an action.
#include "app/ufMain.h"
#include "device/uValdrixCalibration.h"
#include "session/uSessionLink.h"

void TfrmMain::SessionConnectFinished(bool ok, const QString& reason, int failure)
{
    if (ok) {
        FollowMainLink();
        ClearModuleValues();
        ShowStatus(tr("Spojení bylo úspěšně navázáno."), StatusOk);
        return;
    }
    QString why = reason;
    switch (TIdentifiedOpen::TKind(failure)) {
    case TIdentifiedOpen::NoIdentification: why = tr("modul neposlal identifikaci: %1").arg(reason); break;
    case TIdentifiedOpen::OtherDevice: why = tr("odpověděl jiný přístroj: „%1“").arg(reason); break;
    case TIdentifiedOpen::NotOpened:
    case TIdentifiedOpen::Identified: break;
    }
    ShowStatus(WithReason(tr("Spojení se nepodařilo navázat :("), why.toStdString()), StatusError);
}

QString TfrmMain::RefusalText(int ack)
{
    QString meaning;
    switch (ack) {
    case 1: meaning = tr("neznámá instrukce"); break;
    case 2: meaning = tr("chybná data: délka, kanál nebo hodnota"); break;
    case 3: meaning = tr("konfigurační instrukce bez povolení konfigurace"); break;
    default: meaning = tr("neznámý kód"); break;
    }
    return tr("Modul požadavek odmítl: kód %1 (%2)").arg(ack).arg(meaning);
}

void TfrmMain::ShowCommunicationResult(bool ok, int refusal)
{
    if (ok)
        ShowStatus(QString(), StatusOk);
    else if (refusal >= 0)
        ShowStatus(RefusalText(refusal), StatusError);
    else
        ShowStatus(DeviceText(SValdrixCommunicationError), StatusError);
}
