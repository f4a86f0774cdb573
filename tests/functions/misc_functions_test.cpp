// The Misc group: its registration, events and alarms of the calling instance, variables by
// name, debug output and the debug-overlay switch, on the world driver.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "core/console.h"
#include "functions/load_stand_in.h"
#include "functions/math_call.h"
#include "render/lifecycle.h"
#include "script/lifecycle.h"
#include "vm/variable_access.h"
#include "world/commands.h"
#include "world/world_driver.h"

namespace {

using math_test::Answer;
using math_test::Call;
using math_test::Real;
using math_test::Text;

// The group in the table (loading a game registers it; a bare registry does not).
void RegisterMisc() {
  int32_t id = -1;
  if (!Builtin_FindCallable("variable_global_get", &id)) InitMiscFunctions();
}

class MiscRegistrationTest : public RegistryTest {};

TEST_F(MiscRegistrationTest, TheNinetyNineNamesInTheirOrderWithTheirCounts) {
  std::vector<std::pair<std::string, int32_t>> expected = {
      {"event_inherited", 0}, {"event_perform", 2}, {"event_user", 1}, {"event_perform_object", 3},
      {"external_define", -1}, {"external_call", -1}, {"external_free", 1},
  };
  for (int32_t n = 0; n <= 8; ++n) {
    expected.emplace_back("external_define" + std::to_string(n), n <= 4 ? n + 3 : 3);
    expected.emplace_back("external_call" + std::to_string(n), n + 1);
  }
  const std::vector<std::pair<std::string, int32_t>> rest = {
      {"window_handle", 0}, {"window_device", 0}, {"show_debug_message", 1}, {"show_debug_overlay", 1},
      {"set_program_priority", 1}, {"set_application_title", 1}, {"alarm_set", 2}, {"alarm_get", 1},
      {"variable_global_exists", 1}, {"variable_global_get", 1}, {"variable_global_array_get", 2},
      {"variable_global_array2_get", 3}, {"variable_global_set", 2}, {"variable_global_array_set", 3},
      {"variable_global_array2_set", 4}, {"variable_local_exists", 1}, {"variable_local_get", 1},
      {"variable_local_array_get", 2}, {"variable_local_array2_get", 3}, {"variable_local_set", 2},
      {"variable_local_array_set", 3}, {"variable_local_array2_set", 4}, {"clipboard_has_text", 0},
      {"clipboard_set_text", 1}, {"clipboard_get_text", 0}, {"date_current_datetime", 0},
      {"date_current_date", 0}, {"date_current_time", 0}, {"date_create_datetime", 6}, {"date_create_date", 3},
      {"date_create_time", 3}, {"date_valid_datetime", 6}, {"date_valid_date", 3}, {"date_valid_time", 3},
      {"date_inc_year", 2}, {"date_inc_month", 2}, {"date_inc_week", 2}, {"date_inc_day", 2}, {"date_inc_hour", 2},
      {"date_inc_minute", 2}, {"date_inc_second", 2}, {"date_get_year", 1}, {"date_get_month", 1},
      {"date_get_week", 1}, {"date_get_day", 1}, {"date_get_hour", 1}, {"date_get_minute", 1},
      {"date_get_second", 1}, {"date_get_weekday", 1}, {"date_get_day_of_year", 1}, {"date_get_hour_of_year", 1},
      {"date_get_minute_of_year", 1}, {"date_get_second_of_year", 1}, {"date_year_span", 2},
      {"date_month_span", 2}, {"date_week_span", 2}, {"date_day_span", 2}, {"date_hour_span", 2},
      {"date_minute_span", 2}, {"date_second_span", 2}, {"date_compare_datetime", 2}, {"date_compare_date", 2},
      {"date_compare_time", 2}, {"date_date_of", 1}, {"date_time_of", 1}, {"date_datetime_string", 1},
      {"date_date_string", 1}, {"date_time_string", 1}, {"date_days_in_month", 1}, {"date_days_in_year", 1},
      {"date_leap_year", 1}, {"date_is_today", 1}, {"date_set_timezone", 1}, {"date_get_timezone", 0},
  };
  expected.insert(expected.end(), rest.begin(), rest.end());
  ASSERT_EQ(expected.size(), 99u);

  for (const bool restricted : {false, true}) {
    SCOPED_TRACE(restricted ? "restricted" : "unrestricted");
    Builtin_Shutdown();
    g_RunnerOptions.restrictedExternals = restricted;
    InitMiscFunctions();
    std::vector<std::pair<std::string, int32_t>> want;
    for (const auto& e : expected) {
      if (!restricted || e.first.rfind("external_", 0) != 0) want.push_back(e);
    }
    ASSERT_EQ(want.size(), restricted ? 78u : 99u);
    ASSERT_EQ(g_BuiltinCount, static_cast<int32_t>(want.size()));
    for (int32_t k = 0; k < g_BuiltinCount; ++k) {
      EXPECT_EQ(g_BuiltinFunctions[k].name, want[k].first) << k;
      EXPECT_EQ(g_BuiltinFunctions[k].argumentCount, want[k].second) << want[k].first;
      EXPECT_NE(g_BuiltinFunctions[k].handler, nullptr) << want[k].first;
    }
  }
}

// What the output console receives while it lives.
class OutputCapture {
 public:
  OutputCapture() : m_previous(g_pOutputConsole) { g_pOutputConsole = &m_text; }
  ~OutputCapture() { g_pOutputConsole = m_previous; }
  OutputCapture(const OutputCapture&) = delete;
  OutputCapture& operator=(const OutputCapture&) = delete;
  std::string Text() const { return m_text.Text(); }

