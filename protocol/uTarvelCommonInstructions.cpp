#include "protocol/uTarvelCommonInstructions.h"

#include "protocol/uTarvelBytes.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace {

constexpr std::array<uint32_t, 12> BaudRates = {110, 300, 600, 1200, 2400, 4800,
                                                9600, 19200, 38400, 57600, 115200, 230400};

// The field between the n-th and the (n+1)-th ";" (n from 0); empty when missing.
std::string_view Field(std::string_view text, int n)
{
    for (int i = 0; i < n; ++i) {
        const size_t sep = text.find(';');
        if (sep == std::string_view::npos) return {};
        text.remove_prefix(sep + 1);
    }
    return text.substr(0, text.find(';'));
}

} // namespace

uint32_t TarvelBaudRateOfCode(int code)
{
    return code >= 0 && code < int(BaudRates.size()) ? BaudRates[size_t(code)] : 0;
}

int TarvelBaudRateCode(uint32_t baud)
{
    for (size_t i = 0; i < BaudRates.size(); ++i)
        if (BaudRates[i] == baud) return int(i);
    return -1;
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && uint8_t(text.front()) <= 0x20) text.remove_prefix(1);
    while (!text.empty() && uint8_t(text.back()) <= 0x20) text.remove_suffix(1);
    return text;
}

TTarvelIdentification SplitTarvelIdentification(std::string_view text)
{
    TTarvelIdentification id;
    // Without any ";" the whole text is the third field.
    if (text.find(';') == std::string_view::npos) {
        id.Third = std::string(TrimBlanks(text));
        return id;
    }
    id.Name = std::string(TrimBlanks(Field(text, 0)));
    std::string_view version = TrimBlanks(Field(text, 1));
    if (const size_t v = version.find('v'); v != std::string_view::npos) version = TrimBlanks(version.substr(v + 1));
    id.Version = std::string(version);
    id.Third = std::string(TrimBlanks(Field(text, 2)));
    return id;
}

std::string EncodeE2Text(std::string_view text)
{
    std::string data(1, '\0');
    data += text.substr(0, 16);
    if (text.size() < 16) data.push_back('\0');
    return data;
}

std::string EncodeAddressByNumbers(uint8_t address, uint16_t n1, uint16_t n2)
{
    std::string data(1, char(address));
    PutBE16(data, n1);
    PutBE16(data, n2);
    return data;
}

bool DecodeFANumbers(std::string_view data, uint16_t& n1, uint16_t& n2, uint32_t& n3)
{
    if (data.size() < 8) return false;
    n1 = GetBE16(data, 0);
    n2 = GetBE16(data, 2);
    n3 = GetBE32(data, 4);
    return true;
}

uint8_t ParseAddressText(std::string_view text)
{
    if (text.empty()) return 0;
    if (text.size() == 1) return uint8_t(text[0]);
    if (text[0] != '#') return 0;
    text.remove_prefix(1);
    int base = 10;
    if (!text.empty() && text[0] == '$') {
        base = 16;
        text.remove_prefix(1);
    }
    // Only a whole number counts; anything else gives 0, like an empty text.
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return 0;
    return uint8_t(value & 0xFF);
}

std::string FormatAddressText(uint8_t address)
{
    char text[8];
    std::snprintf(text, sizeof text, "#$%02X", unsigned(address));
    return text;
}
