// Names by index for the stand-ins of asset tables that are not loaded yet: the finders answer
// from the names a test (or nothing) gave them.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/name_index.h"

class StandInNames {
 public:
  // Index n gets names[n]; a null entry names nothing. A count of 0 empties the list.
  void Set(const char* const* names, int32_t count) {
    m_names.clear();
    m_index.Invalidate();
    for (int32_t i = 0; i < count; ++i) m_names.emplace_back(names[i] != nullptr ? names[i] : "");
  }
  // The first index with exactly that name, -1 when none.
  int32_t Find(const char* name) const {
    return m_index.Find(name, [this](auto add) {
      for (size_t i = 0; i < m_names.size(); ++i) {
        if (!m_names[i].empty()) add(m_names[i], static_cast<int32_t>(i));
      }
    });
  }
  // The name of an index that has one, else null.
  const char* Name(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_names.size() || m_names[static_cast<size_t>(index)].empty()) return nullptr;
    return m_names[static_cast<size_t>(index)].c_str();
  }
  // The index names nothing any more; false when it named nothing.
  bool Forget(int32_t index) {
    if (Name(index) == nullptr) return false;
    m_names[static_cast<size_t>(index)].clear();
    m_index.Invalidate();
    return true;
  }

 private:
  std::vector<std::string> m_names;
  mutable NameIndex m_index;
};
