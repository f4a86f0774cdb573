#include "world/instance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "assets/sprite_table.h"
#include "vm/variable_names.h"
#include "runtime/error_report.h"
#include "runtime/game_flags.h"
#include "world/physics_service.h"
#include "script/variable_list.h"
#include "world/skeleton_instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/instance_rounding.h"
#include "world/layers.h"
#include "world/object.h"
#include "world/room.h"

uint64_t Event_PassCounter = 0;
InstanceBoxWatch Instance_BoxWatch = nullptr;

namespace {

InstanceAccessorInstaller g_accessorInstaller = nullptr;

void DeleteSkeleton(CSkeletonInstance*& skeleton) {
  if (skeleton == nullptr) return;
  skeleton->Free();
  delete skeleton;
  skeleton = nullptr;
}

void TakeDefinitionDefaults(CInstance* instance, const CObject* def) {
  instance->mask_index = def->mask_index;
  instance->depth = static_cast<float>(def->depth);
  instance->solid = (def->flags & kObjectFlagSolid) != 0;
  instance->visible = (def->flags & kObjectFlagVisible) != 0;
  instance->persistent = (def->flags & kObjectFlagPersistent) != 0;
  instance->SetSpriteIndex(def->sprite_index);
}

const char* DefinitionName(const CObject* def) { return def->name != nullptr ? def->name : "<undefined>"; }

void ReportShapeError(const char* format, const CObject* def) {
  char message[512];
  std::snprintf(message, sizeof message, format, DefinitionName(def));
  Error_Report(false, message);
}

}  // namespace

// --- construction ----------------------------------------------------------------------------

CInstance::CInstance(float xPos, float yPos, int32_t instanceId, int32_t objectIndex, bool join)
    : WXObjectBase(Variable_InstanceNameCount(), static_cast<int32_t>(VALUE_UNSET)) {
  creation_stamp = Event_PassCounter;
  for (int32_t& a : alarm) a = -1;
  SetObjectIndex(objectIndex, join);
  x = xPos;
  y = yPos;
  id = instanceId;
  xstart = xprevious = xPos;
  ystart = yprevious = yPos;
  image_index = 0.0f;
  MarkBoundingBoxDirty();
  ObjectTable_Insert(this);
  if (Game_ObjectMode() && g_accessorInstaller != nullptr) g_accessorInstaller(this);
  m_objectKind = kObjectKindInstance;
}

CInstance::~CInstance() {
  // A layer element must not outlive its instance.
  Layer_RemoveInstance(this);
  // An object change still waiting for its relink leaves the instance in its old object's lists.
  if (previous_object != nullptr) {
    previous_object->RemoveInstance(this);
    previous_object = nullptr;
  }
  if (object_def != nullptr) {
    object_def->RemoveInstance(this);
    object_def = nullptr;
  }
  ObjectInstanceList_Forget(this);
  delete physics_object;
  physics_object = nullptr;
  DeleteSkeleton(skeleton);
  // Nothing may keep pointing at a deleted instance: its queue entries and id entry go with it.
  InstanceQueues_Forget(this);
  InstanceIdTable.RemoveInstance(id, this);
  if (m_tableIndex >= 0) ObjectTable_Remove(this);
}

void CInstance::SetObjectIndex(int32_t objectIndex, bool join) {
  object_index = objectIndex == -1 ? 0 : objectIndex;
  if (object_def != nullptr) {
    object_def->RemoveInstance(this);
    object_def = nullptr;
  }
  CObject* def = Object_Data(objectIndex);
  object_def = def;
  if (def == nullptr) return;
  if (join) def->AddInstance(this);
  TakeDefinitionDefaults(this, def);
  MarkBoundingBoxDirty();
}

void CInstance::SetSpriteIndex(int32_t spriteIndex) {
  sprite_index = spriteIndex;
  const CSprite* sprite = Sprite_Data(spriteIndex);
  const int32_t frames = sprite != nullptr ? sprite->frameCount : 0;
  if (sprite != nullptr) {
    DeleteSkeleton(skeleton);
    if (sprite->kind == kSpriteKindSkeleton) skeleton = new CSkeletonInstance(sprite->skeleton);
  }
  MarkBoundingBoxDirty();
  if (std::trunc(image_index) >= static_cast<float>(frames)) image_index = 0.0f;
}

void Instance_SetAccessorInstaller(InstanceAccessorInstaller installer) { g_accessorInstaller = installer; }

// --- copying ---------------------------------------------------------------------------------

