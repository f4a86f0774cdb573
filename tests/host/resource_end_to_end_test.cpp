// The runner without a display on a written game whose room creation code loads an image beside
// the game as a sprite of four frames and saves it again as a strip in the save area.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/image_decode.h"
#include "container/txtr.h"
#include "host/host_test_support.h"

namespace {

using namespace host_test;

std::vector<uint32_t> Decode(const std::string& bytes, int32_t* width, int32_t* height) {
  std::vector<uint32_t> out;
  const uint32_t* pixels = PNG_Decode(bytes.data(), bytes.size(), width, height, false);
  if (pixels != nullptr && *width > 0 && *height > 0) out.assign(pixels, pixels + static_cast<size_t>(*width) * *height);
  PNG_FreeDecoder();
  return out;
}

TEST(ResourceEndToEndTest, ASpriteAddedFromTheProgramDirectorySavesAsTheSameStrip) {
  const std::string dir = MakeScratchDir("resource_strip");
  // An opaque 64 x 16 image whose every pixel differs from its neighbours.
  std::vector<uint8_t> rgba;
  for (uint32_t y = 0; y < 16; ++y) {
    for (uint32_t x = 0; x < 64; ++x) {
      rgba.push_back(static_cast<uint8_t>(x * 4));
      rgba.push_back(static_cast<uint8_t>(y * 16));
      rgba.push_back(static_cast<uint8_t>((x * 7 + y * 13) & 0xFF));
      rgba.push_back(0xFF);
    }
  }
  const std::vector<uint8_t> png = container::png_page(64, 16, rgba);
  WriteFile(dir + "/frames.png", std::string(png.begin(), png.end()));
  // sprite_add("frames.png", 4, 0, 0, 0, 0), then sprite_save_strip(that sprite, "strip.png").
  const RoomCodeRun game = RunRoomCodeHeadless(
      dir,
      ".code room_code\n"
      "  push.i.i 0\n  conv.i.v\n  push.i.i 0\n  conv.i.v\n  push.i.i 0\n  conv.i.v\n"
      "  push.i.i 0\n  conv.i.v\n  push.i.i 4\n  conv.i.v\n"
      "  push.s \"frames.png\"\n  conv.s.v\n"
      "  call.i sprite_add 6\n"
      "  pop.v.v global.spr vflags=10\n"
      "  push.s \"strip.png\"\n  conv.s.v\n"
      "  push.v global.spr vflags=10\n"
      "  call.i sprite_save_strip 2\n"
      "  popz.v\n"
      "  exit.i\n");
  ASSERT_EQ(game.tool.exitCode, 0) << game.tool.output;
  const std::string& log = game.log;
  ASSERT_FALSE(game.run.timedOut) << log;
  ASSERT_EQ(game.run.exitCode, 0) << game.run.output << log;

  const std::string saved = FindFile(game.data, "strip.png");
  ASSERT_NE(saved, "") << "the strip goes into the save area\n" << log;
  int32_t width = 0, height = 0;
  const std::vector<uint32_t> strip = Decode(ReadFile(saved), &width, &height);
  int32_t sourceWidth = 0, sourceHeight = 0;
  const std::vector<uint32_t> source = Decode(std::string(png.begin(), png.end()), &sourceWidth, &sourceHeight);
  ASSERT_EQ(width, 64);
  ASSERT_EQ(height, 16);
  EXPECT_EQ(strip, source);
  EXPECT_FALSE(Exists(dir + "/strip.png")) << "nothing is written beside the game";
}

}  // namespace
