// The error reporter: the report's texts, the dialog text, and what an error does to the game
// (Ignore goes on, a fatal error or Abort ends the game and silences later errors).
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "core/run_switches.h"
#include "core/stack_trace.h"
#include "core/value.h"
#include "host/command_line.h"
#include "runtime/game_header.h"
#include "io/environment.h"
#include "host/error_dialog.h"
#include "runtime/error_report.h"
#include "host/frame_loop.h"
#include "host/host_test_support.h"
#include "host/loop_test_support.h"
#include "core/memory_manager.h"
#include "platform/window/messages.h"
#include "world/event_context.h"

namespace {

const std::string kHashes(92, '#');
const std::string kDashes(92, '-');
const std::string kDialogRule = "\r\n" + std::string(43, '_') + "\r\n";

// What the report looks like around its header and position line, with no trace frames.
std::string Report(const std::string& header, const std::string& position = "") {
  return kHashes + "\n" + header + "\n" + position + kHashes + "\n" + kDashes + "\n";
}

ErrorReportContext ObjectEvent() {
  ErrorReportContext c;
  c.event = EventContext{3, 0, 2, 1};
  c.eventName = "Step Event";
  c.ownerName = "obj_player";
  return c;
}

ErrorReportContext ByteCode(const char* function, bool debugInfo) {
  ErrorReportContext c = ObjectEvent();
  c.byteCode = true;
  c.position.codeName = "gml_Object_obj_player_Step_0";
  c.position.hasDebugInfo = debugInfo;
  c.position.functionName = function;
  c.position.line = 12;
  c.position.sourceLine = "x += speed;";
  return c;
}

TEST(ErrorReportText, HeaderNamesWhereTheErrorHappened) {
  ErrorReportContext timeline;
  timeline.event = EventContext{kEventTypeTimeline, 120, 4, 0};
  timeline.ownerName = "tl_intro";
  ErrorReportContext fragment;
  fragment.event.type = kEventTypeShader;
  fragment.shaderName = "sh_glow";
  fragment.fragmentShader = true;
  ErrorReportContext vertex = fragment;
  vertex.fragmentShader = false;

  const struct {
    const char* name;
    bool fatal;
    ErrorReportContext context;
    std::string expected;
  } cases[] = {
      {"object event", false, ObjectEvent(),
       Report("ERROR in\naction number 2\nof Step Event\nfor object obj_player:\n\n\nboom")},
      {"fatal", true, ObjectEvent(),
       Report("FATAL ERROR in\naction number 2\nof Step Event\nfor object obj_player:\n\n\nboom")},
      {"timeline moment", false, timeline,
       Report("ERROR in\naction number 1\nat time step120\nof time line tl_intro:\n\n\nboom")},
      {"fragment shader, always fatal", false, fragment,
       Report("FATAL ERROR in Fragment Shader compilation\n\nShaderName: sh_glow\n\n\nboom\n")},
      {"vertex shader", true, vertex,
       Report("FATAL ERROR in Vertex Shader compilation\n\nShaderName: sh_glow\n\n\nboom\n")},
      {"byte code with debug information", false, ByteCode("scr_move", true),
       Report("ERROR in\naction number 2\nof Step Event\nfor object obj_player:\n\n\nboom",
              " at scr_move (line 12) - x += speed;\n")},
      {"byte code, no function named", false, ByteCode(nullptr, true),
       Report("ERROR in\naction number 2\nof Step Event\nfor object obj_player:\n\n\nboom",
              " at gml_Object_obj_player_Step_0 (line 12) - x += speed;\n")},
      {"byte code without debug information", false, ByteCode("scr_move", false),
       Report("ERROR in\naction number 2\nof Step Event\nfor object obj_player:\n\n\nboom",
              "at gml_Object_obj_player_Step_0\n")},
      {"compiled object event names its action", false, ByteCode("tll_Object_obj_player_Step_0_7", true),
       Report("ERROR in\naction number 7\nof Step Event\nfor object obj_player:\n\n\nboom",
              " at tll_Object_obj_player_Step_0_7 (line 12) - x += speed;\n")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Error_BuildReport(c.fatal, "boom", c.context), c.expected);
  }
}

TEST(ErrorReportText, TraceListsTheCallersNewestFirst) {
  StackTraceFrame outer{nullptr, "scr_outer", 5};
  StackTraceFrame builtin{&outer, "instance_create", -1};
  StackTraceFrame inner{&builtin, "scr_inner", 0};
  ErrorReportContext context = ObjectEvent();
  context.trace = &inner;
  const std::string report = Error_BuildReport(false, "boom", context);
  const std::string tail = kHashes + "\n" + kDashes +
                           "\ncalled from - scr_inner (line 0)\ncalled from - instance_create\n"
                           "called from - scr_outer (line 5)\n";
  ASSERT_GE(report.size(), tail.size());
  EXPECT_EQ(report.substr(report.size() - tail.size()), tail);
}

TEST(ErrorReportText, MessagesAreTakenAsTheyAre) {
  const struct {
    const char* message;
    std::string shown;
  } cases[] = {
      {"100% sure: %s %n %d %%", "100% sure: %s %n %d %%"},
      {nullptr, ""},
      {"two\nlines", "two\nlines"},
  };
  for (const auto& c : cases) {
    const std::string report = Error_BuildReport(false, c.message, ObjectEvent());
    EXPECT_EQ(report, Report("ERROR in\naction number 2\nof Step Event\nfor object obj_player:\n\n\n" + c.shown));
  }
}

TEST(ErrorReportText, AnOverlongHeaderIsCutOnACharacter) {
  const struct {
    std::string message;
  } cases[] = {{std::string(40000, 'x')}, {[] {
                 std::string s;
                 for (int i = 0; i < 20000; ++i) s += "\xC3\xA9";
                 return s;
               }()}};
  for (const auto& c : cases) {
    const std::string report = Error_BuildReport(true, c.message.c_str(), ObjectEvent());
    const size_t headerEnd = report.find("\n" + kHashes, 1);
    const size_t header = headerEnd - (kHashes.size() + 1);
    EXPECT_LE(header, 32767u);
    EXPECT_GE(header, 32766u);
    // The last character of the header is whole.
    const unsigned char last = static_cast<unsigned char>(report[headerEnd - 1]);
    EXPECT_TRUE(last < 0x80 || (last & 0xC0u) == 0x80u);
    EXPECT_NE(last, 0xC3);
  }
}

TEST(ErrorReportText, DialogTextHasOneBreakPerLineEnd) {
  const struct {
    const char* text;
    std::string shown;
  } cases[] = {
      {"a\r\nb", "a\r\nb"},
      {"a\nb", "a\r\nb"},
      {"a\rb", "a\r\nb"},
      {"a\n\nb", "a\r\nb"},          // a blank line between paragraphs is lost
      {"a\n\n\nb", "a\r\n\r\nb"},
      {"a\r\n\r\nb", "a\r\n\r\nb"},  // two CR LF pairs stay two breaks
      {"\tx\ty", "       x       y"},
      {"end\n", "end\r\n"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Error_FormatDialogBody(c.text), kDialogRule + c.shown) << c.text;
  }
  // Tabs widen the text past its working size of twice its length + 256: it is cut there.
  const std::string tabs(100, '\t');
  EXPECT_EQ(Error_FormatDialogBody(tabs.c_str()).size(), 2 * tabs.size() + 255);
}

TEST(ErrorReportText, ALongReportIsCutToWhatABoxShows) {
  std::string lines;
  for (int i = 0; i < 100; ++i) lines += "line " + std::to_string(i) + "\r\n";
  const std::string fitted = ErrorDialog_FitText(lines);
  EXPECT_EQ(fitted.rfind("line 0\nline 1\n", 0), 0u);
  EXPECT_NE(fitted.find("line 39\n"), std::string::npos);
  EXPECT_EQ(fitted.find("line 40"), std::string::npos);
  EXPECT_NE(fitted.find("(The whole report is in the log.)"), std::string::npos);

  const std::string wide(10000, 'w');
  const std::string cut = ErrorDialog_FitText(wide);
  EXPECT_LT(cut.size(), kErrorBoxMaxBytes + 64);
  EXPECT_EQ(cut.rfind(std::string(1000, 'w'), 0), 0u);

  EXPECT_EQ(ErrorDialog_FitText("short\r\nreport\r\n"), "short\nreport\n");
}

// A scripted dialog back end: answers in order, and what each box showed.
struct ShownBox {
  std::string title;
  std::string text;
  std::vector<int> buttons;
};
std::deque<int> g_answers;
std::vector<ShownBox> g_boxes;
std::vector<std::string> g_clipboard;

bool Available() { return true; }
int ShowBox(const char* title, const char* text, const ErrorDialogButton* buttons, int count) {
  ShownBox box{title, text, {}};
  for (int i = 0; i < count; ++i) box.buttons.push_back(buttons[i].id);
  g_boxes.push_back(box);
  if (g_answers.empty()) return kErrorButtonAbort;  // never hold a test in the dialog
  const int answer = g_answers.front();
  g_answers.pop_front();
  return answer;
}
void SetClipboard(const char* text) { g_clipboard.emplace_back(text); }

const std::vector<int> kWithIgnore = {kErrorButtonAbort, kErrorButtonIgnore, kErrorButtonCopy, kErrorButtonClear};
const std::vector<int> kWithoutIgnore = {kErrorButtonAbort, kErrorButtonCopy, kErrorButtonClear};

class ErrorShowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_headless = g_IsHeadless;
    m_showErrors = g_RunnerOptions.showErrors;
    m_outputFile = g_OutputFileName;
    m_logPath = host_test::MakeScratchDir("errors") + "/output.log";
    Console_SetOutputFile(m_logPath.c_str());
    g_IsHeadless = false;
    g_RunnerOptions.showErrors = true;
    g_GameOptions = GameOptions{};
    Reset();
    ErrorDialogBackend backend;
    backend.available = &Available;
    backend.showBox = &ShowBox;
    backend.setClipboard = &SetClipboard;
    m_backend = ErrorDialog_SetBackend(backend);
  }
  void TearDown() override {
    ErrorDialog_SetBackend(m_backend);
    g_IsHeadless = m_headless;
    g_RunnerOptions.showErrors = m_showErrors;
    Console_SetOutputFile(m_outputFile.c_str());
    g_GameOptions = GameOptions{};
    Event_Current = EventContext{};
    Reset();
  }
  static void Reset() {
    Error_ClearSuppression();
    error_last = SharedString_Unref(error_last);
    error_occurred = false;
    g_RoomChangeCode = kRoomChangeNone;
    g_answers.clear();
    g_boxes.clear();
    g_clipboard.clear();
    WindowMessage message;
    while (Window_PeekMessage(&message)) {
    }
  }
  static std::string LastError() { return error_last != nullptr ? error_last->text : ""; }
  static bool QuitPosted() {
    WindowMessage message;
    bool quit = false;
    while (Window_PeekMessage(&message)) quit = quit || message.message == WM_QUIT;
    return quit;
  }

  loop_test::FakeClock m_clock;  // the dialog's settling sleeps take no time
  ErrorDialogBackend m_backend;
  bool m_headless = false;
  bool m_showErrors = true;
  std::string m_outputFile;
  std::string m_logPath;
};

