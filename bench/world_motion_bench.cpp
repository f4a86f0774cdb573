// Costs of an instance's per-step geometry: the instance-against-instance test of two
// non-precise instances (both boxes up to date, as in a collision pass), the bounding box of a
// rotated sprite, and one step along a smooth path of 100 points.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "assets/sprite_table.h"
#include "world/instance.h"
#include "world/path.h"

namespace {

int32_t SquareSprite() {
  CSprite s;
  s.frameCount = 1;
  s.maskRight = 31;
  s.maskBottom = 31;
  s.originX = 16;
  s.originY = 16;
  return Sprite_Add(s);
}

void BM_CollisionInstanceOfTwoNonPreciseInstances(benchmark::State& state) {
  const int32_t sprite = SquareSprite();
  CInstance a(100, 100, 100001, -1, false);
  CInstance b(110, 120, 100002, -1, false);
  a.SetSpriteIndex(sprite);
  b.SetSpriteIndex(sprite);
  for (auto _ : state) benchmark::DoNotOptimize(a.Collision_Instance(&b, false));
  Sprite_DeleteAll();
}
BENCHMARK(BM_CollisionInstanceOfTwoNonPreciseInstances);

void BM_ComputeBoundingBoxAtAnAngle(benchmark::State& state) {
  const int32_t sprite = SquareSprite();
  CInstance a(100.4f, 50, 100001, -1, false);
  a.SetSpriteIndex(sprite);
  a.SetImageAngle(45);
  a.SetImageXScale(1.5f);
  for (auto _ : state) {
    Compute_BoundingBox(&a);
    benchmark::DoNotOptimize(a.bbox_right);
  }
  Sprite_DeleteAll();
}
BENCHMARK(BM_ComputeBoundingBoxAtAnAngle);

void BM_AdvancePathOnASmoothPathOf100Points(benchmark::State& state) {
  const int32_t path = Path_Add();
  CPath* p = Path_Data(path);
  p->SetKind(kPathKindSmooth);
  for (int32_t i = 0; i < 100; ++i) {
    const double a = i * 2 * 3.14159265 / 100;
    p->AddPoint(static_cast<float>(500 + 400 * std::cos(a)), static_cast<float>(500 + 300 * std::sin(3 * a)),
                static_cast<float>(50 + i));
  }
  CInstance a(0, 0, 100001, -1, false);
  a.StartPath(path, 4, 1, 0, false, 1);  // restart: it runs forever
  for (auto _ : state) benchmark::DoNotOptimize(a.AdvancePath());
  state.counters["route points"] = static_cast<double>(p->Route().size());
  Path_DeleteAll();
}
BENCHMARK(BM_AdvancePathOnASmoothPathOf100Points);

}  // namespace
