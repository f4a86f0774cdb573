// Feeds arbitrary bytes to the memory stream: the first byte gives the number of operation
// bytes that follow, the rest is the stream's data. Every read must stay inside the data, and
// no stored length may lead to a huge allocation.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/memory_manager.h"
#include "core/run_switches.h"
#include "io/stream.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Console_SetHeadless(true);  // the stream logs every decompression
  return 0;
}

namespace {

void ReadTypedValues(CStream& s, uint8_t op) {
  char* text = nullptr;
  switch (op % 4) {
    case 0: s.ReadInteger(); break;
    case 1: s.ReadReal(); break;
    case 2:
      s.ReadString(&text);
      if (text != nullptr) (void)std::strlen(text);  // must be terminated within its block
      MEM_FREE(text);
      break;
    default: {
      uint8_t buf[64];
      s.Read(buf, op >> 2);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t opCount = std::min<size_t>(data[0] % 33, size - 1);
  const uint8_t* ops = data + 1;
  const uint8_t* payload = ops + opCount;
  int64_t payloadSize = static_cast<int64_t>(size - 1 - opCount);

  // Exactly the payload, no spare room: reads past it would be past the buffer.
  CStream s(payloadSize);
  s.Write(payload, payloadSize);
  s.SetPosition(0);

  for (size_t i = 0; i < opCount; ++i) {
    uint8_t op = ops[i];
    switch (op % 10) {
      case 0:
      case 1:
      case 2: ReadTypedValues(s, op >> 2); break;
      case 3: s.Seek(s.ReadInteger(), static_cast<int16_t>((op >> 4) % 4)); break;
      case 4: {
        if (CStream* r = s.ZDecompressStream()) {
          r->ReadInteger();
          r->Delete();
        }
        break;
      }
      case 5: {
        CStream out;
        CStream::Inflate(&out, &s);
        break;
      }
      case 6: {
        CStream view;
        view.CopyFrom(&s, s.ReadInteger(), true);
        view.SetPosition(0);
        ReadTypedValues(view, op >> 4);
        ReadTypedValues(view, op >> 2);
        break;
      }
      case 7: {
        CStream copy;
        copy.CopyFrom(&s, op >> 4, false);
        char* hex = nullptr;
        copy.ToHex(&hex);
        if (hex != nullptr) {
          CStream back;
          back.FromHex(hex);
          if (back.GetSize() != copy.GetPosition() ||
              std::memcmp(back.GetBuffer(), copy.GetBuffer(), static_cast<size_t>(back.GetSize())) != 0) {
            __builtin_trap();
          }
          MEM_FREE(hex);
        }
        break;
      }
      case 8: {
        CStream copy;
        copy.CopyFrom(&s, 0, false);
        int32_t seed = s.ReadInteger();
        copy.Unscramble(seed, s.ReadInteger(), s.ReadInteger());
        break;
      }
      default: s.SetPosition(op >> 3); break;
    }
  }

  // The whole payload as compressed data, and as hexadecimal text.
  s.SetPosition(0);
  CStream out;
  CStream::Inflate(&out, &s);
  std::string text(reinterpret_cast<const char*>(payload), static_cast<size_t>(payloadSize));
  CStream fromHex;
  fromHex.FromHex(text.c_str());
  return 0;
}
