// draw_sprite_ext and draw_text as scripts call them: 10,000 calls an iteration through the
// built-in table (found by name once, called by index with value arguments) on the recording
// device with its log off. The counter gives nanoseconds per call.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "assets/embedded_images.h"
#include "assets/lifecycle.h"
#include "assets/sprite_table.h"
#include "assets/texture_pages.h"
#include "core/function_registry.h"
#include "core/value.h"
#include "functions/text_sprite_functions.h"
#include "recording_renderer.h"
#include "render/render_setters.h"
#include "render/text.h"
#include "vm/calls.h"

namespace {

constexpr int kCalls = 10000;

// The group registered alone; the table is emptied again afterwards.
class Registry {
 public:
  Registry() {
    Builtin_Shutdown();
    TextSprite_RegisterFunctions(1);
  }
  ~Registry() { Builtin_Shutdown(); }
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;
  static int32_t Index(const char* name) {
    int32_t id = -1;
    Builtin_FindCallable(name, &id);
    return id;
  }
};

// Calls the function kCalls times an iteration with the arguments `args`, which it releases.
void Run(benchmark::State& state, const char* name, std::vector<RValue> args) {
  Registry registry;
  const int32_t index = Registry::Index(name);
  std::vector<RValue*> pointers;
  for (RValue& a : args) pointers.push_back(&a);
  RValue result = RValue_MakeUndefined();
  for (auto _ : state) {
    GR_D3D_BeginScene();
    for (int i = 0; i < kCalls; ++i) {
      VM_CallBuiltin(nullptr, nullptr, &result, static_cast<int32_t>(args.size()), index, pointers.data());
    }
    GraphicsFlush();
    GR_D3D_EndScene();
  }
  RValue_Release(&result);
  for (RValue& a : args) RValue_Release(&a);
  state.counters["ns/call"] = benchmark::Counter(static_cast<double>(state.iterations()) * kCalls,
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_DrawSpriteExt(benchmark::State& state) {
  // A 32 x 32 frame on a page, drawn scaled, turned and tinted inside the view.
  RecordingRenderer renderer;
  if (!renderer.ok()) {
    state.SkipWithError("no recording device");
    return;
  }
  const int32_t page = GR_Texture_Create(1024, 1024, false);
  TPageEntry entry{64, 32, 30, 28, 1, 2, 30, 28, 32, 32, static_cast<int16_t>(page)};
  CSprite fields;
  fields.width = 32;
  fields.height = 32;
  fields.originX = 16;
  fields.originY = 16;
  fields.frameCount = 1;
  fields.radius = 23;
  const int32_t sprite = Sprite_Add(fields);
  Sprite_Data(sprite)->entries = std::make_shared<std::vector<TPageEntry*>>(1, &entry);
  g_GR_View.cullMinX = 0;
  g_GR_View.cullMinY = 0;
  g_GR_View.cullMaxX = 1024;
  g_GR_View.cullMaxY = 768;
  g_GR_View.cullDirty = false;
  Run(state, "draw_sprite_ext",
      {RValue_MakeReal(sprite), RValue_MakeReal(0), RValue_MakeReal(300), RValue_MakeReal(200), RValue_MakeReal(1.5),
       RValue_MakeReal(1.5), RValue_MakeReal(30), RValue_MakeReal(0xFF8040), RValue_MakeReal(0.75)});
  Sprite_DeleteAll();
  g_GR_View = GR_ViewState{};
}

void RunText(benchmark::State& state, RValue text) {
  RecordingRenderer renderer;
  if (!renderer.ok()) {
    RValue_Release(&text);
    state.SkipWithError("no recording device");
    return;
  }
  GR_SetEmbeddedTextures(g_EmbeddedImages);
  Text_ResetState();
  Text_SetFont(-1);
  Run(state, "draw_text", {RValue_MakeReal(10), RValue_MakeReal(10), text});
  Text_Shutdown();
}

// A score line: a string of 12 characters.
void BM_DrawTextString(benchmark::State& state) {
  RValue text = RValue_MakeUndefined();
  RValue_InitString(&text, "Score: 12345");
  RunText(state, text);
}

// A number with a fraction, written with two decimals.
void BM_DrawTextNumber(benchmark::State& state) { RunText(state, RValue_MakeReal(1234.5)); }

BENCHMARK(BM_DrawSpriteExt)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawTextString)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawTextNumber)->Unit(benchmark::kMicrosecond);

}  // namespace
