// The session's life, its links, the polling rotation and the attempts to reopen a lost link.
#include "session/uValdrixSession.h"

#include "framework/uTimeoutManager.h"
#include "protocol/uTarvel97.h"

namespace {

// After reading the RS-485 link, before answering what it received.
constexpr uint32_t RS485ServiceWaitMs = 10;

} // namespace

TValdrixSession::TValdrixSession(TRS485Answerer answerer, QObject* parent)
    : QObject(parent), FAnswerer(std::move(answerer))
{
    qRegisterMetaType<TValdrixPanel>();
    qRegisterMetaType<TValdrixInputRanges>();
    qRegisterMetaType<TValdrixCalibrationResult>();
    FReconnectTimer.setInterval(int(ReconnectIntervalMs));
    connect(&FReconnectTimer, &QTimer::timeout, this, [this] {
        // A connect in progress goes first; so does an attempt whose link is still opening.
        if (FConnecting > 0) return;
        const int attempt = ++FReconnectAttempt;
        const uint64_t round = FReconnectRound;
        Ask(AskAttempt, [this, attempt, round](uint64_t generation) {
            ReconnectAttempt(generation, round, attempt);
        });
    });
    connect(this, &TValdrixSession::WorkerAsked, this, [this](int kind) {
        if (kind == AskScript) return;
        if (kind != AskAttempt) --FActions;
        if (kind != AskAction) --FConnecting;
        emit ActionsChanged();
    });
    connect(this, &TValdrixSession::WorkerLinkState, this, [this](bool connected) {
        FConnected = connected;
        emit LinksChanged();
    });
    connect(this, &TValdrixSession::Reconnected, this, [this] { FReconnectTimer.stop(); });
}

TValdrixSession::~TValdrixSession()
{
    FReconnectTimer.stop();
    FWorker.Interrupt();
    FLink.Interrupt();
    FRS485Link.Interrupt();
    FWorker.Finish();
    FRS485Link.Close();
}

IntfPtr<ICommunicationInterface> TValdrixSession::MainInterface() const
{
    const std::lock_guard lock(FLock);
    return FMainInterface;
}

IntfPtr<ICommunicationInterface> TValdrixSession::RS485Interface() const
{
    const std::lock_guard lock(FLock);
    return FRS485Interface;
}

int TValdrixSession::PendingOutput() const
{
    const std::lock_guard lock(FLock);
    return FPendingOutput;
}

void TValdrixSession::SetPendingOutput(int output, int32_t value)
{
    const std::lock_guard lock(FLock);
    FPendingOutput = output;
    FPendingValue = value;
}

void TValdrixSession::Ask(TAsk kind, std::function<void(uint64_t generation)> action)
{
    if (kind != AskScript) {
        if (kind != AskAttempt) ++FActions;
        if (kind != AskAction) ++FConnecting;
        emit ActionsChanged();
    }
    const uint64_t generation = FWorker.Generation();
    FWorker.Post([this, kind, generation, action = std::move(action)] {
        if (FWorker.Live(generation)) action(generation);
        emit WorkerAsked(kind, QPrivateSignal());
    });
}

void TValdrixSession::Connect(const std::string& connection)
{
    Ask(AskConnect, [this, connection](uint64_t generation) {
        // A new link replaces the old one and the RS-485 link with it.
        if (FLinkUp) {
            CloseLinks();
            FRS485Wanted = false;
        }
        const TIdentifiedOpen opened = FLink.OpenAndIdentify(connection, TOpenAttempts::Connect, TIdentityRule::Valdrix);
        if (!FWorker.Live(generation)) {
            if (opened.Ok()) FLink.Close();
            return;
        }
        PublishLinks(opened.Ok());
        emit ConnectFinished(opened.Ok(), QString::fromStdString(opened.Detail), int(opened.Kind));
    });
}

void TValdrixSession::Disconnect()
{
    StopReconnecting();
    FWorker.Interrupt();
    FLink.Interrupt();
    FRS485Link.Interrupt();
    FConnected = false;
    Ask(AskAction, [this](uint64_t) {
        FRS485Wanted = false;
        CloseLinks();
    });
}

void TValdrixSession::CloseLinks()
{
    FRS485Link.Close();
    FLink.Close();
    PublishLinks(false);
}

