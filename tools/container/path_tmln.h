// Paths (PATH) and timelines (TMLN). PATH: a count, the entry offsets (0 for an empty slot), then
// per path {name, kind, closed, precision, point count, points {x, y, speed}}. TMLN: a count, the
// entry offsets, then per timeline {name, moment count, moments {time, action list offset}} and
// the moments' action lists, written as in OBJT.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "container/writer.h"

namespace container {

struct PathPointEntry {
  float x = 0.0f;
  float y = 0.0f;
  float speed = 100.0f;
};

struct PathEntry {
  bool empty_slot = false;
  std::optional<std::string> name = "path";
  int32_t kind = 0;  // 1 smooth
  bool closed = true;
  int32_t precision = 4;
  std::vector<PathPointEntry> points;
  std::optional<uint32_t> point_count = {};  // written instead of the number of points (damage)
};

struct TimelineMoment {
  int32_t time = 0;
  std::vector<int32_t> actions;  // code indices
};

struct TimelineEntry {
  bool empty_slot = false;
  std::optional<std::string> name = "timeline";
  std::vector<TimelineMoment> moments;
};

// Entry i is labelled "PATH/entry/<i>" or "TMLN/entry/<i>".
ChunkBuilder& write_path(ContainerWriter& writer, std::span<const PathEntry> paths);
ChunkBuilder& write_tmln(ContainerWriter& writer, std::span<const TimelineEntry> timelines);

}  // namespace container
