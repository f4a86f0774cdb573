#include "container/sound.h"

#include <cmath>
#include <numbers>

namespace container {

namespace {
std::vector<std::string> slot_labels(const char* tag, size_t count, auto empty) {
  std::vector<std::string> labels;
  for (size_t i = 0; i < count; ++i) {
    labels.push_back(empty(i) ? std::string() : std::string(tag) + "/entry/" + std::to_string(i));
  }
  return labels;
}
}  // namespace

ChunkBuilder& write_sond(ContainerWriter& writer, std::span<const SoundEntry> sounds) {
  ChunkBuilder& chunk = writer.add_chunk("SOND");
  chunk.pointer_list(slot_labels("SOND", sounds.size(), [&](size_t i) { return sounds[i].empty_slot; }));
  for (size_t i = 0; i < sounds.size(); ++i) {
    const SoundEntry& s = sounds[i];
    if (s.empty_slot) continue;
    chunk.label("SOND/entry/" + std::to_string(i));
    chunk.string_ref(s.name).i32(s.kind).string_ref(s.type).string_ref(s.file).u32(s.effects);
    chunk.f32(s.volume).f32(s.pan).i32(s.group).i32(s.audo_index);
  }
  return chunk;
}

ChunkBuilder& write_audo(ContainerWriter& writer, std::span<const AudioFile> files) {
  ChunkBuilder& chunk = writer.add_chunk("AUDO");
  chunk.pointer_list(slot_labels("AUDO", files.size(), [&](size_t i) { return files[i].empty_slot; }));
  for (size_t i = 0; i < files.size(); ++i) {
    if (files[i].empty_slot) continue;
    chunk.align(4);
    chunk.label("AUDO/entry/" + std::to_string(i));
    chunk.u32(static_cast<uint32_t>(files[i].bytes.size())).bytes(files[i].bytes);
  }
  return chunk;
}

ChunkBuilder& write_agrp(ContainerWriter& writer, std::span<const std::string> groups) {
  ChunkBuilder& chunk = writer.add_chunk("AGRP");
  chunk.pointer_list(slot_labels("AGRP", groups.size(), [](size_t) { return false; }));
  for (size_t i = 0; i < groups.size(); ++i) {
    chunk.label("AGRP/entry/" + std::to_string(i));
    chunk.string_ref(groups[i]);
  }
  return chunk;
}

std::vector<uint8_t> make_wav(std::span<const int16_t> samples, int32_t rate, int32_t channels) {
  const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> out;
  out.reserve(44 + static_cast<size_t>(dataBytes));
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto u16 = [&](uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(t[i]));
  };
  tag("RIFF");
  u32(36 + dataBytes);
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(1);  // PCM
  u16(static_cast<uint16_t>(channels));
  u32(static_cast<uint32_t>(rate));
  u32(static_cast<uint32_t>(rate * channels * 2));
  u16(static_cast<uint16_t>(channels * 2));
  u16(16);
  tag("data");
  u32(dataBytes);
  for (int16_t v : samples) u16(static_cast<uint16_t>(v));
  return out;
}

std::vector<uint8_t> make_wav_tone(const ToneSpec& tone) {
  const auto frames = static_cast<uint32_t>(std::llround(tone.seconds * tone.rate));
  std::vector<int16_t> samples;
  samples.reserve(size_t{frames} * static_cast<size_t>(tone.channels));
  for (uint32_t f = 0; f < frames; ++f) {
    const double v = tone.amplitude * std::sin(2.0 * std::numbers::pi * tone.frequency * f / tone.rate);
    for (int32_t c = 0; c < tone.channels; ++c) samples.push_back(static_cast<int16_t>(std::lround(32767.0 * v)));
  }
  if (tone.bits == 16) return make_wav(samples, tone.rate, tone.channels);
  // 8-bit PCM: the same header with unsigned bytes.
  std::vector<uint8_t> out = make_wav({}, tone.rate, tone.channels);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  const auto dataBytes = static_cast<uint32_t>(samples.size());
  put32(4, 36 + dataBytes);
  put32(28, static_cast<uint32_t>(tone.rate * tone.channels));
  out[32] = static_cast<uint8_t>(tone.channels);
  out[34] = 8;
  put32(40, dataBytes);
  for (uint32_t f = 0; f < frames; ++f) {
    const double v = tone.amplitude * std::sin(2.0 * std::numbers::pi * tone.frequency * f / tone.rate);
    for (int32_t c = 0; c < tone.channels; ++c) out.push_back(static_cast<uint8_t>(std::lround(128.0 + 127.0 * v)));
  }
  return out;
}

}  // namespace container
