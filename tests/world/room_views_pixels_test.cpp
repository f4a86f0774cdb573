// The game that the container tool's --demo-views writes, loaded and started as the runner does
// and drawn on the OpenGL device without a display: the window read back after one frame matches
// the golden image beside this test (sampled every 8 pixels, as a text PPM).
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "container/minimal.h"
#include "io/main_window.h"
#include "render/d3d_device.h"
#include "render/frame.h"
#include "render/frame_services.h"
#include "render/room_draw.h"
#include "render/surface.h"
#include "render/render_fixture.h"
#include "world_driver.h"

namespace {

constexpr int32_t kWidth = 320;
constexpr int32_t kHeight = 120;
constexpr int32_t kStep = 8;

// The samples as "P3" text: every kStep-th pixel of every kStep-th row, red green blue.
std::string SampledPPM(const std::vector<uint32_t>& pixels) {
  std::ostringstream out;
  out << "P3\n" << kWidth / kStep << " " << kHeight / kStep << "\n255\n";
  for (int32_t y = 0; y < kHeight; y += kStep) {
    for (int32_t x = 0; x < kWidth; x += kStep) {
      const uint32_t p = pixels[static_cast<size_t>(y) * kWidth + x];
      out << ((p >> 16) & 0xFF) << " " << ((p >> 8) & 0xFF) << " " << (p & 0xFF) << (x + kStep < kWidth ? " " : "\n");
    }
  }
  return out.str();
}

std::vector<int> Numbers(const std::string& ppm) {
  std::istringstream in(ppm);
  std::string magic;
  in >> magic;
  std::vector<int> values;
  int v = 0;
  while (in >> v) values.push_back(v);
  return values;
}

class RoomViewsPixelsTest : public WorldDriverTest {};

TEST_F(RoomViewsPixelsTest, TheTwoViewsGameMatchesItsGoldenImage) {
  container::ContainerWriter writer;
  container::add_demo_views_game(writer);
  render_test::ResetRenderGlobals();
  ASSERT_TRUE(Window_Create(kWidth, kHeight));
  ASSERT_TRUE(GR_D3D_Init(Window_Handle(), kWidth, kHeight, kD3DFlagShowOnce));
  // After the device, as the runner does, so that the sprite's page reaches it.
  ASSERT_TRUE(Load(writer));
  Start();
  ASSERT_TRUE(Start_Frame());
  DrawRoom();
  End_Frame(false);
  const std::vector<uint32_t> pixels = render_test::ReadBackBuffer(kWidth, kHeight);
  ASSERT_EQ(pixels.size(), static_cast<size_t>(kWidth) * kHeight);
  const std::string got = SampledPPM(pixels);
  const std::string goldenPath = std::string(TOLVARINE_SOURCE_DIR) + "/tests/world/room_views_golden.ppm";
  std::ifstream in(goldenPath);
  std::stringstream golden;
  golden << in.rdbuf();
  if (std::getenv("TOLVARINE_WRITE_GOLDEN") != nullptr) std::ofstream(goldenPath) << got;
  const std::vector<int> expected = Numbers(golden.str());
  const std::vector<int> actual = Numbers(got);
  ASSERT_EQ(expected.size(), actual.size()) << got;
  int worst = 0;
  for (size_t i = 0; i < expected.size(); ++i) worst = std::max(worst, std::abs(expected[i] - actual[i]));
  EXPECT_LE(worst, 2) << got;

  Surface_FreeAll();
  render_test::ShutdownRenderer();
  Window_Destroy();
  render_test::ResetRenderGlobals();
}

}  // namespace
