// SIGINT and SIGTERM turned into a call on the application's thread, for a command
// whose stop must go through its session (TValdrixSession::StopActions belongs to the
// session's owner): the signal handler only wakes the event loop through a descriptor,
// and the loop makes the call.
#pragma once

#include <QSocketNotifier>

#include <functional>

class TCliStopSignals {
public:
    // Takes over SIGINT and SIGTERM until destroyed; `onStop` runs on this thread, once per
    // signal that came.
    explicit TCliStopSignals(std::function<void()> onStop);
    TCliStopSignals(const TCliStopSignals&) = delete;
    TCliStopSignals& operator=(const TCliStopSignals&) = delete;
    ~TCliStopSignals();

private:
    int FDescriptor;
    QSocketNotifier FNotifier;
};
