// Text layout and drawing: a 100-character line and a paragraph wrapped into 20 lines, laid out
// and drawn in the built-in font into the batcher on the recording device with its log off. The
// counter gives nanoseconds per character.
#include <benchmark/benchmark.h>

#include <string>

#include "assets/embedded_images.h"
#include "assets/font.h"
#include "assets/lifecycle.h"
#include "recording_renderer.h"
#include "render/text.h"

namespace {

void Run(benchmark::State& state, const std::string& text, int32_t wrap) {
  RecordingRenderer renderer;
  if (!renderer.ok()) {
    state.SkipWithError("no recording device");
    return;
  }
  GR_SetEmbeddedTextures(g_EmbeddedImages);
  Text_ResetState();
  Text_SetFont(-1);
  const int32_t lines = Text_GetHeight(text.c_str(), -1, wrap) / Text_FontInUse()->MaxHeight();
  for (auto _ : state) {
    GR_D3D_BeginScene();
    Text_Draw(0, 0, text.c_str(), -1, wrap);
    GraphicsFlush();
    GR_D3D_EndScene();
  }
  Text_Shutdown();
  const double characters = static_cast<double>(state.iterations()) * static_cast<double>(text.size());
  state.counters["ns/char"] =
      benchmark::Counter(characters, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["lines"] = lines;
}

void BM_TextLine(benchmark::State& state) {
  std::string text;
  for (int i = 0; text.size() < 100; ++i) text += static_cast<char>('a' + i % 26);
  Run(state, text, -1);
}

void BM_TextWrappedParagraph(benchmark::State& state) {
  std::string text;
  const char* words[] = {"wire ", "chip ", "ghost ", "turret ", "level ", "hack "};
  for (int i = 0; text.size() < 660; ++i) text += words[i % 6];
  Run(state, text, 200);
}

BENCHMARK(BM_TextLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextWrappedParagraph)->Unit(benchmark::kMicrosecond);

}  // namespace
