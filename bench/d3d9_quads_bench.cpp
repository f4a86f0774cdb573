// Frames of 10,000 textured, alpha-blended 32 x 32 quads drawn into a 1024 x 768 target through
// the OpenGL device: the renderer's busiest kind of frame. Each frame writes its vertices anew,
// draws, and waits for the pixels by reading one back. "fps" is frames per second. The quads go
// in one batch from a dynamic vertex buffer or from user memory, or in 100 batches appended to
// one dynamic buffer as the renderer's ring of vertices does.
//
// The confined benchmarks measure what drawing costs the main thread apart from filling pixels:
// a 1 x 1 scissor keeps almost every pixel from being written, and one pixel is read back only
// after the last frame. In the "crossing" scene the sprites are spread so that they cross every
// edge of the target, as real frames have sprites partly off-screen.
//
// The "presented" benchmarks are the device layer's line in scripts/bench: the shared scene of
// bench/quad_scene.h drawn into a 1024 x 768 back buffer that is presented to its window each
// frame, in full or with a 1 x 1 scissor, after ten warm-up frames and for at least five seconds,
// with the checked pixel read back after the last frame.
// Without a display the offscreen video driver is used (Mesa's llvmpipe on machines without a GPU).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/gl_device.h"
#include "quad_scene.h"

namespace {

constexpr int kQuads = quad_scene::kQuads;
constexpr UINT kWidth = quad_scene::kWidth, kHeight = quad_scene::kHeight;
constexpr float kSide = quad_scene::kSide;

struct Vertex {
  float x, y, z;
  D3DCOLOR colour;
  float u, v;
};

class Scene {
 public:
  // Into a render target of its own, quads inside it or crossing its edges, moved every frame;
  // or the shared scene of scripts/bench into a presented back buffer.
  enum class Kind { Inside, Crossing, Presented };

  explicit Scene(Kind kind = Kind::Inside) : m_presented(kind == Kind::Presented) {
    const bool crossing = kind == Kind::Crossing;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    m_d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (m_d3d == nullptr) return;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = m_presented ? kWidth : 64;
    pp.BackBufferHeight = m_presented ? kHeight : 64;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    if (m_d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x42, &pp, &m_device) != D3D_OK) return;
    if (m_presented) {
      // The back buffer is read through a lockable 1 x 1 copy of the checked pixel.
      m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &m_target);
      m_device->CreateRenderTarget(1, 1, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &m_pixel, nullptr);
    } else {
      m_device->CreateRenderTarget(kWidth, kHeight, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &m_target, nullptr);
      m_device->SetRenderTarget(0, m_target);
    }
    m_device->SetDepthStencilSurface(nullptr);

    // A 32 x 32 texture: with some alpha, so that blending has work to do, or the shared one.
    const std::vector<uint32_t> shared = quad_scene::TexturePixels();
    m_device->CreateTexture(32, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &m_texture, nullptr);
    D3DLOCKED_RECT locked{};
    m_texture->LockRect(0, &locked, nullptr, 0);
    for (int y = 0; y < 32; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
      for (int x = 0; x < 32; ++x) row[x] = m_presented ? shared[y * 32 + x] : ((x ^ y) & 8) ? 0xFFFFC080u : 0x80406080u;
    }
    m_texture->UnlockRect(0);
    m_device->CreateVertexBuffer(kQuads * 6 * sizeof(Vertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0,
                                 D3DPOOL_SYSTEMMEM, &m_buffer, nullptr);

    // The renderer's states for sprites.
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    m_device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    m_device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    m_device->SetTexture(0, m_texture);
    m_device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    D3DMATRIX projection{};
    projection.m[0][0] = 2.0f / kWidth;
    projection.m[1][1] = -2.0f / kHeight;
    projection.m[2][2] = 1.0f;
    projection.m[3][0] = -1.0f - 1.0f / kWidth;
    projection.m[3][1] = 1.0f + 1.0f / kHeight;
    projection.m[3][3] = 1.0f;
    m_device->SetTransform(D3DTS_PROJECTION, &projection);

    // Quad positions from a fixed pseudo-random sequence.
    if (m_presented) {
      m_positions = quad_scene::Positions();
      m_vertices.resize(kQuads * 6);
      m_ok = m_target != nullptr && m_pixel != nullptr && m_texture != nullptr && m_buffer != nullptr &&
             quad_scene::CheckPixelCovered(m_positions);
      return;
    }
    uint32_t seed = 12345;
    auto next = [&seed] {
      seed = seed * 1664525u + 1013904223u;
      return seed >> 8;
    };
    // Inside the target, or from 32 pixels before each edge to 32 pixels past it.
    const UINT spanX = crossing ? kWidth + 32 : kWidth - 32;
    const UINT spanY = crossing ? kHeight + 32 : kHeight - 32;
    const float origin = crossing ? -32.0f : 0.0f;
    for (int i = 0; i < kQuads; ++i) {
      m_positions.push_back(origin + static_cast<float>(next() % spanX));
      m_positions.push_back(origin + static_cast<float>(next() % spanY));
    }
    m_vertices.resize(kQuads * 6);
    m_ok = m_target != nullptr && m_texture != nullptr && m_buffer != nullptr;
  }
  ~Scene() {
    if (m_device) m_device->SetTexture(0, nullptr);
    if (m_device) m_device->SetStreamSource(0, nullptr, 0, 0);
    if (m_buffer) m_buffer->Release();
    if (m_pixel) m_pixel->Release();
    if (m_texture) m_texture->Release();
    if (m_target) m_target->Release();
    if (m_device) m_device->Release();
    if (m_d3d) m_d3d->Release();
  }
  bool ok() const { return m_ok; }

