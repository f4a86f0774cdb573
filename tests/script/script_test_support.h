// Helpers shared by the script-object and instance tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "assets/sprite_table.h"
#include "core/console.h"
#include "core/value.h"
#include "vm/variable_names.h"
#include "runtime/error_report.h"
#include "host/frame_loop.h"
#include "runtime/game_flags.h"
#include "world/physics_service.h"
#include "script/variable_list.h"
#include "script/wx_object.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/object.h"
#include "world/room.h"

// Collects what is written to the debug console while it lives.
class DebugConsoleCapture {
 public:
  DebugConsoleCapture() : m_previous(g_pDebugConsole) { g_pDebugConsole = &m_capture; }
  ~DebugConsoleCapture() { g_pDebugConsole = m_previous; }
  DebugConsoleCapture(const DebugConsoleCapture&) = delete;
  DebugConsoleCapture& operator=(const DebugConsoleCapture&) = delete;

  std::string Text() const { return m_capture.Text() != nullptr ? m_capture.Text() : ""; }
  int Occurrences(const std::string& what) const {
    const std::string text = Text();
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
  }

 private:
  TErrStreamConsole m_capture;
  tagIConsole* m_previous;
};

// A clean world for each test: no objects, sprites, names, rooms, queued changes or recorded
// physics; object mode and the option flags off. What a test leaves behind is taken down again.
class WorldTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    Room_Current = nullptr;
    Room_Carried.clear();
    InstanceIdTable.Clear(kDisposeNone);
    Reset();
  }

  static void Reset() {
    Game_SetObjectMode(false);
    Options_SetFlags(0);
    Object_Shutdown();
    Sprite_DeleteAll();
    Variable_ClearNames();
    InstanceQueues_Clear();
    Room_Current = nullptr;
    Event_PassCounter = 0;
    error_last = SharedString_Unref(error_last);
    error_occurred = false;
    Error_ClearSuppression();
    g_RoomChangeCode = kRoomChangeNone;
  }

  // A definition at the next object index.
  static CObject* NewObject(const char* name, int32_t depth = 0, uint32_t flags = kObjectFlagVisible) {
    CObject* o = Object_Data(Object_Add());
    o->SetName(name);
    o->depth = depth;
    o->flags = flags;
    return o;
  }

  // The message of the last error, taken out of its report (between the header's blank lines
  // and the rule that closes the report's head).
  static std::string LastError() {
    const std::string report = error_last != nullptr && error_last->text != nullptr ? error_last->text : "";
    const size_t start = report.find(":\n\n\n");
    const size_t end = report.rfind("\n" + std::string(92, '#') + "\n");
    if (start == std::string::npos || end == std::string::npos || end < start + 4) return report;
    return report.substr(start + 4, end - (start + 4));
  }
};

inline RValue Real(double d) { return RValue_MakeReal(d); }
