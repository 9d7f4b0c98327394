#include "uGuid.h"

#include "uExceptions.h"

#include <cstdio>
#include <random>

TGUID StringToGUID(std::string_view s)
{
    TGUID g;
    if (!TryStringToGUID(s, g)) throw EConvertError("'" + std::string(s) + "' is not a valid GUID value");
    return g;
}

std::string GUIDToString(const TGUID& g)
{
    char buf[39];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.D1),
                  unsigned(g.D2), unsigned(g.D3), g.D4[0], g.D4[1], g.D4[2], g.D4[3], g.D4[4], g.D4[5], g.D4[6],
                  g.D4[7]);
    return buf;
}

TGUID CreateGUID()
{
    thread_local std::mt19937_64 engine{std::random_device{}()};
    const uint64_t hi = engine();
    const uint64_t lo = engine();
    TGUID g;
    g.D1 = uint32_t(hi >> 32);
    g.D2 = uint16_t(hi >> 16);
    g.D3 = uint16_t((uint16_t(hi) & 0x0FFF) | 0x4000);
    for (int i = 0; i < 8; ++i) g.D4[size_t(i)] = uint8_t(lo >> (56 - 8 * i));
    g.D4[0] = uint8_t((g.D4[0] & 0x3F) | 0x80);
    return g;
}
