// The recording device: its log, its failure injection and the device rules it shares with the
// OpenGL device. No OpenGL is involved.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3d9_test_util.h"
#include "platform/d3dx/d3dx9.h"

namespace {

D3DPRESENT_PARAMETERS Params(UINT width, UINT height) {
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = width;
  pp.BackBufferHeight = height;
  pp.BackBufferFormat = D3DFMT_A8R8G8B8;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_COPY;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D24S8;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  return pp;
}

TEST(RecordingDevice, LogsTheCallsOfAFrameInOrderWithTheirArguments) {
  auto log = std::make_shared<D3D9RecordingLog>();
  IDirect3D9* d3d = D3D9_CreateRecordingDirect3D(log);
  D3DPRESENT_PARAMETERS pp = Params(320, 240);
  IDirect3DDevice9* device = nullptr;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x42, &pp, &device), D3D_OK);

  IDirect3DTexture9* texture = nullptr;
  IDirect3DSurface9* level = nullptr;
  IDirect3DSurface9* backBuffer = nullptr;
  D3DLOCKED_RECT locked{};
  RECT part{0, 0, 2, 2};
  D3DVIEWPORT9 vp{8, 4, 100, 50, 0.0f, 1.0f};
  D3DRECT rect{1, 2, 3, 4};
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
  device->CreateTexture(64, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr);
  texture->GetSurfaceLevel(0, &level);
  device->SetRenderTarget(0, level);
  device->SetViewport(&vp);
  device->Clear(1, &rect, D3DCLEAR_TARGET, 0x80FF8040, 0.5f, 3);
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
  device->SetRenderTarget(0, backBuffer);
  device->StretchRect(level, &part, backBuffer, nullptr, D3DTEXF_LINEAR);
  level->LockRect(&locked, nullptr, D3DLOCK_READONLY);  // refused: render-target levels do not lock
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);

  const std::vector<std::string> expected = {
      "d3d.CreateDevice(0, 1, null, 0x42, {320, 240, A8R8G8B8, 1, 0, 3, 1, 1, D24S8, 0x80000000}) -> device",
      "BeginScene()",
      "Clear(0, null, 0x7, 0xFF000000, 1, 0)",
      "CreateTexture(64, 32, 1, 0x1, A8R8G8B8, DEFAULT) -> texture1",
      "texture1.GetSurfaceLevel(0) -> texture1.level0",
      "SetRenderTarget(0, texture1.level0)",
      "SetViewport({8, 4, 100, 50, 0, 1})",
      "Clear(1, {{1, 2, 3, 4}}, 0x1, 0x80FF8040, 0.5, 3)",
      "GetBackBuffer(0, 0, 0) -> backbuffer",
      "SetRenderTarget(0, backbuffer)",
      "StretchRect(texture1.level0, {0, 0, 2, 2}, backbuffer, null, 2)",
      "texture1.level0.LockRect(null, 0x10) -> FAILED 0x8876086C",
      "EndScene()",
      "Present(null, null, null, null)",
  };
  EXPECT_EQ(log->Lines(), expected);

  backBuffer->Release();
  level->Release();
  texture->Release();
  EXPECT_EQ(device->Release(), 0u);
  EXPECT_EQ(d3d->Release(), 0u);
}

