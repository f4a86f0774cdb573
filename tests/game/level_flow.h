// The game from its first room with a save area of the test's own: the controller sends it to
// the menu, from where a test enters the test room holding its instances, as a level.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "io/load_save.h"
#include "lumbrix/flow.h"
#include "lumbrix_world.h"

class LevelFlowTest : public LumbrixWorldTest {
 protected:
  static constexpr int32_t kObControl = lumbrix::kObControl;
  static constexpr int32_t kObPlayer = lumbrix::kObPlayer;
  static constexpr int32_t kRmFirst = lumbrix::kRmFirst;
  static constexpr int32_t kRmMenu = lumbrix::kRmMenu;

  void SetUp() override {
    LumbrixWorldTest::SetUp();
    std::string pattern = std::string(TOLVARINE_TEST_TMP) + "/flow_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_saveRoot = pattern;
    // The save file goes to a save area of the test's own.
    const char* old = std::getenv("XDG_DATA_HOME");
    m_oldDataHome = old != nullptr ? old : "";
    m_hadDataHome = old != nullptr;
    setenv("XDG_DATA_HOME", m_saveRoot.c_str(), 1);
    Win32_FreeSaveDirectory();
  }
  void TearDown() override {
    LumbrixWorldTest::TearDown();
    Win32_FreeSaveDirectory();
    if (m_hadDataHome) {
      setenv("XDG_DATA_HOME", m_oldDataHome.c_str(), 1);
    } else {
      unsetenv("XDG_DATA_HOME");
    }
    std::filesystem::remove_all(m_saveRoot);
  }

  std::string SavePath() const { return m_saveRoot + "/Lumbrix/saveData.ini"; }
  void WriteSave(double unlocked) const {
    std::filesystem::create_directories(m_saveRoot + "/Lumbrix");
    std::ofstream(SavePath()) << "[data]\nunlocked=" << unlocked << "\n";
  }
  // The stored "unlocked" value; -1 without a save file or key.
  double Saved() const {
    std::ifstream in(SavePath());
    std::string line;
    while (std::getline(in, line)) {
      // unlocked="3.000000"
      if (line.rfind("unlocked=\"", 0) == 0) return std::atof(line.c_str() + 10);
    }
    return -1;
  }

  // The game from its first room, which sends it to the menu as it starts.
  void ToMenu(const std::vector<Record>& records = {}) { StartIn(kRmFirst, records, kRmMenu); }
  // From the menu into the test room, holding `records`.
  void IntoLevel(const std::vector<Record>& records) {
    ToMenu(records);
    Enter(kTestRoom);
  }
  static CInstance* Control() { return InstancesOf(kObControl).at(0); }
  static int32_t C() { return Control()->id; }
  // A player that is alive and on the wires: its object has no events to set it up.
  static CInstance* Player(double hp = 3, double chip = -1) {
    CInstance* player = InstancesOf(kObPlayer).at(0);
    Write(player, "hp", hp);
    Write(player, "chip", chip);
    Write(player, "grindSound", -1);
    return player;
  }
  static void Click(int32_t x, int32_t y) {
    MouseMove(x, y);
    MouseDown(1, x, y);
  }

  std::string m_saveRoot;
  std::string m_oldDataHome;
  bool m_hadDataHome = false;
};
