// The page-entry emitter's cost: frames of 10,000 GR_TPE_DrawExt quads (scaled, turned, coloured,
// as sprites draw) into the batcher on the recording device with its log off. The counter gives
// nanoseconds per quad; the CPU budget for 10,000 sprites is 1.5 ms a frame.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "assets/texture.h"
#include "assets/texture_pages.h"
#include "core/console.h"
#include "platform/d3d9/recording_device.h"
#include "render/d3d_device.h"
#include "render/vertex_batch.h"

namespace {

constexpr int kQuads = 10000;

std::shared_ptr<D3D9RecordingLog> g_log;
IDirect3D9* Recording() { return D3D9_CreateRecordingDirect3D(g_log); }

void BM_PageEntryDrawExt(benchmark::State& state) {
  TErrStreamConsole quiet;
  tagIConsole* debug = g_pDebugConsole;
  g_pDebugConsole = &quiet;
  g_log = std::make_shared<D3D9RecordingLog>();
  g_log->SetRecording(false);
  GR_Direct3DFactory old = GR_D3D_SetFactory(&Recording);
  if (!GR_D3D_Init(nullptr, 1024, 768, 0)) {
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
  GR_Texture_FreeAll();
  GR_D3D_Shutdown();
  g_D3D = GR_D3DDeviceState{};
  g_Batch = GR_BatchState{};
  GR_D3D_SetFactory(old);
  g_pDebugConsole = debug;
}

BENCHMARK(BM_PageEntryDrawExt)->Unit(benchmark::kMillisecond);

}  // namespace
