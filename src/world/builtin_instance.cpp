// The instance built-in variables: position and motion, identity, alarms, flags, depth, the
// bounding box, sprite and image, path and timeline state, the physics body, and five values that
// sit among them but belong to the whole game. Every accessor of an instance variable reports
// false when it is given no instance (the byte-code push of a built-in passes none).
#include <cmath>

#include "assets/sprite_table.h"
#include "runtime/frame_timing.h"
#include "io/async_post.h"
#include "world/physics_service.h"
#include "io/display.h"
#include "vm/variable_names.h"
#include "world/builtin_values.h"
#include "world/builtin_variables.h"
#include "world/instance.h"
#include "world/instance_queues.h"
#include "world/room.h"

namespace {

constexpr double kDegreesPerRadian = 180.0 / 3.1415927410125732;

// --- shapes shared by many variables -------------------------------------------------------------

template <float CInstance::*Field>
bool GetFloat(CInstance* self, int32_t, RValue* out) {
  return self != nullptr && Builtin_Real(out, self->*Field);
}
template <float CInstance::*Field>
bool SetFloat(CInstance* self, int32_t, const RValue* value) {
  double v;
  if (self == nullptr || !Builtin_Number(value, &v)) return false;
  self->*Field = Builtin_Float(v);
  return true;
}
template <int32_t CInstance::*Field>
bool GetInt(CInstance* self, int32_t, RValue* out) {
  return self != nullptr && Builtin_Real(out, self->*Field);
}
template <int32_t CInstance::*Field>
bool SetRoundedInt(CInstance* self, int32_t, const RValue* value) {
  double v;
  if (self == nullptr || !Builtin_Number(value, &v)) return false;
  self->*Field = Builtin_RoundFloat(v);
  return true;
}
template <bool CInstance::*Field>
bool GetFlag(CInstance* self, int32_t, RValue* out) {
  return self != nullptr && Builtin_Real(out, self->*Field ? 1.0 : 0.0);
}
template <bool CInstance::*Field>
bool SetInstanceFlag(CInstance* self, int32_t, const RValue* value) {
  double v;
  if (self == nullptr || !Builtin_Number(value, &v)) return false;
  self->*Field = Builtin_InstanceBool(v);
  return true;
}
template <bool CInstance::*Field>
bool SetGlobalRuleFlag(CInstance* self, int32_t, const RValue* value) {
  double v;
  if (self == nullptr || !Builtin_Number(value, &v)) return false;
  self->*Field = Builtin_GlobalBool(v);
  return true;
}
// A setter that hands the value as float to one of the instance's own setters.
template <void (CInstance::*Setter)(float)>
bool SetThrough(CInstance* self, int32_t, const RValue* value) {
  double v;
  if (self == nullptr || !Builtin_Number(value, &v)) return false;
  (self->*Setter)(Builtin_Float(v));
  return true;
}
// The bounding box edges, recomputed first when the box is out of date.
template <int32_t CInstance::*Field>
bool GetBoundingBox(CInstance* self, int32_t, RValue* out) {
  if (self == nullptr) return false;
  if (self->bbox_dirty) Compute_BoundingBox(self);
  return Builtin_Real(out, self->*Field);
}

// --- position, motion and identity ---------------------------------------------------------------

bool SV_X(CInstance* self, int32_t, const RValue* value) {
  double v;
  if (self == nullptr || !Builtin_Number(value, &v)) return false;
  self->SetPosition(Builtin_Float(v), self->y);
  return true;
}
bool SV_Y(CInstance* self, int32_t, const RValue* value) {
  double v;
  if (self == nullptr || !Builtin_Number(value, &v)) return false;
  self->SetPosition(self->x, Builtin_Float(v));
  return true;
}

bool GV_Alarm(CInstance* self, int32_t index, RValue* out) {
  return self != nullptr && Builtin_Real(out, self->GetAlarm(Builtin_ClampIndex(index, kInstanceAlarmCount)));
}
bool SV_Alarm(CInstance* self, int32_t index, const RValue* value) {
  double v;
  if (self == nullptr || !Builtin_Number(value, &v)) return false;
  self->SetAlarm(Builtin_ClampIndex(index, kInstanceAlarmCount), Builtin_RoundFloat(v));
  return true;
}

// The step re-sorts the instance after the current phase; a second change in the same phase finds
// it queued already.
bool SV_Depth(CInstance* self, int32_t, const RValue* value) {
  double v;
  if (self == nullptr || !Builtin_Number(value, &v)) return false;
  const float depth = Builtin_Float(v);
  if (depth != self->depth) {
    self->depth = depth;
    DepthChangeList.AddUnique(self);
  }
  return true;
}

// --- sprite and image ----------------------------------------------------------------------------

bool SV_SpriteIndex(CInstance* self, int32_t, const RValue* value) {
  double v;
  if (self == nullptr || !Builtin_Number(value, &v)) return false;
  self->SetSpriteIndex(Builtin_RoundFloat(v));
  return true;
}
bool SV_MaskIndex(CInstance* self, int32_t, const RValue* value) {
  double v;
  if (self == nullptr || !Builtin_Number(value, &v)) return false;
  self->SetMaskIndex(Builtin_RoundFloat(v));
  return true;
}
bool SV_ImageBlend(CInstance* self, int32_t, const RValue* value) {
  double v;
  if (self == nullptr || !Builtin_Number(value, &v)) return false;
  self->image_blend = static_cast<uint32_t>(Builtin_RoundFloat(v));
  return true;
}
bool GV_ImageBlend(CInstance* self, int32_t, RValue* out) { return self != nullptr && Builtin_Real(out, self->image_blend); }

bool GV_ImageSingle(CInstance* self, int32_t, RValue* out) {
  return self != nullptr && Builtin_Real(out, self->image_speed == 0.0f ? self->image_index : -1.0f);
}
bool SV_ImageSingle(CInstance* self, int32_t, const RValue* value) {
  double v;
  if (self == nullptr || !Builtin_Number(value, &v)) return false;
  if (v < 0.0) {
    self->image_speed = 1.0f;
  } else {
    self->image_index = Builtin_Float(v);
    self->image_speed = 0.0f;
  }
  return true;
}
bool GV_ImageNumber(CInstance* self, int32_t, RValue* out) { return self != nullptr && Builtin_Real(out, self->GetImageNumber()); }

// Size and origin of the sprite, scaled; 0 for an instance without one.
template <int32_t CSprite::*Measure, float CInstance::*Scale>
bool GetSpriteMeasure(CInstance* self, int32_t, RValue* out) {
  if (self == nullptr) return false;
  const CSprite* sprite = Sprite_Data(self->sprite_index);
  return Builtin_Real(out, sprite != nullptr ? sprite->*Measure * static_cast<double>(self->*Scale) : 0.0);
}

// --- values of the whole game --------------------------------------------------------------------

bool GV_AsyncLoad(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, g_AsyncLoad); }
bool GV_IapData(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, iap_data); }
bool GV_DisplayAa(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, Display_SupportedSamples); }
bool GV_DeltaTime(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, static_cast<double>(g_FrameTiming.deltaTime)); }
bool GV_WebglEnabled(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, 1.0); }

