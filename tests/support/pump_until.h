// Waiting in a test for something the test cannot be told about: the condition is
// checked until it holds or the time is up; between checks the thread's Qt events run
// (when the test program has a QCoreApplication), then the thread sleeps briefly.
// Tests built without Qt only sleep: there are no events for them to run.
#pragma once

#include <chrono>
#include <thread>

#if __has_include(<QCoreApplication>)
#include <QCoreApplication>
#endif

// Generous time-outs are fine: a test only waits this long when something never happens.
template <class Condition>
bool PumpUntil(Condition done, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
#if __has_include(<QCoreApplication>)
        if (QCoreApplication::instance()) {
            QCoreApplication::processEvents();
            // Objects released with deleteLater go as well, as in a running event loop.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
#endif
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}
