// One step of a particle system and its drawing, at 1,000 and 10,000 particles: shape particles
// with every per-step change on (motion with gravity and wiggles, growing, two colours, three
// alphas), updated and drawn into the batcher on the recording device with its log off. Lives
// are long, so the count stays as made. The counter gives nanoseconds per particle.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "assets/embedded_images.h"
#include "assets/lifecycle.h"
#include "functions/random.h"
#include "recording_renderer.h"
#include "render/lifecycle.h"
#include "render/particles.h"

namespace {

int32_t MakeSystem(int32_t count) {
  Particle_Reset();
  Random_Seed(1);
  const int32_t t = ParticleType_Create();
  ParticleType_SetShape(t, 1);
  ParticleType_SetLife(t, 1000000000, 1000000000);
  ParticleType_SetSpeed(t, 1, 3, 0.001f, 0.5f);
  ParticleType_SetDirection(t, 0, 360, 0.5f, 10);
  ParticleType_SetOrientation(t, 0, 360, 1, 5, true);
  ParticleType_SetGravity(t, 0.01f, 270);
  ParticleType_SetSize(t, 0.1f, 0.3f, 0.0001f, 0.05f);
  ParticleType_SetColour2(t, 0xFF0000, 0x00FF00);
  ParticleType_SetAlpha3(t, 1, 0.5f, 0);
  const int32_t ps = ParticleSystem_Create();
  ParticleSystem_CreateParticles(ps, 512, 384, t, count);
  return ps;
}

void Report(benchmark::State& state) {
  const double particles = static_cast<double>(state.iterations()) * static_cast<double>(state.range(0));
  state.counters["ns/particle"] =
      benchmark::Counter(particles, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ParticleUpdate(benchmark::State& state) {
  const int32_t ps = MakeSystem(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) ParticleSystem_Update(ps);
  benchmark::DoNotOptimize(ParticleSystem_CountParticles(ps));
  Particle_Reset();
  Report(state);
}

void BM_ParticleDraw(benchmark::State& state) {
  RecordingRenderer renderer;
  if (!renderer.ok()) {
    state.SkipWithError("no recording device");
    return;
  }
  GR_SetEmbeddedTextures(g_EmbeddedImages);
  Particle_CreateShapeTextures();
  const int32_t ps = MakeSystem(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    GR_D3D_BeginScene();
    ParticleSystem_Draw(ps);
    GraphicsFlush();
    GR_D3D_EndScene();
  }
  Particle_Shutdown();
  Report(state);
}

}  // namespace

BENCHMARK(BM_ParticleUpdate)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParticleDraw)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
