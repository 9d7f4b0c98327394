// A session: one module link with its Valdrix device, the polling rotation of the I/O
// panel, the user's actions on the module, the RS-485 test link and the policy that
// reopens a lost link. No widgets: the window and valdrix-cli both drive one.
//
// Threads. Only the session's worker thread calls the device, the stack and the links,
// one call at a time, in the order asked. The session object lives on the thread that
// created it (its owner, which runs an event loop): every public member is called
// there. It asks the worker through queued jobs and reports through signals emitted on
// the worker thread, so receivers on the owner's thread get them queued, in order.
// Disconnect and the destructor close the links from the owner's thread at once, which
// ends any wait in progress; a sequence that runs (ramp, calibration, RS-485 test) sees
// the stop between its requests and during its pauses, and nothing more is sent.
//
// A poll tick asked while the worker is busy is skipped, not queued. Every action asked
// through the owner reports ActionsChanged when it is over (done, failed or stopped).
#pragma once

#include "device/uValdrix.h"
#include "device/uValdrixCalibration.h"
#include "device/uValdrixPolling.h"
#include "protocol/uModuleLink.h"
#include "session/uLinkPolicy.h"
#include "session/uSessionLink.h"
#include "session/uSessionScript.h"
#include "session/uSessionWorker.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

Q_DECLARE_METATYPE(TValdrixPanel)
Q_DECLARE_METATYPE(TValdrixInputRanges)
Q_DECLARE_METATYPE(TValdrixCalibrationResult)

// Answers the requests in the bytes the RS-485 link received (a packet still arriving is
// kept for the next call): the packets to send back.
using TRS485Answerer = std::function<std::vector<std::string>(std::string_view received)>;

class TValdrixSession : public QObject {
    Q_OBJECT
public:
    // The ramp test: five values 0, 2500, … 10000, two seconds apart.
    static constexpr int RampSteps = 5;
    static constexpr int32_t RampIncrement = 2500;
    static constexpr uint32_t RampPauseMs = 2000;
    // The RS-485 test: the answer is looked for after two such pauses.
    static constexpr uint32_t RS485AnswerWaitMs = 500;

    // Without an answerer, what the RS-485 link receives is read and left unanswered.
    explicit TValdrixSession(TRS485Answerer answerer = {}, QObject* parent = nullptr);
    // Closes both links at once and waits for the worker to end.
    ~TValdrixSession() override;

    // The link is open and the module identified itself (as last reported).
    bool Connected() const { return FConnected; }
    // A connect, an attempt to reopen or an RS-485 open is asked or running.
    bool Connecting() const { return FConnecting > 0; }
    // Actions asked and not over yet.
    bool ActionRunning() const { return FActions > 0; }
    bool Reconnecting() const { return FReconnectTimer.isActive(); }
    // The interfaces of the two links (none when closed).
    IntfPtr<ICommunicationInterface> MainInterface() const;
    IntfPtr<ICommunicationInterface> RS485Interface() const;
    // The analog output whose dragged value waits to be written by the next tick (0: none).
    int PendingOutput() const;

    // Closes what is open and opens this link; ConnectFinished tells how it ended.
    void Connect(const std::string& connection);
    // Closes both links at once, stops the attempts to reopen and whatever runs.
    void Disconnect();
    // One step of the rotation (after the pending analog output or the RS-485 link's
    // turn); false when skipped because the worker is busy.
    bool Tick();
    // "Znovu připojit": reopen the lost link every ReconnectIntervalMs until it works.
    void StartReconnecting();
    void StopReconnecting();

    void SetPendingOutput(int output, int32_t value);
    void SetOutput(int output, bool on);
    void SetOutputs(const TValdrixOutputBits& states);
    void ReadInputRanges();
    void SetInputRange(int input, uint8_t code);
    void CalibrateInput(int input, double applied, int64_t divisions);
    void StoreOutputCalibrationPoint(int output, bool low);
    void RampTest(int output);
    void ReadClock();
    void SetClock(double value);

    // Runs `script` on the worker, after what was asked before, with the module link as it
    // is (open or not): for a client that drives the module request by request itself
    // (valdrix-cli's commands, a production test run, a test's own reads). It neither
    // counts as an action nor changes what the session reports of its link; a stop ends
    // its pauses as any other's.
    void RunScript(std::function<void(TSessionScript& script)> script);
    // Stops what runs and what was asked (a sequence, a script), leaving the links open: a
    // request in progress ends by its answer or time-out, and nothing more follows it.
    void StopActions();

