// Helpers shared by the tests of the function, variable and constant registries.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/asset_names_stand_in.h"
#include "assets/font.h"
#include "assets/sprite_table.h"
#include "audio/audio_engine.h"
#include "audio/sound_names_stand_in.h"
#include "vm/constants.h"
#include "core/function_registry.h"
#include "core/registry_message.h"
#include "vm/script_table.h"
#include "core/value_test_util.h"
#include "vm/variable_names.h"
#include "host/command_line.h"
#include "runtime/game_flags.h"
#include "runtime/game_header.h"
#include "vm/extension_names_stand_in.h"
#include "render/shader_names_stand_in.h"
#include "world/asset_names_stand_in.h"
#include "world/object.h"
#include "world/room_table.h"

// Rooms named as given (room_add rooms renamed), for tests of lookups by name; none for count 0.
inline void Room_SetNamesForTest(const char* const* names, int32_t count) {
  Room_FreeDefinitions();
  for (int32_t i = 0; i < count; ++i) Room_SetName(Room_Add(), names[i]);
}

// Records what the registries show in message boxes while it lives.
class MessageBoxRecorder {
 public:
  MessageBoxRecorder() : m_previous(Registry_SetMessageSink(&Record)) { Texts().clear(); }
  ~MessageBoxRecorder() { Registry_SetMessageSink(m_previous); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  static std::vector<std::string>& Texts() {
    static std::vector<std::string> texts;
    return texts;
  }

 private:
  static void Record(const char* text) { Texts().emplace_back(text); }
  RegistryMessageSink m_previous;
};

inline void SetNames(void (*set)(const char* const*, int32_t), std::initializer_list<const char*> names) {
  set(names.begin(), static_cast<int32_t>(names.size()));
}

// Empty registries around each test: no built-in functions, variables, names or constants, no
// assets, scripts or extension functions, a compiled game of byte-code version 14.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }

  static void Reset() {
    Builtin_Shutdown();
    Variable_Shutdown();
    Variable_ClearNames();
    Constant_Free();
    for (auto set : {Script_SetNames, Extension_StandInSetFunctionNames, Background_StandInSetNames,
                     Font_SetNamesForTest, Sound_StandInSetNames, Audio_SetNames, Path_StandInSetNames,
                     TimeLine_StandInSetNames, Room_SetNamesForTest, Shader_StandInSetNames}) {
      set(nullptr, 0);
    }
    Object_Shutdown();
    Sprite_DeleteAll();
    Game_SetCompiledMode(true);
    Game_SetObjectMode(false);
    Options_SetFlags(0);
    g_GameHeader.versionAtLeast15 = false;
    g_RunnerOptions.restrictedExternals = false;
  }

  MessageBoxRecorder m_messages;
  RuntimeErrorCapture m_errors;
};

// A handler that does nothing; tables of them tell entries apart by address.
inline void NoOpHandler(RValue*, CInstance*, CInstance*, int32_t, RValue*) {}
inline void OtherHandler(RValue*, CInstance*, CInstance*, int32_t, RValue*) {}