// --- physics -------------------------------------------------------------------------------------

CPhysicsObject* BodyOf(CInstance* self) { return self != nullptr ? self->physics_object : nullptr; }

// The running room's metres per pixel; false without a physics world.
bool Scale(double* s) {
  if (Room_Current == nullptr || Room_Current->physics_world == nullptr) return false;
  *s = Room_Current->physics_world->m_pixelToMetreScale;
  return true;
}

// A body and, for the variables in room units, the scale; false when either is missing.
bool BodyAndScale(CInstance* self, CPhysicsObject** body, double* s) {
  *body = BodyOf(self);
  return *body != nullptr && Scale(s);
}

double RoomSpeed() { return Room_Current != nullptr ? Room_Current->GetSpeed() : 0.0; }

bool GV_PhyRotation(CInstance* self, int32_t, RValue* out) {
  const CPhysicsObject* body = BodyOf(self);
  return body != nullptr && Builtin_Real(out, body->Angle() * kDegreesPerRadian);
}
bool SV_PhyRotation(CInstance* self, int32_t, const RValue* value) {
  CPhysicsObject* body = BodyOf(self);
  double v;
  if (body == nullptr || !Builtin_Number(value, &v)) return false;
  body->SetRotation(Builtin_Float(v));
  return true;
}

