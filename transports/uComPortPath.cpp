#include "transports/uComPortPath.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

std::string ComPortDevicePath(int n)
{
    if (n < 1) return {};
    if (const char* dir = std::getenv("VALDRIX_COM_DIR"); dir && *dir) {
        std::string entry = std::string(dir) + "/COM" + std::to_string(n);
        struct stat st;
        if (::lstat(entry.c_str(), &st) == 0) return entry;
    }
    static const char* const DevicePrefixes[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
    const int block = (n - 1) / 32;
    if (block >= 3) return {};
    return DevicePrefixes[block] + std::to_string((n - 1) % 32);
}

std::string ComPortOpenFailureText(int n, int error, const std::string& detail)
{
    const std::string port = "COM" + std::to_string(n);
    const std::string path = ComPortDevicePath(n);
    if (path.empty())
        return port + " has no device: COM1-COM32 are /dev/ttyS0-31, COM33-COM64 /dev/ttyUSB0-31, COM65-COM96 "
                      "/dev/ttyACM0-31, and VALDRIX_COM_DIR/COM<n> names any other";
    const std::string where = path + " (" + port + "): ";
    switch (error) {
    case 0: return where + detail;
    case EACCES:
    case EPERM:
        return where + std::strerror(error) +
               "; to use serial ports, join the dialout group (sudo usermod -aG dialout $USER), then log in again";
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return where + std::strerror(error) + "; is the device plugged in? ls -l /dev/serial/by-id lists the serial "
                                              "devices present";
    case EBUSY: return where + std::strerror(error) + "; another program holds the port";
    default: return where + std::strerror(error);
    }
}
