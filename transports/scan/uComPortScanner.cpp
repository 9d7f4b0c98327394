#include "transports/scan/uComPortScanner.h"

#include "transports/scan/uComPortProbe.h"
#include "transports/uTransportErrors.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <exception>

// One state report on its way to the main thread. It is read there only under the shared
// lock, which the posting worker held while it made it.
class TComPortScanner::TReport : public QEvent {
public:
    static QEvent::Type Kind()
    {
        static const auto kind = QEvent::Type(QEvent::registerEventType());
        return kind;
    }
    TReport(int port, uint8_t state, int32_t generation)
        : QEvent(Kind()), Port(port), State(state), Generation(generation)
    {
    }
    const int Port;
    const uint8_t State;
    const int32_t Generation;
};

// Lives on the thread that created the scanner and receives the workers' reports there.
class TComPortScanner::TWindow : public QObject {
public:
    explicit TWindow(TComPortScanner& scanner) : FScanner(scanner) {}

    // The reports arrive as custom events; the scanner checks them under its lock.
    void customEvent(QEvent* e) override { FScanner.HandlePortState(*e); }

private:
    TComPortScanner& FScanner;
};

void TComPortThreadSharedData::Reset()
{
    NextPort = 1;
    ProbedCount = 0;
    ++Generation;
    States.fill(cpsNotProbed);
    Changed.notify_all();
}

int TComPortThreadSharedData::TakePort()
{
    if (NextPort > LastPort) return 0;
    const int port = NextPort++;
    States[port] = cpsProbing;
    if (OnPortState) OnPortState(port, cpsProbing);
    return port;
}

void TComPortThreadSharedData::Finish(int port, uint8_t state, int32_t generation)
{
    if (generation != Generation) return;
    ++ProbedCount;
    States[port] = state;
    if (OnPortState) OnPortState(port, state);
}

TScanThread::TScanThread(TComPortThreadSharedData& shared) : FShared(shared), FThread([this] { Execute(); })
{
}

TScanThread::~TScanThread()
{
    {
        std::lock_guard lock(FShared.Lock);
        FSuspender.Terminated = true;
        FShared.Changed.notify_all();
    }
    FThread.join();
}

void TScanThread::Execute()
{
    std::unique_lock lock(FShared.Lock);
    while (!FSuspender.Terminated) {
        if (MustPark()) {
            FSuspender.Parked = true;
            FShared.Changed.notify_all();
            FShared.Changed.wait(lock, [this] { return FSuspender.Terminated || !MustPark(); });
            FSuspender.Parked = false;
            continue;
        }
        const int32_t generation = FShared.Generation;
        const int port = FShared.TakePort();
        if (port == 0) {
            // Nothing left in this generation: wait for a new scan or a park request.
            FShared.Changed.wait(lock, [this] {
                return FSuspender.Terminated || MustPark() || FShared.NextPort <= FShared.LastPort;
            });
            continue;
        }
        lock.unlock();
        const uint8_t state = ProbePort(port);
        lock.lock();
        FShared.Finish(port, state, generation);
    }
}

TComPortScanner::TComPortScanner() : FWindow(std::make_unique<TWindow>(*this))
{
    FShared.OnPortState = TComPortStateEvent::Bind<&TComPortScanner::PostPortState>(this);
    for (auto& thread : FThreads) thread = std::make_unique<TScanThread>(FShared);
}

// The workers go first: once they are joined nothing posts to the window any more, and
// deleting the window discards the reports still queued for it.
TComPortScanner::~TComPortScanner()
{
    for (auto& thread : FThreads) thread.reset();
    FWindow.reset();
}

void TComPortScanner::StartScan()
{
    std::lock_guard lock(FShared.Lock);
    FShared.Reset();
    for (auto& thread : FThreads) thread->Suspender().Suspended = false;
}

void TComPortScanner::StopScan()
{
    std::unique_lock lock(FShared.Lock);
    for (auto& thread : FThreads) thread->Suspender().Request = true;
    FShared.Changed.notify_all();
    for (auto& thread : FThreads) {
        TThreadSuspender& suspender = thread->Suspender();
        if (!suspender.Suspended) {
            FShared.Changed.wait(lock, [&suspender] { return suspender.Parked; });
            suspender.Suspended = true;
        }
        suspender.Request = false;
    }
}

bool TComPortScanner::Scanning()
{
    std::lock_guard lock(FShared.Lock);
    for (auto& thread : FThreads)
        if (!thread->Suspender().Suspended) return true;
    return false;
}

// Called by a worker with the shared lock held; posting never blocks.
void TComPortScanner::PostPortState(int port, uint8_t state)
{
    QCoreApplication::postEvent(FWindow.get(), new TReport(port, state, FShared.Generation));
}

void TComPortScanner::HandlePortState(const QEvent& e)
{
    int port;
    uint8_t state;
    {
        // The lock comes before any look at the event: the worker filled it in under it.
        std::lock_guard lock(FShared.Lock);
        if (e.type() != TReport::Kind()) return;
        const auto& report = static_cast<const TReport&>(e);
        if (report.Generation != FShared.Generation) return; // from a scan restarted since
        port = report.Port;
        state = report.State;
    }
    try {
        if (OnPortState) OnPortState(port, state);
    } catch (...) {
        ReportTransportError(std::current_exception());
    }
    bool done;
    {
        std::lock_guard lock(FShared.Lock);
        done = FShared.ProbedCount >= FShared.LastPort;
    }
    if (done) StopScan();
}
