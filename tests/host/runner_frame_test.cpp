// The running runner's own frame: written games whose byte code saves the screen with screen_save
// (and writes what it counted into an INI file) in the save area, then ends the game. The runner
// runs without a display; the test reads back what the game left.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "container/minimal.h"
#include "host/host_test_support.h"
#include "host/saved_frame.h"

namespace {

using namespace host_test;
using namespace frame_test;

// Every 8th pixel of every 8th row as the numbers of a "P3" text image (red, green, blue).
std::vector<int> Sampled(const Frame& frame) {
  std::vector<int> values;
  for (int32_t y = 0; y < frame.height; y += 8) {
    for (int32_t x = 0; x < frame.width; x += 8) {
      const uint32_t p = frame.At(x, y);
      values.insert(values.end(), {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                                   static_cast<int>(p & 0xFF)});
    }
  }
  return values;
}

std::vector<int> GoldenNumbers(const std::string& ppm, int* width, int* height) {
  std::istringstream in(ppm);
  std::string magic;
  int maximum = 0;
  in >> magic >> *width >> *height >> maximum;
  std::vector<int> values;
  int v = 0;
  while (in >> v) values.push_back(v);
  return values;
}

// The tool's --demo-views game, saved by its controller at step 5: the room's colour in both
// ports and the four 32 x 32 markers at half size, as the golden image (shared with the
// in-process redraw test) has them.
TEST(RunnerFrameTest, TheTwoViewsDemoSavesTheFrameOfItsGoldenImage) {
  const std::string dir = MakeScratchDir("runner_frame_views");
  const RunResult tool =
      RunProgram(TOLVARINE_CONTAINER_TOOL, {"--demo-views", "--save-frame", "5", "frame.png", "game.win"}, dir);
  ASSERT_EQ(tool.exitCode, 0) << tool.output;
  const RunResult run = RunToEnd(dir, "game.win");
  const std::string log = ReadFile(dir + "/log.txt");
  ASSERT_FALSE(run.timedOut) << log;
  ASSERT_EQ(run.exitCode, 0) << run.output << log;
  const std::string png = FindFile(dir + "/data", "frame.png");
  ASSERT_NE(png, "") << log;
  const std::optional<Frame> frame = DecodePng(ReadFile(png));
  ASSERT_TRUE(frame.has_value());
  ASSERT_EQ(frame->width, 320);
  ASSERT_EQ(frame->height, 120);
  for (uint32_t p : frame->pixels) ASSERT_EQ(p >> 24, 0xFFu) << "the saved frame is opaque";

  int width = 0, height = 0;
  const std::vector<int> golden =
      GoldenNumbers(ReadFile(std::string(TOLVARINE_SOURCE_DIR) + "/tests/world/room_views_golden.ppm"), &width, &height);
  ASSERT_EQ(width, 40);
  ASSERT_EQ(height, 15);
  const std::vector<int> got = Sampled(*frame);
  ASSERT_EQ(got.size(), golden.size());
  int worst = 0;
  for (size_t i = 0; i < got.size(); ++i) worst = std::max(worst, std::abs(got[i] - golden[i]));
  EXPECT_LE(worst, 2);
  // A marker in each port's two quarters: view 1 shows the room's bottom right quarter.
  for (auto [x, y] : {std::pair{20, 20}, std::pair{140, 100}, std::pair{180, 20}, std::pair{300, 100}}) {
    EXPECT_EQ(frame->At(x + 8, y + 8), 0xFFFFD020u) << x << "," << y;
    EXPECT_EQ(frame->At(x - 2, y + 8), 0xFFC06030u) << x << "," << y;
  }
}

// A ball moving right at 4 pixels a step meets a solid wall. Its End Step counts the steps and at
// step 60 writes its x and its Collision count (with the step count at the first contact) into
// an INI file, saves the screen and ends the game.
bool WriteBallGame(const std::string& path) {
  constexpr int32_t kBall = 16;
  constexpr int32_t kWallHeight = 64;
  // One page: the white ball at (0, 0), the blue wall at (16, 0).
  std::vector<uint8_t> rgba;
  for (int32_t y = 0; y < kWallHeight; ++y) {
    for (int32_t x = 0; x < 2 * kBall; ++x) {
      if (x < kBall) {
        rgba.insert(rgba.end(), {0xFF, 0xFF, 0xFF, static_cast<uint8_t>(y < kBall ? 0xFF : 0)});
      } else {
        rgba.insert(rgba.end(), {0x20, 0x60, 0xFF, 0xFF});
      }
    }
  }
  const container::TexturePage pages[] = {{0, container::png_page(2 * kBall, kWallHeight, rgba)}};
  const container::TexturePageEntry entries[] = {{0, 0, kBall, kBall, 0, 0, kBall, kBall, kBall, kBall, 0},
                                                 {kBall, 0, kBall, kWallHeight, 0, 0, kBall, kWallHeight, kBall,
                                                  kWallHeight, 0}};
  container::SpriteEntry ball;
  ball.name = "ball";
  ball.width = ball.height = kBall;
  ball.bbox_right = ball.bbox_bottom = kBall - 1;
  ball.frames = {0};
  ball.masks = {std::vector<uint8_t>(kBall * kBall, 1)};
  container::SpriteEntry wall;
  wall.name = "wall";
  wall.width = kBall;
  wall.height = kWallHeight;
  wall.bbox_right = kBall - 1;
  wall.bbox_bottom = kWallHeight - 1;
  wall.frames = {1};
  wall.masks = {std::vector<uint8_t>(kBall * kWallHeight, 1)};
  const std::optional<container::SpriteEntry> sprites[] = {ball, wall};

  const std::string write =
      "push.s \"result.ini\"\nconv.s.v\ncall.i ini_open 1\npopz.v\n"
      "push.v builtin.x vflags=10\npush.s \"x\"\nconv.s.v\npush.s \"ball\"\nconv.s.v\ncall.i ini_write_real 3\npopz.v\n"
      "push.v global.hits vflags=10\npush.s \"hits\"\nconv.s.v\npush.s \"ball\"\nconv.s.v\n"
      "call.i ini_write_real 3\npopz.v\n"
      "push.v global.first vflags=10\npush.s \"first\"\nconv.s.v\npush.s \"ball\"\nconv.s.v\n"
      "call.i ini_write_real 3\npopz.v\n"
      "call.i ini_close 0\npopz.v\n";
  // Code 1 is the End Step (code 0, the step count's own Create, goes unused: the ball's Create,
  // code 2, starts every count); code 3 is its Collision with the wall, which keeps the step
  // count of the first contact.
  const std::string code = container::save_frame_code("ball", 60, "ball.png", write) +
                           ".code ball_setup\n"
                           "push.i.i 4\npop.v.i builtin.hspeed vflags=10\n"
                           "push.i.i 0\npop.v.i global.hits vflags=10\n"
                           "push.i.i -1\npop.v.i global.first vflags=10\n"
                           "push.i.i 0\npop.v.i global.frames vflags=10\nret.e\n"
                           ".code ball_hit\n"
                           "push.v global.hits vflags=10\npush.i.i 0\nset.i.v 3\nbf counted\n"
                           "push.v global.frames vflags=10\npop.v.v global.first vflags=10\n"
                           "counted:\n"
                           "push.v global.hits vflags=10\npush.i.i 1\nadd.i.v\npop.v.v global.hits vflags=10\nret.e\n";
  container::BytecodeProgram program;
  if (!Assemble(code, &program)) return false;

  std::vector<container::ObjtEntry> objects(2);
  objects[0].name = "ob_ball";
  objects[0].sprite_index = 0;
  objects[0].on(0, 0, 2).on(4, 1, 3).on(3, 2, 1);
  objects[1].name = "ob_wall";
  objects[1].sprite_index = 1;
  objects[1].solid = true;
  container::RoomEntry room{.name = "court", .width = 320, .height = 240, .speed = 60, .colour = 0x202020,
                            .show_colour = true};
  room.instances = {{.x = 10, .y = 100, .object = 0, .id = 100001}, {.x = 200, .y = 76, .object = 1, .id = 100002}};
  container::MinimalGameParts parts;
  parts.rooms = std::span(&room, 1);
  parts.objects = objects;
  parts.sprites = sprites;
  parts.page_entries = entries;
  parts.pages = pages;
  parts.code = &program;
  return WriteGame(path, parts);
}

// The value of `key` in an INI text written by ini_write_real (key="number").
std::optional<double> IniReal(const std::string& ini, const std::string& key) {
  const size_t at = ini.find("\n" + key + "=\"");
  if (at == std::string::npos) return std::nullopt;
  return std::strtod(ini.c_str() + at + key.size() + 3, nullptr);
}

TEST(RunnerFrameTest, ABallStopsAtASolidWallAndItsCollisionRunsEveryStepSinceTheFirstContact) {
  const std::string dir = MakeScratchDir("runner_frame_ball");
  ASSERT_TRUE(WriteBallGame(dir + "/ball.win"));
  const RunResult run = RunToEnd(dir, "ball.win");
  const std::string log = ReadFile(dir + "/log.txt");
  ASSERT_FALSE(run.timedOut) << log;
  ASSERT_EQ(run.exitCode, 0) << run.output << log;

  const std::string iniPath = FindFile(dir + "/data", "result.ini");
  ASSERT_NE(iniPath, "") << log;
  const std::string ini = ReadFile(iniPath);
  const std::optional<double> x = IniReal(ini, "x");
  const std::optional<double> hits = IniReal(ini, "hits");
  const std::optional<double> first = IniReal(ini, "first");
  ASSERT_TRUE(x && hits && first) << ini;
  // The wall's left edge is at 200 and the ball is 16 wide.
  const double gap = 200.0 - (*x + 16.0);
  EXPECT_GE(gap, 0.0) << ini;
  EXPECT_LT(gap, 4.0) << ini;
  // From x = 10 at 4 a step the ball first reaches 185 (touching 200) in step 44: 43 steps had
  // ended then. It collided in that step and in each of the 16 after it, up to step 60.
  EXPECT_EQ(*first, 43.0) << ini;
  EXPECT_EQ(*hits, 60.0 - *first) << ini;

  const std::string png = FindFile(dir + "/data", "ball.png");
  ASSERT_NE(png, "") << log;
  const std::optional<Frame> frame = DecodePng(ReadFile(png));
  ASSERT_TRUE(frame.has_value());
  ASSERT_EQ(frame->width, 320);
  ASSERT_EQ(frame->height, 240);
  const int32_t left = static_cast<int32_t>(*x);
  // The ball's square where its x says, the room between it and the wall, then the wall.
  EXPECT_EQ(frame->At(left, 100), 0xFFFFFFFFu);
  EXPECT_EQ(frame->At(left + 15, 115), 0xFFFFFFFFu);
  EXPECT_EQ(frame->At(left - 1, 108), 0xFF202020u);
  EXPECT_EQ(frame->At(left + 16, 108), 0xFF202020u);
  EXPECT_EQ(frame->At(left + 8, 99), 0xFF202020u);
  EXPECT_EQ(frame->At(200, 76), 0xFF2060FFu);
  EXPECT_EQ(frame->At(215, 139), 0xFF2060FFu);
  EXPECT_EQ(frame->At(10, 100), 0xFF202020u) << "the ball has left its start";
}

// The colours the game gives its surfaces, as a buffer holds them (blue in the low byte) and as
// the PNG decoder gives them (0xAARRGGBB): the same words.
constexpr uint32_t kTop = 0xFFC04020u;
constexpr uint32_t kBottom = 0xFF30A050u;
constexpr uint32_t kBack = 0xFF101010u;
constexpr uint32_t kRoom = 0xFF605040u;  // the room's colour 0x405060 (blue-green-red)

// The Draw event of the game's one instance: a 32 x 32 surface gets its two colours (top and bottom
// half) through a buffer, and is drawn at (8, 4) into a 64 x 48 surface filled with kBack; that one
// is drawn at (100, 50) into the room, and then saved as "surface.png" and the screen as
// "screen.png" before the game ends.
bool WriteSurfaceGame(const std::string& path) {
  const std::string draw =
      ".code painter_draw\n" + CallCode("surface_create", {Int(32), Int(32)}, "src") +
      CallCode("surface_create", {Int(64), Int(48)}, "dst") +
      CallCode("buffer_create", {Int(64 * 48 * 4), Int(0), Int(1)}, "buf") +
      CallCode("buffer_fill", {Global("buf"), Int(0), Int(5), Number(kTop), Int(2048)}) +
      CallCode("buffer_fill", {Global("buf"), Int(2048), Int(5), Number(kBottom), Int(2048)}) +
      CallCode("buffer_set_surface", {Global("buf"), Global("src"), Int(0), Int(0), Int(0)}) +
      CallCode("buffer_fill", {Global("buf"), Int(0), Int(5), Number(kBack), Int(64 * 48 * 4)}) +
      CallCode("buffer_set_surface", {Global("buf"), Global("dst"), Int(0), Int(0), Int(0)}) +
      CallCode("surface_set_target", {Global("dst")}) + CallCode("draw_surface", {Global("src"), Int(8), Int(4)}) +
      CallCode("surface_reset_target", {}) + CallCode("draw_surface", {Global("dst"), Int(100), Int(50)}) +
      CallCode("surface_save", {Global("dst"), Str("surface.png")}) + CallCode("screen_save", {Str("screen.png")}) +
      CallCode("surface_free", {Global("src")}) + CallCode("surface_free", {Global("dst")}) +
      CallCode("buffer_delete", {Global("buf")}) + CallCode("game_end", {}) + "ret.e\n";
  container::BytecodeProgram program;
  if (!Assemble(draw, &program)) return false;
  std::vector<container::ObjtEntry> objects(1);
  objects[0].name = "painter";
  objects[0].on(8, 0, 0);  // Draw
  container::RoomEntry room{.name = "canvas", .width = 320, .height = 240, .speed = 30, .colour = 0x405060,
                            .show_colour = true};
  room.instances = {{.x = 0, .y = 0, .object = 0, .id = 100001}};
  container::MinimalGameParts parts;
  parts.rooms = std::span(&room, 1);
  parts.objects = objects;
  parts.code = &program;
  return WriteGame(path, parts);
}

TEST(RunnerFrameTest, ADrawEventDrawsIntoASurfaceDrawsItAndSavesBothTheSurfaceAndTheScreen) {
  const std::string dir = MakeScratchDir("runner_frame_surface");
  ASSERT_TRUE(WriteSurfaceGame(dir + "/surface.win"));
  const RunResult run = RunToEnd(dir, "surface.win");
  const std::string log = ReadFile(dir + "/log.txt");
  ASSERT_FALSE(run.timedOut) << log;
  ASSERT_EQ(run.exitCode, 0) << run.output << log;
  EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;

  // In the surface: kBack with the 32 x 32 square at (8, 4), its top half kTop.
  const auto surfaceAt = [](int32_t x, int32_t y) {
    if (x < 8 || x >= 40 || y < 4 || y >= 36) return kBack;
    return y < 20 ? kTop : kBottom;
  };
  const std::string surfacePng = FindFile(dir + "/data", "surface.png");
  ASSERT_NE(surfacePng, "") << log;
  const std::optional<Frame> surface = DecodePng(ReadFile(surfacePng));
  ASSERT_TRUE(surface.has_value());
  ASSERT_EQ(surface->width, 64);
  ASSERT_EQ(surface->height, 48);
  for (int32_t y = 0; y < 48; ++y) {
    for (int32_t x = 0; x < 64; ++x) ASSERT_EQ(surface->At(x, y), surfaceAt(x, y)) << x << "," << y;
  }

  const std::string screenPng = FindFile(dir + "/data", "screen.png");
  ASSERT_NE(screenPng, "") << log;
  const std::optional<Frame> screen = DecodePng(ReadFile(screenPng));
  ASSERT_TRUE(screen.has_value());
  ASSERT_EQ(screen->width, 320);
  ASSERT_EQ(screen->height, 240);
  for (int32_t y = 0; y < 240; ++y) {
    for (int32_t x = 0; x < 320; ++x) {
      const bool inSurface = x >= 100 && x < 164 && y >= 50 && y < 98;
      ASSERT_EQ(screen->At(x, y), inSurface ? surfaceAt(x - 100, y - 50) : kRoom) << x << "," << y;
    }
  }
}

}  // namespace
