#include "platform/system/calendar.h"

#include <locale.h>
#include <time.h>

#include <cerrno>
#include <limits>

int64_t System_UnixSeconds() { return static_cast<int64_t>(::time(nullptr)); }

bool System_BreakDownTime(int64_t seconds, bool utc, std::tm* out) {
  if (seconds < std::numeric_limits<time_t>::min() || seconds > std::numeric_limits<time_t>::max()) return false;
  const auto t = static_cast<time_t>(seconds);
  if (utc) return gmtime_r(&t, out) != nullptr;
  // localtime_r need not look at TZ again; a changed zone must count from the next call on.
  tzset();
  return localtime_r(&t, out) != nullptr;
}

bool System_MakeTime(std::tm* fields, bool utc, int64_t* seconds) {
  errno = 0;
  const time_t t = utc ? timegm(fields) : mktime(fields);
  // -1 is also one second before 1970; only errno tells the failure apart.
  if (t == static_cast<time_t>(-1) && errno != 0) return false;
  *seconds = static_cast<int64_t>(t);
  return true;
}

std::string System_FormatTime(const std::tm& fields, const char* format) {
  locale_t locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) locale = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
  char text[1024];
  size_t length = 0;
  if (locale != static_cast<locale_t>(0)) {
    length = strftime_l(text, sizeof text, format, &fields, locale);
    freelocale(locale);
  }
  return std::string(text, length);
}
