// Scripts (SCPT): a count, the entry offsets (0 for an empty slot), then the entries {name, code}.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "container/writer.h"

namespace container {

struct ScriptEntry {
  std::string name;
  uint32_t code = 0;     // the code index (translated or byte-code games)
  std::string text;      // games without code: the script's text, written to the string pool instead
  bool empty = false;    // an entry offset of 0
};

// Adds the chunk; entry i is labelled "SCPT/entry/<i>".
ChunkBuilder& write_scpt(ContainerWriter& writer, std::span<const ScriptEntry> scripts);

}  // namespace container
