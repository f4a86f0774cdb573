// The game options chunk (OPTN) in either of its two layouts, with the game's constants list
// (pairs of texts {name, value}).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "container/writer.h"

namespace container {

struct OptnConstant {
  std::string name;
  std::string value;
};

// Byte offsets of the options in the old layout (one 32-bit word each).
namespace optn_old {
inline constexpr uint32_t kFullScreen = 0;
inline constexpr uint32_t kNewAudioEngine = 8;
inline constexpr uint32_t kShowCursor = 16;
inline constexpr uint32_t kScale = 20;
inline constexpr uint32_t kWindowColour = 32;
inline constexpr uint32_t kSwitchDisplayMode = 36;
inline constexpr uint32_t kColourDepth = 40;
inline constexpr uint32_t kResolution = 44;
inline constexpr uint32_t kFrequency = 48;
inline constexpr uint32_t kIntegerOption1 = 56;
inline constexpr uint32_t kAltEnter = 60;
inline constexpr uint32_t kIntegerOption2 = 84;
inline constexpr uint32_t kFreezeWhileInactive = 88;
inline constexpr uint32_t kImage = 104;
inline constexpr uint32_t kOption13 = 112;
inline constexpr uint32_t kEveryErrorFatal = 128;
inline constexpr uint32_t kVariableRead = 132;
inline constexpr uint32_t kOption16 = 136;
inline constexpr uint32_t kConstantCount = 140;
}  // namespace optn_old

// Option flags of the new layout.
namespace optn_new {
inline constexpr uint64_t kFullScreen = 0x1;
inline constexpr uint64_t kNewAudioEngine = 0x4;
inline constexpr uint64_t kShowCursor = 0x10;
inline constexpr uint64_t kSwitchDisplayMode = 0x80;
inline constexpr uint64_t kAltEnter = 0x200;
inline constexpr uint64_t kFreezeWhileInactive = 0x8000;
inline constexpr uint64_t kEveryErrorFatal = 0x200000;
inline constexpr uint64_t kVariableRead = 0x400000;
inline constexpr uint64_t kOption16 = 0x800000;
}  // namespace optn_new

// Old layout: the words at offsets 0 to 136 (word i at offset 4 × i), then the constants. A
// non-empty image label replaces the word at offset 104 by that label's offset.
struct OptnOldLayout {
  std::array<int32_t, 35> words = {};
  std::string image_label;
  std::vector<OptnConstant> constants;
  void set(uint32_t offset, int32_t value) { words.at(offset / 4) = value; }
};

// New layout: a negative marker, the layout version (the runner reads only 2), the flags and the
// scalar options, then the constants.
struct OptnNewLayout {
  int32_t marker = -1;
  uint32_t layout_version = 2;
  uint64_t flags = optn_new::kShowCursor | optn_new::kAltEnter;
  int32_t scale = 100;
  uint32_t window_colour = 0xFFFFFF;
  int32_t colour_depth = 0;
  int32_t resolution = 0;
  int32_t frequency = 0;
  int32_t integer_option1 = 0;
  int32_t integer_option2 = 0;
  std::string image_label;
  uint32_t option13 = 0;
  std::vector<OptnConstant> constants;
};

// Each adds the chunk, its body start labelled "OPTN/options/0".
ChunkBuilder& write_optn(ContainerWriter& writer, const OptnOldLayout& options);
ChunkBuilder& write_optn(ContainerWriter& writer, const OptnNewLayout& options);

}  // namespace container