template <bool Vertical>
bool GV_PhyPosition(CInstance* self, int32_t, RValue* out) {
  CPhysicsObject* body;
  double s;
  return BodyAndScale(self, &body, &s) && Builtin_Real(out, (Vertical ? body->Y() : body->X()) / s);
}
template <bool Vertical>
bool SV_PhyPosition(CInstance* self, int32_t, const RValue* value) {
  CPhysicsObject* body;
  double s, v;
  if (!BodyAndScale(self, &body, &s) || !Builtin_Number(value, &v)) return false;
  const float metres = static_cast<float>(Builtin_Float(v) * s);
  if (Vertical) {
    body->SetPosition(body->X(), metres);
  } else {
    body->SetPosition(metres, body->Y());
  }
  return true;
}

bool GV_PhyAngularVelocity(CInstance* self, int32_t, RValue* out) {
  const CPhysicsObject* body = BodyOf(self);
  return body != nullptr && Builtin_Real(out, body->AngularVelocity() * kDegreesPerRadian);
}
bool SV_PhyAngularVelocity(CInstance* self, int32_t, const RValue* value) {
  CPhysicsObject* body = BodyOf(self);
  double v;
  if (body == nullptr || !Builtin_Number(value, &v)) return false;
  body->SetAngularVelocity(Builtin_Float(v));
  return true;
}

// Linear velocity in pixels per second (perStep false) or pixels per step (true).
template <bool Vertical, bool PerStep>
bool GV_PhyVelocity(CInstance* self, int32_t, RValue* out) {
  CPhysicsObject* body;
  double s;
  if (!BodyAndScale(self, &body, &s)) return false;
  const double v = (Vertical ? body->LinearVelocityY() : body->LinearVelocityX()) / s;
  return Builtin_Real(out, PerStep ? v / RoomSpeed() : v);
}
template <bool Vertical, bool PerStep>
bool SV_PhyVelocity(CInstance* self, int32_t, const RValue* value) {
  CPhysicsObject* body;
  double s, v;
  if (!BodyAndScale(self, &body, &s) || !Builtin_Number(value, &v)) return false;
  const float metres = static_cast<float>(Builtin_Float(v) * s * (PerStep ? RoomSpeed() : 1.0));
  if (Vertical) {
    body->SetLinearVelocity(body->LinearVelocityX(), metres);
  } else {
    body->SetLinearVelocity(metres, body->LinearVelocityY());
  }
  return true;
}

template <float (CPhysicsObject::*Get)() const>
bool GetBodyFloat(CInstance* self, int32_t, RValue* out) {
  const CPhysicsObject* body = BodyOf(self);
  return body != nullptr && Builtin_Real(out, (body->*Get)());
}
template <void (CPhysicsObject::*Set)(float)>
bool SetBodyFloat(CInstance* self, int32_t, const RValue* value) {
  CPhysicsObject* body = BodyOf(self);
  double v;
  if (body == nullptr || !Builtin_Number(value, &v)) return false;
  (body->*Set)(Builtin_Float(v));
  return true;
}
template <bool (CPhysicsObject::*Get)() const>
bool GetBodyFlag(CInstance* self, int32_t, RValue* out) {
  const CPhysicsObject* body = BodyOf(self);
  return body != nullptr && Builtin_Real(out, (body->*Get)() ? 1.0 : 0.0);
}
template <void (CPhysicsObject::*Set)(bool)>
bool SetBodyFlag(CInstance* self, int32_t, const RValue* value) {
  CPhysicsObject* body = BodyOf(self);
  double v;
  if (body == nullptr || !Builtin_Number(value, &v)) return false;
  (body->*Set)(v > 0.5);
  return true;
}

