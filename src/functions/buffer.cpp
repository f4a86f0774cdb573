#include "functions/buffer.h"

#include <cstring>

#include "core/memory_manager.h"

namespace {

int32_t NormaliseAlignment(int32_t requested) {
  int32_t a = requested & 511;
  int32_t p = 1;
  while (p < a) p <<= 1;
  return p;
}

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

}  // namespace

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

IBuffer::IBuffer(int32_t size, int32_t kind, int32_t alignment) {
  if (size < 0) size = 0;
  m_alignment = NormaliseAlignment(alignment);
  m_kind = kind;
  m_allocatedBytes = size + m_alignment;
  m_pMemory = MemoryManager_Alloc(static_cast<size_t>(m_allocatedBytes), __FILE__, __LINE__, true);
  const uintptr_t base = reinterpret_cast<uintptr_t>(m_pMemory);
  const uintptr_t mask = static_cast<uintptr_t>(m_alignment) - 1;
  m_pData = reinterpret_cast<uint8_t*>((base + mask) & ~mask);
  m_size = size;
  m_usedSize = size;
}

IBuffer::~IBuffer() {
  RValue_Release(&m_scratch);
  if (m_ownsMemory) MemoryManager_Free(m_pMemory);
}

void IBuffer::AlignPosition() {
  const int64_t a = m_alignment;
  const int64_t p = static_cast<int64_t>(m_position) + m_wrapOffset;
  m_position = static_cast<int32_t>((p + a - 1) / a * a - m_wrapOffset);
}

bool IBuffer::Resize(int32_t newSize) {
  if (newSize < 0) return false;
  const int32_t allocated = newSize + m_alignment;
  void* memory = MemoryManager_Alloc(static_cast<size_t>(allocated), __FILE__, __LINE__, true);
  const uintptr_t mask = static_cast<uintptr_t>(m_alignment) - 1;
  auto* data = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(memory) + mask) & ~mask);
  if (m_pData != nullptr) std::memcpy(data, m_pData, static_cast<size_t>(newSize < m_size ? newSize : m_size));
  if (m_ownsMemory) MemoryManager_Free(m_pMemory);
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
  const int32_t reach = m_position > oldUsed ? m_position : oldUsed;
  m_usedSize = reach < newSize ? reach : newSize;
  return true;
}

int32_t IBuffer::Write(int32_t type, RValue* value) {
  AlignPosition();
  if (m_position >= m_size && m_kind != eBuffer_Format_Grow) return -2;

  uint8_t bytes[8];
  const uint8_t* src = bytes;
  int32_t n = Buffer_TypeSize(type);
  switch (type) {
    case eBuffer_U8:
    case eBuffer_S8:
    case eBuffer_U16:
    case eBuffer_S16:
    case eBuffer_U32: {
      const uint64_t u = static_cast<uint64_t>(TruncToInt64(NumberOf(value)));
      for (int i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(u >> (8 * i));
      break;
    }
    case eBuffer_S32: {
      const uint32_t u = static_cast<uint32_t>(TruncToInt32(NumberOf(value)));
      for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(u >> (8 * i));
      break;
    }
    case eBuffer_F32: {
      const float f = static_cast<float>(NumberOf(value));
      std::memcpy(bytes, &f, 4);
      break;
    }
    case eBuffer_F64:
    case eBuffer_U64:
      std::memcpy(bytes, &value->v64, 8);
      break;
    case eBuffer_Bool:
      bytes[0] = NumberOf(value) > 0.5 ? 1 : 0;
      break;
    case eBuffer_String:
    case eBuffer_Text: {
      if ((value->kind & MASK_KIND_RVALUE) != VALUE_STRING || value->pString == nullptr ||
          value->pString->text == nullptr) {
        return -1;
      }
      src = reinterpret_cast<const uint8_t*>(value->pString->text);
      n = value->pString->length + (type == eBuffer_String ? 1 : 0);
      break;
    }
    default:
      return -1;
  }

  if (static_cast<int64_t>(m_position) + n > m_size) {
    if (m_kind != eBuffer_Format_Grow) return -2;
    int64_t size = m_size > 0 ? m_size : n;
    while (static_cast<int64_t>(m_position) + n > size) size *= 2;
    if (size > INT32_MAX - 512) return -2;
    Resize(static_cast<int32_t>(size));
  }
  std::memcpy(m_pData + m_position, src, static_cast<size_t>(n));
  m_position += n;
  if (m_position > m_usedSize) m_usedSize = m_position;
  return 0;
}

int32_t IBuffer::Read(int32_t type, RValue* out) {
  SetReal(out, 0.0);
  AlignPosition();
  if (m_position >= m_size) {
    out->val = -3.0;
    return -1;
  }
  if (type == eBuffer_String || type == eBuffer_Text) {
    const int32_t limit = m_usedSize;
    int32_t end = m_position;
    while (end < limit && m_pData[end] != 0) ++end;
    const int32_t length = end > m_position ? end - m_position : 0;
    SharedString* s = SharedString_CreateSized(length);
    if (length > 0) std::memcpy(s->text, m_pData + m_position, static_cast<size_t>(length));
    RValue_Release(out);
    out->pString = s;
    out->kind = VALUE_STRING;
    m_position += length + 1;
    return 0;
  }
  const int32_t n = Buffer_TypeSize(type);
  if (n == 0 || type == eBuffer_F16) return -1;
  if (static_cast<int64_t>(m_position) + n > m_size) {
    out->val = -3.0;
    return -1;
  }
  const uint8_t* p = m_pData + m_position;
  uint64_t u = 0;
  for (int i = 0; i < n; ++i) u |= static_cast<uint64_t>(p[i]) << (8 * i);
  switch (type) {
    case eBuffer_U8:
    case eBuffer_Bool:
      out->val = static_cast<double>(u);
      break;
    case eBuffer_S8:
      out->val = static_cast<double>(static_cast<int8_t>(u));
      break;
    case eBuffer_U16:
      out->val = static_cast<double>(u);
      break;
    case eBuffer_S16:
      out->val = static_cast<double>(static_cast<int16_t>(u));
      break;
    case eBuffer_U32:
      out->val = static_cast<double>(u);
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
  m_position += n;
  return 0;
}

int32_t IBuffer::Seek(int32_t base, int32_t offset) {
  switch (base) {
    case 0:
      m_position = offset > 0 ? offset : 0;
      m_wrapOffset = 0;
      break;
    case 1: {
      const int64_t p = static_cast<int64_t>(m_position) + offset;
      m_position = p < 0 ? 0 : (p > INT32_MAX ? INT32_MAX : static_cast<int32_t>(p));
      break;
    }
    case 2: {
      const int32_t back = offset > 0 ? (offset < m_size ? offset : m_size) : 0;
      m_position = m_size - back;
      m_wrapOffset = 0;
      break;
    }
    default:
      break;
  }
  return m_position;
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
  if ((m_scratch.kind & MASK_KIND_RVALUE) == VALUE_STRING && m_scratch.pString != nullptr &&
      m_scratch.pString->text != nullptr) {
    const size_t n = static_cast<size_t>(m_scratch.pString->length);
    copy = static_cast<char*>(MemoryManager_Alloc(n + 1, __FILE__, __LINE__, false));
    std::memcpy(copy, m_scratch.pString->text, n + 1);
  }
  RValue_Release(&m_scratch);
  return copy;
}
