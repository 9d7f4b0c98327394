#include "uComPortPath.h"

#include <cstdlib>
#include <sys/stat.h>

std::string ComPortDevicePath(int n)
{
    if (n < 1) return {};
    if (const char* dir = std::getenv("VALDRIX_COM_DIR"); dir && *dir) {
        std::string entry = std::string(dir) + "/COM" + std::to_string(n);
        struct stat st;
        if (::lstat(entry.c_str(), &st) == 0) return entry;
    }
    static const char* const kTable[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
    const int block = (n - 1) / 32;
    if (block >= 3) return {};
    return kTable[block] + std::to_string((n - 1) % 32);
}
