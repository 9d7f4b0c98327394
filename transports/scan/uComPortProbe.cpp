#include "transports/scan/uComPortProbe.h"

#include "transports/uComPortPath.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <fstream>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// No device there: nothing, a device without hardware, or something that is no device at
// all (a directory).
bool IsAbsentError(int error)
{
    return error == ENOENT || error == ENXIO || error == ENODEV || error == ENOTDIR || error == EISDIR;
}

// The kernel name of a tty ("ttyS3") after following links, or "" when it has none.
std::string KernelTtyName(const std::string& path)
{
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return {};
    const std::string full(resolved);
    return full.substr(full.rfind('/') + 1);
}

// A serial driver lists its lines in sysfs with the UART type; type 0 means the line
// exists in the driver's table but no hardware was found for it.
bool SysfsSaysNoHardware(const std::string& path)
{
    const std::string name = KernelTtyName(path);
    if (name.empty()) return false;
    std::ifstream type("/sys/class/tty/" + name + "/type");
    int value = -1;
    return type >> value && value == 0;
}

// The same question asked of the open line; lines without this ioctl (pseudo-terminals,
// USB adapters of some drivers) simply answer nothing and count as present.
bool LineSaysNoHardware(int fd)
{
    serial_struct info {};
    return ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == 0;
}

uint8_t ProbeOpenLine(int fd)
{
    if (!::isatty(fd) || LineSaysNoHardware(fd)) return cpsAbsent;
    // A transport holding the port keeps this lock; taking it briefly tells whether the
    // port is free. Closing the descriptor releases it again.
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? cpsPresent : cpsBusy;
}

} // namespace

uint8_t ProbePort(int n)
{
    const std::string path = ComPortDevicePath(n);
    if (path.empty() || SysfsSaysNoHardware(path)) return cpsAbsent;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return IsAbsentError(errno) ? cpsAbsent : cpsBusy;
    const uint8_t state = ProbeOpenLine(fd);
    ::close(fd);
    return state;
}

std::string ComPortDeviceName(int n)
{
    const std::string path = ComPortDevicePath(n);
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
    const std::string shown = length > 0 ? std::string(target, size_t(length)) : path;
    static const std::string Dev = "/dev/";
    if (shown.compare(0, Dev.size(), Dev) == 0) return shown.substr(Dev.size());
    return length > 0 ? shown : shown.substr(shown.rfind('/') + 1);
}

bool ComPortAccessDenied(int n)
{
    const std::string path = ComPortDevicePath(n);
    return !path.empty() && ::faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) != 0 &&
           errno == EACCES;
}
