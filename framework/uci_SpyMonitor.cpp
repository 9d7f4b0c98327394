#include "framework/uci_SpyMonitor.h"

#include "framework/uci_ConnectionString.h"

#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// One socket for the process; sendto on it is thread-safe.
int MonitorSocket()
{
    static const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    return fd;
}

void MonitorSink(ICommunicationInterface*, const std::string& bytes, uint8_t direction)
{
    if (bytes.empty()) return;
    const std::string path = MonitorSocketPath();
    sockaddr_un address{};
    if (path.size() >= sizeof(address.sun_path) || MonitorSocket() < 0) return;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    std::string datagram(1, char(direction));
    datagram += bytes;
    // Errors (nobody listening, full queue, datagram too large) drop the copy.
    sendto(MonitorSocket(), datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
           reinterpret_cast<const sockaddr*>(&address), sizeof(address));
}

std::string Trim(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

} // namespace

std::string MonitorSocketPath()
{
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeDir && *runtimeDir) return std::string(runtimeDir) + "/valdrix-dst.sock";
    return "/tmp/valdrix-dst-" + std::to_string(getuid()) + ".sock";
}

TSpySink MonitorSpySink() { return TSpySink::Function<&MonitorSink>(); }

bool IsMonitorSwitch(const std::string& argument)
{
    std::string text = Trim(argument);
    if (!text.empty() && (text[0] == '/' || text[0] == '-')) text.erase(0, 1);
    return SameText(text, "DST");
}

bool ApplySpyCommandLine(int argc, const char* const* argv)
{
    for (int i = 0; i < argc; ++i) {
        if (argv[i] && IsMonitorSwitch(argv[i])) {
            SetSpySink(MonitorSpySink());
            return true;
        }
    }
    return false;
}
