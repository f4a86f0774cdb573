#include "io/buffer.h"

#include <algorithm>
#include <cstring>

#include "core/base64.h"
#include "core/md5.h"
#include "core/memory_manager.h"
#include "core/sha1.h"
#include "io/load_save.h"

namespace {

const BufferSurfaceAccess* g_surfaceAccess = nullptr;

// Truncation toward zero; NaN and reals outside the range give the processor's
// "integer indefinite" (the lowest value), never undefined behaviour.
int64_t TruncToInt64(double d) {
  if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) return INT64_MIN;
  return static_cast<int64_t>(d);
}

int32_t TruncToInt32(double d) {
  if (!(d > -2147483649.0 && d < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(d);
}

double NumberOf(const RValue* v) {
  switch (v->kind & MASK_KIND_RVALUE) {
    case VALUE_REAL:
    case VALUE_BOOL:
      return v->val;
    case VALUE_INT32:
      return static_cast<double>(v->v32);
    case VALUE_INT64:
      return static_cast<double>(v->v64);
    default:
      return 0.0;
  }
}

void SetReal(RValue* out, double d) {
  RValue_Release(out);
  out->val = d;
  out->flags = 0;
  out->kind = VALUE_REAL;
}

const SharedString* TextOf(const RValue* v) {
  if (v == nullptr || (v->kind & MASK_KIND_RVALUE) != VALUE_STRING || v->pString == nullptr ||
      v->pString->text == nullptr) {
    return nullptr;
  }
  return v->pString;
}

// x modulo m into 0..m-1 (m > 0).
int64_t Mod(int64_t x, int64_t m) {
  const int64_t r = x % m;
  return r < 0 ? r + m : r;
}

// The bytes of a value of the type. Strings point at the value's text (with the NUL for type
// 11); numbers are encoded into `scratch`. False for an unsupported type or a string type
// without text.
struct Encoded {
  uint8_t scratch[8];
  const uint8_t* bytes = nullptr;
  int64_t length = 0;
};

bool EncodeValue(int32_t type, const RValue* value, Encoded* e) {
  e->bytes = e->scratch;
  e->length = Buffer_TypeSize(type);
  switch (type) {
    case eBuffer_U8:
    case eBuffer_S8:
    case eBuffer_U16:
    case eBuffer_S16:
    case eBuffer_U32: {
      const uint64_t u = static_cast<uint64_t>(TruncToInt64(NumberOf(value)));
      for (int64_t i = 0; i < e->length; ++i) e->scratch[i] = static_cast<uint8_t>(u >> (8 * i));
      return true;
    }
    case eBuffer_S32: {
      const uint32_t u = static_cast<uint32_t>(TruncToInt32(NumberOf(value)));
      for (int i = 0; i < 4; ++i) e->scratch[i] = static_cast<uint8_t>(u >> (8 * i));
      return true;
    }
    case eBuffer_F32: {
      const float f = static_cast<float>(NumberOf(value));
      std::memcpy(e->scratch, &f, 4);
      return true;
    }
    case eBuffer_F64:
    case eBuffer_U64:
      std::memcpy(e->scratch, &value->v64, 8);
      return true;
    case eBuffer_Bool:
      e->scratch[0] = NumberOf(value) > 0.5 ? 1 : 0;
      return true;
    case eBuffer_String:
    case eBuffer_Text: {
      const SharedString* s = TextOf(value);
      if (s == nullptr) return false;
      e->bytes = reinterpret_cast<const uint8_t*>(s->text);
      e->length = static_cast<int64_t>(s->length) + (type == eBuffer_String ? 1 : 0);
      return true;
    }
    default:
      return false;
  }
}

// Decodes the little-endian bytes of a number type into the value.
void DecodeValue(int32_t type, const uint8_t* p, RValue* out) {
  const int32_t n = Buffer_TypeSize(type);
  uint64_t u = 0;
  for (int i = 0; i < n; ++i) u |= static_cast<uint64_t>(p[i]) << (8 * i);
  switch (type) {
    case eBuffer_U8:
    case eBuffer_Bool:
    case eBuffer_U16:
    case eBuffer_U32:
      out->val = static_cast<double>(u);
      break;
    case eBuffer_S8:
      out->val = static_cast<double>(static_cast<int8_t>(u));
      break;
    case eBuffer_S16:
      out->val = static_cast<double>(static_cast<int16_t>(u));
      break;
    case eBuffer_S32:
      out->val = static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(u)));
      break;
    case eBuffer_F32: {
      float f;
      const uint32_t bits = static_cast<uint32_t>(u);
      std::memcpy(&f, &bits, 4);
      out->val = static_cast<double>(f);
      break;
    }
    case eBuffer_F64:
    case eBuffer_U64:
      out->v64 = static_cast<int64_t>(u);
      break;
    default:
      break;
  }
}

