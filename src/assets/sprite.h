// One sprite: frames of equal size with an origin, a bounding box and radius, collision masks,
// and the images it draws from. A bitmap sprite draws either from rectangles on the container's
// shared texture pages or from frame bitmaps of its own, uploaded into texture slots of its own
// and described by whole-texture page entries it owns. Vector and skeleton sprites keep their
// data through their own modules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "assets/sprite_mask.h"

class CBitmap32;
class CSkeletonSprite;
class IBitmapLoader;
class TBitmap;
struct TPageEntry;
struct SpriteVectorData;

inline constexpr int32_t kSpriteKindBitmap = 0;
inline constexpr int32_t kSpriteKindVector = 1;
inline constexpr int32_t kSpriteKindSkeleton = 2;
// While false, sprites draw without being culled against the view (the cursor is drawn so, and
// a surface target saves and restores it).
extern bool g_SpriteCulling;

// A skeleton sprite takes any image index.
inline constexpr int32_t kSpriteSkeletonFrames = 2147483647;

inline constexpr int32_t kBBoxAutomatic = 0;
inline constexpr int32_t kBBoxFullImage = 1;
inline constexpr int32_t kBBoxManual = 2;

// Bytes of an SPRT entry before its page-entry offsets.
inline constexpr uint32_t kSpriteEntryHeader = 60;

class CSprite {
 public:
  CSprite();
  virtual ~CSprite();
  CSprite(const CSprite&) = delete;
  CSprite& operator=(const CSprite&) = delete;

  int32_t bboxMode = kBBoxAutomatic;
  // The bounding box: inclusive pixel coordinates inside the image.
  int32_t maskLeft = 0;
  int32_t maskTop = 0;
  int32_t maskRight = 0;
  int32_t maskBottom = 0;
  // The box an SPRT entry gave: the automatic box of a sprite drawing from the container's pages.
  MaskBox entryBox;
  int32_t frameCount = 0;
  int32_t width = 1;
  int32_t height = 1;
  int32_t originX = 0;
  int32_t originY = 0;
  int32_t radius = 0;  // the farthest image corner from the origin, rounded up
  bool precise = true;
  bool masksBuilt = false;
  bool transparent = true;
  bool smooth = false;
  bool preload = true;
  bool separateMasks = true;
  bool ownsEntries = false;
  // One mask per frame, or one shared: width x height bytes, 1 solid.
  std::vector<std::vector<uint8_t>> masks;
  std::vector<CBitmap32*> bitmaps;  // owned; empty for a sprite that draws from shared pages
  std::vector<int32_t> slots;       // one per frame bitmap, -1 once freed
  // One per frame; null when the sprite draws from its slots directly. Copies of a sprite that
  // draws from the container's pages share the array.
  std::shared_ptr<std::vector<TPageEntry*>> entries;
  std::vector<std::unique_ptr<TPageEntry>> ownedEntries;
  CSkeletonSprite* skeleton = nullptr;  // owned
  const char* name = nullptr;           // the table's text
  int32_t index = 0;
  int32_t kind = kSpriteKindBitmap;
  bool containerVector = false;
  SpriteVectorData* vector = nullptr;  // owned by the vector module

  // --- life cycle and loading ---
  void Clear();
  // From an SPRT entry whose bounds the table checked; `base` is the container's start.
  bool LoadFromChunk(const uint8_t* entry, uint8_t* base);
  bool LoadFromFile(const char* path, int32_t frames, bool precise, bool removeBackground, bool smooth, bool preload,
                    int32_t xOrigin, int32_t yOrigin, bool keepAlpha);
  bool LoadPNG(const uint8_t* data, size_t length, int32_t frames, bool precise, bool removeBackground, bool smooth,
               int32_t xOrigin, int32_t yOrigin, bool keepAlpha);
  bool LoadJPEG(const uint8_t* data, size_t length, int32_t frames, bool precise, bool removeBackground, bool smooth,
                int32_t xOrigin, int32_t yOrigin, bool keepAlpha);
  bool LoadGIF(const uint8_t* data, size_t length, int32_t frames, bool precise, bool removeBackground, bool smooth,
               int32_t xOrigin, int32_t yOrigin, bool keepAlpha);
  bool LoadFromImage(const uint32_t* pixels, int32_t imageWidth, int32_t imageHeight, int32_t frames, bool precise,
                     bool removeBackground, bool smooth, int32_t xOrigin, int32_t yOrigin, bool keepAlpha);
  void LoadStrip(IBitmapLoader* loader, bool removeBackground, bool smooth, int32_t frames, bool keepAlpha);
  void LoadSingle(IBitmapLoader* loader, bool removeBackground, bool smooth);
  void CreateFromBitmap(TBitmap* bitmap, bool precise, bool removeBackground, bool smooth, bool preload,
                        int32_t xOrigin, int32_t yOrigin, bool keepAlpha);
  void AddFromBitmap(TBitmap* bitmap, bool removeBackground, bool smooth, bool keepAlpha);
  void Merge(const CSprite* source);
  void SetAlphaFrom(const CSprite* source);
  void Assign(const CSprite* source);
  bool MakeBitmapsFromPages();

