#include "transports/scan/uComPortIdentity.h"

#include "transports/uComPortPath.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>

namespace {

namespace fs = std::filesystem;

fs::path ByIdDirectory()
{
    const char* dir = std::getenv("VALDRIX_SERIAL_BY_ID_DIR");
    return dir && *dir ? fs::path(dir) : fs::path("/dev/serial/by-id");
}

// The device a path finally leads to; empty when it leads nowhere.
fs::path DeviceOf(const fs::path& path)
{
    std::error_code error;
    fs::path device = fs::canonical(path, error);
    return error ? fs::path() : device;
}

} // namespace

std::string SerialByIdIdentity(const std::string& linkName)
{
    static const std::regex InterfaceSuffix("-if[0-9A-Fa-f]+(-port[0-9]+)?$");
    std::string identity = std::regex_replace(linkName, InterfaceSuffix, "");
    if (const size_t bus = identity.find('-'); bus != std::string::npos) identity.erase(0, bus + 1);
    std::replace(identity.begin(), identity.end(), '_', ' ');
    return identity;
}

std::string ComPortIdentity(int n)
{
    const std::string path = ComPortDevicePath(n);
    if (path.empty()) return {};
    const fs::path device = DeviceOf(path);
    if (device.empty()) return {};
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(ByIdDirectory(), error))
        if (DeviceOf(entry.path()) == device) return SerialByIdIdentity(entry.path().filename().string());
    return {};
}
