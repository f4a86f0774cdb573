// Texture records on the recording device: sizes, "RAW " blocks, binding, the render-target
// stack, release and re-creation on demand.
#include <algorithm>
#include <cstring>
#include <vector>

#include "assets/assets_test_util.h"
#include "assets/embedded_images.h"
#include "assets/lifecycle.h"
#include "assets/texture_pixels.h"
#include "container/txtr.h"
#include "render/render_fixture.h"

namespace {

using render_test::RenderTest;

class TextureTest : public RenderTest {};

std::vector<uint8_t> RawBlock(uint32_t width, uint32_t height, uint32_t kind, const std::vector<uint8_t>& pixels) {
  std::vector<uint8_t> out;
  PutLE(&out, kRawMagic, 4);
  PutLE(&out, width, 4);
  PutLE(&out, height, 4);
  PutLE(&out, kind, 4);
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

TEST_F(TextureTest, SizesFollowTheDeviceMaximumTheModeAndTheTargetFlag) {
  struct Case {
    const char* name;
    DWORD maxSide;
    bool onDemand;
    bool renderTarget;
    int32_t width, height;
  };
  const Case cases[] = {
      {"powers of two", 4096, false, false, 512, 256},
      {"capped at the maximum", 256, false, false, 256, 256},
      {"exact on demand", 4096, true, false, 300, 200},
      {"render target", 4096, false, true, 300, 200},
      {"render target on demand", 4096, true, true, 300, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    s_config.caps.MaxTextureWidth = s_config.caps.MaxTextureHeight = c.maxSide;
    ASSERT_TRUE(Init(0, 200, 200));
    Texture_CreateOnDemand = c.onDemand;
    Texture* t = Texture_Create(300, 200, 0, c.renderTarget, kTextureKindARGB);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Width(), c.width);
    EXPECT_EQ(t->Height(), c.height);
    EXPECT_EQ(t->d3dTexture != nullptr, !c.onDemand);
    EXPECT_EQ(t->pixels != nullptr, !(c.onDemand && c.renderTarget));
    EXPECT_EQ(t->InDefaultPool(), c.renderTarget);
    if (c.renderTarget && !c.onDemand) {
      EXPECT_NE(t->surface, nullptr);
      EXPECT_NE(t->depthSurface, nullptr);
    }
    Texture_Free(t);
    Texture_CreateOnDemand = false;
    GR_D3D_Shutdown();
  }
}

TEST_F(TextureTest, RenderTargetWhoseSurfaceFailsIsRefusedWhole) {
  ASSERT_TRUE(Init());
  Texture* const white = g_Textures.head;
  // The first call failing (the texture) or a later one (its level or, multisampled, a surface of
  // its own; the depth surface): no record is left.
  const struct {
    D3DMULTISAMPLE_TYPE samples;
    const char* method;
  } cases[] = {{D3DMULTISAMPLE_NONE, "CreateTexture"},
               {D3DMULTISAMPLE_NONE, "GetSurfaceLevel"},
               {D3DMULTISAMPLE_NONE, "CreateDepthStencilSurface"},
               {D3DMULTISAMPLE_4_SAMPLES, "CreateRenderTarget"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.method);
    g_D3D.pp.MultiSampleType = c.samples;
    s_log->FailNext(c.method, D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(Texture_Create(64, 64, 0, true, kTextureKindARGB), nullptr);
    EXPECT_EQ(g_Textures.head, white);
  }
  g_D3D.pp.MultiSampleType = D3DMULTISAMPLE_NONE;
  EXPECT_NE(Console().find("CreateTexture failed - 8876017c\n"), std::string::npos) << Console();
}

TEST_F(TextureTest, RawBlocksSwapTheirPixelsInPlaceAndDamagedOnesAreRefused) {
  ASSERT_TRUE(Init());
  Texture* const white = g_Textures.head;
  std::vector<uint8_t> raw32 = RawBlock(1, 1, 0, {0x11, 0x22, 0x33, 0x44});
  D3DXIMAGE_INFO info{};
  Texture* t = Texture_CreateFromData(raw32.data(), raw32.size(), &info, kTextureKindARGB, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(raw32[16], 0x33);
  EXPECT_EQ(raw32[17], 0x22);
  EXPECT_EQ(raw32[18], 0x11);
  EXPECT_EQ(raw32[19], 0x44);
  EXPECT_EQ(info.Width, 1u);
  EXPECT_EQ(info.Depth, 32u);
  uint32_t first = 0;
  std::memcpy(&first, t->pixels, 4);
  EXPECT_EQ(first, 0x44112233u);  // bytes 33 22 11 44
  Texture_Free(t);

  std::vector<uint8_t> raw16 = RawBlock(1, 1, 1, {0x34, 0x12});
  t = Texture_CreateFromData(raw16.data(), raw16.size(), &info, kTextureKindARGB, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->kind, kTextureKind4444);
  EXPECT_EQ(raw16[16] | (raw16[17] << 8), 0x4321);
  EXPECT_EQ(info.Depth, 16u);
  Texture_Free(t);

  struct Bad {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const Bad bad[] = {
      {"pixels cut short", RawBlock(2, 2, 0, std::vector<uint8_t>(15))},
      {"header cut short", std::vector<uint8_t>(raw32.begin(), raw32.begin() + 12)},
      {"width 0", RawBlock(0, 2, 0, {})},
      {"height above 8192", RawBlock(1, 8193, 1, std::vector<uint8_t>(8193 * 2))},
      {"unknown pixel kind", RawBlock(1, 1, 2, {1, 2, 3, 4})},
      {"size overflowing 32 bits", RawBlock(0x10000, 0x10000, 0, {1, 2, 3, 4})},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.name);
    std::vector<uint8_t> bytes = b.bytes;
    EXPECT_EQ(Texture_CreateFromData(bytes.data(), bytes.size(), &info, kTextureKindARGB, 0), nullptr);
    Texture_CreateOnDemand = true;
    EXPECT_EQ(Texture_CreateFromData(bytes.data(), bytes.size(), &info, kTextureKindARGB, 0), nullptr);
    Texture_CreateOnDemand = false;
    EXPECT_EQ(bytes, b.bytes);  // nothing converted
  }
  EXPECT_EQ(g_Textures.head, white);
}

TEST_F(TextureTest, SixteenBitRowsGoInAtTheTexturesStride) {
  ASSERT_TRUE(Init());
  // A 3 x 2 block lands on a 4 x 2 texture: each row keeps its place.
  std::vector<uint8_t> raw = RawBlock(3, 2, 1, {1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0});
  Texture* t = Texture_CreateFromData(raw.data(), raw.size(), nullptr, kTextureKindARGB, 0);
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(t->Width(), 4);
  const auto* row1 = reinterpret_cast<const uint16_t*>(t->pixels + 4 * 2);
  EXPECT_EQ(row1[0], 0x4000);
  EXPECT_EQ(row1[2], 0x6000);
  Texture_Free(t);
}

TEST_F(TextureTest, NinthPushAndPopAfterEightPushesFailAndChangeNothing) {
  InitScene();
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(Texture_PushTarget()) << i;
  EXPECT_FALSE(Texture_PushTarget());
  EXPECT_EQ(Texture_TargetStackDepth(), 8);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(Texture_PopTarget()) << i;
  s_log->Clear();
  EXPECT_FALSE(Texture_PopTarget());
  EXPECT_EQ(Texture_TargetStackDepth(), 0);
  EXPECT_EQ(CountLines("SetRenderTarget"), 0);
}

TEST_F(TextureTest, TargetsArePushedSetAndRestoredWithTheirDepthSurfaces) {
  InitScene();
  Texture* target = Texture_Create(32, 16, 0, true, kTextureKindARGB);
  ASSERT_NE(target, nullptr);
  IDirect3DSurface9* before = nullptr;
  ASSERT_EQ(g_D3D.device->GetRenderTarget(0, &before), D3D_OK);
  ASSERT_TRUE(Texture_PushTarget());
  ASSERT_TRUE(Texture_SetTarget(0, target));
  EXPECT_EQ(g_Textures.currentTargets[0], target);
  EXPECT_NE(target->flags & kTextureTargetDirty, 0u);
  IDirect3DSurface9* now = nullptr;
  ASSERT_EQ(g_D3D.device->GetRenderTarget(0, &now), D3D_OK);
  EXPECT_EQ(now, target->surface);
  now->Release();
  EXPECT_FALSE(Texture_SetTarget(4, target));  // past the device's count
  ASSERT_TRUE(Texture_PopTarget());
  ASSERT_EQ(g_D3D.device->GetRenderTarget(0, &now), D3D_OK);
  EXPECT_EQ(now, before);
  EXPECT_EQ(g_Textures.currentTargets[0], nullptr);
  now->Release();
  before->Release();

  // Without samples the target draws into its texture's own level: binding it copies nothing.
  s_log->Clear();
  Texture_Bind(0, target);
  EXPECT_EQ(CountLines("StretchRect"), 0);
  EXPECT_EQ(target->flags & kTextureTargetDirty, 0u);
}

// A multisampled target draws into a surface of its own: binding it after it was drawn into
// resolves it once into its texture.
TEST_F(TextureTest, AMultisampledTargetIsResolvedOnceWhenItIsBoundAfterDrawing) {
  InitScene();
  g_D3D.pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
  Texture* target = Texture_Create(32, 16, 0, true, kTextureKindARGB);
  g_D3D.pp.MultiSampleType = D3DMULTISAMPLE_NONE;
  ASSERT_NE(target, nullptr);
  ASSERT_TRUE(Texture_PushTarget());
  ASSERT_TRUE(Texture_SetTarget(0, target));
  ASSERT_TRUE(Texture_PopTarget());
  s_log->Clear();
  Texture_Bind(0, target);
  EXPECT_EQ(CountLines("StretchRect"), 1);
  EXPECT_EQ(target->flags & kTextureTargetDirty, 0u);
  Texture_Bind(0, target);
  EXPECT_EQ(CountLines("StretchRect"), 1);
}

TEST_F(TextureTest, BindingCountsOnlyRealChangesAndTheStageOpsFollowTheFlag) {
  InitScene();
  Texture* a = Texture_Create(8, 8, 0, false, kTextureKindARGB);
  Texture* b = Texture_Create(8, 8, 0, false, kTextureKindARGB);
  g_Textures.changes = 0;
  Texture_Bind(0, a);
  Texture_Bind(0, a);
  EXPECT_EQ(g_Textures.changes, 1);
  Texture_Bind(0, b);
  EXPECT_EQ(g_Textures.changes, 2);
  Texture_Bind(9, a);  // past the stages
  EXPECT_EQ(g_Textures.changes, 2);
  s_log->Clear();
  Texture_SetStageOps(0);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"SetTextureStageState(0, COLOROP, 2)", "SetTextureStageState(0, ALPHAOP, 2)"}));
}

TEST_F(TextureTest, OnDemandTexturesAreReleasedAndMadeAgainFromWhatTheyKeep) {
  ASSERT_TRUE(Init());
  Texture_CreateOnDemand = true;
  std::vector<uint8_t> raw = RawBlock(2, 1, 0, {1, 2, 3, 4, 5, 6, 7, 8});
  Texture* t = Texture_CreateFromData(raw.data(), raw.size(), nullptr, kTextureKindARGB, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->d3dTexture, nullptr);
  Texture_Bind(0, t);
  ASSERT_NE(t->d3dTexture, nullptr);
  g_Batch.texture = t;
  Texture_ReleaseD3D(t);
  EXPECT_EQ(t->d3dTexture, nullptr);
  EXPECT_EQ(t->surface, nullptr);
  EXPECT_EQ(g_Batch.texture, nullptr);  // forgotten by the batcher
  s_log->Clear();
  GR_Texture_Flush();
  Texture_Prefetch(t);
  ASSERT_NE(t->d3dTexture, nullptr);
  EXPECT_GE(Find("CreateTexture(2, 1, 1, 0x0, A8R8G8B8, MANAGED)"), 0);
  // Made again from the block, already converted: the same bytes reach the device.
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(t->d3dTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(std::memcmp(locked.pBits, raw.data() + 16, 8), 0);
  t->d3dTexture->UnlockRect(0);
  Texture_Free(t);

  // Outside on-demand mode a release leaves the texture as it is.
  Texture_CreateOnDemand = false;
  Texture* kept = Texture_Create(4, 4, 0, false, kTextureKindARGB);
  Texture_ReleaseD3D(kept);
  EXPECT_NE(kept->d3dTexture, nullptr);
  Texture_Free(kept);
}

TEST_F(TextureTest, UploadsReachManagedAndDefaultPoolTextures) {
  ASSERT_TRUE(Init());
  const uint32_t pixels[4] = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0x80808080u};
  for (D3DPOOL pool : {D3DPOOL_MANAGED, D3DPOOL_DEFAULT}) {
    SCOPED_TRACE(pool);
    g_D3D.resourcePool = pool;
    s_log->Clear();
    Texture* t = Texture_CreateFromPixels(pixels, 2, 2, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->InDefaultPool(), pool == D3DPOOL_DEFAULT);
    EXPECT_EQ(Find("UpdateTexture") >= 0, pool == D3DPOOL_DEFAULT);
    // The kept copy holds the rows at the texture's stride.
    EXPECT_EQ(std::memcmp(t->pixels, pixels, 8), 0);
    EXPECT_EQ(std::memcmp(t->pixels + 8, pixels + 2, 8), 0);
    if (pool == D3DPOOL_DEFAULT) {
      s_log->FailNext("CreateTexture", D3DERR_OUTOFVIDEOMEMORY);
      EXPECT_FALSE(Texture_Upload(t, 0, 2, 2, pixels));
      EXPECT_NE(Console().find("Failed CreateTexture on SystemMem"), std::string::npos);
    }
    Texture_Free(t);
  }
}

// The runner's built-in images become textures at their sizes; indices outside the table give none.
TEST_F(TextureTest, BuiltInImagesBecomeTexturesAndIndicesOutsideTheTableGiveNone) {
  ASSERT_TRUE(Init());
  GR_SetEmbeddedTextures(g_EmbeddedImages);
  for (int32_t index = 0; index < kEmbeddedImageCount; ++index) {
    SCOPED_TRACE(index);
    Texture* t = GR_CreateEmbeddedTexture(index);
    ASSERT_NE(t, nullptr);
    if (index >= kEmbeddedFirstParticleShape && index < kEmbeddedFontSheet) {
      EXPECT_EQ(t->Width(), 64);
      EXPECT_EQ(t->Height(), 64);
    }
    if (index == kEmbeddedFontSheet) {
      EXPECT_EQ(t->Width(), 256);
      EXPECT_EQ(t->Height(), 128);
    }
    Texture_Free(t);
  }
  EXPECT_EQ(GR_CreateEmbeddedTexture(kEmbeddedImageCount), nullptr);
  EXPECT_EQ(GR_CreateEmbeddedTexture(-1), nullptr);
  GR_SetEmbeddedTextures(nullptr);
}

TEST_F(TextureTest, ImageFilesThatCannotBeReadGiveNoTexture) {
  ASSERT_TRUE(Init());
  Texture* const white = g_Textures.head;
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (bool onDemand : {false, true}) {
    Texture_CreateOnDemand = onDemand;
    EXPECT_EQ(Texture_CreateFromData(png.data(), png.size(), nullptr, kTextureKindARGB, 0), nullptr) << onDemand;
    std::vector<uint8_t> junk(64, 0x5A);
    EXPECT_EQ(Texture_CreateFromData(junk.data(), junk.size(), nullptr, kTextureKindARGB, 0), nullptr) << onDemand;
  }
  EXPECT_EQ(g_Textures.head, white);
}

}  // namespace