bool IsNumberType(int32_t type) { return (type >= eBuffer_U8 && type <= eBuffer_S32) || type == eBuffer_F32 || type == eBuffer_F64 || type == eBuffer_Bool; }

// The data pointer of a block for the alignment.
uint8_t* AlignedData(void* memory, int32_t alignment) {
  const uintptr_t mask = static_cast<uintptr_t>(alignment) - 1;
  return reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(memory) + mask) & ~mask);
}

// The piecewise copy shared by the buffer and the plain-block forms; the offsets are already
// inside their blocks. `raise` is told the end offset after each piece.
template <typename Raise>
int64_t CopyPieces(uint8_t* dest, int64_t destSize, const uint8_t* source, int64_t sourceLength, int64_t sourceOffset,
                   int64_t size, int64_t destOffset, bool destWrap, bool sourceWrap, Raise raise) {
  if (!destWrap && !sourceWrap) {
    if (size > 0) std::memmove(dest + destOffset, source + sourceOffset, static_cast<size_t>(size));
    raise(destOffset + size);
    return destOffset + size;
  }
  int64_t left = size;
  while (left > 0) {
    int64_t piece = left;
    piece = std::min(piece, destSize - destOffset);
    piece = std::min(piece, sourceLength - sourceOffset);
    std::memmove(dest + destOffset, source + sourceOffset, static_cast<size_t>(piece));
    destOffset += piece;
    sourceOffset += piece;
    left -= piece;
    raise(destOffset);
    if (destOffset >= destSize) destOffset = destWrap ? 0 : destSize;
    if (sourceOffset >= sourceLength) sourceOffset = 0;
    if (!destWrap && destOffset >= destSize) break;
  }
  return destOffset;
}

// Steps 1 and 2 shared by both copies: the size default and the source range. False when there
// is nothing to copy.
bool PrepareSource(int64_t sourceLength, int64_t* sourceOffset, int64_t* size, bool* sourceWrap) {
  if (sourceLength <= 0) return false;
  if (*size < 0) *size = sourceLength;
  if (*sourceWrap) {
    *sourceOffset = Mod(*sourceOffset, sourceLength);
    if (*sourceOffset + *size <= sourceLength) *sourceWrap = false;
  } else {
    *sourceOffset = std::clamp<int64_t>(*sourceOffset, 0, sourceLength - 1);
    *size = std::min(*size, sourceLength - *sourceOffset);
  }
  return true;
}

// The destination range without growing; false when there is nowhere to copy.
bool PrepareDest(int64_t destSize, int64_t* destOffset, int64_t* size, bool destWrap) {
  if (destSize <= 0) return false;
  if (destWrap) {
    *destOffset = Mod(*destOffset, destSize);
    return true;
  }
  if (*destOffset < 0) *destOffset = 0;
  if (*destOffset >= destSize) return false;
  *size = std::min(*size, destSize - *destOffset);
  return true;
}

// A copy longer than a wrapping destination overwrites its own first laps: start it where the
// last lap begins, so that a huge size costs no more than one lap.
void SkipOverwrittenLaps(int64_t destSize, int64_t sourceLength, int64_t* sourceOffset, int64_t* size,
                         int64_t* destOffset, bool destWrap, bool sourceWrap) {
  if (!destWrap || *size <= destSize) return;
  const int64_t skip = *size - destSize;
  *sourceOffset = sourceWrap ? (*sourceOffset + skip) % sourceLength : *sourceOffset + skip;
  *destOffset = (*destOffset + skip) % destSize;
  *size = destSize;
}

}  // namespace

// --- types and alignment -------------------------------------------------------------------------

int32_t Buffer_TypeSize(int32_t type) {
  switch (type) {
    case eBuffer_U8:
    case eBuffer_S8:
    case eBuffer_Bool:
      return 1;
    case eBuffer_U16:
    case eBuffer_S16:
    case eBuffer_F16:
      return 2;
    case eBuffer_U32:
    case eBuffer_S32:
    case eBuffer_F32:
      return 4;
    case eBuffer_F64:
    case eBuffer_U64:
      return 8;
    default:
      return 0;
  }
}

