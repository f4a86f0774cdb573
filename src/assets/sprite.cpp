#include "assets/sprite.h"

#include <cstring>
#include <memory>
#include <vector>

#include "assets/bitmap.h"
#include "assets/bitmap32.h"
#include "assets/image_decode.h"
#include "assets/texture_pages.h"
#include "assets/texture_pixels.h"
#include "core/console.h"
#include "core/memory_manager.h"
#include "runtime/container.h"
#include "runtime/error_report.h"
#include "io/load_save.h"
#include "assets/skeleton_sprite.h"

namespace {

bool EndsWithNoCase(const char* text, const char* suffix) {
  const size_t n = std::strlen(text);
  const size_t m = std::strlen(suffix);
  if (n < m) return false;
  for (size_t i = 0; i < m; ++i) {
    char c = text[n - m + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

bool Starts(const uint8_t* data, size_t length, const uint8_t* signature, size_t n) {
  return data != nullptr && length >= n && std::memcmp(data, signature, n) == 0;
}

constexpr uint8_t kJPEG[] = {0xFF, 0xD8, 0xFF};
constexpr uint8_t kGIF[] = {'G', 'I', 'F', '8'};
constexpr uint8_t kPNG[] = {0x89, 'P', 'N', 'G'};

CBitmap32* FrameFrom(TBitmap* bitmap, bool removeBackground, bool smooth, bool keepAlpha) {
  return keepAlpha ? new CBitmap32(bitmap, removeBackground, smooth, true) : new CBitmap32(bitmap, removeBackground, smooth);
}

// Decoders whose pixels are a memory-manager block the caller frees.
using BlockDecoder = uint32_t* (*)(const void* data, size_t length, int32_t* width, int32_t* height);

bool LoadDecoded(CSprite* sprite, BlockDecoder decode, const uint8_t* data, size_t length, int32_t frames,
                 bool isPrecise, bool removeBackground, bool isSmooth, int32_t xOrigin, int32_t yOrigin,
                 bool keepAlpha) {
  int32_t w = 0;
  int32_t h = 0;
  uint32_t* pixels = decode(data, length, &w, &h);
  if (pixels == nullptr) return false;
  sprite->LoadFromImage(pixels, w, h, frames, isPrecise, removeBackground, isSmooth, xOrigin, yOrigin, keepAlpha);
  MEM_FREE(pixels);
  return true;
}

}  // namespace

CSprite::CSprite() { Clear(); }

CSprite::~CSprite() { Clear(); }

void CSprite::DeleteBitmaps() {
  for (CBitmap32* b : bitmaps) delete b;
  bitmaps.clear();
}

void CSprite::FreeOwnedEntries() {
  for (auto& e : ownedEntries) GR_TPE_ForgetHandle(e.get());
  ownedEntries.clear();
  if (ownsEntries) entries.reset();
  ownsEntries = false;
}

void CSprite::Clear() {
  if (kind == kSpriteKindVector) FreeVectorData();
  if (skeleton != nullptr) {
    skeleton->Free();
    delete skeleton;
    skeleton = nullptr;
  }
  FreeOwnedEntries();
  DeleteBitmaps();
  FreeTextures();
  slots.clear();
  frameCount = 0;
  maskLeft = maskTop = maskRight = maskBottom = 0;
  entryBox = MaskBox{};
  width = height = 1;
  transparent = true;
  smooth = false;
  preload = true;
  bboxMode = kBBoxAutomatic;
  precise = true;
  originX = originY = 0;
  entries.reset();
  FreeMasks();
  name = nullptr;
  index = 0;
  kind = kSpriteKindBitmap;
  containerVector = false;
}

int32_t CSprite::Frame(int32_t frame) const {
  if (frameCount <= 0) return 0;
  int32_t f = frame % frameCount;
  if (f < 0) f += frameCount;
  return f;
}

// --- loading ---------------------------------------------------------------------------------

bool CSprite::LoadFromChunk(const uint8_t* entry, uint8_t* base) {
  Clear();
  width = Container_I32(entry + 4);
  height = Container_I32(entry + 8);
  maskLeft = Container_I32(entry + 12);
  maskRight = Container_I32(entry + 16);
  maskBottom = Container_I32(entry + 20);
  maskTop = Container_I32(entry + 24);
  entryBox = MaskBox{maskLeft, maskTop, maskRight, maskBottom};
  transparent = Container_U32(entry + 28) != 0;
  smooth = Container_U32(entry + 32) != 0;
  preload = Container_U32(entry + 36) != 0;
  bboxMode = Container_I32(entry + 40);
  precise = Container_U32(entry + 44) != 0;
  originX = Container_I32(entry + 48);
  originY = Container_I32(entry + 52);
  const int32_t frames = Container_I32(entry + 56);
  if (frames == -1) {
    kind = Container_I32(entry + 64);
    frameCount = 0;
    if (kind == kSpriteKindVector) {
      containerVector = true;
      LoadVectorData(entry + 72, originX, originY);
    } else if (kind == kSpriteKindSkeleton) {
      skeleton = new CSkeletonSprite(const_cast<uint8_t*>(entry) + 92, Container_I32(entry + 72),
                                     Container_I32(entry + 76), Container_I32(entry + 80), Container_I32(entry + 84),
                                     Container_I32(entry + 88));
      frameCount = skeleton->IsValid() ? kSpriteSkeletonFrames : 0;
    }
    ComputeBoundingRadius();
    return true;
  }
  frameCount = frames;
  entries = std::make_shared<std::vector<TPageEntry*>>(static_cast<size_t>(frames), nullptr);
  for (int32_t i = 0; i < frames; ++i) {
    const uint32_t offset = Container_U32(entry + kSpriteEntryHeader + 4 * static_cast<size_t>(i));
    (*entries)[static_cast<size_t>(i)] = offset != 0 ? reinterpret_cast<TPageEntry*>(base + offset) : nullptr;
  }
  const uint8_t* maskAt = entry + kSpriteEntryHeader + 4 * static_cast<size_t>(frames);
  const int32_t count = Container_I32(maskAt);
  maskAt += 4;
  if (count > 0) {
    separateMasks = count == frames;
    const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    masks.resize(static_cast<size_t>(count));
    for (int32_t m = 0; m < count; ++m) {
      std::vector<uint8_t>& mask = masks[static_cast<size_t>(m)];
      mask.assign(pixels, 0);
      for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = maskAt + static_cast<size_t>(y) * rowBytes;
        for (int32_t x = 0; x < width; ++x) {
          mask[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
              static_cast<uint8_t>((row[x / 8] >> (7 - x % 8)) & 1);
        }
      }
      maskAt += rowBytes * static_cast<size_t>(height);
    }
    masksBuilt = true;
  }
  // Every bitmap entry gets its radius: it depends only on the size and the origin, and a radius
  // of 0 would cull a sprite whose origin lies just outside the view.
  ComputeBoundingRadius();
  return true;
}

bool CSprite::LoadFromFile(const char* path, int32_t frames, bool isPrecise, bool removeBackground, bool isSmooth,
                           bool, int32_t xOrigin, int32_t yOrigin, bool keepAlpha) {
  if (path == nullptr) return false;
  if (std::strlen(path) > 4 && EndsWithNoCase(path, ".json")) {
    auto* candidate = new CSkeletonSprite(path);
    if (candidate->IsValid()) {
      Clear();
      skeleton = candidate;
      kind = kSpriteKindSkeleton;
      frameCount = kSpriteSkeletonFrames;
      return true;
    }
    candidate->Free();
    delete candidate;
  }
  std::vector<uint8_t> bytes;
  const bool read = LoadSave_SaveFileExists(path) ? LoadSave_ReadSaveFile(path, &bytes)
                                                   : LoadSave_ReadProgramFile(path, &bytes);
  if (!read) return false;
  const uint8_t* data = bytes.data();
  const size_t length = bytes.size();
  if (!Image_FitsLoadBudget(data, length, "Sprite image", path)) return false;
  if (Starts(data, length, kJPEG, sizeof kJPEG) &&
      LoadJPEG(data, length, frames, isPrecise, removeBackground, isSmooth, xOrigin, yOrigin, keepAlpha)) {
    return true;
  }
  if (Starts(data, length, kGIF, sizeof kGIF) &&
      LoadGIF(data, length, frames, isPrecise, removeBackground, isSmooth, xOrigin, yOrigin, keepAlpha)) {
    return true;
  }
  return LoadPNG(data, length, frames, isPrecise, removeBackground, isSmooth, xOrigin, yOrigin, keepAlpha);
}

bool CSprite::LoadPNG(const uint8_t* data, size_t length, int32_t frames, bool isPrecise, bool removeBackground,
                      bool isSmooth, int32_t xOrigin, int32_t yOrigin, bool keepAlpha) {
  int32_t w = 0;
  int32_t h = 0;
  const uint32_t* pixels = PNG_Decode(data, length, &w, &h, false);
  if (pixels == nullptr) {
    PNG_FreeDecoder();
    return false;
  }
  LoadFromImage(pixels, w, h, frames, isPrecise, removeBackground, isSmooth, xOrigin, yOrigin, keepAlpha);
  PNG_FreeDecoder();
  return true;
}

bool CSprite::LoadJPEG(const uint8_t* data, size_t length, int32_t frames, bool isPrecise, bool removeBackground,
                       bool isSmooth, int32_t xOrigin, int32_t yOrigin, bool keepAlpha) {
  return LoadDecoded(this, JPEG_Decode, data, length, frames, isPrecise, removeBackground, isSmooth, xOrigin, yOrigin,
                     keepAlpha);
}

bool CSprite::LoadGIF(const uint8_t* data, size_t length, int32_t frames, bool isPrecise, bool removeBackground,
                      bool isSmooth, int32_t xOrigin, int32_t yOrigin, bool keepAlpha) {
  return LoadDecoded(this, GIF_Decode, data, length, frames, isPrecise, removeBackground, isSmooth, xOrigin, yOrigin,
                     keepAlpha);
}

bool CSprite::LoadFromImage(const uint32_t* pixels, int32_t imageWidth, int32_t imageHeight, int32_t frames,
                            bool isPrecise, bool removeBackground, bool isSmooth, int32_t xOrigin, int32_t yOrigin,
                            bool keepAlpha) {
  std::unique_ptr<BitmapLoader> loader(BitmapLoader_Create(pixels, imageWidth, imageHeight));
  if (loader != nullptr && loader->HasSeparateImages()) {
    LoadSingle(loader.get(), removeBackground, isSmooth);
  } else {
    LoadStrip(loader.get(), removeBackground, isSmooth, frames, keepAlpha);
  }
  loader.reset();
  return FinishImageLoad(xOrigin, yOrigin, isPrecise);
}

bool CSprite::FinishImageLoad(int32_t xOrigin, int32_t yOrigin, bool isPrecise) {
  originX = xOrigin;
  originY = yOrigin;
  precise = isPrecise;
  bboxMode = kBBoxAutomatic;
  preload = true;
  InitTextures();
  InitTPEs();
  ComputeBoundingBox();
  BuildMasks();
  return true;
}

void CSprite::LoadStrip(IBitmapLoader* loader, bool removeBackground, bool isSmooth, int32_t frames, bool keepAlpha) {
  std::unique_ptr<IBitmap> image(loader != nullptr ? loader->CreateBitmap(0) : nullptr);
  Clear();
  transparent = removeBackground;
  smooth = isSmooth;
  frameCount = frames;
  auto* bitmap = dynamic_cast<TBitmap*>(image.get());
  if (bitmap == nullptr) {
    Console_DebugOutput("CSprite::LoadStrip :: Unable to load sprite data\n");
    frameCount = 0;
    return;
  }
  if (frameCount < 1) frameCount = 1;
  // A frame is at least one column wide: more frames than columns would be empty images, each
  // with a texture of its own (2^31 - 1 of them exhausted memory).
  frameCount = std::min(frameCount, std::max(bitmap->GetWidth(), 1));
  width = bitmap->GetWidth() / frameCount;
  height = bitmap->GetHeight();
  std::unique_ptr<CBitmap32> whole(keepAlpha ? new CBitmap32(bitmap, false, false, true)
                                             : new CBitmap32(bitmap, removeBackground, isSmooth));
  for (int32_t i = 0; i < frameCount; ++i) bitmaps.push_back(new CBitmap32(*whole, i * width, 0, width, height));
}

void CSprite::LoadSingle(IBitmapLoader* loader, bool removeBackground, bool isSmooth) {
  Clear();
  transparent = removeBackground;
  smooth = isSmooth;
  frameCount = loader->GetImageCount();
  for (int32_t i = 0; i < frameCount; ++i) {
    std::unique_ptr<IBitmap> image(loader->CreateBitmap(i));
    auto* bitmap = dynamic_cast<TBitmap*>(image.get());
    if (i == 0 && bitmap != nullptr) {
      width = bitmap->GetWidth();
      height = bitmap->GetHeight();
    }
    bitmaps.push_back(bitmap != nullptr ? new CBitmap32(bitmap, removeBackground, isSmooth) : new CBitmap32());
  }
}

void CSprite::CreateFromBitmap(TBitmap* bitmap, bool isPrecise, bool removeBackground, bool isSmooth, bool isPreload,
                               int32_t xOrigin, int32_t yOrigin, bool keepAlpha) {
  Clear();
  if (bitmap == nullptr) return;
  frameCount = 1;
  width = bitmap->GetWidth();
  height = bitmap->GetHeight();
  transparent = removeBackground;
  smooth = isSmooth;
  preload = isPreload;
  precise = isPrecise;
  originX = xOrigin;
  originY = yOrigin;
  bboxMode = kBBoxAutomatic;
  bitmaps.push_back(FrameFrom(bitmap, removeBackground, isSmooth, keepAlpha));
  InitTextures();
  InitTPEs();
  ComputeBoundingBox();
  BuildMasks();
}

void CSprite::AddFromBitmap(TBitmap* bitmap, bool removeBackground, bool isSmooth, bool keepAlpha) {
  if (bitmap == nullptr) return;
  // Frames on the container's pages are read back first, as a duplicate's are; without them the
  // new frame would have no earlier frames to sit beside.
  if (DrawsFromSharedPages()) {
    if (!MakeBitmapsFromPages()) {
      DeleteBitmaps();
      return;
    }
    entries.reset();
  }
  if (frameCount <= 0) {
    width = bitmap->GetWidth();
    height = bitmap->GetHeight();
  }
  ++frameCount;
  CBitmap32* frame = FrameFrom(bitmap, removeBackground, isSmooth, keepAlpha);
  frame->Resize(width, height);
  bitmaps.push_back(frame);
  FreeOwnedEntries();
  frameCount = static_cast<int32_t>(bitmaps.size());
  InitTextures();
  InitTPEs();
  ComputeBoundingBox();
  BuildMasks();
}

void CSprite::Merge(const CSprite* source) {
  if (source == nullptr) return;
  const bool empty = frameCount <= 0;
  if (empty) {
    width = source->width;
    height = source->height;
  }
  if (bitmaps.empty()) {
    Error_Report(false, "sprite_merge() requires the destination sprite to have been duplicated");
    if (!empty) return;
  }
  if (source->bitmaps.empty()) {
    Error_Report(false, "sprite_merge() requires the source sprite to have been duplicated");
    return;
  }
  if (empty) entries.reset();
  // A sprite merged into itself grows the list it reads: read the frames it had.
  const std::vector<CBitmap32*> frames = source->bitmaps;
  for (const CBitmap32* b : frames) {
    auto* copy = new CBitmap32(*b);
    copy->Resize(width, height);
    bitmaps.push_back(copy);
  }
  frameCount = static_cast<int32_t>(bitmaps.size());
  InitTextures();
  InitTPEs();
  ComputeBoundingBox();
  BuildMasks();
}

void CSprite::SetAlphaFrom(const CSprite* source) {
  if (source == nullptr || source->frameCount <= 0) return;
  if (DrawsFromSharedPages()) {
    Error_Report(false, "sprite_set_alpha_from_sprite() requires the destination sprite to have been duplicated");
    return;
  }
  if (source->DrawsFromSharedPages()) {
    Error_Report(false, "sprite_set_alpha_from_sprite() requires the source sprite to have been duplicated");
    return;
  }
  if (source->bitmaps.empty()) return;
  for (size_t i = 0; i < bitmaps.size(); ++i) {
    bitmaps[i]->SetAlphaFrom(source->bitmaps[i % source->bitmaps.size()]);
  }
  InitTextures();
  InitTPEs();
}

void CSprite::Assign(const CSprite* source) {
  if (source == nullptr || source == this || source->kind != kSpriteKindBitmap) return;
  const char* keptName = name;
  const int32_t keptIndex = index;
  Clear();
  name = keptName;
  index = keptIndex;
  width = source->width;
  height = source->height;
  maskLeft = source->maskLeft;
  maskTop = source->maskTop;
  maskRight = source->maskRight;
  maskBottom = source->maskBottom;
  entryBox = source->entryBox;
  transparent = source->transparent;
  smooth = source->smooth;
  preload = source->preload;
  bboxMode = source->bboxMode;
  precise = source->precise;
  originX = source->originX;
  originY = source->originY;
  frameCount = source->frameCount;
  radius = source->radius;
  if (source->DrawsFromSharedPages()) entries = source->entries;
  for (const CBitmap32* b : source->bitmaps) bitmaps.push_back(new CBitmap32(*b));
  InitTextures();
  if (!DrawsFromSharedPages()) InitTPEs();
  BuildMasks();
}

bool CSprite::MakeBitmapsFromPages() {
  if (kind != kSpriteKindBitmap || entries == nullptr) return false;
  DeleteBitmaps();
  for (int32_t i = 0; i < frameCount; ++i) {
    const TPageEntry* e = static_cast<size_t>(i) < entries->size() ? (*entries)[static_cast<size_t>(i)] : nullptr;
    if (e == nullptr) return false;
    std::unique_ptr<TBitmap> full(TPE_ReadBackWhole(e));
    if (full == nullptr) return false;
    bitmaps.push_back(new CBitmap32(full.get(), false, false, true));
  }
  return true;
}

// --- textures and frames ---------------------------------------------------------------------

void CSprite::FreeTextures() {
  for (int32_t& slot : slots) {
    if (slot >= 0) GR_Texture_Free(slot);
    slot = -1;
  }
}

void CSprite::InitTextures() {
  FreeTextures();
  if (DrawsFromSharedPages() || bitmaps.empty()) return;
  slots.assign(bitmaps.size(), -1);
  for (size_t i = 0; i < bitmaps.size(); ++i) {
    slots[i] = GR_Texture_CreateFromBitmap(bitmaps[i]);
    if (preload && slots[i] >= 0) GR_Texture_Preload(slots[i]);
  }
}

void CSprite::InitTPEs() {
  if (DrawsFromSharedPages()) return;
  FreeOwnedEntries();
  if (bitmaps.empty()) return;
  entries = std::make_shared<std::vector<TPageEntry*>>();
  for (size_t i = 0; i < bitmaps.size(); ++i) {
    const auto w = static_cast<int16_t>(bitmaps[i]->GetWidth());
    const auto h = static_cast<int16_t>(bitmaps[i]->GetHeight());
    const int32_t slot = i < slots.size() ? slots[i] : -1;
    auto entry = std::make_unique<TPageEntry>(TPageEntry{0, 0, w, h, 0, 0, w, h, w, h, static_cast<int16_t>(slot)});
    entries->push_back(entry.get());
    ownedEntries.push_back(std::move(entry));
  }
  ownsEntries = true;
}

TPageEntry* CSprite::EntryOf(int32_t frame) const {
  if (entries == nullptr || frame < 0 || static_cast<size_t>(frame) >= entries->size()) return nullptr;
  return (*entries)[static_cast<size_t>(frame)];
}

int32_t CSprite::SlotOf(int32_t frame) const {
  if (frame < 0 || static_cast<size_t>(frame) >= slots.size()) return -1;
  return slots[static_cast<size_t>(frame)];
}

int32_t CSprite::GetTexture(int32_t frame) const {
  if (kind == kSpriteKindVector || frameCount <= 0) return kTextureHandleNone;
  const int32_t f = Frame(frame);
  if (DrawsFromSharedPages()) return GR_TPE_Handle(EntryOf(f));
  const int32_t slot = SlotOf(f);
  return slot >= 0 ? slot : kTextureHandleNone;
}

TBitmap* CSprite::GetFrameBitmap(int32_t frame) const {
  if (kind != kSpriteKindBitmap || frame < 0 || frame >= frameCount || static_cast<size_t>(frame) >= bitmaps.size()) {
    return nullptr;
  }
  return bitmaps[static_cast<size_t>(frame)]->ToTBitmap();
}

int32_t* CSprite::GetFrameRect(int32_t frame) const {
  auto* rect = new int32_t[4]{0, 0, 0, 0};
  if (frame < 0 || frame >= frameCount) return rect;
  if (const TPageEntry* e = EntryOf(frame); e != nullptr) {
    rect[0] = e->targetX;
    rect[1] = e->targetY;
    rect[2] = e->targetX + e->sourceWidth;
    rect[3] = e->targetY + e->sourceHeight;
  } else if (kind == kSpriteKindVector) {
    VectorBounds(&rect[0], &rect[1], &rect[2], &rect[3]);
  } else if (static_cast<size_t>(frame) < bitmaps.size()) {
    const CBitmap32Rect b = bitmaps[static_cast<size_t>(frame)]->GetOpaqueBounds();
    rect[0] = b.left;
    rect[1] = b.top;
    rect[2] = b.right;
    rect[3] = b.bottom;
  }
  return rect;
}
