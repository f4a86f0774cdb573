#include "runtime/date_time.h"

#include <cmath>

#include "platform/system/calendar.h"

namespace {

bool g_utc = false;

// 2^63 as a double: every double below it in magnitude converts to int64 exactly.
constexpr double kInt64Limit = 9223372036854775808.0;

bool BreakDown(double value, bool utc, std::tm* out) {
  int64_t seconds = 0;
  return Date_ToSeconds(value, &seconds) && System_BreakDownTime(seconds, utc, out);
}

bool MakeSeconds(std::tm* fields, bool utc, int64_t* seconds) {
  int64_t t = 0;
  if (!System_MakeTime(fields, utc, &t) || t < 0) return false;
  *seconds = t;
  return true;
}

}  // namespace

bool Date_UsesUtc() { return g_utc; }
void Date_SetUtc(bool utc) { g_utc = utc; }

double Date_FromSeconds(int64_t seconds) {
  return (static_cast<double>(seconds) + 0.5) / kDateSecondsPerDay + kDateUnixEpoch;
}

bool Date_ToSeconds(double value, int64_t* seconds) {
  const double t = std::trunc((value - kDateUnixEpoch) * kDateSecondsPerDay);
  if (!(t >= 0.0 && t < kInt64Limit)) return false;
  *seconds = static_cast<int64_t>(t);
  return true;
}

bool Date_BreakDown(double value, std::tm* out) { return BreakDown(value, g_utc, out); }
bool Date_BreakDownUtc(double value, std::tm* out) { return BreakDown(value, true, out); }
bool Date_MakeSeconds(std::tm* fields, int64_t* seconds) { return MakeSeconds(fields, g_utc, seconds); }
bool Date_MakeSecondsUtc(std::tm* fields, int64_t* seconds) { return MakeSeconds(fields, true, seconds); }

double Date_Now() { return Date_FromSeconds(System_UnixSeconds()); }

std::tm F_DateCurrentTm() {
  std::tm now{};
  System_BreakDownTime(System_UnixSeconds(), g_utc, &now);
  return now;
}

bool Date_IsLeapYear(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int32_t Date_DaysInMonth(int32_t month, int64_t year) {
  static constexpr int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 0 || month > 11) return 0;
  return month == 1 && Date_IsLeapYear(year) ? 29 : kDays[month];
}
