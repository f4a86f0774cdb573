// Sounds: SOND (a count, the entry offsets, then 36-byte entries {name, kind, type, file, effect
// flags, volume, pan, audio group, AUDO index}), AUDO (a count, the record offsets, then records
// {u32 length, the file's bytes}) and AGRP (a count, the entry offsets, then one name offset
// each); and a maker of WAV files holding a sine tone.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "container/writer.h"

namespace container {

struct SoundEntry {
  bool empty_slot = false;
  std::string name = "snd";
  int32_t kind = 101;  // 0 / 1 old codes; 100 streamed, 101 WAV in AUDO, 102 compressed, 103 decoded on load
  std::string type = ".wav";
  std::string file = "snd.wav";
  uint32_t effects = 0;
  float volume = 1.0f;
  float pan = 0.0f;
  int32_t group = 0;
  int32_t audo_index = 0;
};

struct AudioFile {
  bool empty_slot = false;
  std::vector<uint8_t> bytes;
};

// Entry i is labelled "SOND/entry/<i>", record i "AUDO/entry/<i>", group i "AGRP/entry/<i>".
ChunkBuilder& write_sond(ContainerWriter& writer, std::span<const SoundEntry> sounds);
ChunkBuilder& write_audo(ContainerWriter& writer, std::span<const AudioFile> files);
ChunkBuilder& write_agrp(ContainerWriter& writer, std::span<const std::string> groups);

struct ToneSpec {
  double frequency = 440.0;  // Hz
  int32_t rate = 44100;      // frames a second
  double seconds = 1.0;
  int32_t bits = 16;  // 8 or 16
  int32_t channels = 1;
  double amplitude = 0.5;  // of full scale
};
// A complete RIFF/WAV file of 16-bit PCM samples (channels interleaved).
std::vector<uint8_t> make_wav(std::span<const int16_t> samples, int32_t rate, int32_t channels);
// A complete RIFF/WAV file: PCM, a sine tone in every channel.
std::vector<uint8_t> make_wav_tone(const ToneSpec& tone);

}  // namespace container
