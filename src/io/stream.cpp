#include "io/stream.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/console.h"
#include "core/memory_manager.h"
#include "io/load_save.h"

namespace {

constexpr int64_t kInflateBlock = 16384;

uint64_t LoadLittleEndian(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

void StoreLittleEndian(uint8_t* p, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

voidpf ZAlloc(voidpf, uInt items, uInt size) {
  return MemoryManager_Alloc(static_cast<size_t>(items) * size, __FILE__, __LINE__, false);
}

void ZFree(voidpf, voidpf address) { MemoryManager_Free(address); }

int HexDigit(char c) { return (c & 0x0F) + ((c & 0x40) != 0 ? 9 : 0); }

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

}  // namespace

CStream::CStream(int64_t n) : m_size(std::max<int64_t>(n, 0)) {
  if (m_size != 0) m_buffer = static_cast<uint8_t*>(MEM_ALLOC(static_cast<size_t>(m_size)));
}

CStream::~CStream() {
  if (!m_notOwner) MEM_FREE(m_buffer);
}

void CStream::SetPosition(int64_t p) { m_position = std::clamp<int64_t>(p, 0, m_size); }

int64_t CStream::Read(void* destination, int64_t n) {
  if (destination == nullptr) return 0;
  int64_t k = std::min(m_size - m_position, n);
  if (k <= 0) return 0;
  std::memcpy(destination, m_buffer + m_position, static_cast<size_t>(k));
  m_position += k;
  return k;
}

int64_t CStream::Seek(int64_t offset, int16_t origin) {
  switch (origin) {
    case 0: SetPosition(offset); break;
    case 1: SetPosition(m_position + offset); break;
    case 2: SetPosition(m_size + offset); break;
    default: break;
  }
  return m_position;
}

void CStream::Reserve(int64_t bytes) {
  if (m_notOwner) {
    // Writing must never touch (or reallocate) the buffer of the stream this one looks into.
    auto* own = static_cast<uint8_t*>(MEM_ALLOC(static_cast<size_t>(std::max<int64_t>(m_size, 1))));
    if (m_size != 0) std::memcpy(own, m_buffer, static_cast<size_t>(m_size));
    m_buffer = own;
    m_notOwner = false;
  }
  if (m_size - m_position >= bytes) return;
  uint64_t doubled = static_cast<uint64_t>(m_size) * 2;
  uint64_t needed = static_cast<uint64_t>(m_position) + static_cast<uint64_t>(bytes);
  m_size = static_cast<int64_t>(std::max(doubled, needed));
  m_buffer = static_cast<uint8_t*>(MEM_REALLOC(m_buffer, static_cast<size_t>(m_size)));
}

int64_t CStream::Write(const void* source, int64_t n) {
  if (n <= 0 || source == nullptr) return 0;
  Reserve(n);
  std::memcpy(m_buffer + m_position, source, static_cast<size_t>(n));
  m_position += n;
  return n;
}

int32_t CStream::ReadInteger() {
  if (m_position >= m_size || m_size - m_position < 4) return 0;
  auto v = static_cast<uint32_t>(LoadLittleEndian(m_buffer + m_position, 4));
  m_position += 4;
  return static_cast<int32_t>(v);
}

double CStream::ReadReal() {
  if (m_position >= m_size || m_size - m_position < 8) return 0.0;
  uint64_t v = LoadLittleEndian(m_buffer + m_position, 8);
  m_position += 8;
  return std::bit_cast<double>(v);
}

int32_t CStream::ReadString(char** out) {
  int32_t n = 0;
  if (m_size - m_position >= 4) {
    n = ReadInteger();
  } else {
    m_position = std::max(m_position, m_size);
  }
  char* text = nullptr;
  int32_t count = 0;
  if (n > 0) {
    // A stored length is data: it can ask for no more than what is left.
    int64_t k = std::min<int64_t>(n, m_size - m_position);
    text = static_cast<char*>(MEM_ALLOC(static_cast<size_t>(k) + 1));
    count = static_cast<int32_t>(Read(text, k));
    text[count] = '\0';
  }
  if (out != nullptr) {
    *out = text;
  } else {
    MEM_FREE(text);
  }
  return count;
}

void CStream::WriteInteger(int32_t v) {
  Reserve(4);
  StoreLittleEndian(m_buffer + m_position, static_cast<uint32_t>(v), 4);
  m_position += 4;
}

void CStream::WriteReal(double v) {
  Reserve(8);
  StoreLittleEndian(m_buffer + m_position, std::bit_cast<uint64_t>(v), 8);
  m_position += 8;
}

void CStream::WriteString(const char* text) {
  size_t n = text != nullptr ? std::strlen(text) : 0;
  WriteInteger(static_cast<int32_t>(n));
  if (n > 0) Write(text, static_cast<int64_t>(n));
}

int32_t CStream::ToHex(char** out) {
  if (out != nullptr) *out = nullptr;
  int64_t n = std::min(m_position, m_size);
  if (n <= 0) return static_cast<int32_t>(n);
  static const char kDigits[] = "0123456789ABCDEF";
  char* text = static_cast<char*>(MEM_ALLOC(static_cast<size_t>(2 * n + 1)));
  for (int64_t i = 0; i < n; ++i) {
    text[2 * i] = kDigits[m_buffer[i] >> 4];
    text[2 * i + 1] = kDigits[m_buffer[i] & 0x0F];
  }
  text[2 * n] = '\0';
  if (out != nullptr) {
    *out = text;
  } else {
    MEM_FREE(text);
  }
  return static_cast<int32_t>(n);
}

void CStream::FromHex(const char* text) {
  if (text == nullptr || text[0] == '\0') return;
  size_t length = std::strlen(text);
  int64_t count = 0;
  for (size_t i = 0; i + 1 < length; i += 2) {
    if (IsHexDigit(text[i]) && IsHexDigit(text[i + 1])) ++count;
  }
  if (m_notOwner) {
    m_buffer = nullptr;
    m_notOwner = false;
  }
  if (count > 0) m_buffer = static_cast<uint8_t*>(MEM_REALLOC(m_buffer, static_cast<size_t>(count)));
  m_size = count;
  m_position = 0;
  // Byte j comes from characters 2j and 2j + 1, so text with stray characters between its pairs
  // decodes shifted; it stays within the text either way, since 2 * count <= length.
  for (int64_t j = 0; j < count; ++j) {
    m_buffer[j] = static_cast<uint8_t>((HexDigit(text[2 * j]) << 4) | HexDigit(text[2 * j + 1]));
  }
}

int CStream::Inflate(CStream* destination, CStream* source) {
  if (destination == nullptr || source == nullptr) return Z_STREAM_ERROR;
  z_stream zs{};
  zs.zalloc = ZAlloc;
  zs.zfree = ZFree;
  zs.opaque = nullptr;
  int ret = inflateInit(&zs);
  if (ret != Z_OK) return ret;

  uint8_t in[kInflateBlock];
  uint8_t out[kInflateBlock];
  for (;;) {
    int64_t k = source->Read(in, kInflateBlock);
    if (k <= 0) break;
    zs.next_in = in;
    zs.avail_in = static_cast<uInt>(k);
    do {
      zs.next_out = out;
      zs.avail_out = static_cast<uInt>(kInflateBlock);
      ret = inflate(&zs, Z_NO_FLUSH);
      if (ret == Z_NEED_DICT) ret = Z_DATA_ERROR;
      if (ret == Z_DATA_ERROR || ret == Z_MEM_ERROR || ret == Z_STREAM_ERROR) {
        inflateEnd(&zs);
        return ret;
      }
      int64_t produced = kInflateBlock - zs.avail_out;
      if (produced > 0 && destination->Write(out, produced) < produced) {
        inflateEnd(&zs);
        return -1;
      }
    } while (zs.avail_out == 0 && ret != Z_STREAM_END);
    if (ret == Z_STREAM_END) break;
  }
  inflateEnd(&zs);
  return ret == Z_STREAM_END ? 0 : Z_DATA_ERROR;
}

CStream* CStream::ZDecompressStream() {
  int32_t length = 0;
  if (m_size - m_position >= 4) {
    length = ReadInteger();
  } else {
    m_position = std::max(m_position, m_size);
  }
  Console_DebugOutput("ZDecompressStream %d\n", length);
  if (length <= 0) return nullptr;

  auto* view = new CStream();
  view->CopyFrom(this, length, true);
  view->SetPosition(0);
  auto* result = new CStream();
  int code = Inflate(result, view);
  view->Delete();
  if (code != 0) {
    result->Delete();
    return nullptr;
  }
  Console_DebugOutput("Done ZDecompressStream\n");
  // The buffer grew by doubling; the stream ends where the inflated bytes end.
  result->m_size = result->m_position;
  result->m_position = 0;
  return result;
}

void CStream::Unscramble(int32_t seed, int64_t start, int64_t count) {
  int32_t q = seed / 250;
  int32_t r = seed - 250 * q;
  int64_t step = r + 6;
  if (step < 0) step += 256;
  int64_t base = q;
  if (base < 0) base += 256;

  uint8_t forward[256];
  uint8_t inverse[256];
  for (int i = 0; i < 256; ++i) forward[i] = inverse[i] = static_cast<uint8_t>(i);
  int64_t c = base + step;
  for (int i = 0; i < 10000; ++i) {
    // Very negative seeds leave c below zero: the remainder is taken non-negative so that the
    // swapped slots stay within 1..255 for every seed.
    int64_t k = c % 254;
    if (k < 0) k += 254;
    std::swap(forward[k + 1], forward[k + 2]);
    c += step;
  }
  for (int i = 1; i < 256; ++i) inverse[forward[i]] = static_cast<uint8_t>(i);

  start = std::clamp<int64_t>(start, 0, m_size);
  if (count <= 0) count = m_size - start;
  count = std::min(count, m_size - start);
  for (int64_t i = start; i < start + count; ++i) m_buffer[i] = inverse[m_buffer[i]];
}

int64_t CStream::CopyFrom(CStream* source, int64_t n, bool notOwner) {
  if (source == nullptr || source == this) return 0;
  int64_t left = std::max<int64_t>(source->m_size - source->m_position, 0);
  if (notOwner && n != 0) {
    Free();
    int64_t k = std::clamp<int64_t>(n, 0, left);
    m_buffer = source->m_buffer != nullptr ? source->m_buffer + std::min(source->m_position, source->m_size) : nullptr;
    m_notOwner = true;
    m_size = m_position = k;
    source->m_position += k;
    return k;
  }
  if (n == 0) {
    source->m_position = 0;
    int64_t written = Write(source->m_buffer, source->m_size);
    source->m_position = source->m_size;
    return written;
  }
  int64_t k = std::clamp<int64_t>(n, 0, left);
  int64_t written = Write(source->m_buffer + source->m_position, k);
  source->m_position += k;
  return written;
}

void CStream::LoadFile(const char* path, int64_t skip) {
  Free();
  if (m_notOwner) {
    m_buffer = nullptr;
    m_size = 0;
    m_notOwner = false;
  }
  int32_t size = 0;
  uint8_t* block = nullptr;
  if (LoadSave_SaveFileExists(path)) {
    block = LoadSave_ReadSaveFile(path, &size);
  } else if (LoadSave_ProgramFileExists(path)) {
    block = LoadSave_ReadProgramFile(path, &size);
  }
  if (block == nullptr) return;
  skip = std::clamp<int64_t>(skip, 0, size);
  if (skip == 0) {
    m_buffer = block;
    m_size = size;
    return;
  }
  m_size = size - skip;
  m_buffer = static_cast<uint8_t*>(MEM_ALLOC(static_cast<size_t>(m_size)));
  if (m_size != 0) std::memcpy(m_buffer, block + skip, static_cast<size_t>(m_size));
  MEM_FREE(block);
}

void CStream::Free() {
  if (m_notOwner) return;
  MEM_FREE(m_buffer);
  m_buffer = nullptr;
  m_size = 0;
}

void CStream::Delete() {
  Free();
  delete this;
}