  // Writes quads first .. first + count - 1, moved a little each frame so that nothing can be reused.
  void Fill(Vertex* out, int frame, int first = 0, int count = kQuads) {
    const float shift = m_presented ? 0.0f : static_cast<float>(frame % 8);
    for (int i = first; i < first + count; ++i) {
      const float l = m_positions[2 * i] + shift, t = m_positions[2 * i + 1], r = l + kSide, b = t + kSide;
      const D3DCOLOR c = 0xC0FFFFFFu;
      out[0] = {l, t, 0, c, 0, 0};
      out[1] = {r, t, 0, c, 1, 0};
      out[2] = {l, b, 0, c, 0, 1};
      out[3] = {l, b, 0, c, 0, 1};
      out[4] = {r, t, 0, c, 1, 0};
      out[5] = {r, b, 0, c, 1, 1};
      out += 6;
    }
  }

  enum class Source { Buffer, UserMemory, Batches };

  // Confines drawing to one pixel: the target's top-left one, or the checked one when presented.
  void Confine() {
    const RECT one = m_presented ? RECT{quad_scene::kCheckX, quad_scene::kCheckY, quad_scene::kCheckX + 1,
                                        quad_scene::kCheckY + 1}
                                 : RECT{0, 0, 1, 1};
    m_device->SetScissorRect(&one);
    m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  }

  // Waits for what was drawn by reading one pixel back.
  bool ReadPixel() {
    RECT one{0, 0, 1, 1};
    D3DLOCKED_RECT locked{};
    if (m_target->LockRect(&locked, &one, D3DLOCK_READONLY) != D3D_OK) return false;
    benchmark::DoNotOptimize(*static_cast<uint32_t*>(locked.pBits));
    m_target->UnlockRect();
    return true;
  }

  // The checked pixel of the presented back buffer (0xAARRGGBB); false when it cannot be read.
  bool ReadCheckedPixel(uint32_t* argb) {
    const RECT from{quad_scene::kCheckX, quad_scene::kCheckY, quad_scene::kCheckX + 1, quad_scene::kCheckY + 1};
    if (m_device->StretchRect(m_target, &from, m_pixel, nullptr, D3DTEXF_NONE) != D3D_OK) return false;
    D3DLOCKED_RECT locked{};
    if (m_pixel->LockRect(&locked, nullptr, D3DLOCK_READONLY) != D3D_OK) return false;
    *argb = *static_cast<uint32_t*>(locked.pBits);
    m_pixel->UnlockRect();
    return true;
  }

