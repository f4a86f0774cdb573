// CStream: the runner's in-memory byte stream.
//
// A growable buffer with one read/write position. Integers are 32-bit little-endian, reals the
// 8 bytes of a little-endian double, strings a 32-bit byte length followed by the bytes.
// Everything read from the data itself (string and block lengths, seeks) is kept inside the
// buffer, so a damaged file gives short or empty results, never an out-of-bounds access.
#pragma once

#include <cstdint>

class CStream {
 public:
  // n bytes of zeroed buffer (none for 0).
  explicit CStream(int64_t n = 0);
  ~CStream();
  CStream(const CStream&) = delete;
  CStream& operator=(const CStream&) = delete;

  // The position is kept within 0..size.
  void SetPosition(int64_t p);
  uint8_t* GetBuffer() const { return m_buffer; }
  int32_t GetPosition() const { return static_cast<int32_t>(m_position); }
  int32_t GetSize() const { return static_cast<int32_t>(m_size); }
  // A view into another stream's buffer, which this stream never frees.
  bool IsNotOwner() const { return m_notOwner; }

  // Up to n bytes from the position; returns the count copied.
  int64_t Read(void* destination, int64_t n);
  int64_t ReadData(void* destination, int64_t n) { return Read(destination, n); }
  // Origin 0 start, 1 current, 2 end; the result is kept within 0..size. Returns the position.
  int64_t Seek(int64_t offset, int16_t origin);
  // Writes n bytes at the position, growing the buffer (at least doubling) when needed.
  int64_t Write(const void* source, int64_t n);

  // 0 (and no move) when fewer than 4 or 8 bytes are left.
  int32_t ReadInteger();
  double ReadReal();
  // *out := a new zero-terminated memory-manager block with the string (null for length 0);
  // a length beyond the data is cut to the bytes that are there. Returns the bytes read.
  int32_t ReadString(char** out);
  void WriteInteger(int32_t v);
  void WriteReal(double v);
  void WriteString(const char* text);

  // The bytes before the position as upper-case hexadecimal (a new block, null for none);
  // returns their count.
  int32_t ToHex(char** out);
  // Replaces the contents with the bytes of a hexadecimal text; position 0.
  void FromHex(const char* text);

  // Inflates zlib data from the source's position into the destination. 0 when the compressed
  // data ended properly; a negative zlib code otherwise (-3 for damaged or cut data).
  static int Inflate(CStream* destination, CStream* source);
  // Reads a 32-bit compressed length and that many compressed bytes at the position and returns
  // a new stream with the inflated bytes at position 0, or null on any failure.
  CStream* ZDecompressStream();
  // The byte substitution of stored script text (the inverse of the one applied when storing).
  void Unscramble(int32_t seed, int64_t start, int64_t count);
  // With notOwner and n != 0: becomes a view of n bytes at the source's position. Otherwise
  // copies n bytes from the source's position (n = 0: the whole source). The source's position
  // moves past what was taken. Returns the bytes taken.
  int64_t CopyFrom(CStream* source, int64_t n, bool notOwner);
  // Loads a file (save area first, then the program directory) without its first skip bytes;
  // an absent file leaves the stream empty.
  void LoadFile(const char* path, int64_t skip);

  void Free();
  void Delete();

 private:
  // Makes room for bytes more at the position; a view turns into an owned copy first.
  void Reserve(int64_t bytes);

  bool m_notOwner = false;
  int64_t m_size = 0;
  int64_t m_position = 0;
  uint8_t* m_buffer = nullptr;
};
