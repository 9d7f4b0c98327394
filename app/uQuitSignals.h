// The signals a desktop or a terminal sends to end a program (SIGTERM at logout, SIGINT
// for Ctrl+C, SIGHUP when the terminal goes away) end the tester the way closing its
// window does, so that its settings are saved.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

class TQuitSignals : public QObject {
    Q_OBJECT
public:
    // Runs onSignal on this thread's event loop for each of those signals that arrives
    // while the object lives; their default actions come back when it goes. One at a time.
    explicit TQuitSignals(std::function<void()> onSignal);
    ~TQuitSignals() override;

private:
    std::function<void()> FOnSignal;
    QSocketNotifier* FNotifier = nullptr;
};
