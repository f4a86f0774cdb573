// Byte buffers with typed reads and writes, little-endian.
//
// This is the part of the buffer that the value and saved-game code use: fixed and grow buffers
// with alignment, typed Write/Read/Seek and the string writer and reader. Wrap and fast buffers
// and the block, peek/poke, file, encoding and surface operations come with the buffer functions.
#pragma once

#include <cstdint>

#include "core/value.h"

enum eBuffer_Format : int32_t {
  eBuffer_Format_Fixed = 0,
  eBuffer_Format_Grow = 1,
  eBuffer_Format_Wrap = 2,
  eBuffer_Format_Fast = 3,
  eBuffer_Format_VBuffer = 4,
};

enum eBuffer_Type : int32_t {
  eBuffer_U8 = 1,
  eBuffer_S8 = 2,
  eBuffer_U16 = 3,
  eBuffer_S16 = 4,
  eBuffer_U32 = 5,
  eBuffer_S32 = 6,
  eBuffer_F16 = 7,
  eBuffer_F32 = 8,
  eBuffer_F64 = 9,
  eBuffer_Bool = 10,
  eBuffer_String = 11,
  eBuffer_U64 = 12,
  eBuffer_Text = 13,
};

// Bytes an item of the type takes (0 for strings and unsupported types).
int32_t Buffer_TypeSize(int32_t type);

class IBuffer {
 public:
  IBuffer(int32_t size, int32_t kind, int32_t alignment);
  virtual ~IBuffer();
  IBuffer(const IBuffer&) = delete;
  IBuffer& operator=(const IBuffer&) = delete;

  // 0 on success; -1 unsupported type or a string type without text; -2 no room.
  virtual int32_t Write(int32_t type, RValue* value);
  // 0 on success; -1 with the value -3 past the data, -1 with 0 for an unsupported type.
  virtual int32_t Read(int32_t type, RValue* out);
  // base 0 start, 1 relative, 2 end; returns the new position.
  virtual int32_t Seek(int32_t base, int32_t offset);

  // A null text is written as the one-byte text 0x04.
  int32_t WriteString(const char* text);
  // A new memory-manager copy of the text read (the caller frees it), or null when no string was read.
  char* ReadString();

  uint8_t* GetData() const { return m_pData; }

  void* m_pMemory = nullptr;
  int32_t m_allocatedBytes = 0;
  uint8_t* m_pData = nullptr;
  int32_t m_size = 0;
  int32_t m_alignment = 1;
  int32_t m_kind = eBuffer_Format_Grow;
  int32_t m_position = 0;
  int32_t m_usedSize = 0;
  int32_t m_wrapOffset = 0;
  int32_t m_inUseCount = 0;
  RValue m_scratch = {{0.0}, 0, VALUE_REAL};
  bool m_ownsMemory = true;

 private:
  void AlignPosition();
  bool Resize(int32_t newSize);
};

class Buffer_Standard : public IBuffer {
 public:
  using IBuffer::IBuffer;
  ~Buffer_Standard() override = default;
};
