// The dialogs: fitting a text into a dialog, the asynchronous queue and its event 63 maps (the
// desktop answered by a script), the limits on texts, headless answers, a stand-in zenity on
// PATH, and the dialog still open when the game ends.
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "functions/interaction_call.h"
#include "functions/lifecycle.h"
#include "platform/window/zenity.h"

namespace {

using namespace interaction_test;

// Every character 10 pixels wide, every line 20 high.
void TenByTwenty(const char*, size_t length, bool, int32_t* width, int32_t* height) {
  *width = static_cast<int32_t>(length) * 10;
  *height = 20;
}

class DialogFitTest : public testing::Test {
 protected:
  void SetUp() override { previous = Dialog_SetTextMeasure(TenByTwenty); }
  void TearDown() override { Dialog_SetTextMeasure(previous); }
  DialogTextMeasure previous = nullptr;
};

TEST_F(DialogFitTest, ThePromptTakesItsLinesAndTheControlsBelowMoveWithIt) {
  const DialogLayout before = Dialog_Template(kDialogInput);
  DialogLayout layout = before;
  DialogLayout copy = before;
  const DialogRect prompt = copy.Find(kDialogIdInputPrompt)->rect;
  Dialog_FitText(&layout, "one\rtwo\rthree", kDialogIdInputPrompt, false,
                 {kDialogIdOk, kDialogIdCancel, kDialogIdInputEdit});
  const int32_t delta = prompt.top + 3 * 20 - prompt.bottom;
  EXPECT_EQ(layout.Find(kDialogIdInputPrompt)->rect.Height(), 60);
  EXPECT_EQ(layout.frame.Height(), before.frame.Height() + delta);
  EXPECT_EQ(layout.frame.Width(), before.frame.Width());
  for (int32_t id : {kDialogIdOk, kDialogIdCancel, kDialogIdInputEdit}) {
    EXPECT_EQ(layout.Find(id)->rect.top, copy.Find(id)->rect.top + delta) << id;
  }

  // A line wider than the control takes as many rows as it needs.
  const int32_t width = prompt.Width();
  layout = before;
  const std::string wide(static_cast<size_t>(width / 10 * 2 + 1), 'x');
  Dialog_FitText(&layout, wide.c_str(), kDialogIdInputPrompt, false, {});
  EXPECT_EQ(layout.Find(kDialogIdInputPrompt)->rect.Height(), 3 * 20);
}

TEST_F(DialogFitTest, AnEmptyMessageShrinksTheDialogAndAMissingControlChangesNothing) {
  const DialogLayout before = Dialog_Template(kDialogMessage);
  DialogLayout layout = before;
  DialogLayout copy = before;
  const int32_t textHeight = copy.Find(kDialogIdMessageText)->rect.Height();
  Dialog_FitText(&layout, "", kDialogIdMessageText, false, {kDialogIdOk});
  EXPECT_EQ(layout.frame.Height(), before.frame.Height() - textHeight);
  EXPECT_EQ(layout.Find(kDialogIdMessageText)->rect.Height(), 0);
  EXPECT_EQ(layout.Find(kDialogIdOk)->rect.top, copy.Find(kDialogIdOk)->rect.top - textHeight);

  layout = before;
  Dialog_FitText(&layout, "text", kDialogIdInputPrompt, false, {kDialogIdOk});
  EXPECT_EQ(layout.frame.Height(), before.frame.Height());
  EXPECT_EQ(layout.Find(kDialogIdOk)->rect.top, copy.Find(kDialogIdOk)->rect.top);
}

// Each kind's answers as event 63 delivers them.
TEST_F(InteractionTest, AsynchronousAnswersArriveAsDialogEvents) {
  const struct {
    const char* name;
    const char* function;
    std::vector<const char*> args;
    std::vector<std::pair<int32_t, std::string>> answers;  // the login asks twice
    std::vector<std::pair<std::string, std::string>> texts;
    std::vector<std::pair<std::string, double>> reals;
  } cases[] = {
      {"input OK", "get_string_async", {"Name", "x"}, {{kTextDialogOk, "12.5"}},
       {{"result", "12.5"}}, {{"value", 12.5}, {"status", 1}}},
      {"input Cancel", "get_integer_async", {"Age", "3"}, {{kTextDialogCancel, ""}},
       {{"result", ""}}, {{"value", 0}, {"status", 0}}},
      {"question Yes", "show_question_async", {"Sure?"}, {{kTextDialogOk, ""}},
       {{"result", "1"}}, {{"value", 1}, {"status", 1}}},
      {"question No", "show_question_async", {"Sure?"}, {{kTextDialogCancel, ""}},
       {{"result", ""}}, {{"value", 0}, {"status", 0}}},
      {"message", "show_message_async", {"Hello"}, {{kTextDialogCancel, ""}}, {}, {{"status", 1}}},
      {"login", "get_login_async", {"me", "pw"}, {{kTextDialogOk, "ab"}, {kTextDialogOk, "secret#1"}},
       {{"username", "ab"}, {"password", "secret#1"}}, {{"status", 3}}},
      {"login without a name", "get_login_async", {"", ""}, {{kTextDialogOk, ""}, {kTextDialogOk, "pw"}},
       {{"username", ""}, {"password", "pw"}}, {{"status", 0}}},
      {"login cancelled at the name", "get_login_async", {"me", "pw"}, {{kTextDialogCancel, ""}},
       {{"username", ""}, {"password", ""}}, {{"status", 0}}},
      {"login cancelled at the password", "get_login_async", {"me", "pw"},
       {{kTextDialogOk, "ab"}, {kTextDialogCancel, ""}}, {{"username", ""}, {"password", ""}}, {{"status", 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    script = ScriptedDialogs{};
    std::vector<RValue> args;
    for (const char* a : c.args) args.push_back(Text(a));
    const double id = CallReal(c.function, std::move(args));
    EXPECT_EQ(Dialog_OpenRequest(), static_cast<int32_t>(id));
    EXPECT_TRUE(Phase().empty()) << "nothing before the answer";
    for (const auto& answer : c.answers) {
      script.answers.push_back(answer);
      Dialog_Poll();
    }
    EXPECT_EQ(Dialog_OpenRequest(), -1);
    const std::vector<Event> events = Phase();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].number, 63);
    EXPECT_EQ(events[0]["id"].real, id);
    for (const auto& [key, text] : c.texts) EXPECT_EQ(events[0][key].text, text) << key;
    for (const auto& [key, real] : c.reals) {
      EXPECT_FALSE(events[0][key].isText) << key;
      EXPECT_EQ(events[0][key].real, real) << key;
    }
    EXPECT_EQ(events[0].map.entries.size(), c.texts.size() + c.reals.size() + 1);
  }
  // The login asks for the name, then for the password in a hidden field.
  ASSERT_EQ(script.shown.size(), 2u);
  EXPECT_EQ(script.shown[0].kind, TextDialogKind::Input);
  EXPECT_EQ(script.shown[0].title, "Login");
  EXPECT_EQ(script.shown[0].entryText, "me");
  EXPECT_EQ(script.shown[1].kind, TextDialogKind::Password);
  EXPECT_EQ(script.shown[1].entryText, "pw");
}

TEST_F(InteractionTest, OneAsynchronousDialogIsOpenAtATime) {
  const double first = CallReal("get_string_async", {Text("First"), Text("")});
  const double second = CallReal("get_string_async", {Text("Second"), Text("")});
  EXPECT_NE(first, second);
  ASSERT_EQ(script.shown.size(), 1u);
  EXPECT_EQ(script.shown[0].text, "First");

  // A modal question meanwhile answers only itself.
  script.answers = {{kTextDialogOk, ""}};
  EXPECT_EQ(CallReal("show_question", {Text("Modal?")}), 1.0);
  EXPECT_EQ(Dialog_OpenRequest(), static_cast<int32_t>(first));
  EXPECT_TRUE(Phase().empty());

  script.answers = {{kTextDialogOk, "one"}};
  Dialog_Poll();
  ASSERT_EQ(script.shown.size(), 2u) << "the second waits for the first one's event";
  std::vector<Event> events = Phase();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]["id"].real, first);
  EXPECT_EQ(events[0]["result"].text, "one");
  ASSERT_EQ(script.shown.size(), 3u);
  EXPECT_EQ(script.shown[2].text, "Second");
  EXPECT_EQ(Dialog_OpenRequest(), static_cast<int32_t>(second));

