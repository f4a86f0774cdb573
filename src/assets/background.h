// Backgrounds: the room's background layers, tile sets and images that scripts draw, load, build
// and copy. A background is either a rectangle on a texture page of the container (BGND) or an
// image of its own (a CBitmap32) with a texture slot of its own. Indices never move: deleting
// leaves a hole, new backgrounds are appended.
#pragma once

#include <cstdint>

#include "runtime/container.h"

class CBitmap32;
class TBitmap;
struct TPageEntry;
struct HTTP_REQ_CONTEXT;

class CBackground {
 public:
  CBackground() = default;
  ~CBackground();
  CBackground(const CBackground&) = delete;
  CBackground& operator=(const CBackground&) = delete;

  // From a BGND entry at container offset `at` (20 bytes the caller checked); the page entry is
  // resolved by the texture pages' loader.
  void LoadFromChunk(const ContainerBytes& container, uint32_t at);
  void InitTexture();
  void FreeTexture();
  // The handle scripts see (background_get_texture): the page entry's handle, else the slot.
  int32_t GetTexture() const;
  int32_t GetWidth() const { return m_width; }
  int32_t GetHeight() const { return m_height; }
  bool GetTransparent() const { return m_transparent; }
  bool GetSmooth() const { return m_smooth; }
  bool GetPreload() const { return m_preload; }
  int32_t GetSlot() const { return m_slot; }
  CBitmap32* GetBitmap() const { return m_bitmap; }
  TPageEntry* GetPageEntry() const { return m_entry; }

  void Assign(const CBackground& other);
  // Reads the page rectangle back into a bitmap of its own; false when it has one already or the
  // page gives nothing.
  bool MakeBitmapFromPage();
  void CreateFromBitmap(TBitmap* bitmap, bool transparent, bool smooth, bool preload, bool keepAlpha);
  bool CreateFromPixels(const uint32_t* pixels, int32_t width, int32_t height, bool transparent, bool smooth,
                        bool preload, bool keepAlpha);
  void CreateColour(int32_t width, int32_t height, uint32_t colour, bool preload);
  void CreateGradient(int32_t width, int32_t height, uint32_t colour1, uint32_t colour2, int32_t kind, bool preload);
  void SetAlphaFrom(const CBackground& other);
  bool LoadPNG(const uint8_t* data, size_t length, bool transparent, bool smooth, bool preload, bool keepAlpha);
  bool LoadJPEG(const uint8_t* data, size_t length, bool transparent, bool smooth, bool preload, bool keepAlpha);
  bool LoadGIF(const uint8_t* data, size_t length, bool transparent, bool smooth, bool preload, bool keepAlpha);
  // Decodes by signature (JPEG, GIF, PNG); prints "Failed to decode background data in <name>"
  // when none succeeds.
  bool LoadFromData(const char* name, const uint8_t* data, size_t length, bool transparent, bool smooth,
                    bool preload, bool keepAlpha);
  bool LoadFromFile(const char* name, bool transparent, bool smooth, bool preload, bool keepAlpha);

  // Drawing through the page-entry emitter, else the slot's; angles in degrees. Each returns what
  // the emitter returns.
  bool Draw(float x, float y) const;
  bool DrawExt(float x, float y, float xScale, float yScale, float angle, uint32_t colour, float alpha) const;
  bool DrawStretched(float x, float y, float width, float height, uint32_t colour, float alpha) const;
  bool DrawPart(float left, float top, float width, float height, float x, float y, float xScale, float yScale,
                uint32_t colour, float alpha) const;
  bool DrawGeneral(float left, float top, float width, float height, float x, float y, float xScale, float yScale,
                   float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4, float alpha) const;
  // Room backgrounds pass their tiling flags and the view; draw_background_tiled passes both on.
  bool DrawTiled(float x, float y, float xScale, float yScale, bool hTiled, bool vTiled, float viewX, float viewY,
                 float viewWidth, float viewHeight, uint32_t colour, float alpha) const;

 private:
  void Clear();
  void SlotFromBitmap();

  int32_t m_width = 0;
  int32_t m_height = 0;
  bool m_transparent = false;
  bool m_smooth = false;
  bool m_preload = false;
  int32_t m_slot = -1;
  CBitmap32* m_bitmap = nullptr;   // owned
  TPageEntry* m_entry = nullptr;  // into the container
};

// The table. Every index is checked: out of range or empty counts as missing.
void Background_Init();
bool Background_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
void Background_InitTextures();
void Background_Shutdown();
int32_t Background_Number();
bool Background_Exists(int32_t index);
const char* Background_Name(int32_t index);  // "<undefined>" when missing
int32_t Background_Find(const char* name);
CBackground* Background_Data(int32_t index);
void Background_AppendSlot();
int32_t Background_AddEmpty();
int32_t Background_Add(const char* name, bool transparent, bool smooth, bool preload);
bool Background_Replace(int32_t index, const char* name, bool transparent, bool smooth, bool preload);
int32_t Background_AddAlpha(const char* name, bool preload);
bool Background_ReplaceAlpha(int32_t index, const char* name, bool preload);
bool Background_Delete(int32_t index);
int32_t Background_Duplicate(int32_t index);
bool Background_Assign(int32_t destination, int32_t source);
// Completion (returns the image-loaded event, 60) and clean-up of URL loads.
int32_t Background_AddHttpCallback(HTTP_REQ_CONTEXT* context, void* request, int32_t* asyncLoad);
void Background_AddHttpCleanup(HTTP_REQ_CONTEXT* context);
// The size of a background, 0 when missing (background_width / background_height).
int32_t Background_GetWidth(int32_t index);
int32_t Background_GetHeight(int32_t index);