void CInstance::Assign(const CInstance* source, bool join) {
  if (source == nullptr || source == this) return;
  if (object_def != nullptr) object_def->RemoveInstance(this);
  carried_over = false;

  id = source->id;
  sprite_index = source->sprite_index;
  image_index = source->image_index;
  image_speed = source->image_speed;
  image_xscale = source->image_xscale;
  image_yscale = source->image_yscale;
  image_angle = source->image_angle;
  image_alpha = source->image_alpha;
  image_blend = source->image_blend;
  mask_index = source->mask_index;
  depth = source->depth;
  precise = source->precise;
  x = source->x;
  y = source->y;
  xstart = source->xstart;
  ystart = source->ystart;
  xprevious = source->xprevious;
  yprevious = source->yprevious;
  direction = source->direction;
  speed = source->speed;
  friction = source->friction;
  gravity_direction = source->gravity_direction;
  gravity = source->gravity;
  hspeed = source->hspeed;
  vspeed = source->vspeed;
  bbox_dirty = source->bbox_dirty;
  NoteBoxChange();
  bbox_left = source->bbox_left;
  bbox_top = source->bbox_top;
  bbox_right = source->bbox_right;
  bbox_bottom = source->bbox_bottom;
  visible = source->visible;
  solid = source->solid;
  persistent = source->persistent;
  object_index = source->object_index;
  object_def = source->object_def;
  if (join && object_def != nullptr) object_def->AddInstanceOnce(this);
  for (int32_t i = 0; i < kInstanceAlarmCount; ++i) alarm[i] = source->alarm[i];

  if (m_properties != nullptr) m_properties->Assign(source->m_properties);
  const int32_t slots = source->m_slotCount < m_slotCount ? source->m_slotCount : m_slotCount;
  for (int32_t i = 0; i < slots; ++i) WXValue_Copy(&m_slots[i], &source->m_slots[i]);

  marked = source->marked;
  deactivated = source->deactivated;
  path_index = source->path_index;
  path_position = source->path_position;
  path_positionprevious = source->path_positionprevious;
  path_speed = source->path_speed;
  path_scale = source->path_scale;
  path_orientation = source->path_orientation;
  path_endaction = source->path_endaction;
  timeline_index = source->timeline_index;
  timeline_positionprevious = source->timeline_positionprevious;
  timeline_position = source->timeline_position;
  timeline_speed = source->timeline_speed;
  timeline_running = source->timeline_running;
  timeline_loop = source->timeline_loop;
  creation_code = source->creation_code;
  outside_room = source->outside_room;

  if (source->skeleton != nullptr) {
    DeleteSkeleton(skeleton);
    skeleton = new CSkeletonInstance(source->skeleton->m_pSkeletonData);
    skeleton->Assign(source->skeleton);
  }
}

// --- object change ---------------------------------------------------------------------------

void CInstance::ChangeObject(int32_t objectIndex) {
  ObjectChangeList.AddUnique(this);
  if (previous_object == nullptr) previous_object = object_def;
  object_index = objectIndex == -1 ? 0 : objectIndex;
  object_def = Object_Data(objectIndex);
  if (object_def == nullptr) return;
  TakeDefinitionDefaults(this, object_def);
  DepthChangeList.AddUnique(this);
  if (physics_object != nullptr) {
    CPhysicsWorld::DestroyBody(Room_Current != nullptr ? Room_Current->physics_world : nullptr, physics_object);
    physics_object = nullptr;
  }
  if (object_def->uses_physics) CreatePhysicsBody(Room_Current);
  MarkBoundingBoxDirty();
}

void CInstance::RelinkAfterObjectChange() {
  if (previous_object != nullptr) previous_object->RemoveInstance(this);
  if (object_def != nullptr) object_def->AddInstanceOnce(this);
  previous_object = nullptr;
  if (!deactivated && Room_Current != nullptr && Room_Current->active.Remove(this)) {
    Room_Current->active.InsertByDepth(this);
  }
}

// --- physics body ----------------------------------------------------------------------------

