// The vertex batcher's own cost: frames of 10,000 six-vertex textured quads written through
// GR_AllocVerts and sent by GraphicsFlush into the recording device with its log off, so that what
// is measured is the batcher (and the few device calls it makes), not drawing. One benchmark per
// vertex-buffer method; the budget is 1.5 ms of CPU time per frame.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "assets/texture.h"
#include "recording_renderer.h"
#include "render/d3d_device.h"
#include "render/render_state.h"
#include "render/vertex_batch.h"

namespace {

constexpr int kQuads = 10000;

struct Vertex {
  float x, y, z;
  uint32_t colour;
  float u, v;
};

void RunFrames(benchmark::State& state, int32_t method) {
  RecordingRenderer renderer;
  if (!renderer.ok()) {
    state.SkipWithError("no recording device");
    return;
  }
  g_Batch.method = method;
  // The batch's texture is a texture record, as the emitters hand it over.
  Texture* texture = Texture_Create(32, 32, 0, false, kTextureKindARGB);
  int frame = 0;
  for (auto _ : state) {
    GR_D3D_BeginScene();
    const float shift = static_cast<float>(frame++ % 8);
    for (int i = 0; i < kQuads; ++i) {
      auto* v = static_cast<Vertex*>(GR_AllocVerts(4, texture, 24, 6));
      const float l = static_cast<float>(i % 1000) + shift, t = static_cast<float>(i / 1000) * 70, r = l + 32,
                  b = t + 32;
      v[0] = {l, t, 0, 0xFFFFFFFFu, 0, 0};
      v[1] = {r, t, 0, 0xFFFFFFFFu, 1, 0};
      v[2] = {l, b, 0, 0xFFFFFFFFu, 0, 1};
      v[3] = {l, b, 0, 0xFFFFFFFFu, 0, 1};
      v[4] = {r, t, 0, 0xFFFFFFFFu, 1, 0};
      v[5] = {r, b, 0, 0xFFFFFFFFu, 1, 1};
    }
    GraphicsFlush();
    GR_D3D_EndScene();
  }
  state.counters["draws/frame"] =
      benchmark::Counter(static_cast<double>(g_Batch.drawCalls) / static_cast<double>(state.iterations()));
  Texture_Free(texture);
}

void BM_BatchSingleBuffer(benchmark::State& state) { RunFrames(state, kVBMethodSingle); }
void BM_BatchBufferPool(benchmark::State& state) { RunFrames(state, kVBMethodPool); }
void BM_BatchNoBuffer(benchmark::State& state) { RunFrames(state, kVBMethodNone); }

BENCHMARK(BM_BatchSingleBuffer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BatchBufferPool)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BatchNoBuffer)->Unit(benchmark::kMillisecond);

}  // namespace
