// The tester's main window: connects the one Valdrix module object to a module, polls
// its inputs live, switches its outputs, drives and calibrates its analog channels,
// reads and sets its clock and tests its RS-485 port against a second link.
//
// The window only draws and asks: a session (session/uValdrixSession.h) owns the link,
// the device and the polling, runs every request on its own thread and reports back;
// the window shows its last report. Buttons of an action that runs are disabled;
// "Odpojit" and closing the window stop whatever runs at once.
#pragma once

#include "app/uConfigFile.h"
#include "app/uMouseScroller.h"
#include "app/uTrendSamples.h"
#include "device/uValdrixCalibration.h"
#include "device/uValdrixPolling.h"
#include "framework/uci_ICommunicationInterfaceIntf.h"
#include "session/uSessionScript.h"

#include <QColor>
#include <QWidget>

#include <array>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TDoubleEdit;
class TIntEdit;
class TShapeEx;
class TShapeExColorSchema;
class TfAbout;
class TfCiLog;
class TfConnectionDialog;
class TfStation;
class TfTrend;
class TValdrixSession;

class TfrmMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 873;
    static constexpr int ClientHeight = 743;
    static constexpr int TimerInterval = 40;

    // Status line colours.
    static const QColor StatusOk;    // green
    static const QColor StatusError; // red
    static const QColor StatusIdle;  // black: disconnected, connecting

    explicit TfrmMain(TConfigFile config, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The windows the application creates after this one.
    void SetLogWindow(TfCiLog* log) { FLog = log; }
    void SetConnectionDialog(TfConnectionDialog* dialog) { FConnectionDialog = dialog; }

    // The session the window draws (for tests and benchmarks).
    TValdrixSession& Session() const { return *FSession; }
    bool Connected() const;
    const std::string& ConnectionString() const { return FConnectionString; }
    const std::string& RS485ConnectionString() const { return FRS485ConnectionString; }
    IntfPtr<ICommunicationInterface> RS485Link() const;
    int PendingOutput() const;
    // Attempts to reopen the lost link are under way.
    bool Reconnecting() const;
    // An action asked of the session has not reported its end yet.
    bool ActionRunning() const;
    TfAbout* AboutBox() const { return FAboutBox; }
    // The values of the polling the trend window draws from.
    const TTrendSamples& TrendSamples() const { return FTrendSamples; }
    // The trend window, once "Graf" has opened it.
    TfTrend* TrendWindow() const { return FTrend.get(); }
    // The station window, once "Výrobní test" has opened it.
    TfStation* StationWindow() const { return FStation.get(); }
    // A text the device layer reports, in the window's language (unknown texts as they are).
    static QString DeviceText(const std::string& text);

public slots:
    void btnConnectClick();
    void btnDisconnectClick();
    void btnCloseClick();
    void shpxAboutClick();
    void btnLogClick();
    void btnTrendClick();
    void btnStationClick();
    void UpdateControls();
    void ShowStatus(const QString& text, const QColor& colour);

    void Timer1Timer();
    void shpxDO1Click(TShapeEx* sender);
    void btnOSetFirstClick();
    void btnOSetNextClick();

    void btnADGetInputRangeClick();
    void btnAD1SetClick();
    void btnAD1CalibrationClick();
    void btnDA1LowClick();
    void btnDA1HighClick();
    void btnDA1TestClick();

    void btnRS485ConnectClick();
    void btnRS485DisconnectClick();
    void btnRS485LogClick();
    void btnRS485InfoClick();
    void Button3Click();
    void Button4Click();

signals:
    // The window was closed: the application ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();

    // Layout, one builder per group of controls.
    void CreateControls();
    void CreateAnalogInputs(QWidget* parent);
    void CreateAnalogOutputs(QWidget* parent);
    void CreateDigitalIO(QWidget* parent);
    void CreateThermometers(QWidget* parent);
    void CreateClock(QWidget* parent);
    void CreateRS485(QWidget* parent);
    void CreateLogo(QWidget* parent);
    void CreateButtons();
    void ApplyDateAppearance();

    // What the session reports, one group of reports per wiring.
    void WireSession();
    void WireReconnect();
    void WireCalibration();
    void WireRS485();
    // What the answer field shows after the RS-485 test.
    static QString RS485AnswerText(TRS485Exchange exchange, const QByteArray& data);
    void SessionConnectFinished(bool ok, const QString& reason, int failure);
    // The main link (re)opened: the log window follows it.
    void FollowMainLink();
    void SessionLinkLost();
    void SessionPolled(int step, const TValdrixPanel& panel);
    void ShowPanelPaused(bool paused);
    // Success, a refusal by the module (its acknowledge code) or "Chyba komunikace".
    void ShowCommunicationResult(bool ok, int refusal = -1);
    static QString RefusalText(int ack);
    void StopReconnecting();
    // The status text followed by the reason, when there is one.
    static QString WithReason(const QString& text, const std::string& reason);
    // The I/O panel.
    void ShowAnalogInputs(const TValdrixPanel& panel);
    static void ShowLamps(TShapeEx* const* lamps, int count, bool valid, const bool* states);
    void ShowCounters(const TValdrixPanel& panel);
    void ShowTemperatures(const TValdrixPanel& panel);
    void RunOutputNext(QPushButton* button);
    void pnlDA1RawMouseDown(QLabel* panel, QPoint position);
    void pnlDA1RawMouseMove(QLabel* panel, QPoint position);
    void pnlDA1RawMouseUp(QLabel* panel);

    // Analog calibration: the channel of a shared handler's button.
    int SenderTag() const;
    // Forgets what the window showed of a module's state that the polling does not read
    // (input ranges, dragged output values), after a start, a connect or a reconnect.
    void ClearModuleValues();
    void ClearOutputPanel(int output);

    std::unique_ptr<TValdrixSession> FSession;
    TConfigFile FConfig;
    std::string FConnectionString;
    std::string FMainLinkGuid; // GUID text of the last main link opened
    std::string FRS485ConnectionString;
    std::array<TMouseScroller, 4> OutputScrollers;
    TTrendSamples FTrendSamples;
    // Created on first use; destroyed before the samples it draws from.
    std::unique_ptr<TfTrend> FTrend;
    // Created on first use, on the window's session; destroyed before the session.
    TStationConfig FStationConfig;
    std::unique_ptr<TfStation> FStation;
    // The status line says that a station run holds the panel.
    bool FPanelPaused = false;
    TfAbout* FAboutBox = nullptr;
    TfCiLog* FLog = nullptr;
    TfConnectionDialog* FConnectionDialog = nullptr;

    // Controls, named as their objectNames.
    QWidget* pnlCenter;
    QWidget* pnlValdrix;
    QLabel* lblValdrixCaption1;
    QLabel* lblValdrixCaption2;
    QWidget* pnlAbout;
    TShapeEx* shpxAbout;
    QLabel* lblAboutCaption1;
    QLabel* lblAboutCaption2;
    QLabel* pnlStatusBar;
    QWidget* pnlButtons;
    QPushButton* btnConnect;
    QPushButton* btnDisconnect;
    QPushButton* btnClose;
    QPushButton* btnLog;
    QPushButton* btnTrend;
    QPushButton* btnStation;
    QCheckBox* chkReconnect;
    QTimer* Timer1;
    TShapeExColorSchema* shpxclrschmLedG;
    TShapeExColorSchema* shpxclrschmLedR;
    TShapeExColorSchema* shpxclrschmLedY;

    std::array<TShapeEx*, 16> shpxDI{};
    std::array<TShapeEx*, 10> shpxDO{};
    std::array<QLineEdit*, 16> edtDICounter{};
    std::array<QLineEdit*, 4> edtTemp{};
    std::array<QLineEdit*, 4> edtADValue{};
    std::array<QLineEdit*, 4> edtADRawValue{};
    std::array<QLabel*, 4> pnlDARaw{};
    QPushButton* btnOSetFirst;
    QPushButton* btnOSetNext;

    std::array<QComboBox*, 4> cbbADInputRange{};
    QPushButton* btnADGetInputRange;
    TDoubleEdit* deADRealValue;
    TIntEdit* ieADMaxRange;

    QComboBox* cbbRS485Address;
    QPushButton* btnRS485Info;
    QPushButton* btnRS485Connect;
    QPushButton* btnRS485Disconnect;
    QPushButton* btnRS485Log;
    QLineEdit* edtRS485Answer;
    QLineEdit* Edit5;
    QPushButton* Button3;
    QPushButton* Button4;
};
