// An index of the bounding boxes of one object's instances for the collision phase: a uniform grid
// over their boxes, so that an instance meets only the instances whose boxes lie near its own
// rather than every instance of the other object. It answers with positions in the object's list,
// so the phase visits candidates in list order; it follows boxes that change while it is in use
// (events move instances) through Instance_BoxWatch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CInstance;
struct ObjectInstanceList;

class CollisionGrid {
 public:
  // Indexes the instances of the list, in list order up to the first node without an instance;
  // their boxes are brought up to date first. Starts listening for box changes.
  void Build(const ObjectInstanceList& list);
  // Stops listening; the grid answers nothing more until the next Build.
  void Release();

  // True when a box may have changed since the last Refresh (also of an instance not indexed).
  bool HasChanges() const { return !m_changed.empty(); }
  // Moves the indexed instances whose boxes changed to the cells of their new boxes.
  void Refresh();

  // The positions above `after`, ascending, of the indexed instances whose current boxes may
  // overlap the inclusive box; every one that does overlap it is among them.
  void Query(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t after, std::vector<int32_t>* out);
  CInstance* At(int32_t position) const { return m_entries[static_cast<size_t>(position)].instance; }
  int32_t Size() const { return static_cast<int32_t>(m_entries.size()); }

 private:
  struct Span {
    int64_t col0, row0, col1, row1;
    bool operator==(const Span&) const = default;
  };
  struct Entry {
    CInstance* instance;
    Span span;
    bool wide;  // in m_wide rather than in the cells: its box covers too many cells
  };

  static void Note(CInstance* instance);
  Span SpanOf(int64_t left, int64_t top, int64_t right, int64_t bottom) const;
  uint64_t BucketOf(int64_t column, int64_t row) const;
  void Place(int32_t position);
  void Unplace(int32_t position);

  std::vector<Entry> m_entries;
  // Buckets of cells, chosen by a hash of the cell's column and row (cells that share a bucket
  // only add candidates); each holds positions in no particular order.
  std::vector<std::vector<int32_t>> m_buckets;
  uint64_t m_bucketMask = 0;
  std::vector<int32_t> m_wide;
  std::vector<uint32_t> m_seen;  // per entry: the query that last took it
  uint32_t m_query = 0;
  uint64_t m_build = 0;
  double m_cellSize = 1.0;
  std::vector<CInstance*> m_changed;
  static CollisionGrid* s_listening;
};
