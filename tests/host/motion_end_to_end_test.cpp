// The runner on a written game, its window on the offscreen video driver: an instance plans a route round a wall of solid
// instances with a motion grid and follows it as a path, while a second instance walks straight
// into the wall. The instances' collision events with the wall count how often each touched it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "container/minimal.h"
#include "host/host_test_support.h"

namespace {

using namespace host_test;

// Pushes whole numbers as script values, last argument first.
std::string PushArgs(std::initializer_list<int> reversed) {
  std::string code;
  for (int v : reversed) code += "push.i " + std::to_string(v) + "\nconv.i.v\n";
  return code;
}

// Objects: 0 "wall" (solid, a 32 x 32 block), 1 "mover", 2 "walker" (8 x 8 dots centred on their
// position). The room is 320 x 256: a column of walls at x 160 fills rows 0 to 6 of 32-pixel cells
// and leaves the bottom row open.
//
// mover Create: global.hits = 0; global.frames = 0;
//   grid = mp_grid_create(0, 0, 10, 8, 32, 32); mp_grid_add_instances(grid, wall, false);
//   p = path_add(); global.found = mp_grid_path(grid, p, x, y, 272, 48, true); path_start(p, 6, 0, true)
// mover Step: ++global.frames; at frame 120:
//   show_debug_message("arrived " + string(x) + " " + string(y) + " " + string(global.hits) + " " +
//                      string(global.straight) + " " + string(global.found)); game_end()
// mover Collision with wall: ++global.hits.
// walker Create: global.straight = 0; hspeed = 6.   walker Collision with wall: ++global.straight.
std::string Code() {
  std::string code;
  code += ".code mover_create\n"
          "push.i.i 0\npop.v.i global.hits vflags=10\n"
          "push.i.i 0\npop.v.i global.frames vflags=10\n" +
          PushArgs({32, 32, 8, 10, 0, 0}) +
          "call.i mp_grid_create 6\npop.v.v self.grid vflags=10\n" + PushArgs({0, 0}) +
          "push.v self.grid vflags=10\ncall.i mp_grid_add_instances 3\npopz.v\n"
          "call.i path_add 0\npop.v.v self.p vflags=10\n" +
          PushArgs({1, 48, 272}) +
          "push.v builtin.y vflags=10\npush.v builtin.x vflags=10\npush.v self.p vflags=10\n"
          "push.v self.grid vflags=10\ncall.i mp_grid_path 7\npop.v.v global.found vflags=10\n" +
          PushArgs({1, 0, 6}) + "push.v self.p vflags=10\ncall.i path_start 4\npopz.v\nret.e\n";
  code += ".code mover_step\n"
          "push.v global.frames vflags=10\npush.i.i 1\nadd.i.v\npop.v.v global.frames vflags=10\n"
          "push.v global.frames vflags=10\npush.i 120\nset.i.v 3\nbf done\n"
          "push.s \"arrived \"\nconv.s.v\n"
          "push.v builtin.x vflags=10\ncall.i string 1\nadd.v.v\n"
          "push.s \" \"\nconv.s.v\nadd.v.v\n"
          "push.v builtin.y vflags=10\ncall.i string 1\nadd.v.v\n"
          "push.s \" \"\nconv.s.v\nadd.v.v\n"
          "push.v global.hits vflags=10\ncall.i string 1\nadd.v.v\n"
          "push.s \" \"\nconv.s.v\nadd.v.v\n"
          "push.v global.straight vflags=10\ncall.i string 1\nadd.v.v\n"
          "push.s \" \"\nconv.s.v\nadd.v.v\n"
          "push.v global.found vflags=10\ncall.i string 1\nadd.v.v\n"
          "call.i show_debug_message 1\npopz.v\n"
          "call.i game_end 0\npopz.v\n"
          "done:\nret.e\n";
  code += ".code mover_hit\n"
          "push.v global.hits vflags=10\npush.i.i 1\nadd.i.v\npop.v.v global.hits vflags=10\nret.e\n";
  code += ".code walker_create\n"
          "push.i.i 0\npop.v.i global.straight vflags=10\n"
          "push.i.i 6\npop.v.i builtin.hspeed vflags=10\nret.e\n";
  code += ".code walker_hit\n"
          "push.v global.straight vflags=10\npush.i.i 1\nadd.i.v\npop.v.v global.straight vflags=10\nret.e\n";
  return code;
}

bool WriteGame(const std::string& path) {
  container::BytecodeProgram program;
  std::string error;
  if (!container::assemble_bytecode(Code(), &program, &error)) {
    ADD_FAILURE() << error;
    return false;
  }
  const auto sprite = [](const char* name, int32_t side, int32_t entry) {
    container::SpriteEntry s;
    s.name = name;
    s.width = s.height = side;
    s.bbox_right = s.bbox_bottom = side - 1;
    s.x_origin = s.y_origin = side == 32 ? 0 : side / 2;
    s.frames = {entry};
    s.masks = {std::vector<uint8_t>(static_cast<size_t>(side * side), 1)};
    return s;
  };
  const std::optional<container::SpriteEntry> sprites[] = {sprite("block", 32, 0), sprite("dot", 8, 1)};
  std::vector<uint8_t> rgba(32 * 32 * 4, 0xFF);
  const container::TexturePage page{0, container::png_page(32, 32, rgba)};
  const container::TexturePageEntry entries[] = {{0, 0, 32, 32, 0, 0, 32, 32, 32, 32, 0},
                                                 {0, 0, 8, 8, 0, 0, 8, 8, 8, 8, 0}};

  // Event types: Create 0, Step 3, Collision 4 (its number the other object).
  std::vector<container::ObjtEntry> objects(3);
  objects[0].name = "wall";
  objects[0].sprite_index = 0;
  objects[0].solid = true;
  objects[1].name = "mover";
  objects[1].sprite_index = 1;
  objects[1].on(0, 0, 0).on(3, 0, 1).on(4, 0, 2);
  objects[2].name = "walker";
  objects[2].sprite_index = 1;
  objects[2].on(0, 0, 3).on(4, 0, 4);

  container::RoomEntry room{.name = "room0", .width = 320, .height = 256, .speed = 60};
  int32_t id = 100001;
  for (int32_t row = 0; row < 7; ++row) room.instances.push_back({.x = 160, .y = row * 32, .object = 0, .id = id++});
  room.instances.push_back({.x = 48, .y = 48, .object = 1, .id = id++});   // the centre of cell (1, 1)
  room.instances.push_back({.x = 48, .y = 112, .object = 2, .id = id++});  // the centre of cell (1, 3)

  container::MinimalGameParts parts;
  parts.rooms = std::span(&room, 1);
  parts.objects = objects;
  parts.code = &program;
  parts.sprites = sprites;
  parts.page_entries = entries;
  parts.pages = std::span(&page, 1);
  container::ContainerWriter writer;
  container::add_minimal_game(writer, parts);
  const container::BuildResult built = writer.write_file(path);
  EXPECT_TRUE(built.ok()) << built.error;
  return built.ok();
}

TEST(MotionEndToEndTest, AnInstanceFollowsAGridRouteRoundAWallToItsGoal) {
  const std::string dir = MakeScratchDir("motion_e2e");
  ASSERT_TRUE(WriteGame(dir + "/game.win"));
  std::filesystem::create_directories(dir + "/data");
  // Not -headless: that run ends after the first room's creation code.
  const RunResult run = RunProgram(TOLVARINE_RUNNER, {"-game", "game.win", "-debugoutput", "log.txt"}, dir,
                                   {{"XDG_DATA_HOME", dir + "/data"}, {"SDL_VIDEODRIVER", "offscreen"}});
  // show_debug_message writes to the output; the runner's own lines go to the log.
  const std::string log = Exists(dir + "/log.txt") ? ReadFile(dir + "/log.txt") : "";
  ASSERT_FALSE(run.timedOut) << log;
  ASSERT_EQ(run.exitCode, 0) << run.output << log;
  // At its goal, the centre of cell (8, 1), never having touched the wall; the walker that went
  // straight did touch it (so the count would have seen a crossing), and the route was found.
  const std::string& out = run.output;
  const size_t at = out.find("arrived ");
  ASSERT_NE(at, std::string::npos) << out << log;
  const std::string line = out.substr(at, out.find('\n', at) - at);
  const std::string::size_type lastSpace = line.rfind(' ');
  EXPECT_EQ(line.substr(lastSpace + 1), "1") << line;
  const std::string rest = line.substr(0, lastSpace);
  const std::string::size_type straightAt = rest.rfind(' ');
  EXPECT_NE(rest.substr(straightAt + 1), "0") << line;
  EXPECT_EQ(rest.substr(0, straightAt), "arrived 272 48 0") << line;
}

}  // namespace
