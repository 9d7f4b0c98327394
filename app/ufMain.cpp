// The main window's life: start-up, shut-down, connection, enabled states, status line,
// log and About box.
#include "app/ufMain.h"

#include "app/uAddressComboBoxSupport.h"
#include "app/uAppMessage.h"
#include "app/uMainLayoutHelpers.h"
#include "app/ufAbout.h"
#include "app/ufConnectionDialog.h"
#include "app/station/ufStation.h"
#include "app/ufTrend.h"
#include "controls/ShapeEx.h"
#include "controls/ShapeExLedSchemas.h"
#include "framework/gui/ufCILog.h"
#include "framework/uExceptions.h"
#include "framework/uiNodedInterface.h"
#include "session/uTesterRS485.h"
#include "session/uValdrixSession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

constexpr int RS485FirstAddress = 0;
constexpr int RS485LastAddress = 253;
constexpr int RS485InitialAddress = 50;

void EnableRecursively(QWidget* control, bool enabled)
{
    control->setEnabled(enabled);
    for (QWidget* child : control->findChildren<QWidget*>()) child->setEnabled(enabled);
}

// The texts the module's calibration and requests report, for the translation to know.
const char* const DeviceTexts[] = {
    QT_TRANSLATE_NOOP("TfrmMain", "Chyba komunikace"),
    QT_TRANSLATE_NOOP("TfrmMain", "Chyba výpočtu: přivedená hodnota ani průměrná RAW hodnota nesmí být 0"),
};

std::string GUIDStringOf(const IntfPtr<ICommunicationInterface>& link)
{
    IntfPtr<INodedInterface> node;
    return Supports<INodedInterface>(link.get(), node) ? node->GetGUIDString() : std::string();
}

} // namespace

const QColor TfrmMain::StatusOk = ColourBGR(0x008000);
const QColor TfrmMain::StatusError = ColourBGR(0x0000FF);
const QColor TfrmMain::StatusIdle = ColourBGR(0x000000);

