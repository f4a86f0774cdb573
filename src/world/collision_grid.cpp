#include "world/collision_grid.h"

#include <algorithm>
#include <cmath>

#include "world/instance.h"
#include "world/object.h"

CollisionGrid* CollisionGrid::s_listening = nullptr;

namespace {

// A box over more cells than this is not entered cell by cell but kept aside and offered to every
// query: one huge instance must not fill the buckets.
constexpr int64_t kWideCells = 64;

uint64_t g_builds = 0;

void BringBoxUpToDate(CInstance* instance) {
  if (instance->bbox_dirty) Compute_BoundingBox(instance);
}

int64_t CellOf(int64_t coordinate, double cellSize) {
  return static_cast<int64_t>(std::floor(static_cast<double>(coordinate) / cellSize));
}

// Whether the span covers more than limit cells (its sides alone may come near 2^32 cells).
bool MoreCellsThan(int64_t col0, int64_t row0, int64_t col1, int64_t row1, int64_t limit) {
  const int64_t columns = col1 - col0 + 1;
  const int64_t rows = row1 - row0 + 1;
  return columns > limit || rows > limit || columns * rows > limit;
}

void TakeOut(std::vector<int32_t>* positions, int32_t position) {
  const auto at = std::find(positions->begin(), positions->end(), position);
  if (at == positions->end()) return;
  *at = positions->back();
  positions->pop_back();
}

}  // namespace

void CollisionGrid::Note(CInstance* instance) {
  if (s_listening != nullptr) s_listening->m_changed.push_back(instance);
}

void CollisionGrid::Build(const ObjectInstanceList& list) {
  m_build = ++g_builds;
  m_entries.clear();
  m_wide.clear();
  m_changed.clear();
  double sizes = 0.0;
  for (const ObjectInstanceNode* node = list.first; node != nullptr && node->instance != nullptr; node = node->next) {
    CInstance* instance = node->instance;
    BringBoxUpToDate(instance);
    instance->grid_build = m_build;
    instance->grid_slot = static_cast<int32_t>(m_entries.size());
    m_entries.push_back({instance, {}, false});
    sizes += static_cast<double>(static_cast<int64_t>(instance->bbox_right) - instance->bbox_left + 1) +
             static_cast<double>(static_cast<int64_t>(instance->bbox_bottom) - instance->bbox_top + 1);
  }
  const size_t n = m_entries.size();
  // Cells about the size of a typical box: a box then covers a few cells and a cell holds a few
  // boxes, however the instances spread.
  m_cellSize = n > 0 ? std::max(1.0, sizes / (2.0 * static_cast<double>(n))) : 1.0;
  size_t buckets = 16;
  while (buckets < 2 * n) buckets *= 2;
  if (m_buckets.size() < buckets) m_buckets.resize(buckets);
  for (size_t b = 0; b < buckets; ++b) m_buckets[b].clear();
  m_bucketMask = buckets - 1;
  for (size_t p = 0; p < n; ++p) {
    const CInstance* i = m_entries[p].instance;
    m_entries[p].span = SpanOf(i->bbox_left, i->bbox_top, i->bbox_right, i->bbox_bottom);
    Place(static_cast<int32_t>(p));
  }
  m_seen.assign(n, 0);
  m_query = 0;
  s_listening = this;
  Instance_BoxWatch = &CollisionGrid::Note;
}

void CollisionGrid::Release() {
  if (s_listening == this) {
    s_listening = nullptr;
    Instance_BoxWatch = nullptr;
  }
  m_entries.clear();
  m_changed.clear();
  m_build = 0;
}

CollisionGrid::Span CollisionGrid::SpanOf(int64_t left, int64_t top, int64_t right, int64_t bottom) const {
  return {CellOf(left, m_cellSize), CellOf(top, m_cellSize), CellOf(right, m_cellSize), CellOf(bottom, m_cellSize)};
}

uint64_t CollisionGrid::BucketOf(int64_t column, int64_t row) const {
  const uint64_t h = static_cast<uint64_t>(column) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(row) * 0xC2B2AE3D27D4EB4Full;
  return (h ^ (h >> 29)) & m_bucketMask;
}

void CollisionGrid::Place(int32_t position) {
  Entry& e = m_entries[static_cast<size_t>(position)];
  const Span& s = e.span;
  e.wide = MoreCellsThan(s.col0, s.row0, s.col1, s.row1, kWideCells);
  if (e.wide) {
    m_wide.push_back(position);
    return;
  }
  for (int64_t r = s.row0; r <= s.row1; ++r) {
    for (int64_t c = s.col0; c <= s.col1; ++c) m_buckets[BucketOf(c, r)].push_back(position);
  }
}

void CollisionGrid::Unplace(int32_t position) {
  const Entry& e = m_entries[static_cast<size_t>(position)];
  if (e.wide) {
    TakeOut(&m_wide, position);
    return;
  }
  const Span& s = e.span;
  for (int64_t r = s.row0; r <= s.row1; ++r) {
    for (int64_t c = s.col0; c <= s.col1; ++c) TakeOut(&m_buckets[BucketOf(c, r)], position);
  }
}

void CollisionGrid::Refresh() {
  // Taken out first: computing a box tells nobody, but an instance may be noted again meanwhile.
  std::vector<CInstance*> changed;
  changed.swap(m_changed);
  for (CInstance* instance : changed) {
    if (instance->grid_build != m_build) continue;
    const int32_t p = instance->grid_slot;
    if (p < 0 || static_cast<size_t>(p) >= m_entries.size() || m_entries[static_cast<size_t>(p)].instance != instance) {
      continue;
    }
    BringBoxUpToDate(instance);
    const Span span = SpanOf(instance->bbox_left, instance->bbox_top, instance->bbox_right, instance->bbox_bottom);
    if (span == m_entries[static_cast<size_t>(p)].span) continue;
    Unplace(p);
    m_entries[static_cast<size_t>(p)].span = span;
    Place(p);
  }
  changed.clear();
  if (m_changed.empty()) m_changed.swap(changed);  // keeps the capacity
}

void CollisionGrid::Query(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t after,
                          std::vector<int32_t>* out) {
  out->clear();
  if (m_entries.empty()) return;
  if (++m_query == 0) {
    std::fill(m_seen.begin(), m_seen.end(), 0);
    m_query = 1;
  }
  const auto take = [&](const std::vector<int32_t>& positions) {
    for (const int32_t p : positions) {
      if (p <= after || m_seen[static_cast<size_t>(p)] == m_query) continue;
      m_seen[static_cast<size_t>(p)] = m_query;
      out->push_back(p);
    }
  };
  // Two boxes that overlap share a point, whose cell both spans hold.
  const Span s = SpanOf(left, top, right, bottom);
  if (MoreCellsThan(s.col0, s.row0, s.col1, s.row1, static_cast<int64_t>(m_bucketMask + 1))) {
    for (uint64_t b = 0; b <= m_bucketMask; ++b) take(m_buckets[b]);
  } else {
    for (int64_t r = s.row0; r <= s.row1; ++r) {
      for (int64_t c = s.col0; c <= s.col1; ++c) take(m_buckets[BucketOf(c, r)]);
    }
  }
  take(m_wide);
  std::sort(out->begin(), out->end());
}