namespace {

TEST_F(TextureTest, UpdateRectSendsOnlyTheClippedRectangleOfTheCopy) {
  ASSERT_TRUE(Init());
  Texture* t = Texture_Create(8, 8, 0, false, kTextureKindARGB);
  ASSERT_NE(t, nullptr);
  auto* copy = reinterpret_cast<uint32_t*>(t->pixels);
  copy[1 * 8 + 6] = 0xFF123456u;
  s_log->Clear();
  EXPECT_TRUE(Texture_UpdateRect(t, 6, 1, 10, 10));  // clipped to (6, 1)-(8, 8)
  EXPECT_NE(std::find_if(Lines().begin(), Lines().end(),
                         [](const std::string& line) { return line.find("LockRect(0, {6, 1, 8, 8}") != std::string::npos; }),
            Lines().end());
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(t->d3dTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + locked.Pitch)[6], 0xFF123456u);
  t->d3dTexture->UnlockRect(0);
  s_log->Clear();
  EXPECT_TRUE(Texture_UpdateRect(t, 8, 0, 4, 4));  // empty once clipped: nothing sent
  EXPECT_TRUE(Lines().empty());
  Texture_Free(t);

  g_D3D.resourcePool = D3DPOOL_DEFAULT;
  Texture* pooled = Texture_Create(8, 8, 0, false, kTextureKindARGB);
  s_log->Clear();
  EXPECT_TRUE(Texture_UpdateRect(pooled, 0, 0, 2, 2));
  EXPECT_GE(Find("CreateTexture(8, 8, 1, 0x0, A8R8G8B8, SYSTEMMEM)"), 0);
  EXPECT_GE(Find("UpdateTexture"), 0);
  Texture_Free(pooled);
}

