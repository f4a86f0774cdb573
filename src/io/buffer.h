// Byte buffers with a kind, an alignment, a read/write position and typed access, little-endian.
//
// Buffers are fed by scripts and files, so every offset, size and position is computed in 64
// bits and checked against the data: no operation reads or writes outside the block, and no
// growth asks for more than 2^31 - 1 bytes (size + alignment). Operations report by result codes:
// 0 success, -1 unsupported type or missing text (reads: outside the data, with the value -3), -2
// no room in a buffer that cannot grow, -4 a type other than u8 on a fast buffer.
#pragma once

#include <cstdint>
#include <vector>

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

// The most bytes a buffer block may take (data + alignment).
inline constexpr int64_t kBuffer_MaxBlock = INT32_MAX;

// Bytes an item of the type takes (0 for strings and unsupported types).
int32_t Buffer_TypeSize(int32_t type);
// The alignment a request gives: its low 9 bits rounded up to a power of two, at least 1.
int32_t Buffer_NormaliseAlignment(int32_t requested);

class IBuffer;

// Copies size bytes (negative: the whole source) from the source at the source offset into the
// buffer at the destination offset; returns the end offset in the destination, or -1 when there
// is nothing to copy or nowhere to copy it. The grow flag resizes the destination to fit; the
// wrap flags take offsets modulo the sizes and copy around the ends.
int64_t CopyMemoryToBuffer(IBuffer* buffer, const uint8_t* source, int64_t sourceLength, int64_t sourceOffset,
                           int64_t size, int64_t destOffset, bool grow, bool destWrap, bool sourceWrap);
// The same between two plain blocks (no growing).
int64_t CopyMemoryToMemory(uint8_t* dest, int64_t destSize, const uint8_t* source, int64_t sourceLength,
                           int64_t sourceOffset, int64_t size, int64_t destOffset, bool destWrap, bool sourceWrap);

class IBuffer {
 public:
  // A zero-filled block of size bytes (a negative size or one past the limit gives 0 bytes).
  IBuffer(int32_t size, int32_t kind, int32_t alignment);
  // Over existing memory, unaligned; freed by the buffer only when it owns it.
  IBuffer(void* data, int32_t size, int32_t kind, int32_t alignment, bool ownsMemory);
  // No memory: an empty grow buffer of alignment 1.
  IBuffer();
  virtual ~IBuffer();
  IBuffer(const IBuffer&) = delete;
  IBuffer& operator=(const IBuffer&) = delete;

  virtual int32_t Write(int32_t type, RValue* value);
  // The value -3 with -1 outside the data; 0 with -1 for an unsupported type.
  virtual int32_t Read(int32_t type, RValue* out);
  // base 0 start, 1 relative, 2 end; returns the new position.
  virtual int32_t Seek(int32_t base, int32_t offset);
  virtual void Peek(int32_t offset, int32_t type, RValue* out);
  virtual void Poke(int32_t offset, int32_t type, RValue* value);
  // The raw bytes of the range into the save area; true when written.
  virtual bool Save(const char* name, int32_t offset, int32_t size);
  // The file (save area first, then the program directory) into the buffer; true once read.
  virtual bool Load(const char* name, int32_t sourceOffset, int32_t size, int32_t destOffset);
  virtual void Base64Encode(RValue* out, int32_t offset, int32_t size);
  virtual bool Base64Decode(const char* text, int32_t destOffset, int32_t size);
  virtual void MD5(RValue* out, int32_t offset, int32_t size);
  virtual void SHA1(RValue* out, int32_t offset, int32_t size);
  // A negative size or one past the limit changes nothing (false).
  virtual bool Resize(int32_t newSize);
  virtual void Copy(int32_t sourceOffset, int32_t size, IBuffer* dest, int32_t destOffset);
  // stride 0: copies at the buffer's alignment; zeroPad fills the gaps with zeros.
  virtual void Fill(int32_t offset, int32_t size, int32_t type, RValue* value, int32_t stride, bool zeroPad);
  virtual void GetSurface(int32_t surface, int32_t mode, int32_t offset, int32_t rowGap);
  virtual void SetSurface(int32_t surface, int32_t offset, int32_t rowGap);

  uint8_t* GetData() const { return m_pData; }

  int32_t WriteBlock(const void* source, int32_t elementSize, int32_t count);
  int32_t ReadBlock(void* dest, int32_t elementSize, int32_t count);
  // A null text is written as the one-byte text 0x04.
  int32_t WriteString(const char* text);
  // A new memory-manager copy of the text read (the caller frees it), or null when no string was read.
  char* ReadString();
  // The bytes of a region: without wrap the offset is clamped into the data and the size
  // (negative: the whole buffer) cut at the end; with wrap they continue from 0.
  std::vector<uint8_t> CopyRegionOut(int32_t offset, int32_t size, bool wrap) const;
  // Copies bytes in, growing a grow or empty buffer and wrapping in a wrap buffer; the end offset or -1.
  int64_t CopyIn(const uint8_t* bytes, int64_t length, int64_t sourceOffset, int64_t size, int64_t destOffset);

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

 protected:
  // Aligns the position for a typed access and, in a wrap buffer, brings it back inside.
  // False when the aligned position would leave the 32-bit range.
  bool AlignPosition();
  // Moves the position past n bytes, wrapping to 0 at the end in a wrap buffer.
  void AdvanceWrapped(int64_t n);
  void RaiseUsed(int64_t end);
  // Writes or zero-fills (source null) a span that starts inside the data, continuing at 0 in a
  // wrap buffer.
  void PutSpan(int64_t start, const uint8_t* source, int64_t length);
  void GetSpan(int64_t start, uint8_t* dest, int64_t length) const;
  bool IsWrap() const { return m_kind == eBuffer_Format_Wrap; }
};

class Buffer_Standard : public IBuffer {
 public:
  using IBuffer::IBuffer;
  ~Buffer_Standard() override = default;
};

// Byte-at-a-time access: only u8 is served, with bounds checks and nothing else.
class Buffer_Fast : public IBuffer {
 public:
  using IBuffer::IBuffer;
  ~Buffer_Fast() override = default;
  int32_t Write(int32_t type, RValue* value) override;
  int32_t Read(int32_t type, RValue* out) override;
  void Peek(int32_t offset, int32_t type, RValue* out) override;
  void Poke(int32_t offset, int32_t type, RValue* value) override;
};

// Surfaces as the buffer reads and writes them: 4 bytes a pixel (B, G, R, A), rows top to bottom.
struct BufferSurfaceAccess {
  bool (*exists)(int32_t surface);
  bool (*size)(int32_t surface, int32_t* width, int32_t* height);
  bool (*read)(int32_t surface, std::vector<uint8_t>* pixels);
  bool (*write)(int32_t surface, const uint8_t* pixels);
};
// Installed by the surface module; without it no surface exists.
void Buffer_SetSurfaceAccess(const BufferSurfaceAccess* access);
const BufferSurfaceAccess* Buffer_GetSurfaceAccess();