TEST_F(ErrorShowTest, IgnoreGoesOnWithTheGame) {
  g_answers = {kErrorButtonIgnore, kErrorButtonIgnore};
  Error_Report(false, "speed is not a number");
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].title, "Code Error");
  EXPECT_EQ(g_boxes[0].buttons, kWithIgnore);
  // The dialog's rule, then the report with its three line feeds taken as two breaks.
  EXPECT_EQ(g_boxes[0].text.rfind("\n" + std::string(43, '_') + "\n" + kHashes + "\n", 0), 0u);
  EXPECT_NE(g_boxes[0].text.find("<undefined>:\n\nspeed is not a number\n"), std::string::npos);
  EXPECT_NE(LastError().find("speed is not a number"), std::string::npos);
  EXPECT_TRUE(error_occurred);
  EXPECT_EQ(g_RoomChangeCode, kRoomChangeNone);
  EXPECT_FALSE(Error_Suppressed());
  EXPECT_FALSE(QuitPosted());
  // The next error is reported as well.
  Error_Report(false, "again");
  EXPECT_EQ(g_boxes.size(), 2u);
  EXPECT_NE(LastError().find("again"), std::string::npos);
}

TEST_F(ErrorShowTest, FatalErrorsAndAbortEndTheGameAndSilenceLaterErrors) {
  const struct {
    const char* name;
    bool fatal;
    bool everyErrorFatal;
    int answer;
    std::vector<int> buttons;
  } cases[] = {
      {"fatal", true, false, kErrorButtonAbort, kWithoutIgnore},
      {"abort", false, false, kErrorButtonAbort, kWithIgnore},
      {"every error is fatal", false, true, kErrorButtonAbort, kWithoutIgnore},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    g_GameOptions.everyErrorFatal = c.everyErrorFatal;
    g_answers = {c.answer};
    Error_Report(c.fatal, "first");
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].buttons, c.buttons);
    EXPECT_EQ(g_RoomChangeCode, kRoomChangeQuit);
    EXPECT_TRUE(Error_Suppressed());
    EXPECT_TRUE(QuitPosted());
    const std::string first = LastError();
    EXPECT_NE(first.find("first"), std::string::npos);
    // Errors raised while the game winds down (Room End events, say) are not reported at all.
    Error_Report(false, "second");
    Error_Show("third", true);
    EXPECT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(LastError(), first);
    EXPECT_FALSE(QuitPosted());
  }
}