int32_t Buffer_NormaliseAlignment(int32_t requested) {
  const int32_t a = requested & 511;
  int32_t p = 1;
  while (p < a) p <<= 1;
  return p;
}

void Buffer_SetSurfaceAccess(const BufferSurfaceAccess* access) { g_surfaceAccess = access; }
const BufferSurfaceAccess* Buffer_GetSurfaceAccess() { return g_surfaceAccess; }

// --- construction --------------------------------------------------------------------------------

IBuffer::IBuffer(int32_t size, int32_t kind, int32_t alignment) {
  m_alignment = Buffer_NormaliseAlignment(alignment);
  if (size < 0 || static_cast<int64_t>(size) + m_alignment > kBuffer_MaxBlock) size = 0;
  m_kind = kind;
  m_allocatedBytes = size + m_alignment;
  m_pMemory = MemoryManager_Alloc(static_cast<size_t>(m_allocatedBytes), __FILE__, __LINE__, true);
  m_pData = AlignedData(m_pMemory, m_alignment);
  m_size = size;
  m_usedSize = size;
}

IBuffer::IBuffer(void* data, int32_t size, int32_t kind, int32_t alignment, bool ownsMemory) {
  m_alignment = Buffer_NormaliseAlignment(alignment);
  if (data == nullptr || size < 0) size = 0;
  m_kind = kind;
  m_pMemory = data;
  m_pData = static_cast<uint8_t*>(data);
  m_allocatedBytes = size;
  m_size = size;
  m_usedSize = size;
  m_ownsMemory = ownsMemory;
}

IBuffer::IBuffer() = default;

IBuffer::~IBuffer() {
  RValue_Release(&m_scratch);
  if (m_ownsMemory && m_pMemory != nullptr) MemoryManager_Free(m_pMemory);
}

bool IBuffer::Resize(int32_t newSize) {
  if (newSize < 0 || static_cast<int64_t>(newSize) + m_alignment > kBuffer_MaxBlock) return false;
  const int32_t allocated = newSize + m_alignment;
  void* memory = MemoryManager_Alloc(static_cast<size_t>(allocated), __FILE__, __LINE__, true);
  uint8_t* data = AlignedData(memory, m_alignment);
  if (m_pData != nullptr) std::memcpy(data, m_pData, static_cast<size_t>(std::min(newSize, m_size)));
  if (m_ownsMemory && m_pMemory != nullptr) MemoryManager_Free(m_pMemory);
  m_pMemory = memory;
  m_allocatedBytes = allocated;
  m_pData = data;
  m_ownsMemory = true;
  const int32_t oldUsed = m_usedSize;
  m_size = newSize;
  if (m_position >= newSize) {
    m_position = 0;
    m_wrapOffset = 0;
  }
  m_usedSize = std::min(newSize, std::max(m_position, oldUsed));
  return true;
}

// --- position ------------------------------------------------------------------------------------

bool IBuffer::AlignPosition() {
  if (m_alignment == 1 && !IsWrap()) return true;  // the common case: nothing to round
  const int64_t a = m_alignment;
  int64_t p = static_cast<int64_t>(m_position) + m_wrapOffset;
  p = (p + a - 1) / a * a - m_wrapOffset;
  if (IsWrap() && m_size > 0 && p >= m_size) {
    // Every lap moves the stream's alignment on by the size modulo the alignment.
    const int64_t laps = p / m_size;
    p -= laps * m_size;
    m_wrapOffset = static_cast<int32_t>(Mod(m_wrapOffset + (laps % a) * (m_size % a), a));
  }
  if (p > INT32_MAX) return false;
  m_position = static_cast<int32_t>(p);
  return true;
}

void IBuffer::AdvanceWrapped(int64_t n) {
  int64_t p = static_cast<int64_t>(m_position) + n;
  if (IsWrap() && m_size > 0 && p >= m_size) {
    const int64_t laps = p / m_size;
    p -= laps * m_size;
    m_wrapOffset = static_cast<int32_t>(Mod(m_wrapOffset + (laps % m_alignment) * (m_size % m_alignment), m_alignment));
  }
  m_position = static_cast<int32_t>(std::min<int64_t>(p, INT32_MAX));
}

void IBuffer::RaiseUsed(int64_t end) {
  const int64_t capped = std::min<int64_t>(end, m_size);
  if (capped > m_usedSize) m_usedSize = static_cast<int32_t>(capped);
}

