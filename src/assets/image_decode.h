// PNG, JPEG and GIF file bytes in memory to 32-bit pixels: width x height words 0xAARRGGBB (bytes
// blue, green, red, alpha), rows top first, no padding. Callers pick the decoder by signature:
// FF D8 FF for JPEG, "GIF8" for GIF, 89 50 4E 47 for PNG.
//
// The bytes come from outside (files, downloads), so every decoder survives any input: damaged,
// cut or hostile data gives null, and an image of more than 2^28 pixels is refused before anything
// is allocated for it (a long strip of frames stays loadable).
#pragma once

#include <cstddef>
#include <cstdint>

#include <png.h>

// The one PNG decode in progress. PNG decoding is main-thread only, one image at a time.
struct PNGDecoder {
  bool error = false;
  const uint8_t* data = nullptr;
  size_t length = 0;
  size_t position = 0;
  int32_t width = 0;
  int32_t height = 0;
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_infop endInfo = nullptr;
  uint8_t* pixels = nullptr;
  png_bytep* rows = nullptr;
};

// Decodes into the slot when it is empty; when it already holds a decode, returns that decode's
// pixels and size whatever is passed. The pixels belong to the slot until PNG_FreeDecoder, which
// must follow every PNG_Decode. Failure: null, width and height -1. reduce: with an image divisor
// above 1 the image is halved in place and the reported size divided.
uint32_t* PNG_Decode(const void* data, size_t length, int32_t* width, int32_t* height, bool reduce);
void PNG_FreeDecoder();
// Reads only the header, leaving the slot as it is; false (sizes -1) when it is not a readable
// PNG.
bool PNG_GetSize(const void* data, size_t length, int32_t* width, int32_t* height, bool reduce);
// The two libpng drivers over a record: the header and transformations only, or the whole image.
bool ReadPNG(PNGDecoder* record);
bool ReadPNG_Decode(PNGDecoder* record);
void PNG_ReadCallback(png_structp png, png_bytep destination, png_size_t n);

// A new memory-manager block of pixels (the caller frees it) or null.
uint32_t* JPEG_Decode(const void* data, size_t length, int32_t* width, int32_t* height);
uint32_t* GIF_Decode(const void* data, size_t length, int32_t* width, int32_t* height);

// The most pixels an image that a game loads while it runs (sprite_add, background_add, their
// replace, alpha and URL forms) may have once decoded: 2^26, 256 MiB of 32-bit pixels (8192 x
// 8192). On its way to a texture a loaded image is held several times over (decoded pixels,
// frames, the texture and the driver's copy): a load at the budget peaks at about 1.6 GB. A larger
// image is refused from its header, before anything is decoded.
inline constexpr uint64_t kImageLoadBudgetPixels = uint64_t{1} << 26;

// The size a PNG, JPEG or GIF file's header gives (told by signature), read without decoding;
// false when the bytes hold no such header.
bool Image_HeaderSize(const void* data, size_t length, uint64_t* width, uint64_t* height);

// True when the image fits kImageLoadBudgetPixels, or has no header to judge (the decoder then
// refuses it). Otherwise logs "<what> <name>: W x H pixels is more than the N pixels an image
// loaded while the game runs may have" and answers false.
bool Image_FitsLoadBudget(const void* data, size_t length, const char* what, const char* name);

// Each destination pixel the average of the 2 x 2 source block at its scaled position.
void Image_HalveBox(int32_t dstWidth, int32_t dstHeight, uint32_t* dst, int32_t srcWidth, int32_t srcHeight,
                    const uint32_t* src);

// The divisor of decoded image sizes; 1 (nothing halved) unless a caller changes it.
extern int32_t g_ImageDivisor;
// The most pixels a decoded image may have (2^28); the fuzzer lowers it to keep its runs quick.
extern uint64_t g_ImageMaxPixels;
