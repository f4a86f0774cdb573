#include "functions/text_sprite_functions.h"

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>

#include "assets/background.h"
#include "assets/font.h"
#include "assets/sprite.h"
#include "assets/sprite_table.h"
#include "assets/texture_pages.h"
#include "core/argument_getters.h"
#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "core/value.h"
#include "core/value_text.h"
#include "functions/handler_args.h"
#include "runtime/error_report.h"
#include "render/primitives.h"
#include "render/render_setters.h"
#include "render/text.h"
#include "skeleton/skeleton_draw_instance.h"
#include "world/instance.h"
#include "world/instance_rounding.h"
#include "world/room.h"

namespace {

uint32_t Colour(const Args& a, int32_t n) { return static_cast<uint32_t>(a.I(n)); }
// A texture value: a handle, possibly of pointer kind; -1 (none) when the call brought none.
intptr_t TextureValue(const Args& a, int32_t n) { return a.Has(n) ? WXGPtrOrNum(a.values, n) : -1; }

// A texture value as scripts hold it: a handle of pointer kind.
void SetTexture(RValue* result, int32_t handle) {
  RValue_Release(result);
  *result = RValue_MakePointer(reinterpret_cast<void*>(static_cast<intptr_t>(handle)));
}

constexpr const char* kMissingSprite = "Trying to draw non-existing sprite.";
constexpr const char* kMissingSpriteTexture = "Trying to get texture from non-existing sprite.";
constexpr uint32_t kWhite = 0xFFFFFF;
// Text measured or drawn without these arguments: the font's own line spacing, no wrapping.
constexpr int32_t kDefaultSeparation = -1;
constexpr int32_t kNoWrap = -1;
constexpr size_t kTextScratchBytes = 1024;


// --- text -------------------------------------------------------------------------------------

// The text form of a drawing function's text argument, whatever its kind (a number becomes its
// digits, two decimals when it has a fraction), in a scratch block freed when it goes.
class ArgumentText {
 public:
  ArgumentText(const Args& a, int32_t n) {
    m_base = static_cast<char*>(MEM_ALLOC_RAW(kTextScratchBytes));
    m_capacity = kTextScratchBytes;
    char* cursor = m_base;
    *cursor = '\0';
    if (a.Has(n)) RValue_AppendText(&cursor, &m_base, &m_capacity, &a.values[n]);
  }
  ~ArgumentText() { MEM_FREE(m_base); }
  ArgumentText(const ArgumentText&) = delete;
  ArgumentText& operator=(const ArgumentText&) = delete;
  const char* c_str() const { return m_base; }

 private:
  char* m_base = nullptr;
  size_t m_capacity = 0;
};

// Arguments 0 to 2 of the drawing functions: where, and the text.
struct TextAt {
  explicit TextAt(const Args& a) : x(a.F(0)), y(a.F(1)), m_text(a, 2) {}
  const char* text() const { return m_text.c_str(); }
  const float x;
  const float y;

