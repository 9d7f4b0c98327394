// "Znovu připojit": reopening the main link after the polling lost it.
#include "app/ufMain.h"

#include <QTimer>

bool TfrmMain::Reconnecting() const { return ReconnectTimer->isActive(); }

void TfrmMain::StartReconnecting()
{
    FReconnectAttempt = 0;
    ReconnectTimer->start();
    UpdateControls();
}

void TfrmMain::StopReconnecting()
{
    if (!ReconnectTimer->isActive()) return;
    ReconnectTimer->stop();
    UpdateControls();
}

void TfrmMain::ReconnectTimerTimer()
{
    // A connect in progress goes first; so does an attempt whose link is still opening.
    if (FConnecting) return;
    const TConnecting connecting(*this);
    const int attempt = ++FReconnectAttempt;
    ShowStatus(QStringLiteral("Znovu připojuji… pokus %1").arg(attempt), StatusError);
    FConnectError.clear();
    // One identification request, so that an attempt blocks for one time-out at most.
    const bool ok = OpenMainLink(true);
    if (!Reconnecting()) {
        // Stopped while the link was opening: the user's choice wins.
        if (ok) btnDisconnectClick();
        return;
    }
    if (!ok) {
        ShowStatus(WithReason(QStringLiteral("Znovu připojuji… pokus %1 se nezdařil").arg(attempt), FConnectError),
                   StatusError);
        return;
    }
    ReconnectTimer->stop();
    ShowStatus(QStringLiteral("Spojení bylo znovu navázáno."), StatusOk);
}
