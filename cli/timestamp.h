#pragma once
// Time stamps of the watch's lines.
#include <string>

// A local time and how far it is ahead of UTC.
struct LocalTime {
  int year, month, day, hour, minute, second, millisecond;
  int offsetMinutes;  // local time minus UTC; negative west of Greenwich
};

// ISO 8601 with milliseconds and the UTC offset: 2026-12-08T17:12:11.123+09:00.
std::string FormatTimestamp(const LocalTime& time);