 private:
  const ArgumentText m_text;
};

// Handlers that hand their one or two arguments to a setter.
template <void (*Set)(int32_t)>
BUILTIN_FN(IntSetter) {
  HANDLER_ARGS;
  Set(a.I(0));
}
template <void (*Set)(bool)>
BUILTIN_FN(BoolSetter) {
  HANDLER_ARGS;
  Set(a.B(0));
}
template <void (*Set)(int32_t, bool)>
BUILTIN_FN(StageSetter) {
  HANDLER_ARGS;
  Set(a.I(0), a.B(1));
}

// The measuring functions take their text as a string: a number there is the getter's type error.
BUILTIN_FN(StringWidth) {
  HANDLER_ARGS;
  Args_SetReal(result, Text_GetWidth(a.S(0), kDefaultSeparation, kNoWrap));
}
BUILTIN_FN(StringHeight) {
  HANDLER_ARGS;
  Args_SetReal(result, Text_GetHeight(a.S(0), kDefaultSeparation, kNoWrap));
}
BUILTIN_FN(StringWidthExt) {
  HANDLER_ARGS;
  const char* text = a.S(0);
  Args_SetReal(result, Text_GetWidth(text, a.I(1), a.I(2)));
}
BUILTIN_FN(StringHeightExt) {
  HANDLER_ARGS;
  const char* text = a.S(0);
  Args_SetReal(result, Text_GetHeight(text, a.I(1), a.I(2)));
}

BUILTIN_FN(DrawText) {
  HANDLER_ARGS;
  const TextAt t(a);
  Text_Draw(t.x, t.y, t.text(), kDefaultSeparation, kNoWrap);
}
BUILTIN_FN(DrawTextExt) {
  HANDLER_ARGS;
  const TextAt t(a);
  Text_Draw(t.x, t.y, t.text(), a.I(3), a.I(4));
}
BUILTIN_FN(DrawTextTransformed) {
  HANDLER_ARGS;
  const TextAt t(a);
  Text_DrawTransformed(t.x, t.y, t.text(), kDefaultSeparation, kNoWrap, a.F(3), a.F(4), a.F(5));
}
BUILTIN_FN(DrawTextExtTransformed) {
  HANDLER_ARGS;
  const TextAt t(a);
  Text_DrawTransformed(t.x, t.y, t.text(), a.I(3), a.I(4), a.F(5), a.F(6), a.F(7));
}
BUILTIN_FN(DrawTextColour) {
  HANDLER_ARGS;
  const TextAt t(a);
  Text_DrawColour(t.x, t.y, t.text(), kDefaultSeparation, kNoWrap, Colour(a, 3), Colour(a, 4), Colour(a, 5),
                  Colour(a, 6), a.F(7));
}
BUILTIN_FN(DrawTextTransformedColour) {
  HANDLER_ARGS;
  const TextAt t(a);
  Text_DrawTransformedColour(t.x, t.y, t.text(), kDefaultSeparation, kNoWrap, a.F(3), a.F(4), a.F(5), Colour(a, 6),
                             Colour(a, 7), Colour(a, 8), Colour(a, 9), a.F(10));
}
BUILTIN_FN(DrawTextExtColour) {
  HANDLER_ARGS;
  const TextAt t(a);
  Text_DrawColour(t.x, t.y, t.text(), a.I(3), a.I(4), Colour(a, 5), Colour(a, 6), Colour(a, 7), Colour(a, 8), a.F(9));
}
BUILTIN_FN(DrawTextExtTransformedColour) {
  HANDLER_ARGS;
  const TextAt t(a);
  Text_DrawTransformedColour(t.x, t.y, t.text(), a.I(3), a.I(4), a.F(5), a.F(6), a.F(7), Colour(a, 8), Colour(a, 9),
                             Colour(a, 10), Colour(a, 11), a.F(12));
}

// --- sprites ----------------------------------------------------------------------------------

// The frame the caller shows: its image_index rounded down (0 without a caller).
int32_t CallerFrame(const CInstance* self) {
  return self != nullptr ? Instance_Truncate(std::floor(self->image_index)) : 0;
}

// Arguments 0 and 1 of the sprite functions: the subimage (below 0 the caller's frame) and the
// sprite, reported with `missing` and null when there is none.
struct SpriteFrame {
  CSprite* sprite;
  int32_t frame;
};
SpriteFrame SpriteAndFrame(const Args& a, const CInstance* self, const char* missing) {
  int32_t subimage = a.I(1);
  if (subimage < 0) subimage = CallerFrame(self);
  CSprite* sprite = Sprite_Data(a.I(0));
  if (sprite == nullptr) Error_Report(false, missing);
  return SpriteFrame{sprite, subimage};
}

// The functions that cut rectangles out of frames work on bitmap sprites only.
bool RefusesKind(const CSprite* sprite, const char* function) {
  const char* what = sprite->kind == kSpriteKindVector     ? ": not supported for vector sprites"
                     : sprite->kind == kSpriteKindSkeleton ? ": not supported for skeleton based sprites"
                                                           : nullptr;
  if (what == nullptr) return false;
  char message[96];
  std::snprintf(message, sizeof message, "%s%s", function, what);
  Error_Report(false, message);
  return true;
}

// The tiled forms fill the whole room, whatever the view shows.
struct RoomExtent {
  float width;
  float height;
};
RoomExtent CurrentRoomExtent() {
  if (Room_Current == nullptr) return RoomExtent{0, 0};
  return RoomExtent{static_cast<float>(Room_Current->width), static_cast<float>(Room_Current->height)};
}

BUILTIN_FN(DrawSprite) {
  HANDLER_ARGS;
  const SpriteFrame s = SpriteAndFrame(a, self, kMissingSprite);
  if (s.sprite != nullptr) s.sprite->SpriteDrawSimple(s.frame, a.F(2), a.F(3));
}

BUILTIN_FN(DrawSpriteExt) {
  HANDLER_ARGS;
  const SpriteFrame s = SpriteAndFrame(a, self, kMissingSprite);
  if (s.sprite == nullptr) return;
  s.sprite->SpriteDraw(s.frame, a.F(2), a.F(3), a.F(4), a.F(5), a.F(6), Colour(a, 7), a.F(8));
}

// The subimage is passed on as given: the sprite wraps -1 to its last frame.
BUILTIN_FN(DrawSpritePos) {
  HANDLER_ARGS;
  const int32_t subimage = a.I(1);
  CSprite* sprite = Sprite_Data(a.I(0));
  if (sprite == nullptr) {
    Error_Report(false, kMissingSprite);
    return;
  }
  if (RefusesKind(sprite, "draw_sprite_pos")) return;
  sprite->DrawPos(subimage, a.F(2), a.F(3), a.F(4), a.F(5), a.F(6), a.F(7), a.F(8), a.F(9), 0xFFFFFFFFu, a.F(10));
}

BUILTIN_FN(DrawSpriteStretched) {
  HANDLER_ARGS;
  const SpriteFrame s = SpriteAndFrame(a, self, kMissingSprite);
  if (s.sprite == nullptr) return;
  s.sprite->DrawStretched(s.frame, a.F(2), a.F(3), a.F(4), a.F(5), kWhite, GR_GetAlpha());
}

BUILTIN_FN(DrawSpriteStretchedExt) {
  HANDLER_ARGS;
  const SpriteFrame s = SpriteAndFrame(a, self, kMissingSprite);
  if (s.sprite == nullptr) return;
  s.sprite->DrawStretched(s.frame, a.F(2), a.F(3), a.F(4), a.F(5), Colour(a, 6), a.F(7));
}

BUILTIN_FN(DrawSpritePart) {
  HANDLER_ARGS;
  const SpriteFrame s = SpriteAndFrame(a, self, kMissingSprite);
  if (s.sprite == nullptr || RefusesKind(s.sprite, "draw_sprite_part")) return;
  s.sprite->DrawPart(s.frame, a.F(2), a.F(3), a.F(4), a.F(5), a.F(6), a.F(7), 1, 1, kWhite, GR_GetAlpha());
}

BUILTIN_FN(DrawSpritePartExt) {
  HANDLER_ARGS;
  const SpriteFrame s = SpriteAndFrame(a, self, kMissingSprite);
  if (s.sprite == nullptr || RefusesKind(s.sprite, "draw_sprite_part_ext")) return;
  s.sprite->DrawPart(s.frame, a.F(2), a.F(3), a.F(4), a.F(5), a.F(6), a.F(7), a.F(8), a.F(9), Colour(a, 10), a.F(11));
}

BUILTIN_FN(DrawSpriteGeneral) {
  HANDLER_ARGS;
  const SpriteFrame s = SpriteAndFrame(a, self, kMissingSprite);
  if (s.sprite == nullptr || RefusesKind(s.sprite, "draw_sprite_general")) return;
  s.sprite->DrawGeneral(s.frame, a.F(2), a.F(3), a.F(4), a.F(5), a.F(6), a.F(7), a.F(8), a.F(9), a.F(10), Colour(a, 11),
                        Colour(a, 12), Colour(a, 13), Colour(a, 14), a.F(15));
}

BUILTIN_FN(DrawSpriteTiled) {
  HANDLER_ARGS;
  const SpriteFrame s = SpriteAndFrame(a, self, kMissingSprite);
  if (s.sprite == nullptr) return;
  const RoomExtent room = CurrentRoomExtent();
  s.sprite->DrawTiled(s.frame, a.F(2), a.F(3), 1, 1, true, true, 0, 0, room.width, room.height, kWhite, GR_GetAlpha());
}

BUILTIN_FN(DrawSpriteTiledExt) {
  HANDLER_ARGS;
  const SpriteFrame s = SpriteAndFrame(a, self, kMissingSprite);
  if (s.sprite == nullptr) return;
  const RoomExtent room = CurrentRoomExtent();
  s.sprite->DrawTiled(s.frame, a.F(2), a.F(3), a.F(4), a.F(5), true, true, 0, 0, room.width, room.height, Colour(a, 6),
                      a.F(7));
}

BUILTIN_FN(DrawSelf) {
  HANDLER_ARGS;
  CSprite* sprite = self != nullptr ? Sprite_Data(self->sprite_index) : nullptr;
  if (sprite == nullptr) {
    Error_Report(false, kMissingSprite);
    return;
  }
  CInstance* const previous = g_SkeletonDrawInstance;
  g_SkeletonDrawInstance = self;
  sprite->SpriteDraw(CallerFrame(self), self->x, self->y, self->image_xscale, self->image_yscale, self->image_angle,
                     self->image_blend, self->image_alpha);
  g_SkeletonDrawInstance = previous;
}

// --- backgrounds ------------------------------------------------------------------------------

const CBackground* DrawnBackground(const Args& a) {
  const CBackground* background = Background_Data(a.I(0));
  if (background == nullptr) Error_Report(false, "Trying to draw non-existing background.");
  return background;
}

BUILTIN_FN(DrawBackground) {
  HANDLER_ARGS;
  if (const CBackground* b = DrawnBackground(a)) b->Draw(a.F(1), a.F(2));
}
BUILTIN_FN(DrawBackgroundExt) {
  HANDLER_ARGS;
  if (const CBackground* b = DrawnBackground(a)) {
    b->DrawExt(a.F(1), a.F(2), a.F(3), a.F(4), a.F(5), Colour(a, 6), a.F(7));
  }
}
BUILTIN_FN(DrawBackgroundStretched) {
  HANDLER_ARGS;
  if (const CBackground* b = DrawnBackground(a)) {
    b->DrawStretched(a.F(1), a.F(2), a.F(3), a.F(4), kWhite, GR_GetAlpha());
  }
}
BUILTIN_FN(DrawBackgroundStretchedExt) {
  HANDLER_ARGS;
  if (const CBackground* b = DrawnBackground(a)) {
    b->DrawStretched(a.F(1), a.F(2), a.F(3), a.F(4), Colour(a, 5), a.F(6));
  }
}
BUILTIN_FN(DrawBackgroundPart) {
  HANDLER_ARGS;
  if (const CBackground* b = DrawnBackground(a)) {
    b->DrawPart(a.F(1), a.F(2), a.F(3), a.F(4), a.F(5), a.F(6), 1, 1, kWhite, GR_GetAlpha());
  }
}
BUILTIN_FN(DrawBackgroundPartExt) {
  HANDLER_ARGS;
  if (const CBackground* b = DrawnBackground(a)) {
    b->DrawPart(a.F(1), a.F(2), a.F(3), a.F(4), a.F(5), a.F(6), a.F(7), a.F(8), Colour(a, 9), a.F(10));
  }
}
BUILTIN_FN(DrawBackgroundGeneral) {
  HANDLER_ARGS;
  if (const CBackground* b = DrawnBackground(a)) {
    b->DrawGeneral(a.F(1), a.F(2), a.F(3), a.F(4), a.F(5), a.F(6), a.F(7), a.F(8), a.F(9), Colour(a, 10), Colour(a, 11),
                   Colour(a, 12), Colour(a, 13), a.F(14));
  }
}
BUILTIN_FN(DrawBackgroundTiled) {
  HANDLER_ARGS;
  if (const CBackground* b = DrawnBackground(a)) {
    const RoomExtent room = CurrentRoomExtent();
    b->DrawTiled(a.F(1), a.F(2), 1, 1, true, true, 0, 0, room.width, room.height, kWhite, GR_GetAlpha());
  }
}
BUILTIN_FN(DrawBackgroundTiledExt) {
  HANDLER_ARGS;
  if (const CBackground* b = DrawnBackground(a)) {
    const RoomExtent room = CurrentRoomExtent();
    b->DrawTiled(a.F(1), a.F(2), a.F(3), a.F(4), true, true, 0, 0, room.width, room.height, Colour(a, 5), a.F(6));
  }
}

// --- texture values and coordinates -----------------------------------------------------------

// What a texture value names. A value no 32-bit handle can have names nothing (never a slot
// whose number happens to be its low bits).
TextureHandle ResolveTexture(intptr_t value) {
  if (value < INT32_MIN || value > INT32_MAX) return TextureHandle{};
  return GR_Texture_Resolve(static_cast<int32_t>(value));
}

// The coordinates of a texture value on its page: left u, top v, right u, bottom v, then (with
// `count` 8) the trim offsets and the stored fractions of the image. A whole texture (a slot, or
// nothing) spans 0..1 untrimmed.
void TextureUVs(RValue* result, int32_t handle, int32_t count) {
  double uvs[8] = {0, 0, 1, 1, 0, 0, 1, 1};
  const TextureHandle h = GR_Texture_Resolve(handle);
  const TextureSlot* page = h.kind == TextureHandleKind::Entry ? GR_Texture_Slot(h.slot) : nullptr;
  if (page != nullptr) {
    const TPageEntry* e = h.entry;
    const double kx = page->texelWidth;
    const double ky = page->texelHeight;
    uvs[0] = e->sourceX * kx;
    uvs[1] = e->sourceY * ky;
    uvs[2] = static_cast<double>(static_cast<float>(e->sourceX) + static_cast<float>(e->targetWidth)) * kx;
    uvs[3] = static_cast<double>(static_cast<float>(e->sourceY) + static_cast<float>(e->targetHeight)) * ky;
    uvs[4] = e->targetX;
    uvs[5] = e->targetY;
    // An image recorded without a size is taken as whole.
    uvs[6] = e->fullWidth != 0 ? static_cast<double>(e->sourceWidth) / e->fullWidth : 1.0;
    uvs[7] = e->fullHeight != 0 ? static_cast<double>(e->sourceHeight) / e->fullHeight : 1.0;
  }
  CreateRealArray(result, count, uvs);
}

BUILTIN_FN(SpriteGetTexture) {
  HANDLER_ARGS;
  const SpriteFrame s = SpriteAndFrame(a, self, kMissingSpriteTexture);
  if (s.sprite == nullptr) return;
  if (s.sprite->kind == kSpriteKindVector || s.sprite->kind == kSpriteKindSkeleton) {
    Args_SetReal(result, -1);
    RefusesKind(s.sprite, "sprite_get_texture");
    return;
  }
  SetTexture(result, s.sprite->GetTexture(s.frame));
}

// Vector and skeleton sprites are both refused in the vector words.
BUILTIN_FN(SpriteGetUVs) {
  HANDLER_ARGS;
  const SpriteFrame s = SpriteAndFrame(a, self, kMissingSpriteTexture);
  if (s.sprite == nullptr) return;
  if (s.sprite->kind == kSpriteKindVector || s.sprite->kind == kSpriteKindSkeleton) {
    Error_Report(false, "sprite_get_uvs: not supported for vector sprites");
    return;
  }
  TextureUVs(result, s.sprite->GetTexture(s.frame), 8);
}

const CBackground* TexturedBackground(const Args& a) {
  const CBackground* background = Background_Data(a.I(0));
  if (background == nullptr) Error_Report(false, "Trying to get texture from non-existing background.");
  return background;
}
BUILTIN_FN(BackgroundGetTexture) {
  HANDLER_ARGS;
  if (const CBackground* b = TexturedBackground(a)) SetTexture(result, b->GetTexture());
}
BUILTIN_FN(BackgroundGetUVs) {
  HANDLER_ARGS;
  if (const CBackground* b = TexturedBackground(a)) TextureUVs(result, b->GetTexture(), 4);
}

CFontTL* TexturedFont(const Args& a) {
  CFontTL* font = Font_Data(a.I(0));
  if (font == nullptr) Error_Report(false, "trying to get texture from non-existing font");
  return font;
}
BUILTIN_FN(FontGetTexture) {
  HANDLER_ARGS;
  if (CFontTL* f = TexturedFont(a)) SetTexture(result, f->GetTexture());
}
BUILTIN_FN(FontGetUVs) {
  HANDLER_ARGS;
  if (CFontTL* f = TexturedFont(a)) TextureUVs(result, f->GetTexture(), 4);
}

// Only a valid slot is a texture to these; page entries and unknown numbers answer as nothing.
int32_t SlotOfValue(const Args& a, int32_t n) {
  const TextureHandle h = ResolveTexture(TextureValue(a, n));
  return h.kind == TextureHandleKind::Slot ? h.slot : -1;
}

BUILTIN_FN(TextureExists) {
  HANDLER_ARGS;
  Args_SetReal(result, GR_Texture_Exists(SlotOfValue(a, 0)) ? 1.0 : 0.0);
}
BUILTIN_FN(TextureGetWidth) {
  HANDLER_ARGS;
  Args_SetReal(result, GR_Texture_GetWidth(SlotOfValue(a, 0)));
}
BUILTIN_FN(TextureGetHeight) {
  HANDLER_ARGS;
  Args_SetReal(result, GR_Texture_GetHeight(SlotOfValue(a, 0)));
}
BUILTIN_FN(TexturePreload) {
  HANDLER_ARGS;
  GR_Texture_Preload(SlotOfValue(a, 0));
}
BUILTIN_FN(TextureSetPriority) {
  HANDLER_ARGS;
  const int32_t slot = SlotOfValue(a, 0);
  GR_Texture_SetPriority(slot, a.I(1));
}
void SetCornerIds(bool on) { g_CornerIds = on; }

struct TextSpriteFunction {
  const char* name;
  BuiltinHandler handler;
  int32_t argumentCount;
};

}  // namespace