void IBuffer::PutSpan(int64_t start, const uint8_t* source, int64_t length) {
  if (IsWrap() && length > m_size) {
    // Every byte before the last lap is overwritten by it: write only that lap.
    const int64_t skip = length - m_size;
    if (source != nullptr) source += skip;
    start = (start + skip) % m_size;
    length = m_size;
  }
  while (length > 0) {
    const int64_t piece = std::min(length, m_size - start);
    if (source != nullptr) {
      std::memcpy(m_pData + start, source, static_cast<size_t>(piece));
      source += piece;
    } else {
      std::memset(m_pData + start, 0, static_cast<size_t>(piece));
    }
    RaiseUsed(start + piece);
    length -= piece;
    start = 0;
    if (!IsWrap()) break;
  }
}

void IBuffer::GetSpan(int64_t start, uint8_t* dest, int64_t length) const {
  while (length > 0) {
    const int64_t piece = std::min(length, m_size - start);
    std::memcpy(dest, m_pData + start, static_cast<size_t>(piece));
    dest += piece;
    length -= piece;
    start = 0;
    if (!IsWrap()) break;
  }
}

int32_t IBuffer::Seek(int32_t base, int32_t offset) {
  switch (base) {
    case 0:
      m_position = std::max(offset, 0);
      m_wrapOffset = 0;
      break;
    case 1: {
      int64_t p = static_cast<int64_t>(m_position) + offset;
      if (IsWrap()) {
        if (m_size <= 0) {
          p = 0;
        } else {
          const int64_t a = m_alignment;
          if (p < 0) {
            const int64_t laps = (-p + m_size - 1) / m_size;
            p += laps * m_size;
            m_wrapOffset = static_cast<int32_t>(Mod(m_wrapOffset + (laps % a) * Mod(a - m_size % a, a), a));
          } else if (p >= m_size) {
            const int64_t laps = p / m_size;
            p -= laps * m_size;
            m_wrapOffset = static_cast<int32_t>(Mod(m_wrapOffset + (laps % a) * (m_size % a), a));
          }
        }
      }
      m_position = static_cast<int32_t>(std::clamp<int64_t>(p, 0, INT32_MAX));
      break;
    }
    case 2:
      m_position = m_size - std::min(std::max(offset, 0), m_size);
      m_wrapOffset = 0;
      break;
    default:
      break;
  }
  return m_position;
}

// --- typed access --------------------------------------------------------------------------------

int32_t IBuffer::Write(int32_t type, RValue* value) {
  if (!AlignPosition()) return -2;
  if (m_position >= m_size && m_kind != eBuffer_Format_Grow) return -2;
  Encoded e;
  if (value == nullptr || !EncodeValue(type, value, &e)) return -1;
  const int64_t n = e.length;
  const int64_t end = static_cast<int64_t>(m_position) + n;

  if (IsWrap() && n >= 2) {
    // Around the end, the position wrapping to 0 as soon as it reaches it.
    PutSpan(m_position, e.bytes, n);
    AdvanceWrapped(n);
    return 0;
  }
  if (end > m_size) {
    if (m_kind != eBuffer_Format_Grow) return -2;
    const int64_t limit = kBuffer_MaxBlock - m_alignment;
    if (end > limit) return -2;
    int64_t size = std::max<int64_t>({m_size, n, 1});
    while (size < end) size *= 2;
    if (!Resize(static_cast<int32_t>(std::min(size, limit)))) return -2;
  }
  if (n > 0) std::memcpy(m_pData + m_position, e.bytes, static_cast<size_t>(n));
  m_position = static_cast<int32_t>(end);
  RaiseUsed(end);
  return 0;
}

int32_t IBuffer::Read(int32_t type, RValue* out) {
  SetReal(out, 0.0);
  if (!AlignPosition() || m_position >= m_size) {
    out->val = -3.0;
    return -1;
  }
  if (type == eBuffer_String || type == eBuffer_Text) {
    const int32_t start = m_position;
    int32_t end = start;
    while (end < m_usedSize && m_pData[end] != 0) ++end;
    const int32_t length = end > start ? end - start : 0;
    SharedString* s = SharedString_CreateSized(length);
    if (length > 0) std::memcpy(s->text, m_pData + start, static_cast<size_t>(length));
    out->pString = s;
    out->kind = VALUE_STRING;
    m_position = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(start) + length + 1, INT32_MAX));
    return 0;
  }
  const int32_t n = Buffer_TypeSize(type);
  if (!IsWrap() && static_cast<int64_t>(m_position) + n > m_size) {
    out->val = -3.0;
    return -1;
  }
  if (n == 0 || type == eBuffer_F16) return -1;
  uint8_t bytes[8];
  GetSpan(m_position, bytes, n);
  DecodeValue(type, bytes, out);
  if (IsWrap() && n >= 2) {
    AdvanceWrapped(n);
  } else {
    m_position += n;
  }
  return 0;
}

