// The audio engine on a loopback device that renders only when a test asks, over sounds loaded
// from a written container; what was played is read back as mono float samples.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/audio_engine.h"
#include "audio/lifecycle.h"
#include "audio/sound_device.h"
#include "audio/sound_hardware.h"
#include "container/sound.h"
#include "container/writer.h"
#include "core/console.h"
#include "core/function_registry.h"
#include "functions/audio_functions.h"
#include "runtime/container.h"
#include "host/host_fixture.h"
#include "world/room.h"

namespace audio_test {

inline constexpr int32_t kRate = 44100;

// A 440 Hz tone of 0.25 s, 16-bit mono, at half of full scale.
inline container::ToneSpec Tone(double seconds = 0.25, double frequency = 440.0) {
  container::ToneSpec tone;
  tone.frequency = frequency;
  tone.seconds = seconds;
  tone.rate = kRate;
  return tone;
}

inline double Rms(const std::vector<float>& samples) {
  double sum = 0.0;
  for (float s : samples) sum += static_cast<double>(s) * s;
  return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

inline int32_t ZeroCrossings(const std::vector<float>& samples) {
  int32_t n = 0;
  for (size_t i = 1; i < samples.size(); ++i) {
    if ((samples[i - 1] < 0.0f) != (samples[i] < 0.0f)) ++n;
  }
  return n;
}

class AudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Audio_NoAudio = false;
    m_savedConsole = g_pDebugConsole;
    g_pDebugConsole = &m_log;
    Builtin_Shutdown();
    InitSoundFunctions();
  }
  void TearDown() override {
    Sound_QuitHardware();
    Audio_SetEngineOn(false);
    SoundDevice_UseManualLoopback(false);
    Audio_NoAudio = false;
    Room_Current = nullptr;
    Builtin_Shutdown();
    g_pDebugConsole = m_savedConsole;
  }

  // Writes the three chunks, loads them as the container loader does, starts the hardware on
  // the test's loopback device and prepares the sounds. False when a loader refused its chunk.
  bool Start(std::vector<container::SoundEntry> sounds, std::vector<container::AudioFile> files,
             std::vector<std::string> groups = {}, bool engineOn = true) {
    container::ContainerWriter writer;
    container::write_sond(writer, sounds);
    container::write_agrp(writer, groups);
    container::write_audo(writer, files);
    const container::BuildResult built = writer.build();
    EXPECT_TRUE(built.ok()) << built.error;
    m_bytes = built.bytes;
    return StartFromBytes(engineOn);
  }

  bool StartFromBytes(bool engineOn = true) {
    Game_ClearLoadFailure();
    ContainerBytes bytes{m_bytes.data(), m_bytes.size()};
    std::string error;
    EXPECT_TRUE(Container_CheckFraming(bytes, "container", &error)) << error;
    ContainerChunks chunks(bytes);
    ContainerChunk chunk;
    bool ok = true;
    while (ok && chunks.Next(&chunk)) {
      const std::string tag = chunk.tag;
      if (tag == "SOND") ok = Audio_Load(chunk.body, chunk.size, bytes);
      if (tag == "AGRP") ok = AudioGroup_Load(chunk.body, chunk.size, bytes);
      if (tag == "AUDO") ok = Audio_WAVs(chunk.body, chunk.size, bytes, 0);
    }
    if (!ok) return false;
    SoundDevice_UseManualLoopback(true, kRate);
    Audio_SetEngineOn(engineOn);
    Sound_InitHardware();
    Audio_Prepare();
    return true;
  }

  // One sound of each given tone, sound i in AUDO entry i.
  bool StartWithTones(const std::vector<container::ToneSpec>& tones) {
    std::vector<container::SoundEntry> sounds;
    std::vector<container::AudioFile> files;
    for (size_t i = 0; i < tones.size(); ++i) {
      container::SoundEntry s;
      s.name = "snd" + std::to_string(i);
      s.audo_index = static_cast<int32_t>(i);
      sounds.push_back(s);
      files.push_back({false, container::make_wav_tone(tones[i])});
    }
    return Start(sounds, files);
  }

  std::vector<float> Render(double seconds) {
    return SoundDevice_Render(static_cast<int32_t>(std::lround(seconds * kRate)));
  }

  std::vector<uint8_t> m_bytes;
  CaptureConsole m_log;
  tagIConsole* m_savedConsole = nullptr;
};

}  // namespace audio_test
