// A table of loaded or made assets by index, each slot owning its asset (or empty) with a name:
// what the path and timeline tables share.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/console.h"
#include "core/name_index.h"
#include "runtime/container.h"

template <typename T>
class NamedTable {
 public:
  struct Slot {
    std::unique_ptr<T> item;
    std::string name;
  };

  int32_t Number() const { return static_cast<int32_t>(m_slots.size()); }
  T* Data(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_slots.size()) return nullptr;
    return m_slots[static_cast<size_t>(index)].item.get();
  }
  const char* Name(int32_t index) const {
    return Data(index) != nullptr ? m_slots[static_cast<size_t>(index)].name.c_str() : "<undefined>";
  }
  // The first existing entry with exactly that name, -1 when none.
  int32_t Find(const char* name) const {
    return m_index.Find(name, [this](auto add) {
      for (size_t i = 0; i < m_slots.size(); ++i) {
        if (m_slots[i].item != nullptr) add(m_slots[i].name, static_cast<int32_t>(i));
      }
    });
  }
  // A new empty entry at the end, named the prefix and its index.
  int32_t Add(const char* prefix) {
    const auto index = Number();
    m_index.Invalidate();
    m_slots.push_back({std::make_unique<T>(), prefix + std::to_string(index)});
    return index;
  }
  // The caller may rename or empty the slot it gets, so the index is read again afterwards.
  Slot& At(int32_t index) {
    m_index.Invalidate();
    return m_slots[static_cast<size_t>(index)];
  }
  void Erase(int32_t index) {
    // Out of the table before it is deleted: what it runs may look the table up again.
    std::unique_ptr<T> gone = std::move(At(index).item);
    m_slots.erase(m_slots.begin() + index);
  }
  void Clear() {
    std::vector<Slot> gone;
    gone.swap(m_slots);
    m_index.Invalidate();
  }
  // Index n gets an empty entry named names[n] (a null name leaves the slot empty).
  void SetNames(const char* const* names, int32_t count) {
    Clear();
    for (int32_t i = 0; i < count; ++i) {
      Slot slot;
      if (names[i] != nullptr) slot = {std::make_unique<T>(), names[i]};
      m_slots.push_back(std::move(slot));
    }
  }
  // A chunk of {count, entry offsets (0: empty slot)}, each entry starting with its name's
  // offset and read by T::LoadFromChunk. A damaged chunk fails the load and keeps the table.
  bool Load(const char* tag, uint8_t* body, uint32_t size, const ContainerBytes& container) {
    uint32_t count = 0;
    if (!Container_ReadCount(tag, body, size, 0, 4, &count)) return false;
    std::vector<Slot> slots(count);
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t at = Container_U32(body + 4 + 4 * i);
      if (at == 0) continue;
      auto item = std::make_unique<T>();
      std::string problem;
      if (!item->LoadFromChunk(container, at, &problem)) {
        Game_FailLoad(tag, "entry %u at container offset %u: %s", i, at, problem.c_str());
        return false;
      }
      bool ok = true;
      const char* name = container.TextAt(Container_U32(container.data + at), &ok);
      if (!ok) {
        Game_FailLoad(tag, "entry %u's name does not end inside the container", i);
        return false;
      }
      slots[i].item = std::move(item);
      if (name != nullptr) slots[i].name = name;
    }
    m_slots = std::move(slots);
    m_index.Invalidate();
    Console_DebugOutput("%s: %u entries loaded\n", tag, count);
    return true;
  }

 private:
  std::vector<Slot> m_slots;
  mutable NameIndex m_index;
};