void TValdrixSession::PublishLinks(bool connected)
{
    FLinkUp = connected;
    {
        const std::lock_guard lock(FLock);
        FMainInterface = connected ? FLink.Interface() : nullptr;
        FRS485Interface = FRS485Link.Interface();
    }
    emit WorkerLinkState(connected, QPrivateSignal());
}

bool TValdrixSession::Tick()
{
    const uint64_t generation = FWorker.Generation();
    return FWorker.PostIfIdle([this, generation] {
        if (FWorker.Live(generation)) RunTick(generation);
    });
}

void TValdrixSession::RunTick(uint64_t generation)
{
    int output = 0;
    int32_t value = 0;
    {
        const std::lock_guard lock(FLock);
        output = FPendingOutput;
        value = FPendingValue;
    }
    if (output >= 1 && output <= ValdrixAnalogOutputs) {
        // A value dragged meanwhile stays pending for the next tick.
        if (FDevice.SetAnalogOutput(output, value, true)) {
            const std::lock_guard lock(FLock);
            if (FPendingOutput == output && FPendingValue == value) FPendingOutput = 0;
        }
    } else {
        ServiceRS485();
    }
    const int step = FTimerStep;
    const bool ok = PollValdrixStep(FDevice, step, FPanel);
    FTimerStep = (FTimerStep + 1) % ValdrixPollSteps;
    if (!FWorker.Live(generation)) return;
    emit Polled(step, FPanel);
    if (FLinkUp && !ok) {
        CloseLinks();
        emit LinkLost();
    }
}

std::vector<uint8_t> TValdrixSession::ServiceRS485()
{
    std::vector<uint8_t> answered;
    const IntfPtr<ICommunicationInterface> link = FRS485Link.Interface();
    if (!link || !link->IsOpen()) return answered;
    std::string received;
    link->Receive(received);
    if (!FAnswerer) return answered;
    Sleep(RS485ServiceWaitMs);
    for (std::string answer : FAnswerer(received)) {
        link->Send(answer);
        ++FRS485Answers;
        if (TTarvelFormat97 packet; FindTarvel97Packet(answer, packet, true)) answered.push_back(packet.Adr);
    }
    return answered;
}

// The script's view of the session, for one generation of the worker.
class TValdrixSession::TScript : public TSessionScript {
public:
    TScript(TValdrixSession& session, uint64_t generation) : FSession(session), FGeneration(generation) {}
    TSessionLink& Link() override { return FSession.FLink; }
    bool Pause(uint32_t ms) override { return FSession.FWorker.Pause(ms, FGeneration); }
    bool Stopped() const override { return !FSession.FWorker.Live(FGeneration); }
    TRS485Exchange RS485Request(uint8_t address, std::string& data) override
    {
        return FSession.RS485Exchange(FGeneration, address, data);
    }

private:
    TValdrixSession& FSession;
    const uint64_t FGeneration;
};

void TValdrixSession::RunScript(std::function<void(TSessionScript& script)> script)
{
    Ask(AskScript, [this, script = std::move(script)](uint64_t generation) {
        TScript context(*this, generation);
        script(context);
    });
}

void TValdrixSession::StopActions()
{
    FWorker.Interrupt();
}

void TValdrixSession::StartReconnecting()
{
    FReconnectAttempt = 0;
    FReconnectTimer.start();
}

void TValdrixSession::StopReconnecting()
{
    // An attempt under way is discarded even when its link opens.
    ++FReconnectRound;
    FReconnectTimer.stop();
}

void TValdrixSession::ReconnectAttempt(uint64_t generation, uint64_t round, int attempt)
{
    if (FLinkUp || FReconnectRound != round) return;
    emit ReconnectStarted(attempt);
    const TIdentifiedOpen opened = FLink.Reconnect(TIdentityRule::Valdrix);
    if (!FWorker.Live(generation) || FReconnectRound != round) {
        // Stopped while the link was opening: the user's choice wins.
        if (opened.Ok()) FLink.Close();
        return;
    }
    if (!opened.Ok()) {
        emit ReconnectFailed(attempt, QString::fromStdString(opened.TransportReason()));
        return;
    }
    // The RS-485 test link the loss closed comes back with the module link.
    if (FRS485Wanted) OpenRS485Link({});
    PublishLinks(true);
    emit Reconnected();
}
