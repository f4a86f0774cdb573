// Reading a game data container safely: its framing, its chunks, and the values and texts that
// chunk bodies point at.
//
// A container is outside input (any file can be named with -game), so every offset, count and
// text followed from it is checked against the container's bounds first. A chunk loader that
// finds its chunk damaged reports it with Game_FailLoad; the load then stops and the runner ends
// with the message, as it does for a missing game.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// The bytes of a container (or of the debug-information file beside the game) and their size.
// Loaders rewrite a few fields in place, so the bytes are writable.
struct ContainerBytes {
  uint8_t* data = nullptr;
  size_t size = 0;

  // True when [offset, offset + length) lies inside the bytes.
  bool Has(uint64_t offset, uint64_t length) const { return offset <= size && length <= size - offset; }
  // The NUL-terminated text at `offset`: null for offset 0 ("none") and for a text that does not
  // end inside the bytes (`ok` is then false; it stays untouched otherwise).
  const char* TextAt(uint32_t offset, bool* ok) const;
};

// Every chunk loader is called with the chunk's body, its size and the whole container.
using ChunkLoader = bool (*)(uint8_t* body, uint32_t size, const ContainerBytes& container);

// Little-endian reads from any address.
inline uint16_t Container_U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Container_U32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline int32_t Container_I32(const uint8_t* p) { return static_cast<int32_t>(Container_U32(p)); }
inline uint64_t Container_U64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline void Container_PutI16(uint8_t* p, int16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
}

// One chunk found by the walk: its tag as text, and its body.
struct ContainerChunk {
  char tag[5] = {};
  uint32_t offset = 0;  // of the chunk's tag
  uint8_t* body = nullptr;
  uint32_t size = 0;
};

// Checks the framing: at least the 8-byte header, a size word equal to the size - 8, and every
// chunk's header and body inside the bytes. `what` names the file in the message ("container",
// "debug file"). False with `error` set when the framing is broken.
bool Container_CheckFraming(const ContainerBytes& bytes, const char* what, std::string* error);

// Walks the chunks of bytes whose framing was checked, from offset 8 to the end.
class ContainerChunks {
 public:
  explicit ContainerChunks(const ContainerBytes& bytes) : m_bytes(bytes) {}
  // The next chunk, false after the last.
  bool Next(ContainerChunk* chunk);

 private:
  ContainerBytes m_bytes;
  size_t m_at = 8;
};

// Chunk loaders that find their chunk damaged report it here, naming the chunk (null `tag`: the
// message stands alone); only the first report is kept. The loader that called the chunk loaders checks Game_LoadFailed after each.
void Game_FailLoad(const char* tag, const char* format, ...) __attribute__((format(printf, 2, 3)));
bool Game_LoadFailed();
// The message of the first report ("" when none).
const char* Game_LoadFailure();
void Game_ClearLoadFailure();

// Reads a body's leading count of `entrySize`-byte entries that follow it, checking that they
// fit in the body; reports the chunk damaged (and returns false) when they do not.
bool Container_ReadCount(const char* tag, const uint8_t* body, uint32_t size, uint32_t at, uint32_t entrySize,
                         uint32_t* count);
