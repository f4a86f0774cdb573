// Sprites: the precise test of two overlapping 64 x 64 precise sprites (unrotated, then one of
// them turned), with masks that never meet so that the whole overlap is visited; and frames of 10,000
// SpriteDraw calls on the recording device with its log off, half of them culled by the radius.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "assets/sprite.h"
#include "assets/sprite_mask.h"
#include "assets/texture_pages.h"
#include "recording_renderer.h"
#include "render/render_setters.h"

namespace {

constexpr int32_t kSide = 64;

// A 64 x 64 sprite whose mask is a checkerboard (parity 0 or 1), or empty (parity 2): against
// an empty mask nothing meets, so every point of the overlap is visited, turned or not.
void Checkerboard(CSprite* s, int32_t parity) {
  s->width = kSide;
  s->height = kSide;
  s->frameCount = 1;
  s->masks.assign(1, std::vector<uint8_t>(kSide * kSide));
  for (int32_t y = 0; y < kSide; ++y) {
    for (int32_t x = 0; x < kSide; ++x) s->masks[0][static_cast<size_t>(y * kSide + x)] = ((x + y) & 1) == parity;
  }
  s->masksBuilt = true;
}

MaskPlacement Placed(float angle) {
  MaskPlacement at;
  at.bbox = {100, 100, 163, 163};
  at.x = 100;
  at.y = 100;
  at.angle = angle;
  return at;
}

void BM_PreciseCollision(benchmark::State& state) {
  CSprite a;
  CSprite b;
  Checkerboard(&a, 0);
  Checkerboard(&b, 2);
  const MaskPlacement atA = Placed(0);
  const MaskPlacement atB = Placed(static_cast<float>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(PreciseCollision(&a, atA, &b, atB));
  state.SetLabel(state.range(0) == 0 ? "unrotated" : "rotated");
}

BENCHMARK(BM_PreciseCollision)->Arg(0)->Arg(30)->Unit(benchmark::kMicrosecond);

constexpr int kSprites = 10000;

void BM_SpriteDraw(benchmark::State& state) {
  RecordingRenderer renderer;
  if (!renderer.ok()) {
    state.SkipWithError("no recording device");
    return;
  }
  const int32_t page = GR_Texture_Create(1024, 1024, false);
  TPageEntry entry{64, 32, 30, 28, 1, 2, 30, 28, 32, 32, static_cast<int16_t>(page)};
  CSprite sprite;
  sprite.width = 32;
  sprite.height = 32;
  sprite.originX = 16;
  sprite.originY = 16;
  sprite.frameCount = 1;
  sprite.entries = std::make_shared<std::vector<TPageEntry*>>(1, &entry);
  sprite.ComputeBoundingRadius();
  g_GR_View.cullMinX = 0;
  g_GR_View.cullMinY = 0;
  g_GR_View.cullMaxX = 1024;
  g_GR_View.cullMaxY = 768;
  g_GR_View.cullDirty = false;
  int frame = 0;
  for (auto _ : state) {
    GR_D3D_BeginScene();
    const float shift = static_cast<float>(frame++ % 8);
    for (int i = 0; i < kSprites; ++i) {
      // Every other sprite stands far outside the view.
      const float x = static_cast<float>(i % 1000) + shift + ((i & 1) != 0 ? 5000.0f : 0.0f);
      const float y = static_cast<float>(i / 1000) * 70;
      sprite.SpriteDraw(0, x, y, 1.5f, 1.5f, (i & 2) != 0 ? 0.0f : 30.0f, 0xFFFFFF, 1.0f);
    }
    GraphicsFlush();
    GR_D3D_EndScene();
  }
  sprite.entries.reset();
  g_GR_View = GR_ViewState{};
  const double calls = static_cast<double>(state.iterations()) * kSprites;
  state.counters["ns/call"] = benchmark::Counter(calls, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_SpriteDraw)->Unit(benchmark::kMillisecond);

}  // namespace
