// Script functions of object and room definitions, the lookup of assets by name, and the texture
// prefetch and cache-size functions.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "assets/background.h"
#include "assets/sprite.h"
#include "assets/sprite_table.h"
#include "assets/texture.h"
#include "assets/texture_pages.h"
#include "core/console.h"
#include "core/function_registry.h"
#include "functions/resource_handlers.h"
#include "runtime/error_report.h"
#include "vm/constants.h"
#include "world/event.h"
#include "world/object.h"
#include "world/object_lists.h"
#include "world/room.h"
#include "world/room_table.h"

namespace resource {
namespace {

// --- objects ----------------------------------------------------------------------------------

// Parents beyond this index are stored without a reference to their definition.
constexpr int32_t kLastReferencedParent = 999999;

BUILTIN_FN(ObjectExists) { HANDLER_ARGS; SetBool(result, Object_Exists(a.I(0))); }
BUILTIN_FN(ObjectName) { HANDLER_ARGS; SetText(result, Object_Name(a.I(0))); }

template <int32_t CObject::*Field>
BUILTIN_FN(ObjectInt) {
  HANDLER_ARGS;
  const CObject* o = Object_Data(a.I(0));
  SetReal(result, o != nullptr ? o->*Field : -1);
}
template <uint32_t Bit>
BUILTIN_FN(ObjectFlag) {
  HANDLER_ARGS;
  const CObject* o = Object_Data(a.I(0));
  SetBool(result, o != nullptr && (o->flags & Bit) != 0);
}
BUILTIN_FN(ObjectGetPhysics) {
  HANDLER_ARGS;
  const CObject* o = Object_Data(a.I(0));
  SetBool(result, o != nullptr && o->uses_physics);
}

BUILTIN_FN(ObjectIsAncestor) {
  HANDLER_ARGS;
  const int32_t ancestor = a.I(1);
  const CObject* o = Object_Data(a.I(0));
  if (o == nullptr) {
    SetReal(result, 0);
    return;
  }
  // A parent chain that comes back on itself ends the walk after as many steps as there are
  // objects: setting parents refuses cycles, but the table may hold one all the same.
  int32_t steps = Object_Count() + 1;
  for (int32_t parent = o->parent_index; parent >= 0 && steps-- > 0;) {
    if (parent == ancestor) {
      SetReal(result, 1);
      return;
    }
    const CObject* next = Object_Data(parent);
    if (next == nullptr) break;
    parent = next->parent_index;
  }
  SetReal(result, 0);
}

template <int32_t CObject::*Field>
BUILTIN_FN(ObjectSetInt) {
  HANDLER_ARGS;
  if (CObject* o = Object_Data(a.I(0))) o->*Field = a.I(1);
}
template <uint32_t Bit>
BUILTIN_FN(ObjectSetFlag) {
  HANDLER_ARGS;
  CObject* o = Object_Data(a.I(0));
  if (o == nullptr) return;
  if (a.B(1)) {
    o->flags |= Bit;
  } else {
    o->flags &= ~Bit;
  }
}

BUILTIN_FN(ObjectSetParent) {
  HANDLER_ARGS;
  const int32_t object = a.I(0);
  const int32_t parent = a.I(1);
  if (object == parent) return;
  CObject* o = Object_Data(object);
  if (o == nullptr) return;
  if (parent < 0) {
    o->parent_index = -1;
    o->parent = nullptr;
    // Events the object inherited from its old parent stop reaching its instances.
    ObjectLists_Build();
    return;
  }
  CObject* p = Object_Data(parent);
  if (p == nullptr) {
    Error_Report(false, "Setting a non-existing parent.");
    return;
  }
  if (p->IsAncestor(object)) {
    Error_Report(false, "Creating a cycle in the parent relation.");
    return;
  }
  o->parent_index = parent;
  o->parent = parent <= kLastReferencedParent ? p : nullptr;
  ObjectLists_Build();
}

BUILTIN_FN(ObjectAdd) { HANDLER_ARGS; SetReal(result, Object_Add()); }

BUILTIN_FN(ObjectDelete) {
  HANDLER_ARGS;
  DeleteExisting(result, a.I(0), Object_Exists, Object_Delete, "Trying to delete non-existing object.");
}

BUILTIN_FN(ObjectEventClear) {
  HANDLER_ARGS;
  const CObject* o = Object_Data(a.I(0));
  if (o == nullptr) return;
  if (CEvent* event = o->GetEvent(a.I(1), a.I(2))) {
    event->Clear();
    ObjectLists_Build();
  }
}

BUILTIN_FN(ObjectEventAdd) {
  HANDLER_ARGS;
  Console_DebugOutput("object_event_add :: deprecated function\n");
}

// --- rooms ------------------------------------------------------------------------------------

BUILTIN_FN(RoomExists) { HANDLER_ARGS; SetBool(result, Room_Exists(a.I(0))); }
BUILTIN_FN(RoomName) { HANDLER_ARGS; SetText(result, Room_Name(a.I(0))); }

template <int32_t CRoom::*Field>
BUILTIN_FN(RoomSetInt) {
  HANDLER_ARGS;
  if (CRoom* r = Room_Data(a.I(0))) r->*Field = a.I(1);
}
template <bool CRoom::*Field>
BUILTIN_FN(RoomSetBool) {
  HANDLER_ARGS;
  if (CRoom* r = Room_Data(a.I(0))) r->*Field = a.B(1);
}
// The room keeps a copy of the text; a value without text counts as empty.
template <std::string CRoom::*Field>
BUILTIN_FN(RoomSetText) {
  HANDLER_ARGS;
  if (CRoom* r = Room_Data(a.I(0))) {
    const char* text = a.S(1);
    r->*Field = text != nullptr ? text : "";
  }
}
BUILTIN_FN(RoomSetBackgroundColour) {
  HANDLER_ARGS;
  if (CRoom* r = Room_Data(a.I(0))) {
    r->colour = a.U(1);
    r->show_colour = a.B(2);
  }
}

// The record number names one of the eight records; any other number changes nothing.
template <typename Record, int32_t Count>
Record* RoomRecord(const Args& a, Record (CRoom::*records)[Count]) {
  CRoom* r = Room_Data(a.I(0));
  const int32_t number = a.I(1);
  if (r == nullptr || number < 0 || number >= Count) return nullptr;
  return &(r->*records)[number];
}

BUILTIN_FN(RoomSetBackground) {
  HANDLER_ARGS;
  RoomBackground* b = RoomRecord(a, &CRoom::backgrounds);
  if (b == nullptr) return;
  b->visible = a.B(2);
  b->foreground = a.B(3);
  b->index = a.I(4);
  b->x = a.F(5);
  b->y = a.F(6);
  b->htiled = a.B(7);
  b->vtiled = a.B(8);
  b->hspeed = a.F(9);
  b->vspeed = a.F(10);
  b->alpha = a.F(11);
  b->xscale = 1.0f;
  b->yscale = 1.0f;
}

BUILTIN_FN(RoomSetView) {
  HANDLER_ARGS;
  CRoomView* v = RoomRecord(a, &CRoom::views);
  if (v == nullptr) return;
  v->visible = a.B(2);
  v->view_x = a.F(3);
  v->view_y = a.F(4);
  v->view_w = a.F(5);
  v->view_h = a.F(6);
  v->port_x = a.I(7);
  v->port_y = a.I(8);
  v->port_w = a.I(9);
  v->port_h = a.I(10);
  v->hborder = a.I(11);
  v->vborder = a.I(12);
  v->hspeed = a.I(13);
  v->vspeed = a.I(14);
  v->object = a.I(15);
}

BUILTIN_FN(RoomAdd) { HANDLER_ARGS; SetReal(result, Room_Add()); }
BUILTIN_FN(RoomDuplicate) {
  HANDLER_ARGS;
  SetReal(result, Room_Exists(a.I(0)) ? Room_Duplicate(a.I(0)) : -1);
}
BUILTIN_FN(RoomAssign) {
  HANDLER_ARGS;
  if (!Room_Assign(a.I(0), a.I(1))) Error_Report(false, "Error assigning a room.");
}
BUILTIN_FN(RoomInstanceAdd) {
  HANDLER_ARGS;
  CRoom* r = Room_Data(a.I(0));
  SetReal(result, r != nullptr ? r->AddInstanceRecord(a.F(1), a.F(2), a.I(3)) : -1);
}
BUILTIN_FN(RoomInstanceClear) {
  HANDLER_ARGS;
  if (CRoom* r = Room_Data(a.I(0))) r->ClearInstanceRecords();
}

constexpr uint32_t kWhite = 0xFFFFFF;

// Adds the tile record of room_tile_add and room_tile_add_ext; the background is checked first.
void AddTileRecord(RValue* result, const Args& a, float xscale, float yscale, uint32_t colour) {
  if (!Background_Exists(a.I(1))) {
    Error_Report(false, "Background does not exist.");
    SetReal(result, -1);
    return;
  }
  CRoom* r = Room_Data(a.I(0));
  if (r == nullptr) {
    SetReal(result, -1);
    return;
  }
  SetReal(result, r->AddTileRecord(a.I(1), a.I(2), a.I(3), a.I(4), a.I(5), a.I(6), a.I(7), a.I(8), xscale, yscale,
                                   colour));
}

BUILTIN_FN(RoomTileAdd) {
  HANDLER_ARGS;
  AddTileRecord(result, a, 1.0f, 1.0f, 0xFF000000u | kWhite);
}

BUILTIN_FN(RoomTileAddExt) {
  HANDLER_ARGS;
  // NaN compares false both ways, so it is taken as transparent before it reaches the conversion.
  const double alpha = a.R(11);
  const double clamped = alpha >= 0.0 ? std::min(alpha, 1.0) : 0.0;
  const auto byte = static_cast<uint32_t>(clamped * 255.0);
  AddTileRecord(result, a, a.F(9), a.F(10), (byte << 24) | kWhite);
}

BUILTIN_FN(RoomTileClear) {
  HANDLER_ARGS;
  if (CRoom* r = Room_Data(a.I(0))) r->ClearTileRecords();
}

// --- assets -----------------------------------------------------------------------------------

BUILTIN_FN(AssetGetIndex) {
  HANDLER_ARGS;
  // Constant_Find leaves -1 when nothing matches.
  Constant_Find(a.S(0), result);
}

BUILTIN_FN(AssetGetType) {
  HANDLER_ARGS;
  int32_t kind = kAssetNone;
  Constant_FindAsset(a.S(0), false, &kind);
  SetReal(result, kind);
}

}  // namespace

// --- prefetch ---------------------------------------------------------------------------------

namespace {

// Creates the texture behind a handle now, when there is one.
void PrefetchHandle(int32_t handle) {
  const TextureHandle resolved = GR_Texture_Resolve(handle);
  if (resolved.kind != TextureHandleKind::Slot && resolved.kind != TextureHandleKind::Entry) return;
  if (Texture* texture = GR_Texture_Get(resolved.slot)) Texture_Prefetch(texture);
}

void PrefetchSprite(const CSprite* s) {
  for (int32_t frame = 0; frame < s->frameCount; ++frame) PrefetchHandle(s->GetTexture(frame));
}

// What a prefetch of many asks of its assets: the name in its messages and how to treat one index.
enum class Prefetched { Done, Missing, Unsupported };
using PrefetchOne = Prefetched (*)(int32_t index);

Prefetched PrefetchSpriteIndex(int32_t index) {
  const CSprite* s = Sprite_Data(index);
  if (s == nullptr) return Prefetched::Missing;
  if (s->kind != kSpriteKindBitmap) return Prefetched::Unsupported;
  PrefetchSprite(s);
  return Prefetched::Done;
}

Prefetched PrefetchBackgroundIndex(int32_t index) {
  const CBackground* b = Background_Data(index);
  if (b == nullptr) return Prefetched::Missing;
  PrefetchHandle(b->GetTexture());
  return Prefetched::Done;
}

void PrefetchMulti(RValue* result, const Args& a, const char* function, const char* kind, PrefetchOne prefetch) {
  SetReal(result, -1);
  const RValue* array = a.At(0);
  if (array == nullptr || RValue_Kind(array) != VALUE_ARRAY) {
    Console_DebugOutput("%s: parameter should be array of sprite indices\n", function);
    return;
  }
  const SharedArray* record = array->pArray;
  if (record == nullptr || record->rows == nullptr || record->rowCount != 1) {
    Console_DebugOutput("%s: array parameter invalid\n", function);
    return;
  }
  const SharedArrayRow& row = record->rows[0];
  for (int32_t i = 0; i < row.length; ++i) {
    const RValue& element = row.elements[i];
    if (RValue_Kind(&element) != VALUE_REAL) {
      Console_DebugOutput("%s: array entry %d has wrong type\n", function, i);
      continue;
    }
    RValue copy = element;
    const int32_t index = WXGI32(&copy, 0);
    const Prefetched done = prefetch(index);
    if (done == Prefetched::Missing) {
      Console_DebugOutput("%s: %s id %d not found\n", function, kind, index);
    } else if (done == Prefetched::Unsupported) {
      Console_DebugOutput("%s: not supported for vector sprites (sprite id %d)\n", function, index);
      return;
    }
  }
  SetReal(result, 0);
}

}  // namespace

BUILTIN_FN(SpritePrefetch) {
  HANDLER_ARGS;
  SetReal(result, -1);
  const int32_t index = a.I(0);
  const Prefetched done = PrefetchSpriteIndex(index);
  if (done == Prefetched::Missing) {
    Console_DebugOutput("sprite_prefetch: Sprite id %d not found\n", index);
  } else if (done == Prefetched::Unsupported) {
    Console_DebugOutput("sprite_prefetch: not supported for vector sprites (sprite id %d)\n", index);
    return;
  }
  SetReal(result, 0);
}

BUILTIN_FN(BackgroundPrefetch) {
  HANDLER_ARGS;
  SetReal(result, -1);
  const int32_t index = a.I(0);
  if (PrefetchBackgroundIndex(index) == Prefetched::Missing) {
    Console_DebugOutput("background_prefetch: Background id %d not found\n", index);
  }
  SetReal(result, 0);
}

BUILTIN_FN(SpritePrefetchMulti) {
  HANDLER_ARGS;
  PrefetchMulti(result, a, "sprite_prefetch_multi", "Sprite", PrefetchSpriteIndex);
}

BUILTIN_FN(BackgroundPrefetchMulti) {
  HANDLER_ARGS;
  PrefetchMulti(result, a, "background_prefetch_multi", "Background", PrefetchBackgroundIndex);
}

BUILTIN_FN(CacheSizeIgnored) {
  HANDLER_ARGS;
  SetReal(result, 0);
}

void RegisterObjectFunctions(uint8_t flag) {
  Builtin_Add("object_name", ObjectName, 1, flag);
  Builtin_Add("object_exists", ObjectExists, 1, flag);
  Builtin_Add("object_get_name", ObjectName, 1, flag);
  Builtin_Add("object_get_sprite", ObjectInt<&CObject::sprite_index>, 1, flag);
  Builtin_Add("object_get_solid", ObjectFlag<kObjectFlagSolid>, 1, flag);
  Builtin_Add("object_get_visible", ObjectFlag<kObjectFlagVisible>, 1, flag);
  Builtin_Add("object_get_depth", ObjectInt<&CObject::depth>, 1, flag);
  Builtin_Add("object_get_persistent", ObjectFlag<kObjectFlagPersistent>, 1, flag);
  Builtin_Add("object_get_mask", ObjectInt<&CObject::mask_index>, 1, flag);
  Builtin_Add("object_get_parent", ObjectInt<&CObject::parent_index>, 1, flag);
  Builtin_Add("object_get_physics", ObjectGetPhysics, 1, flag);
  Builtin_Add("object_is_ancestor", ObjectIsAncestor, 2, flag);
  Builtin_Add("object_set_sprite", ObjectSetInt<&CObject::sprite_index>, 2, flag);
  Builtin_Add("object_set_solid", ObjectSetFlag<kObjectFlagSolid>, 2, flag);
  Builtin_Add("object_set_visible", ObjectSetFlag<kObjectFlagVisible>, 2, flag);
  Builtin_Add("object_set_depth", ObjectSetInt<&CObject::depth>, 2, flag);
  Builtin_Add("object_set_persistent", ObjectSetFlag<kObjectFlagPersistent>, 2, flag);
  Builtin_Add("object_set_mask", ObjectSetInt<&CObject::mask_index>, 2, flag);
  Builtin_Add("object_set_parent", ObjectSetParent, 2, flag);
  Builtin_Add("object_add", ObjectAdd, 0, flag);
  Builtin_Add("object_delete", ObjectDelete, 1, flag);
  Builtin_Add("object_event_clear", ObjectEventClear, 3, flag);
  Builtin_Add("object_event_add", ObjectEventAdd, 4, flag);
}

void RegisterRoomFunctions(uint8_t flag) {
  Builtin_Add("room_name", RoomName, 1, flag);
  Builtin_Add("room_exists", RoomExists, 1, flag);
  Builtin_Add("room_get_name", RoomName, 1, flag);
  Builtin_Add("room_set_width", RoomSetInt<&CRoom::width>, 2, flag);
  Builtin_Add("room_set_height", RoomSetInt<&CRoom::height>, 2, flag);
  Builtin_Add("room_set_caption", RoomSetText<&CRoom::caption>, 2, flag);
  Builtin_Add("room_set_persistent", RoomSetBool<&CRoom::persistent>, 2, flag);
  Builtin_Add("room_set_code", RoomSetText<&CRoom::creation_code_text>, 2, flag);
  Builtin_Add("room_set_background_color", RoomSetBackgroundColour, 3, flag);
  Builtin_Add("room_set_background_colour", RoomSetBackgroundColour, 3, flag);
  Builtin_Add("room_set_background", RoomSetBackground, 12, flag);
  Builtin_Add("room_set_view", RoomSetView, 16, flag);
  Builtin_Add("room_set_view_enabled", RoomSetBool<&CRoom::enable_views>, 2, flag);
  Builtin_Add("room_add", RoomAdd, 0, flag);
  Builtin_Add("room_duplicate", RoomDuplicate, 1, flag);
  Builtin_Add("room_assign", RoomAssign, 2, flag);
  Builtin_Add("room_instance_add", RoomInstanceAdd, 4, flag);
  Builtin_Add("room_instance_clear", RoomInstanceClear, 1, flag);
  Builtin_Add("room_tile_add", RoomTileAdd, 9, flag);
  Builtin_Add("room_tile_add_ext", RoomTileAddExt, 12, flag);
  Builtin_Add("room_tile_clear", RoomTileClear, 1, flag);
}

void RegisterAssetFunctions(uint8_t flag) {
  Builtin_Add("asset_get_index", AssetGetIndex, 1, flag);
  Builtin_Add("asset_get_type", AssetGetType, 1, flag);
}

}  // namespace resource
