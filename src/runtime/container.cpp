#include "runtime/container.h"

#include <cstdarg>
#include <cstdio>

namespace {

std::string g_loadFailure;
bool g_loadFailed = false;

std::string Format(const char* format, va_list args) {
  char buffer[1024];
  std::vsnprintf(buffer, sizeof buffer, format, args);
  return buffer;
}

std::string Printable(const uint8_t* tag) {
  std::string text;
  for (int i = 0; i < 4; ++i) text += (tag[i] >= 0x20 && tag[i] < 0x7F) ? static_cast<char>(tag[i]) : '?';
  return text;
}

}  // namespace

const char* ContainerBytes::TextAt(uint32_t offset, bool* ok) const {
  if (offset == 0) return nullptr;
  if (offset >= size || std::memchr(data + offset, 0, size - offset) == nullptr) {
    *ok = false;
    return nullptr;
  }
  return reinterpret_cast<const char*>(data + offset);
}

bool Container_CheckFraming(const ContainerBytes& bytes, const char* what, std::string* error) {
  char message[256];
  if (bytes.data == nullptr || bytes.size < 8) {
    std::snprintf(message, sizeof message, "the %s is %zu bytes long, too short for its header", what, bytes.size);
    *error = message;
    return false;
  }
  const uint32_t sizeWord = Container_U32(bytes.data + 4);
  if (sizeWord != bytes.size - 8) {
    std::snprintf(message, sizeof message, "the %s's size word says %u bytes follow the header, but %zu do", what,
                  sizeWord, bytes.size - 8);
    *error = message;
    return false;
  }
  for (size_t at = 8; at < bytes.size;) {
    if (bytes.size - at < 8) {
      std::snprintf(message, sizeof message, "the %s ends inside the header of a chunk at offset %zu", what, at);
      *error = message;
      return false;
    }
    const uint32_t size = Container_U32(bytes.data + at + 4);
    if (size > bytes.size - at - 8) {
      std::snprintf(message, sizeof message,
                    "chunk %s at offset %zu has a body of %u bytes, but only %zu bytes of the %s are left",
                    Printable(bytes.data + at).c_str(), at, size, bytes.size - at - 8, what);
      *error = message;
      return false;
    }
    at += 8 + static_cast<size_t>(size);
  }
  return true;
}

bool ContainerChunks::Next(ContainerChunk* chunk) {
  if (m_at + 8 > m_bytes.size) return false;
  const uint8_t* header = m_bytes.data + m_at;
  std::memcpy(chunk->tag, header, 4);
  chunk->tag[4] = '\0';
  chunk->offset = static_cast<uint32_t>(m_at);
  chunk->size = Container_U32(header + 4);
  chunk->body = m_bytes.data + m_at + 8;
  m_at += 8 + static_cast<size_t>(chunk->size);
  return true;
}

void Game_FailLoad(const char* tag, const char* format, ...) {
  if (g_loadFailed) return;
  va_list args;
  va_start(args, format);
  g_loadFailure = Format(format, args);
  if (tag != nullptr) g_loadFailure = "chunk " + std::string(tag, strnlen(tag, 4)) + ": " + g_loadFailure;
  va_end(args);
  g_loadFailed = true;
}

bool Game_LoadFailed() { return g_loadFailed; }
const char* Game_LoadFailure() { return g_loadFailure.c_str(); }

void Game_ClearLoadFailure() {
  g_loadFailed = false;
  g_loadFailure.clear();
}

bool Container_ReadCount(const char* tag, const uint8_t* body, uint32_t size, uint32_t at, uint32_t entrySize,
                         uint32_t* count) {
  if (size < at || size - at < 4) {
    Game_FailLoad(tag, "the body of %u bytes has no count at offset %u", size, at);
    return false;
  }
  const uint32_t n = Container_U32(body + at);
  if (static_cast<uint64_t>(n) * entrySize > size - at - 4) {
    Game_FailLoad(tag, "%u entries of %u bytes do not fit in the body of %u bytes", n, entrySize, size);
    return false;
  }
  *count = n;
  return true;
}