TEST_F(ErrorShowTest, WithoutADialogErrorsAreLoggedAndAFatalOneStillEnds) {
  const struct {
    const char* name;
    bool headless;
    bool showErrors;
    bool installedBackend;
  } cases[] = {
      {"headless", true, true, true},
      {"-noerrors", false, false, true},
      {"no display", false, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_IsHeadless = c.headless;
    g_RunnerOptions.showErrors = c.showErrors;
    const ErrorDialogBackend scripted = ErrorDialog_SetBackend({});
    if (c.installedBackend) ErrorDialog_SetBackend(scripted);
    for (bool fatal : {false, true}) {
      Reset();
      std::remove(m_logPath.c_str());
      Error_Report(fatal, "unattended");
      EXPECT_TRUE(g_boxes.empty());
      EXPECT_EQ(g_RoomChangeCode, fatal ? kRoomChangeQuit : kRoomChangeNone);
      EXPECT_EQ(host_test::ReadFile(m_logPath), "ERROR!!! :: " + LastError() + "\n");
    }
    ErrorDialog_SetBackend(scripted);
  }
}

TEST_F(ErrorShowTest, CopyAndClearKeepTheDialogUntilAChoiceIsMade) {
  g_answers = {kErrorButtonCopy, kErrorButtonClear, kErrorButtonCopy, kErrorBoxClosed, kErrorButtonIgnore};
  Error_Report(false, "copy me");
  ASSERT_EQ(g_boxes.size(), 5u);
  // Copy puts the dialog's text on the clipboard; after Clear there is nothing left to copy.
  ASSERT_EQ(g_clipboard.size(), 1u);
  EXPECT_EQ(g_clipboard[0], Error_FormatDialogBody(LastError().c_str()));
  EXPECT_EQ(g_boxes[1].text, g_boxes[0].text);
  for (size_t i = 2; i < g_boxes.size(); ++i) EXPECT_EQ(g_boxes[i].text, " ");
  EXPECT_EQ(g_RoomChangeCode, kRoomChangeNone);
}

TEST_F(ErrorShowTest, ABoxThatCannotBeShownDoesNotHoldTheGame) {
  g_answers = {kErrorBoxFailed};
  Error_Report(false, "no box");
  EXPECT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_RoomChangeCode, kRoomChangeNone);
}

