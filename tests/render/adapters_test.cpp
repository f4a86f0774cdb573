// The adapter table, the display-mode pick and the adapter check.
#include "render/render_fixture.h"

namespace render_test {
namespace {

using AdapterTest = RenderTest;

DisplayMode Mode(uint16_t w, uint16_t h, uint8_t bits = 32, uint8_t hz = 60, uint32_t adapter = 0) {
  DisplayMode m;
  m.width = w;
  m.height = h;
  m.bitsPerPixel = bits;
  m.refreshRate = hz;
  m.adapter = adapter;
  return m;
}

TEST(DisplayModePick, ExactPassThenTheClosestArea) {
  const DisplayMode modes[] = {Mode(800, 600), Mode(1024, 768), Mode(1280, 1024)};
  struct Case {
    int32_t w, h;
    int picked;  // index, -1: none
  };
  const Case cases[] = {
      {1024, 700, 1},  {2000, 2000, 2}, {0, 0, 0},  // 0x0: the exact pass takes the smallest
      {0, 2000, -1},  // zero area: no ratio, no pick
      {800, 600, 0},   {1281, 10, 0},  // none wide enough: the area closest to 12,810 pixels
  };
  for (const Case& c : cases) {
    const DisplayMode* pick = GR_D3D_PickDisplayMode(modes, 3, c.w, c.h);
    EXPECT_EQ(pick == nullptr ? -1 : static_cast<int>(pick - modes), c.picked) << c.w << "x" << c.h;
  }
  EXPECT_EQ(GR_D3D_PickDisplayMode(modes, 0, 640, 480), nullptr);
}

TEST(DisplayModePick, TiesPreferThirtyTwoBitsThenSixtyHertz) {
  const DisplayMode modes[] = {Mode(2000, 1000, 16, 60), Mode(1000, 2000, 32, 75), Mode(2000, 1000, 32, 59),
                               Mode(1000, 2000, 32, 60)};
  // No mode covers 3000x3000 in both directions; all four have the same area.
  const DisplayMode* pick = GR_D3D_PickDisplayMode(modes, 4, 3000, 3000);
  ASSERT_NE(pick, nullptr);
  EXPECT_EQ(pick - modes, 3);
}

TEST_F(AdapterTest, TheDeviceTakesThePickedModesAdapterOrTheFirstWithoutAPick) {
  s_config.adapters[0].modes = {{800, 600, 60, D3DFMT_X8R8G8B8},
                                {1024, 768, 60, D3DFMT_X8R8G8B8},
                                {1280, 1024, 60, D3DFMT_X8R8G8B8}};
  ASSERT_TRUE(Init(0, 1024, 700));
  ASSERT_EQ(g_D3D.adapterCount, 1);
  EXPECT_EQ(g_D3D.adapters[0].modeCount, 3u);
  EXPECT_EQ(GR_D3D_FindDisplayMode(1024, 700).width, 1024);
  EXPECT_EQ(GR_D3D_FindDisplayMode(0, 2000).adapter, 0u);
  EXPECT_EQ(g_D3D.adapters[0].desktopWidth, 1024);
  GR_D3D_Shutdown();
  ResetGlobals();
  s_config.adapters[0].modes.clear();
  ASSERT_TRUE(Init(0, 640, 480));
  EXPECT_EQ(g_D3D.adapters[0].modeCount, 0u);
  EXPECT_GE(Find("d3d.CreateDevice(0, "), 0);
}

TEST_F(AdapterTest, AnIntelDescriptionInAnyCaseTurnsOnManualClearsUnlessVanilla) {
  struct Case {
    const char* description;
    bool vanilla;
    bool workaround;
  };
  const Case cases[] = {
      {"INTEL(R) HD Graphics", false, true}, {"mesa intel graphics", false, true}, {"Some iNtEl chip", false, true},
      {"Intel HD", true, false},              {"llvmpipe", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    GR_D3D_Shutdown();
    ResetGlobals();
    s_config.adapters[0].description = c.description;
    GR_StartupFlags.noAdapterDetection = c.vanilla;
    ASSERT_TRUE(Init());
    EXPECT_EQ(g_D3D.manualClears, c.workaround);
    EXPECT_EQ(g_D3D.intelWorkaround, c.workaround);
    EXPECT_EQ(g_Batch.intelWorkaround, c.workaround);
  }
  EXPECT_NE(Console().find("Switching to manual clears\n"), std::string::npos);
}

TEST_F(AdapterTest, TheIntelSwitchSetsBothFlagsAndThePoolMinimumDropsAtTheFrameEnd) {
  GR_StartupFlags.manualClear = true;
  ASSERT_TRUE(Init());
  EXPECT_TRUE(g_D3D.manualClears);
  EXPECT_TRUE(g_D3D.intelWorkaround);
  ASSERT_TRUE(GR_D3D_BeginScene());
  ASSERT_TRUE(GR_D3D_EndScene());
  EXPECT_EQ(g_Batch.poolMinimum, 4096u);
}

TEST_F(AdapterTest, DisplayModeChangesAreRefusedAndTheDesktopIsThirtyTwoBits) {
  EXPECT_FALSE(Display_TestAll(800, 600, 60, 32));
  EXPECT_FALSE(Display_SetAll(800, 600, 60, 32));
  EXPECT_FALSE(Display_SetSize(0, 768));
  EXPECT_EQ(Display_GetColourDepth(), 32);
  EXPECT_EQ(Display_GetWidth(), 1024);
  EXPECT_EQ(Display_GetHeight(), 768);
  EXPECT_EQ(Display_GetOrientation(), 0);
}

}  // namespace
}  // namespace render_test
