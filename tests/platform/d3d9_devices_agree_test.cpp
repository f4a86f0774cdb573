// The recording device stands in for the OpenGL one in most graphics tests, so the two must
// refuse the same calls: one sequence of resource creations and resets runs on both, and every
// answer must match.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3d9_test_util.h"

namespace {

// What a step may leave held for later steps, released when the sequence ends.
struct Held {
  IDirect3DTexture9* target = nullptr;
  IDirect3DSurface9* surface = nullptr;
  IDirect3DTexture9* managed = nullptr;

  void ReleaseAll() {
    for (IUnknown** object : {reinterpret_cast<IUnknown**>(&target), reinterpret_cast<IUnknown**>(&surface),
                              reinterpret_cast<IUnknown**>(&managed)}) {
      if (*object != nullptr) (*object)->Release();
      *object = nullptr;
    }
  }
};

struct Step {
  const char* what;
  std::function<HRESULT(IDirect3DDevice9*, Held*)> run;
};

HRESULT Texture(IDirect3DDevice9* d, UINT w, UINT h, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                IDirect3DTexture9** keep = nullptr) {
  IDirect3DTexture9* t = nullptr;
  const HRESULT hr = d->CreateTexture(w, h, 1, usage, format, pool, &t, nullptr);
  if (t != nullptr && keep != nullptr) {
    *keep = t;
  } else if (t != nullptr) {
    t->Release();
  }
  return hr;
}

HRESULT Target(IDirect3DDevice9* d, UINT w, UINT h, D3DFORMAT format, BOOL lockable, IDirect3DSurface9** keep = nullptr) {
  IDirect3DSurface9* s = nullptr;
  const HRESULT hr = d->CreateRenderTarget(w, h, format, D3DMULTISAMPLE_NONE, 0, lockable, &s, nullptr);
  if (s != nullptr && keep != nullptr) {
    *keep = s;
  } else if (s != nullptr) {
    s->Release();
  }
  return hr;
}

HRESULT Depth(IDirect3DDevice9* d, UINT w, UINT h, D3DFORMAT format) {
  IDirect3DSurface9* s = nullptr;
  const HRESULT hr = d->CreateDepthStencilSurface(w, h, format, D3DMULTISAMPLE_NONE, 0, FALSE, &s, nullptr);
  if (s != nullptr) s->Release();
  return hr;
}

HRESULT Reset(IDirect3DDevice9* d, UINT w, UINT h, D3DFORMAT format = D3DFMT_A8R8G8B8) {
  D3DPRESENT_PARAMETERS pp = WindowedPresentParams(w, h);
  pp.BackBufferFormat = format;
  return d->Reset(&pp);
}

constexpr UINT kHuge = 1u << 20;  // past any device's largest texture
const auto kNoFormat = static_cast<D3DFORMAT>(0x7777);

const std::vector<Step>& Sequence() {
  static const std::vector<Step> steps = {
      {"managed texture", [](IDirect3DDevice9* d, Held*) { return Texture(d, 16, 16, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED); }},
      {"texture 0 wide", [](IDirect3DDevice9* d, Held*) { return Texture(d, 0, 16, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED); }},
      {"texture too tall", [](IDirect3DDevice9* d, Held*) { return Texture(d, 16, kHuge, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED); }},
      {"texture in no pool", [](IDirect3DDevice9* d, Held*) {
         return Texture(d, 16, 16, 0, D3DFMT_A8R8G8B8, static_cast<D3DPOOL>(7));
       }},
      {"texture of no format", [](IDirect3DDevice9* d, Held*) { return Texture(d, 16, 16, 0, kNoFormat, D3DPOOL_MANAGED); }},
      {"texture with depth usage", [](IDirect3DDevice9* d, Held*) {
         return Texture(d, 16, 16, D3DUSAGE_DEPTHSTENCIL, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
       }},
      {"target texture in the managed pool", [](IDirect3DDevice9* d, Held*) {
         return Texture(d, 16, 16, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
       }},
      {"block-compressed target texture", [](IDirect3DDevice9* d, Held*) {
         return Texture(d, 16, 16, D3DUSAGE_RENDERTARGET, D3DFMT_DXT1, D3DPOOL_DEFAULT);
       }},
      {"block-compressed managed texture", [](IDirect3DDevice9* d, Held*) {
         return Texture(d, 16, 16, 0, D3DFMT_DXT5, D3DPOOL_MANAGED);
       }},
      {"render target", [](IDirect3DDevice9* d, Held*) { return Target(d, 8, 8, D3DFMT_X8R8G8B8, TRUE); }},
      {"render target 0 high", [](IDirect3DDevice9* d, Held*) { return Target(d, 8, 0, D3DFMT_A8R8G8B8, FALSE); }},
      {"block-compressed render target", [](IDirect3DDevice9* d, Held*) { return Target(d, 8, 8, D3DFMT_DXT1, FALSE); }},
      {"render target of no format", [](IDirect3DDevice9* d, Held*) { return Target(d, 8, 8, kNoFormat, FALSE); }},
      {"depth surface", [](IDirect3DDevice9* d, Held*) { return Depth(d, 8, 8, D3DFMT_D24S8); }},
      {"depth surface of a colour format", [](IDirect3DDevice9* d, Held*) { return Depth(d, 8, 8, D3DFMT_A8R8G8B8); }},
      {"depth surface too wide", [](IDirect3DDevice9* d, Held*) { return Depth(d, kHuge, 8, D3DFMT_D16); }},
      // Resets: held default-pool targets refuse them, managed textures do not.
      {"hold a target texture", [](IDirect3DDevice9* d, Held* held) {
         return Texture(d, 16, 16, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &held->target);
       }},
      {"hold a managed texture", [](IDirect3DDevice9* d, Held* held) {
         return Texture(d, 16, 16, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &held->managed);
       }},
      {"reset with a target texture held", [](IDirect3DDevice9* d, Held*) { return Reset(d, 40, 30); }},
      {"release the target texture, reset", [](IDirect3DDevice9* d, Held* held) {
         held->target->Release();
         held->target = nullptr;
         return Reset(d, 40, 30);
       }},
      {"hold a render target", [](IDirect3DDevice9* d, Held* held) {
         return Target(d, 8, 8, D3DFMT_A8R8G8B8, FALSE, &held->surface);
       }},
      {"reset with a render target held", [](IDirect3DDevice9* d, Held*) { return Reset(d, 40, 30); }},
      {"release the render target, reset", [](IDirect3DDevice9* d, Held* held) {
         held->surface->Release();
         held->surface = nullptr;
         return Reset(d, 48, 32);
       }},
      {"reset to a 16-bit back buffer", [](IDirect3DDevice9* d, Held*) { return Reset(d, 40, 30, D3DFMT_R5G6B5); }},
      {"reset past the largest size", [](IDirect3DDevice9* d, Held*) { return Reset(d, kHuge, 30); }},
      {"reset with no parameters", [](IDirect3DDevice9* d, Held*) { return d->Reset(nullptr); }},
      {"reset after the refusals", [](IDirect3DDevice9* d, Held*) { return Reset(d, 32, 32); }},
  };
  return steps;
}

std::vector<HRESULT> RunOn(IDirect3DDevice9* device) {
  Held held;
  std::vector<HRESULT> answers;
  for (const Step& step : Sequence()) answers.push_back(step.run(device, &held));
  held.ReleaseAll();
  return answers;
}

TEST(DevicesAgree, BothDevicesRefuseTheSameResourcesAndResets) {
  EnsureOffscreenVideo();
  D3DPRESENT_PARAMETERS pp = WindowedPresentParams(32, 32);
  IDirect3DDevice9* recording = D3D9_CreateRecordingDevice(std::make_shared<D3D9RecordingLog>(), &pp);
  ASSERT_NE(recording, nullptr);
  const std::vector<HRESULT> recorded = RunOn(recording);
  EXPECT_EQ(recording->Release(), 0u);

  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr) << Direct3D9_LastError();
  pp = WindowedPresentParams(32, 32);
  IDirect3DDevice9* gl = nullptr;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x42, &pp, &gl), D3D_OK);
  const std::vector<HRESULT> drawn = RunOn(gl);
  EXPECT_EQ(gl->Release(), 0u);
  d3d->Release();

  ASSERT_EQ(recorded.size(), drawn.size());
  int refused = 0;
  for (size_t i = 0; i < recorded.size(); ++i) {
    EXPECT_EQ(recorded[i], drawn[i]) << Sequence()[i].what << ": recording 0x" << std::hex << recorded[i]
                                      << ", OpenGL 0x" << drawn[i];
    refused += FAILED(drawn[i]);
  }
  // The sequence is only worth comparing if it holds both outcomes.
  EXPECT_GE(refused, 10);
  EXPECT_GE(static_cast<int>(recorded.size()) - refused, 8);
}

}  // namespace
