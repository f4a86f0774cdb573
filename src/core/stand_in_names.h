// Names by index for the stand-ins of asset tables that are not loaded yet: the finders answer
// from the names a test (or nothing) gave them.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class StandInNames {
 public:
  // Index n gets names[n]; a null entry names nothing. A count of 0 empties the list.
  void Set(const char* const* names, int32_t count) {
    m_names.clear();
    for (int32_t i = 0; i < count; ++i) m_names.emplace_back(names[i] != nullptr ? names[i] : "");
  }
  // The first index with exactly that name, -1 when none.
  int32_t Find(const char* name) const {
    if (name == nullptr || name[0] == '\0') return -1;
    for (size_t i = 0; i < m_names.size(); ++i) {
      if (m_names[i] == name) return static_cast<int32_t>(i);
    }
    return -1;
  }

 private:
  std::vector<std::string> m_names;
};