void CreateRealArray(RValue* result, int32_t count, const double* values) {
  RValue_Release(result);
  if (count <= 0) {
    result->pArray = SharedArray_Create(result);
    result->flags = 0;
    result->kind = VALUE_ARRAY;
    return;
  }
  // The last element first: the row grows once.
  for (int32_t i = count - 1; i >= 0; --i) {
    const RValue element = RValue_MakeReal(values[i]);
    SharedArray_Grow(result, &element, i);
  }
}

// --- compiled-code entries --------------------------------------------------------------------

void F_DrawSetFont(int32_t font) { Text_SetFont(font); }
void F_DrawSetHAlign(int32_t halign) { Text_SetHAlign(halign); }
void F_DrawSetVAlign(int32_t valign) { Text_SetVAlign(valign); }

void F_DrawSpriteExt(CInstance* self, int32_t sprite, int32_t subimage, float x, float y, float xScale, float yScale,
                     float angle, uint32_t colour, float alpha) {
  if (subimage < 0) subimage = self != nullptr ? Instance_Truncate(self->image_index) : 0;
  CSprite* s = Sprite_Data(sprite);
  if (s == nullptr) {
    Error_Report(false, kMissingSprite);
    return;
  }
  s->SpriteDraw(subimage, x, y, xScale, yScale, angle, colour, alpha);
}

