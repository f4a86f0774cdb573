// The audio engine's per-frame tick with every voice of the pool playing, on a loopback device
// (no sound card needed).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "audio/audio_engine.h"
#include "audio/sound_device.h"
#include "audio/sound_hardware.h"
#include "container/sound.h"
#include "container/writer.h"
#include "runtime/container.h"

namespace {

void BM_AudioTickWith128Voices(benchmark::State& state) {
  container::ContainerWriter writer;
  const container::SoundEntry sound;
  container::ToneSpec tone;
  tone.seconds = 1.0;
  const container::AudioFile file{false, container::make_wav_tone(tone)};
  container::write_sond(writer, std::span(&sound, 1));
  container::write_audo(writer, std::span(&file, 1));
  std::vector<uint8_t> bytes = writer.build().bytes;
  ContainerBytes container{bytes.data(), bytes.size()};
  ContainerChunks chunks(container);
  for (ContainerChunk chunk; chunks.Next(&chunk);) {
    if (std::string(chunk.tag) == "SOND") Audio_Load(chunk.body, chunk.size, container);
    if (std::string(chunk.tag) == "AUDO") Audio_WAVs(chunk.body, chunk.size, container, 0);
  }
  SoundDevice_UseManualLoopback(true);
  Audio_SetEngineOn(true);
  Sound_InitHardware();
  Audio_Prepare();
  int32_t playing = 0;
  for (int i = 0; i < 128; ++i) playing += Audio_PlaySimpleSound(0, 1.0, 1) > 0 ? 1 : 0;
  // Every voice fades, so the tick does all of its work for each.
  for (int i = 0; i < 128; ++i) Audio_SetSoundGain(AUDIO_VOICE_ID_BASE + 1 + i, 0.5f, 100000);
  for (auto _ : state) {
    Audio_Tick();
  }
  state.counters["voices"] = playing;
  Sound_QuitHardware();
  SoundDevice_UseManualLoopback(false);
}
BENCHMARK(BM_AudioTickWith128Voices)->Unit(benchmark::kMicrosecond);

}  // namespace
