#include "sim/SimLink.h"

#include <cerrno>
#include <unistd.h>

void TSimLink::Send(std::string_view bytes)
{
    if (HasPeer() && FOutput.size() + bytes.size() <= MaxOutput) FOutput.append(bytes);
}

void TSimLink::SendInSession(uint64_t session, std::string_view bytes)
{
    if (session == FSession) Send(bytes);
}

void TSimLink::Received(std::string_view bytes)
{
    // Each packet is handled before the next: a packet can end the session.
    const uint64_t session = FSession;
    FFramer.Append(bytes);
    TTarvelFormat97 packet;
    while (session == FSession && FFramer.NextRecord(packet)) {
        ++FPackets;
        FSink.OnPacket(*this, packet);
    }
}

void TSimLink::StartSession()
{
    ++FSession;
    FPackets = 0;
    FFramer.Clear();
    FOutput.clear();
}

bool TSimLink::Flush(int fd)
{
    while (!FOutput.empty()) {
        const ssize_t n = write(fd, FOutput.data(), FOutput.size());
        if (n < 0) return errno == EAGAIN || errno == EINTR;
        FOutput.erase(0, size_t(n));
    }
    return true;
}