// --- registration -----------------------------------------------------------------------------

void TextSprite_RegisterFunctions(uint8_t flag) {
  static constexpr TextSpriteFunction functions[] = {
      {"draw_set_font", IntSetter<Text_SetFont>, 1},
      {"draw_set_halign", IntSetter<Text_SetHAlign>, 1},
      {"draw_set_valign", IntSetter<Text_SetVAlign>, 1},
      {"string_width", StringWidth, 1},
      {"string_height", StringHeight, 1},
      {"string_width_ext", StringWidthExt, 3},
      {"string_height_ext", StringHeightExt, 3},
      {"draw_text", DrawText, 3},
      {"draw_text_ext", DrawTextExt, 5},
      {"draw_text_transformed", DrawTextTransformed, 6},
      {"draw_text_ext_transformed", DrawTextExtTransformed, 8},
      {"draw_text_color", DrawTextColour, 8},
      {"draw_text_colour", DrawTextColour, 8},
      {"draw_text_transformed_color", DrawTextTransformedColour, 11},
      {"draw_text_transformed_colour", DrawTextTransformedColour, 11},
      {"draw_text_ext_color", DrawTextExtColour, 10},
      {"draw_text_ext_colour", DrawTextExtColour, 10},
      {"draw_text_ext_transformed_color", DrawTextExtTransformedColour, 13},
      {"draw_text_ext_transformed_colour", DrawTextExtTransformedColour, 13},
      {"draw_self", DrawSelf, 0},
      {"draw_sprite", DrawSprite, 4},
      {"draw_sprite_ext", DrawSpriteExt, 9},
      {"draw_sprite_pos", DrawSpritePos, 11},
      {"draw_sprite_stretched", DrawSpriteStretched, 6},
      {"draw_sprite_stretched_ext", DrawSpriteStretchedExt, 8},
      {"draw_sprite_part", DrawSpritePart, 8},
      {"draw_sprite_part_ext", DrawSpritePartExt, 12},
      {"draw_sprite_general", DrawSpriteGeneral, 16},
      {"draw_sprite_tiled", DrawSpriteTiled, 4},
      {"draw_sprite_tiled_ext", DrawSpriteTiledExt, 8},
      {"draw_background", DrawBackground, 3},
      {"draw_background_ext", DrawBackgroundExt, 8},
      {"draw_background_stretched", DrawBackgroundStretched, 5},
      {"draw_background_stretched_ext", DrawBackgroundStretchedExt, 7},
      {"draw_background_part", DrawBackgroundPart, 7},
      {"draw_background_part_ext", DrawBackgroundPartExt, 11},
      {"draw_background_general", DrawBackgroundGeneral, 15},
      {"draw_background_tiled", DrawBackgroundTiled, 3},
      {"draw_background_tiled_ext", DrawBackgroundTiledExt, 7},
      {"sprite_get_texture", SpriteGetTexture, 2},
      {"sprite_get_uvs", SpriteGetUVs, 2},
      {"background_get_texture", BackgroundGetTexture, 1},
      {"background_get_uvs", BackgroundGetUVs, 1},
      {"font_get_texture", FontGetTexture, 1},
      {"font_get_uvs", FontGetUVs, 1},
      {"texture_exists", TextureExists, 1},
      {"texture_get_width", TextureGetWidth, 1},
      {"texture_get_height", TextureGetHeight, 1},
      {"texture_set_interpolation", BoolSetter<GR_SetTextureInterpolation>, 1},
      // A stage outside 0..7 is ignored: the setters check both ends.
      {"texture_set_interpolation_ext", StageSetter<GR_SetTextureInterpolationExt>, 2},
      {"texture_set_blending", BoolSetter<GR_SetTextureBlending>, 1},
      {"texture_set_repeat", BoolSetter<GR_SetTextureRepeat>, 1},
      {"texture_set_repeat_ext", StageSetter<GR_SetTextureRepeatExt>, 2},
      {"texture_preload", TexturePreload, 1},
      {"texture_set_priority", TextureSetPriority, 2},
      {"shader_enable_corner_id", BoolSetter<SetCornerIds>, 1},
  };
  static_assert(std::size(functions) == 56);
  for (const TextSpriteFunction& f : functions) Builtin_Add(f.name, f.handler, f.argumentCount, flag);
}