  // --- textures and frames ---
  void InitTextures();
  void InitTPEs();
  void FreeTextures();
  // The frame index reduced modulo the frame count (-1 is the last frame).
  int32_t Frame(int32_t frame) const;
  // Whether the frames lie on page entries the sprite did not make.
  bool DrawsFromSharedPages() const { return entries != nullptr && !ownsEntries; }
  // A validated texture handle (texture_pages.h), -1 for none.
  int32_t GetTexture(int32_t frame) const;
  TBitmap* GetFrameBitmap(int32_t frame) const;
  // {left, top, right, bottom}; the caller deletes it.
  int32_t* GetFrameRect(int32_t frame) const;

  // --- vector sprites (their own module) ---
  bool LoadVectorData(const uint8_t* data, int32_t xOrigin, int32_t yOrigin);
  bool LoadVectorFile(const char* path, int32_t xOrigin, int32_t yOrigin);
  void FreeVectorData();
  void DrawVector(int32_t frame, float xOrigin, float yOrigin, float x, float y, float xScale, float yScale,
                  float angle, uint32_t colour, float alpha);
  void DrawVectorTiled(int32_t frame, float x, float y, float xScale, float yScale, bool hTiled, bool vTiled,
                       float left, float top, float regionWidth, float regionHeight, uint32_t colour, float alpha);
  // The vector data's bounds, false when it has none.
  bool VectorBounds(int32_t* left, int32_t* top, int32_t* right, int32_t* bottom) const;

  // --- bounding box and masks ---
  void ComputeBoundingRadius();
  void ComputeBoundingBox();
  void SetBBoxMode(int32_t mode);
  void SetBBox(const MaskBox& box);
  void SetPrecise(bool flag);
  void BuildMasks();
  void SetCollisionMask(bool separate, int32_t boxMode, const MaskBox& box, int32_t shape, int32_t tolerance);
  void BuildShapeMask(const std::vector<uint8_t>* previous, std::vector<uint8_t>* mask, const CBitmap32* bitmap,
                      int32_t boxMode, int32_t shape, int32_t tolerance) const;
  void FreeMasks();
  void LoadVectorMasks(const uint8_t* const* runs, const int32_t* lengths, int32_t count);
  int32_t MaskCount() const { return static_cast<int32_t>(masks.size()); }
  // The mask a frame uses, null without masks.
  const uint8_t* MaskOf(int32_t frame) const;

  bool PointInMask(const MaskPlacement& at, int32_t px, int32_t py) const;
  bool RectInMask(const MaskPlacement& at, const MaskBox& rect) const;
  bool EllipseInMask(const MaskPlacement& at, const MaskBox& ellipse) const;
  bool LineInMask(const MaskPlacement& at, int32_t x1, int32_t y1, int32_t x2, int32_t y2) const;

  // --- drawing ---
  void SpriteDraw(int32_t frame, float x, float y, float xScale, float yScale, float angle, uint32_t colour,
                  float alpha);
  void SpriteDrawSimple(int32_t frame, float x, float y);
  void DrawPos(int32_t frame, float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
               uint32_t colour, float alpha);
  void DrawPart(int32_t frame, float left, float top, float partWidth, float partHeight, float x, float y,
                float xScale, float yScale, uint32_t colour, float alpha);
  void DrawGeneral(int32_t frame, float left, float top, float partWidth, float partHeight, float x, float y,
                   float xScale, float yScale, float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                   float alpha);
  void DrawStretched(int32_t frame, float x, float y, float drawWidth, float drawHeight, uint32_t colour, float alpha);
  void DrawTiled(int32_t frame, float x, float y, float xScale, float yScale, bool hTiled, bool vTiled, float left,
                 float top, float regionWidth, float regionHeight, uint32_t colour, float alpha);

 private:
  bool FinishImageLoad(int32_t xOrigin, int32_t yOrigin, bool isPrecise);
  void FreeOwnedEntries();
  void DeleteBitmaps();
  // The page entry (or, without entries, the slot) of a reduced frame; false when neither exists.
  TPageEntry* EntryOf(int32_t frame) const;
  int32_t SlotOf(int32_t frame) const;
  void ReportDrawError() const;
};
