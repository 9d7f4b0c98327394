// Binary GUIDs and their 38-character brace text "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

struct TGUID {
    uint32_t D1 = 0;
    uint16_t D2 = 0;
    uint16_t D3 = 0;
    std::array<uint8_t, 8> D4{};

    friend constexpr bool operator==(const TGUID&, const TGUID&) = default;
};

namespace guid_detail {
constexpr uint32_t HexDigit(char c)
{
    if (c >= '0' && c <= '9') return uint32_t(c - '0');
    if (c >= 'a' && c <= 'f') return uint32_t(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return uint32_t(c - 'A' + 10);
    return 0xFFFFFFFFu;
}
constexpr bool HexRun(std::string_view s, size_t pos, size_t count, uint32_t& out)
{
    out = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t d = HexDigit(s[pos + i]);
        if (d > 15) return false;
        out = (out << 4) | d;
    }
    return true;
}
} // namespace guid_detail

// Parses the brace form; returns false for anything else (no exception, usable at compile time).
constexpr bool TryStringToGUID(std::string_view s, TGUID& g)
{
    using guid_detail::HexRun;
    if (s.size() != 38 || s[0] != '{' || s[37] != '}' || s[9] != '-' || s[14] != '-' || s[19] != '-' ||
        s[24] != '-')
        return false;
    uint32_t v = 0;
    if (!HexRun(s, 1, 8, v)) return false;
    g.D1 = v;
    if (!HexRun(s, 10, 4, v)) return false;
    g.D2 = uint16_t(v);
    if (!HexRun(s, 15, 4, v)) return false;
    g.D3 = uint16_t(v);
    for (size_t i = 0; i < 8; ++i) {
        const size_t pos = i < 2 ? 20 + 2 * i : 25 + 2 * (i - 2);
        if (!HexRun(s, pos, 2, v)) return false;
        g.D4[i] = uint8_t(v);
    }
    return true;
}

// Compile-time GUID constant from its brace text; a malformed literal does not compile.
consteval TGUID MakeGUID(std::string_view s)
{
    TGUID g;
    if (!TryStringToGUID(s, g)) throw "malformed GUID literal";
    return g;
}

// Raises EConvertError for a text that is not a brace-form GUID.
TGUID StringToGUID(std::string_view s);
// Upper-case brace form.
std::string GUIDToString(const TGUID& g);
// A random version-4 GUID.
TGUID CreateGUID();
