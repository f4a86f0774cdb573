// The built runner over a long run: a game that switches between a persistent hub and a level
// room in every step keeps its resident memory from its 100th step to its 10,000th.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "container/minimal.h"
#include "container/writer.h"
#include "host/host_test_support.h"

namespace {

using namespace host_test;
using container::RoomEntry;
using container::RoomInstanceEntry;
using container::RoomLayerEntry;

constexpr int32_t kFirstMark = 100;
constexpr int32_t kLastMark = 10000;

// The switcher's Create and Step events. Each step counts and goes to the other room (room_goto
// of 1 - room); at the two marks it writes a file named for the mark into the save area and waits,
// without switching, until the file "go" (after the first) or "stop" (after the last, which ends
// the game) exists.
std::string SwitcherCode() {
  const auto mark = [](const char* file, int32_t waiting) {
    return std::string("  push.s \"") + file + "\"\n  conv.s.v\n  call.i file_text_open_write 1\n" +
           "  call.i file_text_close 1\n  popz.v\n  push.i.i " + std::to_string(waiting) +
           "\n  pop.v.i global.waiting vflags=10\n  b done\n";
  };
  const auto waitFor = [](const char* label, const char* file, const std::string& then) {
    return std::string(label) + ":\n  push.s \"" + file + "\"\n  conv.s.v\n  call.i file_exists 1\n  conv.v.b\n" +
           "  bf done\n" + then + "  b done\n";
  };
  return ".code switcher_create\n"
         "  push.i.i 0\n  pop.v.i global.steps vflags=10\n"
         "  push.i.i 0\n  pop.v.i global.waiting vflags=10\n"
         "  ret.e\n"
         ".code switcher_step\n"
         "  push.v global.waiting vflags=10\n  push.i.i 1\n  set.i.v 3\n  bt first_wait\n"
         "  push.v global.waiting vflags=10\n  push.i.i 2\n  set.i.v 3\n  bt last_wait\n"
         "  push.v global.steps vflags=10\n  push.i.i 1\n  add.i.v\n  pop.v.v global.steps vflags=10\n"
         "  push.v global.steps vflags=10\n  push.i " +
         std::to_string(kFirstMark) + "\n  set.i.v 3\n  bf not_first\n" + mark("at_first", 1) +
         "not_first:\n"
         "  push.v global.steps vflags=10\n  push.i " +
         std::to_string(kLastMark) + "\n  set.i.v 3\n  bf switch\n" + mark("at_last", 2) +
         "switch:\n"
         "  push.i.i 1\n  push.v builtin.room vflags=10\n  sub.v.i\n  call.i room_goto 1\n  popz.v\n  b done\n" +
         waitFor("first_wait", "go", "  push.i.i 0\n  pop.v.i global.waiting vflags=10\n") +
         waitFor("last_wait", "stop", "  call.i game_end 0\n  popz.v\n") + "done:\n  ret.e\n";
}

// A room with its instances in an instances layer, a tiles layer and a background layer.
RoomEntry Room(const char* name, bool persistent, std::vector<RoomInstanceEntry> instances, int32_t firstTile) {
  RoomEntry room{.name = name, .width = 320, .height = 240, .speed = 1000000, .persistent = persistent,
                 .layer_format = 2};
  room.instances = instances;
  RoomLayerEntry things{.id = 1, .kind = 2, .depth_index = 0};
  for (const RoomInstanceEntry& i : instances) things.instance_ids.push_back(i.id);
  RoomLayerEntry ground{.id = 2, .kind = 3, .depth_index = 1};
  for (int32_t t = 0; t < 8; ++t) ground.tiles.push_back(container::RoomTileEntry{.x = 16 * t, .id = firstTile + t});
  RoomLayerEntry sky{.id = 3, .kind = 1, .depth_index = 2};
  room.layers = {things, ground, sky};
  return room;
}

void WriteGame(const std::string& path) {
  container::BytecodeProgram program;
  std::string error;
  ASSERT_TRUE(container::assemble_bytecode(SwitcherCode(), &program, &error)) << error;
  std::vector<container::ObjtEntry> objects(2);
  objects[0].name = "switcher";
  objects[0].persistent = true;
  objects[0].on(0, 0, 0).on(3, 0, 1);
  objects[1].name = "dweller";
  const auto at = [](int32_t id, int32_t object) { return RoomInstanceEntry{.x = id % 300, .y = 20, .object = object, .id = id}; };
  const RoomEntry rooms[] = {
      Room("hub", true, {at(100001, 0), at(100002, 1), at(100003, 1), at(100004, 1)}, 10000001),
      Room("level", false, {at(100005, 1), at(100006, 1), at(100007, 1), at(100008, 1)}, 10000101),
  };
  container::ContainerWriter writer;
  container::add_minimal_game(writer, rooms, objects, &program);
  const container::BuildResult built = writer.write_file(path);
  ASSERT_TRUE(built.ok()) << built.error;
}

// The process's resident set in KiB, -1 when it cannot be read.
long ResidentKiB(int pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

// The resident set once it has settled: the same over half a second while the game waits at a
// mark. The first second of a run grows it by tens of MiB whether the game steps or not (the
// graphics stack warming up), which says nothing of what the steps keep.
long SettledResidentKiB(int pid) {
  long last = ResidentKiB(pid);
  int same = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (same < 20 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    const long now = ResidentKiB(pid);
    same = now == last ? same + 1 : 0;
    last = now;
  }
  return last;
}

// Waits for the file the game writes into the save area; "" when the run ends or time runs out.
std::string WaitForMark(const StartedProgram& runner, const std::string& root, const std::string& name) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
  while (std::chrono::steady_clock::now() < deadline && IsRunning(runner)) {
    const std::string found = FindFile(root, name);
    if (!found.empty()) return found;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return "";
}

TEST(RunnerMemoryTest, TenThousandRoomSwitchesEndWhereTheFirstHundredLeftTheResidentMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer holds freed memory back, so the resident set grows by design";
#endif
  const std::string dir = MakeScratchDir("work");
  WriteGame(dir + "/switch.win");
  const std::string data = dir + "/data";
  std::filesystem::create_directories(data);
  StartedProgram runner =
      StartProgram(TOLVARINE_RUNNER, {"-game", "switch.win", "-debugoutput", "log.txt"}, dir, {{"XDG_DATA_HOME", data}});
  ASSERT_GE(runner.pid, 0);
  const int pid = runner.pid;

  const std::string first = WaitForMark(runner, data, "at_first");
  ASSERT_NE(first, "") << ReadFile(dir + "/log.txt");
  const long atFirst = SettledResidentKiB(pid);
  WriteFile(std::filesystem::path(first).parent_path().string() + "/go", "");
  const std::string last = WaitForMark(runner, data, "at_last");
  const long atLast = last.empty() ? -1 : SettledResidentKiB(pid);
  if (!last.empty()) WriteFile(std::filesystem::path(last).parent_path().string() + "/stop", "");
  const RunResult run = FinishProgram(runner, 60);
  ASSERT_NE(last, "") << ReadFile(dir + "/log.txt");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  std::cout << "resident memory after step " << kFirstMark << ": " << atFirst << " KiB; after step " << kLastMark
            << ": " << atLast << " KiB\n";
  RecordProperty("resident_kib_first", static_cast<int>(atFirst));
  RecordProperty("resident_kib_last", static_cast<int>(atLast));
  ASSERT_GT(atFirst, 0);
  EXPECT_LE(atLast - atFirst, 1024) << "grew from " << atFirst << " KiB to " << atLast << " KiB";
  EXPECT_GE(atLast - atFirst, -1024) << "from " << atFirst << " KiB to " << atLast << " KiB";
}

}  // namespace
