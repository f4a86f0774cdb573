// The instance record: one instance of a game object in a room. Its numbered slots are the game's
// instance variables (one per instance-variable name, unset at first); names without a slot live
// in its variable map. Beside them it carries the built-in state of every instance.
#pragma once

#include <cstdint>

#include "script/wx_object.h"

class CObject;
class CRoom;
struct ObjectInstanceNode;
struct LayerElement;
class CInstance;
class CPhysicsObject;
class CSkeletonInstance;
class IBuffer;
struct CCode;

inline constexpr int32_t kInstanceAlarmCount = 12;

// The event-pass counter of the game step; a new instance takes its value as its creation stamp.
extern uint64_t Event_PassCounter;

// Told of every instance whose bounding box may have changed (null: nobody listens). The collision
// phase listens while it keeps an index of boxes, so that the index follows what events move.
using InstanceBoxWatch = void (*)(CInstance* instance);
extern InstanceBoxWatch Instance_BoxWatch;

class CInstance : public WXObjectBase {
 public:
  // An instance of the object at (x, y) with that id, entered in the object table; with join it
  // joins its object's instance lists.
  CInstance(float x, float y, int32_t id, int32_t objectIndex, bool join);
  ~CInstance() override;

  // Gives the instance the definition of objectIndex (-1 is kept as 0 and has none) and, with a
  // definition, its mask, depth, flags and sprite.
  void SetObjectIndex(int32_t objectIndex, bool join);
  // Stores the sprite and its consequences: a skeleton for a skeleton sprite, the bounding box
  // dirty, and image_index back to 0 when it is past the sprite's frames.
  void SetSpriteIndex(int32_t spriteIndex);

  // --- motion: the polar form (direction, speed) and the cartesian form (hspeed, vspeed) are kept
  // together; each setter recomputes the other form and marks the bounding box dirty.
  void UpdatePolarMotion();
  void UpdateCartesianMotion();
  void SetDirection(float degrees);  // normalised to [0, 360); a non-finite angle becomes 0
  void SetSpeed(float value);
  void SetHSpeed(float value);
  void SetVSpeed(float value);
  // motion_add (and gravity): adds a vector of that length in that direction.
  void AddMotion(float degrees, float amount);
  void SetPosition(float newX, float newY);
  void SetImageXScale(float value);
  void SetImageYScale(float value);
  void SetImageAngle(float value);
  void SetMaskIndex(int32_t index);
  // Once per step: friction slows toward 0 (never past it), then gravity pulls.
  void ApplyFrictionAndGravity();

  // The skeleton of a skeleton sprite, made on first use; null for other sprites.
  CSkeletonInstance* GetSkeleton();
  // image_number: the frame count of the sprite (for a skeleton, its animation in steps).
  int32_t GetImageNumber();
  int32_t GetAlarm(int32_t index) const;  // -1 outside 0..11
  void SetAlarm(int32_t index, int32_t value);  // ignored outside 0..11

  // --- following a path
  // path_start / path_end (index -1); a missing or empty path, or a negative scale, leaves
  // path_index -1.
  void StartPath(int32_t pathIndex, float pathSpeed, float scale, float orientation, bool relative,
                 int32_t endAction);
  // One step along the path; true when it reached an end while moving (End of Path is due).
  bool AdvancePath();
  void SetPathPosition(float value);  // clamped to 0..1
  void SetPathPositionPrevious(float value);
  void SetPathSpeed(float value) { path_speed = value; }

  // --- collision tests: the bounding box first, the mask only for a precise test of a precise
  // sprite. A marked instance collides with nothing.
  bool CollisionPoint(float px, float py, bool precise);
  bool CollisionRectangle(float x1, float y1, float x2, float y2, bool precise);
  bool CollisionEllipse(float x1, float y1, float x2, float y2, bool precise);
  bool CollisionLine(float x1, float y1, float x2, float y2, bool precise);
  // place_meeting, instance_place, the collision events; never with itself.
  bool Collision_Instance(CInstance* other, bool precise);

  // The bounding box is to be recomputed before its next use.
  void MarkBoundingBoxDirty() {
    bbox_dirty = true;
    NoteBoxChange();
  }
  // The box may differ from before (written or copied without the dirty flag).
  void NoteBoxChange() {
    if (Instance_BoxWatch != nullptr) Instance_BoxWatch(this);
  }

  // Makes this instance a copy of source: its id, built-in state and variables (not its creation
  // stamp, Destroy/Create/layer flags, previous object, mouse state, layer, links or physics body).
  void Assign(const CInstance* source, bool join);

  // The saved-game form. Loading returns false when the data ran out.
  void SaveToBuffer(IBuffer* buffer);
  bool LoadFromBuffer(IBuffer* buffer, bool join);

