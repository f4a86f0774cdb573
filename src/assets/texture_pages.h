// Texture pages and texture slots. Every image the runner draws lives on a texture reached
// through a slot; the images of sprites, backgrounds and fonts are rectangles on the container's
// pages, described by page entries. The quad emitters turn a slot or an entry with a position,
// origin, scale, rotation and colours into vertices of the batcher (24-byte vertices, six a quad
// as a triangle list, z the current 2-D depth).
#pragma once

#include <cstddef>
#include <cstdint>

#include "assets/texture.h"

// A rectangle on a texture page (22 bytes, as stored in the container). After loading, `page`
// holds the texture slot of its page.
struct TPageEntry {
  int16_t sourceX;
  int16_t sourceY;
  int16_t sourceWidth;
  int16_t sourceHeight;
  int16_t targetX;  // the trim offset inside the whole image
  int16_t targetY;
  int16_t targetWidth;  // the size at which the rectangle is drawn
  int16_t targetHeight;
  int16_t fullWidth;  // the whole image before trimming
  int16_t fullHeight;
  int16_t page;
};
static_assert(sizeof(TPageEntry) == 22);

// Whether a container offset may name a page entry (SPRT, BGND and FONT entries do): 0 means none
// and passes; any other offset must hold the whole entry inside the container and be even, since
// the entry's 16-bit fields are read in place.
struct ContainerBytes;
bool Container_PageEntryAt(const ContainerBytes& container, uint32_t offset);

struct TextureSlot {
  Texture* texture;
  int16_t width;
  int16_t height;
  float texelWidth;
  float texelHeight;
  uint8_t valid;
};

// Slot table.
int32_t GR_Texture_NewSlot();
int32_t GR_Texture_Create(int32_t width, int32_t height, bool renderTarget);
int32_t GR_Texture_Wrap(Texture* texture, int32_t width, int32_t height);
int32_t GR_Texture_CreateFromData(int32_t width, int32_t height, uint8_t* data, size_t length);
// One texture page of `length` bytes (image data or a "RAW " block; null data makes a slot
// without a texture). Damaged data gives a valid slot without a texture.
int32_t GR_Texture_Load(uint8_t* data, size_t length, int32_t flags);
// False when a page's image was given but made no texture although textures can be made now (a
// device exists, or textures are made on demand): the image is damaged, and everything drawn
// from the page would come out blank.
bool GR_Texture_PageDecoded(int32_t slot);
class CBitmap32;
int32_t GR_Texture_CreateFromBitmap(CBitmap32* bitmap);
int32_t GR_Texture_CreateFromAlpha(int32_t width, int32_t height, const uint8_t* alpha);
void GR_Texture_Free(int32_t slot);
bool GR_Texture_Exists(int32_t slot);
float GR_Texture_GetWidth(int32_t slot);
float GR_Texture_GetHeight(int32_t slot);
void GR_Texture_Preload(int32_t slot);
void GR_Texture_SetPriority(int32_t slot, int32_t priority);
Texture* GR_Texture_Get(int32_t slot);
// The record of a valid slot in range, else null; it moves when slots are created.
TextureSlot* GR_Texture_Slot(int32_t slot);
int32_t GR_Texture_Count();
void GR_Texture_Flush();
void GR_Texture_Init();
void GR_Texture_FreeAll();

// Texture handles as scripts see them: -1 none, 0..16384 a slot, above that a registered page
// entry (0x40000000 + its index; indices are not reused, so a stale handle stays unknown).
inline constexpr int32_t kTextureHandleNone = -1;
inline constexpr int32_t kTextureHandleSlotLimit = 16384;
inline constexpr int32_t kTextureHandleEntryBase = 0x40000000;
// The handle of an entry, registering it on first use; -1 for null.
int32_t GR_TPE_Handle(TPageEntry* entry);
// An entry that goes away (a deleted sprite's own entries): its handle becomes unknown.
void GR_TPE_ForgetHandle(TPageEntry* entry);
enum class TextureHandleKind { None, Slot, Entry, Unknown };
struct TextureHandle {
  TextureHandleKind kind = TextureHandleKind::Unknown;
  int32_t slot = -1;
  TPageEntry* entry = nullptr;
};
TextureHandle GR_Texture_Resolve(int32_t handle);

// The corner-id flag (shader_enable_corner_id).
extern bool g_CornerIds;
uint32_t GR_ColourToARGB(uint32_t colour, float alpha);
// The colour of quad corner `id` (0 top left, clockwise) marked with its id while the corner-id
// flag is on, for quads handed to GR_Texture_EmitQuad.
uint32_t GR_MarkCorner(uint32_t colour, uint32_t id);

// Emitters: false (nothing drawn) for a null entry or an out-of-range or invalid slot or page.
bool GR_Texture_EmitQuad(Texture* texture, float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                         float y3, float uL, float vT, float uR, float vB, uint32_t c0, uint32_t c1, uint32_t c2,
                         uint32_t c3);
bool GR_Texture_Draw(int32_t slot, float x, float y);
bool GR_TPE_Draw(TPageEntry* entry, float x, float y);
bool GR_TPE_DrawPos(TPageEntry* entry, float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                    uint32_t colour, float alpha);
bool GR_Texture_DrawExt(int32_t slot, float xOrigin, float yOrigin, float x, float y, float xScale, float yScale,
                        float angle, uint32_t colour, float alpha);
bool GR_TPE_DrawExt(TPageEntry* entry, float xOrigin, float yOrigin, float x, float y, float xScale, float yScale,
                    float angle, uint32_t colour, float alpha);
bool GR_Texture_DrawPart(int32_t slot, float left, float top, float width, float height, float x, float y,
                         float xScale, float yScale, float angle, uint32_t colour, float alpha);
bool GR_TPE_DrawPart(TPageEntry* entry, float left, float top, float width, float height, float x, float y,
                     float xScale, float yScale, float angle, uint32_t colour, float alpha);
bool GR_Texture_DrawGeneral(int32_t slot, float left, float top, float width, float height, float x, float y,
                            float xScale, float yScale, float angle, uint32_t c1, uint32_t c2, uint32_t c3,
                            uint32_t c4, float alpha);
bool GR_TPE_DrawGeneral(TPageEntry* entry, float left, float top, float width, float height, float x, float y,
                        float xScale, float yScale, float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                        float alpha);
bool GR_Texture_DrawTiled(int32_t slot, float xOrigin, float yOrigin, float x, float y, float xScale, float yScale,
                          bool hTiled, bool vTiled, float viewX, float viewY, float viewWidth, float viewHeight,
                          uint32_t colour, float alpha);
// The four view values the page tiler was given and never read are dropped: it tiles the
// visible world rectangle.
bool GR_TPE_DrawTiled(TPageEntry* entry, float xOrigin, float yOrigin, float x, float y, float xScale, float yScale,
                      bool hTiled, bool vTiled, uint32_t colour, float alpha);
