// Object definitions (OBJT): a count, the entry offsets (0 for an empty slot), then one entry per
// object: eight words of fields, the physics block (format version 6 and later; friction, awake
// and kinematic from 9), then the event rows. Each row lists event entries {number, action list},
// and each action is a record of words whose word 8 is the handler's code index.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "container/writer.h"

namespace container {

struct ObjtPoint {
  float x = 0.0f;
  float y = 0.0f;
};

struct ObjtPhysics {
  bool uses_physics = false;
  bool sensor = false;
  int32_t shape = 0;
  float density = 0.5f;
  float restitution = 0.1f;
  int32_t group = 0;
  float linear_damping = 0.1f;
  float angular_damping = 0.1f;
  float friction = 0.2f;  // format version 9 and later
  bool awake = true;
  bool kinematic = false;
  std::vector<ObjtPoint> points;
  // Written instead of the number of points (damage for loader tests).
  std::optional<int32_t> point_count = {};
};

struct ObjtEvent {
  uint32_t number = 0;
  // The code index of each action, in order; an empty list writes an action count of 0. The
  // runner runs the first action's code only: more than one is written, with a warning.
  std::vector<int32_t> actions;
};

inline constexpr size_t kObjtEventTypes = 12;
inline constexpr uint32_t kObjtActionWords = 17;  // the words of one action record
inline constexpr uint32_t kObjtActionCodeWord = 8;

struct ObjtEntry {
  bool empty_slot = false;  // offset 0 in the list and no entry
  std::optional<std::string> name = "object";  // nullopt writes offset 0 (none)
  int32_t sprite_index = -1;
  bool visible = true;
  bool solid = false;
  int32_t depth = 0;
  bool persistent = false;
  int32_t parent_index = -100;
  int32_t mask_index = -1;
  ObjtPhysics physics;
  // One row per event type; more than twelve rows are written as they are.
  std::vector<std::vector<ObjtEvent>> rows = std::vector<std::vector<ObjtEvent>>(kObjtEventTypes);

  // Adds an event with one action running that code index to row `type`.
  ObjtEntry& on(size_t type, uint32_t number, int32_t code_index);
};

// An action list {count, offsets of action records} at the current position, labelled `label`;
// action a runs code index actions[a].
ChunkBuilder& write_action_list(ChunkBuilder& chunk, const std::string& label, std::span<const int32_t> actions);

// Adds the chunk for a game of this format version; entry i is labelled "OBJT/entry/<i>".
ChunkBuilder& write_objt(ContainerWriter& writer, std::span<const ObjtEntry> objects, uint8_t format_version);

}  // namespace container
