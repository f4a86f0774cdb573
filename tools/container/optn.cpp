#include "container/optn.h"

namespace container {

namespace {

void constants(ChunkBuilder& chunk, const std::vector<OptnConstant>& list) {
  chunk.u32(static_cast<uint32_t>(list.size()));
  for (const OptnConstant& c : list) chunk.string_ref(c.name).string_ref(c.value);
}

}  // namespace

ChunkBuilder& write_optn(ContainerWriter& writer, const OptnOldLayout& options) {
  ChunkBuilder& chunk = writer.add_chunk("OPTN");
  chunk.label("OPTN/options/0");
  for (size_t i = 0; i < options.words.size(); ++i) {
    if (i * 4 == optn_old::kImage && !options.image_label.empty()) {
      chunk.offset_to(options.image_label);
    } else {
      chunk.i32(options.words[i]);
    }
  }
  constants(chunk, options.constants);
  return chunk;
}

ChunkBuilder& write_optn(ContainerWriter& writer, const OptnNewLayout& options) {
  ChunkBuilder& chunk = writer.add_chunk("OPTN");
  chunk.label("OPTN/options/0");
  chunk.i32(options.marker).u32(options.layout_version);
  chunk.u32(static_cast<uint32_t>(options.flags)).u32(static_cast<uint32_t>(options.flags >> 32));
  chunk.i32(options.scale).u32(options.window_colour);
  chunk.i32(options.colour_depth).i32(options.resolution).i32(options.frequency);
  chunk.i32(options.integer_option1).i32(options.integer_option2);
  chunk.zeros(8);
  chunk.offset_to(options.image_label);
  chunk.u32(options.option13);
  constants(chunk, options.constants);
  return chunk;
}

}  // namespace container