  script.answers = {{kTextDialogOk, "two"}};
  Dialog_Poll();
  events = Phase();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]["id"].real, second);
  EXPECT_EQ(events[0]["result"].text, "two");

  // A completion for a request that left the queue changes nothing.
  Dialog_Complete(static_cast<int32_t>(second), 1, "late");
  EXPECT_TRUE(Phase().empty());
}

TEST_F(InteractionTest, LongTextsAreKeptWithinTheirLimits) {
  std::string euros;
  for (int i = 0; i < 5000; ++i) euros += "\xE2\x82\xAC";
  script.answers = {{kTextDialogOk, euros}};
  const std::string kept = CallText("get_string", {Text("p"), Text("")});
  EXPECT_EQ(kept.size(), 4096u * 3);
  EXPECT_EQ(kept, euros.substr(0, 4096u * 3));

  // Characters beyond 16 bits take two units.
  std::string faces;
  for (int i = 0; i < 2049; ++i) faces += "\xF0\x9F\x98\x80";
  script.answers = {{kTextDialogOk, faces}};
  EXPECT_EQ(CallText("get_string", {Text("p"), Text("")}).size(), 2048u * 4);

  script.answers = {{kTextDialogOk, euros}};
  CallReal("get_string_async", {Text("p"), Text("")});
  Dialog_Poll();
  const std::vector<Event> events = Phase();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]["result"].text.size(), 4096u * 3);

  // A default over 8,193 bytes is cut at its last whole character.
  script = ScriptedDialogs{};
  const std::string longDefault = std::string(8192, 'a') + "\xE2\x82\xAC" + "tail";
  script.answers = {{kTextDialogCancel, ""}};
  Call("get_string", {Text("p"), Text(longDefault.c_str())});
  ASSERT_EQ(script.shown.size(), 1u);
  EXPECT_EQ(script.shown[0].entryText, std::string(8192, 'a'));
}

