// What the session reports, drawn by the window.
#include "app/ufMain.h"
#include "session/uValdrixSession.h"

void TfrmMain::WireSession()
{
    TValdrixSession* session = FSession.get();
    connect(session, &TValdrixSession::ActionsChanged, this, &TfrmMain::UpdateControls);
    connect(session, &TValdrixSession::LinksChanged, this, &TfrmMain::UpdateControls);
    connect(session, &TValdrixSession::ConnectFinished, this, &TfrmMain::SessionConnectFinished);
    connect(session, &TValdrixSession::Polled, this, &TfrmMain::SessionPolled);
    connect(session, &TValdrixSession::RequestDone, this, &TfrmMain::ShowCommunicationResult);
    WireReconnect();
    WireCalibration();
    WireRS485();
}