  // instance_change: the new object's defaults at once; the move between object lists and the
  // re-sort wait for the deferred queues.
  void ChangeObject(int32_t objectIndex);
  void RelinkAfterObjectChange();
  // Builds the body of an object that uses physics in the room's world.
  void CreatePhysicsBody(CRoom* room);
  void RebuildPhysicsBody(CRoom* room);

  // Set through MarkBoundingBoxDirty, which also tells Instance_BoxWatch.
  bool bbox_dirty = true;
  bool visible = true;
  bool solid = false;
  bool persistent = false;
  bool marked = false;             // destroyed; leaves the room at the next deferred update
  bool deactivated = false;        // in the room's inactive list
  bool destroy_event_run = false;  // the Destroy event runs at most once
  bool carried_over = false;       // carried into a new room; its Create event is skipped once
  bool create_event_run = false;   // the Create event has run
  bool in_layer = false;           // held by the room layer of layer_id
  uint64_t creation_stamp = 0;     // event-pass stamp: the counter when made or last visited
  int32_t id = 0;
  int32_t object_index = 0;
  CObject* object_def = nullptr;   // not owned
  CPhysicsObject* physics_object = nullptr;  // owned
  CSkeletonInstance* skeleton = nullptr;     // owned
  int32_t sprite_index = -1;
  float image_index = 0.0f;
  float image_speed = 1.0f;
  float image_xscale = 1.0f;
  float image_yscale = 1.0f;
  float image_angle = 0.0f;
  float image_alpha = 1.0f;
  uint32_t image_blend = 0xFFFFFF;
  int32_t mask_index = -1;
  bool precise = false;
  float x = 0.0f;
  float y = 0.0f;
  float xstart = 0.0f;
  float ystart = 0.0f;
  float xprevious = 0.0f;
  float yprevious = 0.0f;
  float direction = 0.0f;
  float speed = 0.0f;
  float friction = 0.0f;
  float gravity_direction = 270.0f;
  float gravity = 0.0f;
  float hspeed = 0.0f;
  float vspeed = 0.0f;
  int32_t bbox_left = 0;
  int32_t bbox_top = 0;
  int32_t bbox_right = 0;   // inclusive
  int32_t bbox_bottom = 0;  // inclusive
  int32_t alarm[kInstanceAlarmCount];
  int32_t path_index = -1;
  float path_position = 0.0f;
  float path_positionprevious = 0.0f;
  float path_speed = 0.0f;
  float path_scale = 1.0f;
  float path_orientation = 0.0f;
  int32_t path_endaction = 0;
  float path_xstart = 0.0f;  // where the path was started from
  float path_ystart = 0.0f;
  int32_t timeline_index = -1;
  float timeline_positionprevious = 0.0f;
  float timeline_position = 0.0f;
  float timeline_speed = 1.0f;
  bool timeline_running = false;
  bool timeline_loop = false;
  bool outside_room = false;
  CCode* creation_code = nullptr;     // not owned
  CObject* previous_object = nullptr;  // the old object until the deferred relink
  int32_t mouse_state = 2;             // bits 0-1: 1 over, 2 not over; bits 2-3: change
  uint8_t queued_in = 0;               // one bit per deferred queue that holds the instance
  uint64_t with_generation = 0;        // the with-list generation that holds it (with_targets.cpp)
  uint64_t grid_build = 0;             // the collision grid build that indexes it, at grid_slot
  int32_t grid_slot = -1;
  int32_t layer_id = -1;
  LayerElement* layer_element = nullptr;  // its element in the layer of layer_id while in_layer
  ObjectInstanceNode* object_nodes = nullptr;  // its nodes in object lists, newest first
  CInstance* list_next = nullptr;      // links in the room's depth-ordered list
  CInstance* list_prev = nullptr;
  float depth = 0.0f;
  float sort_depth = 0.0f;             // the depth it was last placed in a list with
};

// Whether queries, counts, event passes and with-blocks take the instance: it exists and is
// neither marked for deletion nor deactivated.
inline bool Instance_Eligible(const CInstance* instance) {
  return instance != nullptr && !instance->marked && !instance->deactivated;
}

// Recomputes the bounding box from the mask (or sprite) bounds, origin, scale and angle and
// clears bbox_dirty; without a sprite the box is the position.
void Compute_BoundingBox(CInstance* instance);

// Object mode gives every new instance the built-in variables as accessor properties. The
// standard-objects runtime installs the routine that adds them; until then nothing is added.
using InstanceAccessorInstaller = void (*)(CInstance* instance);
void Instance_SetAccessorInstaller(InstanceAccessorInstaller installer);
