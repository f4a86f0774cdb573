// Script functions of the current room's tiles: one tile by id, or a layer (every tile of one
// depth, compared in single precision) at once.
#include "functions/tile_functions.h"

#include <cstdint>
#include <vector>

#include "assets/background.h"
#include "functions/handler_args.h"
#include "functions/text_sprite_functions.h"
#include "runtime/error_report.h"
#include "world/room.h"

namespace {

// The index of the tile with the id (the first argument) in the current room, or -1 after
// reporting that there is none.
int32_t TileIndexArg(const Args& a) {
  const int32_t index = Room_Current != nullptr ? Room_Current->FindTile(a.I(0)) : -1;
  if (index < 0) Error_Report(false, "Tile does not exist.");
  return index;
}

RoomTile* TileArg(const Args& a) {
  const int32_t index = TileIndexArg(a);
  return index >= 0 ? &Room_Current->tiles[static_cast<size_t>(index)] : nullptr;
}

// A getter answers 0 for a missing tile.
template <typename Read>
void Get(RValue* result, const Args& a, Read read) {
  const RoomTile* tile = TileArg(a);
  Args_SetReal(result, tile != nullptr ? static_cast<double>(read(*tile)) : 0.0);
}

#define TILE_GETTER(name, expression)                                  \
  BUILTIN_FN(name) {                                                   \
    HANDLER_ARGS;                                                      \
    Get(result, a, [](const RoomTile& t) { return (expression); });    \
  }

TILE_GETTER(TileGetX, t.x)
TILE_GETTER(TileGetY, t.y)
TILE_GETTER(TileGetLeft, t.left)
TILE_GETTER(TileGetTop, t.top)
TILE_GETTER(TileGetWidth, t.width)
TILE_GETTER(TileGetHeight, t.height)
TILE_GETTER(TileGetDepth, t.depth)
TILE_GETTER(TileGetVisible, t.visible ? 1 : 0)
TILE_GETTER(TileGetXScale, t.xscale)
TILE_GETTER(TileGetYScale, t.yscale)
TILE_GETTER(TileGetBlend, t.blend)
TILE_GETTER(TileGetAlpha, t.alpha)
TILE_GETTER(TileGetBackground, t.background)

#undef TILE_GETTER

BUILTIN_FN(TileAdd) {
  HANDLER_ARGS;
  CRoom* room = Room_Current;
  if (!Background_Exists(a.I(0))) {
    Error_Report(false, "Background does not exist.");
    Args_SetReal(result, -1);
    return;
  }
  if (room == nullptr) {
    Args_SetReal(result, -1);
    return;
  }
  RoomTile tile;
  tile.background = a.I(0);
  tile.left = a.I(1);
  tile.top = a.I(2);
  tile.width = a.I(3);
  tile.height = a.I(4);
  tile.x = a.F(5);
  tile.y = a.F(6);
  tile.depth = a.F(7);
  const int32_t index = room->AddTile(tile);
  Args_SetReal(result, index >= 0 ? room->tiles[static_cast<size_t>(index)].id : -1);
}

BUILTIN_FN(TileDelete) {
  HANDLER_ARGS;
  if (const int32_t index = TileIndexArg(a); index >= 0) Room_Current->DeleteTile(index);
}

BUILTIN_FN(TileExists) {
  HANDLER_ARGS;
  Args_SetReal(result, Room_Current != nullptr && Room_Current->FindTile(a.I(0)) >= 0 ? 1 : 0);
}

// A setter changes the tile in place, unchecked; the next redraw restores the depth order.
#define TILE_SETTER(name, ...)            \
  BUILTIN_FN(name) {                      \
    HANDLER_ARGS;                         \
    if (RoomTile* t = TileArg(a)) {       \
      __VA_ARGS__;                        \
    }                                     \
  }

TILE_SETTER(TileSetPosition, t->x = a.F(1), t->y = a.F(2))
TILE_SETTER(TileSetVisible, t->visible = a.B(1))
TILE_SETTER(TileSetBackground, t->background = a.I(1))
TILE_SETTER(TileSetRegion, t->left = a.I(1), t->top = a.I(2), t->width = a.I(3), t->height = a.I(4))
TILE_SETTER(TileSetDepth, t->depth = a.F(1))
TILE_SETTER(TileSetScale, t->xscale = a.F(1), t->yscale = a.F(2))
TILE_SETTER(TileSetBlend, t->blend = a.U(1))
TILE_SETTER(TileSetAlpha, t->alpha = a.F(1))

#undef TILE_SETTER

BUILTIN_FN(TileGetCount) {
  Args_SetReal(result, Room_Current != nullptr ? static_cast<double>(Room_Current->tiles.size()) : 0.0);
}

BUILTIN_FN(TileGetId) {
  HANDLER_ARGS;
  const int32_t index = a.I(0);
  const CRoom* room = Room_Current;
  const bool inside = room != nullptr && index >= 0 && static_cast<size_t>(index) < room->tiles.size();
  Args_SetReal(result, inside ? room->tiles[static_cast<size_t>(index)].id : -1);
}

// The ids of the tiles that pass, in array order. A room without tiles leaves the result
// undefined; with tiles but none passing, the answer is the one-element array [0].
template <typename Pass>
void Ids(RValue* result, Pass pass) {
  const CRoom* room = Room_Current;
  if (room == nullptr || room->tiles.empty()) return;
  std::vector<double> ids;
  for (const RoomTile& t : room->tiles) {
    if (pass(t)) ids.push_back(t.id);
  }
  if (ids.empty()) ids.push_back(0.0);
  CreateRealArray(result, static_cast<int32_t>(ids.size()), ids.data());
}

BUILTIN_FN(TileGetIds) {
  if (Room_Current == nullptr || Room_Current->tiles.empty()) return;
  if (argc > 0) {
    Error_Report(false, "Incorrect argument count");
    return;
  }
  Ids(result, [](const RoomTile&) { return true; });
}

BUILTIN_FN(TileGetIdsAtDepth) {
  HANDLER_ARGS;
  const float depth = a.F(0);
  Ids(result, [depth](const RoomTile& t) { return t.depth == depth; });
}

// A layer operation on the current room (none: nothing happens).
#define TILE_LAYER(name, ...)                                    \
  BUILTIN_FN(name) {                                             \
    HANDLER_ARGS;                                                \
    if (CRoom* room = Room_Current) room->__VA_ARGS__;           \
  }

TILE_LAYER(TileLayerHide, HideTileLayer(a.F(0)))
TILE_LAYER(TileLayerShow, ShowTileLayer(a.F(0)))
TILE_LAYER(TileLayerDelete, DeleteTileLayer(a.F(0)))
TILE_LAYER(TileLayerShift, ShiftTileLayer(a.F(0), a.F(1), a.F(2)))
TILE_LAYER(TileLayerDeleteAt, DeleteTileLayerAt(a.F(0), a.F(1), a.F(2)))
TILE_LAYER(TileLayerDepth, SetTileLayerDepth(a.F(0), a.F(1)))

#undef TILE_LAYER

BUILTIN_FN(TileLayerFind) {
  HANDLER_ARGS;
  CRoom* room = Room_Current;
  const int32_t index = room != nullptr ? room->FindTileInLayer(a.F(0), a.F(1), a.F(2)) : -1;
  Args_SetReal(result, index >= 0 ? room->tiles[static_cast<size_t>(index)].id : -1);
}
}  // namespace