TEST(RecordingDevice, InjectedFailuresAnswerOnceAndInOrder) {
  auto log = std::make_shared<D3D9RecordingLog>();
  D3DPRESENT_PARAMETERS pp = Params(64, 64);
  IDirect3DDevice9* device = D3D9_CreateRecordingDevice(log, &pp);
  ASSERT_NE(device, nullptr);
  log->FailNext("CreateTexture", D3DERR_OUTOFVIDEOMEMORY);
  log->FailNext("Reset", D3DERR_DEVICELOST);
  log->FailNext("Reset", D3DERR_INVALIDCALL);
  IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
  EXPECT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  D3DPRESENT_PARAMETERS bigger = Params(128, 96);
  EXPECT_EQ(device->Reset(&bigger), D3DERR_DEVICELOST);
  EXPECT_EQ(device->Reset(&bigger), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->Reset(&bigger), D3D_OK);
  D3DVIEWPORT9 vp{};
  device->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 128u);
  const std::vector<std::string> expected = {
      "CreateTexture(8, 8, 1, 0x0, A8R8G8B8, MANAGED) -> FAILED 0x8876017C",
      "CreateTexture(8, 8, 1, 0x0, A8R8G8B8, MANAGED) -> texture1",
      "Reset({128, 96, A8R8G8B8, 1, 0, 3, 1, 1, D24S8, 0x80000000}) -> FAILED 0x88760868",
      "Reset({128, 96, A8R8G8B8, 1, 0, 3, 1, 1, D24S8, 0x80000000}) -> FAILED 0x8876086C",
      "Reset({128, 96, A8R8G8B8, 1, 0, 3, 1, 1, D24S8, 0x80000000})",
      "GetViewport()",
  };
  EXPECT_EQ(log->Lines(), expected);
  texture->Release();
  device->Release();
}

TEST(RecordingDevice, KeepsTheDeviceRulesAndReferenceCounts) {
  auto log = std::make_shared<D3D9RecordingLog>();
  D3DPRESENT_PARAMETERS pp = Params(0, 0);  // zero sizes take the window's
  IDirect3DDevice9* device = D3D9_CreateRecordingDevice(log, &pp);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(pp.BackBufferWidth, 640u);
  EXPECT_EQ(pp.BackBufferHeight, 480u);

  IDirect3DSurface9* target = nullptr;
  ASSERT_EQ(device->CreateRenderTarget(16, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &target, nullptr), D3D_OK);
  D3DVIEWPORT9 vp{1, 1, 2, 2, 0, 1};
  device->SetViewport(&vp);
  ASSERT_EQ(device->SetRenderTarget(0, target), D3D_OK);
  device->GetViewport(&vp);
  EXPECT_EQ(vp.X, 0u);
  EXPECT_EQ(vp.Width, 16u);
  EXPECT_EQ(vp.Height, 8u);
  EXPECT_EQ(device->SetRenderTarget(0, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderTarget(4, target), D3DERR_INVALIDCALL);
  IDirect3DSurface9* none = nullptr;
  EXPECT_EQ(device->GetRenderTarget(2, &none), D3DERR_NOTFOUND);
  EXPECT_EQ(device->CreateRenderTarget(16, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, 0, TRUE, &none, nullptr),
            D3DERR_INVALIDCALL);  // lockable and multisampled do not go together

  // Locks hand out memory that keeps what was written.
  ASSERT_EQ(FillSurface(target, std::vector<uint32_t>(128, 0xCAFEF00D)), D3D_OK);
  EXPECT_EQ(LockPixels(target), std::vector<uint32_t>(128, 0xCAFEF00D));

  // Counts as on the real device: a target released while bound lives on until the device lets
  // go of it, and a surface got from the device or a created object adds to the device's count.
  log->SetLogReferences(true);
  log->Clear();
  IDirect3DSurface9* got = nullptr;
  device->GetRenderTarget(0, &got);
  EXPECT_EQ(got, target);
  EXPECT_EQ(got->Release(), 1u);  // binding it added nothing
  EXPECT_EQ(target->Release(), 0u);
  IDirect3DSurface9* backBuffer = nullptr;
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
  device->SetRenderTarget(0, backBuffer);
  backBuffer->Release();
  const std::vector<std::string> expected = {
      "surface1.AddRef() -> 2",
      "GetRenderTarget(0) -> surface1",
      "surface1.Release() -> 1",
      "surface1.Release() -> 0",
      "device.Release() -> 1",
      "device.AddRef() -> 2",
      "backbuffer.AddRef() -> 1",
      "GetBackBuffer(0, 0, 0) -> backbuffer",
      "SetRenderTarget(0, backbuffer)",
      "backbuffer.Release() -> 0",
      "device.Release() -> 1",
  };
  EXPECT_EQ(log->Lines(), expected);

  // A texture holds its device: the device goes with the last of them.
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr), D3D_OK);
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);  // default pool
  device->SetTexture(0, texture);
  EXPECT_EQ(device->Release(), 1u);
  IDirect3DDevice9* owner = nullptr;
  ASSERT_EQ(texture->GetDevice(&owner), D3D_OK);
  EXPECT_EQ(owner, device);
  EXPECT_EQ(owner->Release(), 1u);
  log->Clear();
  EXPECT_EQ(texture->Release(), 0u);
  const std::vector<std::string> last = {"texture2.Release() -> 0", "device.Release() -> 0"};
  EXPECT_EQ(log->Lines(), last);
}

