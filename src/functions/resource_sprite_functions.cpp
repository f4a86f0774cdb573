// Script functions of sprites and backgrounds: queries, loading, making them from the screen,
// surfaces, colours and gradients, copying, merging, deleting and saving, and changing a sprite's
// origin, box, precise flag and masks.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "assets/background.h"
#include "assets/bitmap.h"
#include "assets/bitmap32.h"
#include "assets/sprite.h"
#include "assets/sprite_table.h"
#include "assets/texture_pixels.h"
#include "core/console.h"
#include "core/function_registry.h"
#include "functions/resource_handlers.h"
#include "runtime/error_report.h"
#include "render/render_setters.h"
#include "render/surface.h"
#include "world/instance.h"
#include "world/room.h"

namespace resource {
namespace {

// --- sprite queries ---------------------------------------------------------------------------

BUILTIN_FN(SpriteExists) { HANDLER_ARGS; SetBool(result, Sprite_Exists(a.I(0))); }
BUILTIN_FN(SpriteName) { HANDLER_ARGS; SetText(result, Sprite_Name(a.I(0))); }

template <int32_t CSprite::*Field>
BUILTIN_FN(SpriteInt) {
  HANDLER_ARGS;
  const CSprite* s = Sprite_Data(a.I(0));
  SetReal(result, s != nullptr ? s->*Field : -1);
}

template <bool CSprite::*Field>
BUILTIN_FN(SpriteFlag) {
  HANDLER_ARGS;
  const CSprite* s = Sprite_Data(a.I(0));
  SetReal(result, s == nullptr ? -1.0 : (s->*Field ? 1.0 : 0.0));
}

// --- marking instances ------------------------------------------------------------------------

// Every instance of the current room that shows the sprite, active or deactivated, recomputes its
// bounding box at its next read.
void Sprite_MarkInstancesDirty(int32_t sprite) {
  if (Room_Current == nullptr) return;
  for (const InstanceList* list : {&Room_Current->active, &Room_Current->inactive}) {
    for (CInstance* i = list->first; i != nullptr; i = i->list_next) {
      if (i->sprite_index == sprite) i->MarkBoundingBoxDirty();
    }
  }
}

bool IsBitmapSprite(const CSprite* s) { return s->kind == kSpriteKindBitmap; }

// --- loading ----------------------------------------------------------------------------------

// The image loader marks every sprite it loads for preloading; the script asked for a flag of its
// own, which sprite_get_preload should answer.
void KeepPreload(int32_t index, bool preload) {
  if (CSprite* s = Sprite_Data(index)) s->preload = preload;
}

BUILTIN_FN(SpriteAdd) {
  HANDLER_ARGS;
  const bool shortForm = argc == 6;
  const bool preload = shortForm ? false : a.Above0(5);
  int32_t index;
  if (shortForm) {
    index = Sprite_Add(a.S(0), a.I(1), false, a.Above0(2), a.Above0(3), preload, a.I(4), a.I(5));
  } else {
    index = Sprite_Add(a.S(0), a.I(1), a.Above0(2), a.Above0(3), a.Above0(4), preload, a.I(6), a.I(7));
  }
  KeepPreload(index, preload);
  SetReal(result, index);
}

BUILTIN_FN(SpriteReplace) {
  HANDLER_ARGS;
  const int32_t sprite = a.I(0);
  if ((argc != 7 && argc != 9) || !Sprite_Exists(sprite)) {
    SetReal(result, -1);
    return;
  }
  const bool shortForm = argc == 7;
  const bool preload = shortForm ? true : a.Above0(6);
  bool done;
  if (shortForm) {
    done = Sprite_Replace(sprite, a.S(1), a.I(2), true, a.Above0(3), a.Above0(4), preload, a.I(5), a.I(6));
  } else {
    done = Sprite_Replace(sprite, a.S(1), a.I(2), a.Above0(3), a.Above0(4), a.Above0(5), preload, a.I(7), a.I(8));
  }
  if (done) KeepPreload(sprite, preload);
  SetBool(result, done);
}

BUILTIN_FN(SpriteAddAlpha) {
  HANDLER_ARGS;
  SetReal(result, Sprite_AddAlpha(a.S(0), a.I(1), a.Above0(2), a.B(3), a.I(4), a.I(5)));
}

BUILTIN_FN(SpriteReplaceAlpha) {
  HANDLER_ARGS;
  const int32_t sprite = a.I(0);
  if (Sprite_Exists(sprite)) Sprite_ReplaceAlpha(sprite, a.S(1), a.I(2), a.Above0(3), a.Above0(4), a.I(5), a.I(6));
  SetReal(result, -1);
}

BUILTIN_FN(Unsupported) {
  HANDLER_ARGS;
  Console_DebugOutput("unsupported function\n");
  SetReal(result, -1);
}

// --- making sprites from the screen and from surfaces -----------------------------------------

// A new empty sprite whose one frame becomes the bitmap, when there is one; the bitmap is freed.
int32_t SpriteFromBitmap(TBitmap* bitmap, bool precise, bool removeBackground, bool smooth, bool preload,
                         int32_t xOrigin, int32_t yOrigin, bool keepAlpha) {
  const int32_t index = Sprite_AddEmpty();
  if (bitmap != nullptr) {
    if (CSprite* s = Sprite_Data(index)) {
      s->CreateFromBitmap(bitmap, precise, removeBackground, smooth, preload, xOrigin, yOrigin, keepAlpha);
    }
    delete bitmap;
  }
  return index;
}

BUILTIN_FN(SpriteCreateFromScreen) {
  HANDLER_ARGS;
  TBitmap* bitmap = GR_GrabScreenBitmap(a.I(0), a.I(1), a.I(2), a.I(3));
  int32_t index;
  if (argc == 8) {
    const bool remove = a.Above0(4);
    index = SpriteFromBitmap(bitmap, true, remove, a.Above0(5), true, a.I(6), a.I(7), !remove);
  } else {
    index = SpriteFromBitmap(bitmap, a.Above0(4), a.Above0(5), a.Above0(6), a.Above0(7), a.I(8), a.I(9), false);
  }
  SetReal(result, index);
}

BUILTIN_FN(SpriteCreateFromSurface) {
  HANDLER_ARGS;
  TBitmap* bitmap = Surface_ToBitmap(a.I(0), a.I(1), a.I(2), a.I(3), a.I(4));
  int32_t index;
  if (argc == 11) {
    index = SpriteFromBitmap(bitmap, a.Above0(5), a.Above0(6), a.Above0(7), a.Above0(8), a.I(9), a.I(10), true);
  } else {
    const bool remove = a.Above0(5);
    index = SpriteFromBitmap(bitmap, true, remove, a.Above0(6), false, a.I(7), a.I(8), !remove);
  }
  SetReal(result, index);
}

// Appends the bitmap as a frame of an existing bitmap sprite; the bitmap is freed.
void AddFrameFromBitmap(int32_t sprite, TBitmap* (*grab)(const Args&), const Args& a, int32_t flagsAt,
                        const char* vectorMessage) {
  CSprite* s = Sprite_Data(sprite);
  if (s == nullptr) return;
  if (!IsBitmapSprite(s)) {
    Error_Report(false, vectorMessage);
    return;
  }
  TBitmap* bitmap = grab(a);
  if (bitmap == nullptr) return;
  // Old games declare these two functions without their last two arguments: they read as false.
  const bool remove = a.Above0(flagsAt);
  s->AddFromBitmap(bitmap, remove, a.Above0(flagsAt + 1), !remove);
  delete bitmap;
}

BUILTIN_FN(SpriteAddFromScreen) {
  HANDLER_ARGS;
  AddFrameFromBitmap(a.I(0), [](const Args& x) { return GR_GrabScreenBitmap(x.I(1), x.I(2), x.I(3), x.I(4)); }, a, 5,
                     "sprite_add_from_screen: not supported with vector sprites");
}

BUILTIN_FN(SpriteAddFromSurface) {
  HANDLER_ARGS;
  AddFrameFromBitmap(a.I(0), [](const Args& x) { return Surface_ToBitmap(x.I(1), x.I(2), x.I(3), x.I(4), x.I(5)); },
                     a, 6, "sprite_add_from_surface: not supported with vector sprites");
}

// --- copying, merging, deleting ---------------------------------------------------------------

BUILTIN_FN(SpriteDelete) {
  HANDLER_ARGS;
  const int32_t sprite = a.I(0);
  SetReal(result, Sprite_Exists(sprite) ? (Sprite_Delete(sprite) ? 1 : 0) : -1);
}

BUILTIN_FN(SpriteDuplicate) {
  HANDLER_ARGS;
  const int32_t sprite = a.I(0);
  const CSprite* s = Sprite_Data(sprite);
  if (s == nullptr) {
    SetReal(result, -1);
  } else if (s->kind == kSpriteKindVector) {
    Error_Report(false, "sprite_duplicate: not supported for vector sprites");
  } else if (s->kind == kSpriteKindSkeleton) {
    Error_Report(false, "sprite_duplicate: not supported for skeleton based sprites");
  } else {
    SetReal(result, Sprite_Duplicate(sprite));
  }
}

// The five messages of a two-sprite operation, in the order they are checked.
struct PairMessages {
  const char* missing;
  const char* vectorDestination;
  const char* vectorSource;
  const char* skeletonDestination;
  const char* skeletonSource;
};

// Reports the first problem of the pair and gives false, or true when both may be used.
bool CheckPair(const CSprite* destination, const CSprite* source, const PairMessages& m) {
  const char* problem = nullptr;
  if (destination == nullptr || source == nullptr) {
    problem = m.missing;
  } else if (destination->kind == kSpriteKindVector) {
    problem = m.vectorDestination;
  } else if (source->kind == kSpriteKindVector) {
    problem = m.vectorSource;
  } else if (destination->kind == kSpriteKindSkeleton) {
    problem = m.skeletonDestination;
  } else if (source->kind == kSpriteKindSkeleton) {
    problem = m.skeletonSource;
  }
  if (problem != nullptr) Error_Report(false, problem);
  return problem == nullptr;
}

BUILTIN_FN(SpriteAssign) {
  HANDLER_ARGS;
  static constexpr PairMessages kMessages{
      "Cannot assign to or from non-existing sprite",
      "sprite_assign: not supported for vector sprites - destination sprite is a vector sprite",
      "sprite_assign: not supported for vector sprites - source sprite is a vector sprite",
      "sprite_assign: not supported for skeleton based sprites - destination sprite is a skeleton sprite",
      "sprite_assign: not supported for skeleton based sprites - source sprite is a skeleton sprite"};
  if (!CheckPair(Sprite_Data(a.I(0)), Sprite_Data(a.I(1)), kMessages)) return;
  if (!Sprite_Assign(a.I(0), a.I(1))) Error_Report(false, "Error assigning a sprite.");
}

BUILTIN_FN(SpriteMerge) {
  HANDLER_ARGS;
  static constexpr PairMessages kMessages{
      "Cannot merge to or from non-existing sprite",
      "sprite_merge: not supported for vector sprites - destination sprite is a vector sprite",
      "sprite_merge: not supported for vector sprites - source sprite is a vector sprite",
      "sprite_merge: not supported for skeleton based sprites - destination sprite is a skeleton sprite",
      "sprite_merge: not supported for skeleton based sprites - source sprite is a skeleton sprite"};
  CSprite* destination = Sprite_Data(a.I(0));
  const CSprite* source = Sprite_Data(a.I(1));
  if (CheckPair(destination, source, kMessages)) destination->Merge(source);
}

BUILTIN_FN(SpriteSetAlphaFromSprite) {
  HANDLER_ARGS;
  CSprite* destination = Sprite_Data(a.I(0));
  const CSprite* source = Sprite_Data(a.I(1));
  if (destination == nullptr || source == nullptr) return;
  if (!IsBitmapSprite(destination)) {
    Error_Report(false,
                 "sprite_set_alpha_from_sprite: not supported with vector sprites - sprite to change is a vector sprite");
  } else if (!IsBitmapSprite(source)) {
    Error_Report(false,
                 "sprite_set_alpha_from_sprite: not supported with vector sprites - sprite to derive transparency from "
                 "is a vector sprite");
  } else {
    destination->SetAlphaFrom(source);
  }
}

// --- saving -----------------------------------------------------------------------------------

BUILTIN_FN(SpriteSave) {
  HANDLER_ARGS;
  const CSprite* s = Sprite_Data(a.I(0));
  if (s == nullptr) return;
  if (!IsBitmapSprite(s)) {
    Error_Report(false, "sprite_save: not supported for vector sprites");
    return;
  }
  TBitmap* bitmap = s->GetFrameBitmap(a.I(1));
  if (bitmap == nullptr || bitmap->Pixels() == nullptr) {
    Console_DebugOutput("sprite_save() failed - no bitmap data available\n");
  } else if (const char* file = a.S(2); file != nullptr) {
    // The frame bitmap has the sprite's size; its own is what its pixels cover.
    write_png_file(file, bitmap->Pixels(), bitmap->GetWidth(), bitmap->GetHeight());
  }
  delete bitmap;
}

BUILTIN_FN(SpriteSaveStrip) {
  HANDLER_ARGS;
  const CSprite* s = Sprite_Data(a.I(0));
  const char* file = a.Text(1);
  if (s == nullptr || file == nullptr) return;
  if (!IsBitmapSprite(s)) {
    Error_Report(false, "sprite_save_strip: not supported for vector sprites");
    return;
  }
  const int32_t frames = s->frameCount;
  if (frames <= 0 || s->width <= 0 || s->height <= 0) return;
  const size_t width = static_cast<size_t>(s->width);
  const size_t stripWidth = width * static_cast<size_t>(frames);
  const size_t rows = static_cast<size_t>(s->height);
  if (stripWidth * rows > kBitmapMaxPixels) return;
  // Opaque black under whatever a frame does not cover: red, green, blue, alpha bytes.
  std::vector<uint8_t> strip(stripWidth * rows * 4, 0);
  for (size_t p = 3; p < strip.size(); p += 4) strip[p] = 0xFF;
  for (int32_t i = 0; i < frames; ++i) {
    TBitmap* bitmap = s->bitmaps.empty() ? nullptr : s->GetFrameBitmap(i);
    if (bitmap == nullptr || bitmap->Pixels() == nullptr) {
      delete bitmap;
      Console_DebugOutput("sprite_save_strip() failed - Missing bitmap data\n");
      return;
    }
    const size_t copyWidth = std::min(width, static_cast<size_t>(bitmap->GetWidth()));
    const size_t copyRows = std::min(rows, static_cast<size_t>(bitmap->GetHeight()));
    for (size_t y = 0; y < copyRows; ++y) {
      std::memcpy(&strip[(y * stripWidth + static_cast<size_t>(i) * width) * 4],
                  bitmap->Pixels() + y * static_cast<size_t>(bitmap->Stride()), copyWidth * 4);
    }
    delete bitmap;
  }
  write_png_file(file, strip.data(), static_cast<int32_t>(stripWidth), s->height);
}

// --- origin, box, precise flag and masks ------------------------------------------------------

BUILTIN_FN(SpriteSetOffset) {
  HANDLER_ARGS;
  CSprite* s = Sprite_Data(a.I(0));
  if (s == nullptr) return;
  s->originX = a.I(1);
  s->originY = a.I(2);
  Sprite_MarkInstancesDirty(a.I(0));
}

BUILTIN_FN(SpriteSetBBoxMode) {
  HANDLER_ARGS;
  CSprite* s = Sprite_Data(a.I(0));
  if (s == nullptr) return;
  s->SetBBoxMode(a.I(1));
  Sprite_MarkInstancesDirty(a.I(0));
}

BUILTIN_FN(SpriteSetBBox) {
  HANDLER_ARGS;
  CSprite* s = Sprite_Data(a.I(0));
  if (s == nullptr) return;
  s->SetBBox(MaskBox{a.I(1), a.I(2), a.I(3), a.I(4)});
  Sprite_MarkInstancesDirty(a.I(0));
}

BUILTIN_FN(SpriteSetPrecise) {
  HANDLER_ARGS;
  CSprite* s = Sprite_Data(a.I(0));
  if (s == nullptr) return;
  const bool precise = a.Above0(1);
  if (precise && !IsBitmapSprite(s) && s->MaskCount() == 0) {
    Error_Report(false, "sprite_set_precise: can't set precise collision on vector sprite with no collision masks "
                        "generated");
    return;
  }
  s->SetPrecise(precise);
  Sprite_MarkInstancesDirty(a.I(0));
}

BUILTIN_FN(SpriteCollisionMask) {
  HANDLER_ARGS;
  CSprite* s = Sprite_Data(a.I(0));
  if (s == nullptr) return;
  if (!IsBitmapSprite(s)) {
    Error_Report(false, "sprite_collision_mask: not supported for vector sprites");
    return;
  }
  s->precise = true;
  s->SetCollisionMask(a.Above0(1), a.I(2), MaskBox{a.I(3), a.I(4), a.I(5), a.I(6)}, a.I(7), a.I(8));
}

// --- backgrounds ------------------------------------------------------------------------------

BUILTIN_FN(BackgroundExists) { HANDLER_ARGS; SetBool(result, Background_Exists(a.I(0))); }
BUILTIN_FN(BackgroundName) { HANDLER_ARGS; SetText(result, Background_Name(a.I(0))); }

template <int32_t (CBackground::*Get)() const>
BUILTIN_FN(BackgroundInt) {
  HANDLER_ARGS;
  const CBackground* b = Background_Data(a.I(0));
  SetReal(result, b != nullptr ? (b->*Get)() : -1);
}

template <bool (CBackground::*Get)() const>
BUILTIN_FN(BackgroundFlag) {
  HANDLER_ARGS;
  const CBackground* b = Background_Data(a.I(0));
  SetReal(result, b == nullptr ? -1.0 : ((b->*Get)() ? 1.0 : 0.0));
}

BUILTIN_FN(BackgroundSetAlphaFromBackground) {
  HANDLER_ARGS;
  CBackground* destination = Background_Data(a.I(0));
  const CBackground* source = Background_Data(a.I(1));
  if (destination != nullptr && source != nullptr) destination->SetAlphaFrom(*source);
}

BUILTIN_FN(BackgroundAdd) {
  HANDLER_ARGS;
  const int32_t index = argc == 4 ? Background_Add(a.S(0), a.B(1), a.B(2), a.B(3))
                                  : Background_Add(a.S(0), a.B(1), a.B(2), true);
  SetReal(result, index);
}

BUILTIN_FN(BackgroundAddAlpha) { HANDLER_ARGS; SetReal(result, Background_AddAlpha(a.S(0), a.B(1))); }

BUILTIN_FN(BackgroundReplace) {
  HANDLER_ARGS;
  const int32_t background = a.I(0);
  if (!Background_Exists(background)) {
    Error_Report(false, "Trying to replace non-existing background.");
    SetReal(result, 0);
    return;
  }
  const bool preload = argc >= 5 ? a.B(4) : true;
  SetBool(result, Background_Replace(background, a.S(1), a.Above0(2), a.Above0(3), preload));
}

BUILTIN_FN(BackgroundReplaceAlpha) {
  HANDLER_ARGS;
  const int32_t background = a.I(0);
  if (!Background_Exists(background)) {
    Error_Report(false, "Trying to replace non-existing background.");
    SetReal(result, 0);
    return;
  }
  SetBool(result, Background_ReplaceAlpha(background, a.S(1), a.B(2)));
}

BUILTIN_FN(BackgroundCreateColour) {
  HANDLER_ARGS;
  const int32_t index = Background_AddEmpty();
  if (CBackground* b = Background_Data(index)) b->CreateColour(a.I(0), a.I(1), a.U(2), argc >= 4 ? a.B(3) : true);
  SetReal(result, index);
}

BUILTIN_FN(BackgroundCreateGradient) {
  HANDLER_ARGS;
  const int32_t index = Background_AddEmpty();
  if (CBackground* b = Background_Data(index)) {
    b->CreateGradient(a.I(0), a.I(1), a.U(2), a.U(3), a.I(4), argc >= 6 ? a.B(5) : true);
  }
  SetReal(result, index);
}

// A new background whose image becomes the bitmap, when there is one; the bitmap is freed.
int32_t BackgroundFromBitmap(TBitmap* bitmap, bool transparent, bool smooth, bool preload, bool keepAlpha) {
  const int32_t index = Background_AddEmpty();
  if (bitmap != nullptr) {
    if (CBackground* b = Background_Data(index)) b->CreateFromBitmap(bitmap, transparent, smooth, preload, keepAlpha);
    delete bitmap;
  }
  return index;
}

BUILTIN_FN(BackgroundCreateFromScreen) {
  HANDLER_ARGS;
  TBitmap* bitmap = GR_GrabScreenBitmap(a.I(0), a.I(1), a.I(2), a.I(3));
  int32_t index;
  if (argc == 6) {
    const bool remove = a.Above0(4);
    index = BackgroundFromBitmap(bitmap, remove, a.Above0(5), false, !remove);
  } else if (argc == 7) {
    index = BackgroundFromBitmap(bitmap, a.Above0(4), a.Above0(5), a.Above0(6), false);
  } else {
    delete bitmap;
    index = BackgroundFromBitmap(nullptr, false, false, false, false);
  }
  SetReal(result, index);
}

BUILTIN_FN(BackgroundCreateFromSurface) {
  HANDLER_ARGS;
  TBitmap* bitmap = Surface_ToBitmap(a.I(0), a.I(1), a.I(2), a.I(3), a.I(4));
  const bool transparent = a.B(5);
  const bool preload = argc >= 8 ? a.B(7) : true;
  SetReal(result, BackgroundFromBitmap(bitmap, transparent, a.B(6), preload, !transparent));
}

BUILTIN_FN(BackgroundDelete) {
  HANDLER_ARGS;
  DeleteExisting(result, a.I(0), Background_Exists, Background_Delete, "Trying to delete non-existing background.");
}

BUILTIN_FN(BackgroundDuplicate) {
  HANDLER_ARGS;
  const int32_t background = a.I(0);
  if (!Background_Exists(background)) {
    Error_Report(false, "Trying to duplicate non-existing background.");
    SetReal(result, -1);
    return;
  }
  SetReal(result, Background_Duplicate(background));
}

BUILTIN_FN(BackgroundAssign) {
  HANDLER_ARGS;
  if (!Background_Assign(a.I(0), a.I(1))) Error_Report(false, "Error assigning a background.");
}

BUILTIN_FN(BackgroundSave) {
  HANDLER_ARGS;
  const CBackground* b = Background_Data(a.I(0));
  const char* file = a.Text(1);
  if (b == nullptr || file == nullptr) {
    Error_Report(false, "Trying to save non-existing background bitmap.");
    return;
  }
  // The bitmap's own words are 0xAARRGGBB; the file wants red, green, blue, alpha bytes.
  TBitmap* bitmap = b->GetBitmap() != nullptr ? b->GetBitmap()->ToTBitmap() : nullptr;
  if (bitmap == nullptr || bitmap->Pixels() == nullptr) {
    Console_DebugOutput("background_save() failed - no bitmap data available\n");
  } else {
    write_png_file(file, bitmap->Pixels(), bitmap->GetWidth(), bitmap->GetHeight());
  }
  delete bitmap;
}

}  // namespace

void RegisterSpriteFunctions(uint8_t flag, bool newFormat) {
  struct Entry {
    const char* name;
    BuiltinHandler handler;
    int32_t count;
  };
  static constexpr Entry kHead[] = {
      {"sprite_name", SpriteName, 1},
      {"sprite_exists", SpriteExists, 1},
      {"sprite_get_name", SpriteName, 1},
      {"sprite_get_number", SpriteInt<&CSprite::frameCount>, 1},
      {"sprite_get_width", SpriteInt<&CSprite::width>, 1},
      {"sprite_get_height", SpriteInt<&CSprite::height>, 1},
      {"sprite_get_transparent", SpriteFlag<&CSprite::transparent>, 1},
      {"sprite_get_smooth", SpriteFlag<&CSprite::smooth>, 1},
      {"sprite_get_preload", SpriteFlag<&CSprite::preload>, 1},
      {"sprite_get_xoffset", SpriteInt<&CSprite::originX>, 1},
      {"sprite_get_yoffset", SpriteInt<&CSprite::originY>, 1},
      {"sprite_get_bbox_mode", SpriteInt<&CSprite::bboxMode>, 1},
      {"sprite_get_bbox_left", SpriteInt<&CSprite::maskLeft>, 1},
      {"sprite_get_bbox_right", SpriteInt<&CSprite::maskRight>, 1},
      {"sprite_get_bbox_top", SpriteInt<&CSprite::maskTop>, 1},
      {"sprite_get_bbox_bottom", SpriteInt<&CSprite::maskBottom>, 1},
      {"sprite_get_precise", SpriteFlag<&CSprite::precise>, 1},
      {"sprite_collision_mask", SpriteCollisionMask, 9},
      {"sprite_set_cache_size", CacheSizeIgnored, 2},
      {"sprite_set_cache_size_ext", CacheSizeIgnored, 3},
      {"font_set_cache_size", CacheSizeIgnored, 2},
      {"sprite_get_tpe", CacheSizeIgnored, 2},
      {"sprite_set_offset", SpriteSetOffset, 3},
      {"sprite_set_bbox_mode", SpriteSetBBoxMode, 2},
      {"sprite_set_bbox", SpriteSetBBox, 5},
      {"sprite_set_precise", SpriteSetPrecise, 2},
      {"sprite_set_alpha_from_sprite", SpriteSetAlphaFromSprite, 2},
  };
  static constexpr Entry kTail[] = {
      {"sprite_delete", SpriteDelete, 1},
      {"sprite_duplicate", SpriteDuplicate, 1},
      {"sprite_assign", SpriteAssign, 2},
      {"sprite_merge", SpriteMerge, 2},
      {"sprite_save", SpriteSave, 3},
      {"sprite_prefetch", SpritePrefetch, 1},
      {"sprite_prefetch_multi", SpritePrefetchMulti, 1},
  };
  for (const Entry& e : kHead) Builtin_Add(e.name, e.handler, e.count, flag);
  // The older format passes the precise and preload flags as well; its two add-from forms are
  // declared two arguments short.
  const int32_t more = newFormat ? 0 : 2;
  Builtin_Add("sprite_add", SpriteAdd, 6 + more, flag);
  Builtin_Add("sprite_create_from_screen", SpriteCreateFromScreen, 8 + more, flag);
  Builtin_Add("sprite_add_from_screen", SpriteAddFromScreen, 7 - more, flag);
  Builtin_Add("sprite_create_from_surface", SpriteCreateFromSurface, 9 + more, flag);
  Builtin_Add("sprite_add_from_surface", SpriteAddFromSurface, 8 - more, flag);
  Builtin_Add("sprite_replace", SpriteReplace, 7 + more, flag);
  if (newFormat) {
    Builtin_Add("sprite_add_sprite", Unsupported, 1, flag);
    Builtin_Add("sprite_replace_sprite", Unsupported, 2, flag);
    Builtin_Add("sprite_save_strip", SpriteSaveStrip, 2, flag);
  } else {
    Builtin_Add("sprite_add_alpha", SpriteAddAlpha, 6, flag);
    Builtin_Add("sprite_replace_alpha", SpriteReplaceAlpha, 7, flag);
  }
  for (const Entry& e : kTail) Builtin_Add(e.name, e.handler, e.count, flag);
}

void RegisterBackgroundFunctions(uint8_t flag, bool newFormat) {
  Builtin_Add("background_name", BackgroundName, 1, flag);
  Builtin_Add("background_exists", BackgroundExists, 1, flag);
  Builtin_Add("background_get_name", BackgroundName, 1, flag);
  Builtin_Add("background_get_width", BackgroundInt<&CBackground::GetWidth>, 1, flag);
  Builtin_Add("background_get_height", BackgroundInt<&CBackground::GetHeight>, 1, flag);
  Builtin_Add("background_get_transparent", BackgroundFlag<&CBackground::GetTransparent>, 1, flag);
  Builtin_Add("background_get_smooth", BackgroundFlag<&CBackground::GetSmooth>, 1, flag);
  Builtin_Add("background_get_preload", BackgroundFlag<&CBackground::GetPreload>, 1, flag);
  Builtin_Add("background_set_alpha_from_background", BackgroundSetAlphaFromBackground, 2, flag);
  // The older format passes the preload flag (or, for background_add, all three flags) as well.
  const int32_t extra = newFormat ? 0 : 1;
  Builtin_Add("background_create_color", BackgroundCreateColour, 3 + extra, flag);
  Builtin_Add("background_create_colour", BackgroundCreateColour, 3 + extra, flag);
  Builtin_Add("background_replace", BackgroundReplace, 4 + extra, flag);
  Builtin_Add("background_create_from_screen", BackgroundCreateFromScreen, 6 + extra, flag);
  Builtin_Add("background_create_from_surface", BackgroundCreateFromSurface, 7 + extra, flag);
  Builtin_Add("background_create_gradient", BackgroundCreateGradient, 5 + extra, flag);
  Builtin_Add("background_add", BackgroundAdd, 3 + extra, flag);
  if (newFormat) {
    Builtin_Add("background_add_background", Unsupported, 1, flag);
    Builtin_Add("background_replace_background", Unsupported, 2, flag);
  } else {
    Builtin_Add("background_add_alpha", BackgroundAddAlpha, 2, flag);
    Builtin_Add("background_replace_alpha", BackgroundReplaceAlpha, 3, flag);
  }
  Builtin_Add("background_delete", BackgroundDelete, 1, flag);
  Builtin_Add("background_duplicate", BackgroundDuplicate, 1, flag);
  Builtin_Add("background_assign", BackgroundAssign, 2, flag);
  Builtin_Add("background_save", BackgroundSave, 2, flag);
  Builtin_Add("background_prefetch", BackgroundPrefetch, 1, flag);
  Builtin_Add("background_prefetch_multi", BackgroundPrefetchMulti, 1, flag);
}

}  // namespace resource