TEST_F(InteractionTest, HeadlessDialogsAnswerAtOnce) {
  g_IsHeadless = true;
  EXPECT_EQ(CallText("get_string", {Text("p"), Text("d")}), "");
  EXPECT_EQ(Call("get_integer", {Text("p"), Text("1")}).Kind(), VALUE_UNDEFINED);
  EXPECT_EQ(CallReal("show_question", {Text("q")}), 0.0);
  const double input = CallReal("get_string_async", {Text("p"), Text("d")});
  output.text.clear();
  std::vector<Event> events = Phase();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]["id"].real, input);
  EXPECT_EQ(events[0]["status"].real, 0);
  const double message = CallReal("show_message_async", {Text("Saved#ok")});
  const double question = CallReal("show_question_async", {Text("q")});
  const double login = CallReal("get_login_async", {Text("me"), Text("pw")});
  EXPECT_EQ(output.text, "Made with Tolvarine: Saved\nok\n");
  // Each opens, and so answers, once the event of the one before it is built: one phase gives all.
  events = Phase();
  ASSERT_EQ(events.size(), 3u);
  const std::pair<double, double> answers[] = {{message, 1.0}, {question, 0.0}, {login, 0.0}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(events[i]["id"].real, answers[i].first);
    EXPECT_EQ(events[i]["status"].real, answers[i].second);
  }
  EXPECT_TRUE(script.shown.empty());

  // Where nothing can be shown, the same answers.
  g_IsHeadless = false;
  script.available = false;
  EXPECT_EQ(CallReal("show_question", {Text("q")}), 0.0);
  CallReal("get_login_async", {Text("me"), Text("pw")});
  events = Phase();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]["username"].text, "");
  EXPECT_EQ(events[0]["password"].text, "");
}