TEST(RecordingDevice, AnswersTheAdapterQueriesFromItsConfiguration) {
  auto log = std::make_shared<D3D9RecordingLog>();
  D3D9RecordingConfig config;
  config.adapters[0].description = "Example Adapter 7";
  config.adapters[0].modes.push_back({800, 600, 60, D3DFMT_R5G6B5});
  D3D9RecordingAdapter second;
  second.desktop = {1920, 1080, 75, D3DFMT_X8R8G8B8};
  config.adapters.push_back(second);
  config.sampleCounts = {2, 4};
  IDirect3D9* d3d = D3D9_CreateRecordingDirect3D(log, config);
  ASSERT_EQ(d3d->GetAdapterCount(), 2u);
  D3DADAPTER_IDENTIFIER9 id{};
  ASSERT_EQ(d3d->GetAdapterIdentifier(0, 0, &id), D3D_OK);
  EXPECT_STREQ(id.Description, "Example Adapter 7");
  EXPECT_EQ(d3d->GetAdapterIdentifier(2, 0, &id), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 3u);
  EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_R5G6B5), 1u);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_R5G6B5, 0, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 800u);
  ASSERT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3D_OK);
  EXPECT_EQ(mode.RefreshRate, 75u);
  D3DCAPS9 caps{};
  ASSERT_EQ(d3d->GetDeviceCaps(1, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_EQ(caps.AdapterOrdinal, 1u);
  EXPECT_EQ(caps.MasterAdapterOrdinal, 1u);
  EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, &caps), D3DERR_NOTAVAILABLE);
  EXPECT_NE(d3d->GetAdapterMonitor(0), d3d->GetAdapterMonitor(1));
  struct SampleCase {
    DWORD samples;
    HRESULT expected;
  };
  for (SampleCase c : {SampleCase{0, D3D_OK}, SampleCase{2, D3D_OK}, SampleCase{4, D3D_OK},
                       SampleCase{8, D3DERR_NOTAVAILABLE}, SampleCase{3, D3DERR_NOTAVAILABLE}}) {
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, TRUE,
                                              static_cast<D3DMULTISAMPLE_TYPE>(c.samples), nullptr),
              c.expected)
        << c.samples;
  }
  EXPECT_EQ(log->Lines().front(), "d3d.GetAdapterCount() -> 2");
  d3d->Release();
}

TEST(RecordingDevice, ImageLoadingFillsDefaultPoolTexturesThroughASystemMemoryCopy) {
  auto log = std::make_shared<D3D9RecordingLog>();
  D3DPRESENT_PARAMETERS pp = Params(64, 64);
  IDirect3DDevice9* device = D3D9_CreateRecordingDevice(log, &pp);
  const std::vector<uint8_t> png = MakePNG({0xFF0000FF, 0xFF00FF00}, 2, 1, true);
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, png.data(), static_cast<UINT>(png.size()), D3DX_DEFAULT,
                                                D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT,
                                                D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture),
            D3D_OK);
  const std::vector<std::string> expected = {
      "CreateTexture(2, 1, 1, 0x0, A8R8G8B8, DEFAULT) -> texture1",
      "CreateTexture(2, 1, 1, 0x0, A8R8G8B8, SYSTEMMEM) -> texture2",
      "texture2.LockRect(0, null, 0x0)",
      "texture2.UnlockRect(0)",
      "UpdateTexture(texture2, texture1)",
  };
  EXPECT_EQ(log->Lines(), expected);
  texture->Release();

  // A failed creation leaves nothing behind and passes the device's answer on.
  log->FailNext("CreateTexture", D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device, png.data(), static_cast<UINT>(png.size()), &texture),
            D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(texture, nullptr);
  device->Release();
}

