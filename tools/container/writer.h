// Writes data containers: "FORM", a size word, then tagged chunks, all little-endian.
//
// A ContainerWriter owns the chunks in the order they are added and the container's one string
// pool (the STRG chunk). Each ChunkBuilder appends to its chunk's body; wherever a body has to
// point somewhere (a string, a record in this or another chunk) it records a fix-up, and
// build() lays the chunks out and fills every fix-up with an offset from the container's start.
//
// Writers of particular chunk kinds are free functions over a ContainerWriter, one source per
// kind (write_gen8(writer, header), ...). They name their labels "<tag>/<what>/<index>" so that
// chunks can point into one another without clashing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace container {

// Tag of the chunk that the unknown-tag breakage inserts; no loader knows it.
inline constexpr std::string_view kUnknownChunkTag = "JUNK";

// The assembled container, or what kept it from being assembled.
struct BuildResult {
  std::vector<uint8_t> bytes;
  std::string error;  // empty on success
  bool ok() const { return error.empty(); }
};

// Distinct texts in order of first use; entry n of the STRG chunk is text(n).
class StringPool {
 public:
  uint32_t intern(std::string_view text);
  size_t size() const { return m_texts.size(); }
  const std::string& text(uint32_t index) const { return m_texts[index]; }

 private:
  std::vector<std::string> m_texts;
  std::unordered_map<std::string, uint32_t> m_index;
};

class ChunkBuilder {
 public:
  struct Label {
    std::string name;
    uint32_t position;  // in the body
  };
  struct Fixup {
    enum class Kind { Label, String };
    Kind kind;
    uint32_t position;  // of the u32 to fill, in the body
    std::string label;  // Kind::Label
    uint32_t string;    // Kind::String: index in the pool
  };

  ChunkBuilder(std::string tag, StringPool& strings) : m_tag(std::move(tag)), m_strings(&strings) {}

  const std::string& tag() const { return m_tag; }
  const std::vector<uint8_t>& body() const { return m_body; }
  const std::vector<Label>& labels() const { return m_labels; }
  const std::vector<Fixup>& fixups() const { return m_fixups; }
  // The body size so far: where the next write lands.
  uint32_t position() const { return static_cast<uint32_t>(m_body.size()); }

  ChunkBuilder& u8(uint8_t v);
  ChunkBuilder& u16(uint16_t v);
  ChunkBuilder& i16(int16_t v) { return u16(static_cast<uint16_t>(v)); }
  ChunkBuilder& u32(uint32_t v);
  ChunkBuilder& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
  ChunkBuilder& f32(float v);
  ChunkBuilder& f64(double v);
  ChunkBuilder& bytes(std::span<const uint8_t> data);
  ChunkBuilder& zeros(size_t count);
  // Pads with zeros to a multiple of n from the body's start; that is a multiple of n in the
  // container too when n divides the writer's chunk alignment.
  ChunkBuilder& align(uint32_t n);
  // Overwrites a u32 written earlier (a count known only later).
  ChunkBuilder& patch_u32(uint32_t position, uint32_t v);

  // Names the current position. Labels are shared by the whole container.
  ChunkBuilder& label(std::string name);
  // Names a position written earlier (a record inside bytes added whole).
  ChunkBuilder& label_at(std::string name, uint32_t position);
  // A u32 holding the container offset of a label; an empty name writes 0 (none).
  ChunkBuilder& offset_to(std::string name);
  // A u32 holding the container offset of the text's bytes in the string pool.
  ChunkBuilder& string_ref(std::string_view text);
  // The text's entry number in the string pool (byte code refers to strings by number).
  uint32_t string_index(std::string_view text) { return m_strings->intern(text); }
  // A u32 count, then one offset_to per label ("" for an empty slot).
  ChunkBuilder& pointer_list(std::span<const std::string> labels);

 private:
  std::string m_tag;
  StringPool* m_strings;
  std::vector<uint8_t> m_body;
  std::vector<Label> m_labels;
  std::vector<Fixup> m_fixups;
};

struct WriterOptions {
  // Every chunk body starts at a multiple of this (a power of two up to 16); the padding that
  // gets it there is part of the body before. 1 writes the chunks back to back.
  uint32_t chunk_alignment = 4;

  // Deliberate damage, for testing loaders.
  std::optional<uint32_t> size_word = {};    // written instead of total size - 8
  uint32_t truncate = 0;                   // bytes cut off the end; the size word fits what is left
  std::optional<size_t> unknown_chunk_at = {};  // a kUnknownChunkTag chunk with a 4-byte body at this index
};

class ContainerWriter {
 public:
  explicit ContainerWriter(WriterOptions options = {}) : m_options(options) {}
  ContainerWriter(const ContainerWriter&) = delete;
  ContainerWriter& operator=(const ContainerWriter&) = delete;

  WriterOptions& options() { return m_options; }
  StringPool& strings() { return m_strings; }

  // The returned builder stays valid for the writer's life.
  ChunkBuilder& add_chunk(std::string tag);
  // Puts the STRG chunk here. Without this call it follows the last chunk whenever a string
  // was used.
  void add_string_pool();

  BuildResult build() const;
  BuildResult write_file(const std::string& path) const;

  // What the chunk writers were asked to write that the runner will not do as written (an event
  // with more than one action runs only the first one's code), one line each, in order.
  void warn(std::string message) { m_warnings.push_back(std::move(message)); }
  const std::vector<std::string>& warnings() const { return m_warnings; }

 private:
  WriterOptions m_options;
  std::vector<std::string> m_warnings;
  StringPool m_strings;
  std::deque<ChunkBuilder> m_chunks;
  std::optional<size_t> m_pool_at;  // index of the STRG chunk among m_chunks
  bool m_pool_added_twice = false;
};

}  // namespace container