void CInstance::CreatePhysicsBody(CRoom* room) {
  const CObject* def = object_def;
  if (def == nullptr || !def->uses_physics || !Sprite_Exists(sprite_index) || room == nullptr ||
      room->physics_world == nullptr) {
    return;
  }
  CPhysicsWorld* world = room->physics_world;
  const float scale = world->m_pixelToMetreScale;
  if (def->shape == kPhysicsShapeCircle && def->point_count < 2) {
    // A circle needs its centre and a point on its rim; without them there is nothing to build.
    ReportShapeError("Corrupt shape data for %s\n", def);
    return;
  }

  CPhysicsFixture* fixture = PhysicsFixture_Create();
  float offsetX = 0.0f;
  float offsetY = 0.0f;
  switch (def->shape) {
    case kPhysicsShapeCircle: {
      float k = image_xscale;
      if (std::fabs(image_xscale - image_yscale) >= 0.0001f) {
        ReportShapeError("Image scale for physics object using circle collision should not vary across axes: %s\n", def);
        k = 1.0f;
      }
      offsetX = -def->points[0].x * k;
      offsetY = -def->points[0].y * k;
      // A mirrored instance mirrors the centre; the radius itself stays positive.
      fixture->SetCircleShape(def->points[1].x * scale * std::fabs(k));
      break;
    }
    case kPhysicsShapeBox:
    case kPhysicsShapePolygon: {
      fixture->SetPolygonShape();
      // A mirrored instance turns the outline over; reversing the points keeps its winding.
      const bool reverse = image_xscale * image_yscale < 0.0f;
      for (int32_t i = 0; i < def->point_count; ++i) {
        const ObjectPoint& p = def->points[reverse ? def->point_count - 1 - i : i];
        fixture->AddPoint(p.x * scale * image_xscale, p.y * scale * image_yscale);
      }
      break;
    }
    default:
      break;
  }
  fixture->SetLinearDamping(def->linear_damping);
  fixture->SetAngularDamping(def->angular_damping);
  fixture->SetSensor(def->sensor);
  fixture->SetCollisionGroup(static_cast<int16_t>(def->group));
  fixture->SetDensity(def->density);
  fixture->SetRestitution(def->restitution);
  fixture->SetFriction(def->friction);
  fixture->SetAwake(def->awake);
  if (def->kinematic) fixture->SetKinematic();
  world->BindFixture(fixture, this, offsetX, offsetY);
  PhysicsFixture_Delete(fixture->m_id);
}

void CInstance::RebuildPhysicsBody(CRoom* room) {
  if (physics_object != nullptr) {
    CPhysicsWorld::DestroyBody(room != nullptr ? room->physics_world : nullptr, physics_object);
    physics_object = nullptr;
  }
  if (object_def != nullptr && object_def->uses_physics) CreatePhysicsBody(room);
}

// --- bounding box ----------------------------------------------------------------------------

void Compute_BoundingBox(CInstance* inst) {
  const CSprite* sprite = Sprite_Data(inst->mask_index >= 0 ? inst->mask_index : inst->sprite_index);
  if (sprite == nullptr) {
    inst->bbox_left = inst->bbox_right = Instance_Truncate(inst->x);
    inst->bbox_top = inst->bbox_bottom = Instance_Truncate(inst->y);
    inst->precise = false;
    inst->bbox_dirty = false;
    return;
  }
  const int64_t L = sprite->maskLeft;
  const int64_t T = sprite->maskTop;
  const int64_t R = sprite->maskRight;
  const int64_t B = sprite->maskBottom;
  const int64_t ox = sprite->originX;
  const int64_t oy = sprite->originY;
  if (inst->image_angle == 0.0f) {
    int32_t left = Instance_Nearest(static_cast<double>(static_cast<float>(L - ox)) * inst->image_xscale + inst->x);
    int32_t right = Instance_Nearest(static_cast<double>(static_cast<float>(R - L + 1)) * inst->image_xscale + left);
    if (left > right) std::swap(left, right);
    int32_t top = Instance_Nearest(static_cast<double>(static_cast<float>(T - oy)) * inst->image_yscale + inst->y);
    int32_t bottom = Instance_Nearest(static_cast<double>(static_cast<float>(B - T + 1)) * inst->image_yscale + top);
    if (top > bottom) std::swap(top, bottom);
    inst->bbox_left = left;
    inst->bbox_right = right - 1;
    inst->bbox_top = top;
    inst->bbox_bottom = bottom - 1;
  } else {
    const float x1 = static_cast<float>(std::min(L, R) - ox) * inst->image_xscale;
    const float x2 = static_cast<float>(std::max(L, R) - ox + 1) * inst->image_xscale;
    const float y1 = static_cast<float>(std::min(T, B) - oy) * inst->image_yscale;
    const float y2 = static_cast<float>(std::max(T, B) - oy + 1) * inst->image_yscale;
    const float a = inst->image_angle * 3.1415927f / 180.0f;
    const double c = std::cos(a);
    const double s = std::sin(a);
    inst->bbox_left = Instance_Nearest(inst->x + std::min(c * x1, c * x2) + std::min(s * y1, s * y2));
    inst->bbox_right = Instance_Nearest(inst->x + std::max(c * x1, c * x2) + std::max(s * y1, s * y2)) - 1;
    inst->bbox_top = Instance_Nearest(inst->y + std::min(c * y1, c * y2) - std::max(s * x1, s * x2));
    inst->bbox_bottom = Instance_Nearest(inst->y + std::max(c * y1, c * y2) - std::min(s * x1, s * x2)) - 1;
  }
  inst->precise = sprite->precise;
  inst->bbox_dirty = false;
}
