// Text and JSON forms of the module's values, shared by the commands that show them.
#pragma once

#include "cli/uCliJson.h"
#include "device/ussValdrix.h"

#include <string>
#include <string_view>
#include <vector>

template <class T, int N, class F>
auto Map(const TValdrixChannels<T, N>& channels, F f)
{
    std::vector<decltype(f(channels[1]))> out;
    for (int i = 1; i <= N; ++i) out.push_back(f(channels[i]));
    return out;
}

std::string Join(const std::vector<std::string>& items, const char* separator = " ");

// The text with each control character (0x00..0x1F, 0x7F) written as \xNN: a module's
// text, a zero byte included, shown whole and on one line.
std::string PrintableText(std::string_view text);

// "1" and "0" per channel, channel 1 first.
template <int N>
std::string BitText(const TValdrixChannels<bool, N>& bits)
{
    return Join(Map(bits, [](bool b) { return std::string(b ? "1" : "0"); }), "");
}

template <int N>
TCliJson BitJson(const TValdrixChannels<bool, N>& bits)
{
    return Map(bits, [](bool b) { return b; });
}

// One decimal, or "-" when the thermometer's value is not valid.
std::string TemperatureText(const TValdrixTemperature& t);
TCliJson TemperaturesJson(const TValdrixTemperatures& t);
TCliJson AnalogJson(const TValdrixAnalogReadings& a);
std::string AnalogText(const TValdrixAnalogReadings& a);
std::string CountersText(const TValdrixCounters& c);
