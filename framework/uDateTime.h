// The desktop date-time value: a double counting days since 1899-12-30 00:00, the
// fraction being the time of day. Conversions to and from calendar fields are pure
// arithmetic; only NowDateTime looks at the local clock and time zone.
#pragma once

#include <string>
#include <string_view>

// Day number of 1970-01-01 00:00:00.
constexpr double UnixEpochDateTime = 25569.0;

struct TDateTimeParts {
    int Year = 1899;
    int Month = 12;
    int Day = 30;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

double EncodeDateTime(const TDateTimeParts& parts);
// Rounds to the nearest second first, so 23:59:59.7 becomes 00:00:00 of the next day.
TDateTimeParts DecodeDateTime(double value);

// The local date and time now.
double NowDateTime();

// "YYYY-MM-DD hh:mm:ss".
std::string FormatDateTimeIso(double value);
// The time now as ISO 8601 local time with milliseconds and the offset from UTC, e.g.
// "2024-03-01T08:05:09.123+01:00".
std::string IsoTimeNow();
// Parses "YYYY-MM-DD hh:mm:ss" with valid calendar fields; false otherwise.
bool ParseDateTimeIso(std::string_view text, double& value);