void IBuffer::Peek(int32_t offset, int32_t type, RValue* out) {
  SetReal(out, 0.0);
  if (offset < 0 || !IsNumberType(type) || m_size <= 0) return;
  const int32_t n = Buffer_TypeSize(type);
  int64_t start = offset;
  if (IsWrap()) {
    start = Mod(start, m_size);
  } else if (start + n > m_size) {
    return;
  }
  uint8_t bytes[8];
  GetSpan(start, bytes, n);
  DecodeValue(type, bytes, out);
}

void IBuffer::Poke(int32_t offset, int32_t type, RValue* value) {
  if (offset < 0 || type == eBuffer_U64 || m_size <= 0 || value == nullptr) return;
  Encoded e;
  if (!EncodeValue(type, value, &e)) return;
  int64_t start = offset;
  if (IsWrap()) {
    start = Mod(start, m_size);
  } else if (start + e.length > m_size) {
    return;
  }
  PutSpan(start, e.bytes, e.length);
}

// --- blocks --------------------------------------------------------------------------------------

int32_t IBuffer::WriteBlock(const void* source, int32_t elementSize, int32_t count) {
  if (source == nullptr || elementSize <= 0 || count <= 0 || m_position < 0) return 0;
  int64_t length = static_cast<int64_t>(elementSize) * count;
  const auto* bytes = static_cast<const uint8_t*>(source);
  if (IsWrap()) {
    if (m_size <= 0) return 0;
    const int64_t start = Mod(m_position, m_size);
    m_position = static_cast<int32_t>(start);
    PutSpan(start, bytes, length);
    m_position = static_cast<int32_t>(Mod(start + length, m_size));
    return static_cast<int32_t>(std::min<int64_t>(length, INT32_MAX));
  }
  const int64_t end = static_cast<int64_t>(m_position) + length;
  if (m_kind == eBuffer_Format_Grow && end > m_size) {
    if (end > kBuffer_MaxBlock - m_alignment || !Resize(static_cast<int32_t>(end))) return 0;
  }
  if (m_position >= m_size) return 0;
  length = std::min(length, static_cast<int64_t>(m_size) - m_position);
  std::memcpy(m_pData + m_position, bytes, static_cast<size_t>(length));
  m_position += static_cast<int32_t>(length);
  RaiseUsed(m_position);
  return static_cast<int32_t>(length);
}

int32_t IBuffer::ReadBlock(void* dest, int32_t elementSize, int32_t count) {
  if (dest == nullptr || elementSize <= 0 || count <= 0 || m_position < 0 || m_size <= 0) return 0;
  int64_t length = static_cast<int64_t>(elementSize) * count;
  auto* bytes = static_cast<uint8_t*>(dest);
  if (IsWrap()) {
    const int64_t start = Mod(m_position, m_size);
    GetSpan(start, bytes, length);
    m_position = static_cast<int32_t>(Mod(start + length, m_size));
    return static_cast<int32_t>(std::min<int64_t>(length, INT32_MAX));
  }
  if (m_position >= m_size) return 0;
  length = std::min(length, static_cast<int64_t>(m_size) - m_position);
  std::memcpy(bytes, m_pData + m_position, static_cast<size_t>(length));
  m_position += static_cast<int32_t>(length);
  return static_cast<int32_t>(length);
}

int32_t IBuffer::WriteString(const char* text) {
  static const char kMissing[] = {4, 0};
  RValue_SetString(&m_scratch, text != nullptr ? text : kMissing);
  const int32_t result = Write(eBuffer_String, &m_scratch);
  RValue_Release(&m_scratch);
  return result;
}

char* IBuffer::ReadString() {
  Read(eBuffer_String, &m_scratch);
  char* copy = nullptr;
  if (const SharedString* s = TextOf(&m_scratch)) {
    const size_t n = static_cast<size_t>(s->length);
    copy = static_cast<char*>(MemoryManager_Alloc(n + 1, __FILE__, __LINE__, false));
    std::memcpy(copy, s->text, n + 1);
  }
  RValue_Release(&m_scratch);
  return copy;
}

