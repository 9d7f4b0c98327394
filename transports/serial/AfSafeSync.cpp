#include "transports/serial/AfSafeSync.h"

#include "transports/uTransportErrors.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <array>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

struct TSlot {
    bool Enabled = false;
    TAfSafeSyncHandler Handler;
    uint32_t Id = 0;
    int Running = 0; // deliveries of the handler under way
    bool Released = false; // free once the deliveries under way have ended
};

// Completion flag of one call, shared by the waiting thread and the delivered event.
struct TCallState {
    bool Done = false;
};

const QEvent::Type CallEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

class TCallEvent : public QEvent {
public:
    TCallEvent(uint32_t id, std::any arg, std::shared_ptr<TCallState> state)
        : QEvent(CallEventType), Id(id), Arg(std::move(arg)), State(std::move(state))
    {
    }
    uint32_t Id;
    std::any Arg;
    std::shared_ptr<TCallState> State;
};

// Lives on the application's thread (else the first registration's) and runs the
// handlers there. Only call events are ever posted to it, and Qt passes them (user event
// types) to customEvent.
class TAfSafeSyncReceiver : public QObject {
protected:
    void customEvent(QEvent* e) override;
};

struct TRegistry {
    std::mutex Mutex;
    std::condition_variable Changed;
    std::array<TSlot, AfSafeSyncSlotCount> Slots;
    uint32_t Counter = 0;
    std::unique_ptr<TAfSafeSyncReceiver> Receiver;

    TSlot* Find(uint32_t id)
    {
        if (id == 0) return nullptr;
        for (TSlot& s : Slots)
            if (s.Id == id && s.Handler) return &s;
        return nullptr;
    }
    bool Callable(uint32_t id)
    {
        const TSlot* s = Find(id);
        return s && s->Enabled;
    }
};

TRegistry& Registry()
{
    static TRegistry registry;
    return registry;
}

// Runs the handler of slot id, if it is still there and enabled, without holding the
// registry lock (the handler may register, release or call itself).
void Deliver(uint32_t id, const std::any& arg)
{
    TRegistry& r = Registry();
    TAfSafeSyncHandler handler;
    {
        std::lock_guard lock(r.Mutex);
        if (!r.Callable(id)) return;
        TSlot* slot = r.Find(id);
        handler = slot->Handler;
        ++slot->Running;
    }
    try {
        handler(arg);
    } catch (...) {
        ReportTransportError(std::current_exception());
    }
    {
        std::lock_guard lock(r.Mutex);
        if (TSlot* slot = r.Find(id); slot && --slot->Running == 0 && slot->Released) *slot = TSlot{};
    }
    r.Changed.notify_all();
}

void TAfSafeSyncReceiver::customEvent(QEvent* e)
{
    // The event was filled and posted under the registry lock; taking that lock before
    // reading it orders the hand-over for every observer, thread checkers included
    // (the lock of Qt's own event queue is invisible to them).
    TRegistry& r = Registry();
    uint32_t id;
    std::any arg;
    std::shared_ptr<TCallState> state;
    {
        std::lock_guard lock(r.Mutex);
        auto* call = static_cast<TCallEvent*>(e);
        id = call->Id;
        arg = std::move(call->Arg);
        state = call->State;
    }
    Deliver(id, arg);
    {
        std::lock_guard lock(r.Mutex);
        state->Done = true;
    }
    r.Changed.notify_all();
}

} // namespace

uint32_t AfSafeSyncRegister(TAfSafeSyncHandler handler)
{
    if (!handler) return 0;
    TRegistry& r = Registry();
    std::lock_guard lock(r.Mutex);
    if (!r.Receiver) {
        r.Receiver = std::make_unique<TAfSafeSyncReceiver>();
        // A port may first be opened on a worker (a session's thread): the handlers still
        // run on the application's thread, the one that runs the event loop.
        if (const QCoreApplication* app = QCoreApplication::instance()) r.Receiver->moveToThread(app->thread());
    }
    for (TSlot& s : r.Slots) {
        if (s.Handler) continue;
        if (++r.Counter == 0) ++r.Counter;
        s = {false, std::move(handler), r.Counter};
        return s.Id;
    }
    return 0;
}

void AfSafeSyncUnregister(uint32_t id)
{
    TRegistry& r = Registry();
    {
        std::unique_lock lock(r.Mutex);
        // A handler under way on the receiver's thread still uses what its owner is about
        // to free: the owner waits for it, unless it is that handler releasing itself.
        if (r.Receiver && QThread::currentThread() != r.Receiver->thread())
            r.Changed.wait(lock, [&] {
                const TSlot* s = r.Find(id);
                return !s || s->Running == 0;
            });
        if (TSlot* s = r.Find(id)) *s = TSlot{};
    }
    r.Changed.notify_all();
}

void AfSafeSyncRelease(uint32_t id)
{
    TRegistry& r = Registry();
    {
        std::lock_guard lock(r.Mutex);
        if (TSlot* s = r.Find(id)) {
            s->Enabled = false;
            s->Released = true;
            if (s->Running == 0) *s = TSlot{};
        }
    }
    r.Changed.notify_all();
}

void AfSafeSyncEnable(uint32_t id, bool enable)
{
    TRegistry& r = Registry();
    {
        std::lock_guard lock(r.Mutex);
        if (TSlot* s = r.Find(id); s && !s->Released) s->Enabled = enable;
    }
    r.Changed.notify_all();
}

bool AfSafeSyncCall(uint32_t id, int timeoutMs, std::any arg)
{
    TRegistry& r = Registry();
    std::unique_lock lock(r.Mutex);
    if (!r.Callable(id)) return false;
    if (QThread::currentThread() == r.Receiver->thread()) {
        lock.unlock();
        Deliver(id, arg);
        lock.lock();
    } else {
        auto state = std::make_shared<TCallState>();
        QCoreApplication::postEvent(r.Receiver.get(), new TCallEvent(id, std::move(arg), state));
        r.Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return state->Done || !r.Callable(id); });
    }
    return r.Callable(id);
}
