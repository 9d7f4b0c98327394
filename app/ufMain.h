// The tester's main window: connects the one Valdrix module object to a module, polls
// its inputs live, switches its outputs, drives and calibrates its analog channels,
// reads and sets its clock and tests its RS-485 port against a second link.
//
// The window counts as connected exactly when the protocol stack under the device has
// a communication interface. Every handler runs on the user-interface thread and
// blocks it while the module answers.
#pragma once

#include "app/uConfigFile.h"
#include "app/uMouseScroller.h"
#include "app/uRS485Responder.h"
#include "app/uTrendSamples.h"
#include "device/uValdrixPolling.h"
#include "device/ussValdrix.h"
#include "framework/uci_ICommunicationInterfaceIntf.h"
#include "protocol/uModuleLink.h"

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
class TfTrend;

class TfrmMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 873;
    static constexpr int ClientHeight = 743;
    static constexpr int TimerInterval = 40;
    // Between two attempts to reopen a lost link ("Znovu připojit").
    static constexpr int ReconnectInterval = 2000;

    // Status line colours.
    static const QColor StatusOk;    // green
    static const QColor StatusError; // red

    explicit TfrmMain(TConfigFile config, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The windows the application creates after this one.
    void SetLogWindow(TfCiLog* log) { FLog = log; }
    void SetConnectionDialog(TfConnectionDialog* dialog) { FConnectionDialog = dialog; }

    IValdrix& Device() const { return *FDevice; }
    bool Connected() const;
    const std::string& ConnectionString() const { return FConnectionString; }
    const std::string& RS485ConnectionString() const { return FRS485ConnectionString; }
    const IntfPtr<ICommunicationInterface>& RS485Link() const { return FRS485Link.Interface(); }
    int PendingOutput() const { return FPendingOutput; }
    // Attempts to reopen the lost link are under way.
    bool Reconnecting() const;
    TfAbout* AboutBox() const { return FAboutBox; }
    // The values of the polling the trend window draws from.
    const TTrendSamples& TrendSamples() const { return FTrendSamples; }
    // The trend window, once "Graf" has opened it.
    TfTrend* TrendWindow() const { return FTrend.get(); }

public slots:
    void btnConnectClick();
    void btnDisconnectClick();
    void btnCloseClick();
    void shpxAboutClick();
    void btnLogClick();
    void btnTrendClick();
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
    // Lets the RS-485 link answer the type requests it has received.
    void ServiceRS485();

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

    // Connection. Opening a link processes events while it waits, so a connect in
    // progress (a TConnecting alive) disables the connect buttons and refuses to start
    // another. A link that cannot be built or opened leaves its reason in FConnectError.
    class TConnecting {
    public:
        explicit TConnecting(TfrmMain& form) : FForm(form)
        {
            FForm.FConnecting = true;
            FForm.UpdateControls();
        }
        ~TConnecting()
        {
            FForm.FConnecting = false;
            FForm.UpdateControls();
        }
        TConnecting(const TConnecting&) = delete;
        TConnecting& operator=(const TConnecting&) = delete;

    private:
        TfrmMain& FForm;
    };
    // Opens the link of ConnectionString, attaches it to the stack and reads the module's
    // identification, at most twice (once with `once`).
    bool OpenMainLink(bool once = false);
    void ShowCommunicationResult(bool ok);
    // The status text followed by the reason, when there is one.
    static QString WithReason(const QString& text, const std::string& reason);

    // "Znovu připojit": after the polling dropped the link, the same connection string
    // is opened again every ReconnectInterval until the module identifies itself. The
    // user's disconnect or connect, unchecking the box and closing the window stop it.
    void StartReconnecting();
    void StopReconnecting();
    void ReconnectTimerTimer();

    // Polling.
    bool RunPollStep(int step);
    void SendPendingOutput();
    void ShowAnalogInputs();
    static void ShowLamps(TShapeEx* const* lamps, int count, bool valid, const bool* states);
    void ShowCounters();
    void ShowTemperatures();
    void RunOutputNext(QPushButton* button);
    void pnlDA1RawMouseDown(QLabel* panel, QPoint position);
    void pnlDA1RawMouseMove(QLabel* panel, QPoint position);
    void pnlDA1RawMouseUp(QLabel* panel);

    // Analog calibration: the channel of a shared handler's button.
    int SenderTag() const;

    IntfPtr<IValdrix> FDevice;
    TModuleLink FMainLink;
    TConfigFile FConfig;
    std::string FConnectionString;
    std::string FConnectError;
    std::string FMainLinkGuid; // GUID text of the last main link opened
    std::string FRS485ConnectionString;
    TModuleLink FRS485Link;
    TRS485Responder FRS485Responder;
    std::array<TMouseScroller, 4> OutputScrollers;
    int FPendingOutput = 0;
    int FOutputUnderTest = 0;
    int FTimerStep = 0;
    int FReconnectAttempt = 0;
    bool FInTick = false;
    bool FConnecting = false;
    // The last poll of every group.
    TValdrixPanel FPanel;
    TTrendSamples FTrendSamples;
    // Created on first use; destroyed before the samples it draws from.
    std::unique_ptr<TfTrend> FTrend;
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
    QCheckBox* chkReconnect;
    QTimer* Timer1;
    QTimer* ReconnectTimer;
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