TEST_F(ErrorShowTest, TheReportComesFromTheRunningGameAndIsLoggedWhole) {
  g_IsHeadless = true;
  Event_Current = EventContext{kEventTypeTimeline, 30, 0, 2};
  const std::string message = "bad value " + std::string(9000, 'v') + " end";
  {
    StackTraceScope outer("scr_spawn", 14);
    StackTraceScope inner("instance_create", -1);
    Error_Report(false, message.c_str());
  }
  EXPECT_EQ(LastError(), Report("ERROR in\naction number 3\nat time step30\nof time line <undefined>:\n\n\n" + message)
                                 .append("called from - instance_create\ncalled from - scr_spawn (line 14)\n"));
  EXPECT_EQ(g_pStackTrace, nullptr);
  // The log holds the whole report, though it is far longer than a log line.
  EXPECT_EQ(host_test::ReadFile(m_logPath), "ERROR!!! :: " + LastError() + "\n");
}

TEST(EnvironmentTest, VariablesAreReadAsNewTexts) {
  setenv("TOLVARINE_TEST_VARIABLE", "value \xC3\xA9", 1);
  setenv("TOLVARINE_TEST_EMPTY", "", 1);
  unsetenv("TOLVARINE_TEST_UNSET");
  const struct {
    const char* name;
    const char* value;
  } cases[] = {
      {"TOLVARINE_TEST_VARIABLE", "value \xC3\xA9"},
      {"TOLVARINE_TEST_EMPTY", ""},
      {"TOLVARINE_TEST_UNSET", nullptr},
      {"", nullptr},
      {nullptr, nullptr},
  };
  for (const auto& c : cases) {
    char* value = Win32_GetEnvironmentVariable(c.name);
    if (c.value == nullptr) {
      EXPECT_EQ(value, nullptr);
    } else {
      ASSERT_NE(value, nullptr);
      EXPECT_STREQ(value, c.value);
      EXPECT_TRUE(MemoryManager_IsAllocated(value));
      MemoryManager_Free(value);
    }
  }
}

}  // namespace
