// The saved-game form of an instance: its built-in state as s32, u32 and f32 items, then its
// variable map and its slots.
#include <initializer_list>

#include "core/console.h"
#include "core/value.h"
#include "io/buffer.h"
#include "script/variable_list.h"
#include "world/instance.h"
#include "io/saved_values.h"

void CInstance::SaveToBuffer(IBuffer* buffer) {
  if (bbox_dirty) Compute_BoundingBox(this);
  SavedWriter w{buffer};
  w.S32(id);
  w.Bool(deactivated);
  w.S32(object_index);
  w.S32(sprite_index);
  for (float v : {image_index, image_speed, image_xscale, image_yscale, image_angle, image_alpha}) w.F32(v);
  w.U32(image_blend);
  w.S32(mask_index);
  w.F32(depth);
  w.Bool(precise);
  for (float v : {x, y, xstart, ystart, xprevious, yprevious, direction, speed, friction, gravity_direction, gravity,
                  hspeed, vspeed}) {
    w.F32(v);
  }
  for (int32_t v : {bbox_left, bbox_right, bbox_top, bbox_bottom}) w.S32(v);
  w.Bool(visible);
  w.Bool(solid);
  w.Bool(persistent);
  for (int32_t a : alarm) w.S32(a);
  w.Bool(marked);
  w.S32(path_index);
  for (float v : {path_position, path_positionprevious, path_speed, path_scale, path_orientation}) w.F32(v);
  w.S32(path_endaction);
  w.F32(path_xstart);
  w.F32(path_ystart);
  w.S32(timeline_index);
  for (float v : {timeline_positionprevious, timeline_position, timeline_speed}) w.F32(v);
  w.Bool(timeline_running);
  w.Bool(timeline_loop);
  w.Bool(outside_room);
  if (m_properties != nullptr) m_properties->Save(buffer);
  if (m_slots != nullptr) {
    w.S32(m_slotCount);
    for (int32_t i = 0; i < m_slotCount; ++i) RValue_Serialise(&m_slots[i], buffer);
  }
}

bool CInstance::LoadFromBuffer(IBuffer* buffer, bool join) {
  SavedReader r{buffer};
  id = r.S32();
  deactivated = r.Bool();
  const int32_t savedObject = r.S32();
  SetObjectIndex(savedObject, join && !deactivated);
  sprite_index = r.S32();
  for (float* f : {&image_index, &image_speed, &image_xscale, &image_yscale, &image_angle, &image_alpha}) *f = r.F32();
  image_blend = r.U32();
  mask_index = r.S32();
  depth = r.F32();
  precise = r.Bool();
  for (float* f : {&x, &y, &xstart, &ystart, &xprevious, &yprevious, &direction, &speed, &friction, &gravity_direction,
                   &gravity, &hspeed, &vspeed}) {
    *f = r.F32();
  }
  for (int32_t* i : {&bbox_left, &bbox_right, &bbox_top, &bbox_bottom}) *i = r.S32();
  NoteBoxChange();
  visible = r.Bool();
  solid = r.Bool();
  persistent = r.Bool();
  for (int32_t& a : alarm) a = r.S32();
  marked = r.Bool();
  path_index = r.S32();
  for (float* f : {&path_position, &path_positionprevious, &path_speed, &path_scale, &path_orientation}) *f = r.F32();
  path_endaction = r.S32();
  path_xstart = r.F32();
  path_ystart = r.F32();
  timeline_index = r.S32();
  for (float* f : {&timeline_positionprevious, &timeline_position, &timeline_speed}) *f = r.F32();
  timeline_running = r.Bool();
  timeline_loop = r.Bool();
  outside_room = r.Bool();
  if (r.failed) return false;

  if (m_properties != nullptr && !m_properties->Load(buffer)) return false;
  if (m_slots != nullptr) {
    const int32_t saved = r.Count(4);
    if (r.failed) return false;
    if (saved != m_slotCount) Console_DebugOutput("WARNING! game_load variable mismatch - unpredictable results!\n");
    // Values beyond this instance's slots are read to keep the stream aligned, then dropped.
    RValue extra = RValue_MakeUndefined();
    bool read = true;
    for (int32_t i = 0; i < saved && read; ++i) read = RValue_Deserialise(i < m_slotCount ? &m_slots[i] : &extra, buffer);
    RValue_Release(&extra);
    if (!read) return false;
  }
  return !r.failed;
}