    // The RS-485 test link: opened, closed, and the request through the module's port.
    void OpenRS485(const std::string& connection);
    void CloseRS485();
    void TestRS485(uint8_t address);

signals:
    // A step of the rotation was polled; `panel` holds the last result of every group.
    void Polled(int step, const TValdrixPanel& panel);
    // The polling lost the link: it is closed.
    void LinkLost();
    // How a connect ended: `failure` is a TIdentifiedOpen::TKind, `reason` its detail.
    void ConnectFinished(bool ok, const QString& reason, int failure);
    // Connected or the RS-485 link changed.
    void LinksChanged();
    void ReconnectStarted(int attempt);
    void ReconnectFailed(int attempt, const QString& reason);
    void Reconnected();
    // A request of an action ended (each step of the ramp starts with true); `refusal` is
    // the module's acknowledge code when it refused the request, else -1.
    void RequestDone(bool ok, int refusal = -1);
    // The progress of a sequence: step `step` of `steps`.
    void SequenceProgress(int step, int steps);
    void InputRangesRead(const TValdrixInputRanges& ranges);
    // The input calibration takes reading `reading` of `readings`.
    void CalibrationProgress(int reading, int readings);
    // `refusal` as for RequestDone.
    void CalibrationDone(const TValdrixCalibrationResult& result, int refusal);
    void ClockRead(bool ok, double value);
    // The clock was set (or not: `refusal` as for RequestDone).
    void ClockSet(bool ok, int refusal);
    // How the RS-485 test ended (a TRS485Exchange) and the answer's data.
    void RS485Answered(int exchange, const QByteArray& data);
    // The RS-485 link's connection string was refused; the old link stays.
    void RS485Refused(const QString& reason);
    // The RS-485 link did not open (the transport's reason): no RS-485 link stays.
    void RS485Failed(const QString& reason);
    // An action ended, or another began.
    void ActionsChanged();

    // Worker side, queued to the owner: a job asked by Ask is over; the links changed.
    void WorkerAsked(int kind, QPrivateSignal);
    void WorkerLinkState(bool connected, QPrivateSignal);

private:
    enum TAsk : int {
        AskAction,  // a user's action (counts in ActionRunning)
        AskConnect, // an action that opens a link (counts in Connecting too)
        AskAttempt, // an attempt to reopen the lost link (counts in Connecting only)
        AskScript,  // a client's own requests (counts in neither)
    };
    // Posts a job: it runs unless a stop comes first, and reports its end.
    void Ask(TAsk kind, std::function<void(uint64_t generation)> action);
    // Posts a user's action whose device call is attempted twice and reported by RequestDone.
    void AskTwice(std::function<bool()> call);
    void RunTick(uint64_t generation);
    // Reopens the link the polling lost (the last one connected).
    void ReconnectAttempt(uint64_t generation, uint64_t round, int attempt);
    // Worker side: closes both links, or tells the owner about them.
    void CloseLinks();
    void PublishLinks(bool connected);
    // Answers what the RS-485 link received: the addresses it answered.
    std::vector<uint8_t> ServiceRS485();
    bool RunRamp(uint64_t generation, int output);
    // The acknowledge code of the device's last request when the module refused it, else -1.
    int Refusal();
    // Opens the RS-485 link, or reopens the last one (empty connection string).
    void OpenRS485Link(const std::string& connection);
    TRS485Exchange RS485Exchange(uint64_t generation, uint8_t address, std::string& data);
    class TScript;

    TRS485Answerer FAnswerer;
    // Worker side.
    TSessionLink FLink;
    IValdrix& FDevice = FLink.Device();
    TModuleLink FRS485Link;
    // Answers the RS-485 link sent since it opened.
    int FRS485Answers = 0;
    // The user opened the RS-485 link and has not closed it: reopened with the module link.
    bool FRS485Wanted = false;
    TValdrixPanel FPanel;
    int FTimerStep = 0;
    bool FLinkUp = false;
    // Shared with the owner.
    mutable std::mutex FLock;
    IntfPtr<ICommunicationInterface> FMainInterface;
    IntfPtr<ICommunicationInterface> FRS485Interface;
    int FPendingOutput = 0;
    int32_t FPendingValue = 0;
    // Owner side.
    bool FConnected = false;
    int FConnecting = 0;
    int FActions = 0;
    int FReconnectAttempt = 0;
    // Changed by every stop of the attempts: an attempt of an older round is discarded.
    std::atomic<uint64_t> FReconnectRound{0};
    QTimer FReconnectTimer;
    // Declared last: destroyed first, so no job outlives what it uses.
    TSessionWorker FWorker;
};