 private:
  TErrStreamConsole m_text;
  tagIConsole* m_previous;
};

TEST_F(MiscRegistrationTest, ShowDebugMessagePrintsTheTextFormAsALine) {
  InitMiscFunctions();
  OutputCapture output;
  Call("show_debug_message", {Real(3)});
  Call("show_debug_message", {Real(0.5)});
  Call("show_debug_message", {Text("hello %s")});
  Call("show_debug_message", {});
  const std::string longText(1000, 'a');
  Call("show_debug_message", {Text(longText.c_str())});
  EXPECT_EQ(output.Text(), "3\n0.50\nhello %s\n0\n" + longText + "\n");
}

TEST_F(MiscRegistrationTest, ShowDebugOverlaySwitchesOnlyBitTwo) {
  InitMiscFunctions();
  const int32_t saved = Debug_OverlayFlags;
  Debug_OverlayFlags = kDebugOverlayAudio | 0x1;
  Call("show_debug_overlay", {Real(1)});
  EXPECT_EQ(Debug_OverlayFlags, kDebugOverlayAudio | 0x1 | kDebugOverlayShow);
  Call("show_debug_overlay", {Real(0.5)});  // not above 0.5: false
  EXPECT_EQ(Debug_OverlayFlags, kDebugOverlayAudio | 0x1);
  Debug_OverlayFlags = ~0;
  Call("show_debug_overlay", {Real(0)});
  EXPECT_EQ(Debug_OverlayFlags, ~kDebugOverlayShow);
  Debug_OverlayFlags = saved;
}

// --- on the world driver -----------------------------------------------------------------------

class MiscWorldTest : public WorldDriverTest {
 protected:
  void SetUp() override {
    WorldDriverTest::SetUp();
    Hook() = nullptr;
    FreeGlobalObject();
  }
  void TearDown() override {
    Hook() = nullptr;
    WorldDriverTest::TearDown();
    FreeGlobalObject();
  }
  // Each test's game makes its own global object: user-variable ids start afresh with each game,
  // and a global object kept from an earlier one would hold its values under the same ids.
  static void FreeGlobalObject() {
    if (g_pGlobalObject == nullptr) return;
    WXObject_Free(g_pGlobalObject);
    g_pGlobalObject = nullptr;
  }
  // One room with an instance 100001 of the first object.
  void StartWith(std::vector<ObjtEntry> objects) {
    Start({{.x = 0, .y = 0, .object = 0, .id = 100001}}, objects);
    RegisterMisc();
  }
  static const char*& Hook() {
    static const char* call = nullptr;
    return call;
  }
  // Every logged run then calls the named function (without arguments) for its instance.
  static void CallFromHandlers(const char* name) {
    Hook() = name;
    OnEvent([](CInstance* self, CInstance*) {
      if (Hook() != nullptr) Call(Hook(), {}, self);
    });
  }
  static std::vector<int32_t> ObjectsSeen() {
    std::vector<int32_t> objects;
    for (const kit::EventSeen& e : Seen()) objects.push_back(e.object);
    return objects;
  }
};

TEST_F(MiscWorldTest, EventUserRunsTheOtherEventTenHigher) {
  StartWith({LoggingObject("thing", {{kEventOther, 10}, {kEventOther, 13}})});
  ClearLog();
  Call("event_user", {Real(0)}, Instance(100001));
  Call("event_perform", {Real(kEventOther), Real(13)}, Instance(100001));
  EXPECT_EQ(Log(), (std::vector<std::string>{"7/10 100001", "7/13 100001"}));
  // A number that wraps past the int32 range is an invalid event, refused without running anything.
  ClearLog();
  Call("event_user", {Real(2147483647)}, Instance(100001));
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(RuntimeErrorCapture::Take(), "Invalid event argument");
}

TEST_F(MiscWorldTest, EventInheritedRunsTheParentsEventOrNothing) {
  ObjtEntry child = LoggingObject("child", {{kEventOther, 11}});
  child.parent_index = 1;
  StartWith({child, LoggingObject("parent", {{kEventOther, 11}})});
  CallFromHandlers("event_inherited");
  ClearLog();
  Event_Perform(Instance(100001), Instance(100001), kEventOther, 11);
  // The child's handler, then the parent's; the parent has no parent of its own.
  EXPECT_EQ(ObjectsSeen(), (std::vector<int32_t>{0, 1}));

  CInstance* orphan = Command_CreateInstance(1, 0.0f, 0.0f);
  ASSERT_NE(orphan, nullptr);
  ClearLog();
  Event_Perform(orphan, orphan, kEventOther, 11);
  EXPECT_EQ(ObjectsSeen(), (std::vector<int32_t>{1}));

  // Outside an object event (a timeline moment names a timeline) nothing runs.
  ClearLog();
  Hook() = nullptr;
  Event_Current = EventContext{.type = kEventTypeTimeline, .number = 0, .objectIndex = 0};
  Call("event_inherited", {}, Instance(100001));
  Event_Current = EventContext{};
  EXPECT_TRUE(Log().empty());
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
}

TEST_F(MiscWorldTest, AlarmsOutsideZeroToElevenAreNotThere) {
  StartWith({Entry("thing")});
  CInstance* i = Instance(100001);
  EXPECT_EQ(math_test::CallReal("alarm_get", {Real(12)}), -1.0);
  Call("alarm_set", {Real(12), Real(5)}, i);
  Call("alarm_set", {Real(-1), Real(5)}, i);
  for (int32_t n = 0; n < kInstanceAlarmCount; ++n) EXPECT_EQ(i->GetAlarm(n), -1) << n;
  Call("alarm_set", {Real(0), Real(2.7)}, i);
  EXPECT_EQ(i->GetAlarm(0), 2);
  EXPECT_EQ(Call("alarm_get", {Real(0)}, i).Real(), 2.0);
  EXPECT_EQ(Call("alarm_get", {Real(12)}, i).Real(), -1.0);
}

TEST_F(MiscWorldTest, GlobalVariablesByName) {
  StartWith({Entry("thing")});
  CInstance* i = Instance(100001);
  Call("variable_global_set", {Text("v"), Real(7)}, i);
  EXPECT_EQ(Call("variable_global_get", {Text("v")}, i).Real(), 7.0);
  EXPECT_EQ(Call("variable_global_array_get", {Text("v"), Real(0)}, i).Real(), 7.0);
  EXPECT_EQ(Call("variable_global_exists", {Text("v")}, i).Real(), 1.0);
  Call("variable_global_array2_set", {Text("v"), Real(2), Real(3), Real(9)}, i);
  EXPECT_EQ(Call("variable_global_array2_get", {Text("v"), Real(2), Real(3)}, i).Real(), 9.0);
  Call("variable_global_array_set", {Text("v"), Real(4), Text("four")}, i);
  EXPECT_EQ(Call("variable_global_array_get", {Text("v"), Real(4)}, i).Text(), "four");
  // Only a variable holding an array with an element 0 exists; asking costs no report.
  const RValue three = Real(3);
  Variable_SetGlobal(Variable_FindOrAdd("plain"), ARRAY_INDEX_NONE, &three);
  EXPECT_EQ(Call("variable_global_exists", {Text("never_set")}, i).Real(), 0.0);
  EXPECT_EQ(Call("variable_global_exists", {Text("plain")}, i).Real(), 0.0);
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
  // Reading it keeps the read's fatal error.
  Call("variable_global_get", {Text("plain")}, i);
  EXPECT_EQ(RuntimeErrorCapture::Take(), "trying to index a variable which is not an array");
}

TEST_F(MiscWorldTest, IndicesFrom32000AreReportedAndNegativeOnesAreMissing) {
  StartWith({Entry("thing")});
  CInstance* i = Instance(100001);
  Call("variable_global_set", {Text("limits"), Real(7)}, i);
  Call("variable_local_set", {Text("w"), Real(8)}, i);
  struct Case {
    const char* name;
    const char* variable;
    std::vector<double> indices;
  };
  for (const Case& c : {Case{"variable_global_array_get", "limits", {32000}},
                        Case{"variable_global_array2_get", "limits", {0, 32000}},
                        Case{"variable_global_array2_get", "limits", {32000, 0}},
                        Case{"variable_local_array_get", "w", {40000}},
                        Case{"variable_local_array2_get", "w", {0, 32000}}}) {
    SCOPED_TRACE(c.name);
    std::vector<RValue> args = {Text(c.variable)};
    for (double d : c.indices) args.push_back(Real(d));
    const Answer answer = Call(c.name, std::move(args), i);
    EXPECT_EQ(answer.Kind(), VALUE_UNDEFINED);
    EXPECT_EQ(RuntimeErrorCapture::LastError(), "Array index >= 32000");
    EXPECT_EQ(RuntimeErrorCapture::Exits(), 0) << "not fatal";
    RuntimeErrorCapture::Reset();
  }
  Call("variable_global_array_set", {Text("limits"), Real(32000), Real(1)}, i);
  EXPECT_EQ(RuntimeErrorCapture::Take(), "Array index >= 32000");
  // Negative indices, and pairs whose packed index would leave the int32 range, name no element.
  Call("variable_global_array_set", {Text("limits"), Real(-1), Real(5)}, i);
  Call("variable_global_array2_set", {Text("limits"), Real(-70000), Real(0), Real(5)}, i);
  EXPECT_EQ(Call("variable_global_array_get", {Text("limits"), Real(-1)}, i).Real(), 0.0);
  EXPECT_EQ(Call("variable_global_array2_get", {Text("limits"), Real(-70000), Real(0)}, i).Real(), 0.0);
  EXPECT_EQ(Call("variable_local_array2_get", {Text("w"), Real(0), Real(-5)}, i).Real(), 0.0);
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
  RValue whole = RValue_MakeUndefined();
  ASSERT_TRUE(Variable_GetGlobal(Variable_FindOrAdd("limits"), ARRAY_INDEX_NONE, &whole));
  ASSERT_EQ(RValue_Kind(&whole), VALUE_ARRAY);
  EXPECT_EQ(whole.pArray->rowCount, 1) << "nothing was written";
  EXPECT_EQ(whole.pArray->rows[0].length, 1);
  RValue_Release(&whole);
}

TEST_F(MiscWorldTest, LocalVariablesAndBuiltInNamesGoToSelf) {
  StartWith({Entry("thing")});
  CInstance* i = Instance(100001);
  CInstance* other = Command_CreateInstance(0, 0.0f, 0.0f);
  ASSERT_NE(other, nullptr);
  i->SetPosition(12.0f, 5.0f);
  EXPECT_EQ(Call("variable_local_get", {Text("x")}, i).Real(), 12.0);
  // A built-in name in the global forms goes to self's variable too.
  EXPECT_EQ(Call("variable_global_get", {Text("x")}, i).Real(), 12.0);
  Call("variable_global_set", {Text("x"), Real(30)}, i);
  EXPECT_EQ(i->x, 30.0f);
  EXPECT_EQ(Call("variable_global_exists", {Text("x")}, i).Real(), 1.0);
  Call("variable_local_set", {Text("x"), Real(40)}, i);
  EXPECT_EQ(i->x, 40.0f);
  EXPECT_EQ(Call("variable_local_exists", {Text("x")}, i).Real(), 1.0);

  Call("variable_local_set", {Text("hp"), Real(3)}, i);
  EXPECT_EQ(Call("variable_local_get", {Text("hp")}, i).Real(), 3.0);
  EXPECT_EQ(Call("variable_local_exists", {Text("hp")}, i).Real(), 1.0);
  EXPECT_EQ(Call("variable_local_exists", {Text("hp")}, other).Real(), 0.0);
  EXPECT_EQ(Call("variable_global_exists", {Text("hp")}, i).Real(), 0.0) << "locals are not globals";
  Call("variable_local_array_set", {Text("hp"), Real(2), Real(6)}, other);
  EXPECT_EQ(Call("variable_local_array_get", {Text("hp"), Real(2)}, other).Real(), 6.0);
  EXPECT_EQ(Call("variable_local_exists", {Text("hp")}, other).Real(), 1.0);
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
}

}  // namespace