TfrmMain::TfrmMain(TConfigFile config, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      FConfig(std::move(config))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Valdrix Tester"));
    setFixedSize(ClientWidth, ClientHeight);
    shpxclrschmLedG = CreateLedSchemaG(this);
    shpxclrschmLedR = CreateLedSchemaR(this);
    shpxclrschmLedY = CreateLedSchemaY(this);
    CreateControls();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(TimerInterval);
    connect(Timer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormCreate();
    Timer1->start();
}

TfrmMain::~TfrmMain() { FormDestroy(); }

void TfrmMain::FormCreate()
{
    // The answerer keeps a packet still arriving for the next turn; a packet begun on an
    // earlier link is dropped as damaged bytes once the next valid one completes.
    FSession = std::make_unique<TValdrixSession>(TesterRS485Answerer());
    WireSession();
    // The drag trackers are members and start inactive.
    FAboutBox = new TfAbout(windowTitle(), this);
    const TTesterConfig config = FConfig.Load();
    FConnectionString = config.ConnectionString;
    FRS485ConnectionString = config.RS485ConnectionString;
    chkReconnect->setChecked(config.Reconnect);
    FStationConfig = config.Station;
    if (!FConfig.LoadProblem().isEmpty()) ShowAppMessage(this, FConfig.LoadProblem());
    ApplyDateAppearance();
    UpdateControls();
    TComboBoxTarvelAddress::Setup(cbbRS485Address, RS485FirstAddress, false, true, RS485InitialAddress,
                                  RS485LastAddress);
}

void TfrmMain::FormDestroy()
{
    Timer1->stop();
    // The session ends with the window's members, after anything the save below shows.
    FSession->Disconnect();
    try {
        FConfig.Save({FConnectionString, FRS485ConnectionString, chkReconnect->isChecked(),
                      FStation ? FStation->Config() : FStationConfig});
    } catch (const Exception& e) {
        ShowAppMessage(nullptr, QString::fromStdString(e.Message()));
    }
}

bool TfrmMain::Connected() const { return FSession->Connected(); }

IntfPtr<ICommunicationInterface> TfrmMain::RS485Link() const { return FSession->RS485Interface(); }

int TfrmMain::PendingOutput() const { return FSession->PendingOutput(); }

bool TfrmMain::Reconnecting() const { return FSession->Reconnecting(); }

bool TfrmMain::ActionRunning() const { return FSession->ActionRunning(); }

void TfrmMain::btnConnectClick()
{
    if (FSession->Connecting()) return;
    StopReconnecting();
    if (!FConnectionDialog || !FConnectionDialog->Execute(FConnectionString)) return;
    // The polling may have lost the link while the dialog was open: the user's connect
    // replaces the attempts to reopen it.
    StopReconnecting();
    ShowStatus(tr("Připojuji…"), StatusIdle);
    FSession->Connect(FConnectionString);
}

void TfrmMain::FollowMainLink()
{
    // A log window that showed the previous main link goes on with this one.
    const std::string guid = GUIDStringOf(FSession->MainInterface());
    if (FLog) FLog->FollowReplacement(FMainLinkGuid, guid);
    FMainLinkGuid = guid;
}

void TfrmMain::btnDisconnectClick()
{
    FSession->Disconnect();
    UpdateControls();
    ShowStatus(tr("Odpojeno."), StatusIdle);
}

void TfrmMain::btnCloseClick() { close(); }

void TfrmMain::closeEvent(QCloseEvent* event)
{
    Timer1->stop();
    FSession->Disconnect();
    QWidget::closeEvent(event);
    emit Closed();
}

void TfrmMain::shpxAboutClick() { FAboutBox->exec(); }

void TfrmMain::btnLogClick()
{
    // Also once the link is gone: its traffic tells what went wrong.
    if (FLog && !FMainLinkGuid.empty()) FLog->ShowFor(FMainLinkGuid);
}

void TfrmMain::btnTrendClick()
{
    if (!FTrend) FTrend = std::make_unique<TfTrend>(FTrendSamples, this);
    FTrend->show();
    FTrend->raise();
}

void TfrmMain::btnStationClick()
{
    if (!FStation) FStation = std::make_unique<TfStation>(*FSession, FStationConfig, this);
    FStation->show();
    FStation->raise();
    FStation->activateWindow();
}

void TfrmMain::UpdateControls()
{
    const bool connected = Connected();
    for (QWidget* control : {pnlCenter, static_cast<QWidget*>(btnDisconnect), static_cast<QWidget*>(btnLog)})
        EnableRecursively(control, connected);
    // While the lost link is being reopened, "Odpojit" stops the attempts.
    if (Reconnecting()) btnDisconnect->setEnabled(true);
    // The last main link's traffic stays open to look at after the link is gone.
    btnLog->setEnabled(!FMainLinkGuid.empty());
    // A child is only enabled with its parent here, so the panels holding the logo and
    // the About link stay enabled with them.
    for (QWidget* control : {pnlCenter, pnlValdrix, pnlAbout, static_cast<QWidget*>(shpxAbout),
                             static_cast<QWidget*>(lblValdrixCaption1), static_cast<QWidget*>(lblValdrixCaption2),
                             static_cast<QWidget*>(lblAboutCaption1), static_cast<QWidget*>(lblAboutCaption2)})
        control->setEnabled(true);
    const bool rs485 = bool(FSession->RS485Interface());
    btnRS485Disconnect->setEnabled(rs485);
    btnRS485Log->setEnabled(rs485);
    const bool connecting = FSession->Connecting();
    btnConnect->setEnabled(!connecting);
    if (connecting) btnRS485Connect->setEnabled(false);
    // An action that runs keeps the buttons that ask the module for more disabled.
    if (FSession->ActionRunning())
        for (QPushButton* button : pnlCenter->findChildren<QPushButton*>())
            if (button != btnRS485Disconnect && button != btnRS485Log) button->setEnabled(false);
}

QString TfrmMain::WithReason(const QString& text, const std::string& reason)
{
    return reason.empty() ? text : text + QStringLiteral(" (") + QString::fromStdString(reason) + QStringLiteral(")");
}

void TfrmMain::ShowStatus(const QString& text, const QColor& colour)
{
    pnlStatusBar->setText(text);
    SetFontColour(pnlStatusBar, colour);
}

QString TfrmMain::DeviceText(const std::string& text)
{
    for (const char* known : DeviceTexts)
        if (text == known) return tr(known);
    return QString::fromStdString(text);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblAboutCaption1 || watched == lblAboutCaption2) {
        if (event->type() == QEvent::MouseButtonRelease && static_cast<QWidget*>(watched)->isEnabled()) {
            shpxAboutClick();
            return true;
        }
        return false;
    }
    const auto panel = std::find(pnlDARaw.begin(), pnlDARaw.end(), watched);
    if (panel == pnlDARaw.end() || !(*panel)->isEnabled()) return false;
    switch (event->type()) {
    // A second quick press arrives as a double click; for a drag it is one more press.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        pnlDA1RawMouseDown(*panel, static_cast<QMouseEvent*>(event)->position().toPoint());
        return true;
    case QEvent::MouseMove:
        pnlDA1RawMouseMove(*panel, static_cast<QMouseEvent*>(event)->position().toPoint());
        return true;
    case QEvent::MouseButtonRelease: pnlDA1RawMouseUp(*panel); return true;
    default: return false;
    }
}
