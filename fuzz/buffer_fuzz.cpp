// Runs a program of buffer operations read from the input on two buffers of any kind, size and
// alignment: no offset, size, type, position or text may make a buffer touch memory outside its
// block, nor make an operation on a wrap buffer walk more than a lap where only the last lap
// counts. Positions and sizes include the 32-bit extremes, except where an operation would then
// legitimately allocate or digest gigabytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/memory_manager.h"
#include "core/value.h"
#include "io/buffer.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  bool Done() const { return m_at >= m_size; }
  uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
  int32_t Int32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(Byte()) << (8 * i);
    return static_cast<int32_t>(v);
  }
  // A small signed value, or now and then a 32-bit extreme.
  int32_t Offset(bool extremesAllowed) {
    const uint8_t pick = Byte();
    if (extremesAllowed && pick >= 0xF8) {
      static constexpr int32_t kExtremes[] = {INT32_MAX, INT32_MAX - 1, INT32_MIN, INT32_MIN + 1,
                                              INT32_MAX - 512, -1, 0x40000000, -0x40000000};
      return kExtremes[pick & 7];
    }
    const int16_t small = static_cast<int16_t>(Byte() | (Byte() << 8));
    return small;
  }
  std::string Text() {
    const uint8_t n = Byte() & 31;
    std::string text;
    for (uint8_t i = 0; i < n && !Done(); ++i) text.push_back(static_cast<char>(Byte()));
    return text.c_str();  // up to the first NUL, as a script string holds it
  }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_at = 0;
};

std::unique_ptr<IBuffer> MakeBuffer(Input& in) {
  const int32_t kind = in.Byte() % 5;
  const int32_t size = in.Byte() | ((in.Byte() & 0x0F) << 8);
  const int32_t alignment = in.Byte() | (in.Byte() << 8);
  if (kind == eBuffer_Format_Fast) return std::make_unique<Buffer_Fast>(size, kind, alignment);
  return std::make_unique<Buffer_Standard>(size, kind, alignment);
}

// Where an extreme position or size could only mean a huge allocation: grow buffers and empty
// ones (which grow when copied into).
bool ExtremesAllowed(const IBuffer& b) { return b.m_kind != eBuffer_Format_Grow && b.m_size > 0; }
// Where it would mean a walk over every lap of a wrap buffer: digests, unpadded fills and
// wrapped regions, whose work grows with the size asked for.
bool LapsAllowed(const IBuffer& b) { return ExtremesAllowed(b) && b.m_kind != eBuffer_Format_Wrap; }

void Run(Input& in) {
  std::unique_ptr<IBuffer> buffers[2] = {MakeBuffer(in), MakeBuffer(in)};
  RValue value = RValue_MakeUndefined();
  RValue out = RValue_MakeUndefined();
  for (int steps = 0; steps < 256 && !in.Done(); ++steps) {
    const uint8_t op = in.Byte();
    IBuffer& b = *buffers[op & 1];
    IBuffer& other = *buffers[(op & 1) ^ 1];
    const bool extremes = ExtremesAllowed(b);
    const int32_t type = in.Byte() % 15;
    if (in.Byte() & 1) {
      RValue_SetString(&value, in.Text().c_str());
    } else {
      RValue_Release(&value);
      int64_t bits = static_cast<int64_t>(in.Int32()) << 32 | static_cast<uint32_t>(in.Int32());
      std::memcpy(&value.val, &bits, 8);  // any real, NaN and infinities included
      value.kind = VALUE_REAL;
    }
    switch ((op >> 1) % 20) {
      case 0: b.Write(type, &value); break;
      case 1: b.Read(type, &out); break;
      case 2: b.Seek(in.Byte() % 4, in.Offset(extremes)); break;
      case 3: b.Peek(in.Offset(true), type, &out); break;
      case 4: b.Poke(in.Offset(true), type, &value); break;
      case 5: {
        const bool zeroPad = in.Byte() & 1;
        b.Fill(in.Offset(true), in.Offset(zeroPad ? extremes : LapsAllowed(b)), type, &value, in.Offset(extremes), zeroPad);
        break;
      }
      case 6: {
        const bool both = extremes && ExtremesAllowed(other);  // a huge copy grows a grow destination
        b.Copy(in.Offset(true), in.Offset(both), &other, in.Offset(ExtremesAllowed(other)));
        break;
      }
      case 7: b.Copy(in.Offset(true), in.Offset(extremes), &b, in.Offset(extremes)); break;
      case 8: b.Resize(in.Byte() | ((in.Byte() & 0x0F) << 8)); break;
      case 9: b.MD5(&out, in.Offset(true), in.Offset(LapsAllowed(b))); break;
      case 10: b.SHA1(&out, in.Offset(true), in.Offset(LapsAllowed(b))); break;
      case 11: b.Base64Encode(&out, in.Offset(true), in.Offset(true)); break;
      case 12: b.Base64Decode(in.Text().c_str(), in.Offset(extremes), in.Offset(extremes)); break;
      case 13: {
        uint8_t bytes[64] = {};
        const int32_t element = in.Byte() % 9;
        const int32_t count = in.Byte() % 9;
        if (in.Byte() & 1) {
          b.WriteBlock(bytes, element, count);
        } else {
          b.ReadBlock(bytes, element, count);
        }
        break;
      }
      case 14: {
        // A wrapped region is as long as asked, laps included: no extreme there.
        const bool wrap = in.Byte() & 1;
        const int32_t offset = in.Offset(true);
        const std::vector<uint8_t> region = b.CopyRegionOut(offset, in.Offset(!wrap && extremes), wrap);
        if (!region.empty()) other.CopyIn(region.data(), static_cast<int64_t>(region.size()), in.Offset(true),
                                          in.Offset(ExtremesAllowed(other)), in.Offset(ExtremesAllowed(other)));
        break;
      }
      case 15: {
        const std::string text = in.Text();
        b.WriteString(in.Byte() & 1 ? text.c_str() : nullptr);
        break;
      }
      case 16: MEM_FREE(b.ReadString()); break;
      case 17: b.GetSurface(0, 0, in.Offset(true), in.Offset(true)); break;
      case 18: b.SetSurface(0, in.Offset(true), in.Offset(true)); break;
      default: {
        uint8_t bytes[16] = {};
        CopyMemoryToMemory(bytes, sizeof bytes, b.GetData(), b.m_size, in.Offset(true), in.Offset(extremes),
                           in.Offset(true), in.Byte() & 1, in.Byte() & 1);
        break;
      }
    }
    RValue_Release(&out);
  }
  RValue_Release(&value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  Run(in);
  return 0;
}
