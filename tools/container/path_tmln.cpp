#include "container/path_tmln.h"

#include "container/objt.h"

namespace container {

namespace {

template <typename Entry>
std::vector<std::string> EntryLabels(const char* tag, std::span<const Entry> entries) {
  std::vector<std::string> labels;
  for (size_t i = 0; i < entries.size(); ++i) {
    labels.push_back(entries[i].empty_slot ? "" : std::string(tag) + "/entry/" + std::to_string(i));
  }
  return labels;
}

void Name(ChunkBuilder& chunk, const std::optional<std::string>& name) {
  if (name) {
    chunk.string_ref(*name);
  } else {
    chunk.u32(0);
  }
}

}  // namespace

ChunkBuilder& write_path(ContainerWriter& writer, std::span<const PathEntry> paths) {
  ChunkBuilder& chunk = writer.add_chunk("PATH");
  const std::vector<std::string> labels = EntryLabels("PATH", paths);
  chunk.pointer_list(labels);
  for (size_t i = 0; i < paths.size(); ++i) {
    const PathEntry& path = paths[i];
    if (path.empty_slot) continue;
    chunk.align(4).label(labels[i]);
    Name(chunk, path.name);
    chunk.i32(path.kind).u32(path.closed ? 1 : 0).i32(path.precision);
    chunk.u32(path.point_count.value_or(static_cast<uint32_t>(path.points.size())));
    for (const PathPointEntry& p : path.points) chunk.f32(p.x).f32(p.y).f32(p.speed);
  }
  return chunk;
}

ChunkBuilder& write_tmln(ContainerWriter& writer, std::span<const TimelineEntry> timelines) {
  ChunkBuilder& chunk = writer.add_chunk("TMLN");
  const std::vector<std::string> labels = EntryLabels("TMLN", timelines);
  chunk.pointer_list(labels);
  for (size_t i = 0; i < timelines.size(); ++i) {
    const TimelineEntry& timeline = timelines[i];
    if (timeline.empty_slot) continue;
    chunk.align(4).label(labels[i]);
    Name(chunk, timeline.name);
    chunk.u32(static_cast<uint32_t>(timeline.moments.size()));
    for (size_t m = 0; m < timeline.moments.size(); ++m) {
      chunk.i32(timeline.moments[m].time).offset_to(labels[i] + "/moment/" + std::to_string(m));
    }
    for (size_t m = 0; m < timeline.moments.size(); ++m) {
      write_action_list(chunk, labels[i] + "/moment/" + std::to_string(m), timeline.moments[m].actions);
    }
  }
  return chunk;
}

}  // namespace container
