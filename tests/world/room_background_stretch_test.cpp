// A room background (and a background layer element) marked to stretch is scaled to cover the
// room: read from the ROOM entry, drawn on the recording device as one quad over the whole room,
// and on the OpenGL device without a display as every pixel of the room.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "container/minimal.h"
#include "io/main_window.h"
#include "platform/d3d9/recording_device.h"
#include "render/d3d_device.h"
#include "render/frame.h"
#include "render/render_fixture.h"
#include "render/room_draw.h"
#include "render/surface.h"
#include "world/room.h"
#include "world/room_table.h"
#include "world_driver.h"

namespace {

using container::RoomEntry;

constexpr int32_t kRoomWidth = 320;
constexpr int32_t kRoomHeight = 240;
constexpr uint32_t kRoomColour = 0x0000FF;  // red, as the room stores its colour
constexpr uint8_t kGreen[] = {0x20, 0xC0, 0x40, 0xFF};

std::shared_ptr<D3D9RecordingLog> g_log;
IDirect3D9* Recording() { return D3D9_CreateRecordingDirect3D(g_log); }

class BackgroundStretchTest : public WorldDriverTest {
 protected:
  // A room whose background 0 shows background 0 (32 x 16 pixels of kGreen) stretched, and
  // background 1 a background that does not exist; a background layer stretches the same one.
  void Write(container::ContainerWriter& writer, int32_t stretch = 1) {
    m_room = RoomEntry{.name = "r", .width = kRoomWidth, .height = kRoomHeight, .colour = kRoomColour,
                       .show_colour = true, .layer_format = 2};
    m_room.backgrounds = {{.visible = 1, .index = 0, .htiled = 0, .vtiled = 0, .stretch = stretch},
                          {.visible = 0, .index = 9, .stretch = 1}};
    m_room.layers = {{.id = 1, .kind = 1, .depth_index = 5, .background = {.index = 0, .stretch = stretch}}};
    std::vector<uint8_t> rgba;
    for (int32_t i = 0; i < 32 * 16; ++i) rgba.insert(rgba.end(), std::begin(kGreen), std::end(kGreen));
    m_page = container::TexturePage{0, container::png_page(32, 16, rgba)};
    m_entries = {container::TexturePageEntry{0, 0, 32, 16, 0, 0, 32, 16, 32, 16, 0}};
    m_backgrounds = {container::BackgroundEntry{.name = "grass", .page_entry = 0}};
    container::MinimalGameParts parts;
    parts.rooms = std::span(&m_room, 1);
    parts.page_entries = m_entries;
    parts.pages = std::span(&m_page, 1);
    parts.backgrounds = m_backgrounds;
    parts.window_width = kRoomWidth;
    parts.window_height = kRoomHeight;
    container::add_minimal_game(writer, parts);
  }

