// The date functions of the Misc group in a fixed zone: UTC, and central European time with its
// daylight-saving rule written out (no zone database needed), read in local time or in UTC.
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "core/registry_test_support.h"
#include "functions/load_stand_in.h"
#include "functions/math_call.h"
#include "platform/system/calendar.h"
#include "runtime/date_time.h"
#include "world/builtin_variables.h"

namespace {

using math_test::Call;
using math_test::CallReal;
using math_test::CallText;
using math_test::Real;

constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr double kHalfSecond = 0.5 / 86400.0;

// Sets an environment variable for the life of the object, then puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    const char* old = std::getenv(name);
    m_had = old != nullptr;
    if (m_had) m_old = old;
    setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (m_had) {
      setenv(m_name, m_old.c_str(), 1);
    } else {
      unsetenv(m_name);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* m_name;
  bool m_had = false;
  std::string m_old;
};

double D(const char* name, std::vector<double> args = {}) {
  std::vector<RValue> values;
  for (double d : args) values.push_back(Real(d));
  return CallReal(name, std::move(values));
}

class DateFunctionsTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    InitMiscFunctions();
    Date_SetUtc(false);
  }
  void TearDown() override {
    Date_SetUtc(false);
    RegistryTest::TearDown();
  }
};

// Local time in a UTC zone, and the UTC setting in a zone that is not UTC, read alike.
struct Setting {
  const char* tz;
  double zone;
};
constexpr Setting kUtcSettings[] = {{"UTC", 0}, {kCentralEurope, 1}};

TEST_F(DateFunctionsTest, TheSecondDayOf1970) {
  for (const Setting& s : kUtcSettings) {
    SCOPED_TRACE(s.tz);
    ScopedEnv tz("TZ", s.tz);
    D("date_set_timezone", {s.zone});
    const double day = D("date_create_date", {1970, 1, 2});
    EXPECT_DOUBLE_EQ(day, 25570.0 + kHalfSecond);
    const struct {
      const char* name;
      double answer;
    } fields[] = {
        {"date_get_year", 1970}, {"date_get_month", 1}, {"date_get_day", 2}, {"date_get_hour", 0},
        {"date_get_minute", 0}, {"date_get_second", 0}, {"date_get_weekday", 5}, {"date_get_week", 0},
        {"date_get_day_of_year", 2}, {"date_get_hour_of_year", 24}, {"date_get_minute_of_year", 1440},
        {"date_get_second_of_year", 86400}, {"date_days_in_month", 31}, {"date_days_in_year", 365},
        {"date_leap_year", 0},
    };
    for (const auto& f : fields) EXPECT_EQ(D(f.name, {day}), f.answer) << f.name;
    EXPECT_DOUBLE_EQ(D("date_create_datetime", {1970, 1, 2, 13, 4, 5}), day + (13 * 3600 + 4 * 60 + 5) / 86400.0);
    // Month 13 is January of the next year.
    EXPECT_EQ(D("date_get_year", {D("date_create_date", {2015, 13, 1})}), 2016);
    EXPECT_EQ(D("date_get_year", {25569.00005}), 1970) << "near the epoch converts like any other value";
  }
}

