// The runner's line of drawing in scripts/bench: the shared scene of bench/quad_scene.h drawn
// through the runner's own path (a texture slot, its quad emitter, the batcher, the device layer,
// OpenGL) in frames that start, clear to black, draw the 10,000 quads, end and are presented to
// the window, after ten warm-up frames and for at least five seconds. The one-pixel benchmark
// confines drawing to a 1 x 1 viewport that shows the room's checked pixel, so that what is left
// is the CPU cost without the rasteriser's fill. The checked pixel of the last frame is read back
// and must show a quad. Wall time per frame is the frame's figure; the "CPU" column is the main
// thread's own. These programs draw without the frame loop, so its frame wait (turned off by
// g_FrameTiming.pacing = false, runtime/frame_timing.h) never applies. The label is the OpenGL renderer.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "assets/texture_pages.h"
#include "platform/d3d9/gl_device.h"
#include "quad_scene.h"
#include "recording_renderer.h"
#include "render/d3d_device.h"
#include "render/frame.h"
#include "render/render_setters.h"

namespace {

using namespace quad_scene;

// The checked pixel of the back buffer (0xAARRGGBB); false when it cannot be read.
bool ReadCheckedPixel(uint32_t* argb) {
  IDirect3DDevice9* device = g_D3D.device;
  IDirect3DSurface9* backBuffer = nullptr;
  IDirect3DSurface9* pixel = nullptr;
  bool ok = device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer) == D3D_OK &&
            device->CreateRenderTarget(1, 1, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &pixel, nullptr) == D3D_OK;
  const RECT from{kCheckX, kCheckY, kCheckX + 1, kCheckY + 1};
  ok = ok && device->StretchRect(backBuffer, &from, pixel, nullptr, D3DTEXF_NONE) == D3D_OK;
  D3DLOCKED_RECT locked{};
  ok = ok && pixel->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK;
  if (ok) {
    *argb = *static_cast<uint32_t*>(locked.pBits);
    pixel->UnlockRect();
  }
  if (pixel != nullptr) pixel->Release();
  if (backBuffer != nullptr) backBuffer->Release();
  return ok;
}

void Frame(int32_t slot, const std::vector<float>& positions, bool onePixel) {
  Start_Frame();
  // Starting a frame sets the window's target again, and with it the whole viewport.
  if (onePixel) {
    GR_SetViewport(kCheckX, kCheckY, 1, 1);
    GR_SetView(static_cast<float>(kCheckX), static_cast<float>(kCheckY), 1.0f, 1.0f, 0.0f);
  }
  GR_D3D_Clear(0, 1.0f, 0, kClearTarget);
  for (size_t i = 0; i + 1 < positions.size(); i += 2) GR_Texture_Draw(slot, positions[i], positions[i + 1]);
  End_Frame(true);
}

void RunFrames(benchmark::State& state, bool onePixel) {
  RecordingRenderer renderer(RecordingRenderer::Device::OpenGL, kWidth, kHeight);
  const std::vector<float> positions = Positions();
  if (!renderer.ok() || !CheckPixelCovered(positions)) {
    state.SkipWithError("no OpenGL device");
    return;
  }
  std::vector<uint32_t> pixels = TexturePixels();
  const int32_t slot =
      GR_Texture_CreateFromData(kSide, kSide, reinterpret_cast<uint8_t*>(pixels.data()), pixels.size() * 4);
  for (int i = 0; i < kWarmUpFrames; ++i) Frame(slot, positions, onePixel);
  for (auto _ : state) Frame(slot, positions, onePixel);
  uint32_t pixel = 0;
  if (!ReadCheckedPixel(&pixel) || !ShowsQuad(pixel)) {
    state.SkipWithError("the last frame does not show the quads");
    return;
  }
  state.SetLabel(GLMachine_Info().renderer);
}

void BM_RunnerQuads(benchmark::State& state) { RunFrames(state, false); }
void BM_RunnerQuadsOnePixel(benchmark::State& state) { RunFrames(state, true); }

BENCHMARK(BM_RunnerQuads)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(kMinSeconds);
BENCHMARK(BM_RunnerQuadsOnePixel)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(kMinSeconds);

}  // namespace