// The desktop helper itself, a stand-in on PATH.
class ZenityDialogTest : public InteractionTest {
 protected:
  void SetUp() override {
    InteractionTest::SetUp();
    Dialog_SetBackend(savedBackend);
    bin = root + "/bin";
    ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
    oldPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", (bin + ":" + oldPath).c_str(), 1);
    setenv("DISPLAY", ":77", 1);
  }
  void TearDown() override {
    setenv("PATH", oldPath.c_str(), 1);
    unsetenv("DISPLAY");
    InteractionTest::TearDown();
  }
  void Helper(const std::string& body) {
    WriteAll(bin + "/zenity", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + bin + "/args.txt\"\n" + body);
    chmod((bin + "/zenity").c_str(), 0755);
  }
  std::string Args() { return ReadAll(bin + "/args.txt"); }
  // Pumps until the open dialog answered (at most 10 seconds).
  bool WaitForAnswer() {
    for (int i = 0; i < 1000 && Dialog_OpenRequest() >= 0; ++i) {
      Dialog_Poll();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return Dialog_OpenRequest() < 0;
  }
  std::string bin, oldPath;
};

TEST_F(ZenityDialogTest, TheHelperAsksAndAnswers) {
  Helper("printf 'hello\\n'\n");
  const double id = CallReal("get_string_async", {Text("Your_name \\ here#"), Text("a#b")});
  ASSERT_TRUE(WaitForAnswer());
  const std::vector<Event> events = Phase();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]["id"].real, id);
  EXPECT_EQ(events[0]["result"].text, "hello");
  EXPECT_EQ(events[0]["status"].real, 1);
  const std::string args = Args();
  EXPECT_EQ(args.rfind("--entry\n--text=Your__name \\\\ here#\n--entry-text=a\nb\n--title=Made with Tolvarine\n", 0),
            0u)
      << args;

  // Escape, closing or No: exit code 1.
  Helper("exit 1\n");
  EXPECT_EQ(CallReal("show_question", {Text("<b>Sure?</b>")}), 0.0);
  EXPECT_EQ(Args().rfind("--question\n--no-markup\n--text=<b>Sure?</b>\n--title=Made with Tolvarine\n", 0), 0u);
  Helper("exit 0\n");
  EXPECT_EQ(CallReal("show_question", {Text("Sure?")}), 1.0);
  // A message ends as OK however it closes.
  Helper("exit 5\n");
  CallReal("show_message_async", {Text("Bye")});
  ASSERT_TRUE(WaitForAnswer());
  const std::vector<Event> message = Phase();
  ASSERT_EQ(message.size(), 1u);
  EXPECT_EQ(message[0]["status"].real, 1);
  EXPECT_EQ(Args().rfind("--info\n--no-markup\n--text=Bye\n", 0), 0u);

  // Not installed: answered at once as Cancel.
  setenv("PATH", (bin + "/none").c_str(), 1);
  CallReal("get_string_async", {Text("p"), Text("")});
  const std::vector<Event> missing = Phase();
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_EQ(missing[0]["status"].real, 0);
}

// The game's end takes the open helper with it, and the queue empties.
TEST_F(ZenityDialogTest, TheGameEndEndsTheOpenDialog) {
  Helper("echo $$ > \"" + bin + "/pid.txt\"\nexec sleep 30\n");
  CallReal("get_string_async", {Text("p"), Text("")});
  CallReal("get_string_async", {Text("q"), Text("")});
  ASSERT_GE(Dialog_OpenRequest(), 0);
  std::string pid;
  for (int i = 0; i < 500 && pid.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    pid = ReadAll(bin + "/pid.txt");
  }
  ASSERT_FALSE(pid.empty());
  File_CloseAll();
  EXPECT_EQ(Dialog_OpenRequest(), -1);
  EXPECT_EQ(g_pHttpHead, nullptr);
  EXPECT_NE(kill(std::stoi(pid), 0), 0) << "the helper has ended";
  EXPECT_TRUE(Phase().empty());
}

}  // namespace
