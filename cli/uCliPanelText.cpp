#include "cli/uCliPanelText.h"

#include <cstdio>

namespace {

template <class T>
TCliJson ReadingJson(const T& reading)
{
    return TCliJson{{"valid", reading.Valid()}, {"value", reading.Value}};
}

} // namespace

std::string Join(const std::vector<std::string>& items, const char* separator)
{
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) out += (i ? separator : "") + items[i];
    return out;
}

std::string PrintableText(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned(byte));
        out += escaped;
    }
    return out;
}

std::string TemperatureText(const TValdrixTemperature& t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", t.Value);
    return t.Valid() ? text : "-";
}

TCliJson TemperaturesJson(const TValdrixTemperatures& t) { return Map(t, ReadingJson<TValdrixTemperature>); }

TCliJson AnalogJson(const TValdrixAnalogReadings& a) { return Map(a, ReadingJson<TValdrixAnalogReading>); }

std::string AnalogText(const TValdrixAnalogReadings& a)
{
    return Join(Map(a, [](const TValdrixAnalogReading& r) { return r.Valid() ? std::to_string(r.Value) : "-"; }));
}

std::string CountersText(const TValdrixCounters& c)
{
    return Join(Map(c, [](int64_t v) { return std::to_string(v); }));
}
