// Calls posted from any thread to run on a window's thread, for as long as the window
// lives: a worker holds the box (shared), the window closes it when it is destroyed, and
// a call posted after that is dropped. Qt drops the calls already queued to an object
// that is destroyed.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

class TPostBox {
public:
    explicit TPostBox(QObject* target) : FTarget(target) {}
    TPostBox(const TPostBox&) = delete;
    TPostBox& operator=(const TPostBox&) = delete;

    // Queues the call to the target's thread; false when the target is gone.
    bool Post(std::function<void()> call);
    // Called by the target before it is destroyed.
    void Close();

private:
    std::mutex FLock;
    QObject* FTarget;
};

using TPostBoxPtr = std::shared_ptr<TPostBox>;