  // One frame of the shared scene, cleared to black and presented.
  bool PresentedFrame() {
    bool ok = m_device->BeginScene() == D3D_OK;
    ok = ok && m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0) == D3D_OK;
    void* data = nullptr;
    ok = ok && m_buffer->Lock(0, 0, &data, D3DLOCK_DISCARD) == D3D_OK;
    if (ok) Fill(static_cast<Vertex*>(data), 0);
    ok = ok && m_buffer->Unlock() == D3D_OK;
    ok = ok && m_device->SetStreamSource(0, m_buffer, 0, sizeof(Vertex)) == D3D_OK;
    ok = ok && m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, kQuads * 2) == D3D_OK;
    ok = m_device->EndScene() == D3D_OK && ok;
    return ok && m_device->Present(nullptr, nullptr, nullptr, nullptr) == D3D_OK;
  }

  // One frame; false when the device refused something. Without `wait` nothing waits for it.
  bool Frame(int frame, Source source, bool wait = true) {
    bool ok = m_device->BeginScene() == D3D_OK;
    ok = ok && m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203040, 1.0f, 0) == D3D_OK;
    if (source == Source::Batches) {
      constexpr int kBatch = 100;
      constexpr UINT kBytes = kBatch * 6 * sizeof(Vertex);
      ok = ok && m_device->SetStreamSource(0, m_buffer, 0, sizeof(Vertex)) == D3D_OK;
      for (int b = 0; ok && b < kQuads / kBatch; ++b) {
        void* data = nullptr;
        ok = m_buffer->Lock(b * kBytes, kBytes, &data, b == 0 ? D3DLOCK_DISCARD : D3DLOCK_NOOVERWRITE) == D3D_OK;
        if (ok) Fill(static_cast<Vertex*>(data), frame, b * kBatch, kBatch);
        ok = ok && m_buffer->Unlock() == D3D_OK;
        ok = ok && m_device->DrawPrimitive(D3DPT_TRIANGLELIST, b * kBatch * 6, kBatch * 2) == D3D_OK;
      }
    } else if (source == Source::Buffer) {
      void* data = nullptr;
      ok = ok && m_buffer->Lock(0, 0, &data, D3DLOCK_DISCARD) == D3D_OK;
      if (ok) Fill(static_cast<Vertex*>(data), frame);
      ok = ok && m_buffer->Unlock() == D3D_OK;
      ok = ok && m_device->SetStreamSource(0, m_buffer, 0, sizeof(Vertex)) == D3D_OK;
      ok = ok && m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, kQuads * 2) == D3D_OK;
    } else {
      Fill(m_vertices.data(), frame);
      ok = ok && m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, kQuads * 2, m_vertices.data(), sizeof(Vertex)) == D3D_OK;
    }
    ok = m_device->EndScene() == D3D_OK && ok;
    // Reading a pixel back waits for the frame to be drawn.
    return ok && (!wait || ReadPixel());
  }

 private:
  IDirect3D9* m_d3d = nullptr;
  IDirect3DDevice9* m_device = nullptr;
  IDirect3DSurface9* m_target = nullptr;
  IDirect3DSurface9* m_pixel = nullptr;
  IDirect3DTexture9* m_texture = nullptr;
  IDirect3DVertexBuffer9* m_buffer = nullptr;
  std::vector<float> m_positions;
  std::vector<Vertex> m_vertices;
  bool m_ok = false;
  bool m_presented = false;
};

void RunFrames(benchmark::State& state, Scene::Source source) {
  Scene scene;
  if (!scene.ok()) {
    state.SkipWithError("no OpenGL device");
    return;
  }
  int frame = 0;
  for (auto _ : state) {
    if (!scene.Frame(frame++, source)) {
      state.SkipWithError("a device call failed");
      break;
    }
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["quads"] = kQuads;
}

// Main-thread CPU time per frame (the "CPU" column) is the figure of interest here.
void RunConfinedFrames(benchmark::State& state, bool crossing) {
  Scene scene(crossing ? Scene::Kind::Crossing : Scene::Kind::Inside);
  if (!scene.ok()) {
    state.SkipWithError("no OpenGL device");
    return;
  }
  scene.Confine();
  int frame = 0;
  for (auto _ : state) {
    if (!scene.Frame(frame++, Scene::Source::Buffer, false)) {
      state.SkipWithError("a device call failed");
      break;
    }
  }
  if (!scene.ReadPixel()) state.SkipWithError("read-back failed");
  state.counters["quads"] = kQuads;
}

// Wall time per frame is the figure; the "CPU" column is the main thread's share.
void RunPresentedFrames(benchmark::State& state, bool confined) {
  Scene scene(Scene::Kind::Presented);
  if (!scene.ok()) {
    state.SkipWithError("no OpenGL device");
    return;
  }
  if (confined) scene.Confine();
  for (int i = 0; i < quad_scene::kWarmUpFrames; ++i) scene.PresentedFrame();
  for (auto _ : state) {
    if (!scene.PresentedFrame()) {
      state.SkipWithError("a device call failed");
      return;
    }
  }
  uint32_t pixel = 0;
  if (!scene.ReadCheckedPixel(&pixel) || !quad_scene::ShowsQuad(pixel)) {
    state.SkipWithError("the last frame does not show the quads");
    return;
  }
  state.SetLabel(GLMachine_Info().renderer);
}

void BM_QuadsFromVertexBuffer(benchmark::State& state) { RunFrames(state, Scene::Source::Buffer); }
void BM_ConfinedQuadsInside(benchmark::State& state) { RunConfinedFrames(state, false); }
void BM_ConfinedQuadsCrossingEdges(benchmark::State& state) { RunConfinedFrames(state, true); }
void BM_QuadsFromUserMemory(benchmark::State& state) { RunFrames(state, Scene::Source::UserMemory); }
void BM_QuadsIn100Batches(benchmark::State& state) { RunFrames(state, Scene::Source::Batches); }

void BM_PresentedQuads(benchmark::State& state) { RunPresentedFrames(state, false); }
void BM_PresentedQuadsOnePixel(benchmark::State& state) { RunPresentedFrames(state, true); }

BENCHMARK(BM_PresentedQuads)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(quad_scene::kMinSeconds);
BENCHMARK(BM_PresentedQuadsOnePixel)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(quad_scene::kMinSeconds);
BENCHMARK(BM_QuadsFromVertexBuffer)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_QuadsFromUserMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_QuadsIn100Batches)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ConfinedQuadsInside)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ConfinedQuadsCrossingEdges)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
