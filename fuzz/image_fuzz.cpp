// Feeds arbitrary bytes to the image readers: the PNG, JPEG and GIF decoders and the BMP stream
// reader, with the bitmap conversions behind it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "assets/bitmap.h"
#include "assets/bitmap32.h"
#include "assets/image_decode.h"
#include "core/memory_manager.h"
#include "core/run_switches.h"
#include "io/stream.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Console_SetHeadless(true);
  // Images up to the decoders' full limit would take most of each run allocating and clearing;
  // the size checks are the same at 2^20 pixels.
  g_ImageMaxPixels = uint64_t{1} << 20;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exactly the input's bytes, so that a read past them is caught.
  std::vector<uint8_t> bytes(data, data + size);
  int32_t width = 0, height = 0;
  uint32_t* pixels = PNG_Decode(bytes.data(), bytes.size(), &width, &height, false);
  if (pixels != nullptr) {
    // Touch every pixel the decoder reports.
    volatile uint32_t sum = 0;
    for (size_t i = 0; i < static_cast<size_t>(width) * static_cast<size_t>(height); ++i) sum = sum + pixels[i];
  }
  PNG_FreeDecoder();
  PNG_GetSize(bytes.data(), bytes.size(), &width, &height, false);
  for (auto decode : {JPEG_Decode, GIF_Decode}) {
    pixels = decode(bytes.data(), bytes.size(), &width, &height);
    if (pixels == nullptr) continue;
    // The block holds every pixel reported (a short block shows here as an overflow).
    if (static_cast<int64_t>(width) * height <= (1 << 16)) {
      std::unique_ptr<BitmapLoader> loader(BitmapLoader_Create(pixels, width, height));
    } else {
      volatile uint32_t last = pixels[static_cast<size_t>(width) * static_cast<size_t>(height) - 1];
      (void)last;
    }
    MEM_FREE(pixels);
  }
  CStream stream;
  stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(0);
  TBitmap bitmap;
  bitmap.LoadFromStream(&stream);
  CBitmap32 opaque(&bitmap, true, true);
  if (opaque.IsValid()) {
    opaque.Resize(opaque.GetWidth() / 2 + 1, 3);
    opaque.GetOpaqueBounds();
  }
  return 0;
}
