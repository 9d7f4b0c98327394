// "Znovu připojit": the session reopens the main link after the polling lost it; the
// window tells each attempt.
#include "app/uMainLayoutHelpers.h"
#include "app/ufMain.h"
#include "session/uValdrixSession.h"

#include <QCheckBox>

void TfrmMain::SessionLinkLost()
{
    UpdateControls();
    ShowCommunicationResult(false);
    if (chkReconnect->isChecked()) {
        FSession->StartReconnecting();
        UpdateControls();
    }
}

void TfrmMain::StopReconnecting()
{
    FSession->StopReconnecting();
    UpdateControls();
}

void TfrmMain::WireReconnect()
{
    connect(FSession.get(), &TValdrixSession::LinkLost, this, &TfrmMain::SessionLinkLost);
    connect(FSession.get(), &TValdrixSession::ReconnectStarted, this, [this](int attempt) {
        ShowStatus(tr("Znovu připojuji… pokus %1").arg(attempt), StatusError);
    });
    connect(FSession.get(), &TValdrixSession::ReconnectFailed, this, [this](int attempt, const QString& reason) {
        ShowStatus(WithReason(tr("Znovu připojuji… pokus %1 se nezdařil").arg(attempt), reason.toStdString()),
                   StatusError);
    });
    connect(FSession.get(), &TValdrixSession::Reconnected, this, [this] {
        FollowMainLink();
        ClearModuleValues();
        UpdateControls();
        ShowStatus(tr("Spojení bylo znovu navázáno."), StatusOk);
    });
}
