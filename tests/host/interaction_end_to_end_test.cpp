// The runner asks for a line of text through a stand-in of the desktop's dialog helper, shows the
// answer in its asynchronous dialog event, keeps a high score in "hiscore.dat", and finds it there
// again in its next run.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "container/minimal.h"
#include "host/host_test_support.h"

namespace {

using namespace host_test;

// Room creation code: show_message(highscore_name(1)); get_string_async("Name", "").
// The controller's Other event 63: show_message(async_load[? "result"]); highscore_add("AB", 100);
// game_end().
bool WriteGame(const std::string& path) {
  const std::string code =
      ".code room_start\n"
      "push.i.i 1\nconv.i.v\ncall.i highscore_name 1\ncall.i show_message 1\npopz.v\n"
      "push.s \"\"\nconv.s.v\npush.s \"Name\"\nconv.s.v\ncall.i get_string_async 2\npopz.v\nret.e\n"
      ".code controller_dialog\n"
      "push.s \"result\"\nconv.s.v\npush.v builtin.async_load vflags=10\ncall.i ds_map_find_value 2\n"
      "call.i show_message 1\npopz.v\n"
      "push.i.i 100\nconv.i.v\npush.s \"AB\"\nconv.s.v\ncall.i highscore_add 2\npopz.v\n"
      "call.i game_end 0\npopz.v\nret.e\n";
  container::BytecodeProgram program;
  std::string error;
  if (!container::assemble_bytecode(code, &program, &error)) {
    ADD_FAILURE() << error;
    return false;
  }
  std::vector<container::ObjtEntry> objects(1);
  objects[0].name = "controller";
  objects[0].on(7, 63, 1);
  container::RoomEntry room{.name = "room0", .width = 320, .height = 240, .speed = 30};
  room.creation_code = 0;
  room.instances = {{.x = 0, .y = 0, .object = 0, .id = 100001}};
  container::MinimalGameParts parts;
  parts.rooms = std::span(&room, 1);
  parts.objects = objects;
  parts.code = &program;
  container::ContainerWriter writer;
  container::add_minimal_game(writer, parts);
  const container::BuildResult built = writer.write_file(path);
  EXPECT_TRUE(built.ok()) << built.error;
  return built.ok();
}

TEST(InteractionEndToEnd, AnAnswerReachesTheDialogEventAndTheHighScoreOutlivesTheRun) {
  const std::string dir = MakeScratchDir("interaction_e2e");
  ASSERT_TRUE(WriteGame(dir + "/game.win"));
  const std::string bin = dir + "/bin";
  const std::string data = dir + "/data";
  std::filesystem::create_directories(bin);
  std::filesystem::create_directories(data);
  WriteFile(bin + "/zenity", "#!/bin/sh\nprintf 'hello\\n'\n");
  chmod((bin + "/zenity").c_str(), 0755);
  const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  const std::map<std::string, std::optional<std::string>> env = {
      {"XDG_DATA_HOME", data}, {"SDL_VIDEODRIVER", "offscreen"}, {"DISPLAY", ":77"}, {"PATH", bin + ":" + path}};

  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    std::filesystem::remove(dir + "/log.txt");
    const RunResult result = RunProgram(TOLVARINE_RUNNER, {"-game", "game.win"}, dir, env, 60);
    ASSERT_FALSE(result.timedOut) << result.output;
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const std::string first = run == 1 ? "<nobody>" : "AB";
    // The game's display name is the caption of its message boxes, which log their text here.
    EXPECT_EQ(FirstMissingInOrder(result.output, {"Minimal: " + first, "Minimal: hello"}), "") << result.output;
    const std::string scores = FindFile(data, "hiscore.dat");
    ASSERT_NE(scores, "") << result.output;
    // "AB" (12 bytes) and nine "<nobody>" (16 bytes each) after the 8 of the head.
    if (run == 1) {
      EXPECT_EQ(ReadFile(scores).size(), 164u);
    }
  }
}

}  // namespace