std::vector<uint8_t> IBuffer::CopyRegionOut(int32_t offset, int32_t size, bool wrap) const {
  std::vector<uint8_t> out;
  if (m_size <= 0 || m_pData == nullptr) return out;
  int64_t start;
  int64_t length = size < 0 ? m_size : size;
  if (wrap) {
    start = Mod(offset, m_size);
  } else {
    start = std::clamp<int64_t>(offset, 0, m_size);
    length = std::min<int64_t>(length, m_size - start);
  }
  out.resize(static_cast<size_t>(length));
  int64_t done = 0;
  while (done < length) {
    const int64_t piece = std::min(length - done, m_size - start);
    std::memcpy(out.data() + done, m_pData + start, static_cast<size_t>(piece));
    done += piece;
    start = 0;
  }
  return out;
}

int64_t IBuffer::CopyIn(const uint8_t* bytes, int64_t length, int64_t sourceOffset, int64_t size, int64_t destOffset) {
  return CopyMemoryToBuffer(this, bytes, length, sourceOffset, size, destOffset,
                            m_kind == eBuffer_Format_Grow || m_size == 0, IsWrap(), false);
}

int64_t CopyMemoryToBuffer(IBuffer* buffer, const uint8_t* source, int64_t sourceLength, int64_t sourceOffset,
                           int64_t size, int64_t destOffset, bool grow, bool destWrap, bool sourceWrap) {
  if (buffer == nullptr || source == nullptr) return -1;
  if (!PrepareSource(sourceLength, &sourceOffset, &size, &sourceWrap)) return -1;
  // A copy of a buffer into itself that grows it would read the freed block.
  std::vector<uint8_t> own;
  if (grow) {
    if (destOffset < 0) destOffset = 0;
    const int64_t end = destOffset + size;
    if (end > buffer->m_size) {
      if (end > kBuffer_MaxBlock - buffer->m_alignment) return -1;
      const uint8_t* data = buffer->GetData();
      if (data != nullptr && source >= data && source < data + buffer->m_size) {
        own.assign(source, source + sourceLength);
        source = own.data();
      }
      if (!buffer->Resize(static_cast<int32_t>(end))) return -1;
    }
    destWrap = destWrap && buffer->m_size > 0;
  }
  if (!PrepareDest(buffer->m_size, &destOffset, &size, destWrap)) return -1;
  SkipOverwrittenLaps(buffer->m_size, sourceLength, &sourceOffset, &size, &destOffset, destWrap, sourceWrap);
  return CopyPieces(buffer->GetData(), buffer->m_size, source, sourceLength, sourceOffset, size, destOffset, destWrap,
                    sourceWrap, [buffer](int64_t end) {
                      if (end > buffer->m_usedSize) buffer->m_usedSize = static_cast<int32_t>(std::min<int64_t>(end, buffer->m_size));
                    });
}

int64_t CopyMemoryToMemory(uint8_t* dest, int64_t destSize, const uint8_t* source, int64_t sourceLength,
                           int64_t sourceOffset, int64_t size, int64_t destOffset, bool destWrap, bool sourceWrap) {
  if (dest == nullptr || source == nullptr) return -1;
  if (!PrepareSource(sourceLength, &sourceOffset, &size, &sourceWrap)) return -1;
  if (!PrepareDest(destSize, &destOffset, &size, destWrap)) return -1;
  SkipOverwrittenLaps(destSize, sourceLength, &sourceOffset, &size, &destOffset, destWrap, sourceWrap);
  return CopyPieces(dest, destSize, source, sourceLength, sourceOffset, size, destOffset, destWrap, sourceWrap,
                    [](int64_t) {});
}

void IBuffer::Copy(int32_t sourceOffset, int32_t size, IBuffer* dest, int32_t destOffset) {
  if (dest == nullptr || m_pData == nullptr) return;
  CopyMemoryToBuffer(dest, m_pData, m_size, sourceOffset, size, destOffset,
                     dest->m_kind == eBuffer_Format_Grow || dest->m_size == 0, dest->IsWrap(), IsWrap());
}

