// Dates as scripts see them, and the zone they are read in.
//
// A date is a real counting days since 30 December 1899 00:00, the time of day as its fraction;
// 25569 is 1 January 1970 00:00 UTC. A seconds count t (since that instant) becomes the value
// (t + 0.5) / 86400 + 25569, the middle of its second, and a value v becomes the seconds
// trunc((v - 25569) * 86400) again.
//
// One process-wide switch picks the zone that breaks seconds into fields and builds seconds from
// fields: local time (the start) or UTC. Seconds before 1970 count as a failed conversion in both
// directions, so every zone answers alike for them.
#pragma once

#include <cstdint>
#include <ctime>

inline constexpr double kDateUnixEpoch = 25569.0;
inline constexpr double kDateSecondsPerDay = 86400.0;

bool Date_UsesUtc();
void Date_SetUtc(bool utc);

// The value of a seconds count.
double Date_FromSeconds(int64_t seconds);
// The seconds of a value; false for NaN, infinities, values whose seconds do not fit 64 bits,
// and instants before 1970.
bool Date_ToSeconds(double value, int64_t* seconds);

// The value broken into fields, in the selected zone or (utc) always in UTC; false when it
// cannot be converted.
bool Date_BreakDown(double value, std::tm* out);
bool Date_BreakDownUtc(double value, std::tm* out);
// The seconds of the fields, taken in the selected zone or always in UTC; out-of-range fields
// are normalised. False when the instant lies before 1970 or cannot be represented.
bool Date_MakeSeconds(std::tm* fields, int64_t* seconds);
bool Date_MakeSecondsUtc(std::tm* fields, int64_t* seconds);

// The current instant as a value.
double Date_Now();
// The current instant broken into fields in the selected zone (the current_* variables).
std::tm F_DateCurrentTm();

// Gregorian leap years; the days of month 0..11 of a year.
bool Date_IsLeapYear(int64_t year);
int32_t Date_DaysInMonth(int32_t month, int64_t year);