struct Vertex24 {
  float x, y, z;
  D3DCOLOR c;
  float u, v;
};

TEST(RecordingDevice, LogsTheFixedFunctionCallsAndKeepsTheVerticesOfEachDraw) {
  auto log = std::make_shared<D3D9RecordingLog>();
  D3DPRESENT_PARAMETERS pp = Params(64, 64);
  IDirect3DDevice9* device = D3D9_CreateRecordingDevice(log, &pp);
  ASSERT_NE(device, nullptr);
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  log->Clear();

  const Vertex24 quad[6] = {{0, 0, 0, 0xFF0000FF, 0, 0}, {1, 0, 0, 0xFF00FF00, 1, 0}, {0, 1, 0, 0xFFFF0000, 0, 1},
                            {0, 1, 0, 0xFFFF0000, 0, 1}, {1, 0, 0, 0xFF00FF00, 1, 0}, {1, 1, 0, 0xFFFFFFFF, 1, 1}};
  D3DMATRIX world{};
  for (int i = 0; i < 4; ++i) world.m[i][i] = 1.0f;
  world.m[3][0] = 2.5f;
  D3DMATERIAL9 material{};
  material.Diffuse = D3DCOLORVALUE{1, 1, 1, 1};
  material.Power = 1;
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = D3DCOLORVALUE{1, 0.5f, 0, 0};
  light.Position = D3DVECTOR{1, 2, 3};
  light.Range = 10;
  light.Attenuation0 = 1;
  light.Attenuation1 = 0.1f;
  const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_POSITION, 0},
                                        {0, 8, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                        {0, 12, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 1},
                                        D3DDECL_END()};
  IDirect3DVertexDeclaration9* decl = nullptr;
  IDirect3DVertexBuffer9* buffer = nullptr;
  void* data = nullptr;
  float fogEnd = 0.5f;
  DWORD fogEndBits;
  std::memcpy(&fogEndBits, &fogEnd, 4);

  device->BeginScene();
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_FOGEND, fogEndBits);
  device->SetRenderState(D3DRS_FOGCOLOR, 0xFF204060);
  device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(250), 1);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTexture(0, texture);
  device->SetTransform(D3DTS_WORLD, &world);
  device->SetMaterial(&material);
  device->SetLight(1, &light);
  device->LightEnable(1, TRUE);
  device->SetFVF(0x142);
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(Vertex24));
  device->CreateVertexDeclaration(elements, &decl);
  device->SetVertexDeclaration(decl);
  device->CreateVertexBuffer(sizeof quad, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_SYSTEMMEM, &buffer, nullptr);
  buffer->Lock(0, 0, &data, D3DLOCK_DISCARD);
  std::memcpy(data, quad, sizeof quad);
  buffer->Unlock();
  device->SetStreamSource(0, buffer, sizeof(Vertex24), sizeof(Vertex24));
  device->DrawPrimitive(D3DPT_LINESTRIP, 1, 2);
  device->SetTexture(0, nullptr);
  device->EndScene();

  const std::vector<std::string> expected = {
      "BeginScene()",
      "SetRenderState(SRCBLEND, 5)",
      "SetRenderState(FOGEND, 0.5)",
      "SetRenderState(FOGCOLOR, 0xFF204060)",
      "SetRenderState(250, 1)",
      "SetSamplerState(0, MAGFILTER, 2)",
      "SetTextureStageState(0, COLOROP, 4)",
      "SetTexture(0, texture1)",
      "SetTransform(WORLD, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {2.5, 0, 0, 1}})",
      "SetMaterial({d {1, 1, 1, 1}, a {0, 0, 0, 0}, s {0, 0, 0, 0}, e {0, 0, 0, 0}, 1})",
      "SetLight(1, {POINT, d {1, 0.5, 0, 0}, s {0, 0, 0, 0}, a {0, 0, 0, 0}, p {1, 2, 3}, dir {0, 0, 0}, range 10, "
      "att {1, 0.1, 0}})",
      "LightEnable(1, 1)",
      "SetFVF(0x142)",
      "DrawPrimitiveUP(TRIANGLELIST, 2, 24)",
      "CreateVertexDeclaration({{0, 0, FLOAT2, POSITION, 0}, {0, 8, D3DCOLOR, COLOR, 0}, {0, 12, FLOAT2, TEXCOORD, 1}}) "
      "-> declaration2",
      "SetVertexDeclaration(declaration2)",
      "CreateVertexBuffer(144, 0x208, 0x0, SYSTEMMEM) -> vertexbuffer3",
      "vertexbuffer3.Lock(0, 0, 0x2000)",
      "vertexbuffer3.Unlock()",
      "SetStreamSource(0, vertexbuffer3, 24, 24)",
      "DrawPrimitive(LINESTRIP, 1, 2)",
      "SetTexture(0, null)",
      "EndScene()",
  };
  EXPECT_EQ(log->Lines(), expected);

  // The draws keep what they read: all six vertices from user memory, and vertices 1-3 after
  // the stream's one-vertex offset, that is quad[2..4].
  ASSERT_EQ(log->Draws().size(), 2u);
  const D3D9RecordedDraw& up = log->Draws()[0];
  EXPECT_EQ(up.type, D3DPT_TRIANGLELIST);
  EXPECT_EQ(up.primitiveCount, 2u);
  EXPECT_EQ(up.vertexCount, 6u);
  EXPECT_EQ(up.fvf, 0x142u);
  EXPECT_EQ(up.texture, "texture1");
  EXPECT_EQ(up.stride, 24u);
  ASSERT_EQ(up.vertices.size(), sizeof quad);
  EXPECT_EQ(std::memcmp(up.vertices.data(), quad, sizeof quad), 0);
  const D3D9RecordedDraw& strip = log->Draws()[1];
  EXPECT_EQ(strip.vertexCount, 3u);
  EXPECT_EQ(strip.fvf, 0u);
  EXPECT_EQ(strip.declaration, "declaration2");
  ASSERT_EQ(strip.vertices.size(), 3 * sizeof(Vertex24));
  EXPECT_EQ(std::memcmp(strip.vertices.data(), &quad[2], 3 * sizeof(Vertex24)), 0);

  device->SetStreamSource(0, nullptr, 0, 0);
  device->SetVertexDeclaration(nullptr);
  EXPECT_EQ(buffer->Release(), 0u);
  EXPECT_EQ(decl->Release(), 0u);
  EXPECT_EQ(texture->Release(), 0u);
  EXPECT_EQ(device->Release(), 0u);
}

