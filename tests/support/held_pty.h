// A pseudo-terminal whose slave side the test holds open, raw, so that the line neither
// hangs up nor echoes by itself while programs open and close it.
#pragma once

#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>

// Opens the pair; returns the slave's path. Raises std::runtime_error when that fails.
inline std::string OpenHeldPty(int& master, int& slave)
{
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0)
        throw std::runtime_error("pseudo-terminal setup failed");
    slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    return name;
}
