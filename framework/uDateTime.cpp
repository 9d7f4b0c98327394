#include "framework/uDateTime.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

using namespace std::chrono;

constexpr int64_t SecondsPerDay = 86400;
const sys_days DateTimeEpoch = sys_days(year(1899) / December / 30);

} // namespace

double EncodeDateTime(const TDateTimeParts& p)
{
    const sys_days day = sys_days(year(p.Year) / month(unsigned(p.Month)) / std::chrono::day(unsigned(p.Day)));
    const int64_t days = (day - DateTimeEpoch).count();
    return double(days) + double(p.Hour * 3600 + p.Minute * 60 + p.Second) / SecondsPerDay;
}

TDateTimeParts DecodeDateTime(double value)
{
    const int64_t total = int64_t(std::llround(value * SecondsPerDay));
    int64_t days = total / SecondsPerDay;
    int64_t secs = total % SecondsPerDay;
    if (secs < 0) {
        secs += SecondsPerDay;
        --days;
    }
    const year_month_day ymd(DateTimeEpoch + std::chrono::days(days));
    TDateTimeParts p;
    p.Year = int(ymd.year());
    p.Month = int(unsigned(ymd.month()));
    p.Day = int(unsigned(ymd.day()));
    p.Hour = int(secs / 3600);
    p.Minute = int(secs / 60 % 60);
    p.Second = int(secs % 60);
    return p;
}

double NowDateTime()
{
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    const double millis = double(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return EncodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                           local.tm_sec}) +
           millis / 1000.0 / SecondsPerDay;
}

std::string FormatDateTimeIso(double value)
{
    const TDateTimeParts p = DecodeDateTime(value);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute,
                  p.Second);
    return text;
}

bool ParseDateTimeIso(std::string_view text, double& value)
{
    TDateTimeParts p;
    char tail = 0;
    const std::string s(text);
    if (s.size() != 19 ||
        std::sscanf(s.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &p.Year, &p.Month, &p.Day, &p.Hour, &p.Minute, &p.Second,
                    &tail) != 6)
        return false;
    const year_month_day ymd(year(p.Year), month(unsigned(p.Month)), day(unsigned(p.Day)));
    if (!ymd.ok() || p.Hour > 23 || p.Minute > 59 || p.Second > 59 || p.Hour < 0 || p.Minute < 0 || p.Second < 0)
        return false;
    value = EncodeDateTime(p);
    return true;
}

std::string IsoTimeNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char date[32], zone[8];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    std::strftime(zone, sizeof zone, "%z", &local);
    char text[48];
    std::snprintf(text, sizeof text, "%s.%03d%.3s:%s", date, int(ms), zone, zone + 3);
    return text;
}
