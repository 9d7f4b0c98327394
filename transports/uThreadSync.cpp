#include "transports/uThreadSync.h"

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

TPollEvent::TPollEvent() : FFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TPollEvent::~TPollEvent()
{
    if (FFd >= 0) ::close(FFd);
}

void TPollEvent::Set()
{
    const uint64_t one = 1;
    // A full counter (never reached in practice) still leaves the event set.
    [[maybe_unused]] ssize_t n = ::write(FFd, &one, sizeof one);
}

bool TPollEvent::Reset()
{
    uint64_t value = 0;
    return ::read(FFd, &value, sizeof value) == static_cast<ssize_t>(sizeof value);
}

bool TPollEvent::WaitFor(int timeoutMs)
{
    return WaitForEvents({this}, timeoutMs).Signalled != 0 && Reset();
}

TWaitResult WaitForEvents(std::initializer_list<const TPollEvent*> events, int timeoutMs, int deviceFd,
                          short deviceEvents)
{
    std::vector<pollfd> fds;
    fds.reserve(events.size() + 1);
    for (const TPollEvent* e : events) fds.push_back({e->Fd(), POLLIN, 0});
    fds.push_back({deviceFd, deviceEvents, 0});
    int r;
    do {
        r = ::poll(fds.data(), fds.size(), timeoutMs);
    } while (r < 0 && errno == EINTR);
    TWaitResult result;
    if (r <= 0) return result;
    for (size_t i = 0; i < events.size(); ++i)
        if (fds[i].revents & POLLIN) result.Signalled |= 1u << i;
    result.Device = fds.back().revents;
    return result;
}

void SetCurrentThreadPriority(TThreadPriority priority)
{
    static const int Nice[] = {19, 10, 5, 0, -5, -10, -15};
    // On Linux a nice value set with the thread id applies to that thread only.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), Nice[static_cast<int>(priority)]);
}