bool GV_PhyInertia(CInstance* self, int32_t, RValue* out) {
  const CPhysicsObject* body = BodyOf(self);
  return body != nullptr && Builtin_Real(out, body->Inertia());
}
template <bool Vertical>
bool GV_PhyCom(CInstance* self, int32_t, RValue* out) {
  CPhysicsObject* body;
  double s;
  return BodyAndScale(self, &body, &s) && Builtin_Real(out, (Vertical ? body->WorldCentreY() : body->WorldCentreX()) / s);
}
bool GV_PhySpeed(CInstance* self, int32_t, RValue* out) {
  CPhysicsObject* body;
  double s;
  if (!BodyAndScale(self, &body, &s)) return false;
  const double sx = body->LinearVelocityX() / s / RoomSpeed();
  const double sy = body->LinearVelocityY() / s / RoomSpeed();
  return Builtin_Real(out, std::sqrt(sx * sx + sy * sy));
}
template <int32_t Type>
bool GV_PhyBodyType(CInstance* self, int32_t, RValue* out) {
  const CPhysicsObject* body = BodyOf(self);
  return body != nullptr && Builtin_Real(out, body->BodyType() == Type ? 1.0 : 0.0);
}
bool GV_PhySleeping(CInstance* self, int32_t, RValue* out) {
  const CPhysicsObject* body = BodyOf(self);
  return body != nullptr && Builtin_Real(out, body->Awake() ? 0.0 : 1.0);
}
template <bool Vertical>
bool GV_PhyPositionPrevious(CInstance* self, int32_t, RValue* out) {
  CPhysicsObject* body;
  double s;
  return BodyAndScale(self, &body, &s) && Builtin_Real(out, (Vertical ? body->m_previousY : body->m_previousX) / s);
}

bool GV_PhyCollisionPoints(CInstance* self, int32_t, RValue* out) {
  if (self == nullptr || Room_Current == nullptr || Room_Current->physics_world == nullptr) return false;
  return Builtin_Real(out, Room_Current->physics_world->GetCollisionPointCount(self));
}
// Contact point or normal `index` (the array index passed on), one coordinate of it.
template <bool Normal, bool Vertical>
bool GV_PhyContact(CInstance* self, int32_t index, RValue* out) {
  if (BodyOf(self) == nullptr || Room_Current == nullptr || Room_Current->physics_world == nullptr) return false;
  const CPhysicsWorld* world = Room_Current->physics_world;
  float x, y;
  const bool found = Normal ? world->GetCollisionNormal(self, index, &x, &y) : world->GetCollisionPoint(self, index, &x, &y);
  return found && Builtin_Real(out, Vertical ? y : x);
}

}  // namespace

