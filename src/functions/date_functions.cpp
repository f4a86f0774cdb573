// date_*: the current date, building, checking, moving and reading dates, spans and comparisons,
// their text forms, and the zone they are read in (runtime/date_time.h).
#include <cmath>
#include <cstdint>
#include <ctime>
#include <limits>
#include <string>

#include "core/function_registry.h"
#include "core/value.h"
#include "core/vm_error.h"
#include "functions/handler_args.h"
#include "functions/misc_handlers.h"
#include "platform/system/calendar.h"
#include "runtime/date_time.h"

namespace {

using misc::SetBool;
using misc::SetReal;

constexpr int32_t kTmYearBase = 1900;

// --- now, building and checking ----------------------------------------------------------------

BUILTIN_FN(DateCurrent) { SetReal(result, Date_Now()); }

// Fields as the platform takes them: a year before 1900 counts as 1900, daylight saving is left
// to the platform, and out-of-range fields are normalised (month 13 is January of the next year).
void CreateDate(RValue* result, int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second) {
  std::tm fields{};
  fields.tm_year = (year < kTmYearBase ? kTmYearBase : year) - kTmYearBase;
  // month - 1 of INT32_MIN would wrap; such a month is far beyond any representable date anyway.
  fields.tm_mon = month == std::numeric_limits<int32_t>::min() ? month : month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  fields.tm_isdst = -1;
  int64_t seconds = 0;
  if (!Date_MakeSeconds(&fields, &seconds)) {
    VM_RuntimeError("invalid date conversion - dates earlier than 1 Jan 1970 will be incorrect");
    return;
  }
  SetReal(result, Date_FromSeconds(seconds));
}

BUILTIN_FN(DateCreateDatetime) {
  HANDLER_ARGS;
  CreateDate(result, a.I(0), a.I(1), a.I(2), a.I(3), a.I(4), a.I(5));
}
BUILTIN_FN(DateCreateDate) {
  HANDLER_ARGS;
  CreateDate(result, a.I(0), a.I(1), a.I(2), 0, 0, 0);
}
// A time of day is that time on day 0, in the middle of its second like every other value.
BUILTIN_FN(DateCreateTime) {
  HANDLER_ARGS;
  const double seconds = static_cast<double>(a.I(0)) * 3600.0 + static_cast<double>(a.I(1)) * 60.0 + a.I(2);
  SetReal(result, (seconds + 0.5) / kDateSecondsPerDay);
}

bool ValidDate(int32_t year, int32_t month, int32_t day) {
  return year >= 1970 && month >= 1 && month <= 12 && day >= 1 && day <= Date_DaysInMonth(month - 1, year);
}
bool ValidTime(int32_t hour, int32_t minute, int32_t second) {
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

BUILTIN_FN(DateValidDatetime) {
  HANDLER_ARGS;
  SetBool(result, ValidDate(a.I(0), a.I(1), a.I(2)) && ValidTime(a.I(3), a.I(4), a.I(5)));
}
BUILTIN_FN(DateValidDate) {
  HANDLER_ARGS;
  SetBool(result, ValidDate(a.I(0), a.I(1), a.I(2)));
}
BUILTIN_FN(DateValidTime) {
  HANDLER_ARGS;
  SetBool(result, ValidTime(a.I(0), a.I(1), a.I(2)));
}

// --- moving ------------------------------------------------------------------------------------

// Adds n units to one UTC field and builds the seconds back in UTC, which normalises the overflow
// (31 January plus a month is 3 March in a common year). -1 when either conversion fails, or
// when the field would leave the range the platform's fields hold.
template <int std::tm::*Field, int32_t Scale>
BUILTIN_FN(DateInc) {
  HANDLER_ARGS;
  std::tm fields{};
  if (!Date_BreakDownUtc(a.R(0), &fields)) {
    SetReal(result, -1.0);
    return;
  }
  const int64_t moved = static_cast<int64_t>(fields.*Field) + static_cast<int64_t>(a.I(1)) * Scale;
  int64_t seconds = 0;
  if (moved < std::numeric_limits<int>::min() || moved > std::numeric_limits<int>::max()) {
    SetReal(result, -1.0);
    return;
  }
  fields.*Field = static_cast<int>(moved);
  fields.tm_isdst = 0;
  SetReal(result, Date_MakeSecondsUtc(&fields, &seconds) ? Date_FromSeconds(seconds) : -1.0);
}

// --- reading fields ----------------------------------------------------------------------------

// A field of the date broken down in the selected zone, or the failure answer.
template <typename Read>
void Field(RValue* result, double date, double failure, Read read) {
  std::tm fields{};
  SetReal(result, Date_BreakDown(date, &fields) ? read(fields) : failure);
}

BUILTIN_FN(DateGetYear) { HANDLER_ARGS; Field(result, a.R(0), -1, [](const std::tm& t) { return t.tm_year + 1900.0; }); }
BUILTIN_FN(DateGetMonth) { HANDLER_ARGS; Field(result, a.R(0), -1, [](const std::tm& t) { return t.tm_mon + 1.0; }); }
BUILTIN_FN(DateGetWeek) { HANDLER_ARGS; Field(result, a.R(0), -1, [](const std::tm& t) { return t.tm_yday / 7; }); }
BUILTIN_FN(DateGetDay) { HANDLER_ARGS; Field(result, a.R(0), -1, [](const std::tm& t) { return t.tm_mday; }); }
BUILTIN_FN(DateGetHour) { HANDLER_ARGS; Field(result, a.R(0), -1, [](const std::tm& t) { return t.tm_hour; }); }
BUILTIN_FN(DateGetMinute) { HANDLER_ARGS; Field(result, a.R(0), -1, [](const std::tm& t) { return t.tm_min; }); }
BUILTIN_FN(DateGetSecond) { HANDLER_ARGS; Field(result, a.R(0), -1, [](const std::tm& t) { return t.tm_sec; }); }
BUILTIN_FN(DateGetWeekday) { HANDLER_ARGS; Field(result, a.R(0), -1, [](const std::tm& t) { return t.tm_wday; }); }

// Seconds from 1 January 00:00 of the date's year to the date.
int64_t SecondsIntoYear(const std::tm& t) {
  int64_t days = t.tm_mday - 1;
  for (int32_t month = 0; month < t.tm_mon; ++month) days += Date_DaysInMonth(month, t.tm_year + 1900LL);
  return days * 86400 + t.tm_hour * 3600LL + t.tm_min * 60LL + t.tm_sec;
}

// 1 January is day 1; hours, minutes and seconds count from 0.
template <int64_t Unit, int64_t Offset>
BUILTIN_FN(DatePositionInYear) {
  HANDLER_ARGS;
  Field(result, a.R(0), 0, [](const std::tm& t) { return static_cast<double>((SecondsIntoYear(t) + Offset) / Unit); });
}

BUILTIN_FN(DateDaysInMonth) {
  HANDLER_ARGS;
  Field(result, a.R(0), 0, [](const std::tm& t) { return Date_DaysInMonth(t.tm_mon, t.tm_year + 1900LL); });
}
BUILTIN_FN(DateDaysInYear) {
  HANDLER_ARGS;
  Field(result, a.R(0), 365, [](const std::tm& t) { return Date_IsLeapYear(t.tm_year + 1900LL) ? 366 : 365; });
}
BUILTIN_FN(DateLeapYear) {
  HANDLER_ARGS;
  Field(result, a.R(0), 0, [](const std::tm& t) { return Date_IsLeapYear(t.tm_year + 1900LL) ? 1 : 0; });
}
BUILTIN_FN(DateIsToday) {
  HANDLER_ARGS;
  const std::tm now = F_DateCurrentTm();
  Field(result, a.R(0), 0, [&now](const std::tm& t) {
    return t.tm_year == now.tm_year && t.tm_mon == now.tm_mon && t.tm_yday == now.tm_yday ? 1 : 0;
  });
}

// --- spans and comparisons ---------------------------------------------------------------------

// The factor is a ratio of whole numbers (one compiler of ours takes no real template argument);
// its quotient is the same correctly rounded double as the real written out.
template <int64_t Numerator, int64_t Denominator>
BUILTIN_FN(DateSpan) {
  HANDLER_ARGS;
  constexpr double kFactor = static_cast<double>(Numerator) / static_cast<double>(Denominator);
  SetReal(result, std::fabs(a.R(0) - a.R(1)) * kFactor);
}

double Compare(double a, double b) { return a == b ? 0.0 : a > b ? 1.0 : -1.0; }

// The whole days, truncated toward zero to a 32-bit integer (outside its range: INT32_MIN, as the
// processor's own conversion gives).
int32_t WholeDays(double date) {
  const double t = std::trunc(date);
  if (!(t >= -2147483648.0 && t <= 2147483647.0)) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(t);
}
double TimeOfDay(double date) { return date - std::trunc(date); }

BUILTIN_FN(DateCompareDatetime) { HANDLER_ARGS; SetReal(result, Compare(a.R(0), a.R(1))); }
BUILTIN_FN(DateCompareDate) { HANDLER_ARGS; SetReal(result, Compare(WholeDays(a.R(0)), WholeDays(a.R(1)))); }
BUILTIN_FN(DateCompareTime) { HANDLER_ARGS; SetReal(result, Compare(TimeOfDay(a.R(0)), TimeOfDay(a.R(1)))); }
BUILTIN_FN(DateDateOf) { HANDLER_ARGS; SetReal(result, WholeDays(a.R(0))); }
BUILTIN_FN(DateTimeOf) { HANDLER_ARGS; SetReal(result, TimeOfDay(a.R(0))); }

// --- text forms --------------------------------------------------------------------------------

template <char Conversion>
BUILTIN_FN(DateString) {
  HANDLER_ARGS;
  std::tm fields{};
  const char format[] = {'%', Conversion, '\0'};
  const std::string text = Date_BreakDown(a.R(0), &fields) ? System_FormatTime(fields, format) : "invalid time";
  RValue_SetString(result, text.c_str());
}

// --- the zone ----------------------------------------------------------------------------------

BUILTIN_FN(DateSetTimezone) {
  HANDLER_ARGS;
  Date_SetUtc(a.I(0) != 0);
  SetReal(result, 0.0);
}
BUILTIN_FN(DateGetTimezone) { SetReal(result, Date_UsesUtc() ? 1.0 : 0.0); }

struct Registration {
  const char* name;
  BuiltinHandler handler;
  int32_t argumentCount;
};

constexpr Registration kDateFunctions[] = {
    {"date_current_datetime", DateCurrent, 0},
    {"date_current_date", DateCurrent, 0},
    {"date_current_time", DateCurrent, 0},
    {"date_create_datetime", DateCreateDatetime, 6},
    {"date_create_date", DateCreateDate, 3},
    {"date_create_time", DateCreateTime, 3},
    {"date_valid_datetime", DateValidDatetime, 6},
    {"date_valid_date", DateValidDate, 3},
    {"date_valid_time", DateValidTime, 3},
    {"date_inc_year", DateInc<&std::tm::tm_year, 1>, 2},
    {"date_inc_month", DateInc<&std::tm::tm_mon, 1>, 2},
    {"date_inc_week", DateInc<&std::tm::tm_mday, 7>, 2},
    {"date_inc_day", DateInc<&std::tm::tm_mday, 1>, 2},
    {"date_inc_hour", DateInc<&std::tm::tm_hour, 1>, 2},
    {"date_inc_minute", DateInc<&std::tm::tm_min, 1>, 2},
    {"date_inc_second", DateInc<&std::tm::tm_sec, 1>, 2},
    {"date_get_year", DateGetYear, 1},
    {"date_get_month", DateGetMonth, 1},
    {"date_get_week", DateGetWeek, 1},
    {"date_get_day", DateGetDay, 1},
    {"date_get_hour", DateGetHour, 1},
    {"date_get_minute", DateGetMinute, 1},
    {"date_get_second", DateGetSecond, 1},
    {"date_get_weekday", DateGetWeekday, 1},
    {"date_get_day_of_year", DatePositionInYear<86400, 86400>, 1},
    {"date_get_hour_of_year", DatePositionInYear<3600, 0>, 1},
    {"date_get_minute_of_year", DatePositionInYear<60, 0>, 1},
    {"date_get_second_of_year", DatePositionInYear<1, 0>, 1},
    {"date_year_span", DateSpan<4, 1461>, 2},
    {"date_month_span", DateSpan<48, 1461>, 2},
    {"date_week_span", DateSpan<1, 7>, 2},
    {"date_day_span", DateSpan<1, 1>, 2},
    {"date_hour_span", DateSpan<24, 1>, 2},
    {"date_minute_span", DateSpan<1440, 1>, 2},
    {"date_second_span", DateSpan<86400, 1>, 2},
    {"date_compare_datetime", DateCompareDatetime, 2},
    {"date_compare_date", DateCompareDate, 2},
    {"date_compare_time", DateCompareTime, 2},
    {"date_date_of", DateDateOf, 1},
    {"date_time_of", DateTimeOf, 1},
    {"date_datetime_string", DateString<'c'>, 1},
    {"date_date_string", DateString<'x'>, 1},
    {"date_time_string", DateString<'X'>, 1},
    {"date_days_in_month", DateDaysInMonth, 1},
    {"date_days_in_year", DateDaysInYear, 1},
    {"date_leap_year", DateLeapYear, 1},
    {"date_is_today", DateIsToday, 1},
    {"date_set_timezone", DateSetTimezone, 1},
    {"date_get_timezone", DateGetTimezone, 0},
};
static_assert(std::size(kDateFunctions) == 49);

}  // namespace

namespace misc {

void RegisterDateFunctions(uint8_t flag) {
  for (const Registration& r : kDateFunctions) Builtin_Add(r.name, r.handler, r.argumentCount, flag);
}

}  // namespace misc