TEST_F(DateFunctionsTest, ValidDatesAndTimes) {
  const struct {
    const char* name;
    std::vector<double> args;
    double answer;
  } cases[] = {
      {"date_valid_date", {2000, 2, 29}, 1}, {"date_valid_date", {1900, 2, 29}, 0},
      {"date_valid_date", {2001, 2, 29}, 0}, {"date_valid_date", {1969, 12, 31}, 0},
      {"date_valid_date", {1970, 1, 1}, 1},  {"date_valid_date", {2015, 4, 31}, 0},
      {"date_valid_date", {2015, 0, 1}, 0},  {"date_valid_date", {2015, 13, 1}, 0},
      {"date_valid_date", {2015, 1, 0}, 0},  {"date_valid_time", {24, 0, 0}, 0},
      {"date_valid_time", {-1, 0, 0}, 0},    {"date_valid_time", {23, 59, 59}, 1},
      {"date_valid_time", {0, 60, 0}, 0},    {"date_valid_time", {0, 0, 60}, 0},
      {"date_valid_datetime", {2000, 2, 29, 23, 59, 59}, 1}, {"date_valid_datetime", {2000, 2, 29, 24, 0, 0}, 0},
      {"date_valid_datetime", {2001, 2, 29, 0, 0, 0}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(D(c.name, c.args), c.answer) << c.name << " " << c.args[0] << " " << c.args[1];
}

TEST_F(DateFunctionsTest, MovingDatesNormalisesInUtc) {
  ScopedEnv tz("TZ", kCentralEurope);
  // Moving ignores the zone: a week from a local date across the change to summer time is still
  // seven whole days.
  const double d = D("date_create_datetime", {2015, 3, 25, 10, 0, 0});
  // Differences of dates near 42000 keep about 1e-11 of a day: far below a second.
  constexpr double kClose = 1e-9;
  EXPECT_NEAR(D("date_inc_week", {d, 1}) - d, 7.0, kClose);
  EXPECT_NEAR(D("date_inc_day", {d, -1}) - d, -1.0, kClose);
  EXPECT_NEAR(D("date_inc_hour", {d, 25}) - d, 25.0 / 24.0, kClose);
  EXPECT_NEAR(D("date_inc_minute", {d, 90}) - d, 90.0 / 1440.0, kClose);
  EXPECT_NEAR(D("date_inc_second", {d, 61}) - d, 61.0 / 86400.0, kClose);
  D("date_set_timezone", {1});
  const double moved = D("date_inc_month", {D("date_create_date", {2001, 1, 31}), 1});
  EXPECT_EQ(D("date_get_month", {moved}), 3);
  EXPECT_EQ(D("date_get_day", {moved}), 3);
  const double leapDay = D("date_create_date", {2000, 2, 29});
  const double nextYear = D("date_inc_year", {leapDay, 1});
  EXPECT_EQ(D("date_get_month", {nextYear}), 3);
  EXPECT_EQ(D("date_get_day", {nextYear}), 1);
  // A date that cannot be converted, a move out of 1970 and on, or past the fields' range: -1.
  for (const std::vector<double>& args : std::vector<std::vector<double>>{{0, 1}, {25570.5, -2}, {d, 2147483647}}) {
    EXPECT_EQ(D("date_inc_day", args), -1.0) << args[0] << " " << args[1];
  }
  EXPECT_EQ(D("date_inc_year", {d, 2147483647}), -1.0);
  EXPECT_EQ(D("date_inc_week", {d, 2147483647}), -1.0);
}

TEST_F(DateFunctionsTest, SpansComparisonsAndParts) {
  const double a = 42000.25;
  const double b = a + 14;
  EXPECT_EQ(D("date_day_span", {a, b}), D("date_day_span", {b, a}));
  EXPECT_EQ(D("date_week_span", {a, b}), 2.0);
  EXPECT_EQ(D("date_hour_span", {a, a + 1}), 24.0);
  EXPECT_EQ(D("date_minute_span", {a, a + 1}), 1440.0);
  EXPECT_EQ(D("date_second_span", {a, a + 1}), 86400.0);
  EXPECT_DOUBLE_EQ(D("date_year_span", {a, a + 365.25}), 1.0);
  EXPECT_DOUBLE_EQ(D("date_month_span", {a, a + 365.25}), 12.0);
  const struct {
    const char* name;
    double x, y, answer;
  } cases[] = {
      {"date_compare_date", 40000.9, 40000.1, 0},      {"date_compare_date", 40001.1, 40000.9, 1},
      {"date_compare_time", 40000.9, 40001.1, 1},      {"date_compare_time", 40000.5, 40003.5, 0},
      {"date_compare_datetime", 1, 2, -1},             {"date_compare_datetime", 2, 2, 0},
      {"date_compare_datetime", 3, 2, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(D(c.name, {c.x, c.y}), c.answer) << c.name << " " << c.x << " " << c.y;
  EXPECT_EQ(D("date_date_of", {40000.9}), 40000.0);
  EXPECT_DOUBLE_EQ(D("date_time_of", {40000.25}), 0.25);
  EXPECT_EQ(D("date_date_of", {1e300}), -2147483648.0) << "outside int32: the processor's marker, defined";
  EXPECT_DOUBLE_EQ(D("date_create_time", {12, 0, 0}), 0.5 + kHalfSecond);
  EXPECT_DOUBLE_EQ(D("date_create_time", {25, 0, 0}), (25 * 3600 + 0.5) / 86400.0);
}

TEST_F(DateFunctionsTest, YearsAndMonths) {
  ScopedEnv tz("TZ", "UTC");
  EXPECT_EQ(D("date_days_in_year", {D("date_create_date", {2016, 6, 1})}), 366);
  EXPECT_EQ(D("date_days_in_year", {D("date_create_date", {2015, 6, 1})}), 365);
  EXPECT_EQ(D("date_days_in_month", {D("date_create_date", {2015, 2, 10})}), 28);
  EXPECT_EQ(D("date_days_in_month", {D("date_create_date", {2016, 2, 10})}), 29);
  EXPECT_EQ(D("date_days_in_month", {D("date_create_date", {2016, 4, 10})}), 30);
  EXPECT_EQ(D("date_leap_year", {D("date_create_date", {2000, 6, 1})}), 1);
  EXPECT_EQ(D("date_leap_year", {D("date_create_date", {2100, 6, 1})}), 0);
  EXPECT_EQ(D("date_get_day_of_year", {D("date_create_date", {2016, 12, 31})}), 366);
  EXPECT_EQ(D("date_get_week", {D("date_create_date", {2016, 1, 8})}), 1);
}

TEST_F(DateFunctionsTest, DatesBefore1970FailAlike) {
  ScopedEnv tz("TZ", kCentralEurope);
  for (const double bad : {0.0, 25568.5, std::nan(""), 1e300, -1e300, std::numeric_limits<double>::infinity()}) {
    SCOPED_TRACE(bad);
    for (const char* name : {"date_get_year", "date_get_month", "date_get_week", "date_get_day", "date_get_hour",
                             "date_get_minute", "date_get_second", "date_get_weekday"}) {
      EXPECT_EQ(D(name, {bad}), -1.0) << name;
    }
    for (const char* name : {"date_get_day_of_year", "date_get_hour_of_year", "date_get_minute_of_year",
                             "date_get_second_of_year", "date_days_in_month", "date_leap_year", "date_is_today"}) {
      EXPECT_EQ(D(name, {bad}), 0.0) << name;
    }
    EXPECT_EQ(D("date_days_in_year", {bad}), 365.0);
    EXPECT_EQ(CallText("date_datetime_string", {Real(bad)}), "invalid time");
  }
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
  // Building one is the fatal error, in either setting; so is every year before 1900.
  for (const double zone : {0.0, 1.0}) {
    D("date_set_timezone", {zone});
    for (const std::vector<double>& args : std::vector<std::vector<double>>{{1969, 12, 31}, {1800, 1, 1}}) {
      RuntimeErrorCapture::Reset();
      const math_test::Answer answer = Call("date_create_date", {Real(args[0]), Real(args[1]), Real(args[2])});
      EXPECT_EQ(RuntimeErrorCapture::LastError(), "invalid date conversion - dates earlier than 1 Jan 1970 will be incorrect");
      EXPECT_EQ(RuntimeErrorCapture::Exits(), 1);
    }
  }
}

TEST_F(DateFunctionsTest, LocalTimeFollowsTheZoneAndItsSummerTime) {
  ScopedEnv tz("TZ", kCentralEurope);
  const double summer = D("date_create_datetime", {2015, 7, 1, 12, 0, 0});
  const double winter = D("date_create_datetime", {2015, 1, 15, 12, 0, 0});
  EXPECT_EQ(D("date_get_hour", {summer}), 12);
  EXPECT_EQ(D("date_get_timezone"), 0);
  EXPECT_EQ(D("date_set_timezone", {5}), 0);
  EXPECT_EQ(D("date_get_timezone"), 1);
  EXPECT_EQ(D("date_get_hour", {summer}), 10);
  EXPECT_EQ(D("date_get_hour", {winter}), 11);
  // A UTC date made now reads two hours later in local summer time.
  const double utcNoon = D("date_create_datetime", {2015, 7, 1, 12, 0, 0});
  EXPECT_DOUBLE_EQ(summer + 2.0 / 24.0, utcNoon);
  D("date_set_timezone", {0});
  EXPECT_EQ(D("date_get_timezone"), 0);
  EXPECT_EQ(D("date_get_hour", {utcNoon}), 14);
}

TEST_F(DateFunctionsTest, TheCurrentTimeAndTheCurrentVariables) {
  ScopedEnv tz("TZ", kCentralEurope);
  const double before = Date_FromSeconds(System_UnixSeconds());
  const double now = D("date_current_datetime");
  const double date = D("date_current_date");
  const double time = D("date_current_time");
  const double after = Date_FromSeconds(System_UnixSeconds());
  for (const double v : {now, date, time}) {
    EXPECT_GE(v, before);
    EXPECT_LE(v, after);
  }
  EXPECT_EQ(D("date_is_today", {now}), 1);
  EXPECT_EQ(D("date_is_today", {now - 2}), 0);

  // current_hour reads the selected zone: here local and UTC never agree.
  Variable_BuiltIn_InitGlobal();
  const BuiltinVariable* hour = Variable_BuiltinEntry(Variable_BuiltinFind("current_hour"));
  ASSERT_NE(hour, nullptr);
  auto utcHour = [] {
    std::tm t{};
    System_BreakDownTime(System_UnixSeconds(), true, &t);
    return t.tm_hour;
  };
  for (const double zone : {1.0, 0.0}) {
    D("date_set_timezone", {zone});
    const int32_t first = utcHour();
    RValue read = RValue_MakeUndefined();
    ASSERT_TRUE(hour->getter(nullptr, 0, &read));
    const int32_t last = utcHour();
    const auto got = static_cast<int32_t>(read.val);
    if (zone == 1.0) {
      EXPECT_TRUE(got == first || got == last) << got;
    } else {
      EXPECT_TRUE(got != first && got != last) << got;
    }
  }
}

TEST_F(DateFunctionsTest, TextFormsInTheUsersLocale) {
  ScopedEnv tz("TZ", "UTC");
  ScopedEnv locale("LC_ALL", "C");
  const double day = D("date_create_date", {1970, 1, 2});
  EXPECT_EQ(CallText("date_date_string", {Real(day)}), "01/02/70");
  EXPECT_EQ(CallText("date_time_string", {Real(day + 0.5)}), "12:00:00");
  EXPECT_EQ(CallText("date_datetime_string", {Real(day)}), "Fri Jan  2 00:00:00 1970");
  EXPECT_EQ(CallText("date_date_string", {Real(0)}), "invalid time");
  // A locale that does not exist falls back to C.
  ScopedEnv missing("LC_ALL", "xx_XX.NOPE");
  EXPECT_EQ(CallText("date_date_string", {Real(day)}), "01/02/70");
}

}  // namespace