void IBuffer::Fill(int32_t offset, int32_t size, int32_t type, RValue* value, int32_t stride, bool zeroPad) {
  if (m_size <= 0 || type == eBuffer_U64 || value == nullptr) return;
  Encoded e;
  if (!EncodeValue(type, value, &e)) return;
  int64_t start = offset;
  int64_t length = size < 0 ? m_size : size;
  if (IsWrap()) {
    start = Mod(start, m_size);
  } else {
    if (start < 0 || start >= m_size) return;
    length = std::min<int64_t>(length, m_size - start);
  }
  const int64_t copyLength = stride > 0 ? std::min<int64_t>(e.length, stride) : e.length;
  const int64_t rangeEnd = start + length;  // positions past m_size continue at 0 in a wrap buffer
  auto at = [this](int64_t p) { return IsWrap() ? Mod(p, m_size) : p; };
  auto gap = [&](int64_t from, int64_t to) {
    if (zeroPad && to > from) PutSpan(at(from), nullptr, to - from);
  };
  int64_t cursor = start;
  int64_t next = stride > 0 ? start : (start + m_alignment - 1) / m_alignment * m_alignment;
  // Copies stand at a fixed step after the first. With zero padding every byte of the range is
  // written, so in a wrap buffer only the last lap counts: start at the last copy before it.
  const int64_t step = stride > 0 ? stride : (copyLength + m_alignment - 1) / m_alignment * m_alignment;
  if (IsWrap() && zeroPad && step > 0 && rangeEnd - next > m_size + step) {
    const int64_t laps = (rangeEnd - m_size - next) / step;
    next += laps * step;
    cursor = next;
  }
  // An empty value (a text of no characters) copies nothing and would never move on.
  while (copyLength > 0 && next + copyLength <= rangeEnd) {
    gap(cursor, next);
    PutSpan(at(next), e.bytes, copyLength);
    cursor = next + copyLength;
    next = stride > 0 ? next + stride : (cursor + m_alignment - 1) / m_alignment * m_alignment;
  }
  gap(cursor, rangeEnd);
}

// --- files and encodings -------------------------------------------------------------------------

bool IBuffer::Save(const char* name, int32_t offset, int32_t size) {
  if (name == nullptr || name[0] == '\0') return false;
  const std::vector<uint8_t> bytes = CopyRegionOut(offset, size, false);
  return LoadSave_WriteFile(name, bytes.data(), static_cast<int32_t>(bytes.size()));
}

bool IBuffer::Load(const char* name, int32_t sourceOffset, int32_t size, int32_t destOffset) {
  if (name == nullptr || name[0] == '\0') return false;
  if (std::strncmp(name, "http://", 7) == 0 || std::strncmp(name, "https://", 8) == 0) return false;
  std::vector<uint8_t> bytes;
  if (!LoadSave_ReadSaveFile(name, &bytes) && !LoadSave_ReadProgramFile(name, &bytes)) return false;
  if (!bytes.empty()) CopyIn(bytes.data(), static_cast<int64_t>(bytes.size()), sourceOffset, size, destOffset);
  return true;
}

void IBuffer::Base64Encode(RValue* out, int32_t offset, int32_t size) {
  const std::vector<uint8_t> bytes = CopyRegionOut(offset, size, false);
  std::vector<char> text(bytes.size() / 3 * 4 + 8, '\0');
  Base64_Encode(bytes.data(), bytes.size(), text.data());
  RValue_SetString(out, text.data());
}

bool IBuffer::Base64Decode(const char* text, int32_t destOffset, int32_t size) {
  if (text == nullptr) return false;
  const size_t blockLength = 3 * std::strlen(text) / 4 + 4;
  std::vector<uint8_t> block(blockLength, 0);
  Base64_Decode(text, blockLength, block.data(), false);
  CopyIn(block.data(), static_cast<int64_t>(blockLength), 0, size, destOffset);
  return true;
}

namespace {

// The range a digest covers, as one or two spans of the data; false when there is none.
template <typename Feed>
bool DigestRange(const IBuffer& b, int32_t offset, int32_t size, Feed feed) {
  if (b.m_size <= 0 || b.GetData() == nullptr) return false;
  int64_t length = size < 0 ? b.m_size : size;
  int64_t start;
  if (b.m_kind == eBuffer_Format_Wrap) {
    start = Mod(offset, b.m_size);
  } else {
    start = std::clamp<int64_t>(offset, 0, b.m_size);
    length = std::min<int64_t>(length, b.m_size - start);
  }
  if (length > b.m_size) {
    // Many laps of a wrap buffer: feed whole laps from a block of them, at least 64 KiB long,
    // that starts at the offset, rather than a piece per lap.
    const int64_t laps = std::max<int64_t>(1, (65536 + b.m_size - 1) / b.m_size);
    std::vector<uint8_t> block(static_cast<size_t>(laps * b.m_size));
    for (int64_t i = 0; i < laps; ++i) {
      uint8_t* lap = block.data() + i * b.m_size;
      std::memcpy(lap, b.GetData() + start, static_cast<size_t>(b.m_size - start));
      std::memcpy(lap + (b.m_size - start), b.GetData(), static_cast<size_t>(start));
    }
    while (length > 0) {
      const int64_t piece = std::min<int64_t>(length, static_cast<int64_t>(block.size()));
      feed(block.data(), static_cast<uint32_t>(piece));
      length -= piece;
    }
    return true;
  }
  while (length > 0) {
    const int64_t piece = std::min(length, b.m_size - start);
    feed(b.GetData() + start, static_cast<uint32_t>(piece));
    length -= piece;
    start = 0;
  }
  return true;
}

}  // namespace

