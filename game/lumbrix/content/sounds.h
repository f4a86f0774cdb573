// The game's sounds, synthesised as WAV images (16-bit mono PCM).
#pragma once

#include <cstdint>
#include <vector>

namespace lumbrix_content {

// The WAV image of sound `index` (Sounds()).
std::vector<uint8_t> SynthesiseSound(int32_t index);
// Their sample rate.
int32_t SoundRate();

}  // namespace lumbrix_content
