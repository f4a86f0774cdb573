#include "container/objt.h"

#include <string>
#include <vector>

namespace container {

ObjtEntry& ObjtEntry::on(size_t type, uint32_t number, int32_t code_index) {
  if (rows.size() <= type) rows.resize(type + 1);
  rows[type].push_back({number, {code_index}});
  return *this;
}

namespace {

void write_physics(ChunkBuilder& chunk, const ObjtPhysics& physics, uint8_t format_version) {
  chunk.u32(physics.uses_physics ? 1 : 0).u32(physics.sensor ? 1 : 0).i32(physics.shape);
  chunk.f32(physics.density).f32(physics.restitution).i32(physics.group);
  chunk.f32(physics.linear_damping).f32(physics.angular_damping);
  chunk.i32(physics.point_count.value_or(static_cast<int32_t>(physics.points.size())));
  if (format_version >= 9) {
    chunk.f32(physics.friction).u32(physics.awake ? 1 : 0).u32(physics.kinematic ? 1 : 0);
  }
  for (const ObjtPoint& p : physics.points) chunk.f32(p.x).f32(p.y);
}

// The runner runs an event's first action only; a writer asked for more is told so.
void warn_of_extra_actions(ContainerWriter& writer, size_t index, const ObjtEntry& object) {
  for (size_t r = 0; r < object.rows.size(); ++r) {
    for (const ObjtEvent& event : object.rows[r]) {
      if (event.actions.size() < 2) continue;
      writer.warn("object " + std::to_string(index) + " (" + object.name.value_or("unnamed") + ") event " +
                  std::to_string(r) + "/" + std::to_string(event.number) + " has " +
                  std::to_string(event.actions.size()) + " actions: only the first action's code runs");
    }
  }
}

void write_rows(ChunkBuilder& chunk, const std::string& entry, const ObjtEntry& object) {
  std::vector<std::string> rows;
  for (size_t r = 0; r < object.rows.size(); ++r) rows.push_back(entry + "/row/" + std::to_string(r));
  chunk.pointer_list(rows);
  for (size_t r = 0; r < object.rows.size(); ++r) {
    const std::vector<ObjtEvent>& events = object.rows[r];
    std::vector<std::string> labels;
    for (size_t e = 0; e < events.size(); ++e) labels.push_back(rows[r] + "/event/" + std::to_string(e));
    chunk.label(rows[r]).pointer_list(labels);
    for (size_t e = 0; e < events.size(); ++e) {
      const ObjtEvent& event = events[e];
      chunk.label(labels[e]).u32(event.number);
      write_action_list(chunk, labels[e] + "/actions", event.actions);
    }
  }
}

}  // namespace

ChunkBuilder& write_action_list(ChunkBuilder& chunk, const std::string& label, std::span<const int32_t> actions) {
  std::vector<std::string> labels;
  for (size_t a = 0; a < actions.size(); ++a) labels.push_back(label + "/" + std::to_string(a));
  chunk.label(label).pointer_list(labels);
  for (size_t a = 0; a < actions.size(); ++a) {
    chunk.label(labels[a]);
    for (uint32_t w = 0; w < kObjtActionWords; ++w) chunk.i32(w == kObjtActionCodeWord ? actions[a] : 0);
  }
  return chunk;
}

ChunkBuilder& write_objt(ContainerWriter& writer, std::span<const ObjtEntry> objects, uint8_t format_version) {
  ChunkBuilder& chunk = writer.add_chunk("OBJT");
  std::vector<std::string> labels;
  for (size_t i = 0; i < objects.size(); ++i) {
    labels.push_back(objects[i].empty_slot ? "" : "OBJT/entry/" + std::to_string(i));
  }
  chunk.pointer_list(labels);
  for (size_t i = 0; i < objects.size(); ++i) {
    const ObjtEntry& object = objects[i];
    if (object.empty_slot) continue;
    chunk.align(4).label(labels[i]);
    if (object.name) {
      chunk.string_ref(*object.name);
    } else {
      chunk.u32(0);
    }
    chunk.i32(object.sprite_index).u32(object.visible ? 1 : 0).u32(object.solid ? 1 : 0).i32(object.depth);
    chunk.u32(object.persistent ? 1 : 0).i32(object.parent_index).i32(object.mask_index);
    if (format_version >= 6) write_physics(chunk, object.physics, format_version);
    write_rows(chunk, labels[i], object);
    warn_of_extra_actions(writer, i, object);
  }
  return chunk;
}

}  // namespace container
