// The calendar services of the C library: the current second, the conversions between a seconds
// count (since 1 January 1970 00:00 UTC) and broken-down fields in local time or UTC, and the
// formatting of fields in the user's locale.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// Whole seconds since 1 January 1970 00:00 UTC.
int64_t System_UnixSeconds();

// Breaks the seconds down in the local zone (read afresh from TZ at each call) or in UTC; false
// when the library cannot represent the result (a year beyond its range).
bool System_BreakDownTime(int64_t seconds, bool utc, std::tm* out);
// The seconds of the fields, taken as local wall-clock time (tm_isdst as given: -1 lets the
// library decide) or as UTC; out-of-range fields are normalised into *fields. False when the
// library reports the time as unrepresentable.
bool System_MakeTime(std::tm* fields, bool utc, int64_t* seconds);

// The fields formatted with strftime's format in the locale of the user's environment (LC_ALL,
// LC_TIME, LANG), or in "C" when that locale cannot be made; at most 1023 bytes. The process
// locale is never changed: other threads format numbers under it.
std::string System_FormatTime(const std::tm& fields, const char* format);
