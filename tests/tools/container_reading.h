// Reading back what the container writer produced, so tests check the bytes a loader would see.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace container_test {

inline uint32_t read_u32(const std::vector<uint8_t>& bytes, size_t at) {
  if (at + 4 > bytes.size()) return 0xFFFFFFFFu;  // out of range reads as a value no test expects
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

struct ChunkView {
  std::string tag;
  uint32_t body_start;
  uint32_t size;
};

// Walks the chunks from offset 8 while whole chunk headers remain.
inline std::vector<ChunkView> chunks_of(const std::vector<uint8_t>& bytes) {
  std::vector<ChunkView> chunks;
  for (size_t at = 8; at + 8 <= bytes.size();) {
    ChunkView c{std::string(bytes.begin() + at, bytes.begin() + at + 4), static_cast<uint32_t>(at + 8),
                read_u32(bytes, at + 4)};
    chunks.push_back(c);
    at = static_cast<size_t>(c.body_start) + c.size;
  }
  return chunks;
}

// The text a name offset points at: the bytes up to the NUL.
inline std::string text_at(const std::vector<uint8_t>& bytes, uint32_t offset) {
  std::string text;
  for (size_t i = offset; i < bytes.size() && bytes[i] != 0; ++i) text += static_cast<char>(bytes[i]);
  return text;
}

}  // namespace container_test