TEST_F(TextureTest, OnDemandPNGPagesTakeTheirSizeFromTheHeaderAndDecodeWhenFirstBound) {
  ASSERT_TRUE(Init());
  Texture_CreateOnDemand = true;
  std::vector<uint8_t> rgba(5 * 3 * 4, 0xFF);
  std::vector<uint8_t> png = container::png_page(5, 3, rgba);
  D3DXIMAGE_INFO info{};
  Texture* t = Texture_CreateFromData(png.data(), png.size(), &info, kTextureKindARGB, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Width(), 5);
  EXPECT_EQ(t->Height(), 3);
  EXPECT_EQ(info.Width, 5u);
  EXPECT_EQ(info.Depth, 32u);
  EXPECT_EQ(t->d3dTexture, nullptr);
  Texture_Bind(0, t);
  ASSERT_NE(t->d3dTexture, nullptr);
  EXPECT_NE(t->surface, nullptr);
  Texture_Free(t);
}

TEST_F(TextureTest, ReadBackAndWritesDoNothingOnAnUnusableDevice) {
  ASSERT_TRUE(Init());
  const uint32_t pixels[4] = {1, 2, 3, 4};
  Texture* t = Texture_CreateFromPixels(pixels, 2, 2, nullptr);
  s_log->FailNext("GetDisplayMode", D3DERR_DEVICELOST);
  EXPECT_EQ(Texture_ReadPixels(t, 0, 0, 2, 2), nullptr);
  s_log->FailNext("GetDisplayMode", D3DERR_DEVICELOST);
  int32_t w = 4, h = 4;
  EXPECT_EQ(GR_D3D_GetScreenPixels(640, 480, 0, 0, &w, &h), nullptr);
  s_log->FailNext("GetDisplayMode", D3DERR_DEVICELOST);
  s_log->Clear();
  Texture_WritePixels(reinterpret_cast<const uint8_t*>(pixels), t, 0, 0, 2, 2);
  EXPECT_EQ(CountLines("texture"), 0);
  Texture_Free(t);
}

}  // namespace
