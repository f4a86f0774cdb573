#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

// A name-to-index map over one asset table, so that a lookup by name costs one hash probe instead
// of a walk over every entry. The table tells it of every change with Invalidate(); the next
// lookup then reads all names again, in the table's own order, so repeated names resolve exactly
// as the walk it replaces did.
class NameIndex {
 public:
  enum class Repeats { KeepFirst, KeepLast };

  explicit NameIndex(Repeats repeats = Repeats::KeepFirst) : m_repeats(repeats) {}

  void Invalidate() {
    m_valid = false;
    ++s_generation;
  }

  // Moves on with every Invalidate of any index: an answer drawn from several tables still holds
  // while it has not moved.
  static uint64_t Generation() { return s_generation; }

  // `each(add)` calls add(name, index) for every named entry in table order.
  template <class EachName>
  int32_t Find(const char* name, EachName&& each) {
    if (name == nullptr) return -1;
    if (!m_valid) {
      m_indices.clear();
      each([this](std::string_view entryName, int32_t index) {
        if (m_repeats == Repeats::KeepLast) {
          m_indices.insert_or_assign(std::string(entryName), index);
        } else {
          m_indices.try_emplace(std::string(entryName), index);
        }
      });
      m_valid = true;
    }
    const auto found = m_indices.find(std::string_view(name));
    return found != m_indices.end() ? found->second : -1;
  }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };

  std::unordered_map<std::string, int32_t, Hash, std::equal_to<>> m_indices;
  Repeats m_repeats;
  bool m_valid = false;
  inline static uint64_t s_generation = 0;
};
