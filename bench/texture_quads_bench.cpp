// The page-entry emitter's cost: frames of 10,000 GR_TPE_DrawExt quads (scaled, turned, coloured,
// as sprites draw) into the batcher on the recording device with its log off. The counter gives
// nanoseconds per quad; the CPU budget for 10,000 sprites is 1.5 ms a frame.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "assets/texture_pages.h"
#include "recording_renderer.h"

namespace {

constexpr int kQuads = 10000;

void BM_PageEntryDrawExt(benchmark::State& state) {
  RecordingRenderer renderer;
  if (!renderer.ok()) {
    state.SkipWithError("no recording device");
    return;
  }
  const int32_t page = GR_Texture_Create(1024, 1024, false);
  TPageEntry entry{64, 32, 30, 28, 1, 2, 30, 28, 32, 32, static_cast<int16_t>(page)};
  int frame = 0;
  for (auto _ : state) {
    GR_D3D_BeginScene();
    const float shift = static_cast<float>(frame++ % 8);
    for (int i = 0; i < kQuads; ++i) {
      const float x = static_cast<float>(i % 1000) + shift;
      const float y = static_cast<float>(i / 1000) * 70;
      const float angle = (i & 1) != 0 ? 0.0f : 0.5f;
      GR_TPE_DrawExt(&entry, 16, 16, x, y, 1.5f, 1.5f, angle, 0xFFFFFF, 1.0f);
    }
    GraphicsFlush();
    GR_D3D_EndScene();
  }
  const double quads = static_cast<double>(state.iterations()) * kQuads;
  state.counters["ns/quad"] = benchmark::Counter(quads, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_PageEntryDrawExt)->Unit(benchmark::kMillisecond);

}  // namespace
