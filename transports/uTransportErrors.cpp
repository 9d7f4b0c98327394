#include "transports/uTransportErrors.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <deque>
#include <memory>
#include <mutex>
#include <set>

namespace {

const QEvent::Type PendingEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

// Lives on the receiver's thread; each event posted to it hands over what waits.
class TErrorPoster : public QObject {
protected:
    void customEvent(QEvent* e) override;
};

// The queue is only touched under Lock, on both sides: the lock of Qt's own event queue
// is invisible to thread checkers.
struct TErrorState {
    std::mutex Lock;
    TTransportErrorReceiver Receiver;
    std::unique_ptr<TErrorPoster> Poster; // created by the first installation
    std::deque<std::string> Pending;      // queued for the receiver's thread
    std::set<std::string> Outstanding;    // pending or being shown
};

TErrorState& State()
{
    static TErrorState state;
    return state;
}

std::string MessageOf(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error in a transport thread";
    }
}

// On the receiver's thread, for a message already counted as outstanding. A display that
// runs an event loop may see further reports meanwhile; the same text stays outstanding
// until the display returns (or throws).
void Deliver(const std::string& message)
{
    TErrorState& s = State();
    TTransportErrorReceiver receiver;
    {
        std::lock_guard lock(s.Lock);
        receiver = s.Receiver;
    }
    struct TDone {
        TErrorState& S;
        const std::string& Message;
        ~TDone()
        {
            std::lock_guard lock(S.Lock);
            S.Outstanding.erase(Message);
        }
    } done{s, message};
    if (receiver) receiver(message);
    else qWarning("%s", message.c_str());
}

void TErrorPoster::customEvent(QEvent*)
{
    TErrorState& s = State();
    for (;;) {
        std::string message;
        {
            std::lock_guard lock(s.Lock);
            if (s.Pending.empty()) return;
            message = std::move(s.Pending.front());
            s.Pending.pop_front();
        }
        Deliver(message);
    }
}

} // namespace

void SetTransportErrorReceiver(TTransportErrorReceiver receiver)
{
    TErrorState& s = State();
    std::lock_guard lock(s.Lock);
    s.Receiver = std::move(receiver);
    if (s.Receiver && !s.Poster) s.Poster = std::make_unique<TErrorPoster>();
}

void ReportTransportError(std::exception_ptr error)
{
    const std::string message = MessageOf(error);
    TErrorState& s = State();
    {
        std::unique_lock lock(s.Lock);
        if (!s.Receiver) {
            lock.unlock();
            qWarning("%s", message.c_str());
            return;
        }
        if (!s.Outstanding.insert(message).second) return;
        if (QThread::currentThread() != s.Poster->thread()) {
            s.Pending.push_back(message);
            QCoreApplication::postEvent(s.Poster.get(), new QEvent(PendingEventType));
            return;
        }
    }
    Deliver(message);
}
