#include "container/scpt.h"

#include <vector>

namespace container {

ChunkBuilder& write_scpt(ContainerWriter& writer, std::span<const ScriptEntry> scripts) {
  ChunkBuilder& chunk = writer.add_chunk("SCPT");
  std::vector<std::string> labels;
  for (size_t i = 0; i < scripts.size(); ++i) {
    labels.push_back(scripts[i].empty ? std::string() : "SCPT/entry/" + std::to_string(i));
  }
  chunk.pointer_list(labels);
  for (size_t i = 0; i < scripts.size(); ++i) {
    const ScriptEntry& s = scripts[i];
    if (s.empty) continue;
    chunk.align(4).label(labels[i]).string_ref(s.name);
    if (s.text.empty()) {
      chunk.u32(s.code);
    } else {
      chunk.string_ref(s.text);
    }
  }
  return chunk;
}

}  // namespace container