void IBuffer::MD5(RValue* out, int32_t offset, int32_t size) {
  MD5_CTX context;
  MD5_Init(&context);
  if (!DigestRange(*this, offset, size, [&](const uint8_t* p, uint32_t n) { MD5_Update(&context, p, n); })) return;
  MD5_Final(&context);
  char hex[33];
  MD5_HexDigest(&context, hex);
  RValue_SetString(out, hex);
}

void IBuffer::SHA1(RValue* out, int32_t offset, int32_t size) {
  if (IsWrap() && m_size <= 0) return;
  SHA1Context context;
  SHA1_Reset(&context);
  DigestRange(*this, offset, size, [&](const uint8_t* p, uint32_t n) { SHA1_Input(&context, p, n); });
  if (!SHA1_Result(&context)) return;
  char hex[41];
  SHA1_HexDigest(&context, hex);
  RValue_SetString(out, hex);
}

// --- surfaces ------------------------------------------------------------------------------------

void IBuffer::GetSurface(int32_t surface, int32_t /*mode*/, int32_t offset, int32_t rowGap) {
  const BufferSurfaceAccess* access = g_surfaceAccess;
  if (access == nullptr || offset < 0 || rowGap < 0 || !access->exists(surface)) return;
  int32_t width = 0;
  int32_t height = 0;
  if (!access->size(surface, &width, &height) || width <= 0 || height <= 0) return;
  const int64_t row = 4 * static_cast<int64_t>(width);
  const int64_t needed = offset + height * (row + rowGap) - rowGap;
  if (needed > m_size) return;
  std::vector<uint8_t> pixels;
  if (!access->read(surface, &pixels) || static_cast<int64_t>(pixels.size()) < row * height) return;
  for (int64_t y = 0; y < height; ++y) {
    std::memcpy(m_pData + offset + y * (row + rowGap), pixels.data() + y * row, static_cast<size_t>(row));
  }
  RaiseUsed(needed);
}

void IBuffer::SetSurface(int32_t surface, int32_t offset, int32_t /*rowGap*/) {
  const BufferSurfaceAccess* access = g_surfaceAccess;
  if (access == nullptr || offset < 0 || !access->exists(surface)) return;
  int32_t width = 0;
  int32_t height = 0;
  if (!access->size(surface, &width, &height) || width <= 0 || height <= 0) return;
  const int64_t bytes = 4 * static_cast<int64_t>(width) * height;
  if (offset + bytes > m_size) return;
  access->write(surface, m_pData + offset);
}

// --- the fast buffer -----------------------------------------------------------------------------

int32_t Buffer_Fast::Write(int32_t type, RValue* value) {
  if (type != eBuffer_U8) return -4;
  if (m_position < 0 || m_position >= m_size) return -2;
  Encoded e;
  if (value == nullptr || !EncodeValue(type, value, &e)) return -1;
  m_pData[m_position++] = e.scratch[0];
  return 0;
}

int32_t Buffer_Fast::Read(int32_t type, RValue* out) {
  SetReal(out, 0.0);
  if (type != eBuffer_U8) return -4;
  if (m_position < 0 || m_position >= m_size) return -2;
  out->val = m_pData[m_position++];
  return 0;
}

void Buffer_Fast::Peek(int32_t offset, int32_t type, RValue* out) {
  SetReal(out, 0.0);
  if (type == eBuffer_U8 && offset >= 0 && offset < m_size) out->val = m_pData[offset];
}

void Buffer_Fast::Poke(int32_t offset, int32_t type, RValue* value) {
  if (type != eBuffer_U8 || offset < 0 || offset >= m_size || value == nullptr) return;
  Encoded e;
  if (EncodeValue(type, value, &e)) m_pData[offset] = e.scratch[0];
}
