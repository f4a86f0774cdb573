#include "functions/game_functions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "assets/sprite_table.h"
#include "core/argument_getters.h"
#include "core/function_registry.h"
#include "core/value.h"
#include "functions/handler_args.h"
#include "functions/motion_grid_copy.h"
#include "functions/random.h"
#include "render/motion_grid_draw.h"
#include "runtime/error_report.h"
#include "runtime/frame_timing.h"
#include "world/activation.h"
#include "world/commands.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/lifecycle.h"
#include "world/motion_grid.h"
#include "world/motion_planning.h"
#include "world/object.h"
#include "world/path.h"
#include "world/queries.h"
#include "world/room.h"
#include "world/room_table.h"
#include "world/saved_game.h"
#include "world/step_phases.h"

namespace {

constexpr uint8_t kGameFunctionFlag = 1;

void SetReal(RValue* result, double value) { Args_SetReal(result, value); }
void SetBool(RValue* result, bool value) { SetReal(result, value ? 1.0 : 0.0); }
void SetInstance(RValue* result, const CInstance* instance) {
  SetReal(result, instance != nullptr ? instance->id : kNoone);
}


// --- placement and motion ---------------------------------------------------------------------

constexpr int32_t kRandomTries = 100;

// Up to 100 tries for a free place in the room on the snapping grid; after them it stays.
void MoveRandomly(CInstance* self, float hsnap, float vsnap) {
  if (self == nullptr || Room_Current == nullptr) return;
  const auto width = static_cast<float>(Room_Current->width);
  const auto height = static_cast<float>(Room_Current->height);
  int32_t xmin = 0;
  int32_t xmax = static_cast<int32_t>(width);
  int32_t ymin = 0;
  int32_t ymax = static_cast<int32_t>(height);
  if (Sprite_Exists(self->sprite_index) || Sprite_Exists(self->mask_index)) {
    if (self->bbox_dirty) Compute_BoundingBox(self);
    xmin = static_cast<int32_t>(std::nearbyint(self->x - static_cast<float>(self->bbox_left)));
    xmax = static_cast<int32_t>(std::nearbyint(width + self->x - static_cast<float>(self->bbox_right)));
    ymin = static_cast<int32_t>(std::nearbyint(self->y - static_cast<float>(self->bbox_top)));
    ymax = static_cast<int32_t>(std::nearbyint(height + self->y - static_cast<float>(self->bbox_bottom)));
  }
  for (int32_t t = 0; t < kRandomTries; ++t) {
    // A range of 0 (an instance as wide or as high as the room) draws 0: that axis's minimum.
    auto gx = static_cast<float>(xmin + static_cast<int64_t>(Random_Int(xmax - xmin)));
    auto gy = static_cast<float>(ymin + static_cast<int64_t>(Random_Int(ymax - ymin)));
    if (hsnap > 0.0f) gx = std::floor(gx / hsnap) * hsnap;
    if (vsnap > 0.0f) gy = std::floor(gy / vsnap) * vsnap;
    if (Command_PlaceFree(self, gx, gy)) {
      self->SetPosition(gx, gy);
      return;
    }
  }
}


BUILTIN_FN(MoveRandom) { HANDLER_ARGS; MoveRandomly(self, a.F(0), a.F(1)); }
BUILTIN_FN(PlaceFree) { HANDLER_ARGS; SetBool(result, Command_PlaceFree(self, a.F(0), a.F(1))); }
BUILTIN_FN(PlaceEmpty) { HANDLER_ARGS; SetBool(result, Command_PlaceEmpty(self, a.F(0), a.F(1))); }

// -1 and -2 name the caller and the other instance by id, when there are such.
int32_t SelfOrOtherId(CInstance* self, CInstance* other, int32_t obj) {
  if (obj == kInstanceSelf && self != nullptr) return self->id;
  if (obj == kInstanceOther && other != nullptr) return other->id;
  return obj;
}

BUILTIN_FN(PlaceMeeting) {
  HANDLER_ARGS;
  SetBool(result, Command_PlaceMeeting(self, SelfOrOtherId(self, other, a.I(2)), a.F(0), a.F(1)));
}
BUILTIN_FN(PlaceSnapped) { HANDLER_ARGS; SetBool(result, Command_PlaceSnapped(self, a.R(0), a.R(1))); }
BUILTIN_FN(MoveSnap) { HANDLER_ARGS; Command_Snap(self, a.F(0), a.F(1)); }
BUILTIN_FN(MoveTowardsPoint) { HANDLER_ARGS; Command_MoveTowards(self, a.F(0), a.F(1), a.F(2)); }
BUILTIN_FN(MoveContact) {
  HANDLER_ARGS;
  if (self == nullptr) return;
  const float direction = a.F(0);
  if (Command_PlaceFree(self, self->x, self->y)) {
    Command_MoveContact(self, direction, 1000.0f, false);
  } else {
    Command_MoveOutside(self, direction, 1000.0f, false);
  }
}
BUILTIN_FN(MoveContactSolid) { HANDLER_ARGS; Command_MoveContact(self, a.F(0), a.F(1), false); }
BUILTIN_FN(MoveContactAll) { HANDLER_ARGS; Command_MoveContact(self, a.F(0), a.F(1), true); }
BUILTIN_FN(MoveOutsideSolid) { HANDLER_ARGS; Command_MoveOutside(self, a.F(0), a.F(1), false); }
BUILTIN_FN(MoveOutsideAll) { HANDLER_ARGS; Command_MoveOutside(self, a.F(0), a.F(1), true); }
BUILTIN_FN(MoveBounceSolid) { HANDLER_ARGS; Command_Bounce(self, a.B(0), false); }
BUILTIN_FN(MoveBounceAll) { HANDLER_ARGS; Command_Bounce(self, a.B(0), true); }

BUILTIN_FN(MoveWrap) {
  HANDLER_ARGS;
  if (self == nullptr || Room_Current == nullptr) return;
  const float margin = a.F(2);
  float x = self->x;
  float y = self->y;
  if (a.B(0)) {
    const auto width = static_cast<float>(Room_Current->width);
    if (x < -margin) x = x + width + 2.0f * margin;
    if (x > width + margin) x = x - width - 2.0f * margin;
  }
  if (a.B(1)) {
    const auto height = static_cast<float>(Room_Current->height);
    if (y < -margin) y = y + height + 2.0f * margin;
    if (y > height + margin) y = y - height - 2.0f * margin;
  }
  self->SetPosition(x, y);
}

BUILTIN_FN(MotionSet) {
  HANDLER_ARGS;
  if (self == nullptr) return;
  self->SetDirection(a.F(0));
  self->SetSpeed(a.F(1));
}
BUILTIN_FN(MotionAdd) {
  HANDLER_ARGS;
  if (self != nullptr) self->AddMotion(a.F(0), a.F(1));
}
BUILTIN_FN(DistanceToPoint) { HANDLER_ARGS; SetReal(result, Command_DistanceToPoint(self, a.R(0), a.R(1))); }
BUILTIN_FN(DistanceToObject) { HANDLER_ARGS; SetReal(result, Command_DistanceToObject(self, other, a.I(0))); }

BUILTIN_FN(PathStart) {
  HANDLER_ARGS;
  if (self != nullptr) self->StartPath(a.I(0), a.F(1), 1.0f, 0.0f, !a.B(3), a.I(2));
}
BUILTIN_FN(PathEnd) {
  HANDLER_ARGS;
  if (self != nullptr) self->StartPath(-1, 0.0f, 1.0f, 0.0f, false, 0);
}

// --- motion planning --------------------------------------------------------------------------

// The path a planner is to fill, or null after the report when there is none.
CPath* PathToAssign(int32_t index) {
  if (!Path_Exists(index)) {
    Error_Report(false, "Trying to assign to a non-existing path.");
    return nullptr;
  }
  return Path_Data(index);
}

BUILTIN_FN(MpLinearStep) { HANDLER_ARGS; SetBool(result, MP_LinearStep(self, a.F(0), a.F(1), a.F(2), kInstanceAll, a.B(3))); }
BUILTIN_FN(MpLinearPath) {
  HANDLER_ARGS;
  CPath* path = PathToAssign(a.I(0));
  if (path != nullptr) SetBool(result, MP_LinearPath(self, path, a.F(1), a.F(2), a.F(3), kInstanceAll, a.B(4)));
}
BUILTIN_FN(MpLinearStepObject) { HANDLER_ARGS; SetBool(result, MP_LinearStep(self, a.F(0), a.F(1), a.F(2), a.I(3), true)); }
BUILTIN_FN(MpLinearPathObject) {
  HANDLER_ARGS;
  CPath* path = PathToAssign(a.I(0));
  if (path != nullptr) SetBool(result, MP_LinearPath(self, path, a.F(1), a.F(2), a.F(3), a.I(4), true));
}
BUILTIN_FN(MpPotentialSettings) { HANDLER_ARGS; MP_PotentialSettings(a.F(0), a.F(1), a.F(2), a.B(3)); }
BUILTIN_FN(MpPotentialStep) {
  HANDLER_ARGS;
  SetBool(result, MP_PotentialStep(self, a.F(0), a.F(1), a.F(2), kInstanceAll, a.B(3)));
}
BUILTIN_FN(MpPotentialPath) {
  HANDLER_ARGS;
  CPath* path = PathToAssign(a.I(0));
  if (path != nullptr) {
    SetBool(result, MP_PotentialPath(self, path, a.F(1), a.F(2), a.F(3), a.F(4), kInstanceAll, a.B(5)));
  }
}
BUILTIN_FN(MpPotentialStepObject) {
  HANDLER_ARGS;
  SetBool(result, MP_PotentialStep(self, a.F(0), a.F(1), a.F(2), a.I(3), true));
}
BUILTIN_FN(MpPotentialPathObject) {
  HANDLER_ARGS;
  CPath* path = PathToAssign(a.I(0));
  if (path != nullptr) SetBool(result, MP_PotentialPath(self, path, a.F(1), a.F(2), a.F(3), a.F(4), a.I(5), true));
}
BUILTIN_FN(MpGridCreate) { HANDLER_ARGS; SetReal(result, MPGrid_Create(a.I(0), a.I(1), a.I(2), a.I(3), a.I(4), a.I(5))); }
BUILTIN_FN(MpGridDestroy) { HANDLER_ARGS; MPGrid_Destroy(a.I(0)); }
BUILTIN_FN(MpGridClearAll) { HANDLER_ARGS; MPGrid_ClearAll(a.I(0)); }
BUILTIN_FN(MpGridClearCell) { HANDLER_ARGS; MPGrid_ClearCell(a.I(0), a.I(1), a.I(2)); }
BUILTIN_FN(MpGridClearRectangle) { HANDLER_ARGS; MPGrid_ClearRectangle(a.I(0), a.I(1), a.I(2), a.I(3), a.I(4)); }
BUILTIN_FN(MpGridAddCell) { HANDLER_ARGS; MPGrid_AddCell(a.I(0), a.I(1), a.I(2)); }
BUILTIN_FN(MpGridGetCell) { HANDLER_ARGS; SetReal(result, MPGrid_GetCell(a.I(0), a.I(1), a.I(2))); }
BUILTIN_FN(MpGridAddRectangle) { HANDLER_ARGS; MPGrid_AddRectangle(a.I(0), a.I(1), a.I(2), a.I(3), a.I(4)); }
BUILTIN_FN(MpGridAddInstances) {
  HANDLER_ARGS;
  const int32_t grid = a.I(0);
  const int32_t obj = a.I(1);
  const bool precise = a.B(2);
  auto add = [&](CInstance* i) {
    if (i != nullptr) MPGrid_AddInstance(grid, i, precise);
  };
  if (obj == kInstanceSelf) {
    add(self);
  } else if (obj == kInstanceOther) {
    add(other);
  } else if (obj == kInstanceAll) {
    if (Room_Current == nullptr) return;
    for (CInstance* i = Room_Current->active.first; i != nullptr; i = i->list_next) add(i);
  } else if (obj >= kFirstInstanceId) {
    CInstance* i = Instance_Find(obj);
    if (i != nullptr && !i->marked && !i->deactivated) add(i);
  } else if (const CObject* object = Object_Data(obj)) {
    for (const ObjectInstanceNode* n = object->instances_recursive.first; n != nullptr && n->instance != nullptr;
         n = n->next) {
      add(n->instance);
    }
  }
}
BUILTIN_FN(MpGridPath) {
  HANDLER_ARGS;
  CPath* path = PathToAssign(a.I(1));
  if (path != nullptr) SetBool(result, MPGrid_Path(a.I(0), path, a.I(2), a.I(3), a.I(4), a.I(5), a.B(6)));
}
BUILTIN_FN(MpGridDraw) { HANDLER_ARGS; MPGrid_Draw(a.I(0)); }
BUILTIN_FN(MpGridToDsGrid) { HANDLER_ARGS; MPGrid_ToDsGrid(a.I(0), a.I(1)); }

// --- instances --------------------------------------------------------------------------------

BUILTIN_FN(CollisionPoint) {
  HANDLER_ARGS;
  SetInstance(result, Command_CollisionPoint(self, a.F(0), a.F(1), a.I(2), a.B(3), a.B(4)));
}
BUILTIN_FN(CollisionRectangle) {
  HANDLER_ARGS;
  SetInstance(result, Command_CollisionRectangle(self, a.F(0), a.F(1), a.F(2), a.F(3), a.I(4), a.B(5), a.B(6)));
}
BUILTIN_FN(CollisionCircle) {
  HANDLER_ARGS;
  const float x = a.F(0);
  const float y = a.F(1);
  const float r = a.F(2);
  SetInstance(result, Command_CollisionEllipse(self, x - r, y - r, x + r, y + r, a.I(3), a.B(4), a.B(5)));
}
BUILTIN_FN(CollisionEllipse) {
  HANDLER_ARGS;
  SetInstance(result, Command_CollisionEllipse(self, a.F(0), a.F(1), a.F(2), a.F(3), a.I(4), a.B(5), a.B(6)));
}
BUILTIN_FN(CollisionLine) {
  HANDLER_ARGS;
  SetInstance(result, Command_CollisionLine(self, a.F(0), a.F(1), a.F(2), a.F(3), a.I(4), a.B(5), a.B(6)));
}
BUILTIN_FN(InstanceFind) { HANDLER_ARGS; SetReal(result, Command_InstanceFind(a.I(0), a.I(1))); }
BUILTIN_FN(InstanceExists) { HANDLER_ARGS; SetBool(result, F_InstanceExists(self, other, a.I(0))); }
BUILTIN_FN(InstanceNumber) { HANDLER_ARGS; SetReal(result, F_InstanceNumber(self, other, a.I(0))); }
BUILTIN_FN(InstancePosition) { HANDLER_ARGS; SetInstance(result, Command_InstancePosition(a.F(0), a.F(1), a.I(2))); }
BUILTIN_FN(InstanceNearest) { HANDLER_ARGS; SetInstance(result, Command_InstanceNearest(a.F(0), a.F(1), a.I(2))); }
BUILTIN_FN(InstanceFurthest) { HANDLER_ARGS; SetInstance(result, Command_InstanceFurthest(a.F(0), a.F(1), a.I(2))); }
BUILTIN_FN(InstancePlace) { HANDLER_ARGS; SetInstance(result, Command_InstancePlace(self, a.F(0), a.F(1), a.I(2))); }
BUILTIN_FN(InstanceCreate) { HANDLER_ARGS; SetReal(result, F_InstanceCreate(a.F(0), a.F(1), a.I(2))); }
BUILTIN_FN(InstanceCopy) { HANDLER_ARGS; SetReal(result, Instance_Copy(self, a.B(0))); }
BUILTIN_FN(InstanceChange) {
  HANDLER_ARGS;
  if (self != nullptr) Command_ChangeInstance(self, a.I(0), a.B(1));
}
BUILTIN_FN(InstanceDestroy) {
  HANDLER_ARGS;
  if (self != nullptr) Command_DestroyInstance(self);
}
BUILTIN_FN(InstanceSprite) {
  HANDLER_ARGS;
  if (self != nullptr) Command_SetSprite(self, a.I(0));
}
BUILTIN_FN(PositionEmpty) { HANDLER_ARGS; SetBool(result, !Command_PositionMeeting(a.F(0), a.F(1), kInstanceAll)); }
BUILTIN_FN(PositionMeeting) {
  HANDLER_ARGS;
  SetBool(result, Command_PositionMeeting(a.F(0), a.F(1), SelfOrOtherId(self, other, a.I(2))));
}
BUILTIN_FN(PositionDestroy) { HANDLER_ARGS; Command_PositionDestroy(a.F(0), a.F(1)); }
BUILTIN_FN(PositionChange) { HANDLER_ARGS; Command_PositionChange(a.F(0), a.F(1), a.I(2), a.B(3)); }
BUILTIN_FN(DeactivateAll) { HANDLER_ARGS; Instance_DeactivateAll(self, a.B(0)); }
BUILTIN_FN(DeactivateObject) { HANDLER_ARGS; Instance_DeactivateObject(self, other, a.I(0)); }
BUILTIN_FN(DeactivateRegion) {
  HANDLER_ARGS;
  Instance_DeactivateRegion(self, a.F(0), a.F(1), a.F(2), a.F(3), a.B(4), a.B(5));
}
BUILTIN_FN(ActivateAll) { HANDLER_ARGS; Instance_ActivateAll(); }
BUILTIN_FN(ActivateObject) { HANDLER_ARGS; Instance_ActivateObject(self, other, a.I(0)); }
BUILTIN_FN(ActivateRegion) { HANDLER_ARGS; Instance_ActivateRegion(a.F(0), a.F(1), a.F(2), a.F(3), a.B(4)); }

// --- rooms and the game -----------------------------------------------------------------------

BUILTIN_FN(RoomGoto) { HANDLER_ARGS; Command_GotoRoom(a.I(0)); }
BUILTIN_FN(RoomGotoPrevious) { HANDLER_ARGS; Command_PreviousRoom(); }
BUILTIN_FN(RoomGotoNext) { HANDLER_ARGS; Command_NextRoom(); }
BUILTIN_FN(RoomPrevious) {
  HANDLER_ARGS;
  const int32_t room = a.I(0);
  SetReal(result, Room_Exists(room) && room != Room_First() ? Room_Previous(room) : -1);
}
BUILTIN_FN(RoomNext) {
  HANDLER_ARGS;
  const int32_t room = a.I(0);
  SetReal(result, Room_Exists(room) && room != Room_Last() ? Room_Next(room) : -1);
}
BUILTIN_FN(RoomRestart) { HANDLER_ARGS; Command_RestartRoom(); }
BUILTIN_FN(GameEnd) { HANDLER_ARGS; F_GameEnd(); }
BUILTIN_FN(GameRestart) { HANDLER_ARGS; Command_RestartGame(); }
BUILTIN_FN(GameLoad) { HANDLER_ARGS; Game_Load(a.S(0)); }
BUILTIN_FN(GameSave) { HANDLER_ARGS; Game_Save(a.S(0)); }
BUILTIN_FN(GameSaveBuffer) { HANDLER_ARGS; SetBool(result, Game_SaveBuffer(a.I(0))); }
BUILTIN_FN(GameLoadBuffer) { HANDLER_ARGS; SetBool(result, Game_QueueLoad(a.I(0))); }
// Room transitions are not kept: defining one changes nothing, and none exists.
BUILTIN_FN(TransitionDefine) { HANDLER_ARGS; SetReal(result, -1.0); }
BUILTIN_FN(TransitionExists) { HANDLER_ARGS; SetReal(result, -1.0); }
BUILTIN_FN(Sleep) { HANDLER_ARGS; Timing_Wait(static_cast<int64_t>(a.I(0)) * 1000); }

// --- plane geometry ---------------------------------------------------------------------------

bool InRectangle(float px, float py, float x1, float y1, float x2, float y2) {
  return x1 <= px && px <= x2 && y1 <= py && py <= y2;
}

// Barycentric test; points on the edge from the second to the third corner count as outside.
bool InTriangle(float px, float py, float x1, float y1, float x2, float y2, float x3, float y3) {
  const float ax = x2 - x1, ay = y2 - y1;
  const float bx = x3 - x1, by = y3 - y1;
  const float qx = px - x1, qy = py - y1;
  const float aa = ax * ax + ay * ay;
  const float ab = ax * bx + ay * by;
  const float bb = bx * bx + by * by;
  const float ap = ax * qx + ay * qy;
  const float bp = bx * qx + by * qy;
  const float inv = 1.0f / (aa * bb - ab * ab);
  const float u = (aa * bp - ab * ap) * inv;
  const float w = (bb * ap - ab * bp) * inv;
  return u >= 0.0f && w >= 0.0f && u + w < 1.0f;
}

BUILTIN_FN(PointInRectangle) {
  HANDLER_ARGS;
  SetBool(result, InRectangle(a.F(0), a.F(1), a.F(2), a.F(3), a.F(4), a.F(5)));
}
BUILTIN_FN(PointInTriangle) {
  HANDLER_ARGS;
  SetBool(result, InTriangle(a.F(0), a.F(1), a.F(2), a.F(3), a.F(4), a.F(5), a.F(6), a.F(7)));
}
BUILTIN_FN(PointInCircle) {
  HANDLER_ARGS;
  const float dx = a.F(0) - a.F(2);
  const float dy = a.F(1) - a.F(3);
  SetBool(result, a.F(4) >= std::sqrt(dx * dx + dy * dy));
}
BUILTIN_FN(RectangleInRectangle) {
  HANDLER_ARGS;
  const float sx1 = std::min(a.F(0), a.F(2)), sx2 = std::max(a.F(0), a.F(2));
  const float sy1 = std::min(a.F(1), a.F(3)), sy2 = std::max(a.F(1), a.F(3));
  const float dx1 = std::min(a.F(4), a.F(6)), dx2 = std::max(a.F(4), a.F(6));
  const float dy1 = std::min(a.F(5), a.F(7)), dy2 = std::max(a.F(5), a.F(7));
  if (sx1 >= dx1 && sx2 <= dx2 && sy1 >= dy1 && sy2 <= dy2) {
    SetReal(result, 1.0);
  } else {
    SetReal(result, sx1 <= dx2 && dx1 <= sx2 && sy1 <= dy2 && dy1 <= sy2 ? 2.0 : 0.0);
  }
}
// 1 when all four counted, 2 when some, 0 when none.
double Coverage(int32_t inside) { return inside == 4 ? 1.0 : (inside > 0 ? 2.0 : 0.0); }
BUILTIN_FN(RectangleInTriangle) {
  HANDLER_ARGS;
  const float sx1 = a.F(0), sy1 = a.F(1), sx2 = a.F(2), sy2 = a.F(3);
  const float corners[4][2] = {{sx1, sy1}, {sx2, sy1}, {sx2, sy2}, {sx1, sy2}};
  int32_t inside = 0;
  for (const auto& c : corners) {
    if (InTriangle(c[0], c[1], a.F(4), a.F(5), a.F(6), a.F(7), a.F(8), a.F(9))) ++inside;
  }
  SetReal(result, Coverage(inside));
}
BUILTIN_FN(RectangleInCircle) {
  HANDLER_ARGS;
  const float sx1 = a.F(0), sy1 = a.F(1), sx2 = a.F(2), sy2 = a.F(3);
  const float cx = a.F(4), cy = a.F(5), r = a.F(6);
  auto within = [&](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
  if (!within(std::min(std::max(sx1, cx), sx2), std::min(std::max(sy1, cy), sy2))) {
    SetReal(result, 0.0);
    return;
  }
  const int32_t inside = within(sx1, sy1) + within(sx2, sy1) + within(sx2, sy2) + within(sx1, sy2);
  SetReal(result, inside == 4 ? 1.0 : 2.0);
}

#undef ARGS
#undef GAME_FN

struct GameFunction {
  const char* name;
  BuiltinHandler handler;
  int32_t argumentCount;
};

constexpr GameFunction kGameFunctions[] = {
    {"move_random", MoveRandom, 2},
    {"place_free", PlaceFree, 2},
    {"place_empty", PlaceEmpty, 2},
    {"place_meeting", PlaceMeeting, 3},
    {"place_snapped", PlaceSnapped, 2},
    {"move_snap", MoveSnap, 2},
    {"move_towards_point", MoveTowardsPoint, 3},
    {"move_contact", MoveContact, 1},
    {"move_contact_solid", MoveContactSolid, 2},
    {"move_contact_all", MoveContactAll, 2},
    {"move_outside_solid", MoveOutsideSolid, 2},
    {"move_outside_all", MoveOutsideAll, 2},
    {"move_bounce", MoveBounceSolid, 1},
    {"move_bounce_solid", MoveBounceSolid, 1},
    {"move_bounce_all", MoveBounceAll, 1},
    {"move_wrap", MoveWrap, 3},
    {"motion_set", MotionSet, 2},
    {"motion_add", MotionAdd, 2},
    {"distance_to_point", DistanceToPoint, 2},
    {"distance_to_object", DistanceToObject, 1},
    {"path_start", PathStart, 4},
    {"path_end", PathEnd, 0},
    {"mp_linear_step", MpLinearStep, 4},
    {"mp_linear_path", MpLinearPath, 5},
    {"mp_linear_step_object", MpLinearStepObject, 4},
    {"mp_linear_path_object", MpLinearPathObject, 5},
    {"mp_potential_settings", MpPotentialSettings, 4},
    {"mp_potential_step", MpPotentialStep, 4},
    {"mp_potential_path", MpPotentialPath, 6},
    {"mp_potential_step_object", MpPotentialStepObject, 4},
    {"mp_potential_path_object", MpPotentialPathObject, 6},
    {"mp_grid_create", MpGridCreate, 6},
    {"mp_grid_destroy", MpGridDestroy, 1},
    {"mp_grid_clear_all", MpGridClearAll, 1},
    {"mp_grid_clear_cell", MpGridClearCell, 3},
    {"mp_grid_clear_rectangle", MpGridClearRectangle, 5},
    {"mp_grid_add_cell", MpGridAddCell, 3},
    {"mp_grid_get_cell", MpGridGetCell, 3},
    {"mp_grid_add_rectangle", MpGridAddRectangle, 5},
    {"mp_grid_add_instances", MpGridAddInstances, 3},
    {"mp_grid_path", MpGridPath, 7},
    {"mp_grid_draw", MpGridDraw, 1},
    {"mp_grid_to_ds_grid", MpGridToDsGrid, 2},
    {"collision_point", CollisionPoint, 5},
    {"collision_rectangle", CollisionRectangle, 7},
    {"collision_circle", CollisionCircle, 6},
    {"collision_ellipse", CollisionEllipse, 7},
    {"collision_line", CollisionLine, 7},
    {"instance_find", InstanceFind, 2},
    {"instance_exists", InstanceExists, 1},
    {"instance_number", InstanceNumber, 1},
    {"instance_position", InstancePosition, 3},
    {"instance_nearest", InstanceNearest, 3},
    {"instance_furthest", InstanceFurthest, 3},
    {"instance_place", InstancePlace, 3},
    {"instance_create", InstanceCreate, 3},
    {"instance_copy", InstanceCopy, 1},
    {"instance_change", InstanceChange, 2},
    {"instance_destroy", InstanceDestroy, 0},
    {"instance_sprite", InstanceSprite, 1},
    {"position_empty", PositionEmpty, 2},
    {"position_meeting", PositionMeeting, 3},
    {"position_destroy", PositionDestroy, 2},
    {"position_change", PositionChange, 4},
    {"instance_deactivate_all", DeactivateAll, 1},
    {"instance_deactivate_object", DeactivateObject, 1},
    {"instance_deactivate_region", DeactivateRegion, 6},
    {"instance_activate_all", ActivateAll, 0},
    {"instance_activate_object", ActivateObject, 1},
    {"instance_activate_region", ActivateRegion, 5},
    {"room_goto", RoomGoto, 1},
    {"room_goto_previous", RoomGotoPrevious, 0},
    {"room_goto_next", RoomGotoNext, 0},
    {"room_previous", RoomPrevious, 1},
    {"room_next", RoomNext, 1},
    {"room_restart", RoomRestart, 0},
    {"game_end", GameEnd, 0},
    {"game_restart", GameRestart, 0},
    {"game_load", GameLoad, 1},
    {"game_save", GameSave, 1},
    {"game_save_buffer", GameSaveBuffer, 1},
    {"game_load_buffer", GameLoadBuffer, 1},
    {"transition_define", TransitionDefine, 2},
    {"transition_exists", TransitionExists, 1},
    {"sleep", Sleep, 1},
    {"point_in_rectangle", PointInRectangle, 6},
    {"point_in_triangle", PointInTriangle, 8},
    {"point_in_circle", PointInCircle, 5},
    {"rectangle_in_rectangle", RectangleInRectangle, 8},
    {"rectangle_in_triangle", RectangleInTriangle, 10},
    {"rectangle_in_circle", RectangleInCircle, 7},
};
static_assert(std::size(kGameFunctions) == 91);

}  // namespace

void InitGameFunctions() {
  for (const GameFunction& f : kGameFunctions) Builtin_Add(f.name, f.handler, f.argumentCount, kGameFunctionFlag);
}