void Tile_RegisterFunctions(uint8_t flag) {
  Builtin_Add("tile_add", TileAdd, 8, flag);
  Builtin_Add("tile_delete", TileDelete, 1, flag);
  Builtin_Add("tile_exists", TileExists, 1, flag);
  Builtin_Add("tile_get_x", TileGetX, 1, flag);
  Builtin_Add("tile_get_y", TileGetY, 1, flag);
  Builtin_Add("tile_get_left", TileGetLeft, 1, flag);
  Builtin_Add("tile_get_top", TileGetTop, 1, flag);
  Builtin_Add("tile_get_width", TileGetWidth, 1, flag);
  Builtin_Add("tile_get_height", TileGetHeight, 1, flag);
  Builtin_Add("tile_get_depth", TileGetDepth, 1, flag);
  Builtin_Add("tile_get_visible", TileGetVisible, 1, flag);
  Builtin_Add("tile_get_xscale", TileGetXScale, 1, flag);
  Builtin_Add("tile_get_yscale", TileGetYScale, 1, flag);
  Builtin_Add("tile_get_blend", TileGetBlend, 1, flag);
  Builtin_Add("tile_get_alpha", TileGetAlpha, 1, flag);
  Builtin_Add("tile_get_background", TileGetBackground, 1, flag);
  Builtin_Add("tile_set_position", TileSetPosition, 3, flag);
  Builtin_Add("tile_set_visible", TileSetVisible, 2, flag);
  Builtin_Add("tile_set_background", TileSetBackground, 2, flag);
  Builtin_Add("tile_set_region", TileSetRegion, 5, flag);
  Builtin_Add("tile_set_depth", TileSetDepth, 2, flag);
  Builtin_Add("tile_set_scale", TileSetScale, 3, flag);
  Builtin_Add("tile_set_blend", TileSetBlend, 2, flag);
  Builtin_Add("tile_set_alpha", TileSetAlpha, 2, flag);
  Builtin_Add("tile_get_count", TileGetCount, 0, flag);
  Builtin_Add("tile_get_id", TileGetId, 1, flag);
  Builtin_Add("tile_get_ids", TileGetIds, 0, flag);
  Builtin_Add("tile_get_ids_at_depth", TileGetIdsAtDepth, 1, flag);
  Builtin_Add("tile_layer_hide", TileLayerHide, 1, flag);
  Builtin_Add("tile_layer_show", TileLayerShow, 1, flag);
  Builtin_Add("tile_layer_delete", TileLayerDelete, 1, flag);
  Builtin_Add("tile_layer_shift", TileLayerShift, 3, flag);
  Builtin_Add("tile_layer_find", TileLayerFind, 3, flag);
  Builtin_Add("tile_layer_delete_at", TileLayerDeleteAt, 3, flag);
  Builtin_Add("tile_layer_depth", TileLayerDepth, 2, flag);
}
