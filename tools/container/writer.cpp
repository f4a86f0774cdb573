#include "container/writer.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>

namespace container {

uint32_t StringPool::intern(std::string_view text) {
  auto [it, added] = m_index.try_emplace(std::string(text), static_cast<uint32_t>(m_texts.size()));
  if (added) m_texts.emplace_back(text);
  return it->second;
}

ChunkBuilder& ChunkBuilder::u8(uint8_t v) {
  m_body.push_back(v);
  return *this;
}

ChunkBuilder& ChunkBuilder::u16(uint16_t v) {
  m_body.push_back(static_cast<uint8_t>(v));
  m_body.push_back(static_cast<uint8_t>(v >> 8));
  return *this;
}

ChunkBuilder& ChunkBuilder::u32(uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) m_body.push_back(static_cast<uint8_t>(v >> shift));
  return *this;
}

ChunkBuilder& ChunkBuilder::f32(float v) { return u32(std::bit_cast<uint32_t>(v)); }

ChunkBuilder& ChunkBuilder::f64(double v) {
  const auto bits = std::bit_cast<uint64_t>(v);
  u32(static_cast<uint32_t>(bits));
  return u32(static_cast<uint32_t>(bits >> 32));
}

ChunkBuilder& ChunkBuilder::bytes(std::span<const uint8_t> data) {
  m_body.insert(m_body.end(), data.begin(), data.end());
  return *this;
}

ChunkBuilder& ChunkBuilder::zeros(size_t count) {
  m_body.resize(m_body.size() + count, 0);
  return *this;
}

ChunkBuilder& ChunkBuilder::align(uint32_t n) {
  if (n > 1) zeros((n - m_body.size() % n) % n);
  return *this;
}

ChunkBuilder& ChunkBuilder::patch_u32(uint32_t position, uint32_t v) {
  if (static_cast<size_t>(position) + 4 > m_body.size()) m_body.resize(static_cast<size_t>(position) + 4, 0);
  for (int i = 0; i < 4; ++i) m_body[position + i] = static_cast<uint8_t>(v >> (8 * i));
  return *this;
}

ChunkBuilder& ChunkBuilder::label(std::string name) {
  m_labels.push_back({std::move(name), position()});
  return *this;
}

ChunkBuilder& ChunkBuilder::label_at(std::string name, uint32_t at) {
  m_labels.push_back({std::move(name), at});
  return *this;
}

ChunkBuilder& ChunkBuilder::offset_to(std::string name) {
  if (!name.empty()) m_fixups.push_back({Fixup::Kind::Label, position(), std::move(name), 0});
  return u32(0);
}

ChunkBuilder& ChunkBuilder::string_ref(std::string_view text) {
  m_fixups.push_back({Fixup::Kind::String, position(), {}, m_strings->intern(text)});
  return u32(0);
}

ChunkBuilder& ChunkBuilder::pointer_list(std::span<const std::string> labels) {
  u32(static_cast<uint32_t>(labels.size()));
  for (const auto& name : labels) offset_to(name);
  return *this;
}

ChunkBuilder& ContainerWriter::add_chunk(std::string tag) {
  return m_chunks.emplace_back(std::move(tag), m_strings);
}

void ContainerWriter::add_string_pool() {
  if (m_pool_at) m_pool_added_twice = true;
  m_pool_at = m_chunks.size();
}