TEST(RecordingDevice, StateSettersRefuseWhatTheDeviceCannotTake) {
  auto log = std::make_shared<D3D9RecordingLog>();
  D3DPRESENT_PARAMETERS pp = Params(64, 64);
  IDirect3DDevice9* device = D3D9_CreateRecordingDevice(log, &pp);
  ASSERT_NE(device, nullptr);
  IDirect3DTexture9 *managed = nullptr, *systemMemory = nullptr;
  device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr);
  device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &systemMemory, nullptr);
  D3DMATRIX m{};
  auto light = [](D3DLIGHTTYPE type, std::function<void(D3DLIGHT9&)> change) {
    D3DLIGHT9 l{};
    l.Type = type;
    l.Direction = D3DVECTOR{0, 0, 1};
    l.Range = 5;
    l.Attenuation0 = 1;
    change(l);
    return l;
  };
  const D3DLIGHT9 spot = light(D3DLIGHT_SPOT, [](D3DLIGHT9&) {});
  const D3DLIGHT9 noDirection = light(D3DLIGHT_DIRECTIONAL, [](D3DLIGHT9& l) { l.Direction = D3DVECTOR{0, 0, 0}; });
  const D3DLIGHT9 negativeRange = light(D3DLIGHT_POINT, [](D3DLIGHT9& l) { l.Range = -1; });
  const D3DLIGHT9 noAttenuation = light(D3DLIGHT_POINT, [](D3DLIGHT9& l) { l.Attenuation0 = 0; });
  const D3DLIGHT9 notFinite = light(D3DLIGHT_DIRECTIONAL, [](D3DLIGHT9& l) { l.Direction.x = std::nanf(""); });
  const D3DLIGHT9 good = light(D3DLIGHT_POINT, [](D3DLIGHT9&) {});
  auto decl = [&](std::vector<D3DVERTEXELEMENT9> elements) {
    IDirect3DVertexDeclaration9* d = nullptr;
    HRESULT hr = device->CreateVertexDeclaration(elements.data(), &d);
    if (d) d->Release();
    return hr;
  };
  auto buffer = [&](UINT length, DWORD usage, DWORD fvf, D3DPOOL pool) {
    IDirect3DVertexBuffer9* b = nullptr;
    HRESULT hr = device->CreateVertexBuffer(length, usage, fvf, pool, &b, nullptr);
    if (b) b->Release();
    return hr;
  };
  const D3DVERTEXELEMENT9 position{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0};
  std::vector<D3DVERTEXELEMENT9> endless(MAXD3DDECLLENGTH + 1, position);
  for (UINT i = 0; i < endless.size(); ++i) endless[i].UsageIndex = static_cast<BYTE>(i % 16), endless[i].Usage = static_cast<BYTE>(i / 16);

  struct Case {
    const char* name;
    std::function<HRESULT()> call;
    HRESULT expected;
  };
  const std::vector<Case> cases = {
      {"render state 255", [&] { return device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(255), 0); }, D3D_OK},
      {"render state 256", [&] { return device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(256), 0); }, D3DERR_INVALIDCALL},
      {"sampler 16", [&] { return device->SetSamplerState(16, D3DSAMP_MAGFILTER, 1); }, D3DERR_INVALIDCALL},
      {"sampler type 0", [&] { return device->SetSamplerState(0, static_cast<D3DSAMPLERSTATETYPE>(0), 1); }, D3DERR_INVALIDCALL},
      {"sampler type 14", [&] { return device->SetSamplerState(0, static_cast<D3DSAMPLERSTATETYPE>(14), 1); }, D3DERR_INVALIDCALL},
      {"stage 8", [&] { return device->SetTextureStageState(8, D3DTSS_COLOROP, 1); }, D3DERR_INVALIDCALL},
      {"stage type 33", [&] { return device->SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(33), 1); }, D3DERR_INVALIDCALL},
      {"texture on stage 8", [&] { return device->SetTexture(8, managed); }, D3D_OK},
      {"texture on stage 9", [&] { return device->SetTexture(9, managed); }, D3DERR_INVALIDCALL},
      {"system-memory texture", [&] { return device->SetTexture(0, systemMemory); }, D3DERR_INVALIDCALL},
      {"world matrix 1", [&] { return device->SetTransform(D3DTS_WORLDMATRIX(1), &m); }, D3DERR_INVALIDCALL},
      {"texture matrix 7", [&] { return device->SetTransform(D3DTS_TEXTURE7, &m); }, D3D_OK},
      {"null matrix", [&] { return device->SetTransform(D3DTS_VIEW, nullptr); }, D3DERR_INVALIDCALL},
      {"light 8", [&] { return device->SetLight(8, &good); }, D3DERR_INVALIDCALL},
      {"spot light", [&] { return device->SetLight(0, &spot); }, D3DERR_INVALIDCALL},
      {"directional without direction", [&] { return device->SetLight(0, &noDirection); }, D3DERR_INVALIDCALL},
      {"negative range", [&] { return device->SetLight(0, &negativeRange); }, D3DERR_INVALIDCALL},
      {"no attenuation", [&] { return device->SetLight(0, &noAttenuation); }, D3DERR_INVALIDCALL},
      {"not finite", [&] { return device->SetLight(0, &notFinite); }, D3DERR_INVALIDCALL},
      {"enable light 8", [&] { return device->LightEnable(8, TRUE); }, D3DERR_INVALIDCALL},
      {"transformed positions", [&] { return device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE); }, D3DERR_INVALIDCALL},
      {"no position", [&] { return device->SetFVF(D3DFVF_DIFFUSE); }, D3DERR_INVALIDCALL},
      {"nine texture sets", [&] { return device->SetFVF(D3DFVF_XYZ | 0x900); }, D3DERR_INVALIDCALL},
      {"eight texture sets of sizes 1-4",
       [&] { return device->SetFVF(D3DFVF_XYZ | 0x800 | D3DFVF_TEXCOORDSIZE1(0) | D3DFVF_TEXCOORDSIZE4(7)); }, D3D_OK},
      {"declaration type SHORT2", [&] { return decl({{0, 0, 6, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()}); }, D3DERR_INVALIDCALL},
      {"declaration offset 2", [&] { return decl({{0, 2, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()}); }, D3DERR_INVALIDCALL},
      {"declaration stream 16", [&] { return decl({{16, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()}); }, D3DERR_INVALIDCALL},
      {"declaration method", [&] { return decl({{0, 0, D3DDECLTYPE_FLOAT2, 1, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()}); }, D3DERR_INVALIDCALL},
      {"declaration usage 14", [&] { return decl({{0, 0, D3DDECLTYPE_FLOAT2, 0, 14, 0}, D3DDECL_END()}); }, D3DERR_INVALIDCALL},
      {"declaration usage twice", [&] { return decl({position, {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()}); }, D3DERR_INVALIDCALL},
      {"declaration without an end", [&] { return decl(endless); }, D3DERR_INVALIDCALL},
      {"declaration of other usages", [&] { return decl({position, {0, 12, D3DDECLTYPE_UBYTE4, 0, D3DDECLUSAGE_BLENDINDICES, 0},
                                                         {1, 0, D3DDECLTYPE_FLOAT1, 0, D3DDECLUSAGE_FOG, 0}, D3DDECL_END()}); }, D3D_OK},
      {"empty buffer", [&] { return buffer(0, 0, 0, D3DPOOL_DEFAULT); }, D3DERR_INVALIDCALL},
      {"dynamic managed buffer", [&] { return buffer(64, D3DUSAGE_DYNAMIC, 0, D3DPOOL_MANAGED); }, D3DERR_INVALIDCALL},
      {"scratch buffer", [&] { return buffer(64, 0, 0, D3DPOOL_SCRATCH); }, D3DERR_INVALIDCALL},
      {"buffer smaller than its vertex", [&] { return buffer(20, 0, 0x142, D3DPOOL_MANAGED); }, D3DERR_INVALIDCALL},
      {"buffer of one vertex", [&] { return buffer(24, 0, 0x142, D3DPOOL_MANAGED); }, D3D_OK},
      {"draw outside a scene", [&] { return device->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &m, 16); }, D3DERR_INVALIDCALL},
  };
  for (const Case& c : cases) EXPECT_EQ(c.call(), c.expected) << c.name;

  // Vertex-buffer locks stay inside the buffer, one at a time.
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  void* data = nullptr;
  EXPECT_EQ(vb->Lock(60, 8, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Lock(65, 0, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
  ASSERT_EQ(vb->Lock(48, 0, &data, 0), D3D_OK);  // 0 bytes: to the end
  std::memset(data, 0xAB, 16);
  EXPECT_EQ(vb->Lock(0, 4, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  D3DVERTEXBUFFER_DESC desc{};
  ASSERT_EQ(vb->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Size, 64u);
  EXPECT_EQ(desc.Type, D3DRTYPE_VERTEXBUFFER);
  EXPECT_EQ(vb->Release(), 0u);

  device->SetTexture(8, nullptr);
  managed->Release();
  systemMemory->Release();
  EXPECT_EQ(device->Release(), 0u);
}

TEST(RecordingDevice, StartsWithTheFixedPipelineDefaultsAndResetRestoresThemAndLetsGoOfBindings) {
  auto log = std::make_shared<D3D9RecordingLog>();
  D3DPRESENT_PARAMETERS pp = Params(64, 64);
  IDirect3DDevice9* device = D3D9_CreateRecordingDevice(log, &pp);
  ASSERT_NE(device, nullptr);
  struct Default {
    D3DRENDERSTATETYPE state;
    DWORD value;
  };
  const Default defaults[] = {{D3DRS_ZENABLE, D3DZB_TRUE},  // the device made its depth buffer
                              {D3DRS_CULLMODE, D3DCULL_CCW},
                              {D3DRS_LIGHTING, TRUE},
                              {D3DRS_SRCBLEND, D3DBLEND_ONE},
                              {D3DRS_DESTBLEND, D3DBLEND_ZERO},
                              {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
                              {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
                              {D3DRS_FOGEND, 0x3F800000},
                              {D3DRS_STENCILMASK, 0xFFFFFFFF},
                              {D3DRS_COLORWRITEENABLE, 0xF},
                              {D3DRS_LASTPIXEL, TRUE},
                              {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
                              {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL}};
  auto checkDefaults = [&] {
    for (const Default& d : defaults) {
      DWORD value = 0;
      ASSERT_EQ(device->GetRenderState(d.state, &value), D3D_OK);
      EXPECT_EQ(value, d.value) << "state " << d.state;
    }
    DWORD value = 0;
    device->GetTextureStageState(0, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
    device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_DISABLE));
    device->GetTextureStageState(3, D3DTSS_TEXCOORDINDEX, &value);
    EXPECT_EQ(value, 3u);
    device->GetSamplerState(5, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_POINT));
    D3DLIGHT9 light{};
    EXPECT_EQ(device->GetLight(0, &light), D3DERR_INVALIDCALL);  // never set
    BOOL on = TRUE;
    device->GetLightEnable(0, &on);
    EXPECT_FALSE(on);
  };
  checkDefaults();

  IDirect3DTexture9* texture = nullptr;
  IDirect3DVertexBuffer9* buffer = nullptr;
  IDirect3DVertexDeclaration9* decl = nullptr;
  const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr), D3D_OK);
  ASSERT_EQ(device->CreateVertexDeclaration(elements, &decl), D3D_OK);
  // Binding leaves the objects' counts as they are.
  device->SetTexture(2, texture);
  device->SetStreamSource(3, buffer, 0, 12);
  device->SetVertexDeclaration(decl);
  EXPECT_EQ(RefCount(texture), 1u);
  EXPECT_EQ(RefCount(buffer), 1u);
  EXPECT_EQ(RefCount(decl), 1u);
  EXPECT_EQ(RefCount(device), 4u);  // the program's and the three objects'
  // A non-zero FVF takes the declaration's place.
  device->SetFVF(0x42);
  IDirect3DVertexDeclaration9* bound = decl;
  ASSERT_EQ(device->GetVertexDeclaration(&bound), D3D_OK);
  EXPECT_EQ(bound, nullptr);
  device->SetVertexDeclaration(decl);
  DWORD fvf = 1;
  device->GetFVF(&fvf);
  EXPECT_EQ(fvf, 0u);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Direction = D3DVECTOR{1, 0, 0};
  device->SetLight(0, &light);
  device->LightEnable(0, TRUE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);

  ASSERT_EQ(device->Reset(&pp), D3D_OK);
  checkDefaults();
  IDirect3DBaseTexture9* boundTexture = texture;
  ASSERT_EQ(device->GetTexture(2, &boundTexture), D3D_OK);
  EXPECT_EQ(boundTexture, nullptr);
  IDirect3DVertexBuffer9* boundBuffer = buffer;
  UINT offset = 1, stride = 1;
  ASSERT_EQ(device->GetStreamSource(3, &boundBuffer, &offset, &stride), D3D_OK);
  EXPECT_EQ(boundBuffer, nullptr);
  ASSERT_EQ(device->GetVertexDeclaration(&bound), D3D_OK);
  EXPECT_EQ(bound, nullptr);
  EXPECT_EQ(texture->Release(), 0u);
  EXPECT_EQ(buffer->Release(), 0u);
  EXPECT_EQ(decl->Release(), 0u);
  EXPECT_EQ(device->Release(), 0u);
}

}  // namespace
