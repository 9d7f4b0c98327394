#include "cli/uCliStopSignals.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>

namespace {

std::atomic<int> StopDescriptor{-1};

void OnStopSignal(int)
{
    const int saved = errno;
    const uint64_t one = 1;
    if (const int fd = StopDescriptor.load(); fd >= 0 && write(fd, &one, sizeof one) < 0) {
    }
    errno = saved;
}

void Handle(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}

TCliStopSignals::TCliStopSignals(std::function<void()> onStop)
    : FDescriptor(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), FNotifier(FDescriptor, QSocketNotifier::Read)
{
    QObject::connect(&FNotifier, &QSocketNotifier::activated, [this, onStop = std::move(onStop)] {
        uint64_t count = 0;
        if (read(FDescriptor, &count, sizeof count) == sizeof count) onStop();
    });
    StopDescriptor = FDescriptor;
    Handle(OnStopSignal);
}

TCliStopSignals::~TCliStopSignals()
{
    Handle(SIG_DFL);
    StopDescriptor = -1;
    FNotifier.setEnabled(false);
    if (FDescriptor >= 0) close(FDescriptor);
}
