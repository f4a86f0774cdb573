// A written game draws with the script functions a game's Draw event calls most (clear, thick
// line, circle, rounded rectangle, text in a container font, a sprite and a tiled sprite, with
// texture interpolation off), and saves its screen; the runner runs it without a display and the
// saved frame is compared, pixel by pixel, with the picture those calls describe.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "container/minimal.h"
#include "host/host_test_support.h"
#include "host/saved_frame.h"

namespace {

using frame_test::CallCode;
using frame_test::Int;
using frame_test::Str;

constexpr int32_t kWidth = 96;
constexpr int32_t kHeight = 64;

// As the saved PNG gives them: 0xAARRGGBB.
constexpr uint32_t kClear = 0xFF102040u;  // draw_clear_alpha's 0x402010 (blue-green-red)
constexpr uint32_t kInk = 0xFFF0E030u;    // the draw colour 0x30E0F0 of shapes and text
constexpr uint32_t kDot = 0xFF20C040u;    // the tiled sprite's 2 x 2 corner
constexpr uint32_t kBlock = 0xFFE03030u;  // the 12 x 12 sprite

// The Draw event, in drawing order.
std::string DrawEvent() {
  return ".code painter_draw\n" + CallCode("draw_clear_alpha", {Int(0x402010), Int(1)}) +
         CallCode("draw_set_colour", {Int(0x30E0F0)}) +
         CallCode("texture_set_interpolation", {Int(0)}) +
         CallCode("draw_sprite_tiled", {Int(1), Int(0), Int(0), Int(0)}) +
         CallCode("draw_line_width", {Int(4), Int(40), Int(44), Int(40), Int(4)}) +
         CallCode("draw_circle", {Int(70), Int(20), Int(10), Int(0)}) +
         CallCode("draw_roundrect_ext", {Int(4), Int(46), Int(40), Int(62), Int(6), Int(6), Int(0)}) +
         CallCode("draw_set_font", {Int(0)}) + CallCode("draw_text", {Int(50), Int(44), Str("II")}) +
         CallCode("draw_sprite", {Int(0), Int(0), Int(80), Int(44)}) + "ret.e\n";
}

// What the frame must hold at (x, y); none on the edges of the shapes whose rasterisation the
// game does not pin down to the pixel (the line's ends and sides, the circle's and the rounded
// corners' arcs).
std::optional<uint32_t> Expected(int32_t x, int32_t y) {
  // The block sprite at (80, 44), drawn last.
  if (x >= 80 && x < 92 && y >= 44 && y < 56) return kBlock;
  // "II": glyphs 3 wide and 8 high, advancing by 5.
  if (y >= 44 && y < 52 && ((x >= 50 && x < 53) || (x >= 55 && x < 58))) return kInk;
  // The rounded rectangle (4, 46)-(40, 62) with corners of 6 (as a radius or as a diameter):
  // filled across its middle, its very corners left out.
  if (x >= 3 && x <= 41 && y >= 45 && y <= 63) {
    if ((x >= 5 && x <= 39 && y >= 52 && y <= 56) || (x >= 10 && x <= 34 && y >= 47 && y <= 61)) return kInk;
    if ((x == 4 || x == 40) && (y == 46 || y == 62)) return kClear;
    return std::nullopt;
  }
  // The circle of radius 10 around (70, 20), drawn as a polygon inside it.
  const double d = std::hypot(x - 70.0, y - 20.0);
  if (d < 8.5) return kInk;
  if (d < 11.5) return std::nullopt;
  // The line (4, 40)-(44, 40), 4 wide.
  if (x >= 6 && x <= 42 && y >= 39 && y <= 40) return kInk;
  if (x >= 3 && x <= 45 && y >= 37 && y <= 42) return std::nullopt;
  // The dots of the tiled sprite, every 16 pixels from the room's origin.
  if (x % 16 < 2 && y % 16 < 2) return kDot;
  return kClear;
}

// One page: the font's sheet at (0, 0) ('I' is a 3 x 8 white bar, drawn in the ink), the tiled
// sprite at (8, 0) (16 x 16, transparent but for its 2 x 2 corner), the block at (24, 0).
bool WriteDrawGame(const std::string& path) {
  constexpr int32_t kPageWidth = 40;
  constexpr int32_t kPageHeight = 16;
  std::vector<uint8_t> rgba(static_cast<size_t>(kPageWidth) * kPageHeight * 4, 0);
  auto put = [&](int32_t x, int32_t y, uint32_t argb) {
    uint8_t* p = &rgba[(static_cast<size_t>(y) * kPageWidth + x) * 4];
    p[0] = static_cast<uint8_t>(argb >> 16);
    p[1] = static_cast<uint8_t>(argb >> 8);
    p[2] = static_cast<uint8_t>(argb);
    p[3] = static_cast<uint8_t>(argb >> 24);
  };
  for (int32_t y = 0; y < 8; ++y) {
    for (int32_t x = 0; x < 3; ++x) put(x, y, 0xFFFFFFFFu);
  }
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 8; x < 10; ++x) put(x, y, kDot);
  }
  for (int32_t y = 0; y < 12; ++y) {
    for (int32_t x = 24; x < 36; ++x) put(x, y, kBlock);
  }
  const container::TexturePage pages[] = {{0, container::png_page(kPageWidth, kPageHeight, rgba)}};
  const container::TexturePageEntry entries[] = {
      {0, 0, 8, 8, 0, 0, 8, 8, 8, 8, 0},
      {8, 0, 16, 16, 0, 0, 16, 16, 16, 16, 0},
      {24, 0, 12, 12, 0, 0, 12, 12, 12, 12, 0},
  };
  container::FontEntry font;
  font.name = "fnt_bars";
  font.page_entry = 0;
  font.glyphs = {{'I', 0, 0, 3, 8, 5, 0}};
  const std::optional<container::FontEntry> fonts[] = {font};
  auto sprite = [](const char* name, int32_t side, int32_t entry) {
    container::SpriteEntry s;
    s.name = name;
    s.width = s.height = side;
    s.bbox_right = s.bbox_bottom = side - 1;
    s.frames = {entry};
    s.masks = {std::vector<uint8_t>(static_cast<size_t>(side) * side, 1)};
    return s;
  };
  const std::optional<container::SpriteEntry> sprites[] = {sprite("spr_block", 12, 2), sprite("spr_dots", 16, 1)};

  // Code 0 is the Draw event; the controller's Create (1) and End Step (2) save the screen at
  // step 3 and end the game.
  container::BytecodeProgram program;
  if (!frame_test::Assemble(DrawEvent() + container::save_frame_code("controller", 3, "frame.png"), &program)) {
    return false;
  }
  std::vector<container::ObjtEntry> objects(2);
  objects[0].name = "painter";
  objects[0].on(8, 0, 0);  // Draw
  objects[1].name = "controller";
  objects[1].visible = false;
  objects[1].on(0, 0, 1).on(3, 2, 2);  // Create, End Step
  container::RoomEntry room{.name = "canvas", .width = kWidth, .height = kHeight, .speed = 30, .colour = 0x808080,
                            .show_colour = true};
  room.instances = {{.x = 0, .y = 0, .object = 0, .id = 100001}, {.x = 0, .y = 0, .object = 1, .id = 100002}};
  const container::MinimalGameParts parts{.rooms = std::span(&room, 1),
                                          .objects = objects,
                                          .code = &program,
                                          .sprites = sprites,
                                          .page_entries = entries,
                                          .pages = pages,
                                          .fonts = fonts,
                                          .window_width = kWidth,
                                          .window_height = kHeight};
  return frame_test::WriteGame(path, parts);
}

