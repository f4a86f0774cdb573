// Lumbrix loaded in-process as the runner loads it: the game half's record provider installed,
// a different game named with -game and lying beside it, the built-in container read, scanned
// and loaded, and every link bound.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "assets/background.h"
#include "assets/lifecycle.h"
#include "assets/sprite_table.h"
#include "core/function_registry.h"
#include "host/game_loader.h"
#include "host/host_test_support.h"
#include "io/input.h"
#include "io/program.h"
#include "lumbrix/names.h"
#include "runtime/game_header.h"
#include "runtime/host_state.h"
#include "runtime/runner_options.h"
#include "vm/registry_lifecycle.h"
#include "world/lifecycle.h"

class LumbrixGameTest : public testing::Test {
 protected:
  void SetUp() override {
    g_RunnerOptions = RunnerOptions();
    g_GameOptions = GameOptions();
    GameHeader_Reset();
    Variable_BuiltIn_Init();
    lumbrix::Install();
    m_dir = host_test::MakeScratchDir("lumbrix");
    host_test::WriteFile(m_dir + "/data.win", host_test::MinimalContainer());
    Host_ReplaceText(&g_pGameFilePath, (m_dir + "/data.win").c_str());
    RunnerLoadGame();
    Game_ScanHeader(Game_Container(), Game_ContainerSize());
    ASSERT_NE(Game_Container(), nullptr);
    ASSERT_TRUE(Game_LoadChunks(Game_Container(), Game_ContainerSize()));
    IO_Init();
    IO_Update();  // the first update takes the input state as it stands
  }
  void TearDown() override {
    IO_Reset();
    Game_SetLinkRecordProvider(nullptr);
    // What the loaded chunks made, as the runner's teardown frees it.
    Room_Shutdown();
    Object_Shutdown();
    Sprite_Shutdown();
    Background_Shutdown();
    Font_Shutdown();
    TimeLine_Shutdown();
    Script_Shutdown();
    GR_Texture_Shutdown();
    Runner_FreeGameData();
    Builtin_Shutdown();
    Host_FreeText(&g_pGameFilePath);
    Win32_ForgetProgramDirectory();
  }

  std::string m_dir;
};