namespace {

constexpr uint64_t kMaxContainerSize = std::numeric_limits<uint32_t>::max();

void put_u32(std::vector<uint8_t>& out, uint64_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void append_u32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void append_tag(std::vector<uint8_t>& out, std::string_view tag) {
  for (char c : tag) out.push_back(static_cast<uint8_t>(c));
}

uint64_t round_up(uint64_t n, uint64_t to) { return (n + to - 1) / to * to; }

// A STRG entry is {u32 length, bytes, NUL}, padded so that the next length word is aligned.
uint64_t pool_entry_size(const std::string& text) { return round_up(4 + text.size() + 1, 4); }

uint64_t pool_body_size(const StringPool& pool) {
  uint64_t size = 4 + 4 * static_cast<uint64_t>(pool.size());
  for (uint32_t i = 0; i < pool.size(); ++i) size += pool_entry_size(pool.text(i));
  return size;
}

// The STRG body for a pool whose body starts at body_start; text_offsets receives where each
// entry's bytes land in the container (what a name refers to).
std::vector<uint8_t> pool_body(const StringPool& pool, uint64_t body_start, std::vector<uint32_t>& text_offsets) {
  std::vector<uint8_t> body;
  body.reserve(pool_body_size(pool));
  const auto count = static_cast<uint32_t>(pool.size());
  append_u32(body, count);
  uint64_t entry = body_start + 4 + 4 * static_cast<uint64_t>(count);
  for (uint32_t i = 0; i < count; ++i) {
    append_u32(body, static_cast<uint32_t>(entry));
    text_offsets.push_back(static_cast<uint32_t>(entry + 4));
    entry += pool_entry_size(pool.text(i));
  }
  for (uint32_t i = 0; i < count; ++i) {
    const std::string& text = pool.text(i);
    append_u32(body, static_cast<uint32_t>(text.size()));
    body.insert(body.end(), text.begin(), text.end());
    body.resize(round_up(body.size() + 1, 4), 0);
  }
  return body;
}

// One chunk as laid out: its tag, where its body goes, and the bytes of the body.
struct Placed {
  std::string_view tag;
  const ChunkBuilder* chunk = nullptr;  // null for the string pool and the unknown chunk
  const std::vector<uint8_t>* body = nullptr;
  uint64_t body_start = 0;
  uint64_t padding = 0;
};

std::string where(const Placed& p, uint32_t position) {
  return std::string(p.tag) + " at body offset " + std::to_string(position);
}

BuildResult failure(std::string message) { return {{}, std::move(message)}; }

}  // namespace

BuildResult ContainerWriter::build() const {
  const uint32_t alignment = m_options.chunk_alignment;
  // The first body always sits at 16, so no larger alignment can hold for every chunk.
  if (!std::has_single_bit(alignment) || alignment > 16)
    return failure("chunk alignment " + std::to_string(alignment) + " is not a power of two up to 16");
  if (m_pool_added_twice) return failure("the string pool was added twice");

  // Chunk order, with the string pool and the unknown chunk put in their places.
  std::vector<Placed> order;
  const bool with_pool = m_pool_at || m_strings.size() > 0;
  for (size_t i = 0; i <= m_chunks.size(); ++i) {
    if (with_pool && m_pool_at.value_or(m_chunks.size()) == i) order.push_back({"STRG"});
    if (i < m_chunks.size()) order.push_back({m_chunks[i].tag(), &m_chunks[i], &m_chunks[i].body()});
  }
  const std::vector<uint8_t> unknown_body(4, 0);  // not empty: loaders pass over empty chunks
  if (m_options.unknown_chunk_at) {
    const size_t at = *m_options.unknown_chunk_at;
    if (at > order.size())
      return failure("unknown chunk position " + std::to_string(at) + " is past the " +
                     std::to_string(order.size()) + " chunks");
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), {kUnknownChunkTag, nullptr, &unknown_body});
  }
  for (const Placed& p : order)
    if (p.tag.size() != 4) return failure("chunk tag \"" + std::string(p.tag) + "\" is not four bytes long");

  // Layout: each body starts aligned; the padding before the next chunk belongs to the body.
  uint64_t end = 8;
  Placed* pool = nullptr;
  for (size_t k = 0; k < order.size(); ++k) {
    Placed& p = order[k];
    if (!p.body) pool = &p;
    p.body_start = end + 8;
    end = p.body_start + (p.body ? p.body->size() : pool_body_size(m_strings));
    if (k + 1 < order.size()) {
      p.padding = round_up(end + 8, alignment) - (end + 8);
      end += p.padding;
    }
  }
  if (end > kMaxContainerSize)
    return failure("the container would be " + std::to_string(end) + " bytes, past the 32-bit offset range");

  std::vector<uint32_t> text_offsets;
  std::vector<uint8_t> strings;
  if (pool) {
    strings = pool_body(m_strings, pool->body_start, text_offsets);
    pool->body = &strings;
  }

  std::unordered_map<std::string_view, std::pair<const Placed*, uint32_t>> labels;
  for (const Placed& p : order) {
    if (!p.chunk) continue;
    for (const auto& label : p.chunk->labels()) {
      auto [it, added] = labels.try_emplace(label.name, &p, label.position);
      if (!added)
        return failure("duplicate label \"" + label.name + "\": " + where(*it->second.first, it->second.second) +
                       " and " + where(p, label.position));
    }
  }

  BuildResult result;
  std::vector<uint8_t>& out = result.bytes;
  out.reserve(end);
  append_tag(out, "FORM");
  append_u32(out, 0);
  for (const Placed& p : order) {
    append_tag(out, p.tag);
    append_u32(out, static_cast<uint32_t>(p.body->size() + p.padding));
    out.insert(out.end(), p.body->begin(), p.body->end());
    out.resize(out.size() + p.padding, 0);
  }

  for (const Placed& p : order) {
    if (!p.chunk) continue;
    for (const auto& fixup : p.chunk->fixups()) {
      uint64_t target = 0;
      if (fixup.kind == ChunkBuilder::Fixup::Kind::String) {
        target = text_offsets[fixup.string];
      } else {
        auto it = labels.find(fixup.label);
        if (it == labels.end())
          return failure("unresolved label \"" + fixup.label + "\", used in " + where(p, fixup.position));
        target = it->second.first->body_start + it->second.second;
      }
      put_u32(out, p.body_start + fixup.position, static_cast<uint32_t>(target));
    }
  }

  if (m_options.truncate > out.size() - 8)
    return failure("cannot cut " + std::to_string(m_options.truncate) + " bytes off a container of " +
                   std::to_string(out.size()) + " and keep its 8-byte header");
  out.resize(out.size() - m_options.truncate);
  put_u32(out, 4, m_options.size_word.value_or(static_cast<uint32_t>(out.size() - 8)));
  return result;
}

BuildResult ContainerWriter::write_file(const std::string& path) const {
  BuildResult result = build();
  if (!result.ok()) return result;
  errno = 0;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(result.bytes.data()), static_cast<std::streamsize>(result.bytes.size()));
  file.close();
  if (!file) return failure("cannot write \"" + path + "\"" + (errno ? std::string(": ") + std::strerror(errno) : ""));
  return result;
}

}  // namespace container