bool Near(uint32_t a, uint32_t b) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 2) return false;
  }
  return true;
}

// The frame as one character a pixel, for the failure message: '.' the cleared colour, 'W' the ink,
// 'd' a dot, 'B' the block, '?' any other colour, and '!' where the pixel is not what it must be.
std::string Art(const frame_test::Frame& frame) {
  std::string art;
  for (int32_t y = 0; y < frame.height; ++y) {
    for (int32_t x = 0; x < frame.width; ++x) {
      const uint32_t p = frame.At(x, y);
      const std::optional<uint32_t> want = Expected(x, y);
      char c = '?';
      if (want && !Near(p, *want)) {
        c = '!';
      } else if (Near(p, kClear)) {
        c = '.';
      } else if (Near(p, kInk)) {
        c = 'W';
      } else if (Near(p, kDot)) {
        c = 'd';
      } else if (Near(p, kBlock)) {
        c = 'B';
      }
      art += c;
    }
    art += '\n';
  }
  return art;
}

TEST(DrawEndToEndTest, ADrawEventOfTheCommonCallsGivesThePictureTheyDescribe) {
  const std::string dir = host_test::MakeScratchDir("draw_end_to_end");
  ASSERT_TRUE(WriteDrawGame(dir + "/draw.win"));
  const host_test::RunResult run = frame_test::RunToEnd(dir, "draw.win");
  const std::string log = host_test::ReadFile(dir + "/log.txt");
  ASSERT_FALSE(run.timedOut) << log;
  ASSERT_EQ(run.exitCode, 0) << run.output << log;
  EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;
  const std::string png = host_test::FindFile(dir + "/data", "frame.png");
  ASSERT_NE(png, "") << log;
  const std::optional<frame_test::Frame> frame = frame_test::DecodePng(host_test::ReadFile(png));
  ASSERT_TRUE(frame.has_value());
  ASSERT_EQ(frame->width, kWidth);
  ASSERT_EQ(frame->height, kHeight);

  int checked = 0;
  std::ostringstream wrong;
  int wrongCount = 0;
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      const std::optional<uint32_t> want = Expected(x, y);
      if (!want) continue;
      ++checked;
      if (Near(frame->At(x, y), *want)) continue;
      if (++wrongCount <= 20) {
        wrong << " (" << std::dec << x << ", " << y << ") 0x" << std::hex << frame->At(x, y) << " not 0x" << *want;
      }
    }
  }
  // Nearly all of the frame is pinned down.
  EXPECT_GT(checked, kWidth * kHeight * 4 / 5);
  EXPECT_EQ(wrongCount, 0) << wrongCount << " pixels differ:" << wrong.str() << "\n" << Art(*frame);
}

}  // namespace
