#include "app/uQuitSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int QuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only write to a descriptor; the event loop reads the other end.
int QuitSignalPipe[2] = {-1, -1};

void NoteQuitSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(QuitSignalPipe[1], &byte, 1);
}

void SetQuitSignalAction(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : QuitSignals) ::sigaction(number, &action, nullptr);
}

} // namespace

TQuitSignals::TQuitSignals(std::function<void()> onSignal) : FOnSignal(std::move(onSignal))
{
    if (QuitSignalPipe[0] >= 0) throw std::logic_error("quit signals are caught already");
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, QuitSignalPipe) != 0)
        throw std::runtime_error("no socket pair for the quit signals");
    FNotifier = new QSocketNotifier(QuitSignalPipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(QuitSignalPipe[0], bytes, sizeof bytes) > 0) {
        }
        FOnSignal();
    });
    SetQuitSignalAction(NoteQuitSignal);
}

TQuitSignals::~TQuitSignals()
{
    SetQuitSignalAction(SIG_DFL);
    delete FNotifier;
    for (int& fd : QuitSignalPipe) {
        ::close(fd);
        fd = -1;
    }
}