void Variable_BuiltIn_InitInstance() {
  using I = CInstance;
  Variable_BuiltinAdd("x", GetFloat<&I::x>, SV_X);
  Variable_BuiltinAdd("y", GetFloat<&I::y>, SV_Y);
  Variable_BuiltinAdd("xprevious", GetFloat<&I::xprevious>, SetFloat<&I::xprevious>);
  Variable_BuiltinAdd("yprevious", GetFloat<&I::yprevious>, SetFloat<&I::yprevious>);
  Variable_BuiltinAdd("xstart", GetFloat<&I::xstart>, SetFloat<&I::xstart>);
  Variable_BuiltinAdd("ystart", GetFloat<&I::ystart>, SetFloat<&I::ystart>);
  Variable_BuiltinAdd("hspeed", GetFloat<&I::hspeed>, SetThrough<&I::SetHSpeed>);
  Variable_BuiltinAdd("vspeed", GetFloat<&I::vspeed>, SetThrough<&I::SetVSpeed>);
  Variable_BuiltinAdd("direction", GetFloat<&I::direction>, SetThrough<&I::SetDirection>);
  Variable_BuiltinAdd("speed", GetFloat<&I::speed>, SetThrough<&I::SetSpeed>);
  Variable_BuiltinAdd("friction", GetFloat<&I::friction>, SetFloat<&I::friction>);
  Variable_BuiltinAdd("gravity", GetFloat<&I::gravity>, SetFloat<&I::gravity>);
  Variable_BuiltinAdd("gravity_direction", GetFloat<&I::gravity_direction>, SetFloat<&I::gravity_direction>);
  Variable_BuiltinAdd("object_index", GetInt<&I::object_index>, nullptr);
  Variable_BuiltinAdd("id", GetInt<&I::id>, nullptr);
  Variable_BuiltinAdd("alarm", GV_Alarm, SV_Alarm);
  Variable_BuiltinAdd("solid", GetFlag<&I::solid>, SetInstanceFlag<&I::solid>);
  Variable_BuiltinAdd("visible", GetFlag<&I::visible>, SetInstanceFlag<&I::visible>);
  Variable_BuiltinAdd("persistent", GetFlag<&I::persistent>, SetInstanceFlag<&I::persistent>);
  Variable_BuiltinAdd("depth", GetFloat<&I::depth>, SV_Depth);
  Variable_BuiltinAdd("bbox_left", GetBoundingBox<&I::bbox_left>, nullptr);
  Variable_BuiltinAdd("bbox_right", GetBoundingBox<&I::bbox_right>, nullptr);
  Variable_BuiltinAdd("bbox_top", GetBoundingBox<&I::bbox_top>, nullptr);
  Variable_BuiltinAdd("bbox_bottom", GetBoundingBox<&I::bbox_bottom>, nullptr);
  Variable_BuiltinAdd("sprite_index", GetInt<&I::sprite_index>, SV_SpriteIndex);
  Variable_BuiltinAdd("image_index", GetFloat<&I::image_index>, SetFloat<&I::image_index>);
  Variable_BuiltinAdd("image_single", GV_ImageSingle, SV_ImageSingle);
  Variable_BuiltinAdd("image_number", GV_ImageNumber, nullptr);
  Variable_BuiltinAdd("sprite_width", GetSpriteMeasure<&CSprite::width, &I::image_xscale>, nullptr);
  Variable_BuiltinAdd("sprite_height", GetSpriteMeasure<&CSprite::height, &I::image_yscale>, nullptr);
  Variable_BuiltinAdd("sprite_xoffset", GetSpriteMeasure<&CSprite::originX, &I::image_xscale>, nullptr);
  Variable_BuiltinAdd("sprite_yoffset", GetSpriteMeasure<&CSprite::originY, &I::image_yscale>, nullptr);
  Variable_BuiltinAdd("image_xscale", GetFloat<&I::image_xscale>, SetThrough<&I::SetImageXScale>);
  Variable_BuiltinAdd("image_yscale", GetFloat<&I::image_yscale>, SetThrough<&I::SetImageYScale>);
  Variable_BuiltinAdd("image_angle", GetFloat<&I::image_angle>, SetThrough<&I::SetImageAngle>);
  Variable_BuiltinAdd("image_alpha", GetFloat<&I::image_alpha>, SetFloat<&I::image_alpha>);
  Variable_BuiltinAdd("image_blend", GV_ImageBlend, SV_ImageBlend);
  Variable_BuiltinAdd("image_speed", GetFloat<&I::image_speed>, SetFloat<&I::image_speed>);
  Variable_BuiltinAdd("mask_index", GetInt<&I::mask_index>, SV_MaskIndex);
  Variable_BuiltinAdd("path_index", GetInt<&I::path_index>, nullptr);
  Variable_BuiltinAdd("path_position", GetFloat<&I::path_position>, SetThrough<&I::SetPathPosition>);
  Variable_BuiltinAdd("path_positionprevious", GetFloat<&I::path_positionprevious>,
                      SetThrough<&I::SetPathPositionPrevious>);
  Variable_BuiltinAdd("path_speed", GetFloat<&I::path_speed>, SetThrough<&I::SetPathSpeed>);
  Variable_BuiltinAdd("path_scale", GetFloat<&I::path_scale>, SetFloat<&I::path_scale>);
  Variable_BuiltinAdd("path_orientation", GetFloat<&I::path_orientation>, SetFloat<&I::path_orientation>);
  Variable_BuiltinAdd("path_endaction", GetInt<&I::path_endaction>, SetRoundedInt<&I::path_endaction>);
  Variable_BuiltinAdd("timeline_index", GetInt<&I::timeline_index>, SetRoundedInt<&I::timeline_index>);
  Variable_BuiltinAdd("timeline_position", GetFloat<&I::timeline_position>, SetFloat<&I::timeline_position>);
  Variable_BuiltinAdd("timeline_speed", GetFloat<&I::timeline_speed>, SetFloat<&I::timeline_speed>);
  Variable_BuiltinAdd("timeline_running", GetFlag<&I::timeline_running>, SetGlobalRuleFlag<&I::timeline_running>);
  Variable_BuiltinAdd("timeline_loop", GetFlag<&I::timeline_loop>, SetGlobalRuleFlag<&I::timeline_loop>);
  Variable_BuiltinAdd("async_load", GV_AsyncLoad, nullptr);
  Variable_BuiltinAdd("iap_data", GV_IapData, nullptr);

  using P = CPhysicsObject;
  Variable_BuiltinAdd("phy_rotation", GV_PhyRotation, SV_PhyRotation);
  Variable_BuiltinAdd("phy_position_x", GV_PhyPosition<false>, SV_PhyPosition<false>);
  Variable_BuiltinAdd("phy_position_y", GV_PhyPosition<true>, SV_PhyPosition<true>);
  Variable_BuiltinAdd("phy_angular_velocity", GV_PhyAngularVelocity, SV_PhyAngularVelocity);
  Variable_BuiltinAdd("phy_linear_velocity_x", GV_PhyVelocity<false, false>, SV_PhyVelocity<false, false>);
  Variable_BuiltinAdd("phy_linear_velocity_y", GV_PhyVelocity<true, false>, SV_PhyVelocity<true, false>);
  Variable_BuiltinAdd("phy_speed_x", GV_PhyVelocity<false, true>, SV_PhyVelocity<false, true>);
  Variable_BuiltinAdd("phy_speed_y", GV_PhyVelocity<true, true>, SV_PhyVelocity<true, true>);
  Variable_BuiltinAdd("phy_angular_damping", GetBodyFloat<&P::AngularDamping>, SetBodyFloat<&P::SetAngularDamping>);
  Variable_BuiltinAdd("phy_linear_damping", GetBodyFloat<&P::LinearDamping>, SetBodyFloat<&P::SetLinearDamping>);
  Variable_BuiltinAdd("phy_bullet", GetBodyFlag<&P::Bullet>, SetBodyFlag<&P::SetBullet>);
  Variable_BuiltinAdd("phy_fixed_rotation", GetBodyFlag<&P::FixedRotation>, SetBodyFlag<&P::SetFixedRotation>);
  Variable_BuiltinAdd("phy_active", GetBodyFlag<&P::Active>, SetBodyFlag<&P::SetActive>);
  Variable_BuiltinAdd("phy_mass", GetBodyFloat<&P::Mass>, nullptr);
  Variable_BuiltinAdd("phy_inertia", GV_PhyInertia, nullptr);
  Variable_BuiltinAdd("phy_com_x", GV_PhyCom<false>, nullptr);
  Variable_BuiltinAdd("phy_com_y", GV_PhyCom<true>, nullptr);
  Variable_BuiltinAdd("phy_speed", GV_PhySpeed, nullptr);
  Variable_BuiltinAdd("phy_dynamic", GV_PhyBodyType<P::kBodyDynamic>, nullptr);
  Variable_BuiltinAdd("phy_kinematic", GV_PhyBodyType<P::kBodyKinematic>, nullptr);
  Variable_BuiltinAdd("phy_sleeping", GV_PhySleeping, nullptr);
  Variable_BuiltinAdd("phy_position_xprevious", GV_PhyPositionPrevious<false>, nullptr);
  Variable_BuiltinAdd("phy_position_yprevious", GV_PhyPositionPrevious<true>, nullptr);
  Variable_BuiltinAdd("phy_collision_points", GV_PhyCollisionPoints, nullptr);
  Variable_BuiltinAdd("phy_collision_x", GV_PhyContact<false, false>, nullptr);
  Variable_BuiltinAdd("phy_collision_y", GV_PhyContact<false, true>, nullptr);
  Variable_BuiltinAdd("phy_col_normal_x", GV_PhyContact<true, false>, nullptr);
  Variable_BuiltinAdd("phy_col_normal_y", GV_PhyContact<true, true>, nullptr);
  Variable_BuiltinAdd("display_aa", GV_DisplayAa, nullptr);
  Variable_BuiltinAdd("delta_time", GV_DeltaTime, nullptr);
  Variable_BuiltinAdd("webgl_enabled", GV_WebglEnabled, nullptr);
}