  RoomEntry m_room;
  container::TexturePage m_page;
  std::vector<container::TexturePageEntry> m_entries;
  std::vector<std::optional<container::BackgroundEntry>> m_backgrounds;
};

TEST_F(BackgroundStretchTest, AStretchedBackgroundIsScaledToTheRoom) {
  for (int32_t stretch : {1, 0}) {
    SCOPED_TRACE(stretch);
    container::ContainerWriter writer;
    Write(writer, stretch);
    ASSERT_TRUE(Load(writer));
    const CRoom* room = Room_Data(0);
    ASSERT_NE(room, nullptr);
    const float x = stretch != 0 ? 10.0f : 1.0f;
    const float y = stretch != 0 ? 15.0f : 1.0f;
    EXPECT_EQ(room->backgrounds[0].xscale, x);
    EXPECT_EQ(room->backgrounds[0].yscale, y);
    EXPECT_EQ(room->backgrounds[1].xscale, 1.0f) << "a missing background is not stretched";
    EXPECT_EQ(room->backgrounds[1].yscale, 1.0f);
    ASSERT_EQ(room->layers.size(), 1u);
    ASSERT_EQ(room->layers[0].elements.size(), 1u);
    EXPECT_EQ(room->layers[0].elements[0].background.xscale, x);
    EXPECT_EQ(room->layers[0].elements[0].background.yscale, y);
    EndStartedGame();
  }
}

TEST_F(BackgroundStretchTest, OnTheRecordingDeviceItCoversTheRoom) {
  g_log = std::make_shared<D3D9RecordingLog>();
  render_test::ResetRenderGlobals();
  const GR_Direct3DFactory previous = GR_D3D_SetFactory(&Recording);
  ASSERT_TRUE(GR_D3D_Init(nullptr, kRoomWidth, kRoomHeight, 0));
  ASSERT_TRUE(GR_D3D_BeginScene());
  container::ContainerWriter writer;
  Write(writer);
  ASSERT_TRUE(Load(writer));
  Start();
  g_log->Clear();
  DrawRoom();
  // Every draw before the copy to the window is the background's.
  const std::vector<D3D9RecordedDraw>& draws = g_log->Draws();
  ASSERT_GE(draws.size(), 2u);
  float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
  for (size_t d = 0; d + 1 < draws.size(); ++d) {
    for (size_t at = 0; at + 8 <= draws[d].vertices.size(); at += draws[d].stride) {
      float vx = 0, vy = 0;
      std::memcpy(&vx, draws[d].vertices.data() + at, 4);
      std::memcpy(&vy, draws[d].vertices.data() + at + 4, 4);
      minX = std::min(minX, vx);
      maxX = std::max(maxX, vx);
      minY = std::min(minY, vy);
      maxY = std::max(maxY, vy);
    }
  }
  EXPECT_FLOAT_EQ(minX, 0.0f);
  EXPECT_FLOAT_EQ(minY, 0.0f);
  EXPECT_FLOAT_EQ(maxX, static_cast<float>(kRoomWidth));
  EXPECT_FLOAT_EQ(maxY, static_cast<float>(kRoomHeight));
  Surface_FreeAll();
  render_test::ShutdownRenderer();
  GR_D3D_SetFactory(previous);
  render_test::ResetRenderGlobals();
}

TEST_F(BackgroundStretchTest, OnTheOpenGlDeviceEveryPixelOfTheRoomShowsIt) {
  render_test::ResetRenderGlobals();
  ASSERT_TRUE(Window_Create(kRoomWidth, kRoomHeight));
  ASSERT_TRUE(GR_D3D_Init(Window_Handle(), kRoomWidth, kRoomHeight, kD3DFlagShowOnce));
  container::ContainerWriter writer;
  Write(writer);
  // After the device, as the runner does, so that the background's page reaches it.
  ASSERT_TRUE(Load(writer));
  Start();
  ASSERT_TRUE(Start_Frame());
  DrawRoom();
  End_Frame(false);
  const std::vector<uint32_t> pixels = render_test::ReadBackBuffer(kRoomWidth, kRoomHeight);
  ASSERT_EQ(pixels.size(), static_cast<size_t>(kRoomWidth) * kRoomHeight);
  int32_t wrong = 0;
  uint32_t firstWrong = 0;
  for (uint32_t p : pixels) {
    const int r = static_cast<int>((p >> 16) & 0xFF), g = static_cast<int>((p >> 8) & 0xFF),
              b = static_cast<int>(p & 0xFF);
    if (std::abs(r - kGreen[0]) > 2 || std::abs(g - kGreen[1]) > 2 || std::abs(b - kGreen[2]) > 2) {
      if (wrong++ == 0) firstWrong = p;
    }
  }
  EXPECT_EQ(wrong, 0) << "first wrong pixel " << std::hex << firstWrong;
  Surface_FreeAll();
  render_test::ShutdownRenderer();
  Window_Destroy();
  render_test::ResetRenderGlobals();
}

}  // namespace
