// The device of the main window on the recording device: creation and its fallbacks, resets and
// their retries, the scene and the render-target stack at its end.
#include "render/render_fixture.h"

#include <set>

#include "host/frame_loop.h"

namespace render_test {
namespace {

using DeviceTest = RenderTest;

TEST_F(DeviceTest, CreationLogsItsStepsAndMakesAWindowedCopyDevice) {
  ASSERT_TRUE(Init());
  EXPECT_EQ(FirstMissingInOrder(Console(), CreationSteps(640, 480)), "") << Console();
  // Plain interface: managed pool, COPY, one back buffer, immediate presentation without sync.
  EXPECT_GE(Find("d3d.CreateDevice(0, 1, null, 0x42, {640, 480, A8R8G8B8, 1, 0, 3, 1, 1, D24S8, 0x80000000})"), 0);
  EXPECT_EQ(g_D3D.resourcePool, D3DPOOL_MANAGED);
  EXPECT_FALSE(g_D3D.manualVSync);
  EXPECT_EQ(g_D3D.supportedSamples, 2u | 4u | 8u | 16u);
  EXPECT_EQ(Display_Size.width, 640);
  EXPECT_EQ(Display_Size.height, 480);
  EXPECT_EQ(g_D3D.pendingWidth, -1);
  EXPECT_EQ(GR_D3D_WhiteTexture(), 0);
}

TEST_F(DeviceTest, FlagWordChoosesSyncSoftwareVerticesAndFullScreenSize) {
  GR_StartupFlags.alternateSync = true;  // no manual sync without the compositor library
  ASSERT_TRUE(Init(kD3DFlagFullScreen | kD3DFlagVSync | kD3DFlagSoftwareVertices, 640, 480));
  EXPECT_NE(Console().find("Selected Resolution: 1024x768\n"), std::string::npos);
  EXPECT_NE(Console().find("SwapEffect=Copy, Software vertex processing\n"), std::string::npos);
  EXPECT_GE(Find("d3d.CreateDevice(0, 1, null, 0x22, {1024, 768, A8R8G8B8, 1, 0, 3, 0, 1, D24S8, 0x0})"), 0);
  EXPECT_FALSE(g_D3D.manualVSync);
}

TEST_F(DeviceTest, SecondFallbackTakesD16DiscardAndSoftwareVertices) {
  s_log->FailNext("CreateDevice", D3DERR_NOTAVAILABLE);
  ASSERT_TRUE(Init());
  EXPECT_NE(Console().find("Creating D3D device - ARGB=32bit, D16, SwapEffect=Discard, Software Vertex Processing\n"),
            std::string::npos);
  const int second = Find("d3d.CreateDevice(0, 1, null, 0x22, {640, 480, A8R8G8B8, 1, 0, 1, 1, 1, D16, 0x80000000}) -> device");
  EXPECT_GE(second, 0);
  EXPECT_EQ(s_exits, 0);
}

TEST_F(DeviceTest, NoDeviceAfterTheFallbacksShowsTheMessageAndEndsWithMinusOne) {
  s_log->FailNext("CreateDevice", D3DERR_NOTAVAILABLE);
  s_log->FailNext("CreateDevice", D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_FALSE(Init());
  EXPECT_NE(Console().find("Failed to create Direct3D Device. Please check that your drivers are up-to-date. "
                           "Alternatively try switching your computer to a lower resolution to reduce graphics "
                           "memory requirements."),
            std::string::npos);
  EXPECT_EQ(s_exits, 1);
  EXPECT_EQ(s_exitCode & 0xFF, 255);
  EXPECT_EQ(g_D3D.device, nullptr);
}

TEST_F(DeviceTest, DisplayResetRequestsTakeEffectAtTheNextReset) {
  struct Case {
    const char* name;
    int32_t samples;
    std::vector<DWORD> supported;
    const char* resetParams;  // sample type and swap effect in the logged parameters
    int32_t samplesAfter;
  };
  const Case cases[] = {
      {"3 samples: none, COPY", 3, {2, 4, 8, 16}, "{640, 480, A8R8G8B8, 1, 0, 3,", 0},
      {"4 samples: DISCARD", 4, {2, 4, 8, 16}, "{640, 480, A8R8G8B8, 1, 4, 1,", 4},
      {"4 samples refused: none", 4, {2}, "{640, 480, A8R8G8B8, 1, 0, 3,", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GR_D3D_Shutdown();
    ResetGlobals();
    s_config.sampleCounts = c.supported;
    ASSERT_TRUE(Init());
    Display_SetMultisample(c.samples);
    s_log->Clear();
    ASSERT_TRUE(GR_D3D_Reset());
    EXPECT_GE(Find(std::string("Reset(") + c.resetParams), 0);
    EXPECT_EQ(g_D3D.samples, c.samplesAfter);
  }
}

TEST_F(DeviceTest, AFailedResetRetriesWithoutMultisamplingAndTheThirdFailureGivesUp) {
  ASSERT_TRUE(Init());
  Display_SetMultisample(4);
  s_log->FailNext("Reset", D3DERR_INVALIDCALL);
  EXPECT_TRUE(GR_D3D_Reset());
  EXPECT_NE(Console().find("Reset() Failed: 8876086C\n"), std::string::npos);
  EXPECT_NE(Console().find("Change SWAP+Multisample type effect, try Reset() again\n"), std::string::npos);
  EXPECT_GE(Find("Reset({640, 480, A8R8G8B8, 1, 0, 1,"), 0);  // no samples, DISCARD
  EXPECT_EQ(g_D3D.samples, 0);

  s_log->FailNext("Reset", D3DERR_DEVICELOST);
  s_log->FailNext("Reset", D3DERR_DEVICELOST);
  EXPECT_FALSE(GR_D3D_Reset());
}

TEST_F(DeviceTest, AResetSendsEveryRenderStateAndAllSamplerStatesAgain) {
  ASSERT_TRUE(Init());
  s_log->Clear();
  ASSERT_TRUE(GR_D3D_ResetAndRestore());
  const int reset = Find("Reset(");
  ASSERT_GE(reset, 0);
  std::vector<std::string> after(Lines().begin() + reset, Lines().end());
  int samplers = 0;
  std::set<std::string> renderStates;
  for (const std::string& line : after) {
    if (line.rfind("SetSamplerState(", 0) == 0) ++samplers;
    if (line.rfind("SetRenderState(", 0) == 0) renderStates.insert(line.substr(0, line.find(',')));
  }
  // Twice: the reset restores once, and the reset-and-restore once more.
  EXPECT_EQ(samplers, 2 * 32);
  EXPECT_EQ(renderStates.size(), 29u);  // ids 1-32 less 14, 19 and 22, which name no state
  for (int stage = 0; stage < 8; ++stage) {
    EXPECT_GE(Find("SetSamplerState(" + std::to_string(stage) + ", ADDRESSV, 3)", reset), 0) << stage;  // clamped
  }
}

TEST_F(DeviceTest, HostRequestedSizeBecomesTheBackBufferAtTheReset) {
  ASSERT_TRUE(Init());
  g_WindowState.pendingWidth = 800;
  g_WindowState.pendingHeight = 600;
  GR_D3D_ResizeWindow();
  EXPECT_EQ(g_D3D.pendingWidth, 800);
  EXPECT_EQ(g_D3D.screenWidth, 800);
  ASSERT_TRUE(GR_D3D_ResetAndRestore());
  EXPECT_GE(Find("Reset({800, 600, A8R8G8B8,"), 0);
  EXPECT_EQ(Display_Size.width, 800);
  EXPECT_EQ(Display_Size.height, 600);
  EXPECT_EQ(g_WindowState.backbufferWidth, 800);
  EXPECT_EQ(g_D3D.pendingWidth, -1);
}

TEST_F(DeviceTest, BeginSceneResetsADeviceThatAwaitsItsReset) {
  struct Case {
    HRESULT level;
    bool resets;
  };
  for (const Case c : {Case{D3DERR_DEVICENOTRESET, true}, Case{D3DERR_DEVICELOST, false}, Case{D3D_OK, false}}) {
    SCOPED_TRACE(c.level);
    GR_D3D_Shutdown();
    ResetGlobals();
    ASSERT_TRUE(Init());
    s_log->Clear();
    s_log->FailNext("TestCooperativeLevel", c.level);
    if (c.level == D3D_OK) s_log->Clear();
    GR_D3D_BeginScene();
    const int reset = Find("Reset(");
    const int begin = Find("BeginScene(");
    ASSERT_GE(begin, 0);
    EXPECT_EQ(reset >= 0 && reset < begin, c.resets);
    EXPECT_EQ(g_D3D.sceneDepth, 1);
    EXPECT_FALSE(GR_D3D_BeginScene());  // no nesting
  }
}

TEST_F(DeviceTest, EndSceneWithSeveralTargetsPopsThemAllBackToTheBackBuffer) {
  ASSERT_TRUE(Init());
  IDirect3DSurface9* a = nullptr;
  IDirect3DSurface9* b = nullptr;
  ASSERT_EQ(g_D3D.device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &a, nullptr), D3D_OK);
  ASSERT_EQ(g_D3D.device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &b, nullptr), D3D_OK);
  ASSERT_TRUE(GR_D3D_BeginScene());
  ASSERT_TRUE(Texture_PushTarget());
  ASSERT_EQ(g_D3D.device->SetRenderTarget(0, a), D3D_OK);
  ASSERT_TRUE(Texture_PushTarget());
  ASSERT_EQ(g_D3D.device->SetRenderTarget(0, b), D3D_OK);
  s_log->Clear();
  EXPECT_TRUE(GR_D3D_EndScene());
  EXPECT_EQ(Texture_TargetStackDepth(), 0);
  IDirect3DSurface9* target = nullptr;
  ASSERT_EQ(g_D3D.device->GetRenderTarget(0, &target), D3D_OK);
  IDirect3DSurface9* backBuffer = nullptr;
  ASSERT_EQ(g_D3D.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
  EXPECT_EQ(target, backBuffer);
  target->Release();
  backBuffer->Release();
  a->Release();
  b->Release();
}

TEST_F(DeviceTest, PresentShowsTheWindowOnceAndShaderSupportFollowsTheCaps) {
  ASSERT_TRUE(Init());
  ASSERT_TRUE(GR_D3D_BeginScene());
  ASSERT_TRUE(GR_D3D_EndScene());
  EXPECT_TRUE(GR_D3D_Present());
  EXPECT_TRUE(g_D3D.windowShown);
  EXPECT_GE(Find("Present(null, null, null, null)"), 0);
  EXPECT_FALSE(GR_D3D_ShadersSupported());  // the device compiles no shaders
  g_D3D.caps.VertexShaderVersion = D3DVS_VERSION(2, 0);
  g_D3D.caps.PixelShaderVersion = D3DPS_VERSION(1, 4);
  EXPECT_FALSE(GR_D3D_ShadersSupported());
  g_D3D.caps.PixelShaderVersion = D3DPS_VERSION(2, 0);
  EXPECT_TRUE(GR_D3D_ShadersSupported());
}

TEST_F(DeviceTest, ShutdownReleasesTheDeviceAndTheInterface) {
  ASSERT_TRUE(Init());
  s_log->SetLogReferences(true);
  GR_D3D_Shutdown();
  EXPECT_EQ(g_D3D.device, nullptr);
  EXPECT_EQ(g_D3D.d3d, nullptr);
  EXPECT_GE(Find("d3d.Release() -> 0"), 0);
}

}  // namespace
}  // namespace render_test
