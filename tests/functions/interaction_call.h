// The Interaction group registered in an otherwise empty table, over a temporary program directory
// and save area, with the game's output console captured, runtime errors captured, and the
// dialogs answered by a script instead of the desktop.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "core/run_switches.h"
#include "functions/dialogs.h"
#include "functions/highscore.h"
#include "functions/lifecycle.h"
#include "functions/load_stand_in.h"
#include "functions/math_call.h"
#include "runtime/game_header.h"
#include "host/host_fixture.h"
#include "io/input.h"
#include "io/main_window.h"
#include "net/async_test_support.h"

namespace interaction_test {

using math_test::Call;
using math_test::CallReal;
using math_test::CallText;
using math_test::Real;
using math_test::Text;

// The scripted desktop: every dialog shown is kept; answers are taken in order.
struct ScriptedDialogs {
  bool available = true;
  std::vector<TextDialogSpec> shown;
  std::deque<std::pair<int32_t, std::string>> answers;  // (kTextDialogOk or kTextDialogCancel, text)
  bool open = false;
  int closed = 0;
};
inline ScriptedDialogs* g_script = nullptr;

inline std::pair<int32_t, std::string> NextAnswer() {
  if (g_script->answers.empty()) return {kTextDialogCancel, ""};
  auto answer = g_script->answers.front();
  g_script->answers.pop_front();
  return answer;
}
inline int32_t ScriptRun(const TextDialogSpec& spec, std::string* text) {
  if (!g_script->available) return kTextDialogUnavailable;
  g_script->shown.push_back(spec);
  const auto answer = NextAnswer();
  *text = answer.second;
  return answer.first;
}
inline bool ScriptOpen(const TextDialogSpec& spec) {
  if (!g_script->available || g_script->open) return false;
  g_script->shown.push_back(spec);
  g_script->open = true;
  return true;
}
// The open dialog closes only when an answer waits for it.
inline bool ScriptPoll(int32_t* answer, std::string* text) {
  if (!g_script->open || g_script->answers.empty()) return false;
  g_script->open = false;
  const auto next = NextAnswer();
  *answer = next.first;
  *text = next.second;
  return true;
}
inline void ScriptClose() {
  g_script->open = false;
  ++g_script->closed;
}

// One event the asynchronous phase delivered: its number and its map's entries.
struct Event {
  int32_t number = 0;
  async_test::MapEvent map;
  const async_test::Value& operator[](const std::string& key) const {
    static const async_test::Value kMissing{true, "<missing>", 0.0};
    const async_test::Value* v = map.Find(key);
    return v != nullptr ? *v : kMissing;
  }
};
inline std::vector<Event> g_events;
inline void RecordEvent(int32_t number) {
  Event e;
  e.number = number;
  e.map.entries = async_test::MapEntries(g_AsyncLoad);
  g_events.push_back(std::move(e));
}

class InteractionTest : public HostFilesTest {
 protected:
  void SetUp() override {
    HostFilesTest::SetUp();
    savedOutput = g_pOutputConsole;
    g_pOutputConsole = &output;
    g_IsHeadless = false;
    g_GameHeader.displayName.reset();
    Builtin_Shutdown();
    Score_Init();
    InitInteractionFunctions();
    g_script = &script;
    DialogBackend backend;
    backend.run = ScriptRun;
    backend.open = ScriptOpen;
    backend.poll = ScriptPoll;
    backend.close = ScriptClose;
    savedBackend = Dialog_SetBackend(backend);
    g_IOInputState = IO_InputState{};
    g_events.clear();
  }
  void TearDown() override {
    Dialog_Shutdown();
    Async_Shutdown();
    Dialog_SetBackend(savedBackend);
    g_script = nullptr;
    g_IOInputState = IO_InputState{};
    g_IsHeadless = true;
    Builtin_Shutdown();
    g_GameHeader.displayName.reset();
    WindowState_Reset();
    g_pOutputConsole = savedOutput;
    HostFilesTest::TearDown();
  }

  // One asynchronous phase: every answered dialog's event, in order.
  std::vector<Event> Phase() {
    g_events.clear();
    Async_ProcessQueue(RecordEvent);
    return std::move(g_events);
  }

  RuntimeErrorCapture errors;
  CaptureConsole output;
  tagIConsole* savedOutput = nullptr;
  ScriptedDialogs script;
  DialogBackend savedBackend;
};

}  // namespace interaction_test
